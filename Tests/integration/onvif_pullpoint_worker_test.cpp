// The pull-point worker cycle by cycle against the simulated camera, on a clock the test
// moves: events become alarms, and the worker finds its way back after a dropped
// connection, a pull point the device forgot, and a device that went away and came back.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "OnvifFramework/EventCenter/PullpointEventHandlerImpl.h"
#include "onvif_event_test_support.h"

using namespace RPC::Onvif;
using Impl = CPullpointEventHandler::Impl;

namespace {

struct Alarm {
    std::string type;
    int index;
    int action;
    uint64_t at;
};

class PullWorker : public ::testing::Test {
protected:
    // A camera whose pull points wait at most a second, so that the worker's first pull
    // learns the limit and no pull of the test waits long.
    void startDevice(const Json::Value& habits = Json::Value(), unsigned short port = 0)
    {
        Json::Value events;
        events["maxPullTimeoutSeconds"] = 1;
        if (!habits.isNull())
            events["habits"] = habits;
        std::string error;
        m_server = std::make_unique<OnvifSim::CSimServer>();
        m_device = m_server->addDevice(EventTest::cameraWithEvents(events), &error, port);
        ASSERT_TRUE(m_device) << error;
        if (!m_info)
            m_info = EventTest::loginOf(*m_device);
    }

    std::shared_ptr<Impl> makeWorker()
    {
        auto signal = std::make_shared<COnvifEventSignal>();
        signal->attach(this, [this](const std::string& type, int index, int action, const Json::Value&,
                                    const Json::Value&) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_alarms.push_back({type, index, action, m_now.load()});
        });
        return std::make_shared<Impl>(m_info, signal, [this] { return m_now.load(); },
                                      [this](uint32_t ms) { m_slept += ms; });
    }

    // A device with one habit switched on (none: plain), and a worker that has learnt its
    // pull limit and holds a pull point.
    std::shared_ptr<Impl> startSettled(const char* habit = nullptr)
    {
        Json::Value habits;
        if (habit)
            habits[habit] = true;
        startDevice(habits);
        auto worker = makeWorker();
        settle(*worker);
        return worker;
    }

    // Cycles until a pull has succeeded with the device's own time-out limit learnt.
    void settle(Impl& worker)
    {
        for (int i = 0; i < 5 && worker.pullTimeout() != "PT1S"; ++i)
            worker.runOnce();
        ASSERT_EQ("PT1S", worker.pullTimeout());
        ASSERT_FALSE(worker.subscriptionAddress().empty());
    }

    // Advances the clock in 50 ms steps, ticking the triggers as their timer would.
    void advance(Impl& worker, uint64_t ms)
    {
        for (uint64_t t = 0; t < ms; t += 50) {
            m_now += 50;
            worker.tickTriggers();
        }
    }

    int requests(const std::string& operation) const { return m_device->count(operation); }

    std::unique_ptr<OnvifSim::CSimServer> m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    std::shared_ptr<const Zentar::Component::ServerInfo> m_info;
    std::atomic<uint64_t> m_now{5000000};
    uint64_t m_slept = 0;
    std::mutex m_mutex;
    std::vector<Alarm> m_alarms;
};

TEST_F(PullWorker, AMotionStartAndStopBecomeOneAlarm)
{
    auto worker = startSettled();
    EXPECT_EQ(1, requests("GetEventProperties"));
    EXPECT_EQ(1, requests("CreatePullPointSubscription"));

    const uint64_t first = m_now;
    ASSERT_TRUE(m_device->raiseEvent("motion", true, 1));
    EXPECT_EQ(0u, worker->runOnce()) << "messages: pull again at once";
    advance(*worker, 500);
    ASSERT_TRUE(m_device->raiseEvent("motion", false, 1));
    EXPECT_EQ(0u, worker->runOnce());
    advance(*worker, 3000);

    std::lock_guard<std::mutex> lock(m_mutex);
    ASSERT_EQ(2u, m_alarms.size());
    EXPECT_EQ("VideoMotion", m_alarms[0].type);
    EXPECT_EQ(0, m_alarms[0].action);
    EXPECT_LE(m_alarms[0].at - first, 150u) << "starts a tick after 100 ms";
    EXPECT_EQ(1, m_alarms[1].action);
    EXPECT_GE(m_alarms[1].at - first, 2500u) << "the stop notification keeps it 2000 ms longer";
    EXPECT_LE(m_alarms[1].at - first, 2600u);
}

// A state reported as off (here the "Initialized" states a new subscription starts with)
// raises nothing; a vendor topic the table does not know fails the batch.
TEST_F(PullWorker, OffStatesRaiseNothingAndAnUnknownTopicFailsTheBatch)
{
    auto worker = startSettled("initializedFirst");
    for (int i = 0; i < 20 && worker->runOnce() == 0; ++i) {
    }
    advance(*worker, 3000);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        EXPECT_TRUE(m_alarms.empty()) << "an initial off state is no alarm";
    }
    ASSERT_TRUE(m_device->raiseEvent("heartbeat", true, 1));
    EXPECT_EQ(Impl::kParseRetryMs, worker->runOnce());
}

