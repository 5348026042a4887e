// Tests of daylight-saving rules: finding a rule's day, reading the zone configuration, and
// deciding whether a local or UTC time is in daylight saving.
#include "OnvifFramework/Utility/OnvifDstRule.h"

#include <gtest/gtest.h>

#include <json/reader.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <string>

using namespace RPC::Onvif;

namespace {

// Reference arithmetic from the C library, independent of the code under test.
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

int currentYear()
{
    const time_t now = time(nullptr);
    struct tm t {};
    localtime_r(&now, &t);
    return t.tm_year + 1900;
}

Json::Value parseJson(const char* text)
{
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    const bool ok = reader->parse(text, text + strlen(text), &value, &errors);
    EXPECT_TRUE(ok) << text << ": " << errors;
    return value;
}

// ---- the day of a rule ---------------------------------------------------------------------

struct SWeekCase {
    int year, month, week, wday, hour, minute, second;
    int wantYear, wantMonth, wantDay;
    const char* what;
};

const SWeekCase kWeekCases[] = {
    {2024, 3, 2, 0, 2, 0, 0, 2024, 3, 10, "second Sunday of March (US start)"},
    {2024, 11, 1, 0, 2, 0, 0, 2024, 11, 3, "first Sunday of November (US end)"},
    {2024, 3, 5, 0, 1, 0, 0, 2024, 3, 31, "last Sunday of March (EU start)"},
    {2024, 10, 5, 0, 3, 0, 0, 2024, 10, 27, "last Sunday of October (EU end)"},
    {2023, 3, 5, 0, 1, 0, 0, 2023, 3, 26, "last Sunday of March 2023"},
    {2024, 3, 9, 0, 1, 0, 0, 2024, 3, 31, "any week above 5 also means last"},
    {2024, 3, 4, 0, 0, 0, 0, 2024, 3, 24, "fourth Sunday is not the last in a five-Sunday month"},
    {2023, 2, 4, 0, 0, 0, 0, 2023, 2, 26, "fourth Sunday is the last in a four-Sunday month"},
    {2023, 2, 5, 0, 0, 0, 0, 2023, 2, 26, "... so week 5 gives the same day"},
    {2024, 2, 5, 4, 0, 0, 0, 2024, 2, 29, "last Thursday of February in a leap year"},
    {2024, 2, 5, 3, 0, 0, 0, 2024, 2, 28, "last Wednesday of leap February"},
    {2023, 2, 5, 2, 0, 0, 0, 2023, 2, 28, "last Tuesday of February in a common year"},
    {2000, 2, 5, 2, 0, 0, 0, 2000, 2, 29, "2000 is a leap year"},
    {1900, 2, 5, 3, 0, 0, 0, 1900, 2, 28, "1900 is not"},
    {2024, 3, 5, 1, 0, 0, 0, 2024, 3, 25,
     "next month starts on the weekday sought: 7 days back, not 0"},
    {2024, 9, 1, 0, 0, 0, 0, 2024, 9, 1, "month starts on the weekday sought"},
    {2024, 3, 1, 0, 0, 0, 0, 2024, 3, 3, "weekday sought comes before the month's first"},
    {2024, 12, 5, 0, 0, 0, 0, 2024, 12, 29, "last Sunday of December"},
    {2030, 12, 5, 2, 0, 0, 0, 2030, 12, 31, "last Tuesday of December is its last day"},
};

TEST(OnvifTimeDstWeek, FindsTheRuleDayInAGivenYear)
{
    for (const SWeekCase& c : kWeekCases) {
        SCOPED_TRACE(c.what);
        const time_t got =
            weekToDateInYear(c.year, c.month, c.week, c.wday, c.hour, c.minute, c.second);
        EXPECT_EQ(wallSeconds(c.wantYear, c.wantMonth, c.wantDay, c.hour, c.minute, c.second), got);
    }
}

TEST(OnvifTimeDstWeek, KeepsTheTimeOfDay)
{
    EXPECT_EQ(wallSeconds(2024, 3, 10, 2, 30, 15), weekToDateInYear(2024, 3, 2, 0, 2, 30, 15));
    EXPECT_EQ(wallSeconds(2024, 3, 31, 23, 59, 59), weekToDateInYear(2024, 3, 5, 0, 23, 59, 59));
}

// A rule applies to every year, so its own year is ignored - except for December's last week,
// whose day is counted back from 1 January of the year after the rule's year.
TEST(OnvifTimeDstWeek, UsesTheCurrentYearExceptForDecembersLastWeek)
{
    const int year = currentYear();
    EXPECT_EQ(weekToDateInYear(year, 3, 2, 0, 2, 0, 0),
              transformWeekToDate(1999, 3, 2, 0, 2, 0, 0));
    EXPECT_EQ(weekToDateInYear(year, 11, 5, 0, 2, 0, 0),
              transformWeekToDate(2040, 11, 5, 0, 2, 0, 0));
    EXPECT_EQ(weekToDateInYear(year, 12, 2, 0, 0, 0, 0),
              transformWeekToDate(1999, 12, 2, 0, 0, 0, 0));
    EXPECT_EQ(wallSeconds(2030, 12, 31), transformWeekToDate(2030, 12, 5, 2, 0, 0, 0));
}

// ---- reading the configuration -------------------------------------------------------------

const char* const kUsRules = R"("DSTStart": {"Year": 2024, "Month": 3, "Week": 2, "Wday": 0,
                                              "Hour": 2, "Minute": 0, "Second": 0},
                                 "DSTEnd": {"Year": 2024, "Month": 11, "Week": 1, "Wday": 0,
                                            "Hour": 2, "Minute": 30, "Second": 15})";

