#pragma once
// Profile operations of the Media (ver10) service: list, read, create and delete media
// profiles, and add or remove the configurations they are composed of.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifMediaProfiles : public COnvifProtoChildCore {
public:
    explicit COnvifMediaProfiles(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "MediaProfiles"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
