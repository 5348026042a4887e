#pragma once
// The relay outputs of a device, at its device service address ("IO").
//
// Names served by execute: "GetRelayOutputs" (result "RelayOutputs"[i] {"token", "mode",
// "delaytime", "idlestate"}), "SetRelayOutputSettings" (request "token", "mode",
// "delaytime" as an ISO 8601 duration, "idlestate" "open"/"closed") and
// "SetRelayOutputState" (request "token", "LogicalState" "active"/"inactive").
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifIO : public COnvifProtoChildCore {
public:
    explicit COnvifIO(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}
    const char* getServiceName() const override { return "IO"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
