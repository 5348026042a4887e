// The device-query components, the time client and the stream-source cache as a host
// meets them: through the factories, in the context of a logged-in client, against the
// simulated two-channel camera.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "Components/Client/OnvifClient.h"
#include "IEncode.h"
#include "ILogicDeviceManager.h"
#include "IMagicBox.h"
#include "IMediaManager.h"
#include "IStreamSource.h"
#include "ITimeClient.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "sim_client_fixture.h"

using namespace Zentar::Component;

namespace {

const int kUser = 7;

class ComponentsAgainstSim : public ::testing::Test, protected CSimClientFixture {
protected:
    void SetUp() override
    {
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
        loadDescription("camera-2ch-media2-h265.json");
        m_description.scopes.push_back({"onvif://www.onvif.org/extension/unique_identifier/1", true});
        serveAndLogin(kUser);
    }
    void TearDown() override
    {
        destroyClient();
    }

    template <class T> T* component(const char* name)
    {
        CClientContextScope scope(m_client, kUser);
        return dynamic_cast<T*>(getComponentInstance(name, "Onvif", nullptr));
    }

};

TEST_F(ComponentsAgainstSim, FactoriesHandOutOneObjectPerClientAndNoneWithoutOne)
{
    IMagicBox* first = component<IMagicBox>(IMagicBox::kInterfaceName);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(component<IMagicBox>(IMagicBox::kInterfaceName), first);
    EXPECT_EQ(first, m_client->getIMagicBox());
    // Outside any client context the factories have nobody to ask.
    EXPECT_EQ(getComponentInstance(ITimeClient::kInterfaceName, "Onvif", nullptr), nullptr);
    EXPECT_EQ(getComponentInstance(IMagicBox::kInterfaceName, "Onvif", nullptr), nullptr);
}

TEST_F(ComponentsAgainstSim, MagicBoxReadsTheIdentity)
{
    IMagicBox* box = component<IMagicBox>(IMagicBox::kInterfaceName);
    ASSERT_NE(box, nullptr);
    struct Row {
        bool (IMagicBox::*read)(std::string&);
        std::string expected;
    } rows[] = {
        {&IMagicBox::getVendor, m_description.identity.manufacturer},
        {&IMagicBox::getDeviceType, m_description.identity.model},
        {&IMagicBox::getSerialNo, m_description.identity.serialNumber},
        {&IMagicBox::getHardwareVersion, m_description.identity.hardwareId},
    };
    for (const Row& row : rows) {
        std::string text;
        EXPECT_TRUE((box->*row.read)(text));
        EXPECT_EQ(text, row.expected);
    }
    Json::Value software;
    ASSERT_TRUE(box->getSoftwareVersion(software));
    EXPECT_EQ(software["Version"].asString(), m_description.identity.firmwareVersion);
    EXPECT_EQ(software["BuildDate"].asString(), "");

    int area = -1;
    EXPECT_TRUE(box->getMarketArea(area));
    EXPECT_EQ(area, 1);

    Json::Value value;
    EXPECT_TRUE(box->getProductDefinition("HasPtz", value));
    EXPECT_TRUE(value.asBool());   // the Tele channel is a dome
    EXPECT_FALSE(box->getProductDefinition("Wipers", value));
    EXPECT_FALSE(box->getProductDefinition(nullptr, value));
}

TEST_F(ComponentsAgainstSim, ChannelsStreamsAndTransports)
{
    auto* channels = component<ILogicDeviceManager>(ILogicDeviceManager::kInterfaceName);
    auto* encode = component<IEncode>(IEncode::kInterfaceName);
    auto* media = component<IMediaManager>(IMediaManager::kInterfaceName);
    ASSERT_TRUE(channels && encode && media);

    Json::Value cameras;
    ASSERT_TRUE(channels->getCameraAll(cameras));
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_EQ(cameras[1]["UniqueChannel"].asInt(), 1);
    EXPECT_TRUE(cameras[0]["Enable"].asBool());
    int inputs = -1;
    EXPECT_TRUE(channels->getVideoInputChannels(inputs));
    EXPECT_EQ(inputs, 2);
    Json::Value info;
    EXPECT_FALSE(channels->getVideoChannelsInfo("Output", info));
    ASSERT_TRUE(channels->getVideoChannelsInfo("All", info));
    ASSERT_EQ(info["Input"]["SD"].size(), 1u);   // only the Tele channel is a dome
    EXPECT_EQ(info["Input"]["SD"][0].asInt(), 1);

    Json::Value profiles;
    ASSERT_TRUE(channels->getChannelProfiles(profiles));
    ASSERT_EQ(profiles.size(), 2u);
    EXPECT_EQ(profiles[0][0]["ProfileToken"].asString(), "Profile_101");
    EXPECT_EQ(profiles[0][1]["ProfileToken"].asString(), "Profile_102");
    EXPECT_EQ(profiles[1][0]["ProfileToken"].asString(), "Profile_201");

    Json::Value caps;
    ASSERT_TRUE(encode->getCaps(caps));
    EXPECT_EQ(caps["VideoEncodeDevices"][0]["MaxExtraStream"].asInt(), static_cast<int>(profiles[0].size()) - 1);
    EXPECT_EQ(caps["VideoEncodeDevices"][1]["MaxExtraStream"].asInt(), static_cast<int>(profiles[1].size()) - 1);

    Json::Value names(Json::arrayValue);
    names.append("MediaTransportType");
    Json::Value transports;
    ASSERT_TRUE(media->getCaps(names, transports));
    bool unicast = false;
    bool overHttp = false;
    for (const Json::Value& t : transports["MediaTransportType"]) {
        unicast |= t.asString() == "RtspUnicast";
        overHttp |= t.asString() == "RtspOverHttp";
    }
    EXPECT_TRUE(unicast);
    EXPECT_TRUE(overHttp);
    names.append("Other");
    EXPECT_FALSE(media->getCaps(names, transports));

    Json::Value audio;
    ASSERT_TRUE(media->getAudioInEx(audio));
    ASSERT_GE(audio.size(), 1u);
    EXPECT_EQ(audio[0].asInt(), 0);
}

TEST_F(ComponentsAgainstSim, TimeClientSetsAndReadsZoneAndRules)
{
    auto* time = component<ITimeClient>(ITimeClient::kInterfaceName);
    ASSERT_NE(time, nullptr);
    HostTimeRecord set;
    std::memset(&set, 0, sizeof set);
    set.utcSeconds = 1782909005;   // 2026-07-01T12:30:05Z
    set.zoneIndex = 8;             // GMT+05:30
    set.dstInEffect = 1;
    HostDstRecord rules;
    std::memset(&rules, 0, sizeof rules);
    rules.start = {2026, 3, -1, 0, 2, 0, 0, 0};
    rules.end = {2026, 10, 2, 0, 3, 0, 0, 0};
    rules.enable = 1;
    ASSERT_TRUE(time->setTimeWithZoneDSTConfig(set, rules));

    HostTimeRecord got;
    HostDstRecord gotRules;
    ASSERT_TRUE(time->getTimeWithZoneDSTConfig(got, gotRules));
    EXPECT_EQ(got.zoneIndex, 8);
    EXPECT_EQ(got.dstInEffect, 1);
    EXPECT_NEAR(static_cast<double>(got.utcSeconds), 1782909005.0, 5.0);
    ASSERT_EQ(gotRules.enable, 1);
    EXPECT_EQ(gotRules.start.month, 3);
    EXPECT_EQ(gotRules.start.week, -1);
    EXPECT_EQ(gotRules.end.week, 2);
    EXPECT_EQ(gotRules.end.hour, 3);

    // A zone beyond the table fails before anything is sent.
    const int before = m_device->requestCount();
    set.zoneIndex = 40;
    EXPECT_FALSE(time->setTimeWithZoneDST(set));
    EXPECT_EQ(m_device->requestCount(), before);

    ASSERT_TRUE(time->setUTCTime(1893456000));   // 2030-01-01T00:00:00Z
    EXPECT_NEAR(static_cast<double>(m_device->deviceTime()), 1893456000.0, 5.0);
}

TEST_F(ComponentsAgainstSim, StreamSourcesAreSharedPerChannelStreamAndTransport)
{
    StreamRequest tcp{0, 1, 0, 0};
    Zentar::Stream::IStreamSource* a = m_client->getIStreamSource(tcp);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(m_client->getIStreamSource(tcp), a);
    StreamRequest udp{0, 1, 1, 0};
    Zentar::Stream::IStreamSource* b = m_client->getIStreamSource(udp);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);

