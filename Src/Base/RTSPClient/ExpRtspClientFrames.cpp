// The frame path of the RTSP client wrapper: stamping and fanning out every frame, the
// frame-rate bookkeeping, the end of a playback range and the stalled-playback watchdog.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "Base/RTSPClient/ExpRtspClient.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/SvrMediaFrame.h"

namespace RPC {

using namespace Zentar::StreamApp;
using Onvif::LOG_ERROR;
using Onvif::LOG_INFO;
using Onvif::LOG_TRACE;
using Onvif::LOG_WARN;

namespace {

uint64_t nowMilliseconds()
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

// More than this many watchdog ticks (3 s each) without data end a playback stream.
const uint64_t kStalledTicks = 10;

uint64_t utcOfFields(const int32_t fields[7])
{
    struct tm t {};
    t.tm_year = fields[0] - 1900;
    t.tm_mon = fields[1] - 1;
    t.tm_mday = fields[2];
    t.tm_hour = fields[3];
    t.tm_min = fields[4];
    t.tm_sec = fields[5];
    const time_t seconds = timegm(&t);
    return seconds < 0 ? 0 : static_cast<uint64_t>(seconds);
}

// A recorded frame carries when it was recorded: its presentation time is the recording
// time (UTC milliseconds) and its header the same instant in local calendar time.
void stampRecordingTime(Zentar::Stream::CMediaFrame& packet, int64_t utcMs)
{
    packet.setPts(static_cast<uint64_t>(utcMs));
    const uint32_t packed = packNativeFrameTime(nativeFrameLocalTime(static_cast<time_t>(utcMs / 1000)));
    setNativeFrameTime(packet.getBuffer(), packet.size(), packed, static_cast<uint16_t>(utcMs % 1000));
}

} // namespace

void CExpRtspClient::deliver(Zentar::Stream::CMediaFrame& packet)
{
    Zentar::Infra::CGuard guard(m_deliveryMutex);
    m_frameSignal.emit(packet);
}

void CExpRtspClient::sendInvalidPacket()
{
    ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p] uri:<%s> sendInvalidPacket\n", static_cast<void*>(this), m_url.c_str());
    Zentar::Stream::CMediaFrame empty;
    empty.reset();
    empty.setChannel(m_channel);
    deliver(empty);
}

void CExpRtspClient::stampFrameRate(Zentar::Stream::CMediaFrame& packet, uint64_t nowMs)
{
    uint8_t* bytes = packet.getBuffer();
    const size_t size = packet.size();
    const int configured = m_configFrameRate.load();
    if (configured >= 0) {
        setNativeFrameRate(bytes, size, static_cast<uint8_t>(configured));
        return;
    }
    const uint8_t kind = packet.getKind();
    if (!m_statistics || !m_firstKeyFrameSeen) {
        // Until the statistic can take over, trust what the key frames announce.
        if (kind == NativeFrame::kKindVideoKey) {
            const int announced = getNativeFrameRate(bytes, size);
            if (announced > 0)
                m_headerFrameRate = announced;
        }
        return;
    }
    packet.setPts(nowMs);
    if (kind == NativeFrame::kKindVideoKey || kind == NativeFrame::kKindVideoDelta) {
        if (m_statWindowStartMs == 0)
            m_statWindowStartMs = nowMs;
        ++m_statWindowFrames;
        const uint64_t elapsed = nowMs - m_statWindowStartMs;
        if (elapsed >= 1000) {
            m_frameRateStatistic = static_cast<float>(m_statWindowFrames) * 1000.0f / static_cast<float>(elapsed);
            m_statWindowStartMs = nowMs;
            m_statWindowFrames = 0;
        }
    }
    if (m_frameRateStatistic > 0.0f) {
        const int rate = static_cast<int>(m_frameRateStatistic);
        if (rate >= 50)
            ONVIF_LOG(LOG_WARN, "statistic framerate = %d!\n", rate);
        setNativeFrameRate(bytes, size, static_cast<uint8_t>(rate > 255 ? 255 : rate));
    } else if (m_headerFrameRate > 0) {
        setNativeFrameRate(bytes, size, static_cast<uint8_t>(m_headerFrameRate));
    }
}

int CExpRtspClient::checkReciveDataOver(uint64_t utcSeconds)
{
    if (!m_hasClient) {
        ONVIF_LOG(LOG_WARN, " CExpRtspClient::checkReciveDataOver,m_client is null\n");
        return -1;
    }
    uint64_t end = m_rangeEndUtc.load();
    if (end == 0) {
        end = utcOfFields(m_requestedRange.clock.end);
        m_rangeEndUtc = end;
        ONVIF_LOG(LOG_INFO, "checkReciveDataOver set device endTime [%llu]\n", static_cast<unsigned long long>(end));
    }
    if (utcSeconds < end)
        return 0;
    ONVIF_LOG(LOG_INFO, "CExpRtspClient::checkReciveData Over,[this:%p],%llu,%llu\n", static_cast<void*>(this),
              static_cast<unsigned long long>(utcSeconds), static_cast<unsigned long long>(end));
    return 1;
}

