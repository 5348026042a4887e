#pragma once
// The streaming session's frame: one access unit of one media, already packaged as a
// native frame packet, plus what the session knows about it (media index, codec, RTP
// timestamp). The RTSP client wrapper takes the native packet (getPacket) and stamps it.
// For the talk back channel the wrapper goes the other way: it copies a host packet in
// with assign() and the session sends its payload.
#include <cstddef>
#include <cstdint>

#include "Stream/Media/MediaCodec.h"
#include "Stream/Media/MediaFrame.h"

namespace Zentar {
namespace StreamSvr {

class CMediaFrame {
public:
    CMediaFrame() = default;

    // Deep copy of a host packet (bytes, presentation time, channel, frame type).
    bool assign(const Stream::CMediaFrame& packet);
    void reset();
    bool valid() const { return m_packet.valid(); }

    Stream::CMediaFrame& getPacket() { return m_packet; }
    const Stream::CMediaFrame& getPacket() const { return m_packet; }

    uint64_t getPts() const { return m_packet.getPts(); }
    void setPts(uint64_t pts) { m_packet.setPts(pts); }
    int getFrameType() const { return m_packet.getFrameType(); }
    void setFrameType(int type) { m_packet.setFrameType(type); }

    int getMediaIndex() const { return m_mediaIndex; }
    void setMediaIndex(int index) { m_mediaIndex = index; }
    EMediaCodec getCodec() const { return m_codec; }
    void setCodec(EMediaCodec codec) { m_codec = codec; }
    uint32_t getRtpTimestamp() const { return m_rtpTimestamp; }
    void setRtpTimestamp(uint32_t ts) { m_rtpTimestamp = ts; }
    bool isKey() const { return m_key; }
    void setKey(bool key) { m_key = key; }
    // Recording time (ONVIF replay extension), milliseconds since 1970 UTC; 0 = unknown.
    int64_t getUtcMs() const { return m_utcMs; }
    void setUtcMs(int64_t ms) { m_utcMs = ms; }

private:
    Stream::CMediaFrame m_packet;
    int m_mediaIndex = -1;
    EMediaCodec m_codec = kCodecUnknown;
    uint32_t m_rtpTimestamp = 0;
    bool m_key = false;
    int64_t m_utcMs = 0;
};

} // namespace StreamSvr
} // namespace Zentar
