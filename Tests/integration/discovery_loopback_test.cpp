// Discovery against simulated devices on loopback: unicast Probes to 127.0.0.x responders
// run the whole pass (sockets, receive loop, de-duplication, reports, re-addressing)
// without a multicast-capable network.
#include <gtest/gtest.h>
#include <json/json.h>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "Discovery/Onvif/RPCOnvifDeviceDiscovery.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifSim/SimServer.h"

namespace {

using RPC::Onvif::CRPCOnvifDeviceDiscovery;

class CCollector : public Zentar::NetApp::IDiscoveryReceiver {
public:
    void onDiscovery(const Json::Value& report) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Json::Value& item : report)
            m_reports.push_back(item);
        m_changed.notify_all();
    }
    // Waits until count reports came (or timeoutMs passed); the reports so far.
    std::vector<Json::Value> waitFor(size_t count, int timeoutMs)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_reports.size() >= count; });
        return m_reports;
    }
    std::vector<Json::Value> reports()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Json::Value> m_reports;
};

// A UDP port free on loopback now, for every responder of one test to share.
unsigned short freeUdpPort()
{
    asio::io_context io;
    asio::ip::udp::socket socket(io, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.1"), 0));
    return socket.local_endpoint().port();
}

Json::Value deviceDescription(int index)
{
    Json::Value d(Json::objectValue);
    d["identity"]["manufacturer"] = "Loop Vision";
    d["identity"]["model"] = "LV-" + std::to_string(index);
    d["services"].append("device");
    d["users"][0]["name"] = "admin";
    d["users"][0]["password"] = "admin123";
    d["users"][0]["level"] = "Administrator";
    return d;
}

class DiscoveryOnLoopback : public ::testing::Test {
protected:
    void SetUp() override
    {
        OnvifSim::SetLogEnabled(false);
        m_port = freeUdpPort();
        m_discovery.setTimeout(400);
        m_discovery.attach(&m_collector, 0);
    }
    void TearDown() override
    {
        m_discovery.detach(&m_collector);
        EXPECT_TRUE(m_discovery.waitIdle(10000));
        m_server.stop();
        OnvifSim::SetLogEnabled(true);
    }

    // Device i serves HTTP and answers Probes on 127.0.0.(first + i).
    std::shared_ptr<OnvifSim::CSimDevice> addDevice(int index, const std::set<std::string>& habits = {})
    {
        const std::string address = "127.0.0." + std::to_string(m_firstHost + index);
        OnvifSim::CDeviceDescription description;
        std::string error;
        if (!OnvifSim::LoadDescription(deviceDescription(index), description, error)) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        OnvifSim::UseNetworkAddress(description, address);
        auto device = m_server.addDevice(description, &error, 0, address);
        OnvifSim::CDiscoveryOptions options;
        options.address = address;
        options.port = m_port;
        options.habits = habits;
        options.delayMs = 150;
        if (!device || !m_server.addDiscovery(device, options, &error)) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        return device;
    }

    void probeRange(int count)
    {
        Json::Value targets(Json::objectValue);
        targets["Addresses"].append("127.0.0." + std::to_string(m_firstHost) + "-127.0.0." +
                                    std::to_string(m_firstHost + count - 1));
        targets["Port"] = m_port;
        ASSERT_TRUE(m_discovery.setProbeTargets(targets));
        ASSERT_TRUE(m_discovery.start(20));
    }

    std::map<std::string, Json::Value> byAddress(const std::vector<Json::Value>& reports)
    {
        std::map<std::string, Json::Value> out;
        for (const Json::Value& r : reports)
            out[r["IPv4Address"]["IPAddress"].asString()] = r;
        return out;
    }

    OnvifSim::CSimServer m_server{2};
    CRPCOnvifDeviceDiscovery m_discovery;
    CCollector m_collector;
    unsigned short m_port = 0;
    int m_firstHost = 10;
};

TEST_F(DiscoveryOnLoopback, SixtyFourDevicesAreEachReportedOnceWithTheirIdentity)
{
    const int kDevices = 64;
    std::vector<std::shared_ptr<OnvifSim::CSimDevice>> devices;
    for (int i = 0; i < kDevices; ++i) {
        devices.push_back(addDevice(i));
        ASSERT_NE(nullptr, devices.back());
    }
    probeRange(kDevices);
    ASSERT_TRUE(m_discovery.waitIdle(20000));
    // Every device answered both Probes, and more than once: the pass reports it once.
    const std::vector<Json::Value> reports = m_collector.reports();
    ASSERT_EQ(static_cast<size_t>(kDevices), reports.size());
    const auto found = byAddress(reports);
    ASSERT_EQ(static_cast<size_t>(kDevices), found.size());
    for (int i = 0; i < kDevices; ++i) {
        const std::string address = "127.0.0." + std::to_string(m_firstHost + i);
        ASSERT_EQ(1u, found.count(address)) << address;
        const Json::Value& r = found.at(address);
        EXPECT_EQ("Loop Vision", r["Vendor"].asString()) << address;
        EXPECT_EQ("LV-" + std::to_string(i), r["MachineName"].asString()) << address;
        EXPECT_EQ(devices[i]->port(), r["Port"].asInt()) << address;
        EXPECT_EQ(devices[i]->serviceUrl("device"), r["XAddr"].asString()) << address;
        EXPECT_EQ("Onvif", r["Protocol"].asString());
        EXPECT_EQ(36u, r["Uuid"].asString().size()) << r["Uuid"].asString();
    }

    // A second pass starts from an empty list and finds them all again.
    probeRange(kDevices);
    EXPECT_EQ(static_cast<size_t>(2 * kDevices), m_collector.waitFor(2 * kDevices, 20000).size());
}

TEST_F(DiscoveryOnLoopback, DevicesWithBadHabitsAreReportedOnceAndRight)
{
    struct Case {
        std::set<std::string> habits;
        const char* vendor;   // null: no scopes, so no vendor
    } cases[] = {
        {{}, "Loop Vision"},
        {{"duplicate"}, "Loop Vision"},
        {{"garbage"}, "Loop Vision"},
        {{"severalXAddrs"}, "Loop Vision"},
        {{"noScopes"}, nullptr},
        {{"slow"}, "Loop Vision"},
        {{"slow", "duplicate", "garbage", "severalXAddrs"}, "Loop Vision"},
    };
    const int n = static_cast<int>(sizeof cases / sizeof cases[0]);
    std::vector<std::shared_ptr<OnvifSim::CSimDevice>> devices;
    for (int i = 0; i < n; ++i)
        devices.push_back(addDevice(i, cases[i].habits));
    probeRange(n);
    ASSERT_TRUE(m_discovery.waitIdle(20000));
    const auto found = byAddress(m_collector.reports());
    ASSERT_EQ(static_cast<size_t>(n), m_collector.reports().size());
    for (int i = 0; i < n; ++i) {
        const std::string address = "127.0.0." + std::to_string(m_firstHost + i);
        ASSERT_EQ(1u, found.count(address)) << address;
        const Json::Value& r = found.at(address);
        if (cases[i].vendor)
            EXPECT_EQ(cases[i].vendor, r["Vendor"].asString()) << address;
        else
            EXPECT_TRUE(r["Vendor"].isNull() && r["MachineName"].isNull()) << r.toStyledString();
        // Several XAddrs: the one on the sender's address, not the unreachable first one.
        EXPECT_EQ(devices[i]->serviceUrl("device"), r["XAddr"].asString()) << address;
        EXPECT_EQ(devices[i]->port(), r["Port"].asInt()) << address;
    }
    EXPECT_GE(m_discovery.droppedCount(), 2u) << "the garbage datagrams were dropped, with a log line";
}

// A hostile sender floods the prober with datagrams of every bad kind; the pass keeps
// going, reports the one real device and ends by its own time-out.
TEST_F(DiscoveryOnLoopback, AFloodOfMalformedDatagramsIsSurvived)
{
    auto device = addDevice(0);
    ASSERT_NE(nullptr, device);
    asio::io_context io;
    const std::string hostile = "127.0.0." + std::to_string(m_firstHost + 1);
    asio::ip::udp::socket socket(io, asio::ip::udp::endpoint(asio::ip::make_address_v4(hostile), m_port));
    const std::string envelope = "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Header>"
                                 "<Action>ProbeMatches</Action></s:Header><s:Body>";
    const std::vector<std::string> poison = {
        std::string("\x00\x01\x02", 3),
        std::string(70000, '<'),                                           // over the size limit
        envelope,                                                          // cut short
        envelope + "<ProbeMatches/></s:Body></s:Envelope>",                // a reply without a match
        "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY b \"c\">]><a>&b;</a>",  // entities
        std::string(5000, '<') + "a",                                      // deep nesting
        envelope + "<ProbeMatches><ProbeMatch><XAddrs>http://[::1:99999/x</XAddrs></ProbeMatch></ProbeMatches>"
                   "</s:Body></s:Envelope>",                               // unreadable address
    };
    std::atomic<bool> done{false};
    std::atomic<int> sent{0};
    std::thread flood([&] {
        // Wait for the first Probe to learn where the prober listens, then flood it,
        // bounded in count and time.
        char probe[2048];
        asio::ip::udp::endpoint prober;
        socket.receive_from(asio::buffer(probe), prober);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        for (int i = 0; i < 3000 && !done && std::chrono::steady_clock::now() < until; ++i) {
            const std::string& d = poison[i % poison.size()];
            asio::error_code ec;
            socket.send_to(asio::buffer(d), prober, 0, ec);
            if (!ec)
                ++sent;
        }
    });
    probeRange(2);
    const auto started = std::chrono::steady_clock::now();
    const bool idle = m_discovery.waitIdle(25000);
    done = true;
    asio::error_code ec;
    socket.close(ec);
    flood.join();
    ASSERT_TRUE(idle) << "the pass ended by itself";
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(25));
    // The one well-formed reply with an unreadable address counts as a device at the
    // address it came from, reported once however often it was repeated.
    const auto reports = m_collector.reports();
    const auto found = byAddress(reports);
    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ(1u, found.count("127.0.0." + std::to_string(m_firstHost)));
    ASSERT_EQ(1u, found.count(hostile));
    EXPECT_EQ("http://" + hostile + "/onvif/device_service", found.at(hostile)["XAddr"].asString());
    EXPECT_EQ(80, found.at(hostile)["Port"].asInt());
    EXPECT_GT(sent.load(), 100);
    EXPECT_GE(m_discovery.droppedCount(), 100u);
}

