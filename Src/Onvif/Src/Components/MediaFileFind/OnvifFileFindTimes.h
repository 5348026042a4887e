#pragma once
// The time texts a recording search works with: UTC texts as devices write them
// ("2026-12-06T10:00:00Z") and the host's local texts ("2026-12-06 11:00:00") of the device's
// zone, converted with the device's zone and daylight-saving configuration (null: this
// machine's own zone).
#include <json/json.h>

#include <ctime>
#include <string>

namespace RPC {
namespace Onvif {
namespace FileFindTimes {

// "yyyy-MM-ddTHH:mm:ss" followed by a fraction and "Z" or nothing; false when unreadable.
bool parseUtcText(const std::string& text, time_t& utc);
// "yyyy-MM-dd HH:mm:ss", as local seconds (the fields counted as if UTC).
bool parseLocalText(const std::string& text, time_t& local);
// "yyyy-MM-ddTHH:mm:ssZ"; "" when out of range.
std::string utcText(time_t utc);

// Local text of a UTC text and back; "" when a text or the configuration is unusable.
// endTime marks the end of a span (the hour lived twice when daylight saving ends counts
// in its later pass).
std::string toLocalText(const std::string& utc, const Json::Value* zone, bool endTime);
std::string toUtcText(const std::string& local, const Json::Value* zone, bool endTime);

// The UTC instant daylight saving of the configuration ends; false without daylight saving.
bool dstEndUtc(const Json::Value& zone, time_t& utc);

} // namespace FileFindTimes
} // namespace Onvif
} // namespace RPC
