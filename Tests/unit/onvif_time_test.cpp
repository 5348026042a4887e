// Tests of the conversions between the host's local time text and the devices' UTC text, of
// the calendar arithmetic under them, and of ISO 8601 durations. Expected values come from the
// C library (timegm, gmtime_r) so that they do not share the code under test.
#include "OnvifFramework/Utility/OnvifUtilities.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <string>

#include "OnvifFramework/Utility/OnvifDstRule.h"
#include "OnvifFramework/Utility/OnvifTimeZone.h"

using namespace RPC::Onvif;

namespace {

time_t wallSeconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return timegm(&t);
}

std::string textOf(time_t seconds, const char* layout)
{
    struct tm t {};
    gmtime_r(&seconds, &t);
    char buf[64];
    strftime(buf, sizeof buf, layout, &t);
    return buf;
}

std::string utcText(time_t seconds) { return textOf(seconds, "%Y-%m-%dT%H:%M:%SZ"); }
std::string localText(time_t seconds) { return textOf(seconds, "%Y-%m-%d %H:%M:%S"); }

int currentYear()
{
    const time_t now = time(nullptr);
    struct tm t {};
    localtime_r(&now, &t);
    return t.tm_year + 1900;
}

int machineOffsetNow()
{
    const time_t now = time(nullptr);
    struct tm t {};
    localtime_r(&now, &t);
    return static_cast<int>(t.tm_gmtoff);
}

// The n-th Sunday (n >= 1) of a month, found by walking the days.
int nthSunday(int year, int month, int n)
{
    int found = 0;
    for (int day = 1; day <= 31; ++day) {
        struct tm t {};
        const time_t s = wallSeconds(year, month, day);
        gmtime_r(&s, &t);
        if (t.tm_wday == 0 && ++found == n) {
            return day;
        }
    }
    return 0;
}

Json::Value zoneConfig(int index)
{
    Json::Value cfg;
    cfg["TimeZone"] = index;
    return cfg;
}

Json::Value rule(int month, int week, int wday, int hour)
{
    Json::Value r;
    r["Year"] = 2000; // ignored: rules apply to the current year
    r["Month"] = month;
    r["Week"] = week;
    r["Wday"] = wday;
    r["Hour"] = hour;
    r["Minute"] = 0;
    r["Second"] = 0;
    return r;
}

// GMT-05:00 with the US rule: second Sunday of March 02:00 to first Sunday of November 02:00.
Json::Value usEastern()
{
    Json::Value cfg = zoneConfig(25);
    cfg["DSTEnable"] = true;
    cfg["DSTStart"] = rule(3, 2, 0, 2);
    cfg["DSTEnd"] = rule(11, 1, 0, 2);
    return cfg;
}

