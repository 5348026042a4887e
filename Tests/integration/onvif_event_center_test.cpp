// Push mode against the simulated camera: the event centre subscribes a device with a
// consumer address on a notification server of the test's own, the camera posts its
// Notify messages there, and they reach the host callbacks with their channel. Renewals run
// on a clock the test moves.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "Base/RPCUtility/EventServer.h"
#include "OnvifFramework/EventCenter/OnvifEventCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "RawTcpClient.h"
#include "TestTls.h"
#include "onvif_event_test_support.h"

using namespace RPC::Onvif;

namespace {

struct Event {
    std::string type;
    int index;
    int action;
    Json::Value detail;
};

class PushCentre : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.enableEventAlarm(true);
        ASSERT_EQ(0, m_server.serve(0));
        m_signal->attach(this, [this](const std::string& type, int index, int action, const Json::Value& detail,
                                      const Json::Value&) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events.push_back({type, index, action, detail});
        });
    }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }

    void startDevice(const Json::Value& habits = Json::Value())
    {
        Json::Value events(Json::objectValue);
        if (!habits.isNull())
            events["habits"] = habits;
        std::string error;
        m_device = m_sim.addDevice(EventTest::cameraWithEvents(events), &error);
        ASSERT_TRUE(m_device) << error;
        m_info = EventTest::loginOf(*m_device);
    }

    void subscribe()
    {
        ASSERT_TRUE(m_centre.addDelegation(m_info, m_signal));
        ASSERT_TRUE(m_centre.subscribe(*m_info));
        ASSERT_TRUE(m_centre.isSubscribed(*m_info));
    }

    // Waits (bounded) for n host events.
    bool eventsBecome(size_t n)
    {
        for (int i = 0; i < 300; ++i) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_events.size() >= n)
                    return m_events.size() == n;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    RPC::CEventServer m_server;
    std::atomic<uint64_t> m_now{1000000};
    COnvifEventCenter m_centre{&m_server, [this] { return m_now.load(); }, COnvifEventCenter::Mode::Driven};
    std::shared_ptr<COnvifEventSignal> m_signal = std::make_shared<COnvifEventSignal>();
    OnvifSim::CSimServer m_sim;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    std::shared_ptr<const Zentar::Component::ServerInfo> m_info;
    std::mutex m_mutex;
    std::vector<Event> m_events;
};

TEST_F(PushCentre, NotificationsReachTheHostWithTheirChannelAndState)
{
    startDevice();
    subscribe();
    const std::string body = m_device->requests().back().body;
    EXPECT_NE(std::string::npos,
              body.find("http://127.0.0.1:" + std::to_string(m_server.getListenPort()) + "/onvif_notify_server"))
        << body;
    EXPECT_NE(std::string::npos, body.find("PT60S"));

    ASSERT_TRUE(m_device->raiseEvent("motion", true, 2));
    ASSERT_TRUE(eventsBecome(1));
    ASSERT_TRUE(m_device->raiseEvent("motion", false, 2));
    // Each notification comes on its own connection, so two posted together may arrive in
    // either order: wait for the first before causing the next.
    ASSERT_TRUE(eventsBecome(2));
    ASSERT_TRUE(m_device->setDigitalInput("DigitalInput_2", true));
    ASSERT_TRUE(eventsBecome(3));
    std::lock_guard<std::mutex> lock(m_mutex);
    EXPECT_EQ("VideoMotion", m_events[0].type);
    EXPECT_EQ(1, m_events[0].index) << "channel 2 is the second video source";
    EXPECT_EQ(0, m_events[0].action);
    EXPECT_EQ(1, m_events[1].action);
    EXPECT_EQ("AlarmLocal", m_events[2].type);
    EXPECT_EQ(1, m_events[2].index) << "the second digital input";
    EXPECT_EQ(3, EventTest::notificationsPostedReach(*m_device, 3)) << "each answered 200";
}

TEST_F(PushCentre, InitialStatesAreNotAlarms)
{
    Json::Value habits;
    habits["initializedFirst"] = true;
    startDevice(habits);
    subscribe();
    EXPECT_EQ(12, EventTest::notificationsPostedReach(*m_device, 12)) << "every property of both channels and inputs";
    ASSERT_TRUE(m_device->raiseEvent("tamper", true, 1));
    ASSERT_TRUE(eventsBecome(1));
    std::lock_guard<std::mutex> lock(m_mutex);
    EXPECT_EQ("VideoBlind", m_events[0].type);
}

