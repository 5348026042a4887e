// The event manager as a host meets it: from the factory of a logged-in client, in pull mode
// and in push mode (the library's own notification server), against the simulated camera.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "IClient.h"
#include "IEventManager.h"
#include "OnvifExports.h"
#include "OnvifFramework/EventCenter/OnvifEventCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace Zentar::Component;
using Zentar::Manager::IEventManager;

namespace {

const int kUser = 14;

struct Alarm {
    const void* receiver;
    std::string type;
    int index;
    int action;
};

class EventManagerAgainstSim : public ::testing::Test {
protected:
    void login(int eventSubscribeType)
    {
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
        Json::Value options;
        options["EventSubscribeType"] = eventSubscribeType;
        ASSERT_TRUE(setOnvifOptions(options));
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json",
                                                  m_description, error))
            << error;
        m_device = m_server.addDevice(m_description, &error);
        ASSERT_TRUE(m_device) << error;
        initOnvifComponentLibrary();
        m_info.address = "127.0.0.1";
        m_info.port = m_device->port();
        m_info.userName = "admin";
        m_info.password = "admin123";
        m_client = dynamic_cast<IClient*>(getComponentInstance(IClient::kInterfaceName, "Onvif", &m_info));
        ASSERT_NE(m_client, nullptr);
        CClientContextScope scope(m_client, kUser);
        ASSERT_TRUE(m_client->login());
        m_events = eventManager();
        ASSERT_NE(m_events, nullptr);
    }
    void TearDown() override
    {
        if (m_client)
            m_client->destroy();
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
    }
    IEventManager* eventManager()
    {
        CClientContextScope scope(m_client, kUser);
        return dynamic_cast<IEventManager*>(getComponentInstance(IEventManager::kInterfaceName, "Onvif", nullptr));
    }
    IEventManager::EventProc receiver(const void* id)
    {
        return [this, id](const std::string& type, int index, int action, const Json::Value&, const Json::Value&) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_alarms.push_back({id, type, index, action});
        };
    }
    // Waits (bounded, generously) for n alarm reports.
    bool alarmsReach(size_t n, int seconds = 10)
    {
        for (int i = 0; i < seconds * 100; ++i) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_alarms.size() >= n)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    bool subscriptionExists()
    {
        for (int i = 0; i < 500 && m_device->eventSubscriptionCount() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return m_device->eventSubscriptionCount() > 0;
    }

    OnvifSim::CSimServer m_server;
    OnvifSim::CDeviceDescription m_description;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    ServerInfo m_info;
    IClient* m_client = nullptr;
    IEventManager* m_events = nullptr;
    std::mutex m_mutex;
    std::vector<Alarm> m_alarms;
};

// Pull mode: a door contact opening is an alarm on its input; the notification server is
// not involved.
TEST_F(EventManagerAgainstSim, PullModeTurnsADigitalInputIntoAnAlarm)
{
    login(1);
    const int first = 1;
    ASSERT_TRUE(m_events->attach(&first, receiver(&first)));
    EXPECT_EQ(m_events, eventManager()) << "one event manager per client";
    ASSERT_TRUE(subscriptionExists());
    EXPECT_EQ(1, m_device->count("CreatePullPointSubscription"));
    EXPECT_EQ(0, m_device->count("Subscribe"));
    EXPECT_EQ(0u, RPC::Onvif::COnvifEventCenter::instance()->deviceCount());

    ASSERT_TRUE(m_device->setDigitalInput("DigitalInput_1", true));
    ASSERT_TRUE(alarmsReach(2)) << "start, then stop 2 s after the last notification";
    std::lock_guard<std::mutex> lock(m_mutex);
    EXPECT_EQ("AlarmLocal", m_alarms[0].type);
    EXPECT_EQ(0, m_alarms[0].action);
    EXPECT_EQ(1, m_alarms[1].action);
    EXPECT_TRUE(m_events->detach(&first));
}

// Push mode: two receivers share one subscription; both get each event; the subscription
// goes with the last of them.
TEST_F(EventManagerAgainstSim, PushModeSharesOneSubscriptionBetweenReceivers)
{
    ASSERT_TRUE(enableRPCAlarm(true));
    ASSERT_EQ(0, initRPCAlarmPort(0));
    login(0);
    const int first = 1, second = 2;
    ASSERT_TRUE(m_events->attach(&first, receiver(&first)));
    ASSERT_TRUE(m_events->attach(&second, receiver(&second)));
    EXPECT_FALSE(m_events->attach(&second, receiver(&second))) << "a receiver is attached once";
    EXPECT_EQ(1, m_device->count("Subscribe"));

    ASSERT_TRUE(m_device->raiseEvent("motion", true, 2));
    ASSERT_TRUE(alarmsReach(2));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        EXPECT_NE(m_alarms[0].receiver, m_alarms[1].receiver);
        for (const Alarm& a : m_alarms) {
            EXPECT_EQ("VideoMotion", a.type);
            EXPECT_EQ(1, a.index);
            EXPECT_EQ(0, a.action);
        }
    }
    EXPECT_TRUE(m_events->detach(&first));
    EXPECT_EQ(0, m_device->count("Unsubscribe"));
    EXPECT_TRUE(m_events->detach(&second));
    EXPECT_EQ(1, m_device->count("Unsubscribe"));
    EXPECT_FALSE(m_events->detach(&second));
    ASSERT_TRUE(m_device->raiseEvent("motion", false, 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::lock_guard<std::mutex> lock(m_mutex);
    EXPECT_EQ(2u, m_alarms.size()) << "nothing after the last detach";
}

TEST(EventManagerFactory, WithoutAClientThereIsNone)
{
    initOnvifComponentLibrary();
    EXPECT_EQ(nullptr, getComponentInstance(IEventManager::kInterfaceName, "Onvif", nullptr));
}

} // namespace
