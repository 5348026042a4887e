#pragma once
// One RTP stream of one session: loops a shared clip, paced by the clip's frame rate with
// an Asio timer on the server's strand (no thread per stream), and sends RTCP sender
// reports. The sink decides where packets go (interleaved, UDP, multicast).
#include "Media/Clip.h"
#include "OnvifSim/SimDevice.h"

#include <asio/steady_timer.hpp>
#include <asio/strand.hpp>
#include <asio/io_context.hpp>

#include <atomic>
#include <chrono>
#include <memory>

namespace OnvifSim {

using CStrand = asio::strand<asio::io_context::executor_type>;
using CPacket = std::shared_ptr<const std::string>;

class IRtpSink {
public:
    virtual ~IRtpSink() = default;
    virtual void send(const CPacket& packet, bool rtcp) = 0;
    // Bytes that are not RTP at all, sent where the media goes.
    virtual void sendGarbage(const CPacket& bytes) = 0;
};

class CRtpStream : public std::enable_shared_from_this<CRtpStream> {
public:
    CRtpStream(CStrand strand, CClipPtr clip, std::shared_ptr<IRtpSink> sink,
               std::shared_ptr<std::atomic<int>> fault);

    const CClip& clip() const { return *m_clip; }
    uint32_t ssrc() const { return m_ssrc; }
    uint16_t nextSequence() const { return m_sequence; }
    uint32_t nextTimestamp() const { return m_timestamp; }
    bool playing() const { return m_playing; }

    // Strand only.
    void play();
    void pause();
    void stop();

private:
    using CClock = std::chrono::steady_clock;

    void schedule();
    void tick();
    void sendFrame(const CClipFrame& frame);
    void sendReport();
    uint32_t ticks(CClock::duration d) const;

    asio::steady_timer m_timer;
    CClipPtr m_clip;
    std::shared_ptr<IRtpSink> m_sink;
    std::shared_ptr<std::atomic<int>> m_fault;
    uint32_t m_ssrc;
    uint16_t m_sequence;
    uint32_t m_timestamp;        // RTP time of the next frame
    size_t m_frame = 0;
    int m_keysToWithhold = 0;   // key frames still to skip (the late-key-frame fault)
    CClock::time_point m_due;    // when the next frame is due
    CClock::time_point m_pausedAt;
    CClock::time_point m_nextReport;
    uint32_t m_packetCount = 0;
    uint32_t m_octetCount = 0;
    bool m_playing = false;
    bool m_started = false;
    bool m_stopped = false;
};

} // namespace OnvifSim
