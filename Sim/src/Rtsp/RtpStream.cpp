#include "Rtsp/RtpStream.h"

#include "Common/Crypto.h"
#include "Rtsp/RtpBytes.h"

namespace OnvifSim {
namespace {

constexpr auto kReportInterval = std::chrono::seconds(5);
constexpr auto kMaxLag = std::chrono::seconds(1);

} // namespace

CRtpStream::CRtpStream(CStrand strand, CClipPtr clip, std::shared_ptr<IRtpSink> sink,
                       std::shared_ptr<std::atomic<int>> fault)
    : m_timer(strand), m_clip(std::move(clip)), m_sink(std::move(sink)), m_fault(std::move(fault)),
      m_ssrc(Random32()), m_sequence(static_cast<uint16_t>(Random32())), m_timestamp(Random32())
{
}

uint32_t CRtpStream::ticks(CClock::duration d) const
{
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(d).count() *
                                 static_cast<long long>(m_clip->clockRate) / 1000000);
}

void CRtpStream::play()
{
    if (m_playing || m_stopped)
        return;
    auto now = CClock::now();
    // RTP time runs on while paused, as a live camera's clock does.
    if (m_started)
        m_timestamp += ticks(now - m_pausedAt);
    else if (static_cast<ERtspFault>(m_fault->load()) == ERtspFault::LateKeyFrame && m_clip->video &&
             m_clip->frames.size() > 1) {
        // Clips open on a key frame: start just after it and also hold back the next one,
        // so the first key frame arrives about two GOPs into the session.
        m_frame = 1;
        m_keysToWithhold = 1;
    }
    m_started = true;
    m_playing = true;
    m_due = now;
    m_nextReport = now;
    schedule();
}

void CRtpStream::pause()
{
    if (!m_playing)
        return;
    m_playing = false;
    m_pausedAt = CClock::now();
    m_timer.cancel();
}

void CRtpStream::stop()
{
    m_stopped = true;
    m_playing = false;
    m_timer.cancel();
}

void CRtpStream::schedule()
{
    m_timer.expires_at(m_due);
    m_timer.async_wait([self = shared_from_this()](const asio::error_code& ec) {
        if (!ec && self->m_playing)
            self->tick();
    });
}

void CRtpStream::tick()
{
    auto now = CClock::now();
    if (now - m_due > kMaxLag) {
        // Fell far behind (a stalled loop, a suspended machine): skip rather than burst.
        m_timestamp += ticks(now - m_due);
        m_due = now;
    }
    if (now >= m_nextReport) {
        sendReport();
        m_nextReport = now + kReportInterval;
    }
    for (int sent = 0; m_due <= now && sent < 50; ++sent) {
        const CClipFrame& frame = m_clip->frames[m_frame];
        if (frame.key && m_keysToWithhold > 0)
            --m_keysToWithhold;
        else
            sendFrame(frame);
        m_frame = (m_frame + 1) % m_clip->frames.size();
        m_timestamp += frame.duration;
        m_due += std::chrono::microseconds(static_cast<long long>(frame.duration) * 1000000 / m_clip->clockRate);
    }
    schedule();
}

//  0                   1                   2                   3
// |V=2|P|X|  CC   |M|     PT      |       sequence number         |
// |                           timestamp                           |
// |                             SSRC                              |
void CRtpStream::sendFrame(const CClipFrame& frame)
{
    auto fault = static_cast<ERtspFault>(m_fault->load());
    for (const auto& payload : frame.packets) {
        std::string packet;
        packet.reserve(12 + payload.bytes.size());
        packet += static_cast<char>(fault == ERtspFault::BadRtpVersion ? 0x40 : 0x80);
        packet += static_cast<char>((payload.marker ? 0x80 : 0) | m_clip->payloadType);
        Put16(packet, m_sequence++);
        Put32(packet, m_timestamp);
        Put32(packet, m_ssrc);
        packet += payload.bytes;
        ++m_packetCount;
        m_octetCount += static_cast<uint32_t>(payload.bytes.size());
        switch (fault) {
        case ERtspFault::Stall:
            continue;
        case ERtspFault::TruncatedRtp:
            packet.resize(8);   // shorter than the fixed header
            break;
        case ERtspFault::Garbage:
            m_sink->sendGarbage(std::make_shared<const std::string>(RandomBytes(64)));
            continue;
        default:
            break;
        }
        m_sink->send(std::make_shared<const std::string>(std::move(packet)), false);
    }
}

// Sender report (RFC 3550 section 6.4.1) and an SDES CNAME, as one compound packet.
void CRtpStream::sendReport()
{
    const auto fault = static_cast<ERtspFault>(m_fault->load());
    if (fault != ERtspFault::None && fault != ERtspFault::LateKeyFrame)
        return;
    auto wall = std::chrono::system_clock::now().time_since_epoch();
    auto micros = std::chrono::duration_cast<std::chrono::microseconds>(wall).count();
    uint32_t ntpSeconds = static_cast<uint32_t>(micros / 1000000 + 2208988800LL);
    uint32_t ntpFraction = static_cast<uint32_t>(((micros % 1000000) << 32) / 1000000);
    uint32_t rtpNow = m_timestamp - ticks(m_due - CClock::now());
    std::string packet;
    packet += static_cast<char>(0x80);
    packet += static_cast<char>(200);
    Put16(packet, 6);
    Put32(packet, m_ssrc);
    Put32(packet, ntpSeconds);
    Put32(packet, ntpFraction);
    Put32(packet, rtpNow);
    Put32(packet, m_packetCount);
    Put32(packet, m_octetCount);
    const std::string cname = "onvif-sim";
    std::string sdes;
    Put32(sdes, m_ssrc);
    sdes += '\x01';
    sdes += static_cast<char>(cname.size());
    sdes += cname;
    do
        sdes += '\0';   // end of list, padded to a 32-bit boundary
    while (sdes.size() % 4);
    packet += static_cast<char>(0x81);
    packet += static_cast<char>(202);
    Put16(packet, sdes.size() / 4);
    packet += sdes;
    m_sink->send(std::make_shared<const std::string>(std::move(packet)), true);
}

} // namespace OnvifSim