// Subscribed at time 0 for 60 s: renewed by the first pass after 45 s; a device that has
// forgotten the subscription is subscribed anew in the same pass.
TEST_F(PushCentre, RenewsBeforeTheSubscriptionRunsOutAndResubscribesWhenRefused)
{
    startDevice();
    subscribe();
    const uint64_t start = m_now;
    for (uint64_t t = 5000; t <= 45000; t += 5000) {
        m_now = start + t;
        m_centre.runRenewals();
    }
    EXPECT_EQ(0, m_device->count("Renew")) << "not before 45 s";
    m_now = start + 50000;
    m_centre.runRenewals();
    EXPECT_EQ(1, m_device->count("Renew"));
    m_centre.runRenewals();
    EXPECT_EQ(1, m_device->count("Renew")) << "renewed just now";

    std::string before;
    ASSERT_TRUE(m_centre.isSubscribed(*m_info, &before));
    m_device->expireEventSubscriptions();
    m_now = start + 100000;
    m_centre.runRenewals();
    EXPECT_EQ(2, m_device->count("Renew"));
    EXPECT_EQ(2, m_device->count("Subscribe"));
    std::string after;
    ASSERT_TRUE(m_centre.isSubscribed(*m_info, &after));
    EXPECT_NE(before, after);
    ASSERT_TRUE(m_device->raiseEvent("videoLoss", true, 1));
    EXPECT_TRUE(eventsBecome(1)) << "notifications flow on the new subscription";
}

// A device that could not be subscribed is tried again by later passes.
TEST_F(PushCentre, AFailedSubscriptionIsTriedAgain)
{
    startDevice();
    OnvifSim::CSimFault refuse;
    refuse.operation = "Subscribe";
    refuse.count = 1;
    m_device->addFault(refuse);
    ASSERT_TRUE(m_centre.addDelegation(m_info, m_signal));
    EXPECT_FALSE(m_centre.subscribe(*m_info));
    m_now += 6000;
    m_centre.runRenewals();
    EXPECT_TRUE(m_centre.isSubscribed(*m_info));
    EXPECT_EQ(2, m_device->count("Subscribe"));
}

TEST_F(PushCentre, UnsubscribesWhenTheDeviceIsRemoved)
{
    startDevice();
    subscribe();
    EXPECT_TRUE(m_centre.removeDelegation(*m_info));
    EXPECT_EQ(1, m_device->count("Unsubscribe"));
    EXPECT_EQ(0, m_device->eventSubscriptionCount());
    EXPECT_FALSE(m_centre.removeDelegation(*m_info));
}

// A sender nobody registered is answered (a device must not retry) and ignored.
TEST_F(PushCentre, ANotifyFromAnUnregisteredAddressIsAnsweredAndIgnored)
{
    startDevice();
    subscribe();
    const std::string notify =
        "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"><env:Body><wsnt:Notify "
        "xmlns:wsnt=\"http://docs.oasis-open.org/wsn/b-2\"><wsnt:NotificationMessage><wsnt:Topic>tns1:RuleEngine/"
        "CellMotionDetector/Motion</wsnt:Topic><wsnt:Message>"
        "<tt:Message xmlns:tt=\"http://www.onvif.org/ver10/schema\" "
        "PropertyOperation=\"Changed\"><tt:Data><tt:SimpleItem Name=\"IsMotion\" Value=\"true\"/></tt:Data>"
        "</tt:Message></wsnt:Message></wsnt:NotificationMessage></wsnt:Notify></env:Body></env:Envelope>";
    for (const char* source : {"127.0.0.2", "127.0.0.1"}) {
        OnvifTest::RawTcpClient client;
        ASSERT_TRUE(client.connect("127.0.0.1", m_server.getListenPort(), source)) << source;
        ASSERT_TRUE(client.send(OnvifTest::httpPost("/onvif_notify_server", notify)));
        const std::string answer = client.readUntilClose(3000);
        EXPECT_EQ(0u, answer.find("HTTP/1.1 200 OK\r\nServer: EventServer(V")) << answer;
        EXPECT_NE(std::string::npos, answer.find("Connection: close")) << answer;
    }
    ASSERT_TRUE(eventsBecome(1)) << "only the registered address's message counts";
    std::lock_guard<std::mutex> lock(m_mutex);
    EXPECT_EQ(0, m_events[0].index) << "no source named: the first channel";
}

