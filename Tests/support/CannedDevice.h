#pragma once
// A minimal scripted ONVIF device for client tests: answers each operation (by the local
// name of the first Body element) with a canned body, checks WS-Security credentials
// when asked to, and counts what arrived per operation.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "LoopbackHttpServer.h"

namespace OnvifTest {

class CannedDevice {
public:
    struct Options {
        std::string user = "admin";
        std::string password = "Pa55word!";
        bool requireAuth = true;              // WS-Security digest on everything but the clock
        bool anonymousDiscovery = true;       // GetServices and GetCapabilities without credentials
        int refusalStatus = 401;              // how a bad or missing token is refused
        long long clockOffsetSeconds = 0;     // the device clock is ahead by this
        int createdToleranceSeconds = 300;    // a token's Created must be this close to the device clock
    };

    explicit CannedDevice(Options options);
    CannedDevice() : CannedDevice(Options()) {}

    // The answer body (inside the envelope's Body) of an operation; "" removes it.
    void answer(const std::string& operation, const std::string& bodyXml);
    // Replaces the whole reply of an operation (faults, silence...).
    void override(const std::string& operation, std::function<HttpReply(const HttpRequest&)> reply);

    int port() const { return m_server->port(); }
    std::string deviceUrl() const { return m_server->url("/onvif/device_service"); }
    std::string url(const std::string& path) const { return m_server->url(path); }
    size_t count(const std::string& operation) const;
    size_t total() const { return m_server->requestCount(); }

    // The local name of the first element in the request's Body.
    static std::string operationOf(const std::string& body);

    // A plausible camera: clock, services, capabilities, one channel with two profiles.
    void loadDefaultCamera();

private:
    HttpReply handle(const HttpRequest& request);
    bool createdFresh(const std::string& body) const;

    Options m_options;
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_answers;
    std::map<std::string, std::function<HttpReply(const HttpRequest&)>> m_overrides;
    std::map<std::string, size_t> m_counts;
    std::unique_ptr<LoopbackHttpServer> m_server;
};

} // namespace OnvifTest
