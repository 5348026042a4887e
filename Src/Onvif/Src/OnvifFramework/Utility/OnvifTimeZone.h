#pragma once
// The host's fixed zone table and the reading of devices' POSIX TZ strings.
#include <array>

#include <json/value.h>

namespace RPC {
namespace Onvif {

// One row of the host's zone table. The host stores only the index.
struct STimeZone {
    int index;
    int offset;    // seconds east of UTC
    char name[16]; // "GMT+05:30"
};

constexpr int kTimeZoneCount = 40;

const std::array<STimeZone, kTimeZoneCount>& getTimeZoneTable();

// True for 0..39; otherwise logs "invaild TimeZone:%d" and returns false.
bool isVaildTimeZone(int index);
// The offset of a valid index; false (logged as above) otherwise.
bool getTimeZoneOffset(int index, int& offset);
// Index of the first row with this offset, or -1. Several devices report only an offset, and
// the table has no duplicate offsets, so "first" is also "only".
int findTimeZoneByOffset(int offset);

// Reads a device's TZ string ("CST-8", "EST5EDT,M3.2.0/2,M11.1.0/2", "GMT+08:00").
// offset: seconds east of UTC. Names starting with "GMT" take the sign as written
// ("GMT+08:00" is east, as devices mean it); every other name follows POSIX, where west is
// positive. A name may also be quoted in POSIX angle brackets ("<+0530>-5:30").
// rules: an empty object without daylight saving; otherwise "DSTStart" and "DSTEnd", each with
// "Month", "Week", "WDay", "Hour", "Minute", "Second" (int; fields the rule text lacks are 0).
// Only the "Mm.w.d" rule form is understood.
// False, logged, for null text, a text without a name or offset, and offsets beyond 24 hours.
bool parseTimeZone(const char* tz, int& offset, Json::Value& rules);

} // namespace Onvif
} // namespace RPC