void CExpRtspClient::OnMonitor(int mediaIndex, Zentar::StreamSvr::CMediaFrame& frame)
{
    if (!frame.valid()) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p] OnMonitor is invalid!!\n", static_cast<void*>(this));
        return;
    }
    Zentar::Stream::CMediaFrame& packet = frame.getPacket();
    packet.setChannel(m_channel);
    if (m_playType == kPlayTalk) {
        deliver(packet);
        return;
    }
    {
        Zentar::Infra::CGuard guard(m_deliveryMutex);
        if (!m_firstKeyFrameSeen) {
            if (packet.getFrameType() == NativeFrame::kFrameTypeB && m_firstKeyFrameCounter == 0)
                m_firstKeyFrameCounter = 1;
            else if (packet.getFrameType() == NativeFrame::kFrameTypeI && m_firstKeyFrameCounter == 1)
                m_firstKeyFrameSeen = true;
        }
        stampFrameRate(packet, nowMilliseconds());
    }
    if (m_playType == kPlayback && frame.getUtcMs() > 0)
        stampRecordingTime(packet, frame.getUtcMs());
    if (m_playType == kPlayback) {
        if (packet.getKind() == NativeFrame::kKindPrivate) {
            ONVIF_LOG(LOG_TRACE, "CExpRtspClient[%p], frame_type==0xF1!!\n", static_cast<void*>(this));
        } else if (packet.getFrameType() != NativeFrame::kFrameTypeAudio && frame.getUtcMs() > 0 &&
                   checkReciveDataOver(static_cast<uint64_t>(frame.getUtcMs() / 1000)) == 1 &&
                   !m_Playbacktimer->isStarted()) {
            ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p],FrameTime up to EndTime,Start Timer to sendInvalidPacket!!\n",
                      static_cast<void*>(this));
            m_Playbacktimer->start([this](unsigned long) { handlePlaybackOver(); }, 1000, 0);
        }
    }
    m_uTimerCount = 0;
    deliver(packet);
}

void CExpRtspClient::handlePlaybackOver()
{
    ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p]::handlePlaybackOver!\n", static_cast<void*>(this));
    m_sessionState = kSessionEnded;
    m_playState = kEnded;
    sendInvalidPacket();
}

void CExpRtspClient::onPacketCheck()
{
    if (m_playState != kPlaying) {
        m_uTimerCount = 0;
        return;
    }
    const uint64_t ticks = ++m_uTimerCount;
    if (ticks > kStalledTicks) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p]::checkPakcetcall over,m_uTimerCount[%llu]!\n",
                  static_cast<void*>(this), static_cast<unsigned long long>(ticks));
        sendInvalidPacket();
    }
}

bool CExpRtspClient::setPlayRange(const char* startTime, const char* endTime, int rangeType)
{
    ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p]::setPlayRange UTC, StartTime=%s, EndTime=%s, RangeType=%d\n",
              static_cast<void*>(this), startTime ? startTime : "", endTime ? endTime : "", rangeType);
    m_playType = kPlayback;
    if (m_playState == kPlaying) {
        ONVIF_LOG(LOG_WARN, "[%p] isPlaying, can not setPlayRange!\n", static_cast<void*>(this));
        return false;
    }
    if (rangeType != CRtspPlayRange::kClock) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p]::setPlayRange,RangeType error!\n", static_cast<void*>(this));
        return false;
    }
    CRtspPlayRange range;
    range.type = CRtspPlayRange::kClock;
    int32_t* start = range.clock.start;
    int32_t* end = range.clock.end;
    if (!startTime || std::sscanf(startTime, "%d-%d-%dT%d:%d:%d", &start[0], &start[1], &start[2], &start[3],
                                  &start[4], &start[5]) != 6) {
        ONVIF_LOG(LOG_WARN, "sscanf StartTime failed.\n");
        return false;
    }
    if (!endTime ||
        std::sscanf(endTime, "%d-%d-%dT%d:%d:%d", &end[0], &end[1], &end[2], &end[3], &end[4], &end[5]) != 6) {
        ONVIF_LOG(LOG_WARN, "sscanf EndTime failed.\n");
        return false;
    }
    start[6] = 0;
    end[6] = 0;
    ONVIF_LOG(LOG_INFO, "startTime: year=%d, month=%d, day=%d, hour=%d, minute=%d, second=%d\n", start[0], start[1],
              start[2], start[3], start[4], start[5]);
    ONVIF_LOG(LOG_INFO, "end year=%d, month=%d, day=%d, hour=%d, minute=%d, second=%d\n", end[0], end[1], end[2],
              end[3], end[4], end[5]);
    // The texts are UTC calendar times: read them as such, whatever this machine's zone.
    const uint64_t startUtc = utcOfFields(start);
    const uint64_t endUtc = utcOfFields(end);
    ONVIF_LOG(LOG_INFO, "setPlayRange startTime [%llu], endTime [%llu]\n", static_cast<unsigned long long>(startUtc),
              static_cast<unsigned long long>(endUtc));
    m_rangeEndUtc = endUtc;
    ONVIF_LOG(LOG_INFO, "setPlayRange set device endTime [%llu]\n", static_cast<unsigned long long>(endUtc));

    Zentar::Infra::CGuard guard(m_sessionMutex);
    m_requestedRange = range;
    m_activeRange = range;
    if (!m_client) {
        ONVIF_LOG(LOG_WARN, "setPlayRange m_client is null!\n");
        return false;
    }
    if (m_client->setPlayInfo(m_activeRange, 1.0f, false) != 0) {
        ONVIF_LOG(LOG_ERROR, "ExpRtspClient setPlayInfo failed!\n");
        return false;
    }
    return true;
}

} // namespace RPC