TEST_F(PushCentre, TheThousandAndFirstDeviceIsRefused)
{
    std::vector<std::shared_ptr<Zentar::Component::ServerInfo>> devices;
    for (size_t i = 0; i <= COnvifEventCenter::kMaxDevices; ++i) {
        auto info = std::make_shared<Zentar::Component::ServerInfo>();
        info->address = "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
        devices.push_back(info);
    }
    for (size_t i = 0; i < COnvifEventCenter::kMaxDevices; ++i)
        ASSERT_TRUE(m_centre.addDelegation(devices[i], m_signal)) << i;
    EXPECT_FALSE(m_centre.addDelegation(devices.back(), m_signal));
    EXPECT_EQ(COnvifEventCenter::kMaxDevices, m_centre.deviceCount());
    EXPECT_TRUE(m_centre.removeDelegation(*devices.front()));
    EXPECT_TRUE(m_centre.addDelegation(devices.back(), m_signal)) << "a freed place is taken again";
}

TEST_F(PushCentre, ConsumerAddressNamesTheVirtualAlarmAddressBehindAPortMapping)
{
    Zentar::Component::ServerInfo info;
    info.address = "127.0.0.1";
    info.port = 80;
    EXPECT_EQ("http://127.0.0.1:" + std::to_string(m_server.getListenPort()) + "/onvif_notify_server",
              m_centre.consumerAddress(info));
    COnvifBaseComm::instance()->setOnvifVirtualAlarm("2001:db8::7", 18080);
    EXPECT_EQ("http://127.0.0.1:" + std::to_string(m_server.getListenPort()) + "/onvif_notify_server",
              m_centre.consumerAddress(info))
        << "without a media port the device reaches us directly";
    info.mediaPort = 10554;
    EXPECT_EQ("http://[2001:db8::7]:18080/onvif_notify_server", m_centre.consumerAddress(info));
}

TEST(PushCentreSetup, NoDeviceIsRegisteredWhileTheServerIsNotServing)
{
    RPC::CEventServer server;
    COnvifEventCenter centre(&server);
    auto info = std::make_shared<Zentar::Component::ServerInfo>();
    info->address = "127.0.0.1";
    EXPECT_FALSE(centre.addDelegation(info, std::make_shared<COnvifEventSignal>()));
    EXPECT_EQ(0u, centre.deviceCount());
}

} // namespace

namespace {

// With the host's certificate the server listens for HTTPS, devices are told an https
// consumer address, and the camera's posts arrive through TLS.
TEST(PushCentreTls, NotificationsArriveOverHttps)
{
    std::string cert, key;
    ASSERT_TRUE(OnvifTest::makeSelfSignedIdentity(cert, key));
    RPC::CEventServer server;
    Json::Value config;
    config["EnableHTTPS"] = true;
    config["CRT"] = cert;
    config["KEY"] = key;
    server.setConfig(config);
    server.enableEventAlarm(true);
    ASSERT_EQ(0, server.serve(0));
    COnvifEventCenter centre(&server, nullptr, COnvifEventCenter::Mode::Driven);
    auto signal = std::make_shared<COnvifEventSignal>();
    std::atomic<int> alarms{0};
    signal->attach(&alarms, [&](const std::string& type, int, int, const Json::Value&, const Json::Value&) {
        if (type == "VideoBlind")
            ++alarms;
    });
    OnvifSim::CSimServer sim;
    std::string error;
    auto device = sim.addDevice(EventTest::cameraWithEvents(Json::Value()), &error);
    ASSERT_TRUE(device) << error;
    auto info = EventTest::loginOf(*device);
    ASSERT_TRUE(centre.addDelegation(info, signal));
    ASSERT_TRUE(centre.subscribe(*info));
    EXPECT_EQ(0u, centre.consumerAddress(*info).rfind("https://127.0.0.1:", 0));
    ASSERT_TRUE(device->raiseEvent("tamper", true, 1));
    for (int i = 0; i < 300 && alarms.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(1, alarms.load());
    EXPECT_EQ(1, EventTest::notificationsPostedReach(*device, 1));
}

} // namespace