TEST(OnvifTimeDstConfig, ReadsZoneAndRules)
{
    SZoneAndDst zone;
    ASSERT_TRUE(readZoneAndDst(parseJson((std::string(R"({"TimeZone": 25, "DSTEnable": true, )") +
                                          kUsRules + "}").c_str()),
                               zone));
    EXPECT_EQ(25, zone.zoneIndex);
    EXPECT_EQ(-18000, zone.offset);
    EXPECT_TRUE(zone.dstEnable);
    EXPECT_EQ(2024, zone.start.year);
    EXPECT_EQ(3, zone.start.month);
    EXPECT_EQ(2, zone.start.week);
    EXPECT_EQ(11, zone.end.month);
    EXPECT_EQ(1, zone.end.week);
    EXPECT_EQ(2, zone.end.hour);
    EXPECT_EQ(30, zone.end.minute);
    EXPECT_EQ(15, zone.end.second);
}

TEST(OnvifTimeDstConfig, DaylightSavingFlagForms)
{
    const struct {
        const char* json;
        bool enabled;
    } kCases[] = {
        {R"({"TimeZone": 8})", false},
        {R"({"TimeZone": 8, "DSTEnable": false, "DSTStart": "ignored when off"})", false},
        {R"({"TimeZone": 8, "DSTEnable": 0})", false},
        {R"({"TimeZone": 8, "DSTEnable": "yes"})", false},
        {R"({"TimeZone": 8.0, "DSTEnable": 1, )", true},
        {R"({"TimeZone": 8, "DSTEnable": true, )", true},
    };
    for (const auto& c : kCases) {
        std::string json = c.json;
        if (json.back() == ' ') {
            json += std::string(kUsRules) + "}";
        }
        SCOPED_TRACE(json);
        SZoneAndDst zone;
        ASSERT_TRUE(readZoneAndDst(parseJson(json.c_str()), zone));
        EXPECT_EQ(19800, zone.offset);
        EXPECT_EQ(c.enabled, zone.dstEnable);
    }
}

TEST(OnvifTimeDstConfig, RejectsBadConfigurations)
{
    const struct {
        const char* json;
        const char* reason;
    } kCases[] = {
        {"null", "no object"},
        {"[1, 2]", "an array"},
        {"25", "a number"},
        {R"({})", "no TimeZone"},
        {R"({"TimeZone": 40})", "index past the table"},
        {R"({"TimeZone": -1})", "negative index"},
        {R"({"TimeZone": "8"})", "index as text"},
        {R"({"TimeZone": 8.5})", "fractional index"},
        {R"({"TimeZone": true})", "index as bool"},
        {R"({"TimeZone": 8, "DSTEnable": true})", "enabled without rules"},
        {R"({"TimeZone": 8, "DSTEnable": true, "DSTStart": [1], "DSTEnd": {}})",
         "rule not an object"},
        {R"({"TimeZone": 8, "DSTEnable": true, "DSTStart": {"Month": 3, "Week": 2}})",
         "no end rule"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.reason);
        SZoneAndDst zone;
        EXPECT_FALSE(readZoneAndDst(parseJson(c.json), zone)) << c.json;
    }
}