TEST_F(DiscoveryOnLoopback, ReaddressingAFoundDeviceReachesTheDevice)
{
    auto device = addDevice(0);
    ASSERT_NE(nullptr, device);
    const std::string address = "127.0.0." + std::to_string(m_firstHost);
    Json::Value config, result;
    config["IPv4Address"]["IPAddressOld"] = address;
    config["IPv4Address"]["IPAddress"] = "10.20.30.40";
    config["IPv4Address"]["SubnetMask"] = "255.255.0.0";
    config["IPv4Address"]["DefaultGateway"] = "10.20.0.1";
    EXPECT_FALSE(m_discovery.setConfig("admin", "admin123", address.c_str(), config, result))
        << "not found yet";

    probeRange(1);
    ASSERT_EQ(1u, m_collector.waitFor(1, 10000).size());
    ASSERT_TRUE(m_discovery.waitIdle(10000));
    EXPECT_FALSE(m_discovery.setConfig(nullptr, "admin123", address.c_str(), config, result));
    Json::Value incomplete = config;
    incomplete["IPv4Address"].removeMember("IPAddress");
    EXPECT_FALSE(m_discovery.setConfig("admin", "admin123", address.c_str(), incomplete, result));
    EXPECT_FALSE(m_discovery.setConfig("admin", "wrong", address.c_str(), config, result));
    EXPECT_FALSE(result["Result"].asBool());

    ASSERT_TRUE(m_discovery.setConfig("admin", "admin123", address.c_str(), config, result));
    EXPECT_TRUE(result["Result"].asBool());
    // The host hears the outcome as a report too.
    const auto reports = m_collector.waitFor(3, 5000);
    ASSERT_EQ(3u, reports.size());
    EXPECT_EQ("setConfig", reports[2]["Operation"].asString());
    EXPECT_TRUE(reports[2]["Result"].asBool());

    // The device itself now reports the new settings.
    Zentar::Component::ServerInfo info;
    info.address = address;
    info.port = device->port();
    info.userName = "admin";
    info.password = "admin123";
    Json::Value request(Json::objectValue), table;
    request["XAddr"] = device->serviceUrl("device");
    ASSERT_TRUE(RPC::Onvif::getConfigNetwork(info, request, table));
    EXPECT_EQ("10.20.30.40", table["eth0"]["IPAddress"].asString()) << table.toStyledString();
    EXPECT_EQ("255.255.0.0", table["eth0"]["SubnetMask"].asString());
    EXPECT_EQ("10.20.0.1", table["eth0"]["DefaultGateway"].asString());
    // The old address is no longer in the list.
    EXPECT_FALSE(m_discovery.setConfig("admin", "admin123", address.c_str(), config, result));
}

