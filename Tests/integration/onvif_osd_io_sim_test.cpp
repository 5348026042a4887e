// OSDs, relays and the profile's analytics configuration as a host meets them: through the
// components of a logged-in client, against the simulated cameras (Media2 with device IO,
// and Media only).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "IAlarm.h"
#include "IClient.h"
#include "IEncode.h"
#include "IOSDManager.h"
#include "OnvifExports.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "sim_client_fixture.h"

using namespace Zentar::Component;

namespace {

const int kUser = 9;

class OsdAndIoAgainstSim : public ::testing::Test, protected CSimClientFixture {
protected:
    void login(const char* file, int mediaType = 0)
    {
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
        Json::Value options;
        options["MediaType"] = mediaType;
        ASSERT_TRUE(RPC::Onvif::COnvifBaseComm::instance()->setOnvifOptionCfg(options));
        loadDescription(file);
        serveAndLogin(kUser);
    }
    void TearDown() override
    {
        destroyClient();
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
    }
    template <class T> T* component(const char* name)
    {
        CClientContextScope scope(m_client, kUser);
        return dynamic_cast<T*>(getComponentInstance(name, "Onvif", nullptr));
    }
    int requestsNamed(const std::string& operation, const std::string& pathPart) const
    {
        int n = 0;
        for (const OnvifSim::CRecordedRequest& r : m_device->requests())
            n += r.operation == operation && r.path.find(pathPart) != std::string::npos;
        return n;
    }

};

// Listing, adding and removing through Media2; the device's maximum refuses one too many
// and leaves the list as it was.
TEST_F(OsdAndIoAgainstSim, OsdsOfAMedia2Camera)
{
    login("camera-2ch-media2-h265.json");
    auto* osd = component<IRemoteOSDManager>(IRemoteOSDManager::kInterfaceName);
    ASSERT_NE(osd, nullptr);
    Json::Value before;
    ASSERT_TRUE(osd->getOSDs(0, before));
    ASSERT_FALSE(before.empty());

    Json::Value text;
    text["Type"] = "Text";
    text["Position"]["Type"] = "Custom";
    text["Position"]["Pos"]["x"] = -0.5;
    text["Position"]["Pos"]["y"] = 0.25;
    text["TextString"]["Type"] = "Plain";
    text["TextString"]["PlainText"] = "Gate 3";
    std::string token;
    ASSERT_TRUE(osd->createOSD(0, text, token));
    EXPECT_FALSE(token.empty());
    Json::Value after;
    ASSERT_TRUE(osd->getOSDs(0, after));
    ASSERT_EQ(before.size() + 1, after.size());
    const Json::Value& added = after[after.size() - 1];
    EXPECT_EQ(token, added["token"].asString());
    EXPECT_EQ("Gate 3", added["TextString"]["PlainText"].asString());
    EXPECT_DOUBLE_EQ(0.25, added["Position"]["Pos"]["y"].asDouble()) << "positions keep their fractions";
    EXPECT_GT(requestsNamed("CreateOSD", "media2"), 0);

    // Fill up to the device's maximum, then one more is refused and changes nothing.
    int made = static_cast<int>(after.size());
    std::string extra;
    while (made < 16 && osd->createOSD(0, text, extra))
        ++made;
    Json::Value full;
    ASSERT_TRUE(osd->getOSDs(0, full));
    EXPECT_EQ(made, static_cast<int>(full.size()));
    EXPECT_LT(made, 16) << "the device's maximum must stop the loop";

    ASSERT_TRUE(osd->deleteOSD(0, token));
    Json::Value removed;
    ASSERT_TRUE(osd->getOSDs(0, removed));
    EXPECT_EQ(full.size() - 1, removed.size());
    EXPECT_FALSE(osd->deleteOSD(0, token)) << "gone already";

    // The remote manager's font sizes and the title capabilities come from the options.
    Json::Value capsRequest, caps;
    capsRequest["CapName"] = "FontSize";
    ASSERT_TRUE(osd->getCaps(capsRequest, caps));
    EXPECT_TRUE(caps["Support"].asBool());
    EXPECT_LT(caps["SupportMinSize"].asInt(), caps["SupportMaxSize"].asInt());
    capsRequest["CapName"] = "Colour";
    EXPECT_FALSE(osd->getCaps(capsRequest, caps));
    auto* titles = component<IOSDManager>(IOSDManager::kInterfaceName);
    ASSERT_NE(titles, nullptr);
    Json::Value titleCaps;
    ASSERT_TRUE(titles->getOSDCaps(1, titleCaps));
    EXPECT_EQ(1, titleCaps[0]["Channel"].asInt());
    EXPECT_TRUE(titleCaps[0]["SupportTimeTitle"].asBool());
}

// A Media-only camera: the same host calls go to Media (ver10).
TEST_F(OsdAndIoAgainstSim, OsdsOfAMediaOnlyCamera)
{
    login("camera-1ch-media.json");
    auto* osd = component<IRemoteOSDManager>(IRemoteOSDManager::kInterfaceName);
    ASSERT_NE(osd, nullptr);
    Json::Value date;
    date["Type"] = "Text";
    date["Position"]["Type"] = "UpperRight";
    date["TextString"]["Type"] = "DateAndTime";
    std::string token;
    ASSERT_TRUE(osd->createOSD(0, date, token));
    Json::Value list;
    ASSERT_TRUE(osd->getOSDs(0, list));
    bool found = false;
    for (const Json::Value& o : list)
        found = found || (o["token"].asString() == token && o["TextString"]["Type"].asString() == "DateAndTime");
    EXPECT_TRUE(found);
    EXPECT_EQ(0, requestsNamed("CreateOSD", "media2"));
}

// Relays switched through the alarm interface change the device's output; the counts and
// lists come from the device, not a silent 0.
TEST_F(OsdAndIoAgainstSim, RelaysAndInputs)
{
    login("camera-2ch-media2-h265.json");
    auto* alarm = component<IAlarm>(IAlarm::kInterfaceName);
    ASSERT_NE(alarm, nullptr);
    int inputs = 0, outputs = 0;
    EXPECT_TRUE(alarm->getAlarmInputCount(inputs));
    EXPECT_TRUE(alarm->getAlarmOutputCount(outputs));
    EXPECT_EQ(2, inputs);
    EXPECT_EQ(2, outputs);
    Json::Value relays;
    ASSERT_TRUE(alarm->getAlarmOutputs(relays));
    ASSERT_EQ(2u, relays.size());
    const std::string relay = relays[0]["token"].asString();
    EXPECT_EQ("Bistable", relays[0]["mode"].asString());
    EXPECT_FALSE(m_device->relayActive(relay));
    ASSERT_TRUE(alarm->setAlarmOutputState(relay.c_str(), true));
    EXPECT_TRUE(m_device->relayActive(relay));
    ASSERT_TRUE(alarm->setAlarmOutputState(relay.c_str(), false));
    EXPECT_FALSE(m_device->relayActive(relay));
    EXPECT_FALSE(alarm->setAlarmOutputState("NoSuchRelay", true));
    Json::Value digital;
    ASSERT_TRUE(alarm->getAlarmInputs(digital));
    EXPECT_EQ(2u, digital.size());

    // The device-IO counts reach the other components too.
    Json::Value caps;
    auto* encode = component<IEncode>(IEncode::kInterfaceName);
    ASSERT_NE(encode, nullptr);
    ASSERT_TRUE(encode->getConfigCaps(0, caps));
    EXPECT_EQ(1u, caps["MainFormat"].size());
    EXPECT_EQ(2u, caps["ExtraFormat"].size());
    EXPECT_EQ("PAL", caps["VideoFormat"].asString());
}

// A profile without an analytics configuration gets the first compatible one.
TEST_F(OsdAndIoAgainstSim, FillProfileAddsAnAnalyticsConfiguration)
{
    login("camera-2ch-media2-h265.json");
    RPC::Onvif::COnvifInfoCenter* centre = RPC::Onvif::COnvifInfoCenter::instance();
    Json::Value profile;
    profile["RemoteChannel"] = 0;
    profile["StreamType"] = 1;
    ASSERT_TRUE(centre->getProfile(m_info, profile));
    ASSERT_FALSE(profile.isMember("VideoAnalyticsConfiguration")) << "the substream starts without one";
    EXPECT_TRUE(centre->fillProfile(m_info, 0, 1, "ImagingConfiguration")) << "other kinds need nothing";
    ASSERT_TRUE(centre->fillProfile(m_info, 0, 1, "VideoAnalyticsConfiguration"));
    Json::Value after;
    after["RemoteChannel"] = 0;
    after["StreamType"] = 1;
    ASSERT_TRUE(centre->getProfile(m_info, after));
    EXPECT_FALSE(after["VideoAnalyticsConfiguration"]["token"].asString().empty());
    const int adds = m_device->count("AddConfiguration");
    ASSERT_TRUE(centre->fillProfile(m_info, 0, 1, "VideoAnalyticsConfiguration"));
    EXPECT_EQ(adds, m_device->count("AddConfiguration")) << "already there: nothing sent";
}

} // namespace
