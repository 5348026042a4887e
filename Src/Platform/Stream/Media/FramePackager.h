#pragma once
// Packs access units of one media into native frame packets (Packaging/NativeFrame.h):
// kind 0xFD for key video, 0xFC for other video, 0xF0 for audio; the resolution (0x82) and
// frame-rate (0x81) items on video, the audio-format item (0x83) on audio.
//
// Presentation time: the RTP timestamp unwrapped to 64 bits (a wrap of the 32-bit clock
// continues smoothly) and turned into milliseconds from the first unit of the stream.
// Frame rate: the configured one (a=framerate) when given, else measured from the
// smallest forward timestamp step over the last 32 pictures (with B pictures the steps
// between pictures in sending order are several frames long or negative).
#include <cstdint>

#include "Stream/Media/MediaCodec.h"
#include "Stream/Media/SvrMediaFrame.h"

namespace Zentar {
namespace StreamSvr {

class CFramePackager {
public:
    explicit CFramePackager(uint32_t clockRate = 90000);

    void setClockRate(uint32_t clockRate) { m_clockRate = clockRate; }
    void setChannel(int channel) { m_channel = channel; }
    void setMediaIndex(int index) { m_mediaIndex = index; }
    void setConfiguredFrameRate(int fps) { m_configuredFps = fps; } // 0 = measure

    // Fills frame (reusing pooled bytes). False for an empty unit or an unknown codec.
    bool package(const CAccessUnit& unit, CMediaFrame& frame);

    // Forget timing after a seek: the next unit restarts the presentation clock.
    void reset();

    int measuredFrameRate() const { return m_measuredFps; }

    // The host's audio code for a codec (10 G.711 mu-law, 14 A-law, 16 L16, 26 AAC,
    // 27..30 G.726 40/32/24/16 kbit/s); 0 for video and unknown codecs.
    static uint8_t hostAudioCode(EMediaCodec codec, int bitRate);

private:
    uint64_t unwrap(uint32_t ts);

    uint32_t m_clockRate;
    int m_channel = 0;
    int m_mediaIndex = -1;
    int m_configuredFps = 0;
    int m_measuredFps = 0;
    uint32_t m_sequence = 0;
    bool m_started = false;
    uint32_t m_lastTs = 0;
    uint64_t m_extTs = 0;
    uint64_t m_firstExtTs = 0;
    bool m_haveLastVideoTs = false;
    uint64_t m_lastVideoExtTs = 0;
    uint64_t m_minStep = 0;
    int m_stepWindow = 0;
};

} // namespace StreamSvr
} // namespace Zentar
