#pragma once
// Profile operations of the Media2 (ver20) service: list, create and delete profiles and
// add or remove their configurations by type and token.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifMedia2Profile : public COnvifProtoChildCore {
public:
    explicit COnvifMedia2Profile(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "Media2Profile"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
