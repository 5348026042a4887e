// Tests of the host's zone table and of reading devices' POSIX TZ strings.
#include "OnvifFramework/Utility/OnvifTimeZone.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

using namespace RPC::Onvif;

namespace {

TEST(OnvifTimeZoneTable, RowsAreIndexedInOrderAndNamesMatchOffsets)
{
    const auto& table = getTimeZoneTable();
    std::set<int> offsets;
    std::set<std::string> names;
    for (size_t i = 0; i < table.size(); ++i) {
        const STimeZone& zone = table[i];
        SCOPED_TRACE(zone.name);
        EXPECT_EQ(static_cast<int>(i), zone.index);
        char sign = 0;
        int hours = -1;
        int minutes = -1;
        ASSERT_EQ(3, sscanf(zone.name, "GMT%c%2d:%2d", &sign, &hours, &minutes));
        EXPECT_EQ(9u, strlen(zone.name));
        EXPECT_TRUE(sign == '+' || sign == '-');
        const int magnitude = hours * 3600 + minutes * 60;
        EXPECT_EQ(sign == '-' ? -magnitude : magnitude, zone.offset);
        offsets.insert(zone.offset);
        names.insert(zone.name);
    }
    // Lookups by offset rely on every offset being there once.
    EXPECT_EQ(table.size(), offsets.size());
    EXPECT_EQ(table.size(), names.size());
}

// The host stores indices, so the rows added after the regular run must stay where they are.
TEST(OnvifTimeZoneTable, IrregularRowsKeepTheirIndices)
{
    const struct {
        int index;
        const char* name;
    } kRows[] = {{0, "GMT+00:00"},  {8, "GMT+05:30"},  {9, "GMT+05:45"},  {19, "GMT+13:00"},
                 {20, "GMT-01:00"}, {32, "GMT-12:00"}, {33, "GMT-04:30"}, {34, "GMT+10:30"},
                 {35, "GMT+14:00"}, {36, "GMT-09:30"}, {37, "GMT+08:30"}, {38, "GMT+08:45"},
                 {39, "GMT+12:45"}};
    for (const auto& row : kRows) {
        EXPECT_STREQ(row.name, getTimeZoneTable()[static_cast<size_t>(row.index)].name);
    }
}

TEST(OnvifTimeZoneTable, ValidIndicesAreZeroToThirtyNine)
{
    const struct {
        int index;
        bool valid;
    } kCases[] = {{INT_MIN, false}, {-1, false},  {0, true},
                  {39, true},       {40, false},  {INT_MAX, false}};
    for (const auto& c : kCases) {
        EXPECT_EQ(c.valid, isVaildTimeZone(c.index)) << c.index;
        int offset = 12345;
        EXPECT_EQ(c.valid, getTimeZoneOffset(c.index, offset)) << c.index;
        if (!c.valid) {
            EXPECT_EQ(12345, offset) << "untouched on failure";
        }
    }
    int offset = 0;
    ASSERT_TRUE(getTimeZoneOffset(23, offset));
    EXPECT_EQ(-12600, offset);
}

TEST(OnvifTimeZoneTable, FindByOffset)
{
    const struct {
        int offset;
        int index;
    } kCases[] = {{0, 0}, {19800, 8}, {45900, 39}, {-43200, 32}, {-16200, 33},
                  {1800, -1}, {-1, -1}, {INT_MAX, -1}};
    for (const auto& c : kCases) {
        EXPECT_EQ(c.index, findTimeZoneByOffset(c.offset)) << c.offset;
    }
}

// ---- parseTimeZone ------------------------------------------------------------------------

struct SRuleFields {
    int month, week, wday, hour, minute, second;
};

void expectRule(const Json::Value& rule, const SRuleFields& want)
{
    ASSERT_TRUE(rule.isObject());
    EXPECT_EQ(want.month, rule["Month"].asInt());
    EXPECT_EQ(want.week, rule["Week"].asInt());
    EXPECT_EQ(want.wday, rule["WDay"].asInt());
    EXPECT_EQ(want.hour, rule["Hour"].asInt());
    EXPECT_EQ(want.minute, rule["Minute"].asInt());
    EXPECT_EQ(want.second, rule["Second"].asInt());
    EXPECT_EQ(6u, rule.size());
}

struct SParseCase {
    const char* tz;
    int offset;
    bool hasRules;
    SRuleFields start;
    SRuleFields end;
};

const SParseCase kParseCases[] = {
    // POSIX sign: west positive.
    {"CST-8", 28800, false, {}, {}},
    {"EST5", -18000, false, {}, {}},
    {"UTC0", 0, false, {}, {}},
    {"IST-5:30", 19800, false, {}, {}},
    {"NPT-5:45", 20700, false, {}, {}},
    {"CST-8:30", 30600, false, {}, {}},
    {"NST3:30", -12600, false, {}, {}},
    {"EST5EDT", -18000, false, {}, {}},
    {"MSK-3", 10800, false, {}, {}}, // an 'M' without a ',' is no rule
    // The bounds: 24 hours either way, 59 minutes, a name of 31 letters.
    {"CST-24", 86400, false, {}, {}},
    {"CST24", -86400, false, {}, {}},
    {"CST-8:59", 28800 + 59 * 60, false, {}, {}},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcde-8", 28800, false, {}, {}},
    // "GMT" names take the sign as written, the way devices mean it.
    {"GMT+08:00", 28800, false, {}, {}},
    {"GMT-03:30", -12600, false, {}, {}},
    {"GMT-8", -28800, false, {}, {}},
    {"GMT-00:30", 1800, false, {}, {}}, // a zero hour carries no sign
    {"GMT+00:00", 0, false, {}, {}},
    // Quoted names.
    {"<+0530>-5:30", 19800, false, {}, {}},
    {"<-03>3", -10800, false, {}, {}},
    // Rules, short form (hour only) and long form (hh:mm:ss).
    {"EST5EDT,M3.2.0/2,M11.1.0/2", -18000, true, {3, 2, 0, 2, 0, 0}, {11, 1, 0, 2, 0, 0}},
    {"CST-8:00,M3.2.0/2,M11.1.0/2", 28800, true, {3, 2, 0, 2, 0, 0}, {11, 1, 0, 2, 0, 0}},
    {"CET-1CEST,M3.5.0/2:00:00,M10.5.0/3:00:00", 3600, true, {3, 5, 0, 2, 0, 0},
     {10, 5, 0, 3, 0, 0}},
    {"PST8PDT,M3.2.0/2:30:15,M11.1.0/1:45:30", -28800, true, {3, 2, 0, 2, 30, 15},
     {11, 1, 0, 1, 45, 30}},
    {"AEST-10AEDT,M10.1.0/2,M4.1.0/3", 36000, true, {10, 1, 0, 2, 0, 0}, {4, 1, 0, 3, 0, 0}},
    {"<+10>-10<+11>,M10.1.0/2,M4.1.0/3", 36000, true, {10, 1, 0, 2, 0, 0}, {4, 1, 0, 3, 0, 0}},
    // A ':' anywhere in the rule text selects the long form; the end then lacks minutes.
    {"EST5EDT,M3.2.0/2:30:00,M11.1.0/2", -18000, true, {3, 2, 0, 2, 30, 0}, {11, 1, 0, 2, 0, 0}},
    // Rules without "/time" stop reading at the first one: the rest stays 0.
    {"CST6CDT,M3.2.0,M11.1.0", -21600, true, {3, 2, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
    {"AEST-10AEDT,M10.1.0,M4.1.0/3", 36000, true, {10, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
    // Julian-day rules are not understood: both rules come back empty.
    {"MSK-3MSD,J60/2,J300/3", 10800, true, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
};

TEST(OnvifTimeZoneParse, ReadsOffsetAndRules)
{
    for (const SParseCase& c : kParseCases) {
        SCOPED_TRACE(c.tz);
        int offset = 99999;
        Json::Value rules("stale");
        ASSERT_TRUE(parseTimeZone(c.tz, offset, rules));
        EXPECT_EQ(c.offset, offset);
        ASSERT_TRUE(rules.isObject());
        if (!c.hasRules) {
            EXPECT_TRUE(rules.empty());
            continue;
        }
        EXPECT_EQ(2u, rules.size());
        expectRule(rules["DSTStart"], c.start);
        expectRule(rules["DSTEnd"], c.end);
    }
}

TEST(OnvifTimeZoneParse, RejectsMalformedText)
{
    const struct {
        const char* tz;
        const char* reason;
    } kCases[] = {
        {nullptr, "no text"},
        {"", "empty"},
        {"UTC", "a name without offset"},
        {"GMT", "a name without offset"},
        {"+8", "an offset without name"},
        {"8", "digits only"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef-8", "a name of 32 letters"},
        {"CST,M3.2.0/2,M11.1.0/2", "offset text holds no number"},
        {"CST:30", "offset text starts with the separator"},
        {"CST-25", "more than 24 hours"},
        {"CST25:00", "more than 24 hours, west"},
        {"CST-99999999999", "number beyond int"},
        {"CST-8:60", "60 minutes"},
        {"CST-8:-30", "negative minutes"},
        {"<+0530-5:30", "unclosed quoted name"},
        {"<+0530+0530+0530+0530+0530+0530+0530>-5", "quoted name longer than 31"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.reason);
        int offset = 0;
        Json::Value rules("stale");
        EXPECT_FALSE(parseTimeZone(c.tz, offset, rules)) << (c.tz ? c.tz : "(null)");
        EXPECT_TRUE(rules.isObject() && rules.empty());
    }
}

// Rule text beyond 63 characters is cut there; what falls off is not read.
TEST(OnvifTimeZoneParse, LongRuleTextIsCutAt63Characters)
{
    std::string ruleText = "M3.2.0/2:00:00,M11.1.0/2:00:";
    ruleText.append(62 - ruleText.size(), '0');
    ruleText += "45"; // 64 characters: the '5' is the one cut off
    ASSERT_EQ(64u, ruleText.size());

    int offset = 0;
    Json::Value rules;
    ASSERT_TRUE(parseTimeZone(("EST5EDT," + ruleText).c_str(), offset, rules));
    expectRule(rules["DSTEnd"], {11, 1, 0, 2, 0, 4});

    ruleText.erase(28, 1); // 63 characters: read whole
    ASSERT_TRUE(parseTimeZone(("EST5EDT," + ruleText).c_str(), offset, rules));
    expectRule(rules["DSTEnd"], {11, 1, 0, 2, 0, 45});
}

} // namespace
