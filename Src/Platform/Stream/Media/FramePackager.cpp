#include "Stream/Media/FramePackager.h"

#include "Infra/LogSink.h"
#include "Packaging/NativeFrame.h"

namespace Zentar {
namespace StreamSvr {

namespace {
const int kMaxFrameRate = 120;
const int kStepWindow = 32;
} // namespace

CFramePackager::CFramePackager(uint32_t clockRate) : m_clockRate(clockRate ? clockRate : 90000) {}

void CFramePackager::reset()
{
    m_started = false;
    m_haveLastVideoTs = false;
    m_minStep = 0;
    m_stepWindow = 0;
}

uint64_t CFramePackager::unwrap(uint32_t ts)
{
    if (!m_started) {
        m_started = true;
        // Start in the middle of the 64-bit range so that timestamps slightly before the
        // first (B pictures, reordered audio) stay positive.
        m_extTs = (uint64_t(1) << 40) + ts;
        m_firstExtTs = m_extTs;
        m_lastTs = ts;
        return m_extTs;
    }
    const int32_t step = static_cast<int32_t>(ts - m_lastTs);
    m_extTs = static_cast<uint64_t>(static_cast<int64_t>(m_extTs) + step);
    m_lastTs = ts;
    return m_extTs;
}

uint8_t CFramePackager::hostAudioCode(EMediaCodec codec, int bitRate)
{
    switch (codec) {
    case kCodecG711U: return 10;
    case kCodecG711A: return 14;
    case kCodecL16: return 16;
    case kCodecAac: return 26;
    case kCodecG726:
        switch (bitRate) {
        case 40000: return 27;
        case 32000: return 28;
        case 24000: return 29;
        case 16000: return 30;
        default: return 28;
        }
    default: return 0;
    }
}

bool CFramePackager::package(const CAccessUnit& unit, CMediaFrame& frame)
{
    frame.reset();
    if (!unit.data || unit.size == 0 || unit.codec == kCodecUnknown)
        return false;

    const uint64_t extTs = unwrap(unit.rtpTimestamp);
    const uint64_t sinceStart = extTs > m_firstExtTs ? extTs - m_firstExtTs : 0;
    const uint64_t pts = sinceStart * 1000u / m_clockRate;

    RPC::CNativeFrameWriter writer;
    writer.setChannel(static_cast<uint8_t>(m_channel)).setSequence(m_sequence).setTimeNow();
    const bool video = isVideoCodec(unit.codec);
    if (video) {
        if (m_haveLastVideoTs) {
            if (extTs > m_lastVideoExtTs) {
                const uint64_t step = extTs - m_lastVideoExtTs;
                if (m_stepWindow == 0 || m_minStep == 0 || step < m_minStep)
                    m_minStep = step;
            }
            if (++m_stepWindow >= kStepWindow)
                m_stepWindow = 0; // the next step starts a new window: follow rate changes
            if (m_minStep > 0) {
                const uint64_t fps = (m_clockRate + m_minStep / 2) / m_minStep;
                if (fps >= 1 && fps <= kMaxFrameRate)
                    m_measuredFps = static_cast<int>(fps);
            }
        }
        m_lastVideoExtTs = extTs;
        m_haveLastVideoTs = true;
        static const struct {
            EMediaCodec codec;
            uint8_t hostCodec;
        } kVideoCodecs[] = {{kCodecH264, RPC::NativeFrame::kVideoCodecH264},
                            {kCodecH265, RPC::NativeFrame::kVideoCodecH265},
                            {kCodecMjpeg, RPC::NativeFrame::kVideoCodecJpeg}};
        uint8_t hostCodec = 0;
        for (const auto& c : kVideoCodecs)
            if (c.codec == unit.codec)
                hostCodec = c.hostCodec;
        const int fps = m_configuredFps > 0 ? m_configuredFps : m_measuredFps;
        writer.setKind(unit.key ? RPC::NativeFrame::kKindVideoKey : RPC::NativeFrame::kKindVideoDelta);
        if (unit.width > 0 && unit.height > 0 && unit.width <= 65535 && unit.height <= 65535)
            writer.setResolution(static_cast<uint16_t>(unit.width), static_cast<uint16_t>(unit.height));
        // Always present, so that a configured rate can be written into it later.
        writer.setFrameRate(hostCodec, static_cast<uint8_t>(fps > 255 ? 255 : fps));
    } else {
        const int rateIndex = RPC::nativeFrameAudioRateIndex(unit.sampleRate);
        writer.setKind(RPC::NativeFrame::kKindAudio);
        writer.setAudioFormat(hostAudioCode(unit.codec, unit.bitRate), static_cast<uint8_t>(unit.channels > 0 ? unit.channels : 1),
                              static_cast<uint8_t>(rateIndex < 0 ? 0 : rateIndex));
    }

    const size_t frameSize = writer.frameSize(unit.size);
    Stream::CMediaFrame& packet = frame.getPacket();
    if (frameSize == 0 || !packet.alloc(frameSize) ||
        writer.writeTo(unit.data, unit.size, packet.getBuffer(), packet.size()) != frameSize) {
        Infra::logFilter(Infra::kLogWarning, "packager: %s unit of %zu bytes could not be packed", codecName(unit.codec),
                         unit.size);
        frame.reset();
        return false;
    }
    ++m_sequence;
    packet.setPts(pts);
    packet.setChannel(m_channel);
    packet.setFrameType(unit.frameType ? unit.frameType : (video ? 80 : 65));
    frame.setMediaIndex(m_mediaIndex);
    frame.setCodec(unit.codec);
    frame.setRtpTimestamp(unit.rtpTimestamp);
    frame.setKey(unit.key);
    return true;
}

} // namespace StreamSvr
} // namespace Zentar
