#include "Rtsp/ReplayStream.h"

#include "Common/Crypto.h"
#include "Rtsp/RtpBytes.h"

#include <cmath>

namespace OnvifSim {
namespace {

// Frames one timer run sends at most before it lets other streams of the device run.
constexpr int kFramesPerRun = 50;
// Seconds from 1900 (NTP) to 1970.
constexpr long long kNtpEpochOffset = 2208988800LL;

} // namespace

CReplayStream::CReplayStream(CStrand strand, CReplayTimeline timeline, std::shared_ptr<IRtpSink> sink,
                             std::function<void()> onEnd, std::shared_ptr<const std::atomic<int>> fault)
    : m_timer(strand), m_timeline(std::move(timeline)), m_sink(std::move(sink)), m_onEnd(std::move(onEnd)),
      m_fault(std::move(fault)),
      m_frameMs(1000.0 / (m_timeline.clip->fps > 0 ? m_timeline.clip->fps : 25.0)), m_ssrc(Random32()),
      m_sequence(static_cast<uint16_t>(Random32())), m_timestamp(Random32())
{
    long long lastKey = 0;
    for (size_t i = 0; i < m_timeline.clip->frames.size(); ++i) {
        if (m_timeline.clip->frames[i].key)
            lastKey = static_cast<long long>(i);
        m_keyBefore.push_back(lastKey);
    }
}

long long CReplayStream::timeOf(const CFrame& f) const
{
    return m_timeline.segments[f.segment].first + std::llround(static_cast<double>(f.index) * m_frameMs);
}

long long CReplayStream::framesIn(size_t segment) const
{
    const auto& s = m_timeline.segments[segment];
    return static_cast<long long>(std::ceil(static_cast<double>(s.second - s.first) / m_frameMs));
}

bool CReplayStream::isKey(long long index) const
{
    const auto& frames = m_timeline.clip->frames;
    return frames[static_cast<size_t>(index) % frames.size()].key;
}

long long CReplayStream::keyAtOrBefore(long long index) const
{
    const long long n = static_cast<long long>(m_keyBefore.size());
    const long long inClip = index % n;
    return index - inClip + m_keyBefore[static_cast<size_t>(inClip)];
}

// The key frame to start from for a time: forwards the one at or before it (or the next
// segment's first when the time falls in a gap), backwards the one at or before it.
CReplayStream::CFrame CReplayStream::locate(long long timeMs) const
{
    const auto& segments = m_timeline.segments;
    CFrame f;
    if (m_request.reverse) {
        for (size_t s = segments.size(); s-- > 0;) {
            if (segments[s].first > timeMs)
                continue;
            const long long last = framesIn(s) - 1;
            const long long k = timeMs >= segments[s].second
                                    ? last
                                    : static_cast<long long>(static_cast<double>(timeMs - segments[s].first) / m_frameMs);
            f.segment = s;
            f.index = keyAtOrBefore(std::min(k, last));
            f.valid = true;
            return f;
        }
        return f;
    }
    for (size_t s = 0; s < segments.size(); ++s) {
        if (segments[s].second <= timeMs)
            continue;
        f.segment = s;
        f.valid = true;
        if (timeMs > segments[s].first) {
            const long long k = static_cast<long long>(static_cast<double>(timeMs - segments[s].first) / m_frameMs);
            f.index = keyAtOrBefore(std::min(k, framesIn(s) - 1));
        }
        return f;
    }
    return f;
}

CReplayStream::CFrame CReplayStream::next(const CFrame& f) const
{
    CFrame n;
    n.valid = true;
    if (m_request.reverse) {
        if (f.index > 0) {
            n.segment = f.segment;
            n.index = keyAtOrBefore(f.index - 1);
        } else if (f.segment > 0) {
            n.segment = f.segment - 1;
            n.index = keyAtOrBefore(framesIn(n.segment) - 1);
            n.afterGap = true;
        } else {
            n.valid = false;
        }
        return n;
    }
    long long index = f.index + 1;
    while (m_request.intraOnly && index < framesIn(f.segment) && !isKey(index))
        ++index;
    if (index < framesIn(f.segment)) {
        n.segment = f.segment;
        n.index = index;
    } else if (f.segment + 1 < m_timeline.segments.size()) {
        n.segment = f.segment + 1;
        n.afterGap = true;
    } else {
        n.valid = false;
    }
    return n;
}

bool CReplayStream::inRange(const CFrame& f) const
{
    if (!f.valid)
        return false;
    if (m_request.endMs < 0)
        return true;
    return m_request.reverse ? timeOf(f) >= m_request.endMs : timeOf(f) < m_request.endMs;
}

CReplayStream::CClock::time_point CReplayStream::dueOf(const CFrame& f) const
{
    if (!m_request.rateControl)
        return m_anchorWall;
    const double wallMs = static_cast<double>(std::llabs(timeOf(f) - m_anchorMs)) / m_request.speed;
    return m_anchorWall + std::chrono::microseconds(static_cast<long long>(wallMs * 1000.0));
}

bool CReplayStream::play(const CReplayRequest& request)
{
    if (m_stopped)
        return false;
    m_timer.cancel();
    const bool resume = request.startMs < 0;
    const CReplayRequest before = m_request;
    const long long position = resume ? positionMs() : request.startMs;
    m_request = request;
    if (resume)
        m_request.endMs = before.endMs;
    // A resume continues with the very next frame; a new position, or a new direction or
    // frame choice, starts again at a key frame.
    if (!resume || !m_current.valid || before.reverse != m_request.reverse || before.intraOnly != m_request.intraOnly)
        m_current = position < 0 ? CFrame() : locate(position);
    m_current.afterGap = false;
    m_ended = false;
    if (!inRange(m_current)) {
        m_playing = false;
        return false;
    }
    m_anchorWall = CClock::now();
    m_anchorMs = timeOf(m_current);
    m_playing = true;
    schedule();
    return true;
}

void CReplayStream::pause()
{
    m_playing = false;
    m_timer.cancel();
}

void CReplayStream::stop()
{
    m_stopped = true;
    m_playing = false;
    m_timer.cancel();
}

long long CReplayStream::positionMs() const
{
    return m_current.valid && !m_ended ? timeOf(m_current) : -1;
}

void CReplayStream::schedule()
{
    m_timer.expires_at(dueOf(m_current));
    m_timer.async_wait([self = shared_from_this()](const asio::error_code& ec) {
        if (!ec && self->m_playing)
            self->tick();
    });
}

void CReplayStream::tick()
{
    const auto now = CClock::now();
    for (int sent = 0; sent < kFramesPerRun && dueOf(m_current) <= now; ++sent) {
        const CFrame following = next(m_current);
        const bool last = !inRange(following);
        sendFrame(m_current, last || following.afterGap, last);
        if (last) {
            m_playing = false;
            m_ended = true;
            m_current = CFrame();
            sendBye();
            if (m_onEnd)
                m_onEnd();
            return;
        }
        if (following.afterGap) {
            // The gap takes no time: the next section follows one frame later.
            m_anchorWall = dueOf(m_current) +
                           std::chrono::microseconds(static_cast<long long>(m_frameMs * 1000.0 / m_request.speed));
            m_anchorMs = timeOf(following);
        }
        m_current = following;
    }
    schedule();
}

//  0                   1                   2                   3
// |V=2|P|X|  CC   |M|     PT      |       sequence number         |
// |                           timestamp                           |
// |                             SSRC                              |
// |      0xABAC (ONVIF replay)    |         length = 3            |
// |                  NTP timestamp, seconds                       |
// |                  NTP timestamp, fraction                      |
// |C|E|D|T|  mbz  |     CSeq      |            padding            |
// C: the frame is a clean point (key frame); E: last packet of a contiguous section;
// D: first packet after a discontinuity; T: last packet of the range.
void CReplayStream::sendFrame(const CFrame& f, bool endsSection, bool last)
{
    const long long timeMs = timeOf(f);
    const CClip& clip = *m_timeline.clip;
    if (m_previousTimeMs >= 0) {
        const double stepMs = f.afterGap ? m_frameMs : static_cast<double>(std::llabs(timeMs - m_previousTimeMs));
        m_timestamp += static_cast<uint32_t>(stepMs * clip.clockRate / 1000.0);
    }
    m_previousTimeMs = timeMs;
    const uint32_t ntpSeconds = static_cast<uint32_t>(timeMs / 1000 + kNtpEpochOffset);
    // Rounded up, so that a reader truncating the fraction back to milliseconds gets the
    // millisecond the frame was recorded at.
    const uint32_t ntpFraction = static_cast<uint32_t>((((timeMs % 1000) << 32) + 999) / 1000);
    if (m_fault && static_cast<ERtspFault>(m_fault->load()) == ERtspFault::Stall)
        return;
    const CClipFrame& frame = clip.frames[static_cast<size_t>(f.index) % clip.frames.size()];
    for (size_t i = 0; i < frame.packets.size(); ++i) {
        const CRtpPayload& payload = frame.packets[i];
        const bool lastPacket = i + 1 == frame.packets.size();
        uint8_t flags = frame.key ? 0x80 : 0;
        flags |= endsSection && lastPacket ? 0x40 : 0;
        flags |= f.afterGap && i == 0 ? 0x20 : 0;
        flags |= last && lastPacket ? 0x10 : 0;
        std::string packet;
        packet.reserve(28 + payload.bytes.size());
        packet += static_cast<char>(0x90);
        packet += static_cast<char>((payload.marker ? 0x80 : 0) | clip.payloadType);
        Put16(packet, m_sequence++);
        Put32(packet, m_timestamp);
        Put32(packet, m_ssrc);
        Put16(packet, 0xABAC);
        Put16(packet, 3);
        Put32(packet, ntpSeconds);
        Put32(packet, ntpFraction);
        packet += static_cast<char>(flags);
        packet += static_cast<char>(m_request.cseq);
        Put16(packet, 0);
        packet += payload.bytes;
        m_sink->send(std::make_shared<const std::string>(std::move(packet)), false);
    }
}

// RTCP BYE (RFC 3550 section 6.6): the stream has ended.
void CReplayStream::sendBye()
{
    std::string packet;
    packet += static_cast<char>(0x81);
    packet += static_cast<char>(203);
    Put16(packet, 1);
    Put32(packet, m_ssrc);
    m_sink->send(std::make_shared<const std::string>(std::move(packet)), true);
}

} // namespace OnvifSim
