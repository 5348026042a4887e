#pragma once
// What several device-query components read the same way: the grouped profiles of the
// device (channel c, stream s), the first profile of each channel, and the device-IO counts.
#include <json/json.h>

#include "Component/ServerInfo.h"

namespace RPC {
namespace Onvif {

// Every channel's profile array ([[profile, ...], ...]); false when the device's profiles
// cannot be read.
bool readGroupedProfiles(const Zentar::Component::ServerInfo& info, Json::Value& channels);

// A count of the device-IO capabilities ("VideoSources", "AudioOutputs", "RelayOutputs",
// ...); false when the device has no such service or does not state that count.
bool readDeviceIOCount(const Zentar::Component::ServerInfo& info, const char* member, int& count);

// The channels whose first profile has a non-empty text at group/name (for example the
// audio source token), in order.
Json::Value channelsWithFirstProfileMember(const Json::Value& channels, const char* group, const char* name);

} // namespace Onvif
} // namespace RPC
