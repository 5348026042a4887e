// The configuration manager as a recorder's settings pages use it, against the simulated
// 2-channel camera (analytics, Media2 masks, OSDs, relays) and the 1-channel camera that
// has no analytics service: every name reads, every writable name takes a changed table
// and gives it back, and the motion grid and video widgets keep what was not touched.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "IClient.h"
#include "IConfigManager.h"
#include "JsonText.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace Zentar::Component;

namespace {

const int kHostUser = 9;

// Every member of expected is in actual with the same value (arrays element by element);
// numbers may differ by less than `slack`.
::testing::AssertionResult holds(const Json::Value& expected, const Json::Value& actual, double slack = 0)
{
    if (expected.isObject()) {
        for (const std::string& name : expected.getMemberNames()) {
            if (!actual.isObject() || !actual.isMember(name))
                return ::testing::AssertionFailure() << name << " missing in " << actual.toStyledString();
            if (auto inner = holds(expected[name], actual[name], slack); !inner)
                return inner << " (in " << name << ")";
        }
        return ::testing::AssertionSuccess();
    }
    if (expected.isArray() && actual.isArray() && expected.size() == actual.size()) {
        for (Json::ArrayIndex i = 0; i < expected.size(); ++i)
            if (auto inner = holds(expected[i], actual[i], slack); !inner)
                return inner << " (at " << i << ")";
        return ::testing::AssertionSuccess();
    }
    if (expected == actual ||
        (expected.isNumeric() && actual.isNumeric() && std::fabs(expected.asDouble() - actual.asDouble()) <= slack))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << expected.toStyledString() << " got "
                                         << actual.toStyledString();
}

class ConfigAgainstSim : public ::testing::Test {
protected:
    void SetUp() override { RPC::Onvif::COnvifBaseComm::instance()->resetOptions(); }
    void TearDown() override
    {
        if (m_client)
            m_client->destroy();
    }

    IConfigManager* open(const char* file)
    {
        std::string error;
        OnvifSim::CDeviceDescription description;
        EXPECT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/" + file, description, error)) << error;
        m_device = m_server.addDevice(description, &error);
        EXPECT_TRUE(m_device) << error;
        if (!m_device)
            return nullptr;
        initOnvifComponentLibrary();
        ServerInfo info;
        info.address = "127.0.0.1";
        info.port = m_device->port();
        info.userName = "admin";
        info.password = "admin123";
        m_client = dynamic_cast<IClient*>(getComponentInstance(IClient::kInterfaceName, "Onvif", &info));
        if (!m_client)
            return nullptr;
        CClientContextScope scope(m_client, kHostUser);
        EXPECT_TRUE(m_client->login());
        return dynamic_cast<IConfigManager*>(getComponentInstance(IConfigManager::kInterfaceName, "Onvif", nullptr));
    }