// The device drops the connection of a pull: the worker keeps its pull point while it is
// still valid and pulls again, marking the pulls as extended.
TEST_F(PullWorker, ADroppedConnectionKeepsThePullPoint)
{
    auto worker = startSettled();
    const std::string pullPoint = worker->subscriptionAddress();
    OnvifSim::CSimFault drop;
    drop.kind = OnvifSim::EFaultKind::Close;
    drop.operation = "PullMessages";
    drop.count = 1;
    m_device->addFault(drop);
    EXPECT_EQ(Impl::kPullRetryMs, worker->runOnce());
    EXPECT_EQ(Impl::ERROR_RECV, worker->errorState());
    ASSERT_TRUE(m_device->raiseEvent("tamper", true, 2));
    EXPECT_EQ(0u, worker->runOnce());
    EXPECT_EQ(pullPoint, worker->subscriptionAddress());
    EXPECT_EQ(Impl::ERROR_NONE, worker->errorState());
    EXPECT_EQ(1, requests("CreatePullPointSubscription"));
    EXPECT_NE(std::string::npos, m_device->requests().back().body.find("PullMessages"));
}

// After its validity a pull point that keeps dropping is given up and replaced.
TEST_F(PullWorker, APullPointThatStaysUnreachableIsReplacedAfterItsValidity)
{
    Json::Value habits;
    habits["dropPullEvery"] = 1;
    startDevice(habits);
    auto worker = makeWorker();
    for (int i = 0; i < 3; ++i)
        worker->runOnce();
    ASSERT_EQ(Impl::ERROR_RECV, worker->errorState());
    ASSERT_GT(worker->validitySeconds(), 0);
    EXPECT_EQ(1, requests("CreatePullPointSubscription"));
    m_now += static_cast<uint64_t>(worker->validitySeconds()) * 1000 + 1000;
    worker->runOnce();
    EXPECT_EQ(2, requests("CreatePullPointSubscription"));
    EXPECT_GE(requests("Unsubscribe"), 1) << "the old one is let go first";
}

// The device forgot the pull point (it lapsed): its refusal leads to a new one.
TEST_F(PullWorker, AnExpiredPullPointIsReplaced)
{
    auto worker = startSettled();
    const std::string old = worker->subscriptionAddress();
    m_device->expireEventSubscriptions();
    EXPECT_EQ(Impl::kPullRetryMs, worker->runOnce());
    EXPECT_EQ(Impl::ERROR_REFUSED, worker->errorState());
    ASSERT_TRUE(m_device->raiseEvent("motion", true, 1));   // lost with the old pull point
    worker->runOnce();
    EXPECT_EQ(2, requests("CreatePullPointSubscription"));
    EXPECT_NE(old, worker->subscriptionAddress());
    ASSERT_TRUE(m_device->raiseEvent("videoLoss", true, 1));
    EXPECT_EQ(0u, worker->runOnce());
    EXPECT_TRUE(worker->triggerActive("VideoLoss"));
}

// The device went away (a reboot): nothing can be sent, so the worker forgets the topics
// and the pull point, waits, and sets both up again once the device is back.
TEST_F(PullWorker, ADeviceThatGoesAwayIsSetUpAgainWhenItComesBack)
{
    auto worker = startSettled();
    const unsigned short port = m_device->port();
    m_device.reset();
    m_server.reset();
    EXPECT_EQ(Impl::kPullRetryMs, worker->runOnce());
    EXPECT_EQ(Impl::ERROR_SEND, worker->errorState());
    EXPECT_FALSE(worker->hasTopicSet());
    EXPECT_EQ(Impl::kSetupRetryMs, worker->runOnce()) << "no device: set-up fails and waits";

    startDevice(Json::Value(), port);
    worker->runOnce();
    EXPECT_EQ(1, requests("GetEventProperties"));
    EXPECT_EQ(1, requests("CreatePullPointSubscription"));
    EXPECT_TRUE(worker->hasTopicSet());
    ASSERT_TRUE(m_device->raiseEvent("fire", true, 1));
    EXPECT_EQ(0u, worker->runOnce());
    EXPECT_TRUE(worker->triggerActive("FireWarning"));
}

// A clock that ends the pull point before it begins is not believed; pulling goes on.
TEST_F(PullWorker, ATerminationBeforeTheCurrentTimeIsNotBelieved)
{
    auto worker = startSettled("terminationBeforeCurrent");
    EXPECT_EQ(0, worker->validitySeconds());
    ASSERT_TRUE(m_device->raiseEvent("motion", true, 2));
    EXPECT_EQ(0u, worker->runOnce());
    EXPECT_TRUE(worker->triggerActive("VideoMotion"));
}

// A device that answers an empty pull at once is not pulled in a tight loop.
TEST_F(PullWorker, AnEmptyAnswerWaitsASecondBeforeTheNextPull)
{
    auto worker = startSettled("emptyPullAtOnce");
    EXPECT_EQ(Impl::kPullRetryMs, worker->runOnce());
}

} // namespace