TEST_F(DiscoveryOnLoopback, ReceiversAndTargetsAreChecked)
{
    CCollector late, second;
    EXPECT_FALSE(m_discovery.attach(&second, -1));
    EXPECT_FALSE(m_discovery.attach(&m_collector, 0)) << "attached already";
    EXPECT_FALSE(m_discovery.detach(&second)) << "never attached";
    // A receiver with a time limit that has passed hears nothing; one with 0 hears all.
    ASSERT_TRUE(m_discovery.attach(&late, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(nullptr, addDevice(0));
    probeRange(1);
    EXPECT_EQ(1u, m_collector.waitFor(1, 10000).size());
    ASSERT_TRUE(m_discovery.waitIdle(10000));
    EXPECT_TRUE(late.reports().empty());
    EXPECT_TRUE(m_discovery.detach(&late));

    for (const char* bad : {R"({"Addresses": ["127.0.0.300"]})", R"({"Addresses": ["127.0.0.9-127.0.0.2"]})",
                            R"({"Addresses": ["10.0.0.0-10.0.255.255"]})", R"({"Addresses": "127.0.0.1"})",
                            R"({"Port": 0})", R"({"Port": "x"})", R"([1])"}) {
        Json::Value targets;
        Json::Reader().parse(bad, targets);
        EXPECT_FALSE(m_discovery.setProbeTargets(targets)) << bad;
    }
    std::vector<std::string> list;
    std::string why;
    Json::Value addresses;
    Json::Reader().parse(R"(["127.0.0.3", "127.0.0.1-127.0.0.4", "127.0.0.255-127.0.1.1"])", addresses);
    ASSERT_TRUE(CRPCOnvifDeviceDiscovery::expandTargets(addresses, list, why)) << why;
    EXPECT_EQ((std::vector<std::string>{"127.0.0.3", "127.0.0.1", "127.0.0.2", "127.0.0.4", "127.0.0.255",
                                        "127.0.1.0", "127.0.1.1"}),
              list);
    const char* cards[] = {"127.0.0.1", "not-an-address"};
    EXPECT_FALSE(m_discovery.startSpecificCard(nullptr, 1));
    EXPECT_FALSE(m_discovery.startSpecificCard(cards, 2));
    EXPECT_TRUE(m_discovery.startSpecificCard(cards, 1));
    EXPECT_FALSE(m_discovery.ipScan(1));
}

} // namespace
