#pragma once
// What both OSD managers read first: the video source configuration of a channel's main
// stream (OSDs belong to it) and the device's OSD options for it (cached per login).
#include <json/json.h>

#include <string>

#include "Component/ServerInfo.h"

namespace RPC {
namespace Onvif {

// The token of the video source configuration of the channel's main stream; a negative
// channel means channel 0. False ("[ERRLN]") when the profile has none.
bool readChannelSourceConfiguration(const Zentar::Component::ServerInfo& info, int channel, std::string& token);

// {"OSDOptions": {...}} of that configuration; failLog is logged at level 2 when the device
// cannot say.
bool readChannelOSDOptions(const Zentar::Component::ServerInfo& info, int channel, Json::Value& options,
                           const char* failLog);

} // namespace Onvif
} // namespace RPC
