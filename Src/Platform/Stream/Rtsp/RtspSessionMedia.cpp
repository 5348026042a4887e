// Tracks of an RTSP client session: SETUP transports, RTP and RTCP reception (interleaved
// or UDP), the path reception -> reorder -> depacketiser -> packager -> receivers, receiver
// reports and the talk back channel.
#include "Stream/Rtsp/RtspSessionImpl.h"

#include "Stream/Rtsp/RtspTransportHeader.h"

#include "Infra/LogSink.h"
#include "Stream/Media/SvrMediaFrame.h"

#include <openssl/rand.h>

#include <cstring>
#include <strings.h>

namespace Zentar {
namespace StreamApp {

namespace {

const size_t kMaxRtpPayload = 1400; // keeps talk packets under a common path MTU

uint32_t randomSsrc()
{
    uint32_t v = 0;
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&v), sizeof(v)) != 1)
        v = static_cast<uint32_t>(rand());
    return v;
}

bool isSampleCounted(const std::string& encoding)
{
    // One byte per sample at 8 kHz: the RTP clock advances by the payload size.
    return strcasecmp(encoding.c_str(), "PCMU") == 0 || strcasecmp(encoding.c_str(), "PCMA") == 0;
}

} // namespace

// Receives the access units of one track from its depacketiser.
class CRtspSessionImpl::CUnitSink : public StreamSvr::IAccessUnitSink {
public:
    CUnitSink(CRtspSessionImpl& session, CTrack& track, const StreamSvr::CRtpPacket& packet)
        : m_session(session), m_track(track), m_packet(packet)
    {
    }

    void onAccessUnit(const StreamSvr::CAccessUnit& unit) override
    {
        StreamSvr::CMediaFrame frame;
        if (!m_track.packager.package(unit, frame))
            return;
        frame.setMediaIndex(m_track.media);
        frame.setCodec(unit.codec);
        frame.setRtpTimestamp(unit.rtpTimestamp);
        frame.setKey(unit.key);
        int64_t utcMs = 0;
        if (m_packet.replay().present)
            utcMs = StreamSvr::ntpToUnixMs(m_packet.replay().ntpTimestamp);
        else if (m_track.timeMapper.valid())
            m_track.timeMapper.toUnixMs(unit.rtpTimestamp, utcMs);
        frame.setUtcMs(utcMs);
        m_session.dispatchFrame(m_track.media, frame);
    }

private:
    CRtspSessionImpl& m_session;
    CTrack& m_track;
    const StreamSvr::CRtpPacket& m_packet;
};

// ---- receivers and description (any thread) ------------------------------------

int CRtspSessionImpl::attachDataProc(int id, CRtspClientSession::DataProc proc)
{
    if (!proc)
        return -1;
    std::lock_guard<std::mutex> lock(m_procMutex);
    m_procs[id] = std::make_shared<CRtspClientSession::DataProc>(std::move(proc));
    return 0;
}

int CRtspSessionImpl::detachDataProc(int id)
{
    std::unique_lock<std::mutex> lock(m_procMutex);
    if (m_procs.erase(id) == 0)
        return -1;
    m_procIdle.wait(lock, [&] { return m_procBusy == 0 || m_procThread == std::this_thread::get_id(); });
    return 0;
}

void CRtspSessionImpl::dispatchFrame(int media, StreamSvr::CMediaFrame& frame)
{
    std::vector<std::shared_ptr<CRtspClientSession::DataProc>> procs;
    {
        std::lock_guard<std::mutex> lock(m_procMutex);
        if (m_procs.empty() || m_closed.load())
            return;
        for (auto& p : m_procs)
            procs.push_back(p.second);
        ++m_procBusy;
        m_procThread = std::this_thread::get_id();
    }
    for (auto& proc : procs) {
        {
            // A receiver detached by an earlier one in this round is not called.
            std::lock_guard<std::mutex> lock(m_procMutex);
            bool still = false;
            for (auto& p : m_procs)
                still = still || p.second == proc;
            if (!still)
                continue;
        }
        (*proc)(media, frame);
    }
    {
        std::lock_guard<std::mutex> lock(m_procMutex);
        --m_procBusy;
        m_procThread = std::thread::id();
    }
    m_procIdle.notify_all();
}