    struct Refusal {
        int protocol;
        int encryption;
    } refused[] = {{2, 0}, {6, 1}, {4, 1}, {5, 0}};
    for (const Refusal& r : refused) {
        Zentar::Infra::setLastError(0);
        EXPECT_EQ(m_client->getIStreamSource({0, 0, r.protocol, r.encryption}), nullptr) << r.protocol;
        EXPECT_EQ(Zentar::Infra::getLastError(), 0x10030010u);
    }

    std::string url;
    ASSERT_TRUE(a->getStreamUrl(url));
    EXPECT_EQ(url.rfind("rtsp://127.0.0.1", 0), 0u) << url;
    // Tunnelled RTSP is announced with the web scheme and the web port; the source turns
    // it into an RTSP address with that port made explicit.
    Zentar::Stream::IStreamSource* http = m_client->getIStreamSource({1, 0, 4, 0});
    ASSERT_NE(http, nullptr);
    ASSERT_TRUE(http->getStreamUrl(url));
    EXPECT_EQ(url.rfind("rtsp://127.0.0.1:" + std::to_string(m_device->port()) + "/", 0), 0u) << url;
    // A stream the channel does not have has no address.
    EXPECT_FALSE(m_client->getIStreamSource({1, 5, 0, 0})->getStreamUrl(url));
}

} // namespace
