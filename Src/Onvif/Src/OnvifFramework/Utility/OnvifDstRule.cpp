#include "OnvifFramework/Utility/OnvifDstRule.h"

#include <cstdint>
#include <cstring>

#include "Infra/Time.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifTimeZone.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"

namespace RPC {
namespace Onvif {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kOneHour = 3600;

// Rule fields: JSON key, where the value goes, and the accepted range.
struct SRuleField {
    const char* key;
    int SDstRule::*member;
    int min;
    int max;
};

const SRuleField kRuleFields[] = {
    {"Year", &SDstRule::year, INT32_MIN, INT32_MAX},
    {"Month", &SDstRule::month, 1, 12},
    {"Week", &SDstRule::week, 1, INT32_MAX}, // 5 and above all mean "last"
    {"Wday", &SDstRule::wday, 0, 6},
    {"Hour", &SDstRule::hour, 0, 24},
    {"Minute", &SDstRule::minute, 0, 59},
    {"Second", &SDstRule::second, 0, 59},
};

// A member of a JSON object, or null when absent or when obj is no object (where jsoncpp's
// own look-ups would throw).
const Json::Value* findMember(const Json::Value& obj, const char* key)
{
    return obj.isObject() ? obj.find(key, key + strlen(key)) : nullptr;
}

// An int member of a JSON object, or fallback when absent; false when present but not an int.
bool readIntMember(const Json::Value& obj, const char* key, int fallback, int& value)
{
    const Json::Value* member = findMember(obj, key);
    if (member == nullptr || member->isNull()) {
        value = fallback;
        return true;
    }
    if (!member->isInt()) {
        return false;
    }
    value = member->asInt();
    return true;
}

bool readRule(const Json::Value& cfg, const char* key, SDstRule& rule)
{
    const Json::Value* obj = findMember(cfg, key);
    if (obj == nullptr || !obj->isObject()) {
        ONVIF_LOG(LOG_WARN, "cfgZoneAndDST: %s missing or not an object\n", key);
        return false;
    }
    for (const SRuleField& field : kRuleFields) {
        int value = 0;
        if (!readIntMember(*obj, field.key, 0, value) || value < field.min || value > field.max) {
            ONVIF_LOG(LOG_WARN, "cfgZoneAndDST: %s.%s invalid\n", key, field.key);
            return false;
        }
        rule.*field.member = value;
    }
    return true;
}

bool readDstEnable(const Json::Value& cfg)
{
    const Json::Value* flag = findMember(cfg, "DSTEnable");
    if (flag == nullptr) {
        return false;
    }
    if (flag->isBool()) {
        return flag->asBool();
    }
    // Hosts also send 0 and 1.
    return flag->isNumeric() && flag->asDouble() != 0.0;
}

time_t ruleToDate(const SDstRule& rule)
{
    return transformWeekToDate(rule.year, rule.month, rule.week, rule.wday, rule.hour,
                               rule.minute, rule.second);
}

// The n-th (week 1..4) weekday of a month, counting from the first day of the month.
int64_t nthWeekday(int64_t year, int64_t month, int64_t week, int64_t wday, int64_t timeOfDay)
{
    const int64_t first = civilToSeconds(year, month, 1, 0, 0, 0) + timeOfDay;
    const int64_t d = wday - weekDayOfSeconds(first);
    const int64_t days = d >= 0 ? (week - 1) * 7 + d : week * 7 + d;
    return first + days * kSecondsPerDay;
}

// The last weekday of a month: step back from the first day of the following month.
int64_t lastWeekday(int64_t nextYear, int64_t nextMonth, int64_t wday, int64_t timeOfDay)
{
    const int64_t next = civilToSeconds(nextYear, nextMonth, 1, 0, 0, 0) + timeOfDay;
    int64_t k = weekDayOfSeconds(next) - wday;
    if (k <= 0) {
        k += 7;
    }
    return next - k * kSecondsPerDay;
}

} // namespace

time_t weekToDateInYear(int year, int month, int week, int wday, int hour, int minute,
                        int second)
{
    const int64_t timeOfDay = static_cast<int64_t>(hour) * kOneHour +
                              static_cast<int64_t>(minute) * 60 + second;
    if (week < 5) {
        return static_cast<time_t>(nthWeekday(year, month, week, wday, timeOfDay));
    }
    // civilToSeconds carries month 13 over into January of the next year.
    return static_cast<time_t>(lastWeekday(year, static_cast<int64_t>(month) + 1, wday, timeOfDay));
}

time_t transformWeekToDate(int year, int month, int week, int wday, int hour, int minute,
                           int second)
{
    ONVIF_LOG(LOG_DEBUG, "input: year:%d, month:%d, week:%d, wday:%d\n", year, month, week, wday);
    // The host's rules carry a year, but a rule is meant for every year: only the December
    // "last week" rule keeps its own year, as its day is found from 1 January after it.
    if (month == 12 && week >= 5) {
        return weekToDateInYear(year, month, week, wday, hour, minute, second);
    }
    const int currentYear = Zentar::Infra::CTime::getCurrentTime().getYear();
    return weekToDateInYear(currentYear, month, week, wday, hour, minute, second);
}

bool readZoneAndDst(const Json::Value& cfg, SZoneAndDst& out)
{
    if (!cfg.isObject()) {
        ONVIF_LOG(LOG_WARN, "cfgZoneAndDST is not an object\n");
        return false;
    }
    int index = -1;
    if (!readIntMember(cfg, "TimeZone", -1, index)) {
        index = -1;
    }
    if (!getTimeZoneOffset(index, out.offset)) {
        return false;
    }
    out.zoneIndex = index;
    out.dstEnable = readDstEnable(cfg);
    if (!out.dstEnable) {
        return true;
    }
    return readRule(cfg, "DSTStart", out.start) && readRule(cfg, "DSTEnd", out.end);
}

SDstWindow getDstWindow(const SZoneAndDst& zone)
{
    SDstWindow window;
    window.start = ruleToDate(zone.start);
    window.end = ruleToDate(zone.end);
    return window;
}

bool isLocalInDst(time_t local, const SDstWindow& window, bool bEndTime)
{
    if (window.start > window.end) {
        return false;
    }
    if (local == window.start) {
        return !bEndTime;
    }
    return window.start < local && local <= window.end;
}

bool isUtcInDst(time_t utc, const SDstWindow& window, int offset, bool bEndTime)
{
    // The start is a standard-time wall clock, the end a daylight one (an hour further east).
    const time_t startUtc = window.start - offset;
    const time_t endUtc = window.end - offset - kOneHour;
    if (window.start > window.end) {
        return false;
    }
    if (utc == startUtc) {
        return !bEndTime;
    }
    if (utc == endUtc) {
        return bEndTime;
    }
    return startUtc < utc && utc < endUtc;
}

bool isInRepeatedHour(time_t local, const SDstWindow& window)
{
    return window.end - kOneHour <= local && local <= window.end;
}

} // namespace Onvif
} // namespace RPC
