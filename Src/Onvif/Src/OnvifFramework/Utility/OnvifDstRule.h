#pragma once
// Daylight-saving rules of the host's zone configuration and the tests built on them.
//
// A rule names a day as "the n-th weekday of a month" (week 1..4) or "the last weekday of a
// month" (week 5 or more) plus a time of day. All seconds here are local wall-clock seconds
// counted as if UTC (see OnvifUtilities.h), except where a name says UTC.
#include <ctime>

#include <json/value.h>

namespace RPC {
namespace Onvif {

// Local seconds of the rule's day in the current year of this machine; a December rule for
// the last week takes its own year instead (the day is found from 1 January after it).
time_t transformWeekToDate(int year, int month, int week, int wday, int hour, int minute,
                           int second);
// The arithmetic behind it, with the year always the one given: transformWeekToDate is this
// with the current year, except for the December last-week rule.
time_t weekToDateInYear(int year, int month, int week, int wday, int hour, int minute,
                        int second);

struct SDstRule {
    int year = 0;
    int month = 0;
    int week = 0;
    int wday = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The configuration "cfgZoneAndDST" once read and checked.
struct SZoneAndDst {
    int zoneIndex = 0;
    int offset = 0; // seconds east of UTC
    bool dstEnable = false;
    SDstRule start;
    SDstRule end;
};

// Reads "TimeZone" (int 0..39, required), "DSTEnable" (bool or number; absent = false) and,
// when enabled, "DSTStart" and "DSTEnd" (objects; "Year", "Month" 1..12, "Week" >= 1, "Wday"
// 0..6, "Hour" 0..24, "Minute" and "Second" 0..59; absent fields are 0). False, logged, on
// anything else; never throws whatever the value holds.
bool readZoneAndDst(const Json::Value& cfg, SZoneAndDst& out);

// The daylight-saving period of a year, in local seconds: it begins at start (a standard-time
// wall clock) and ends at end (a daylight wall clock). A period whose start lies after its
// end, as southern-hemisphere rules give, is never in effect.
struct SDstWindow {
    time_t start = 0;
    time_t end = 0;
};

SDstWindow getDstWindow(const SZoneAndDst& zone);

// Whether a local time is in daylight saving. The start instant itself counts as daylight
// time except for the end of a search interval (bEndTime); the end instant counts as daylight.
bool isLocalInDst(time_t local, const SDstWindow& window, bool bEndTime);
// Whether a UTC time is in daylight saving for a zone of the given offset. The first UTC
// second of daylight saving counts unless bEndTime; the first second after it only with
// bEndTime.
bool isUtcInDst(time_t utc, const SDstWindow& window, int offset, bool bEndTime);
// Whether a local time lies in the hour that is lived twice when daylight saving ends.
bool isInRepeatedHour(time_t local, const SDstWindow& window);

} // namespace Onvif
} // namespace RPC