    Json::Value get(IConfigManager* config, const char* name)
    {
        Json::Value table(Json::objectValue);
        EXPECT_TRUE(config->getConfig(name, table)) << name;
        return table;
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    IClient* m_client = nullptr;
};

const char* const kNames[] = {"Base",           "Capability[0]",   "Encode[0]",       "Image[0]", "VideoColor[0]",
                              "VideoWidget[0]", "ChannelTitle[0]", "MotionDetect[0]", "Network",  "IPv6",
                              "ExAlarm",        "Alarm",           "Web",             "Https",    "RTSP"};

TEST_F(ConfigAgainstSim, EveryNameReadsOnTheCamera)
{
    IConfigManager* config = open("camera-2ch-media2-h265.json");
    ASSERT_NE(config, nullptr);
    for (const char* name : kNames) {
        Json::Value table(Json::objectValue);
        EXPECT_TRUE(config->getConfig(name, table)) << name;
        EXPECT_FALSE(table.empty()) << name;
    }
    Json::Value table(Json::objectValue);
    EXPECT_FALSE(config->getConfig("Volume[0]", table)) << "not a configuration name";
    EXPECT_FALSE(config->setConfig("Base", get(config, "Base"), 0)) << "read only";
    EXPECT_FALSE(config->getConfig(nullptr, table));
}

// One change per writable name: what the set wrote is what the next get reads.
TEST_F(ConfigAgainstSim, EveryWritableNameGivesBackAChangedTable)
{
    IConfigManager* config = open("camera-2ch-media2-h265.json");
    ASSERT_NE(config, nullptr);
    // The camera's colour ranges are 0..255: a host value comes back within one step of the
    // 0..100 scale (an exact round trip needs a device range of 0..100).
    const double kColourStep = 1.0;
    const struct {
        const char* name;
        std::function<void(Json::Value&)> change;
        double slack = 0;
    } cases[] = {
        {"Encode[0]", [](Json::Value& t) { t["MainFormat"][0]["Video"]["FPS"] = 20; }},
        {"Image[0]", [](Json::Value& t) { t["ImagingSettings"]["Contrast"] = 25; }, kColourStep},
        {"VideoColor[0]", [](Json::Value& t) { t["Brightness"] = 70; }, kColourStep},
        {"VideoWidget[0]", [](Json::Value& t) { t["OSDs"][1]["TextString"]["PlainText"] = "Yard"; }},
        {"ChannelTitle[0]", [](Json::Value& t) { t["Name"] = "Gate"; }},
        {"MotionDetect[0]",
         [](Json::Value& t) { t["MotionDetect"]["MotionDetectWindow"][0]["Region"][3] = 0x0F0Fu; }},
        {"Network", [](Json::Value& t) { t["Domain"] = "nvr.example"; }},
        {"ExAlarm[1]", [](Json::Value& t) { t["EventHandler"]["AlarmOutLatch"] = 65; }},
        {"Alarm[0]", [](Json::Value& t) { t["SensorType"] = "NC"; }},
        {"Web", [](Json::Value& t) { t["Port"] = 8080; }},
        {"Https", [](Json::Value& t) { t["Enabled"] = true; }},
        {"RTSP", [](Json::Value& t) { t["Port"] = 8554; }},
    };
    for (const auto& c : cases) {
        Json::Value table = get(config, c.name);
        const Json::Value before = table;
        c.change(table);
        ASSERT_NE(before, table) << c.name << ": the change must change something";
        ASSERT_TRUE(config->setConfig(c.name, table, 0)) << c.name;
        const Json::Value back = get(config, c.name);
        EXPECT_TRUE(holds(table, back, c.slack)) << c.name;
        if (std::string(c.name) == "Image[0]") {
            EXPECT_EQ(before["ImagingSettings"]["Focus"], back["ImagingSettings"]["Focus"])
                << "values the host left alone stay exactly as they were";
        }
    }
    EXPECT_EQ("Gate", get(config, "ChannelTitle[0]")["Name"].asString()) << "the title is the plain-text OSD";
}

TEST_F(ConfigAgainstSim, EncoderValuesAreClampedIntoTheDeviceRanges)
{
    IConfigManager* config = open("camera-2ch-media2-h265.json");
    ASSERT_NE(config, nullptr);
    Json::Value table = get(config, "Encode[0]");
    table["MainFormat"][0]["Video"]["FPS"] = 999;
    table["MainFormat"][0]["Video"]["GOP"] = 100000;
    ASSERT_TRUE(config->setConfig("Encode[0]", table, 0));
    const Json::Value video = get(config, "Encode[0]")["MainFormat"][0]["Video"];
    EXPECT_EQ(30, video["FPS"].asInt()) << "the main stream's frame-rate range ends at 30";
    EXPECT_EQ(300, video["GOP"].asInt()) << "its GOP range ends at 300";
}

// The motion grid is the camera's 16 x 12 cells; windows become rules of their own names.
TEST_F(ConfigAgainstSim, MotionWindowsAreCreatedModifiedAndDeletedAsRules)
{
    IConfigManager* config = open("camera-2ch-media2-h265.json");
    ASSERT_NE(config, nullptr);
    Json::Value table = get(config, "MotionDetect[0]");
    const Json::Value& motion = table["MotionDetect"];
    EXPECT_EQ(16, motion["Col"].asInt());
    EXPECT_EQ(12, motion["Row"].asInt());
    ASSERT_EQ(1u, motion["MotionDetectWindow"].size());
    EXPECT_EQ(0xFFFFu, motion["MotionDetectWindow"][0]["Region"][11].asUInt()) << "every cell at first";
    EXPECT_EQ(60, motion["MotionDetectWindow"][0]["Sensitive"].asInt());

    Json::Value window(Json::objectValue);
    window["Name"] = "Door";
    window["Threshold"] = 3;
    window["Sensitive"] = 80;
    for (int r = 0; r < 12; ++r)
        window["Region"].append(r < 6 ? 0x00FFu : 0u);
    table["MotionDetect"]["MotionDetectWindow"][0]["Sensitive"] = 80;
    table["MotionDetect"]["MotionDetectWindow"].append(window);
    ASSERT_TRUE(config->setConfig("MotionDetect[0]", table, 0));
    EXPECT_TRUE(holds(table, get(config, "MotionDetect[0]")));

    // Only the new window left: the device's first rule goes.
    table["MotionDetect"]["MotionDetectWindow"] = Json::Value(Json::arrayValue);
    table["MotionDetect"]["MotionDetectWindow"].append(window);
    ASSERT_TRUE(config->setConfig("MotionDetect[0]", table, 0));
    const Json::Value back = get(config, "MotionDetect[0]");
    ASSERT_EQ(1u, back["MotionDetect"]["MotionDetectWindow"].size());
    EXPECT_EQ("Door", back["MotionDetect"]["MotionDetectWindow"][0]["Name"].asString());

    table["MotionDetect"]["DetectVersion"] = "V2.0";
    EXPECT_FALSE(config->setConfig("MotionDetect[0]", table, 0)) << "only the V3.0 table is understood";
}

TEST_F(ConfigAgainstSim, ADeviceWithoutMotionRulesReadsTheDefaultTable)
{
    IConfigManager* config = open("camera-2ch-media2-h265.json");
    ASSERT_NE(config, nullptr);
    Json::Value table = get(config, "MotionDetect[1]");
    table["MotionDetect"]["MotionDetectWindow"] = Json::Value(Json::arrayValue);
    ASSERT_TRUE(config->setConfig("MotionDetect[1]", table, 0)) << "every rule deleted";
    const Json::Value defaults = get(config, "MotionDetect[1]");
    EXPECT_EQ(1, defaults["RemoteChannel"].asInt());
    const Json::Value& motion = defaults["MotionDetect"];
    EXPECT_TRUE(motion["Enable"].asBool());
    EXPECT_EQ(18, motion["Row"].asInt());
    EXPECT_EQ(22, motion["Col"].asInt());
    EXPECT_EQ("V3.0", motion["DetectVersion"].asString());
    ASSERT_EQ(18u, motion["MotionDetectWindow"][0]["Region"].size());
    EXPECT_EQ(0x3FFFFFu, motion["MotionDetectWindow"][0]["Region"][17].asUInt());
    // Written back, the 22 x 18 default covers the device's 16 x 12 grid whole.
    ASSERT_TRUE(config->setConfig("MotionDetect[1]", defaults, 0));
    EXPECT_EQ(0xFFFFu, get(config, "MotionDetect[1]")["MotionDetect"]["MotionDetectWindow"][0]["Region"][0].asUInt());
}

TEST_F(ConfigAgainstSim, MotionDetectFailsClearlyWithoutAnAnalyticsService)
{
    IConfigManager* config = open("camera-1ch-media.json");
    ASSERT_NE(config, nullptr);
    Json::Value table(Json::objectValue);
    EXPECT_FALSE(config->getConfig("MotionDetect[0]", table));
    table = OnvifTest::jsonText(R"({"MotionDetect":{"DetectVersion":"V3.0","Row":18,"Col":22,
        "MotionDetectWindow":[{"Name":"Region1","Region":[1],"Threshold":5,"Sensitive":50}]}})");
    EXPECT_FALSE(config->setConfig("MotionDetect[0]", table, 0));
    EXPECT_TRUE(config->getConfig("Encode[0]", table)) << "the other pages still work";
}