std::shared_ptr<const StreamSvr::CSdpParser> CRtspSessionImpl::sdp() const
{
    std::lock_guard<std::mutex> lock(m_sdpMutex);
    return m_sdp;
}

int CRtspSessionImpl::replaceSdp(const StreamSvr::CSdpParser& sdp)
{
    std::lock_guard<std::mutex> lock(m_sdpMutex);
    if (!m_sdp || m_sdp->getMediaTotal() != sdp.getMediaTotal())
        return -1;
    auto copy = std::make_shared<StreamSvr::CSdpParser>(sdp);
    if (copy->getContentBase().empty())
        copy->setContentBase(m_sdp->getContentBase());
    m_sdp = copy;
    return 0;
}

// ---- tracks ------------------------------------------------------------------

void CRtspSessionImpl::selectMedia(int media)
{
    m_selected.insert(media);
}

void CRtspSessionImpl::buildTracks()
{
    auto sdp = this->sdp();
    m_tracks.clear();
    m_aggregateUrl = sdp->hasSessionAttribute("control") ? sdp->getSessionUrl() : m_contentBase;
    for (int i = 0; i < sdp->getMediaTotal(); ++i) {
        bool backChannel = sdp->getSendRecvAttr(i) == StreamSvr::kSdpSendOnly;
        int type = sdp->getMediaType(i);
        bool wanted = m_selected.empty()
            ? (type == StreamSvr::kSdpMediaAudio || type == StreamSvr::kSdpMediaVideo)
                && (!backChannel || m_opt.talk)
            : m_selected.count(i) > 0;
        if (!wanted)
            continue;
        CTrack track;
        track.media = i;
        track.url = sdp->getMediaUrl(i);
        track.backChannel = backChannel;
        StreamSvr::CSdpPayload payload;
        if (sdp->getPayload(i, 0, payload)) {
            track.payloadType = payload.payloadType;
            track.encoding = payload.name;
            track.clockRate = payload.rate > 0 ? static_cast<uint32_t>(payload.rate) : 90000;
            track.depacketizer = payload.name.empty()
                ? StreamSvr::createStaticDepacketizer(payload.payloadType)
                : StreamSvr::createDepacketizer(payload.name, track.clockRate, payload.channels, payload.fmtp);
        }
        if (!track.depacketizer && !backChannel)
            Infra::logFilter(Infra::kLogWarning, "rtsp[%ld] media %d: payload %d '%s' not supported, "
                             "its packets are dropped", m_id, i, track.payloadType, track.encoding.c_str());
        track.packager.setClockRate(track.clockRate);
        track.packager.setMediaIndex(i);
        int fps = atoi(sdp->getAttribute(i, "framerate").c_str());
        if (fps > 0 && fps < 256)
            track.packager.setConfiguredFrameRate(fps);
        track.stats = StreamSvr::CRtpReceiveStats(track.clockRate);
        track.timeMapper.setClockRate(track.clockRate);
        track.sendSsrc = randomSsrc();
        track.sendSeq = static_cast<uint16_t>(randomSsrc());
        track.sendTs = randomSsrc();
        int channel = static_cast<int>(m_tracks.size()) * 2;
        track.channels[0] = channel;
        track.channels[1] = channel + 1;
        m_tracks.push_back(std::move(track));
    }
    if (m_tracks.empty())
        fail(kRtspErrProtocol, "no media to set up in the description");
    m_rtcpSsrc = randomSsrc();
}

std::string CRtspSessionImpl::transportFor(CTrack& track, int index, std::string& error)
{
    CRtspTransportHeader t;
    switch (m_kind) {
    case kRtspTransUdp: {
        track.udp.reset(new CRtpUdpPair(m_strand));
        bool v6 = m_url.host.find(':') != std::string::npos;
        if (!track.udp->openUnicast(v6, m_opt.portLow, m_opt.portHigh, error))
            return std::string();
        track.udp->setReceiveBuffers(m_opt.recvBuffer[0], m_opt.recvBuffer[1]);
        t.clientPort[0] = track.udp->rtpPort();
        t.clientPort[1] = track.udp->rtpPort() + 1;
        break;
    }
    case kRtspTransMulticast:
        t.multicast = true;
        break;
    default:
        t.tcp = true;
        t.interleaved[0] = track.channels[0];
        t.interleaved[1] = track.channels[1];
        break;
    }
    return t.toString();
}

