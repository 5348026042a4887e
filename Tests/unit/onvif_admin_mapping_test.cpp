// The fixed mappings of device administration: ONVIF user levels and the host's groups and
// rights, and configuration names with a channel in brackets.
#include <gtest/gtest.h>

#include "Components/ConfigManager/OnvifConfigManager.h"
#include "Components/UserManager/OnvifUserManager.h"
#include "JsonText.h"

using OnvifTest::jsonText;
using RPC::Onvif::COnvifUserManager;

TEST(UserManagerMapping, LevelsBecomeGroupsWithTheirRights)
{
    const char* const viewer = R"(["Monitor","Replay"])";
    const struct {
        const char* level;
        const char* group;
        const char* rights;
    } cases[] = {
        {"Administrator", "admin", R"(["Monitor","Replay","Account","GeneralConf","EncodeConf","NetConf"])"},
        {"Operator", "operator", viewer},
        {"User", "user", viewer},
        // Levels the host has no group for watch and play back, and nothing more.
        {"Extended", "anonymous", viewer},
        {"Anonymous", "anonymous", viewer},
        {"administrator", "anonymous", viewer},
        {"", "anonymous", viewer},
    };
    for (const auto& c : cases) {
        const Json::Value user = COnvifUserManager::hostUser(
            jsonText(std::string(R"({"Username":"u","Password":"p","UserLevel":")") + c.level + "\"}"));
        EXPECT_EQ(c.group, user["Group"].asString()) << c.level;
        EXPECT_EQ(c.level, user["Type"].asString());
        EXPECT_EQ(jsonText(c.rights), user["AuthorityList"]) << c.level;
        EXPECT_EQ("u", user["Name"].asString());
    }
}

TEST(UserManagerMapping, GroupsBecomeLevels)
{
    const struct {
        const char* group;
        const char* level;
    } cases[] = {
        {"admin", "Administrator"}, {"operator", "Operator"}, {"user", "User"},
        {"anonymous", "Anonymous"}, {"Admin", "Anonymous"},   {"", "Anonymous"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.level, COnvifUserManager::levelOfGroup(c.group)) << c.group;
}

TEST(ConfigManagerNames, AChannelInBracketsGoesToTheTable)
{
    const struct {
        const char* text;
        const char* table;
        const char* name;
        const char* after;
    } cases[] = {
        {"Encode[1]", R"({"RemoteChannel":0})", "Encode", R"({"RemoteChannel":1})"},
        {"Encode[12]", "null", "Encode", R"({"RemoteChannel":12})"},
        {"Encode[1]", R"([{"RemoteChannel":0},{}])", "Encode", R"([{"RemoteChannel":1},{}])"},
        // Without a usable channel the whole text is the name and the table stays.
        {"Network", R"({"RemoteChannel":3})", "Network", R"({"RemoteChannel":3})"},
        {"Encode[]", R"({"RemoteChannel":3})", "Encode[]", R"({"RemoteChannel":3})"},
        {"Encode]1[", R"({})", "Encode]1[", R"({})"},
    };
    for (const auto& c : cases) {
        Json::Value table = jsonText(c.table);
        EXPECT_EQ(c.name, RPC::splitNameAndChann(c.text, table)) << c.text;
        EXPECT_EQ(jsonText(c.after), table) << c.text;
    }
}
