// The simulated camera's event service: its topics, pull points that wait and that lapse,
// push subscriptions posting to a consumer of the test's own, events from the timeline,
// and the habits of cameras that a client must survive.
#include "SimTestClient.h"

#include <gtest/gtest.h>
#include <json/reader.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <chrono>
#include <mutex>
#include <thread>

using namespace SimTest;

namespace {

const char* kTev = "http://www.onvif.org/ver10/events/wsdl";
const char* kWsnt = "http://docs.oasis-open.org/wsn/b-2";
using Clock = std::chrono::steady_clock;

// Takes Notify posts on loopback: reads each request whole, answers 200 and closes, as the
// library's notification server does.
class NotifyConsumer {
public:
    NotifyConsumer()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_fd, 16);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~NotifyConsumer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/onvif_notify_server"; }
    std::vector<std::string> bodies()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bodies;
    }
    // Waits (bounded) for n posts.
    bool waitFor(size_t n)
    {
        for (int i = 0; i < 300 && bodies().size() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return bodies().size() >= n;
    }
    int connections() const { return m_connections; }

private:
    void serve()
    {
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                continue;
            ++m_connections;
            std::string request;
            char buffer[4096];
            size_t need = std::string::npos;
            while (need == std::string::npos || request.size() < need) {
                pollfd q{c, POLLIN, 0};
                if (::poll(&q, 1, 2000) <= 0)
                    break;
                const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, static_cast<size_t>(n));
                const size_t head = request.find("\r\n\r\n");
                const size_t length = request.find("Content-Length: ");
                if (head != std::string::npos && length != std::string::npos)
                    need = head + 4 + std::stoul(request.substr(length + 16));
            }
            const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            ::send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
            ::close(c);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bodies.push_back(request.substr(request.find("\r\n\r\n") + 4));
        }
    }

    int m_fd = -1;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::string> m_bodies;
};

