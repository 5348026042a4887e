#pragma once
// Fillers of the cache slots whose composite operations are not part of the script
// library yet (analytics modules). It runs its one ONVIF operation through commonOpList
// and stores the answer in
// the centre under the token of the request, exactly as the scripts do for the other
// slots. Signature of a filler: (login, request, result) -> success.
#include <json/json.h>

#include "Component/ServerInfo.h"

namespace RPC {
namespace Onvif {
namespace InfoCenterFill {

using Zentar::Component::ServerInfo;

bool analyticsModules(const ServerInfo& info, Json::Value& request, Json::Value& result);    // slot 9

} // namespace InfoCenterFill
} // namespace Onvif
} // namespace RPC
