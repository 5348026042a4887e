// The device's date and time: answered from its own clock (real time plus an offset that
// a test or a SetSystemDateAndTime moves), so clients meet clocks that disagree with theirs.
#include "Services/DeviceOps.h"

#include "Common/TimeUtil.h"

#include <chrono>

namespace OnvifSim {
namespace {

void WriteDateTime(CXmlNode parent, const char* name, long long epoch)
{
    CCivilTime t = EpochToCivil(epoch);
    CXmlNode node = parent.add(Ns::Schema, name);
    CXmlNode time = node.sub("Time");
    time.sub("Hour", std::to_string(t.hour));
    time.sub("Minute", std::to_string(t.minute));
    time.sub("Second", std::to_string(t.second));
    CXmlNode date = node.sub("Date");
    date.sub("Year", std::to_string(t.year));
    date.sub("Month", std::to_string(t.month));
    date.sub("Day", std::to_string(t.day));
}

// Local time is standard time plus an hour when daylight saving is switched on; the
// simulator does not evaluate DST rules, which keeps answers predictable for tests.
long long LocalOffset(const CDeviceDescription& d)
{
    long long offset = 0;
    ParsePosixTz(d.timezone, &offset);
    return offset + (d.daylightSavings ? 3600 : 0);
}

CSoapFault InvalidDateTime(const std::string& why)
{
    return CSoapFault::Sender({"InvalidArgVal", "InvalidDateTime"}, why);
}

long long ReadUtcDateTime(pugi::xml_node node)
{
    pugi::xml_node date = Child(node, "Date");
    pugi::xml_node time = Child(node, "Time");
    CCivilTime t;
    bool ok = date && time && ParseDecimal(ChildText(date, "Year"), t.year) &&
              ParseDecimal(ChildText(date, "Month"), t.month) && ParseDecimal(ChildText(date, "Day"), t.day) &&
              ParseDecimal(ChildText(time, "Hour"), t.hour) && ParseDecimal(ChildText(time, "Minute"), t.minute) &&
              ParseDecimal(ChildText(time, "Second"), t.second);
    long long epoch = 0;
    if (!ok || t.second > 59 || !CivilToEpoch(t, epoch))
        throw InvalidDateTime("UTCDateTime is not a valid date and time");
    return epoch;
}

} // namespace

void GetSystemDateAndTime(CCallContext& ctx)
{
    const CDeviceDescription& d = ctx.device();
    long long now = ctx.state().now();
    CXmlNode out = ctx.respond().sub("SystemDateAndTime");
    out.add(Ns::Schema, "DateTimeType", d.ntp ? "NTP" : "Manual");
    out.add(Ns::Schema, "DaylightSavings", d.daylightSavings ? "true" : "false");
    out.add(Ns::Schema, "TimeZone").sub("TZ", d.timezone);
    WriteDateTime(out, "UTCDateTime", now);
    WriteDateTime(out, "LocalDateTime", now + LocalOffset(d));
}

void SetSystemDateAndTime(CCallContext& ctx)
{
    pugi::xml_node in = ctx.input();
    std::string type = ChildText(in, "DateTimeType");
    bool dst = false;
    if (type != "Manual" && type != "NTP")
        throw CSoapFault::Sender({"InvalidArgVal"}, "DateTimeType must be Manual or NTP");
    if (!ParseXsBoolean(ChildText(in, "DaylightSavings"), dst))
        throw CSoapFault::Sender({"InvalidArgVal"}, "DaylightSavings must be a boolean");
    std::string tz;
    if (pugi::xml_node zone = Child(in, "TimeZone")) {
        tz = ChildText(zone, "TZ");
        if (!ParsePosixTz(tz, nullptr))
            throw CSoapFault::Sender({"InvalidArgVal", "InvalidTimeZone"}, "TZ is not a POSIX time zone");
    }
    long long newOffset = ctx.device().clockOffsetSeconds;
    if (type == "Manual") {
        pugi::xml_node utc = Child(in, "UTCDateTime");
        if (!utc)
            throw InvalidDateTime("Manual needs UTCDateTime");
        auto real = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::system_clock::now().time_since_epoch()).count();
        newOffset = ReadUtcDateTime(utc) - real;
    }
    // Everything checked: apply all at once so a refused request changes nothing.
    CDeviceDescription& d = ctx.state().current;
    d.ntp = type == "NTP";
    d.daylightSavings = dst;
    if (!tz.empty())
        d.timezone = tz;
    d.clockOffsetSeconds = newOffset;
    ctx.respond();
}

} // namespace OnvifSim