bool CRtspSessionImpl::onSetUp(const CRequest& req, const CRtspAnswer& answer)
{
    takeSessionHeader(answer);
    if (req.track < 0 || req.track >= static_cast<int>(m_tracks.size()))
        return true;
    CTrack& track = m_tracks[req.track];
    bool askedTcp = !(m_kind == kRtspTransUdp || m_kind == kRtspTransMulticast);
    bool askedMulticast = m_kind == kRtspTransMulticast;
    CRtspTransportHeader t;
    std::string text = answer.header("Transport");
    bool parsed = !text.empty() && t.parse(text);
    if (!parsed) {
        if (m_opt.transCheck || askedMulticast) {
            fail(kRtspErrTransport, "SETUP answer without a usable Transport ('" + text.substr(0, 96) + "')");
            return false;
        }
        t.tcp = askedTcp; // devices that leave it out deliver what was asked
    }
    if (parsed && m_opt.transCheck && (t.tcp != askedTcp || t.multicast != askedMulticast)) {
        fail(kRtspErrTransport, "SETUP answered with another transport: '" + text.substr(0, 96) + "'");
        return false;
    }
    if (t.tcp) {
        if (t.interleaved[0] >= 0) {
            track.channels[0] = t.interleaved[0];
            track.channels[1] = t.interleaved[1];
        }
        if (track.udp) {
            track.udp->close();
            track.udp.reset();
        }
    } else if (t.multicast) {
        std::string error;
        track.udp.reset(new CRtpUdpPair(m_strand));
        int rtp = t.port[0] > 0 ? t.port[0] : t.clientPort[0];
        int rtcp = t.port[0] > 0 ? t.port[1] : t.clientPort[1];
        if (t.destination.empty() || rtp <= 0
            || !track.udp->openMulticast(t.destination, static_cast<uint16_t>(rtp), static_cast<uint16_t>(rtcp),
                                         m_stream->localAddress(), error)) {
            fail(kRtspErrTransport, "multicast SETUP '" + text.substr(0, 96) + "': " + error);
            return false;
        }
        // The group membership is the filter: senders to a group need not be the server.
        track.udp->setReceiveBuffers(m_opt.recvBuffer[0], m_opt.recvBuffer[1]);
    } else if (track.udp) {
        // The media come from the address the RTSP connection reached, not from "source=":
        // devices behind port forwarding announce their private address there.
        track.udp->setPeer(m_stream->remoteAddress(), static_cast<uint16_t>(t.serverPort[0]),
                           static_cast<uint16_t>(t.serverPort[1]), m_opt.udpConnect);
    } else {
        fail(kRtspErrTransport, "SETUP answered UDP on a TCP session: '" + text.substr(0, 96) + "'");
        return false;
    }
    if (track.udp) {
        int index = req.track;
        track.udp->start([this, index](bool rtcp, const uint8_t* data, size_t size) {
            onUdp(index, rtcp, data, size);
        }, shared_from_this());
    }
    track.setUp = true;
    return true;
}

// ---- reception -------------------------------------------------------------------

void CRtspSessionImpl::onInterleaved(uint8_t channel, const uint8_t* data, size_t size)
{
    for (auto& track : m_tracks) {
        if (track.channels[0] == channel) {
            onRtp(track, data, size);
            return;
        }
        if (track.channels[1] == channel) {
            onRtcp(track, data, size);
            return;
        }
    }
}

void CRtspSessionImpl::onUdp(int index, bool rtcp, const uint8_t* data, size_t size)
{
    if (m_state == kFinished || index < 0 || index >= static_cast<int>(m_tracks.size()))
        return;
    if (rtcp)
        onRtcp(m_tracks[index], data, size);
    else
        onRtp(m_tracks[index], data, size);
}

void CRtspSessionImpl::onRtp(CTrack& track, const uint8_t* data, size_t size)
{
    if (m_state != kPlaying && m_state != kSettingUp)
        return; // a paused server may still flush a few packets
    uint64_t now = rtspNowMs();
    m_lastDataMs = now;
    StreamSvr::CRtpPacket packet;
    if (!packet.parse(data, size))
        return; // counted by nobody: garbage on a media port is not worth a log line each
    track.stats.onPacket(packet.ssrc(), packet.sequence(), packet.timestamp(), now);
    if (!track.udp) {
        deliverInOrder(track, packet, 0);
        return;
    }
    // UDP may reorder; the stream connection cannot.
    track.reorder.push(data, size, now);
    drainReorder(track, now);
}

