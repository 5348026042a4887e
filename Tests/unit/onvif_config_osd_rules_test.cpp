// Pure rules of the configuration manager and the OSD manager: how a configuration name
// carries its channel, and what a channel's OSD options let the host show.
#include <gtest/gtest.h>

#include "Components/ConfigManager/OnvifConfigManager.h"
#include "Components/OSD/OnvifOSDManager.h"

namespace {

Json::Value parse(const char* text)
{
    Json::Value v;
    EXPECT_TRUE(Json::Reader().parse(text, v)) << text;
    return v;
}

TEST(ConfigNames, ChannelInBracketsOverridesTheTable)
{
    struct Case {
        const char* text;
        const char* table;
        const char* name;       // what the manager looks up
        int channel;            // "RemoteChannel" afterwards (of element 0 for an array); -1: absent
    } cases[] = {
        {"Encode[1]", R"({"RemoteChannel":3})", "Encode", 1},
        {"Encode[12]", "{}", "Encode", 12},
        {"Encode", R"({"RemoteChannel":3})", "Encode", 3},          // no channel: the table's own
        {"Encode[]", R"({"RemoteChannel":3})", "Encode[]", 3},      // nothing between the brackets
        {"Encode]0[", "{}", "Encode]0[", -1},                        // brackets the wrong way round
        {"ExAlarm[2]", R"([{"Name":"R1"},{"Name":"R2"}])", "ExAlarm", 2},
    };
    for (const Case& c : cases) {
        Json::Value table = parse(c.table);
        EXPECT_EQ(c.name, RPC::splitNameAndChann(c.text, table)) << c.text;
        const Json::Value& record = table.isArray() ? table[0] : table;
        if (c.channel < 0)
            EXPECT_FALSE(record.isMember("RemoteChannel")) << c.text;
        else
            EXPECT_EQ(c.channel, record["RemoteChannel"].asInt()) << c.text;
    }
    Json::Value table;
    EXPECT_EQ("", RPC::splitNameAndChann(nullptr, table));
}

TEST(OSDCaps, TitlesFollowTheDevicesTextOptions)
{
    struct Case {
        const char* options;
        bool time, channelTitle, customTitle;
        Json::ArrayIndex formats;
    } cases[] = {
        {R"({"OSDOptions":{"MaximumNumberOfOSDs":{"Total":4,"PlainText":3,"DateAndTime":1},
            "TextOption":{"Type":["Plain","DateAndTime"],"DateFormat":["yyyy-MM-dd","dd/MM/yyyy"]}}})",
         true, true, true, 2},
        // Only one plain text: a channel title but no custom title beside it.
        {R"({"OSDOptions":{"MaximumNumberOfOSDs":{"Total":2,"PlainText":1,"DateAndTime":1},
            "TextOption":{"Type":["Plain","DateAndTime"]}}})",
         true, true, false, 0},
        // No per-kind maximum: the total counts for plain text.
        {R"({"OSDOptions":{"MaximumNumberOfOSDs":{"Total":3},"TextOption":{"Type":["Plain"]}}})", false, true,
         true, 0},
        // A camera that can only stamp the time.
        {R"({"OSDOptions":{"MaximumNumberOfOSDs":{"Total":1,"DateAndTime":1},"TextOption":{"Type":["DateAndTime"]}}})",
         true, false, false, 0},
        {R"({})", false, false, false, 0},
    };
    for (const Case& c : cases) {
        const Json::Value caps = RPC::Onvif::COnvifOSDManager::capsFromOptions(5, parse(c.options));
        ASSERT_EQ(1u, caps.size()) << c.options;
        EXPECT_EQ(5, caps[0]["Channel"].asInt());
        EXPECT_EQ(c.time, caps[0]["SupportTimeTitle"].asBool()) << c.options;
        EXPECT_EQ(c.channelTitle, caps[0]["SupportChannelTitle"].asBool()) << c.options;
        EXPECT_EQ(c.customTitle, caps[0]["SupportCustomTitle"].asBool()) << c.options;
        EXPECT_EQ(c.formats, caps[0]["SupportTimeTitleFormat"].size()) << c.options;
    }
}

} // namespace
