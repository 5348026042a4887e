#pragma once
// The RTSP server of one simulated device: its own loopback port, the device's profiles as
// streams, the device's users for authentication. Every connection, session, stream and
// timer of the device runs on one strand, so none of the state below needs a lock; the
// control API posts onto that strand.
#include "Http/HttpSession.h"
#include "Rtsp/ReplayStream.h"
#include "Rtsp/RtpStream.h"
#include "Rtsp/RtspMessage.h"
#include "Rtsp/RtspOptions.h"

#include <asio/ip/tcp.hpp>
#include <asio/ip/udp.hpp>

#include <map>
#include <set>

namespace OnvifSim {

class CDeviceCore;
class CRtspConnection;

// Path prefix of the addresses recordings are replayed at: "/replay/<recording token>".
constexpr const char* kReplayPath = "/replay/";

// A profile's tracks as the server streams them.
struct CRtspTrack {
    int id = 0;                  // trackID in the control URL
    CClipPtr clip;
};

struct CRtspProfile {
    std::string token;
    std::string name;
    int index = 0;               // position in the device's profile list
    std::vector<CRtspTrack> tracks;
    // A recording played back ("/replay/<token>") instead of a live profile.
    std::shared_ptr<const CReplayTimeline> timeline;
};

struct CSessionTrack {
    int id = 0;
    std::string url;             // control URL as the client set it up
    std::shared_ptr<CRtpStream> stream;
    std::shared_ptr<CReplayStream> replay;               // replay sessions, instead of stream
    std::shared_ptr<asio::ip::udp::socket> rtpSocket;    // UDP transports
    std::shared_ptr<asio::ip::udp::socket> rtcpSocket;
    bool interleaved = false;
};

struct CRtspSession {
    explicit CRtspSession(CStrand strand) : timeout(strand) {}
    std::string id;
    std::string profile;
    std::vector<CSessionTrack> tracks;
    std::weak_ptr<CRtspConnection> connection;
    asio::steady_timer timeout;
    bool playing = false;
    bool replay = false;
};

class CRtspServer final : public ITunnelSink, public std::enable_shared_from_this<CRtspServer> {
public:
    CRtspServer(asio::io_context& io, std::shared_ptr<CDeviceCore> core, CRtspOptions options);

    bool open(const std::string& address, std::string& error);
    void start();
    void stop();
    unsigned short port() const { return m_port; }

    // ITunnelSink: a GET or POST carrying x-sessioncookie and application/x-rtsp-tunnelled.
    bool adoptTunnel(const CHttpRequest& head, const std::string& rest, asio::ip::tcp::socket& socket) override;

    // Control API (any thread).
    void setFault(ERtspFault fault) { m_fault->store(static_cast<int>(fault)); }
    void dropSessions();
    void setSessionTimeout(int seconds);
    int sessionCount() const { return m_sessionCount.load(); }
    // The URI GetStreamUri hands out for a profile, on 127.0.0.1 and this server's port.
    std::string streamUrl(const std::string& profileToken, bool multicast) const;

    // Connections (strand only).
    CRtspResponse handle(CRtspConnection& connection, const CHttpRequest& request);
    void onInterleaved(CRtspConnection& connection, uint8_t channel);
    void onClosed(CRtspConnection& connection);
    void forget(CRtspConnection& connection);
    CStrand& strand() { return m_strand; }

private:
    void accept();
    void adoptOnStrand(CHttpRequest head, std::string rest, asio::ip::tcp::socket socket);

    // RtspMethods.cpp
    CRtspResponse options(CRtspConnection& c, const CHttpRequest& r);
    CRtspResponse describe(CRtspConnection& c, const CHttpRequest& r);
    CRtspResponse setup(CRtspConnection& c, const CHttpRequest& r);
    CRtspResponse play(CRtspConnection& c, const CHttpRequest& r);
    CRtspResponse pause(CRtspConnection& c, const CHttpRequest& r);
    CRtspResponse teardown(CRtspConnection& c, const CHttpRequest& r);
    CRtspResponse keepAlive(CRtspConnection& c, const CHttpRequest& r);
    std::shared_ptr<CRtspSession> findSession(const CHttpRequest& r, CRtspResponse& refusal);
    void touch(CRtspSession& session);
    void endAllSessions();
    void endSession(const std::string& id, const char* why);
    std::string sessionHeader(const CRtspSession& session) const;
    bool setupTrack(CRtspConnection& c, CRtspSession& session, const CRtspProfile& profile, const CRtspTrack& track, const std::string& url,
                    const std::string& transport, CRtspResponse& response);
    CMulticastGroup groupOf(const CRtspProfile& profile, const CRtspTrack& track) const;

    // RtspReplay.cpp
    bool resolveReplay(const std::string& path, CRtspProfile& profile, std::string& error) const;
    std::shared_ptr<CReplayStream> makeReplayStream(const CRtspProfile& profile, std::shared_ptr<IRtpSink> sink,
                                                    const std::string& sessionId);
    CRtspResponse playReplay(CRtspSession& session, const CHttpRequest& request);
    void replayEnded(const std::string& sessionId);

    // RtspMedia.cpp
    bool authorised(const CHttpRequest& r, CRtspResponse& refusal);
    bool resolve(const std::string& url, CRtspProfile& profile, int& trackId, std::string& error) const;
    std::string sdp(const CRtspProfile& profile, const std::string& base) const;

    asio::io_context& m_io;
    CStrand m_strand;
    asio::ip::tcp::acceptor m_acceptor;
    std::shared_ptr<CDeviceCore> m_core;
    CRtspOptions m_options;
    std::shared_ptr<std::atomic<int>> m_fault;
    std::atomic<int> m_sessionCount{0};
    std::atomic<int> m_sessionTimeout;
    unsigned short m_port = 0;
    std::string m_address;
    std::map<std::string, std::shared_ptr<CRtspSession>> m_sessions;
    std::set<std::shared_ptr<CRtspConnection>> m_connections;
    std::map<std::string, std::weak_ptr<CRtspConnection>> m_tunnels;   // by x-sessioncookie
    bool m_stopped = false;
};

} // namespace OnvifSim
