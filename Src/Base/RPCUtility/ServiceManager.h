#pragma once
// Routes the requests the notification server receives to the processor registered for
// their URL path, and sends back what the processor answers.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "NetFramework/StreamAcceptor.h"
#include "NetProtocol/HttpParser.h"

namespace RPC {

// One whole request as it arrived, and who sent it.
struct CServerRequest {
    const Zentar::NetProtocol::CHttpParser& message;   // start line, headers, body
    const std::string& url;                             // at most 1024 bytes of it
    const std::string& peerAddress;                     // IPv6 text form (IPv4 peers mapped)
};

// Returns the complete HTTP answer to send, or "" to send none.
using ProcessorProc = std::function<std::string(const CServerRequest& request)>;

class CServiceManager {
public:
    // Routes of 128 characters or more all go to the processor of "*".
    static constexpr size_t kMaxRouteLength = 128;

    // False when the path is empty or already has a processor.
    bool addProcessor(const std::string& path, ProcessorProc proc);
    bool removeProcessor(const std::string& path);
    size_t processorCount() const;

    // The processor of the request's route answers on the stream. False when nobody
    // answered (no processor, an empty answer).
    bool process(const CServerRequest& request, Zentar::NetFramework::CSockStream* stream);

    // The route of a URL: itself, "*" when too long, and cut before its last "/" when it
    // has more than one, so that a name below a registered path reaches that path's
    // processor ("/onvif_notify_server/cam7" routes as "/onvif_notify_server").
    static std::string routeOf(const std::string& url);

private:
    // The processor whose path occurs in the route; copied out so that it runs unlocked.
    ProcessorProc find(const std::string& route) const;

    mutable std::mutex m_mutex;
    std::map<std::string, ProcessorProc> m_processors;
};

} // namespace RPC
