// Classification of device notifications into host events, the on/off reading of their
// state, and the alarm trigger that turns a burst of notifications into one alarm.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OnvifFramework/EventCenter/AlarmTriger.h"
#include "OnvifFramework/EventCenter/OnvifEventCharacter.h"

using namespace RPC::Onvif;

namespace {

struct ClassifyCase {
    const char* text;      // topic;source names;data names;source values;data values (as the character joins them)
    const char* expected;  // host event name, "" for none
    const char* reason;
};

// One row per keyword row of the table, plus the rules that decide between rows.
const ClassifyCase kCases[] = {
    {"tns1:ruleengine/cellmotiondetector/motion;videosourceconfigurationtoken;ismotion;vsc_1;true", "VideoMotion",
     "cell motion topic with a namespace prefix"},
    {"ns3:videosource/motionalarm;source;state;vs_1;true", "VideoMotion", "the older motion alarm topic"},
    {"tns1:videosource/signalloss;source;state;vs_1;true", "VideoLoss", "row 2"},
    {"tns1:ruleengine/tamperdetector/tamper;;istamper;;true", "VideoBlind", "row 3, first keyword"},
    {"vendor:maskalarm;;;;", "VideoBlind", "row 3, second keyword"},
    {"tns1:videosource/imagetooblurry/analyticsservice;;;;", "VideoUnFocus", "row 4"},
    {"tns1:videosource/imagetoodark/imagingservice;;;;", "VideoAbnormalDetection", "row 5, a later keyword of the row"},
    {"tns1:videosource/globalscenechange/analyticsservice;;;;", "SceneChange", "row 6"},
    {"tns1:device/trigger/digitalinput;inputtoken;logicalstate;di_1;true", "AlarmLocal", "row 7"},
    {"tns1:device/trigger/relay;relaytoken;logicalstate;ro_1;active", "AlarmOutput", "row 8"},
    {"tns1:ruleengine/linedetector/crossed;;objectid;;7", "CrossLineDetection", "row 9"},
    {"tns1:ruleengine/fielddetector/objectsinside;;isinside;;true", "CrossRegionDetection", "row 10"},
    {"vendor:disk/full;;;;", "StorageLowSpace", "'_' keyword: both parts anywhere, apart"},
    {"vendor:storage;;;;memory capacity low", "StorageLowSpace", "'_' keyword found in a data value"},
    {"vendor:recorder/record track failure;;;;", "StorageFailure", "row 12: every part of record_track"},
    {"tns1:ruleengine/loiteringdetector/objectisloitering;;;;", "WanderDetection", "row 13"},
    {"vendor:objectsabandoned;;;;", "LeftDetection", "row 14, second keyword"},
    {"vendor:objectsmissing;;;;", "TakenAwayDetection", "row 15"},
    {"tns1:audioanalytics/audio/detectedsound;;;;", "AudioMutation", "row 16"},
    {"vendor:thermal/radiometry;;;;", "HeatImagingTemper", "row 17, second keyword"},
    {"vendor:simvision/thermal/firealarm;videosourcetoken;state;vs_1;true", "FireWarning", "row 18"},
    {"tns1:ruleengine/cellmotiondetector/motion;relaytoken;;;", "VideoMotion",
     "the first matching row wins: motion before relay"},
    {"vendor:disk;;;;", "", "half of a '_' keyword is no match"},
    {"tns1:ruleengine/cellmotiondetector;;;;", "", "the cell motion keyword needs its /motion"},
    {"vendor:simvision/heartbeat;;count;;3", "", "nothing in the table"},
    {"", "", "an empty text"},
};

class Classify : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(Classify, FirstMatchingRowGivesTheHostEvent)
{
    EXPECT_EQ(GetParam().expected, classifyEventText(GetParam().text)) << GetParam().reason;
}

INSTANTIATE_TEST_SUITE_P(KeywordTable, Classify, ::testing::ValuesIn(kCases));

TEST(KeywordTable, EveryRowIsReachedByACase)
{
    size_t rows = 0;
    const OnvifEventKeywords* table = onvifEventKeywordTable(rows);
    ASSERT_EQ(18u, rows);
    for (size_t r = 0; r < rows; ++r) {
        bool covered = false;
        for (const ClassifyCase& c : kCases)
            covered = covered || std::string(c.expected) == table[r].eventName;
        EXPECT_TRUE(covered) << table[r].eventName;
    }
}

Json::Value notification(const std::string& topic, const char* sourceName, const char* sourceValue,
                         const char* dataName, const Json::Value& dataValue)
{
    Json::Value n;
    n["Topic"] = topic;
    Json::Value& m = n["Message"]["Message"];
    m["PropertyOperation"] = "Changed";
    m["Source"]["SimpleItem"][0]["Name"] = sourceName;
    m["Source"]["SimpleItem"][0]["Value"] = sourceValue;
    m["Data"]["SimpleItem"][0]["Name"] = dataName;
    m["Data"]["SimpleItem"][0]["Value"] = dataValue;
    return n;
}

// The character joins topic, names and values in a fixed order, and types become text as
// devices write them.
TEST(EventCharacter, BuildsTheClassificationTextFromTopicAndItems)
{
    OnvifEventCharacter c = OnvifEventCharacter::fromNotification(
        notification("tns1:RuleEngine/CellMotionDetector/Motion", "VideoSourceConfigurationToken", "VSC_1", "IsMotion",
                     true));
    EXPECT_EQ("tns1:ruleengine/cellmotiondetector/motion;videosourceconfigurationtoken;ismotion;vsc_1;true",
              c.classificationText());
    EXPECT_EQ("VideoMotion", c.classify());
    EXPECT_EQ("Changed", c.propertyOperation());

    OnvifEventCharacter counted =
        OnvifEventCharacter::fromNotification(notification("Monitoring/Count", "Src", "a", "Count", 42));
    EXPECT_EQ("42", counted.data().front().second);
    OnvifEventCharacter ratio =
        OnvifEventCharacter::fromNotification(notification("Monitoring/Ratio", "Src", "a", "Ratio", 0.5));
    EXPECT_EQ("0.500000", ratio.data().front().second);
}

TEST(EventCharacter, TheFirstDataItemSaysWhetherTheAlarmIsOn)
{
    struct Row {
        const char* value;
        bool pulled;
        bool pushed;
    } rows[] = {
        {"true", true, true},    {"TRUE", true, true},     {"1", true, true},        {"active", true, true},
        {"On", true, true},      {"open", true, true},     {"unnormal", true, true}, {"trigger", false, true},
        {"false", false, false}, {"0", false, false},      {"closed", false, false}, {"inactive", false, false},
        {"Motion on", true, true},  // anything holding "on" reads as on
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.pulled, isAlarmValueActive(r.value, false)) << r.value;
        EXPECT_EQ(r.pushed, isAlarmValueActive(r.value, true)) << r.value;
    }
    EXPECT_FALSE(OnvifEventCharacter().isActive(true)) << "no data item: not on";
}