void CRtspSessionImpl::drainReorder(CTrack& track, uint64_t nowMs)
{
    if (!track.udp)
        return;
    StreamSvr::CRtpPacket packet;
    uint32_t lost = 0;
    while (m_state != kFinished && track.reorder.pop(nowMs, packet, lost))
        deliverInOrder(track, packet, lost);
}

void CRtspSessionImpl::deliverInOrder(CTrack& track, const StreamSvr::CRtpPacket& packet, uint32_t lost)
{
    if (!track.depacketizer || track.backChannel)
        return;
    if (lost > 0)
        track.depacketizer->lost(lost);
    CUnitSink sink(*this, track, packet);
    track.depacketizer->input(packet, sink);
}

void CRtspSessionImpl::onRtcp(CTrack& track, const uint8_t* data, size_t size)
{
    m_lastDataMs = rtspNowMs();
    StreamSvr::CRtcpSenderReport sr;
    if (!StreamSvr::parseSenderReport(data, size, sr))
        return;
    track.stats.onSenderReport(sr.ntpTimestamp, rtspNowMs());
    track.timeMapper.onSenderReport(sr);
}

bool CRtspSessionImpl::sendReceiverReports()
{
    bool sent = false;
    uint64_t now = rtspNowMs();
    for (auto& track : m_tracks) {
        if (!track.setUp || track.backChannel || !track.stats.hasSource())
            continue;
        StreamSvr::CRtcpReportBlock block;
        if (!track.stats.makeReportBlock(now, block))
            continue;
        std::vector<uint8_t> packet;
        StreamSvr::buildReceiverReport(m_rtcpSsrc, &block, 1, "rtsp-client", packet);
        sendTrackPacket(track, true, packet);
        sent = true;
    }
    return sent;
}

void CRtspSessionImpl::sendTrackPacket(CTrack& track, bool rtcp, const std::vector<uint8_t>& packet)
{
    if (track.udp) {
        auto copy = std::make_shared<const std::vector<uint8_t>>(packet);
        if (rtcp)
            track.udp->sendRtcp(copy);
        else
            track.udp->sendRtp(copy);
        return;
    }
    if (packet.size() > 0xFFFF)
        return;
    // '$' | channel | length (big endian) | packet
    std::string frame;
    frame.reserve(4 + packet.size());
    frame += '$';
    frame += static_cast<char>(track.channels[rtcp ? 1 : 0]);
    frame += static_cast<char>(packet.size() >> 8);
    frame += static_cast<char>(packet.size() & 0xFF);
    frame.append(reinterpret_cast<const char*>(packet.data()), packet.size());
    writeRaw(std::make_shared<const std::string>(std::move(frame)));
}

// ---- talk ------------------------------------------------------------------------

void CRtspSessionImpl::doPut(std::shared_ptr<std::vector<uint8_t>> payload, uint64_t ptsMs)
{
    if (m_state != kPlaying && m_state != kPaused)
        return;
    CTrack* back = nullptr;
    for (auto& track : m_tracks)
        if (track.backChannel && track.setUp)
            back = &track;
    if (!back) {
        Infra::logFilter(Infra::kLogWarning, "rtsp[%ld] put: no back channel set up, %zu bytes dropped",
                         m_id, payload->size());
        return;
    }
    bool counted = isSampleCounted(back->encoding);
    uint32_t ts = counted ? back->sendTs : static_cast<uint32_t>(ptsMs * back->clockRate / 1000);
    std::vector<uint8_t> packet;
    for (size_t offset = 0; offset < payload->size(); offset += kMaxRtpPayload) {
        size_t n = std::min(kMaxRtpPayload, payload->size() - offset);
        StreamSvr::CRtpHeader header;
        header.payloadType = static_cast<uint8_t>(back->payloadType);
        header.sequence = back->sendSeq++;
        header.ssrc = back->sendSsrc;
        header.timestamp = ts;
        header.marker = !counted && offset + n == payload->size();
        StreamSvr::buildRtpPacket(header, payload->data() + offset, n, packet);
        sendTrackPacket(*back, false, packet);
        if (counted)
            ts += static_cast<uint32_t>(n);
    }
    back->sendTs = ts;
}

} // namespace StreamApp
} // namespace Zentar
