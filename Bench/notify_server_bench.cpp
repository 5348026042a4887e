// Push-mode throughput: Notify messages posted to the notification server on loopback by
// simulated devices, each from its own loopback address (127.0.0.2 and up, so the event
// centre maps each to its own device), one connection per message as cameras post them.
// Counts the messages classified and delivered to a host callback per second, and the
// delivery latency from the sender's connect to the callback.
//
//   notify_server_bench [--devices 100] [--senders 4] [--messages 50000] [--seconds 20]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Base/RPCUtility/EventServer.h"
#include "OnvifFramework/EventCenter/OnvifEventCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "RawTcpClient.h"

using namespace RPC::Onvif;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    int devices = 100;
    int senders = 4;
    long messages = 50000;
    int seconds = 20;
};

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const long value = std::atol(argv[i + 1]);
        if (name == "--devices")
            o.devices = static_cast<int>(std::clamp(value, 1L, 250L));
        else if (name == "--senders")
            o.senders = static_cast<int>(std::clamp(value, 1L, 64L));
        else if (name == "--messages")
            o.messages = std::clamp(value, 1L, 10000000L);
        else if (name == "--seconds")
            o.seconds = static_cast<int>(std::clamp(value, 1L, 600L));
    }
    return o;
}

// A line-crossing notification, as a camera posts it; the object id carries the time the
// sender started, so the callback can tell how long delivery took.
std::string notifyBody(long long startedNs)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:wsnt=\"http://docs.oasis-open.org/wsn/b-2\" xmlns:tt=\"http://www.onvif.org/ver10/schema\" "
           "xmlns:tns1=\"http://www.onvif.org/ver10/topics\"><env:Body><wsnt:Notify><wsnt:NotificationMessage>"
           "<wsnt:Topic Dialect=\"http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet\">"
           "tns1:RuleEngine/LineDetector/Crossed</wsnt:Topic><wsnt:Message><tt:Message "
           "UtcTime=\"2024-05-01T10:00:00Z\" PropertyOperation=\"Changed\"><tt:Source><tt:SimpleItem "
           "Name=\"VideoSourceConfigurationToken\" Value=\"VideoSourceConfig_1\"/><tt:SimpleItem Name=\"Rule\" "
           "Value=\"Gate\"/></tt:Source><tt:Key><tt:SimpleItem Name=\"ObjectId\" Value=\"" +
           std::to_string(startedNs) +
           "\"/></tt:Key><tt:Data><tt:SimpleItem Name=\"Direction\" Value=\"active\"/></tt:Data></tt:Message>"
           "</wsnt:Message></wsnt:NotificationMessage></wsnt:Notify></env:Body></env:Envelope>";
}

double percentile(std::vector<double>& values, double p)
{
    if (values.empty())
        return 0;
    const size_t k = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    std::nth_element(values.begin(), values.begin() + static_cast<long>(k), values.end());
    return values[k];
}

} // namespace

int main(int argc, char** argv)
{
    const Options o = parse(argc, argv);
    setLogToStdout(false);
    setLogPrinterLevel(0);

    RPC::CEventServer server;
    server.enableEventAlarm(true);
    if (server.serve(0) != 0) {
        std::fprintf(stderr, "the notification server did not open\n");
        return 1;
    }
    COnvifEventCenter centre(&server, nullptr, COnvifEventCenter::Mode::Driven);

    std::mutex mutex;
    std::vector<double> latencies;
    latencies.reserve(static_cast<size_t>(o.messages));
    std::atomic<long> delivered{0};
    auto signal = std::make_shared<COnvifEventSignal>();
    signal->attach(&latencies, [&](const std::string&, int, int, const Json::Value& detail, const Json::Value&) {
        const long long started = std::atoll(detail["Object"]["ObjectID"].asCString());
        const long long now = Clock::now().time_since_epoch().count();
        std::lock_guard<std::mutex> lock(mutex);
        latencies.push_back(static_cast<double>(now - started) / 1e6);
        ++delivered;
    });
    std::vector<std::string> addresses;
    for (int d = 0; d < o.devices; ++d) {
        addresses.push_back("127.0.0." + std::to_string(d + 2));
        auto info = std::make_shared<Zentar::Component::ServerInfo>();
        info->address = addresses.back();
        info->port = 9;   // nothing listens: the first index lookup fails fast and is remembered
        if (!centre.addDelegation(info, signal)) {
            std::fprintf(stderr, "device %s not registered\n", info->address.c_str());
            return 1;
        }
    }

    const uint16_t port = server.getListenPort();
    std::atomic<long> next{0};
    std::atomic<long> failures{0};
    const auto deadline = Clock::now() + std::chrono::seconds(o.seconds);
    const auto start = Clock::now();
    std::vector<std::thread> senders;
    for (int s = 0; s < o.senders; ++s) {
        senders.emplace_back([&] {
            for (long n = next++; n < o.messages && Clock::now() < deadline; n = next++) {
                const long long started = Clock::now().time_since_epoch().count();
                OnvifTest::RawTcpClient client;
                const std::string& source = addresses[static_cast<size_t>(n % o.devices)];
                if (!client.connect("127.0.0.1", port, source) ||
                    !client.send(OnvifTest::httpPost("/onvif_notify_server", notifyBody(started))) ||
                    client.readUntilClose(5000).compare(0, 15, "HTTP/1.1 200 OK") != 0)
                    ++failures;
            }
        });
    }
    for (std::thread& t : senders)
        t.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    server.stop();

    std::lock_guard<std::mutex> lock(mutex);
    const long sent = std::min(next.load(), o.messages);
    std::printf("devices %d, senders %d: %ld notifications in %.2f s, %ld delivered, %ld failed\n", o.devices,
                o.senders, sent, elapsed, delivered.load(), failures.load());
    std::printf("throughput %.0f delivered/s; latency p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                static_cast<double>(delivered.load()) / elapsed, percentile(latencies, 0.50),
                percentile(latencies, 0.99), percentile(latencies, 1.0));
    return failures.load() == 0 ? 0 : 1;
}
