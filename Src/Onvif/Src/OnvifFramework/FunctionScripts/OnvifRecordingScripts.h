#pragma once
// Recording search, recording control and replay operations as components run them: each
// at the address of the service that owns the operation, through commonOpList.
#include <json/json.h>

#include "Component/ServerInfo.h"

namespace RPC {
namespace Onvif {

// Runs command ("FindRecordings", "GetRecordingJobs", "GetReplayUri", ...) on the service
// object whose table holds it. False for a command of none of the three services.
bool recordingOp(const Zentar::Component::ServerInfo& info, const char* command, Json::Value& request,
                 Json::Value& result);

} // namespace Onvif
} // namespace RPC