// ---- The alarm trigger, on a clock the test moves -------------------------------------------

struct Report {
    std::string type;
    int index;
    int action;
    uint64_t at;
};

class TriggerClock : public ::testing::Test {
protected:
    RPC::CAlarmTriger makeTrigger(const std::string& type)
    {
        return RPC::CAlarmTriger(
            [this](const std::string& t, int index, int action) { reports.push_back({t, index, action, now}); }, type,
            [this] { return now; }, [this](uint32_t ms) { slept += ms; });
    }
    // Ticks every 10 ms up to `until`, as the owner's timer would.
    void runUntil(RPC::CAlarmTriger& trigger, uint64_t until)
    {
        while (now < until) {
            now += 10;
            trigger.tick();
        }
    }

    uint64_t now = 1000000;
    uint32_t slept = 0;
    std::vector<Report> reports;
};

TEST_F(TriggerClock, ThreeNotificationsHalfASecondApartBecomeOneAlarm)
{
    RPC::CAlarmTriger trigger = makeTrigger("VideoMotion");
    const uint64_t first = now;
    trigger.triger(0, 2000);
    runUntil(trigger, first + 500);
    trigger.triger(0, 2000);
    runUntil(trigger, first + 1000);
    trigger.triger(0, 2000);
    runUntil(trigger, first + 5000);

    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ("VideoMotion", reports[0].type);
    EXPECT_EQ(0, reports[0].action);
    EXPECT_EQ(first + 100, reports[0].at) << "starts 100 ms after the first notification";
    EXPECT_EQ(1, reports[1].action);
    EXPECT_EQ(first + 1000 + 2000, reports[1].at) << "stops 2000 ms after the last";
    EXPECT_FALSE(trigger.isActive());
}

TEST_F(TriggerClock, ANotificationAfterTheStopRaisesANewAlarm)
{
    RPC::CAlarmTriger trigger = makeTrigger("AlarmLocal");
    trigger.triger(3, 2000);
    runUntil(trigger, now + 2500);
    trigger.triger(3, 2000);
    runUntil(trigger, now + 2500);
    ASSERT_EQ(4u, reports.size());
    EXPECT_EQ((std::vector<int>{0, 1, 0, 1}),
              (std::vector<int>{reports[0].action, reports[1].action, reports[2].action, reports[3].action}));
    EXPECT_EQ(3, reports[2].index);
}

// A burst that ends before the start is due still raises its alarm once, start before stop.
TEST_F(TriggerClock, AnAlarmShorterThanATickStartsAndStopsInOrder)
{
    RPC::CAlarmTriger trigger = makeTrigger("VideoBlind");
    trigger.triger(0, 0);
    now += 500;   // the owner's timer was late
    trigger.tick();
    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ(0, reports[0].action);
    EXPECT_EQ(1, reports[1].action);
}

TEST_F(TriggerClock, AnotherTypeEndsTheRunningAlarmFirst)
{
    RPC::CAlarmTriger trigger = makeTrigger("VideoMotion");
    trigger.triger(0, 2000);
    runUntil(trigger, now + 200);
    ASSERT_EQ(1u, reports.size());
    trigger.triger(0, 2000, "VideoBlind");
    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ("VideoMotion", reports[1].type);
    EXPECT_EQ(1, reports[1].action);
    EXPECT_EQ(RPC::CAlarmTriger::kSwitchPauseMs, slept);
    runUntil(trigger, now + 200);
    ASSERT_EQ(3u, reports.size());
    EXPECT_EQ("VideoBlind", reports[2].type);
    EXPECT_EQ(0, reports[2].action);
}

} // namespace
