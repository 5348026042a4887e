// The RTSP methods (RFC 2326 section 10) and the transports media leaves by.
#include "Common/Crypto.h"
#include "Common/Log.h"
#include "Rtsp/RtspConnection.h"
#include "Rtsp/RtspServer.h"

#include <asio/ip/multicast.hpp>

#include <cstdio>

namespace OnvifSim {
namespace {

constexpr size_t kMaxSessions = 512;

class CInterleavedSink final : public IRtpSink {
public:
    CInterleavedSink(std::weak_ptr<CRtspConnection> connection, int channel)
        : m_connection(std::move(connection)), m_channel(channel) {}
    void send(const CPacket& packet, bool rtcp) override
    {
        if (auto c = m_connection.lock())
            c->sendInterleaved(static_cast<uint8_t>(m_channel + (rtcp ? 1 : 0)), packet);
    }
    void sendGarbage(const CPacket& bytes) override
    {
        if (auto c = m_connection.lock())
            c->sendRaw(bytes, true);
    }

private:
    std::weak_ptr<CRtspConnection> m_connection;
    int m_channel;
};

class CUdpSink final : public IRtpSink {
public:
    CUdpSink(std::shared_ptr<asio::ip::udp::socket> rtp, std::shared_ptr<asio::ip::udp::socket> rtcp,
             asio::ip::udp::endpoint rtpTo, asio::ip::udp::endpoint rtcpTo)
        : m_rtp(std::move(rtp)), m_rtcp(std::move(rtcp)), m_rtpTo(rtpTo), m_rtcpTo(rtcpTo) {}
    void send(const CPacket& packet, bool rtcp) override
    {
        auto& socket = rtcp ? m_rtcp : m_rtp;
        socket->async_send_to(asio::buffer(*packet), rtcp ? m_rtcpTo : m_rtpTo,
                              [packet](const asio::error_code&, size_t) {});
    }
    void sendGarbage(const CPacket& bytes) override { send(bytes, false); }

private:
    std::shared_ptr<asio::ip::udp::socket> m_rtp;
    std::shared_ptr<asio::ip::udp::socket> m_rtcp;
    asio::ip::udp::endpoint m_rtpTo;
    asio::ip::udp::endpoint m_rtcpTo;
};

// An even/odd port pair on `address` for RTP and RTCP (RFC 3550 section 11).
bool BindPair(CStrand& strand, const asio::ip::address& address, std::shared_ptr<asio::ip::udp::socket>& rtp,
              std::shared_ptr<asio::ip::udp::socket>& rtcp)
{
    for (int attempt = 0; attempt < 32; ++attempt) {
        asio::error_code ec;
        rtp = std::make_shared<asio::ip::udp::socket>(strand);
        rtcp = std::make_shared<asio::ip::udp::socket>(strand);
        rtp->open(address.is_v6() ? asio::ip::udp::v6() : asio::ip::udp::v4(), ec);
        if (!ec)
            rtp->bind({address, 0}, ec);
        unsigned short port = ec ? 0 : rtp->local_endpoint(ec).port();
        if (ec || port % 2 != 0 || port == 65535)
            continue;
        rtcp->open(rtp->local_endpoint(ec).protocol(), ec);
        if (!ec)
            rtcp->bind({address, static_cast<unsigned short>(port + 1)}, ec);
        if (!ec)
            return true;
    }
    return false;
}

std::string Hex32(uint32_t v)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

CRtspResponse Status(int status)
{
    CRtspResponse r;
    r.status = status;
    return r;
}

} // namespace

CRtspResponse CRtspServer::options(CRtspConnection&, const CHttpRequest& request)
{
    CRtspResponse r;
    r.headers.emplace_back("Public", "OPTIONS, DESCRIBE, SETUP, PLAY, PAUSE, TEARDOWN, GET_PARAMETER, SET_PARAMETER");
    auto it = m_sessions.find(request.header("Session").substr(0, request.header("Session").find(';')));
    if (it != m_sessions.end())
        touch(*it->second);
    return r;
}

CRtspResponse CRtspServer::describe(CRtspConnection&, const CHttpRequest& request)
{
    CRtspProfile profile;
    int trackId = 0;
    std::string error;
    if (!resolve(request.target, profile, trackId, error)) {
        LogLine("rtsp: DESCRIBE " + request.target + ": " + error);
        return Status(404);
    }
    std::string base = request.target;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    CRtspResponse r;
    r.headers.emplace_back("Content-Base", base + "/");
    r.contentType = "application/sdp";
    r.body = sdp(profile, base);
    return r;
}

std::shared_ptr<CRtspSession> CRtspServer::findSession(const CHttpRequest& request, CRtspResponse& refusal)
{
    std::string id = request.header("Session").substr(0, request.header("Session").find(';'));
    auto it = m_sessions.find(id);
    if (it == m_sessions.end()) {
        refusal.status = 454;
        return nullptr;
    }
    touch(*it->second);
    return it->second;
}

void CRtspServer::touch(CRtspSession& session)
{
    session.timeout.expires_after(std::chrono::seconds(m_sessionTimeout.load()));
    session.timeout.async_wait([self = shared_from_this(), id = session.id](const asio::error_code& ec) {
        if (!ec)
            self->endSession(id, "timed out without keep-alive");
    });
}

void CRtspServer::endSession(const std::string& id, const char* why)
{
    auto it = m_sessions.find(id);
    if (it == m_sessions.end())
        return;
    auto session = it->second;
    m_sessions.erase(it);
    m_sessionCount = static_cast<int>(m_sessions.size());
    if (why)
        LogLine("rtsp: session " + id + " ended: " + why);
    session->timeout.cancel();
    asio::error_code ignored;
    for (auto& track : session->tracks) {
        if (track.stream)
            track.stream->stop();
        if (track.replay)
            track.replay->stop();
        if (track.rtpSocket)
            track.rtpSocket->close(ignored);
        if (track.rtcpSocket)
            track.rtcpSocket->close(ignored);
    }
    if (auto c = session->connection.lock())
        c->sessions().erase(id);
}

std::string CRtspServer::sessionHeader(const CRtspSession& session) const
{
    return session.id + ";timeout=" + std::to_string(m_sessionTimeout.load());
}

CMulticastGroup CRtspServer::groupOf(const CRtspProfile& profile, const CRtspTrack& track) const
{
    CMulticastGroup group;
    auto it = m_options.multicast.find(profile.token);
    if (it != m_options.multicast.end())
        group = it->second;
    // Default: a group per device (from its RTSP port) and a port pair per profile and track.
    if (group.address.empty())
        group.address = "239.0." + std::to_string(m_port >> 8) + "." + std::to_string(m_port & 0xFF);
    if (group.port == 0)
        group.port = 40000 + 8 * (profile.index % 3000);
    group.port += 2 * (track.id - 1);
    if (group.ttl < 0)
        group.ttl = m_options.multicastTtl;
    return group;
}

bool CRtspServer::setupTrack(CRtspConnection& c, CRtspSession& session, const CRtspProfile& profile,
                             const CRtspTrack& track, const std::string& url, const std::string& transport, CRtspResponse& r)
{
    CSessionTrack out;
    out.id = track.id;
    out.url = url;
    std::shared_ptr<IRtpSink> sink;
    std::string answer;
    for (const auto& choice : ParseTransports(transport)) {
        if (choice.protocol == "RTP/AVP/TCP" && !choice.multicast) {
            int channel = choice.interleaved[0] >= 0 ? choice.interleaved[0] : c.nextChannel();
            sink = std::make_shared<CInterleavedSink>(c.shared_from_this(), channel);
            out.interleaved = true;
            answer = "RTP/AVP/TCP;unicast;interleaved=" + std::to_string(channel) + "-" + std::to_string(channel + 1);
        } else if (c.tunnel()) {
            continue;   // a tunnel carries media inside itself only
        } else if (choice.multicast) {
            CMulticastGroup group = groupOf(profile, track);
            asio::error_code ec;
            auto iface = asio::ip::make_address_v4(m_options.multicastInterface, ec);
            out.rtpSocket = std::make_shared<asio::ip::udp::socket>(m_strand);
            out.rtcpSocket = std::make_shared<asio::ip::udp::socket>(m_strand);
            for (auto& s : {out.rtpSocket, out.rtcpSocket}) {
                s->open(asio::ip::udp::v4(), ec);
                s->set_option(asio::ip::multicast::outbound_interface(iface), ec);
                s->set_option(asio::ip::multicast::hops(group.ttl), ec);
                s->set_option(asio::ip::multicast::enable_loopback(true), ec);
            }
            if (ec) {
                LogLine("rtsp: multicast on " + m_options.multicastInterface + " refused: " + ec.message());
                continue;
            }
            auto address = asio::ip::make_address_v4(group.address, ec);
            sink = std::make_shared<CUdpSink>(out.rtpSocket, out.rtcpSocket,
                                              asio::ip::udp::endpoint(address, group.port),
                                              asio::ip::udp::endpoint(address, group.port + 1));
            answer = "RTP/AVP;multicast;destination=" + group.address + ";port=" + std::to_string(group.port) + "-" +
                     std::to_string(group.port + 1) + ";ttl=" + std::to_string(group.ttl);
        } else if (choice.clientPort[0] > 0) {
            asio::error_code ec;
            auto local = asio::ip::make_address(c.localAddress(), ec);
            auto peer = asio::ip::make_address(c.peerAddress(), ec);
            if (ec || !BindPair(m_strand, local, out.rtpSocket, out.rtcpSocket)) {
                LogLine("rtsp: no UDP port pair free on " + c.localAddress());
                r.status = 453;
                return false;
            }
            sink = std::make_shared<CUdpSink>(out.rtpSocket, out.rtcpSocket,
                                              asio::ip::udp::endpoint(peer, choice.clientPort[0]),
                                              asio::ip::udp::endpoint(peer, choice.clientPort[1]));
            unsigned short server = out.rtpSocket->local_endpoint(ec).port();
            answer = "RTP/AVP;unicast;client_port=" + std::to_string(choice.clientPort[0]) + "-" +
                     std::to_string(choice.clientPort[1]) + ";server_port=" + std::to_string(server) + "-" +
                     std::to_string(server + 1) + ";source=" + c.localAddress();
        } else {
            continue;
        }
        break;
    }
    if (!sink) {
        r.status = 461;
        return false;
    }
    if (profile.timeline)
        out.replay = makeReplayStream(profile, sink, session.id);
    else
        out.stream = std::make_shared<CRtpStream>(m_strand, track.clip, sink, m_fault);
    r.headers.emplace_back("Transport", answer + ";ssrc=" + Hex32(out.replay ? out.replay->ssrc() : out.stream->ssrc()));
    session.tracks.push_back(std::move(out));
    return true;
}

CRtspResponse CRtspServer::setup(CRtspConnection& c, const CHttpRequest& request)
{
    CRtspProfile profile;
    int trackId = 0;
    std::string error;
    if (!resolve(request.target, profile, trackId, error)) {
        LogLine("rtsp: SETUP " + request.target + ": " + error);
        return Status(404);
    }
    if (trackId == 0 && profile.tracks.size() == 1)
        trackId = 1;
    if (trackId < 1 || trackId > static_cast<int>(profile.tracks.size()))
        return Status(404);
    CRtspResponse r;
    std::shared_ptr<CRtspSession> session;
    if (!request.header("Session").empty()) {
        if (!(session = findSession(request, r)))
            return r;
        if (session->profile != profile.token)
            return Status(459);   // one session streams one profile
        for (const auto& t : session->tracks)
            if (t.id == trackId)
                return Status(455);
    } else {
        if (m_sessions.size() >= kMaxSessions)
            return Status(453);
        session = std::make_shared<CRtspSession>(m_strand);
        session->id = ToHex(RandomBytes(8));
        session->profile = profile.token;
        session->replay = profile.timeline != nullptr;
        session->connection = c.shared_from_this();
    }
    if (!setupTrack(c, *session, profile, profile.tracks[trackId - 1], request.target, request.header("Transport"), r))
        return r;
    if (!m_sessions.count(session->id)) {
        m_sessions[session->id] = session;
        m_sessionCount = static_cast<int>(m_sessions.size());
        c.sessions().insert(session->id);
        touch(*session);
    }
    if (session->playing && session->tracks.back().stream)
        session->tracks.back().stream->play();
    r.headers.emplace_back("Session", sessionHeader(*session));
    return r;
}

CRtspResponse CRtspServer::play(CRtspConnection&, const CHttpRequest& request)
{
    CRtspResponse r;
    auto session = findSession(request, r);
    if (!session)
        return r;
    if (session->replay)
        return playReplay(*session, request);
    std::string range = request.header("Range");
    if (!range.empty() && range.rfind("npt=", 0) != 0 && range.rfind("clock=", 0) != 0)
        return Status(457);
    std::string info;
    for (auto& track : session->tracks) {
        // The first packet leaves from a timer handler, after this answer is queued.
        track.stream->play();
        info += (info.empty() ? "" : ",") + std::string("url=") + track.url + ";seq=" +
                std::to_string(track.stream->nextSequence()) + ";rtptime=" +
                std::to_string(track.stream->nextTimestamp());
    }
    session->playing = true;
    r.headers.emplace_back("Session", sessionHeader(*session));
    r.headers.emplace_back("Range", "npt=0.000-");
    r.headers.emplace_back("RTP-Info", info);
    return r;
}

CRtspResponse CRtspServer::pause(CRtspConnection&, const CHttpRequest& request)
{
    CRtspResponse r;
    auto session = findSession(request, r);
    if (!session)
        return r;
    for (auto& track : session->tracks)
        track.replay ? track.replay->pause() : track.stream->pause();
    session->playing = false;
    r.headers.emplace_back("Session", sessionHeader(*session));
    return r;
}

CRtspResponse CRtspServer::teardown(CRtspConnection&, const CHttpRequest& request)
{
    CRtspResponse r;
    auto session = findSession(request, r);
    if (session)
        endSession(session->id, nullptr);
    return r;
}

CRtspResponse CRtspServer::keepAlive(CRtspConnection&, const CHttpRequest& request)
{
    CRtspResponse r;
    if (request.header("Session").empty())
        return r;   // a parameter request outside a session is only a ping
    auto session = findSession(request, r);
    if (session)
        r.headers.emplace_back("Session", sessionHeader(*session));
    return r;
}

} // namespace OnvifSim
