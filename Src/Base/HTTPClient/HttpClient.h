#pragma once
// One plain HTTP exchange (a snapshot GET) over a fresh TCP connection to a device:
// Basic credentials go with the first request, and a 401 is answered once, on a new
// connection, with the scheme the challenge asks for (Basic or Digest).
#include <cstdint>
#include <memory>

#include "Component/ServerInfo.h"
#include "Infra/Mutex.h"
#include "NetProtocol/HttpMsgCreator.h"
#include "NetProtocol/HttpParser.h"

namespace RPC {

class CHttpClient {
public:
    static constexpr uint32_t kDefaultTimeoutMs = 5000;
    static constexpr size_t kRecvBufferSize = 32768;

    // Keeps its own copy of the record: address (dotted IPv4), port, user name, password.
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

    // A connected TCP socket to host:port (host a dotted IPv4 address), or -1.
    static int connectEndpoint(const char* host, int port);

    // Time-out of each send and receive wait; 5000 ms unless changed.
    void setTimeoutMs(uint32_t ms) { m_timeoutMs = ms; }
    uint32_t getTimeoutMs() const { return m_timeoutMs; }

private:
    int exchange(const std::string& request, Zentar::NetProtocol::CHttpParser& parser);
    int receiveResponse(int sock, Zentar::NetProtocol::CHttpParser& parser);

    Zentar::Component::ServerInfo m_info;
    uint32_t m_timeoutMs = kDefaultTimeoutMs;
    Zentar::Infra::CMutex m_mutex;
};

// The request text of the retry that answers a 401: the first request (as the message
// creator produced it) with an Authorization line for the challenge in response. Empty
// when there is nothing sensible to retry with.
std::string buildAuthorizedRequest(const Zentar::NetProtocol::CHttpParser& response,
                                   const std::string& firstRequest, const std::string& user,
                                   const std::string& password);

} // namespace RPC