class SimEvents : public ::testing::Test {
protected:
    void start(const Json::Value& events = Json::Value())
    {
        Json::Value d = BaseDescription();
        d["services"]["events"] = Json::Value();
        d["auth"]["mode"] = "none";
        d["io"]["digitalInputs"] = 2;
        if (!events.isNull())
            d["events"] = events;
        m_device = StartDevice(m_server, d);
        ASSERT_TRUE(m_device);
    }
    CReply events(const std::string& operation, const std::string& inner = "", const std::string& url = "",
                  const char* ns = kTev)
    {
        return Post(url.empty() ? m_device->serviceUrl("events") : url, Call(ns, operation, inner));
    }
    std::string createPullPoint(const std::string& inner = "")
    {
        CReply r = events("CreatePullPointSubscription", inner);
        EXPECT_EQ(200, r.status) << r.body;
        pugi::xml_document doc;
        ParseXml(r.body, doc);
        return Text(doc, "Address");
    }
    CReply pull(const std::string& address, const std::string& timeout, int limit)
    {
        return events("PullMessages",
                      "<m:Timeout>" + timeout + "</m:Timeout><m:MessageLimit>" + std::to_string(limit) +
                          "</m:MessageLimit>",
                      address);
    }
    static size_t count(const std::string& text, const std::string& what)
    {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

TEST_F(SimEvents, TheTopicSetHoldsTheOnvifTopicsAndAVendorTree)
{
    start();
    CReply r = events("GetEventProperties");
    ASSERT_EQ(200, r.status) << r.body;
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(r.body, doc));
    pugi::xml_node set = FindLocal(doc, "TopicSet");
    ASSERT_TRUE(set);
    pugi::xml_node motion = FindLocal(FindLocal(set, "CellMotionDetector"), "Motion");
    ASSERT_TRUE(motion);
    EXPECT_EQ("http://www.onvif.org/ver10/topics", NamespaceUri(FindLocal(set, "RuleEngine")));
    pugi::xml_node description = FindLocal(motion, "MessageDescription");
    EXPECT_STREQ("true", description.attribute("IsProperty").value());
    const pugi::xml_node item = FindLocal(FindLocal(description, "Data"), "SimpleItemDescription");
    EXPECT_STREQ("IsMotion", item.attribute("Name").value());
    for (const char* topic : {"MotionAlarm", "Tamper", "SignalLoss", "DigitalInput", "FireAlarm", "Heartbeat"})
        EXPECT_TRUE(FindLocal(set, topic)) << topic;
    EXPECT_EQ("urn:onvif-sim:events", NamespaceUri(FindLocal(set, "SimVision")));
}

// What is queued comes at once, up to the limit; an empty pull waits its time-out, or
// until an event arrives.
TEST_F(SimEvents, PullMessagesAnswersQueuedMessagesOrWaits)
{
    start();
    const std::string pullPoint = createPullPoint();
    ASSERT_NE(std::string::npos, pullPoint.find("?sub="));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(m_device->raiseEvent("motion", i % 2 == 0, 1));
    EXPECT_EQ(2u, count(pull(pullPoint, "PT5S", 2).body, "Topic Dialect="));
    CReply last = pull(pullPoint, "PT5S", 2);
    EXPECT_EQ(1u, count(last.body, "Topic Dialect="));
    EXPECT_NE(std::string::npos, last.body.find("RuleEngine/CellMotionDetector/Motion"));
    EXPECT_NE(std::string::npos, last.body.find("Name=\"IsMotion\" Value=\"true\""));

    auto begin = Clock::now();
    CReply empty = pull(pullPoint, "PT1S", 5);
    EXPECT_EQ(200, empty.status);
    EXPECT_EQ(0u, count(empty.body, "Topic Dialect="));
    EXPECT_GE(Clock::now() - begin, std::chrono::milliseconds(900)) << "an empty pull waits its time-out";

    std::thread raiser([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        m_device->setDigitalInput("DigitalInput_1", true);
    });
    begin = Clock::now();
    CReply woken = pull(pullPoint, "PT20S", 5);
    raiser.join();
    EXPECT_LT(Clock::now() - begin, std::chrono::seconds(10)) << "an event ends the wait";
    EXPECT_NE(std::string::npos, woken.body.find("Device/Trigger/DigitalInput"));
    EXPECT_NE(std::string::npos, woken.body.find("Name=\"InputToken\" Value=\"DigitalInput_1\""));
}

TEST_F(SimEvents, APullPointLapsesUnlessItIsPulledOrRenewed)
{
    start();
    const std::string pullPoint = createPullPoint("<m:InitialTerminationTime>PT10S</m:InitialTerminationTime>");
    m_device->jumpClock(8);
    EXPECT_EQ(200, pull(pullPoint, "PT0S", 1).status) << "a pull keeps it alive for its lifetime again";
    m_device->jumpClock(8);
    CReply renewed = events("Renew", "<m:TerminationTime>PT30S</m:TerminationTime>", pullPoint, kWsnt);
    EXPECT_EQ(200, renewed.status) << renewed.body;
    m_device->jumpClock(31);
    CReply lapsed = pull(pullPoint, "PT0S", 1);
    EXPECT_EQ(400, lapsed.status);
    EXPECT_EQ("Sender", FaultCode(lapsed.body));
    EXPECT_NE(std::string::npos, lapsed.body.find("ResourceUnknownFault")) << lapsed.body;
    EXPECT_EQ(400, events("Unsubscribe", "", pullPoint, kWsnt).status);
}

TEST_F(SimEvents, APullBeyondTheDevicesLimitsIsRefusedWithThem)
{
    Json::Value settings;
    settings["maxPullTimeoutSeconds"] = 20;
    settings["maxMessageLimit"] = 10;
    start(settings);
    const std::string pullPoint = createPullPoint();
    CReply r = pull(pullPoint, "PT30S", 1);
    EXPECT_EQ(500, r.status);
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(r.body, doc));
    EXPECT_EQ("PT20S", Text(FindLocal(doc, "PullMessagesFaultResponse"), "MaxTimeout"));
    EXPECT_EQ("10", Text(FindLocal(doc, "PullMessagesFaultResponse"), "MaxMessageLimit"));
}