TEST(OnvifTimeDstConfig, RejectsRuleFieldsOutOfRange)
{
    const struct {
        const char* field;
        const char* value;
    } kCases[] = {{"Month", "0"},    {"Month", "13"},  {"Month", "\"3\""}, {"Week", "0"},
                  {"Week", "-1"},    {"Wday", "7"},    {"Wday", "-1"},     {"Hour", "25"},
                  {"Minute", "60"},  {"Second", "-1"}, {"Year", "1e20"},
                  {"Week", "null"}};
    for (const auto& c : kCases) {
        // Start from a good rule and spoil one field of the end rule.
        std::string end = R"({"Month": 11, "Week": 1, "Wday": 0, "Hour": 2, ")";
        end += c.field;
        end += std::string("\": ") + c.value + "}";
        const std::string json = R"({"TimeZone": 25, "DSTEnable": true,
            "DSTStart": {"Month": 3, "Week": 2, "Wday": 0, "Hour": 2}, "DSTEnd": )" + end + "}";
        SCOPED_TRACE(json);
        SZoneAndDst zone;
        // A null week reads as absent (0), which is out of range as well.
        EXPECT_FALSE(readZoneAndDst(parseJson(json.c_str()), zone));
    }
}

// ---- in daylight saving or not --------------------------------------------------------------

TEST(OnvifTimeDstWindow, LocalTime)
{
    const SDstWindow window{1000000, 5000000};
    const struct {
        time_t local;
        bool bEndTime;
        bool inDst;
    } kCases[] = {
        {999999, false, false},  {1000000, false, true}, {1000000, true, false},
        {1000001, false, true},  {1000001, true, true},  {5000000, false, true},
        {5000000, true, true},   {5000001, false, false}, {5000001, true, false},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(c.inDst, isLocalInDst(c.local, window, c.bEndTime))
            << c.local << " bEndTime " << c.bEndTime;
    }
}

TEST(OnvifTimeDstWindow, UtcTime)
{
    // Offset +2 h: daylight saving runs from start - 2 h to end - 3 h in UTC.
    const int offset = 7200;
    const SDstWindow window{1000000, 5000000};
    const time_t startUtc = 1000000 - 7200;
    const time_t endUtc = 5000000 - 7200 - 3600;
    const struct {
        time_t utc;
        bool bEndTime;
        bool inDst;
    } kCases[] = {
        {startUtc - 1, false, false}, {startUtc, false, true},  {startUtc, true, false},
        {startUtc + 1, true, true},   {endUtc - 1, false, true}, {endUtc, false, false},
        {endUtc, true, true},         {endUtc + 1, true, false},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(c.inDst, isUtcInDst(c.utc, window, offset, c.bEndTime))
            << c.utc << " bEndTime " << c.bEndTime;
    }
}

// Southern-hemisphere rules start late in the year and end early in it: such a period is
// never taken as daylight saving, not even at its start.
TEST(OnvifTimeDstWindow, StartAfterEndIsNeverDaylightSaving)
{
    const SDstWindow window{5000000, 1000000};
    for (const time_t t : {999999L, 1000000L, 3000000L, 5000000L, 5000001L}) {
        for (const bool bEndTime : {false, true}) {
            EXPECT_FALSE(isLocalInDst(t, window, bEndTime)) << t;
            EXPECT_FALSE(isUtcInDst(t, window, 0, bEndTime)) << t;
        }
    }
}

TEST(OnvifTimeDstWindow, RepeatedHourIsTheHourBeforeTheEnd)
{
    const SDstWindow window{1000000, 5000000};
    const struct {
        time_t local;
        bool repeated;
    } kCases[] = {{5000000 - 3601, false}, {5000000 - 3600, true}, {4999999, true},
                  {5000000, true},         {5000001, false}};
    for (const auto& c : kCases) {
        EXPECT_EQ(c.repeated, isInRepeatedHour(c.local, window)) << c.local;
    }
}

TEST(OnvifTimeDstWindow, WindowOfAConfigurationFollowsItsRules)
{
    SZoneAndDst zone;
    zone.dstEnable = true;
    zone.start = {2024, 3, 5, 0, 1, 0, 0};
    zone.end = {2024, 10, 5, 0, 3, 0, 0};
    const SDstWindow window = getDstWindow(zone);
    const int year = currentYear();
    EXPECT_EQ(weekToDateInYear(year, 3, 5, 0, 1, 0, 0), window.start);
    EXPECT_EQ(weekToDateInYear(year, 10, 5, 0, 3, 0, 0), window.end);
}

} // namespace
