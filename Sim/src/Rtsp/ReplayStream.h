#pragma once
// One replayed recording: the recording's clip laid over its recorded segments, each frame
// sent at its recording time as the requested speed paces it, every RTP packet carrying the
// ONVIF replay header extension. Runs on the server's strand, like CRtpStream.
//
// Frame k of a segment [from, until) is clip frame k mod N at from + k * (1000 / fps) ms,
// so a segment starts with the clip's first (key) frame and the same recording time always
// shows the same picture. Playing starts at the key frame at or before the asked time; a
// gap is skipped at once, its first packet marked as a discontinuity.
#include "Rtsp/RtpStream.h"

#include <functional>
#include <vector>

namespace OnvifSim {

// What was recorded: segments in milliseconds of the device clock, ascending and apart.
struct CReplayTimeline {
    std::vector<std::pair<long long, long long>> segments;
    CClipPtr clip;
};

// What one PLAY asks for.
struct CReplayRequest {
    long long startMs = -1;   // -1: from where the stream stands (a resume)
    long long endMs = -1;     // -1: up to the end of the recording (its start, playing backwards)
    double speed = 1.0;       // recording seconds per second of wall time
    bool reverse = false;     // backwards, key frames only
    bool intraOnly = false;   // key frames only
    bool rateControl = true;  // false: as fast as the connection takes them
    uint8_t cseq = 0;         // low byte of the PLAY's CSeq, echoed in every packet
};

class CReplayStream : public std::enable_shared_from_this<CReplayStream> {
public:
    // onEnd runs (on the strand) after the last packet of the range has gone. fault: the
    // device's RTSP fault (ERtspFault), read per frame; a stall keeps time but sends nothing.
    CReplayStream(CStrand strand, CReplayTimeline timeline, std::shared_ptr<IRtpSink> sink,
                  std::function<void()> onEnd, std::shared_ptr<const std::atomic<int>> fault = nullptr);

    const CReplayTimeline& timeline() const { return m_timeline; }
    uint32_t ssrc() const { return m_ssrc; }
    uint16_t nextSequence() const { return m_sequence; }
    uint32_t nextTimestamp() const { return m_timestamp; }

    // Strand only. play: false (nothing sent) when nothing is recorded in the asked range.
    bool play(const CReplayRequest& request);
    void pause();
    void stop();
    // Recording time of the next frame to send, ms; -1 when the range is done.
    long long positionMs() const;

private:
    using CClock = std::chrono::steady_clock;

    struct CFrame {
        size_t segment = 0;
        long long index = 0;   // frame of its segment
        bool valid = false;
        bool afterGap = false;
    };

    long long timeOf(const CFrame& f) const;
    long long framesIn(size_t segment) const;
    bool isKey(long long index) const;
    long long keyAtOrBefore(long long index) const;
    CFrame locate(long long timeMs) const;
    CFrame next(const CFrame& f) const;
    bool inRange(const CFrame& f) const;
    CClock::time_point dueOf(const CFrame& f) const;
    void schedule();
    void tick();
    void sendFrame(const CFrame& f, bool endsSection, bool last);
    void sendBye();

    asio::steady_timer m_timer;
    CReplayTimeline m_timeline;
    std::shared_ptr<IRtpSink> m_sink;
    std::function<void()> m_onEnd;
    std::shared_ptr<const std::atomic<int>> m_fault;
    double m_frameMs;
    std::vector<long long> m_keyBefore;   // per clip frame: the nearest key frame at or before it

    uint32_t m_ssrc;
    uint16_t m_sequence;
    uint32_t m_timestamp;
    CReplayRequest m_request;
    CFrame m_current;
    long long m_previousTimeMs = -1;
    // Pacing: the frame of recording time m_anchorMs is due at m_anchorWall.
    CClock::time_point m_anchorWall;
    long long m_anchorMs = 0;
    bool m_playing = false;
    bool m_stopped = false;
    bool m_ended = false;
};

} // namespace OnvifSim
