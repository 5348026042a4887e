#pragma once
// A scripted RTSP server on 127.0.0.1 for tests of the RTSP client. It records every
// request that really arrived and answers what the test's handler says: an answer,
// silence, a dropped connection or raw bytes. It also speaks the HTTP tunnel (GET/POST
// pair with x-sessioncookie, base64 requests) and sends RTP the test hands it, either
// interleaved on the RTSP connection or as UDP datagrams.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Stream/Rtsp/MsgHandler.h"
#include "Stream/Rtsp/RtspClientSession.h"

namespace OnvifTest {

struct RtspRequest {
    std::string method;
    std::string url;
    std::string protocol;                          // "RTSP/1.0", or "HTTP/1.0" for tunnel halves
    std::map<std::string, std::string> headers;    // names lower-cased
    std::string body;
    int connection = 0;                            // 1-based accept order

    std::string header(const std::string& lowerName) const
    {
        auto it = headers.find(lowerName);
        return it == headers.end() ? std::string() : it->second;
    }
};

struct RtspReply {
    enum Action { Respond, Silent, Close, Raw };
    Action action = Respond;
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string raw;        // Raw: sent as is; the connection stays open
    bool echoCSeq = true;

    static RtspReply ok() { return RtspReply(); }
    static RtspReply status_(int code, const std::string& reason);
    static RtspReply silent();
    static RtspReply close();
    static RtspReply rawBytes(std::string bytes);
    RtspReply& with(const std::string& name, const std::string& value)
    {
        headers.emplace_back(name, value);
        return *this;
    }
};

// A datagram or interleaved frame that the client sent.
struct RtspClientPacket {
    int channel = -1;          // interleaved channel; -1 for UDP
    bool rtcpPort = false;     // UDP: arrived on the server's RTCP port
    std::string bytes;
};

class RtspScriptedServer {
public:
    using Handler = std::function<RtspReply(const RtspRequest&, size_t index)>;

    // tls: every connection is TLS (a self-signed certificate made at start).
    explicit RtspScriptedServer(Handler handler, bool tls = false);
    ~RtspScriptedServer();

    int port() const { return m_port; }
    std::string url(const std::string& path = "/live/ch0") const;
    int udpRtpPort() const { return m_udpPorts[0]; }
    int udpRtcpPort() const { return m_udpPorts[1]; }

    std::vector<RtspRequest> requests() const;
    std::vector<std::string> methods() const;   // RTSP requests only, in arrival order
    size_t count(const std::string& method) const;
    // Waits (bounded) until at least n requests of that method arrived.
    bool waitFor(const std::string& method, size_t n, int timeoutMs = 5000) const;
    std::vector<RtspClientPacket> clientPackets() const;
    bool waitForClientPacket(int timeoutMs = 5000) const;

    // Sends '$' channel length data on the newest RTSP data connection (the tunnel's GET).
    bool sendInterleaved(uint8_t channel, const std::string& data);
    bool sendRaw(const std::string& bytes);
    // Sends a datagram from the server's RTP port to 127.0.0.1:port.
    bool sendUdp(int port, const std::string& data);
    // Sends to a multicast group on the loopback interface with TTL 0: the datagram is
    // looped back to local members and never leaves the host.
    bool sendMulticast(const std::string& group, int port, const std::string& data);
    // Closes every client connection (the listener stays).
    void dropConnections();
    int connectionCount() const { return m_connections.load(); }
    void stop();

    // A plain device: OPTIONS, DESCRIBE (sdp), SETUP (echoes the transport, adds server
    // ports and interleaved channels; Session "s1;timeout=<timeout>"), PLAY, PAUSE,
    // GET_PARAMETER, SET_PARAMETER, TEARDOWN all answered 200.
    static RtspReply deviceAnswer(const RtspRequest& request, const std::string& sdp, int sessionTimeout,
                                  int serverRtpPort, int serverRtcpPort);

private:
    struct Conn;
    void acceptLoop();
    void serve(int fd, int number);
    bool handleRtsp(Conn& conn, std::string& buffer, int replyFd);
    void udpLoop(int index);
    bool writeAll(int fd, const std::string& data);
    ssize_t receive(int fd, char* buf, size_t size);

    Handler m_handler;
    int m_listenFd = -1;
    int m_port = 0;
    int m_udpFds[2] = {-1, -1};
    int m_udpPorts[2] = {0, 0};
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_connections{0};
    std::thread m_acceptThread;
    std::thread m_udpThreads[2];
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<RtspRequest> m_requests;
    std::vector<RtspClientPacket> m_clientPackets;
    std::vector<std::thread> m_workers;
    std::vector<int> m_openFds;
    int m_dataFd = -1;                           // where interleaved data goes
    std::map<std::string, int> m_tunnelGetFds;   // x-sessioncookie -> GET connection
    std::mutex m_writeMutex;
    void* m_tlsContext = nullptr;                // SSL_CTX
    std::map<int, void*> m_tlsSessions;          // fd -> SSL, under m_writeMutex
};

// The test's side of a client session: the handler its messages are posted to, and a
// receiver that keeps the payload of every delivered frame.
class RtspClientProbe : public Zentar::StreamApp::CMsgHandler {
public:
    struct Message {
        long sender;
        int type;
        long attach;
    };
    struct Frame {
        int media;
        int frameType;
        std::string payload;   // the native frame's payload (empty if unreadable)
    };

    // kind: ERtspTransKind. Short time-outs keep failure cases quick.
    explicit RtspClientProbe(int kind, uint32_t answerMs = 3000, uint32_t dataMs = 20000);
    ~RtspClientProbe() override;

    Zentar::StreamApp::CRtspClientSession& session() { return *m_session; }
    int start(const std::string& url, bool tls = false);

    int handle_message(long sender, int type, long attach) override;

    std::vector<Message> messages() const;
    bool waitMessage(int type, int timeoutMs = 5000) const;
    // Waits until a message of either type arrived; returns the first such type, or 0.
    int waitEither(int type, int otherType, int timeoutMs = 5000) const;
    // The attachment of the first error message, 0 when none.
    long errorCode() const;
    size_t countMessages(int type) const;

    std::vector<Frame> frames() const;
    bool waitFrames(size_t n, int timeoutMs = 5000) const;

private:
    Zentar::StreamApp::CRtspClientSession::Ptr m_session;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Message> m_messages;
    std::vector<Frame> m_frames;
};

// RTP packet bytes for tests: version 2, no extension.
std::string makeRtp(uint8_t payloadType, uint16_t seq, uint32_t timestamp, uint32_t ssrc, bool marker,
                    const std::string& payload);

} // namespace OnvifTest