// Sets this process's zone for one test, then puts the old one back.
class CScopedMachineZone {
public:
    explicit CScopedMachineZone(const char* tz)
    {
        const char* old = getenv("TZ");
        m_hadOld = old != nullptr;
        m_old = old ? old : "";
        setenv("TZ", tz, 1);
        tzset();
    }
    ~CScopedMachineZone()
    {
        if (m_hadOld) {
            setenv("TZ", m_old.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    bool m_hadOld = false;
    std::string m_old;
};

// ---- calendar arithmetic -------------------------------------------------------------------

TEST(OnvifTimeCivil, FieldsToSecondsMatchTheCLibrary)
{
    const struct {
        int year, month, day, hour, minute, second;
    } kCases[] = {
        {1970, 1, 1, 0, 0, 0},    {1969, 12, 31, 23, 59, 59}, {2000, 2, 29, 12, 0, 0},
        {2100, 3, 1, 0, 0, 0},    {2038, 1, 19, 3, 14, 8},    {1, 1, 1, 0, 0, 0},
        {9999, 12, 31, 23, 59, 59}, {1600, 2, 29, 0, 0, 0},
        // Out-of-range fields carry over as mktime-style normalisation does.
        {2024, 13, 1, 0, 0, 0},   {2024, 0, 1, 0, 0, 0},      {2024, -11, 1, 0, 0, 0},
        {2024, 3, 0, 0, 0, 0},    {2024, 2, 30, 0, 0, 0},     {2024, 1, 1, 24, 0, 0},
        {2024, 1, 1, -1, 0, 0},   {2024, 1, 1, 0, 0, 86400},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(wallSeconds(c.year, c.month, c.day, c.hour, c.minute, c.second),
                  civilToSeconds(c.year, c.month, c.day, c.hour, c.minute, c.second))
            << c.year << "-" << c.month << "-" << c.day << " " << c.hour;
    }
}

// Every 7 days and a few hours from year 1 to 9999: breakdown and weekday agree with gmtime.
TEST(OnvifTimeCivil, SecondsToFieldsMatchTheCLibraryOverTheWholeRange)
{
    const time_t first = wallSeconds(1, 1, 1);
    const time_t last = wallSeconds(9999, 12, 31, 23, 59, 59);
    int checked = 0;
    for (time_t s = first; s <= last; s += 7 * 86400 + 3 * 3600 + 61) {
        struct tm want {};
        gmtime_r(&s, &want);
        SCivilTime got;
        ASSERT_TRUE(secondsToCivil(s, got)) << s;
        ASSERT_EQ(want.tm_year + 1900, got.year) << s;
        ASSERT_EQ(want.tm_mon + 1, got.month) << s;
        ASSERT_EQ(want.tm_mday, got.day) << s;
        ASSERT_EQ(want.tm_hour, got.hour) << s;
        ASSERT_EQ(want.tm_min, got.minute) << s;
        ASSERT_EQ(want.tm_sec, got.second) << s;
        ASSERT_EQ(want.tm_wday, weekDayOfSeconds(s)) << s;
        ++checked;
    }
    EXPECT_GT(checked, 500000);
    SCivilTime out;
    EXPECT_TRUE(secondsToCivil(last, out));
    EXPECT_FALSE(secondsToCivil(last + 1, out));
    EXPECT_FALSE(secondsToCivil(first - 1, out));
}

// ---- UTC text -----------------------------------------------------------------------------

// The device layout over the whole four-digit year range; outside it nothing is written and
// the buffer is left empty, and a buffer without room for the terminator is refused.
TEST(OnvifTimeConvert, SystemTimeToUTCWritesTheDeviceLayoutOrNothing)
{
    const struct {
        time_t seconds;
        size_t size;
        const char* text; // nullptr: refused
    } kCases[] = {
        {0, 21, "1970-01-01T00:00:00Z"},           {-1, 21, "1969-12-31T23:59:59Z"},
        {951782400, 21, "2000-02-29T00:00:00Z"},   {2147483648LL, 21, "2038-01-19T03:14:08Z"},
        {253402300799LL, 21, "9999-12-31T23:59:59Z"}, {-62135596800LL, 21, "0001-01-01T00:00:00Z"},
        {253402300800LL, 32, nullptr},             {-62135596801LL, 32, nullptr},
        {LLONG_MAX, 32, nullptr},                  {LLONG_MIN, 32, nullptr},
        {0, 20, nullptr},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.seconds);
        char buf[32] = "x";
        EXPECT_EQ(c.text != nullptr ? 0 : -1, systemTimeToUTC(c.seconds, buf, c.size));
        if (c.size > 20) { // a buffer too small is not written to at all
            EXPECT_STREQ(c.text != nullptr ? c.text : "", buf);
        }
    }
    EXPECT_EQ(-1, systemTimeToUTC(0, nullptr, 64));
}

// ---- zones without daylight saving ---------------------------------------------------------

// Every zone of the table shifts by its own offset, in both directions.
TEST(OnvifTimeConvert, EveryZoneShiftsByItsOffset)
{
    const time_t local = wallSeconds(2024, 1, 1, 0, 30, 0); // crosses the day and year edge
    for (const STimeZone& zone : getTimeZoneTable()) {
        SCOPED_TRACE(zone.name);
        const Json::Value cfg = zoneConfig(zone.index);
        std::string text;
        ASSERT_TRUE(transformLocalToUTC(local, text, cfg, false));
        EXPECT_EQ(utcText(local - zone.offset), text);
        ASSERT_TRUE(transformUTCToLocal(local - zone.offset, text, cfg, false));
        EXPECT_EQ(localText(local), text);
        // The buffer forms the host calls go the same way.
        char buf[21];
        ASSERT_EQ(0, ztTimeToUTCTime(localText(local).c_str(), buf, sizeof buf, &cfg, false));
        EXPECT_EQ(utcText(local - zone.offset), buf);
        ASSERT_EQ(0, systemTimeToZTTime(local - zone.offset, buf, 20, &cfg, false));
        EXPECT_EQ(localText(local), buf);
    }
}

// ---- daylight saving ------------------------------------------------------------------------

class OnvifTimeConvertDst : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_year = currentYear();
        m_startDay = nthSunday(m_year, 3, 2);
        m_endDay = nthSunday(m_year, 11, 1);
        ASSERT_NE(0, m_startDay);
        ASSERT_NE(0, m_endDay);
    }
    time_t atStart(int hour, int minute = 0, int second = 0) const
    {
        return wallSeconds(m_year, 3, m_startDay, hour, minute, second);
    }
    time_t atEnd(int hour, int minute = 0, int second = 0) const
    {
        return wallSeconds(m_year, 11, m_endDay, hour, minute, second);
    }
    std::string toUtc(time_t local, bool bEndTime) const
    {
        std::string text;
        EXPECT_TRUE(transformLocalToUTC(local, text, m_cfg, bEndTime));
        return text;
    }
    std::string toLocal(time_t utc, bool bEndTime) const
    {
        std::string text;
        EXPECT_TRUE(transformUTCToLocal(utc, text, m_cfg, bEndTime));
        return text;
    }

