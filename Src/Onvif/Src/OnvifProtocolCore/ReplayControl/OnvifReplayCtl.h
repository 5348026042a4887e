#pragma once
// The replay service object of one device ("ReplayControl"): where a recording is played
// from, and how long an idle replay session lives.
//
// Names served by execute: "GetReplayUri" (request "StreamSetup"."Stream",
// "StreamSetup"."Transport"."Protocol", "RecordingToken", each sent even when empty; result
// "Uri"), "GetReplayConfiguration" (result "Configuration"."SessionTimeout"),
// "SetReplayConfiguration" (request "Configuration"."SessionTimeout") and
// "GetReplayServiceCapabilities" (result "Capabilities"."ReversePlayback",
// "SessionTimeoutRange", "RTP_USCORERTSP_USCORETCP").
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifReplayCtl : public COnvifProtoCore {
public:
    explicit COnvifReplayCtl(const COnvifLoginInfo& login) : COnvifProtoCore(login, &operationTable()) {}
    const char* getServiceName() const override { return "ReplayControl"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
