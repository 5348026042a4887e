#include "Components/TimeClient/OnvifTimeClient.h"

#include <cstring>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifTimeZone.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"

namespace RPC {
namespace Onvif {

using Zentar::Component::HostDstRule;

namespace {

int intMember(const Json::Value& group, const char* name)
{
    const Json::Value& value = group.isObject() ? group[name] : Json::Value();
    return value.isNumeric() ? value.asInt() : 0;
}

// Device rules count the last week of a month as 5; the host says -1.
void ruleFromDevice(const Json::Value& rule, int year, HostDstRule& out)
{
    out.year = year;
    out.month = intMember(rule, "Month");
    const int week = intMember(rule, "Week");
    out.week = week == 5 ? -1 : week;
    out.weekDay = intMember(rule, "WDay");
    out.hour = intMember(rule, "Hour");
    out.minute = intMember(rule, "Minute");
    out.second = intMember(rule, "Second");
}

// weekDayKey: the request of setSystemDateAndTime spells it "WDay", the stored zone
// configuration "Wday".
Json::Value ruleToRecord(const HostDstRule& rule, const char* weekDayKey)
{
    Json::Value out(Json::objectValue);
    out["Year"] = rule.year;
    out["Month"] = rule.month;
    out["Week"] = rule.week == -1 ? 5 : rule.week;
    out[weekDayKey] = rule.weekDay;
    out["Hour"] = rule.hour;
    out["Minute"] = rule.minute;
    out["Second"] = rule.second;
    return out;
}

bool ruleWeekUsable(const HostDstRule& rule) { return rule.week == -1 || rule.week >= 1; }

// {"DateTimeType": "Manual", "Date", "Time"} for UTC seconds; false beyond the calendar.
bool manualClockRequest(uint64_t utcSeconds, Json::Value& request)
{
    SCivilTime civil;
    if (!secondsToCivil(static_cast<int64_t>(utcSeconds), civil))
        return false;
    request = Json::Value(Json::objectValue);
    request["DateTimeType"] = "Manual";
    request["Date"]["Year"] = civil.year;
    request["Date"]["Month"] = civil.month;
    request["Date"]["Day"] = civil.day;
    request["Time"]["Hour"] = civil.hour;
    request["Time"]["Minute"] = civil.minute;
    request["Time"]["Second"] = civil.second;
    return true;
}

} // namespace

COnvifTimeClient::COnvifTimeClient(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

bool COnvifTimeClient::fromDeviceClock(const Json::Value& clock, HostTimeRecord& time, HostDstRecord& dst)
{
    std::memset(&time, 0, sizeof time);
    std::memset(&dst, 0, sizeof dst);
    const Json::Value& utc = clock.isObject() ? clock["UTCDateTime"] : Json::Value();
    const Json::Value& date = utc.isObject() ? utc["Date"] : Json::Value();
    const Json::Value& hms = utc.isObject() ? utc["Time"] : Json::Value();
    int month = intMember(date, "Month");
    month = month < 1 ? 1 : (month > 12 ? 12 : month);
    const int year = intMember(date, "Year");
    const int64_t seconds = civilToSeconds(year, month, intMember(date, "Day"), intMember(hms, "Hour"),
                                           intMember(hms, "Minute"), intMember(hms, "Second"));
    time.utcSeconds = static_cast<uint64_t>(seconds < 0 ? 0 : seconds);
    const Json::Value& daylight = clock.isObject() ? clock["DaylightSavings"] : Json::Value();
    time.dstInEffect = (daylight.isBool() && daylight.asBool()) ? 1 : 0;

    const Json::Value& zone = clock.isObject() ? clock["TimeZone"] : Json::Value();
    const std::string tz = zone.isObject() && zone["TZ"].isString() ? zone["TZ"].asString() : std::string();
    if (tz.empty()) {
        ONVIF_LOG(LOG_WARN, "getSystemDateAndTime no TimeZone.\n");
        return false;
    }
    int offset = 0;
    Json::Value rules(Json::objectValue);
    if (!parseTimeZone(tz.c_str(), offset, rules)) {
        ONVIF_LOG(LOG_WARN, "ParseTimeZone failed.\n");
        return false;
    }
    const int index = findTimeZoneByOffset(offset);
    if (index < 0) {
        ONVIF_LOG(LOG_WARN, "Parse Time Zone failed.\n");
        return false;
    }
    time.zoneIndex = static_cast<uint8_t>(index);
    if (rules.isObject() && rules.isMember("DSTStart") && rules.isMember("DSTEnd")) {
        ONVIF_LOG(LOG_INFO, "DST configurations:%s\n", rules.toStyledString().c_str());
        ruleFromDevice(rules["DSTStart"], year, dst.start);
        ruleFromDevice(rules["DSTEnd"], year, dst.end);
        dst.enable = 1;
    }
    return true;
}

bool COnvifTimeClient::readClock(HostTimeRecord& time, HostDstRecord& dst)
{
    ONVIF_LOG(LOG_DEBUG, "TimeClient[%p] getTimeAndDST!\n", static_cast<void*>(this));
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!getSystemDateAndTime(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_WARN, "getSystemDateAndTime failed\n");
        return false;
    }
    const Json::Value& clock = result["SystemDateAndTime"];
    ONVIF_LOG(LOG_INFO, "SystemDateAndTime:%s\n", clock.toStyledString().c_str());
    return fromDeviceClock(clock, time, dst);
}

bool COnvifTimeClient::getTimeWithZoneDST(HostTimeRecord& time)
{
    HostDstRecord scratch;
    return readClock(time, scratch);
}

bool COnvifTimeClient::getTimeWithZoneDSTConfig(HostTimeRecord& time, HostDstRecord& dst)
{
    return readClock(time, dst);
}

bool COnvifTimeClient::toClockRequest(const HostTimeRecord& time, const HostDstRecord* dst, Json::Value& request)
{
    int zoneOffset = 0;
    if (!getTimeZoneOffset(time.zoneIndex, zoneOffset)) {
        ONVIF_LOG(LOG_WARN, "Timezone error\n");
        return false;
    }
    if (!manualClockRequest(time.utcSeconds, request))
        return false;
    request["DaylightSavings"] = time.dstInEffect != 0;
    request["Time"]["Zone"] = zoneOffset;
    // A rule with a week the device cannot express is worse than none: send neither.
    if (dst && ruleWeekUsable(dst->start) && ruleWeekUsable(dst->end)) {
        ONVIF_LOG(LOG_INFO, "Set time with DST configurations.\n");
        request["DSTStart"] = ruleToRecord(dst->start, "WDay");
        request["DSTEnd"] = ruleToRecord(dst->end, "WDay");
    }
    return true;
}

bool COnvifTimeClient::setWithZone(const HostTimeRecord& time, const HostDstRecord* dst)
{
    ONVIF_LOG(LOG_INFO, "to setTimeAndDST,timezone:<%d>\n", time.zoneIndex);
    if (time.zoneIndex >= kTimeZoneCount) {
        ONVIF_LOG(LOG_WARN, "Timezone error\n");
        return false;
    }
    Json::Value request;
    if (!toClockRequest(time, dst, request))
        return false;
    ONVIF_LOG(LOG_INFO, "to setTimeAndDST, input:<%s>\n", request.toStyledString().c_str());
    Json::Value result(Json::objectValue);
    if (!setSystemDateAndTime(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_WARN, "setSystemDateAndTime failed\n");
        return false;
    }
    return true;
}

bool COnvifTimeClient::setTimeWithZoneDST(const HostTimeRecord& time) { return setWithZone(time, nullptr); }

Json::Value COnvifTimeClient::zoneConfig(const HostTimeRecord& time, const HostDstRecord& dst)
{
    Json::Value config(Json::objectValue);
    config["TimeZone"] = time.zoneIndex;
    if (dst.enable && time.dstInEffect) {
        config["DSTEnable"] = 1;
        config["DSTStart"] = ruleToRecord(dst.start, "Wday");
        config["DSTEnd"] = ruleToRecord(dst.end, "Wday");
    } else {
        config["DSTEnable"] = 0;
    }
    return config;
}

bool COnvifTimeClient::setTimeWithZoneDSTConfig(const HostTimeRecord& time, const HostDstRecord& dst)
{
    ONVIF_LOG(LOG_INFO, "TimeClient[%p] setTimeWithZoneDSTConfig! ip:%s, port:%d, dst[%d], isDST[%d]\n",
              static_cast<void*>(this), m_serverInfo->address.c_str(), m_serverInfo->port, dst.enable,
              time.dstInEffect);
    const Json::Value config = zoneConfig(time, dst);
    ONVIF_LOG(LOG_INFO, "cfgZoneAndDST:%s\n", config.toStyledString().c_str());
    COnvifInfoCenter::instance()->setZoneAndDSTCfg(*m_serverInfo, config, true);
    return setWithZone(time, &dst);
}

bool COnvifTimeClient::setUTCTime(uint64_t utcSeconds)
{
    Json::Value request;
    if (!manualClockRequest(utcSeconds, request))
        return false;
    Json::Value result(Json::objectValue);
    if (!setSystemDateAndTime(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_WARN, "setSystemDateAndTime failed\n");
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