    const Json::Value m_cfg = usEastern();
    int m_year = 0;
    int m_startDay = 0;
    int m_endDay = 0;
};

TEST_F(OnvifTimeConvertDst, LocalToUtcAroundTheChanges)
{
    const int hour = 3600;
    const struct {
        time_t local;
        bool bEndTime;
        time_t shift; // utc = local + shift
        const char* what;
    } kCases[] = {
        {wallSeconds(m_year, 1, 15, 12), false, 5 * hour, "winter"},
        {wallSeconds(m_year, 7, 1, 12), false, 4 * hour, "summer"},
        {wallSeconds(m_year, 7, 1, 12), true, 4 * hour, "summer, end of interval"},
        {atStart(1, 59, 59), false, 5 * hour, "last standard second"},
        {atStart(2), false, 4 * hour, "start itself"},
        {atStart(2), true, 5 * hour, "start itself as the end of an interval"},
        {atStart(2, 30), false, 4 * hour, "in the skipped hour"},
        {atEnd(0, 59, 59), true, 4 * hour, "just before the repeated hour"},
        {atEnd(1), false, 4 * hour, "repeated hour, first pass"},
        {atEnd(1), true, 5 * hour, "repeated hour as an interval end: second pass"},
        {atEnd(1, 30), true, 5 * hour, "inside the repeated hour as an interval end"},
        {atEnd(2), false, 4 * hour, "end itself"},
        {atEnd(2), true, 5 * hour, "end itself as an interval end: no hour shift"},
        {atEnd(2, 0, 1), false, 5 * hour, "first second after the end"},
        {wallSeconds(m_year, 12, 31, 23, 59, 59), false, 5 * hour, "year end"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(utcText(c.local + c.shift), toUtc(c.local, c.bEndTime));
    }
}

TEST_F(OnvifTimeConvertDst, UtcToLocalAroundTheChanges)
{
    const int hour = 3600;
    const time_t startUtc = atStart(2) + 5 * hour;
    const time_t endUtc = atEnd(2) + 4 * hour;
    const struct {
        time_t utc;
        bool bEndTime;
        time_t local;
        const char* what;
    } kCases[] = {
        {startUtc - 1, false, atStart(1, 59, 59), "last standard second"},
        {startUtc, false, atStart(3), "first daylight second"},
        {startUtc, true, atStart(2), "first daylight second as an interval end"},
        {startUtc + 1, true, atStart(3, 0, 1), "after the start"},
        {endUtc - 1, false, atEnd(1, 59, 59), "last daylight second"},
        {endUtc, false, atEnd(1), "first standard second"},
        {endUtc, true, atEnd(2), "first standard second as an interval end"},
        {endUtc + 1800, false, atEnd(1, 30), "second pass of the repeated hour"},
        {wallSeconds(m_year, 7, 1, 16), false, wallSeconds(m_year, 7, 1, 12), "summer"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(localText(c.local), toLocal(c.utc, c.bEndTime));
    }
}

// Every quarter hour of the year goes to local text and back. The only UTC times that do not
// come back are those of the repeated hour's second pass: read back as plain local times they
// land in the first pass, an hour earlier. So does the standard-time wall clock equal to the
// end itself, which local reading counts as the last daylight second.
TEST_F(OnvifTimeConvertDst, RoundTripOverTheYear)
{
    const time_t endUtc = atEnd(2) + 4 * 3600;
    const time_t first = wallSeconds(m_year, 1, 1) + 5 * 3600;
    const time_t last = wallSeconds(m_year, 12, 31, 23) + 5 * 3600;
    for (time_t utc = first; utc <= last; utc += 900) {
        const std::string local = toLocal(utc, false);
        char back[21];
        ASSERT_EQ(0, ztTimeToUTCTime(local.c_str(), back, sizeof back, &m_cfg, false)) << local;
        const bool secondPass = utc >= endUtc && utc <= endUtc + 3600;
        ASSERT_EQ(utcText(secondPass ? utc - 3600 : utc), back) << local;
    }
}

// Rules switched off, and rules that wrap the year end (start in October, end in April),
// are never in effect: every month converts at the zone's standard offset.
TEST_F(OnvifTimeConvertDst, RulesOutOfEffectNeverShift)
{
    Json::Value disabled = m_cfg;
    disabled["DSTEnable"] = false;
    Json::Value southern = zoneConfig(16); // GMT+10:00
    southern["DSTEnable"] = true;
    southern["DSTStart"] = rule(10, 1, 0, 2);
    southern["DSTEnd"] = rule(4, 1, 0, 3);
    const struct {
        const char* what;
        const Json::Value& cfg;
        int offsetHours;
    } kCases[] = {{"disabled", disabled, -5}, {"southern hemisphere", southern, 10}};
    for (const auto& c : kCases) {
        for (const int month : {1, 7, 12}) {
            SCOPED_TRACE(std::string(c.what) + ", month " + std::to_string(month));
            const time_t local = wallSeconds(m_year, month, 15, 12);
            const time_t utc = local - c.offsetHours * 3600;
            std::string text;
            ASSERT_TRUE(transformLocalToUTC(local, text, c.cfg, false));
            EXPECT_EQ(utcText(utc), text);
            ASSERT_TRUE(transformUTCToLocal(utc, text, c.cfg, false));
            EXPECT_EQ(localText(local), text);
        }
    }
}

// ---- bad input -----------------------------------------------------------------------------

TEST(OnvifTimeConvert, InvalidZoneMakesEveryConversionFail)
{
    const Json::Value cfg = zoneConfig(40);
    std::string text = "untouched";
    EXPECT_FALSE(transformLocalToUTC(0, text, cfg, false));
    EXPECT_FALSE(transformUTCToLocal(0, text, cfg, false));
    EXPECT_EQ("untouched", text);
    char buf[32] = "x";
    EXPECT_EQ(-1, systemTimeToZTTime(0, buf, sizeof buf, &cfg, false));
    EXPECT_STREQ("", buf);
    EXPECT_EQ(-1, ztTimeToUTCTime("2024-01-01 00:00:00", buf, sizeof buf, &cfg, true));
    EXPECT_STREQ("", buf);
}

TEST(OnvifTimeConvert, TimesBeyondTheTextRangeFail)
{
    const Json::Value cfg = zoneConfig(35); // GMT+14:00
    std::string text;
    const struct {
        time_t seconds;
        const char* reason;
    } kCases[] = {{LLONG_MAX, "largest"}, {LLONG_MIN, "smallest"},
                  {253402300799LL, "last second of 9999 plus 14 h"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.reason);
        EXPECT_FALSE(transformUTCToLocal(c.seconds, text, cfg, false));
        char buf[32];
        EXPECT_EQ(-1, systemTimeToZTTime(c.seconds, buf, sizeof buf, &cfg, false));
    }
    char buf[32];
    EXPECT_EQ(-1, systemTimeToZTTime(LLONG_MAX, buf, sizeof buf, nullptr, false));
    EXPECT_EQ(-1, systemTimeToZTTime(LLONG_MIN, buf, sizeof buf, nullptr, false));
    EXPECT_FALSE(transformLocalToUTC(LLONG_MIN, text, cfg, false));
    EXPECT_FALSE(transformLocalToUTC(-62135596800LL, text, cfg, false)); // year 0 in UTC
}

// Local text is read by position: a date and time, fields checked against the calendar,
// separators and whatever follows the seconds not looked at. A refused text leaves the
// buffer empty; a buffer without room for the terminator is refused.
TEST(OnvifTimeConvert, LocalTextIsADateAndTimeReadByPosition)
{
    const Json::Value cfg = zoneConfig(0);
    const struct {
        const char* text;
        const char* utc; // nullptr: refused
        const char* reason;
        size_t size;
    } kCases[] = {
        {"2024-02-29 23:59:59", "2024-02-29T23:59:59Z", "leap day", 21},
        {"2024/03/01T01:02:03", "2024-03-01T01:02:03Z", "separators are not looked at", 21},
        {"2024-03-01 01:02:03.250", "2024-03-01T01:02:03Z", "nor what follows", 21},
        {"2024-01-01 00:00:00", nullptr, "no room for the terminator", 20},
        {nullptr, nullptr, "no text", 32},
        {"", nullptr, "empty", 32},
        {"2024-01-01", nullptr, "date only", 32},
        {"2024-01-01 00:00:0", nullptr, "one character short", 32},
        {"2024-1-01 00:00:00", nullptr, "field not at its position", 32},
        {"20x4-01-01 00:00:00", nullptr, "letter in the year", 32},
        {"2024-01-01 0 :00:00", nullptr, "blank in the hour", 32},
        {"2024--1-01 00:00:00", nullptr, "sign in the month", 32},
        {"2024-13-01 00:00:00", nullptr, "month 13", 32},
        {"2024-00-10 00:00:00", nullptr, "month 0", 32},
        {"2024-02-30 00:00:00", nullptr, "30 February", 32},
        {"2023-02-29 12:00:00", nullptr, "29 February of a common year", 32},
        {"2024-01-01 24:00:00", nullptr, "hour 24", 32},
        {"2024-01-01 00:60:00", nullptr, "minute 60", 32},
        {"2024-01-01 00:00:60", nullptr, "second 60", 32},
        {"0000-01-01 00:00:00", nullptr, "year 0", 32},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.reason);
        char buf[32] = "x";
        EXPECT_EQ(c.utc != nullptr ? 0 : -1, ztTimeToUTCTime(c.text, buf, c.size, &cfg, false));
        if (c.size > 20) { // a buffer too small is not written to; the machine-zone path refuses the same texts
            EXPECT_STREQ(c.utc != nullptr ? c.utc : "", buf);
            EXPECT_EQ(c.utc != nullptr ? 0 : -1, ztTimeToUTCTime(c.text, buf, c.size, nullptr, false));
        }
    }
    char buf[21];
    EXPECT_EQ(-1, ztTimeToUTCTime("2024-01-01 00:00:00", nullptr, 21, &cfg, false));
    EXPECT_EQ(-1, systemTimeToZTTime(0, buf, 19, &cfg, false));
    EXPECT_EQ(0, systemTimeToZTTime(0, buf, 20, &cfg, false));
    EXPECT_EQ(-1, systemTimeToZTTime(0, nullptr, 20, nullptr, false));
}

// ---- this machine's zone -------------------------------------------------------------------

// Without a zone configuration the host means this machine's clock, whatever zone it runs in.
TEST(OnvifTimeMachineZone, FollowsTheMachineOffset)
{
    const int offset = machineOffsetNow();
    EXPECT_EQ(offset, getDiffTimeToUTC());
    const time_t utc = wallSeconds(2024, 6, 30, 22, 15, 0);
    char buf[21];
    ASSERT_EQ(0, systemTimeToZTTime(utc, buf, sizeof buf, nullptr, false));
    EXPECT_EQ(localText(utc + offset), buf);
    char back[21];
    ASSERT_EQ(0, ztTimeToUTCTime(buf, back, sizeof back, nullptr, false));
    EXPECT_EQ(utcText(utc), back);
}

TEST(OnvifTimeMachineZone, KnownMachineZones)
{
    const struct {
        const char* tz;
        int offset;
        const char* localOfEpoch;
    } kCases[] = {
        {"UTC0", 0, "1970-01-01 00:00:00"},
        {"IST-5:30", 19800, "1970-01-01 05:30:00"},
        {"NPT-5:45", 20700, "1970-01-01 05:45:00"},
        {"EST5", -18000, "1969-12-31 19:00:00"},
        {"<-0330>3:30", -12600, "1969-12-31 20:30:00"},
        {"<+14>-14", 50400, "1970-01-01 14:00:00"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.tz);
        CScopedMachineZone zone(c.tz);
        EXPECT_EQ(c.offset, getDiffTimeToUTC());
        char buf[21];
        ASSERT_EQ(0, systemTimeToZTTime(0, buf, sizeof buf, nullptr, false));
        EXPECT_STREQ(c.localOfEpoch, buf);
        ASSERT_EQ(0, ztTimeToUTCTime(c.localOfEpoch, buf, sizeof buf, nullptr, false));
        EXPECT_STREQ("1970-01-01T00:00:00Z", buf);
    }
}

// A configured zone never looks at the machine's.
TEST(OnvifTimeMachineZone, ConfiguredZoneIgnoresTheMachine)
{
    const Json::Value cfg = usEastern();
    const time_t local = wallSeconds(currentYear(), 7, 1, 12);
    std::string reference;
    ASSERT_TRUE(transformLocalToUTC(local, reference, cfg, false));
    for (const char* tz : {"IST-5:30", "EST5EDT,M3.2.0,M11.1.0", "<+14>-14"}) {
        CScopedMachineZone zone(tz);
        std::string text;
        ASSERT_TRUE(transformLocalToUTC(local, text, cfg, false));
        EXPECT_EQ(reference, text) << tz;
    }
}

// ---- durations ----------------------------------------------------------------------------

// Plain time durations by default; a tour's stay times may count days, and a bare "PT" is no
// stay time there. -1 is a refusal.
TEST(OnvifTimeDuration, ReadsSecondsUnderTheCallersRules)
{
    const unsigned kTime = DURATION_TIME_ONLY;
    const unsigned kStay = DURATION_DAYS | DURATION_NEEDS_FIGURE;
    const struct {
        const char* text;
        unsigned rules;
        int seconds;
    } kCases[] = {
        {"PT5S", kTime, 5},        {"PT2M30S", kTime, 150},    {"PT1H15S", kTime, 3615},
        {"PT1M5S", kTime, 65},     {"PT1H2M3S", kTime, 3723},  {"PT10M", kTime, 600},
        {"PT1H", kTime, 3600},     {"PT0S", kTime, 0},         {"PT", kTime, 0},
        {"PT0.5S", kTime, 0},      {"PT1.75S", kTime, 1},      {"PT007S", kTime, 7},
        {"PT596523H14M7S", kTime, INT_MAX},
        // refused as plain time durations
        {nullptr, kTime, -1},      {"", kTime, -1},            {"5S", kTime, -1},
        {"XPT5S", kTime, -1},      {"P1D", kTime, -1},         {"P1DT2H", kTime, -1},
        {"pt5s", kTime, -1},       {" PT5S", kTime, -1},       {"PT-5S", kTime, -1},
        {"PTS", kTime, -1},        {"PT5", kTime, -1},         {"PT5X", kTime, -1},
        {"PT5S3M", kTime, -1},     {"PT5S5S", kTime, -1},      {"PT1.5M", kTime, -1},
        {"PT5S ", kTime, -1},      {"PT99999999999S", kTime, -1}, {"PT596523H14M8S", kTime, -1},
        // stay times
        {"PT10S", kStay, 10},          {"PT1M5S", kStay, 65},      {"PT2H", kStay, 7200},
        {"P1DT1S", kStay, 86401},      {"P1D", kStay, 86400},      {"P1DT2H", kStay, 93600},
        {"P24855DT", kStay, 2147472000}, {"P24856DT", kStay, -1},
        {"PT1.5S", kStay, 1},          {"PT", kStay, -1},          {"P", kStay, -1},
        {"10", kStay, -1},             {"P1Y", kStay, -1},         {"PT5", kStay, -1},
        {"", kStay, -1},               {"PTS", kStay, -1},         {"P1H", kStay, -1},
        {"PT1D", kStay, -1},           {"P1DT1D", kStay, -1},      {"P24856D", kStay, -1},
        {"PT", DURATION_DAYS, 0},      {"PT", DURATION_NEEDS_FIGURE, -1},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(c.seconds, durationToSeconds(c.text, c.rules))
            << (c.text != nullptr ? c.text : "(null)") << " rules " << c.rules;
    }
    EXPECT_EQ(5, durationToSeconds("PT5S")) << "time only unless asked";
    EXPECT_EQ(-1, durationToSeconds("P1D"));
}

TEST(OnvifTimeDuration, WritesSecondsAndReadsThemBack)
{
    EXPECT_EQ("PT65S", secondsToDuration(65));
    EXPECT_EQ("PT0S", secondsToDuration(0));
    EXPECT_EQ("PT2147483647S", secondsToDuration(INT_MAX));
    for (int seconds = 0; seconds < 1000000; seconds += 997) {
        ASSERT_EQ(seconds, durationToSeconds(secondsToDuration(seconds).c_str()));
    }
}

} // namespace
