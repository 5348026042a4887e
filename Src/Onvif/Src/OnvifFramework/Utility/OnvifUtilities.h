#pragma once
// Time conversion between the host and its devices.
//
// The host speaks local wall-clock text "yyyy-MM-dd HH:mm:ss" in a configured zone (one of the
// 40 rows of the zone table, with optional daylight saving); devices speak UTC text
// "yyyy-MM-ddTHH:mm:ssZ". Everything here is stateless.
//
// "Local seconds" are wall-clock fields counted as if they were UTC (timegm style), so that a
// conversion never depends on the zone of the machine we run on. Only the functions that say
// so (getDiffTimeToUTC and the null-configuration paths) look at this machine's own zone.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include <json/value.h>

namespace RPC {
namespace Onvif {

// Calendar fields of one instant; month 1..12, day 1..31.
struct SCivilTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Seconds since 1970 of the given fields read as UTC (proleptic Gregorian). Fields out of
// range carry over as a calendar would: month 13 is January of the next year, hour 24 the
// next day. 64-bit throughout, so no int input can overflow.
int64_t civilToSeconds(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                       int64_t second);
// The inverse, for years 1 to 9999 (the range every text here can hold); false outside it.
bool secondsToCivil(int64_t seconds, SCivilTime& out);
// Day of the week of an instant given as civilToSeconds counts it; 0 = Sunday.
int weekDayOfSeconds(int64_t seconds);

// This machine's offset from UTC now, in seconds east. 0 (and a log line) when the clock
// cannot be broken down.
int getDiffTimeToUTC();

// Writes seconds as "yyyy-MM-ddTHH:mm:ssZ" (21 bytes with the terminator). 0, or -1 when
// the seconds are out of range or the buffer is null or too small.
int systemTimeToUTC(time_t seconds, char* buffer, size_t size);

// Local seconds of the zone configuration cfgZoneAndDST (keys "TimeZone", "DSTEnable",
// "DSTStart", "DSTEnd") to UTC text. bEndTime marks the end of a search interval: an end
// that falls in the hour repeated when daylight saving ends is kept in its later pass so
// the interval covers the whole hour. False (and a log line) on a bad configuration.
bool transformLocalToUTC(time_t local, std::string& utcText, const Json::Value& cfgZoneAndDST,
                         bool bEndTime);
// The inverse: UTC seconds to local text "yyyy-MM-dd HH:mm:ss" of the configuration.
bool transformUTCToLocal(time_t utc, std::string& localText, const Json::Value& cfgZoneAndDST,
                         bool bEndTime);

// UTC seconds to the host's local text. A null configuration means this machine's own zone.
// 0, or -1 on a bad configuration, unrepresentable time or a buffer under 20 bytes.
int systemTimeToZTTime(time_t utc, char* buffer, size_t size, const Json::Value* cfgZoneAndDST,
                       bool bEndTime);
// The host's local text "yyyy-MM-dd HH:mm:ss" to UTC text. A null configuration means this
// machine's own zone. 0, or -1 on unreadable text, a bad configuration or a buffer under 21
// bytes.
int ztTimeToUTCTime(const char* localText, char* buffer, size_t size,
                    const Json::Value* cfgZoneAndDST, bool bEndTime);

// ISO 8601 durations as ONVIF uses them for time-outs and delays.
// "PT<seconds>S", for example 65 -> "PT65S".
std::string secondsToDuration(int seconds);
// What a duration may hold besides hours, minutes and seconds. Time-outs and delays are
// time-only; a tour's stay times come from devices that count in days as well.
enum DurationRules : unsigned {
    DURATION_TIME_ONLY = 0,
    DURATION_DAYS = 1u << 0,          // "P[nD][T...]": a day is 86400 s
    DURATION_NEEDS_FIGURE = 1u << 1,  // a bare "PT" (or "P") is refused instead of read as 0
};
// "PT[nH][nM][n[.f]S]" to whole seconds: PT2M30S -> 150, a bare "PT" -> 0. -1 for null text,
// text not starting with "PT" directly followed by figures (P1D, PT-5S), designators out of
// order or repeated, a figure without designator, and totals beyond int.
int durationToSeconds(const char* text, unsigned rules = DURATION_TIME_ONLY);

} // namespace Onvif
} // namespace RPC
