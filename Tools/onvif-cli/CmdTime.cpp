// time: the device clock with its zone and daylight-saving rule, read and set through
// the time client interface in the host's own records.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "Commands.h"
#include "HostZones.h"
#include "ITimeClient.h"
#include "Infra/LastError.h"

namespace OnvifCli {

namespace {

using Zentar::Component::HostDstRecord;
using Zentar::Component::HostTimeRecord;
using Zentar::Component::ITimeClient;

std::string isoTime(uint64_t seconds, int offset)
{
    const time_t t = static_cast<time_t>(seconds) + offset;
    struct tm fields {};
    gmtime_r(&t, &fields);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &fields);
    return text;
}

bool parseUtc(const std::string& text, uint64_t& seconds)
{
    struct tm fields {};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d", &year, &month, &day, &hour, &minute, &second) != 6 ||
        month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    const time_t t = timegm(&fields);
    if (t < 0)
        return false;
    seconds = static_cast<uint64_t>(t);
    return true;
}

ITimeClient* timeClient(CCliHost& host, CommandResult& r)
{
    auto* client = host.component<ITimeClient>(ITimeClient::kInterfaceName);
    if (!client)
        r.error = "The library did not hand out the time client for " + host.deviceLabel() + ".";
    return client;
}

Json::Value dstRule(const Zentar::Component::HostDstRule& rule)
{
    Json::Value out;
    out["Month"] = rule.month;
    out["Week"] = rule.week;
    out["WeekDay"] = rule.weekDay;
    out["Hour"] = rule.hour;
    out["Minute"] = rule.minute;
    return out;
}

} // namespace

CommandResult runTimeGet(CCliHost& host)
{
    CommandResult r;
    ITimeClient* client = timeClient(host, r);
    if (!client)
        return r;
    HostTimeRecord time;
    HostDstRecord dst;
    if (!client->getTimeWithZoneDSTConfig(time, dst)) {
        r.error = "The device clock of " + host.deviceLabel() +
                  " could not be read with its time zone (see the log for the device's answer).";
        return r;
    }
    const int offset = hostZoneOffset(time.zoneIndex) + (time.dstInEffect ? 3600 : 0);
    r.data["UTC"] = isoTime(time.utcSeconds, 0) + "Z";
    r.data["Local"] = isoTime(time.utcSeconds, offset);
    r.data["ZoneIndex"] = time.zoneIndex;
    r.data["Zone"] = hostZoneName(time.zoneIndex);
    r.data["DaylightSavingInEffect"] = time.dstInEffect != 0;
    r.data["DaylightSavingRule"] = dst.enable != 0;
    if (dst.enable) {
        r.data["DSTStart"] = dstRule(dst.start);
        r.data["DSTEnd"] = dstRule(dst.end);
    }
    const long long skew = static_cast<long long>(time.utcSeconds) - static_cast<long long>(::time(nullptr));
    r.data["OffsetFromThisMachine"] = static_cast<Json::Int64>(skew);
    r.text = "  Device UTC: " + r.data["UTC"].asString() + "\n  Device local: " + r.data["Local"].asString() +
             " (" + r.data["Zone"].asString() + (time.dstInEffect ? ", daylight saving" : "") + ")\n" +
             "  Clock differs from this machine by " + std::to_string(skew) + " s\n";
    r.ok = true;
    return r;
}

CommandResult runTimeSet(CCliHost& host, const std::string& utc, const std::string& zone)
{
    CommandResult r;
    ITimeClient* client = timeClient(host, r);
    if (!client)
        return r;
    HostTimeRecord time;
    std::memset(&time, 0, sizeof time);
    time.utcSeconds = static_cast<uint64_t>(::time(nullptr));
    if (!utc.empty() && !parseUtc(utc, time.utcSeconds)) {
        r.error = "The time \"" + utc + "\" is not of the form 2026-12-05T10:00:00Z.";
        return r;
    }
    if (zone.empty()) {
        // Keep the device's own zone: read it first.
        HostTimeRecord current;
        if (!client->getTimeWithZoneDST(current)) {
            r.error = "The device's current time zone could not be read; give one with --zone.";
            return r;
        }
        time.zoneIndex = current.zoneIndex;
    } else {
        const int index = hostZoneIndex(zone);
        if (index < 0) {
            r.error = "The zone \"" + zone + "\" is not one of the host's zones (GMT-12:00 to GMT+14:00).";
            return r;
        }
        time.zoneIndex = static_cast<uint8_t>(index);
    }
    if (!client->setTimeWithZoneDST(time)) {
        r.error = CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel()) +
                  " The device did not accept the new time.";
        return r;
    }
    r.data["UTC"] = isoTime(time.utcSeconds, 0) + "Z";
    r.data["Zone"] = hostZoneName(time.zoneIndex);
    r.text = "  Set the device clock to " + r.data["UTC"].asString() + " in " + r.data["Zone"].asString() + "\n";
    r.ok = true;
    return r;
}

} // namespace OnvifCli