// Pushed: one connection per message to the consumer, until the subscription goes.
TEST_F(SimEvents, ASubscriptionPostsEachEventToTheConsumer)
{
    start();
    NotifyConsumer consumer;
    CReply r = events("Subscribe",
                      "<m:ConsumerReference><a:Address xmlns:a=\"http://www.w3.org/2005/08/addressing\">" +
                          consumer.url() + "</a:Address></m:ConsumerReference><m:InitialTerminationTime>PT60S"
                                           "</m:InitialTerminationTime>",
                      "", kWsnt);
    ASSERT_EQ(200, r.status) << r.body;
    pugi::xml_document doc;
    ParseXml(r.body, doc);
    const std::string subscription = Text(doc, "Address");
    EXPECT_EQ(1, m_device->eventSubscriptionCount());

    ASSERT_TRUE(m_device->raiseEvent("tamper", true, 1));
    ASSERT_TRUE(m_device->raiseEvent("fire", true, 1));
    ASSERT_TRUE(consumer.waitFor(2));
    EXPECT_EQ(2, consumer.connections());
    const std::vector<std::string> bodies = consumer.bodies();
    EXPECT_NE(std::string::npos, bodies[0].find("Notify"));
    EXPECT_NE(std::string::npos, bodies[0].find("RuleEngine/TamperDetector/Tamper"));
    EXPECT_NE(std::string::npos, bodies[0].find(subscription)) << "each message names its subscription";
    EXPECT_NE(std::string::npos, bodies[1].find("SimVision/Thermal/FireAlarm"));
    EXPECT_EQ(2, m_device->notificationsPosted());

    EXPECT_EQ(200, events("Unsubscribe", "", subscription, kWsnt).status);
    ASSERT_TRUE(m_device->raiseEvent("tamper", false, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(2u, consumer.bodies().size()) << "nothing after Unsubscribe";
}

TEST_F(SimEvents, OnlyLoopbackConsumersAreTaken)
{
    start();
    CReply r = events("Subscribe",
                      "<m:ConsumerReference><a:Address xmlns:a=\"http://www.w3.org/2005/08/addressing\">"
                      "http://192.0.2.1/onvif_notify_server</a:Address></m:ConsumerReference>",
                      "", kWsnt);
    EXPECT_EQ(400, r.status);
    EXPECT_EQ(0, m_device->eventSubscriptionCount());
}

TEST_F(SimEvents, TheTimelineRaisesEventsByItself)
{
    Json::Value settings;
    Json::Value entry;
    entry["at"] = 0.3;
    entry["event"] = "videoLoss";
    entry["channel"] = 1;
    settings["timeline"].append(entry);
    start(settings);
    const std::string pullPoint = createPullPoint();
    CReply r = pull(pullPoint, "PT10S", 5);
    EXPECT_NE(std::string::npos, r.body.find("VideoSource/SignalLoss")) << r.body;
}

// A new subscription first hears every property's state; a clock that writes the end of
// the pull point before the time of the answer.
TEST_F(SimEvents, HabitsInitialStatesAndABackwardsTerminationTime)
{
    Json::Value settings;
    settings["habits"]["initializedFirst"] = true;
    settings["habits"]["terminationBeforeCurrent"] = true;
    start(settings);
    const std::string pullPoint = createPullPoint();
    CReply r = pull(pullPoint, "PT0S", 100);
    EXPECT_GE(count(r.body, "PropertyOperation=\"Initialized\""), 6u) << r.body;
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(r.body, doc));
    EXPECT_LT(Text(doc, "TerminationTime"), Text(doc, "CurrentTime"));
}

TEST(SimEventsDescription, BadEventMembersAreRefusedAtLoad)
{
    const char* bad[] = {
        R"({"timeline": [{"at": 1, "event": "earthquake"}]})",
        R"({"timeline": [{"event": "motion"}]})",
        R"({"habits": {"dropPullEvery": -1}})",
        R"({"maxPullTimeoutSeconds": 0})",
    };
    for (const char* text : bad) {
        Json::Value d = BaseDescription();
        Json::CharReaderBuilder builder;
        std::string errors;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        ASSERT_TRUE(reader->parse(text, text + std::strlen(text), &d["events"], &errors)) << text;
        OnvifSim::CDeviceDescription out;
        std::string error;
        EXPECT_FALSE(OnvifSim::LoadDescription(d, out, error)) << text;
        EXPECT_NE(std::string::npos, error.find("events")) << error;
    }
}

} // namespace
