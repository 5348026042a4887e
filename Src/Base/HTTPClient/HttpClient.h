#pragma once
// One HTTP or HTTPS exchange (a snapshot GET) over a fresh connection to a device:
// Basic credentials go with the first request, and a 401 is answered once, on a new
// connection, with the scheme the challenge asks for (Basic or Digest). The connection
// runs on the platform's TCP client: host names, IPv4 and IPv6 addresses, TLS under the
// process-wide verification rules.
#include <cstdint>
#include <memory>
#include <string>

#include "Component/ServerInfo.h"
#include "Infra/Mutex.h"
#include "NetProtocol/HttpMsgCreator.h"
#include "NetProtocol/HttpParser.h"

namespace Zentar {
namespace NetFramework {
class CTcpClient;
} // namespace NetFramework
} // namespace Zentar

namespace RPC {

class CHttpClient {
public:
    static constexpr uint32_t kDefaultTimeoutMs = 5000;
    static constexpr size_t kRecvBufferSize = 32768;

    // Keeps its own copy of the record: address (host name, IPv4 or IPv6 literal), port,
    // user name, password.
    explicit CHttpClient(const Zentar::Component::ServerInfo& info);
    ~CHttpClient();
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    // msgCreator holds the method and URI (and any headers of the caller's). On return
    // httpParser holds the response parser whenever one was created (status code, text,
    // content). 0 = a response arrived: 200 or 204, or any status after the one retry
    // that a 401 earns (the caller judges it). -1 = no usable response.
    int downLoad(Zentar::NetProtocol::CHttpMsgCreator& msgCreator,
                 std::unique_ptr<Zentar::NetProtocol::CHttpParser>& httpParser);

    // A connected blocking TCP socket to host:port (a host name or an address literal;
    // every address tried in order, each for at most 5 s), or -1. The firmware upgrader
    // drives its upload on it with the helpers of SocketTimeout.h.
    static int connectEndpoint(const char* host, int port);

    // Talk TLS on the connection (an https:// snapshot address); plain TCP by default.
    void setTls(bool tls) { m_tls = tls; }

    // Time-out of each send and receive wait; 5000 ms unless changed.
    void setTimeoutMs(uint32_t ms) { m_timeoutMs = ms; }
    uint32_t getTimeoutMs() const { return m_timeoutMs; }

private:
    int exchange(const std::string& request, Zentar::NetProtocol::CHttpParser& parser);
    int receiveResponse(Zentar::NetFramework::CTcpClient& connection, Zentar::NetProtocol::CHttpParser& parser);

    Zentar::Component::ServerInfo m_info;
    uint32_t m_timeoutMs = kDefaultTimeoutMs;
    bool m_tls = false;
    Zentar::Infra::CMutex m_mutex;
};

// The "Host" header value: the address (an IPv6 literal in brackets), then a colon and
// the port unless it is the scheme's own (80, or 443 with TLS).
std::string hostHeaderValue(const std::string& address, int port, bool tls);

// The request text of the retry that answers a 401: the first request (as the message
// creator produced it) with an Authorization line for the challenge in response. Empty
// when there is nothing sensible to retry with.
std::string buildAuthorizedRequest(const Zentar::NetProtocol::CHttpParser& response,
                                   const std::string& firstRequest, const std::string& user,
                                   const std::string& password);

} // namespace RPC
