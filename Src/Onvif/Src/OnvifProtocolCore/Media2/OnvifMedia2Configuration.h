#pragma once
// Configuration operations of the Media2 (ver20) service. Only the service capabilities
// are read here so far; the encoder, source, OSD and mask configurations join this table.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifMedia2Configuration : public COnvifProtoChildCore {
public:
    explicit COnvifMedia2Configuration(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "Media2Configuration"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
