#pragma once
// The host addresses media by channel and stream number; devices list flat profiles.
#include <json/json.h>

namespace RPC {
namespace Onvif {

// Groups a device's profile summaries (in device order) into channels: channel c holds
// the profiles of the c-th distinct video source token, stream s is the s-th of them.
// Profiles without a source or encoder token are dropped, and so is a profile whose
// encoder token repeats one already in its channel (it would be the same stream twice).
// Entries keep only the members that carry a value. Non-array input gives [].
Json::Value groupProfilesIntoChannels(const Json::Value& profiles);

// True for null, an empty text, and an object or array without members.
bool isBlankValue(const Json::Value& value);

// A non-empty text member of an object, "" otherwise (never throws on odd shapes).
std::string textMember(const Json::Value& record, const char* name);
std::string textMember(const Json::Value& record, const char* group, const char* name);

} // namespace Onvif
} // namespace RPC