TEST_F(ConfigAgainstSim, VideoWidgetChangesMasksAndOsdsTogether)
{
    IConfigManager* config = open("camera-2ch-media2-h265.json");
    ASSERT_NE(config, nullptr);
    Json::Value table = get(config, "VideoWidget[0]");
    ASSERT_EQ(2u, table["OSDs"].size());
    ASSERT_EQ(1u, table["Covers"].size());
    EXPECT_EQ(4, table["MaxOSDs"].asInt());

    // The date OSD goes, the title changes, a second mask appears, the first is disabled.
    Json::Value osd = table["OSDs"][1];
    osd["TextString"]["PlainText"] = "Dock";
    table["OSDs"] = Json::Value(Json::arrayValue);
    table["OSDs"].append(osd);
    Json::Value mask = table["Covers"][0];
    mask.removeMember("token");
    mask["Polygon"]["Point"][0]["x"] = 0.5;
    mask["Polygon"]["Point"][3]["x"] = 0.5;
    table["Covers"][0]["Enabled"] = false;
    table["Covers"].append(mask);
    ASSERT_TRUE(config->setConfig("VideoWidget[0]", table, 0));

    const Json::Value back = get(config, "VideoWidget[0]");
    ASSERT_EQ(1u, back["OSDs"].size());
    EXPECT_EQ("Dock", back["OSDs"][0]["TextString"]["PlainText"].asString());
    ASSERT_EQ(2u, back["Covers"].size());
    EXPECT_FALSE(back["Covers"][0]["Enabled"].asBool());
    EXPECT_DOUBLE_EQ(0.5, back["Covers"][1]["Polygon"]["Point"][0]["x"].asDouble());
    EXPECT_FALSE(back["Covers"][1]["token"].asString().empty()) << "the device named the new mask";

    // A table with only OSDs leaves the masks alone; more OSDs than the channel shows is refused.
    Json::Value osdsOnly(Json::objectValue);
    for (int i = 0; i < 5; ++i)
        osdsOnly["OSDs"].append(osd);
    EXPECT_FALSE(config->setConfig("VideoWidget[0]", osdsOnly, 0));
    EXPECT_EQ(2u, get(config, "VideoWidget[0]")["Covers"].size());
}

// The OSD options shape every video-widget page of a channel; they are asked once per
// session and channel, and a new session (perhaps a replaced camera) asks again.
TEST_F(ConfigAgainstSim, OsdOptionsAreAskedOncePerSessionAndChannel)
{
    IConfigManager* config = open("camera-2ch-media2-h265.json");
    ASSERT_NE(config, nullptr);
    m_device->clearRequests();
    get(config, "VideoWidget[0]");
    get(config, "VideoWidget[0]");
    EXPECT_EQ(1, m_device->count("GetOSDOptions"));
    get(config, "VideoWidget[1]");
    EXPECT_EQ(2, m_device->count("GetOSDOptions")) << "each channel has options of its own";

    {
        CClientContextScope scope(m_client, kHostUser);
        ASSERT_TRUE(m_client->logout());
        ASSERT_TRUE(m_client->login());
    }
    get(config, "VideoWidget[0]");
    EXPECT_EQ(3, m_device->count("GetOSDOptions")) << "a new session asks again";
}

} // namespace
