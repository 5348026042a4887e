#include "Components/RecordingStreamSource/OnvifRecordingStreamSource.h"

#include <cstdio>
#include <cstdlib>

#include "Base/RTSPClient/ExpRtspClient.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"
#include "Stream/Media/MediaFrame.h"

namespace RPC {
namespace Onvif {

namespace {

// The transport a playback uses: RTP over the RTSP connection, through TLS on an encrypted
// login. Replay needs the ordered, lossless connection (its range end, pause and resume).
int playbackProtocol(bool encrypted)
{
    return encrypted ? 6 : 0;
}

bool isUtcText(const std::string& text)
{
    return text.size() == 20 && text.find('T') != std::string::npos && text.find('Z') != std::string::npos;
}

} // namespace

bool COnvifRecordingStreamSource::parsePlayPath(const std::string& path, SPlayPath& out)
{
    out = SPlayPath();
    out.filePath = path.substr(0, path.find(";Times"));
    const size_t chan = path.find("RemoteChan:");
    if (chan != std::string::npos)
        out.channel = std::atoi(path.c_str() + chan + 11);
    const size_t first = out.filePath.find(';');
    const size_t second = first == std::string::npos ? first : out.filePath.find(';', first + 1);
    if (second == std::string::npos) {
        ONVIF_LOG(LOG_WARN, "parsePlayRange fail, filePath:<%s>\n", path.c_str());
        return false;
    }
    out.start = out.filePath.substr(0, first);
    out.end = out.filePath.substr(first + 1, second - first - 1);
    out.replayType = isUtcText(out.start) && isUtcText(out.end) ? kReplayUtc : kReplayLocal;
    return true;
}

COnvifRecordingStreamSource::COnvifRecordingStreamSource(
    std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo, const std::string& filePath)
    : m_serverInfo(std::move(serverInfo))
{
    SPlayPath parsed;
    if (parsePlayPath(filePath, parsed)) {
        m_strStartTime = parsed.start;
        m_strEndTime = parsed.end;
        m_replayType = parsed.replayType;
        ONVIF_LOG(LOG_INFO, "[%p] parsePlayRange ok, strStarTime:<%s>, strEndTime:<%s>, type:<%d>\n",
                  static_cast<void*>(this), m_strStartTime.c_str(), m_strEndTime.c_str(), m_replayType);
    }
    m_strFilePath = parsed.filePath;
    m_channel = parsed.channel;
    ONVIF_LOG(LOG_INFO, "m_strFilePath=%s\n", m_strFilePath.c_str());
    ONVIF_LOG(LOG_INFO, "COnvifRecordingStreamSource[%p] create over, m_strFilePath=%s\n", static_cast<void*>(this),
              m_strFilePath.c_str());
}

COnvifRecordingStreamSource::~COnvifRecordingStreamSource()
{
    ONVIF_LOG(LOG_INFO, " ~COnvifRecordingStreamSource[%p] called\n", static_cast<void*>(this));
    Zentar::Infra::CGuard guard(m_mutex);
    if (m_rtspClient) {
        ONVIF_LOG(LOG_INFO, "close m_rtspClient[%p]\n", static_cast<void*>(m_rtspClient));
        detachHandlers();
        m_rtspClient->Close();
        m_rtspClient = nullptr;
    }
}

void COnvifRecordingStreamSource::destroy()
{
    delete this;
}

bool COnvifRecordingStreamSource::rangeInUtc(std::string& start, std::string& end)
{
    if (m_replayType == kReplayUtc) {
        start = m_strStartTime;
        end = m_strEndTime;
        return true;
    }
    const Json::Value* zone = m_zone.isNull() ? nullptr : &m_zone;
    char from[32], to[32];
    if (ztTimeToUTCTime(m_strStartTime.c_str(), from, sizeof from, zone, false) != 0 ||
        ztTimeToUTCTime(m_strEndTime.c_str(), to, sizeof to, zone, true) != 0)
        return false;
    start = from;
    end = to;
    return true;
}

bool COnvifRecordingStreamSource::applyRange(const char* failLog)
{
    std::string start, end;
    if (!rangeInUtc(start, end) || !m_rtspClient->setPlayRange(start.c_str(), end.c_str(), 1)) {
        ONVIF_LOG(LOG_WARN, failLog, static_cast<void*>(this));
        return false;
    }
    return true;
}

bool COnvifRecordingStreamSource::setOptions(const Json::Value& options)
{
    ONVIF_LOG(LOG_INFO, "[%p] setOptions:%s\n", static_cast<void*>(this), options.toStyledString().c_str());
    Zentar::Infra::CGuard guard(m_mutex);
    if (m_started) {
        ONVIF_LOG(LOG_WARN, "[%p], recording already started!\n", static_cast<void*>(this));
        return false;
    }
    if (!options.isObject())
        return false;
    if (options["Url"].isString()) {
        m_url = options["Url"].asString();
        ONVIF_LOG(LOG_INFO, "RTSP's session Url: [%s]\n", m_url.c_str());
    }
    if (!m_rtspClient) {
        const int protocol = options["TransProtocolType"].isInt() ? options["TransProtocolType"].asInt() : 0;
        const int encryption = m_serverInfo->https ? 1 : 0;
        if (protocol != playbackProtocol(m_serverInfo->https)) {
            ONVIF_LOG(LOG_WARN, "protocol<%d>, encryption<%d> not supported!\n", protocol, encryption);
            return false;
        }
        m_rtspClient = new (std::nothrow) CExpRtspClient(*m_serverInfo, protocol);
        if (!m_rtspClient) {
            ONVIF_LOG(LOG_ERROR, "[%p] new RPC::CExpRtspClient fail\n", static_cast<void*>(this));
            return false;
        }
        ONVIF_LOG(LOG_INFO, "[%p] new RPC::CExpRtspClient, TransProtocolType:%d\n", static_cast<void*>(this),
                  protocol);
    }
    Json::Value zone;
    if (COnvifInfoCenter::instance()->getZoneAndDSTCfg(*m_serverInfo, zone, true)) {
        ONVIF_LOG(LOG_INFO, "getZoneAndDSTCfg : %s\n", zone.toStyledString().c_str());
        m_zone = zone;
        m_rtspClient->setTimeZoneConfig(zone);
    }
    if (m_replayType != kReplayLocal && m_replayType != kReplayUtc) {
        ONVIF_LOG(LOG_WARN, "[%p] m_replayType invalid:<%d>\n", static_cast<void*>(this), m_replayType);
        return false;
    }
    if (!applyRange("[%p] setPlayRange failed!\n"))
        return false;
    ONVIF_LOG(LOG_INFO, "[%p] setOptions over!\n", static_cast<void*>(this));
    return true;
}

void COnvifRecordingStreamSource::detachHandlers()
{
    if (m_rtspClient->detach(this) < 0)
        ONVIF_LOG(LOG_WARN, "[%p],OnMonitor detach is false!\n", static_cast<void*>(this));
    ONVIF_LOG(LOG_INFO, "detach err proc\n");
    if (m_rtspClient->errDetach(this) < 0)
        ONVIF_LOG(LOG_WARN, "[%p],OnError detach is false!\n", static_cast<void*>(this));
}

bool COnvifRecordingStreamSource::start(Zentar::Stream::IFrameReceiver* receiver)
{
    Zentar::Infra::CGuard guard(m_mutex);
    if (m_replayType != kReplayLocal && m_replayType != kReplayUtc) {
        ONVIF_LOG(LOG_WARN, "[%p], m_replayType invaild!!\n", static_cast<void*>(this));
        return false;
    }
    if (m_started) {
        ONVIF_LOG(LOG_WARN, "[%p], already started!!\n", static_cast<void*>(this));
        return false;
    }
    if (!m_rtspClient) {
        ONVIF_LOG(LOG_WARN, "[%p] no ExpRtspClient!\n", static_cast<void*>(this));
        return false;
    }
    if (!receiver)
        return false;
    int attached = 0;
    {
        Zentar::Infra::CGuard delivery(m_deliveryMutex);
        attached = m_receivers.attach(receiver, [receiver](const Zentar::Stream::CMediaFrame& frame) {
            receiver->onFrame(frame);
        });
        m_endDelivered = false;
    }
    if (attached < 1) {
        ONVIF_LOG(LOG_WARN, "[%p],proc attach failed iRet=%d\n", static_cast<void*>(this), attached);
        return false;
    }
    m_rtspClient->setDataProcId(0);
    bool ok = m_rtspClient->attach(this, [this](Zentar::Stream::CMediaFrame& frame) { onFrame(frame); }) >= 1;
    if (!ok)
        ONVIF_LOG(LOG_WARN, "[%p],Attach OnMonitor is failed!\n", static_cast<void*>(this));
    if (ok && m_rtspClient->errAttach(this, [this](uint32_t code) { m_lastError = code; }) < 1) {
        ONVIF_LOG(LOG_WARN, "atttach err proc failed\n");
        ok = false;
    }
    m_rtspClient->setChannel(m_channel);
    char speed[32];
    std::snprintf(speed, sizeof speed, "%f", static_cast<double>(m_speed));
    if (ok && m_rtspClient->setRtspMsgHeadField("PLAY", "Speed", speed) < 0) {
        ONVIF_LOG(LOG_WARN, "[%p],start!! setspeed failed!\n", static_cast<void*>(this));
        ok = false;
    }
    if (ok && !m_rtspClient->startRtspClient(m_url)) {
        ONVIF_LOG(LOG_WARN, "[%p],start!! startRtspClient failed!\n", static_cast<void*>(this));
        ok = false;
    }
    if (!ok) {
        detachHandlers();
        Zentar::Infra::CGuard delivery(m_deliveryMutex);
        m_receivers.detach(receiver);
        return false;
    }
    m_lastError = 0;
    m_started = true;
    return true;
}

bool COnvifRecordingStreamSource::stop(Zentar::Stream::IFrameReceiver* receiver)
{
    Zentar::Infra::CGuard guard(m_mutex);
    int left = 0;
    {
        Zentar::Infra::CGuard delivery(m_deliveryMutex);
        left = m_receivers.detach(receiver);
    }
    if (left < 0) {
        ONVIF_LOG(LOG_WARN, "[%p],proc detach faield iRet = %d!\n", static_cast<void*>(this), left);
        return false;
    }
    if (left > 0 || !m_rtspClient)
        return true;
    detachHandlers();
    m_rtspClient->Close();
    m_rtspClient = nullptr;
    m_started = false;
    return true;
}

bool COnvifRecordingStreamSource::getError(uint32_t& code)
{
    code = m_lastError.load();
    return true;
}

bool COnvifRecordingStreamSource::pause()
{
    Zentar::Infra::CGuard guard(m_mutex);
    return m_rtspClient && m_rtspClient->pause() == 0;
}

bool COnvifRecordingStreamSource::resume()
{
    Zentar::Infra::CGuard guard(m_mutex);
    return m_rtspClient && m_rtspClient->resume() == 0;
}

bool COnvifRecordingStreamSource::setSpeed(float speed)
{
    Zentar::Infra::CGuard guard(m_mutex);
    ONVIF_LOG(LOG_INFO, "[%p] setSpeed:%f\n", static_cast<void*>(this), static_cast<double>(speed));
    if (!m_rtspClient)
        return false;
    if (!m_started) {
        ONVIF_LOG(LOG_WARN, "[%p],setSpeed failed! RecordingStreamSource not start \n", static_cast<void*>(this));
        return false;
    }
    if (!m_rtspClient->isReady()) {
        ONVIF_LOG(LOG_WARN, "[%p],setSpeed failed! RTSP not completed\n", static_cast<void*>(this));
        return false;
    }
    // The Speed header travels with PLAY only: a new speed needs a new PLAY.
    if (!(speed > 0.0f))
        return false;
    ONVIF_LOG(LOG_INFO, "[%p],setSpeed!! to pause!\n", static_cast<void*>(this));
    m_rtspClient->pause();
    char text[32];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(speed));
    if (m_rtspClient->setRtspMsgHeadField("PLAY", "Speed", text) < 0) {
        ONVIF_LOG(LOG_WARN, "set Scale failed\n");
        return false;
    }
    ONVIF_LOG(LOG_INFO, "[%p],setSpeed!! to Play!\n", static_cast<void*>(this));
    if (m_rtspClient->resume() != 0) {
        ONVIF_LOG(LOG_WARN, "[%p],setSpeed,play failed!\n", static_cast<void*>(this));
        return false;
    }
    m_speed = speed;
    return true;
}

bool COnvifRecordingStreamSource::getSpeed(float& speed)
{
    Zentar::Infra::CGuard guard(m_mutex);
    speed = m_speed;
    return true;
}

// The new start of the range in the span's own form; the end stays.
bool COnvifRecordingStreamSource::seekTo(const std::string& start)
{
    ONVIF_LOG(LOG_INFO, "[%p], seekByTime, m_strStartTime<%s>, m_strEndTime<%s>!\n", static_cast<void*>(this),
              start.c_str(), m_strEndTime.c_str());
    if (!m_rtspClient)
        return false;
    if (m_rtspClient->getPlayState() == CExpRtspClient::kPlaying) {
        ONVIF_LOG(LOG_INFO, "[%p] KeepAlive, need pause!\n", static_cast<void*>(this));
        m_rtspClient->pause();
    }
    const std::string before = m_strStartTime;
    m_strStartTime = start;
    if (!m_zone.isNull())
        ONVIF_LOG(LOG_INFO, "cfgZoneAndDST:%s\n", m_zone.toStyledString().c_str());
    if (!applyRange("[%p], setPlayRange failed!\n")) {
        m_strStartTime = before;
        return false;
    }
    Zentar::Infra::CGuard delivery(m_deliveryMutex);
    m_endDelivered = false;
    return true;
}

bool COnvifRecordingStreamSource::seekByTime(const Zentar::Infra::CTime& deviceLocal)
{
    char local[32];
    std::snprintf(local, sizeof local, "%4d-%02d-%02d %02d:%02d:%02d", deviceLocal.getYear(), deviceLocal.getMonth(),
                  deviceLocal.getDay(), deviceLocal.getHour(), deviceLocal.getMinute(), deviceLocal.getSecond());
    Zentar::Infra::CGuard guard(m_mutex);
    if (m_replayType == kReplayLocal)
        return seekTo(local);
    // A UTC span keeps its form: the local time is turned into UTC first.
    char utc[32];
    if (ztTimeToUTCTime(local, utc, sizeof utc, m_zone.isNull() ? nullptr : &m_zone, false) != 0)
        return false;
    return seekTo(utc);
}

bool COnvifRecordingStreamSource::seekByTimeEx(time_t utc)
{
    Zentar::Infra::CGuard guard(m_mutex);
    if (m_replayType != kReplayUtc) {
        ONVIF_LOG(LOG_WARN, "[%p] m_replayType incorrect!\n", static_cast<void*>(this));
        return false;
    }
    char text[32];
    return systemTimeToUTC(utc, text, sizeof text) == 0 && seekTo(text);
}

bool COnvifRecordingStreamSource::limit(uint32_t)
{
    return true;
}

void COnvifRecordingStreamSource::onFrame(Zentar::Stream::CMediaFrame& frame)
{
    Zentar::Infra::CGuard guard(m_deliveryMutex);
    if (!frame.valid()) {
        // The range's end and a failed session both end the stream; the host hears it once.
        if (m_endDelivered)
            return;
        ONVIF_LOG(LOG_WARN, "RTSP's session is Down,will be ReStart\n");
        m_endDelivered = true;
    }
    m_receivers.emit(frame);
}

} // namespace Onvif
} // namespace RPC
