#include "Base/RTSPClient/ExpRtspClient.h"

#include <cstdio>
#include <ctime>

#include "Infra/Thread.h"

#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifTimeZone.h"
#include "Stream/Media/SdpParser.h"
#include "Stream/Media/SvrMediaFrame.h"

namespace RPC {

using namespace Zentar::StreamApp;
using Onvif::LOG_DEBUG;
using Onvif::LOG_ERROR;
using Onvif::LOG_INFO;
using Onvif::LOG_TRACE;
using Onvif::LOG_WARN;

namespace {

const uint32_t kDefaultRecvBuffer = 262144;
const uint32_t kErrorRtspUnauthorized = 0x10090191;
const uint32_t kErrorConnectFailed = 0x110A0003;
const uint32_t kErrorTunnelRefused = 0x100C0006;

int threadId()
{
    return static_cast<int>(Zentar::Infra::CThread::getCurrentThreadID());
}

} // namespace

int CExpRtspClient::transportKind(int transProtocol, uint8_t transportByte)
{
    if (transProtocol < 0) {
        switch (transportByte) {
        case 0:
        case 255: return kRtspTransTcp;
        case 1: return kRtspTransUdp;
        case 2: return kRtspTransMulticast;
        default: return kRtspTransDefault;
        }
    }
    switch (transProtocol) {
    case 0:
    case 6: return kRtspTransTcp;
    case 1: return kRtspTransUdp;
    case 3: return kRtspTransMulticast;
    case 4:
    case 5: return kRtspTransHttp;
    default: return kRtspTransDefault;
    }
}

CExpRtspClient::CExpRtspClient(const Zentar::Component::ServerInfo& info, int transProtocol)
    : m_info(info), m_transProtocol(transProtocol)
{
    m_client = createSession();
    m_hasClient = m_client != nullptr;
    m_Playbacktimer = std::make_unique<Zentar::Infra::CTimer>("OnvifPlaybackTimer");
    m_streamTimeoutCheckTimer = std::make_unique<Zentar::Infra::CTimer>("OnvifStreamTimeoutCheckTimer");
    ONVIF_LOG(LOG_INFO, "CExpRtspClient obj=%p remote:%s,threadid=%d\n", static_cast<void*>(this),
              m_info.address.c_str(), threadId());
}

CExpRtspClient::~CExpRtspClient()
{
    // Timers call into this object: stop them before anything else goes.
    m_Playbacktimer->stopAndWait();
    m_streamTimeoutCheckTimer->stopAndWait();
    CRtspClientSession::Ptr client;
    {
        Zentar::Infra::CGuard guard(m_sessionMutex);
        client = std::move(m_client);
        m_hasClient = false;
    }
    if (client) {
        client->detachDataProc(m_dataProcId);
        client->close();
    }
    m_firstKeyFrameSeen = false;
    ONVIF_LOG(LOG_INFO, "~CExpRtspClient this:%p,delete m_Playbacktimer!\n", static_cast<void*>(this));
    ONVIF_LOG(LOG_INFO, "~CExpRtspClient this:%p,delete m_streamTimeoutCheckTimer!\n", static_cast<void*>(this));
}

CRtspClientSession::Ptr CExpRtspClient::createSession()
{
    const int kind = transportKind(m_transProtocol, m_info.transport);
    ONVIF_LOG(LOG_INFO, "m_transProtocol:%d, getTransProtocol:%d\n", m_transProtocol, kind);
    CRtspClientSession::Ptr client = CRtspClientSession::create(kind, true);
    if (!client)
        return nullptr;
    const uint32_t buffers[2] = {kDefaultRecvBuffer, kDefaultRecvBuffer};
    client->setConfig(kRtspCfgRecvBuffer, buffers, sizeof buffers);
    client->setConfig(kRtspCfgRecvBuffer, buffers, sizeof buffers);
    return client;
}

int CExpRtspClient::handle_close(long)
{
    delete this;
    return 0;
}

void CExpRtspClient::Close()
{
    {
        Zentar::Infra::CGuard guard(m_sessionMutex);
        if (m_client) {
            m_client->detachDataProc(m_dataProcId);
            m_client->close();
            m_client.reset();
            m_hasClient = false;
        }
    }
    Zentar::NetFramework::CNetHandler::Close();
}

void CExpRtspClient::setTimeZoneConfig(const Json::Value& config)
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    m_timeZone = config;
}

void CExpRtspClient::applyRemoteTime()
{
    ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p], setConfig clientConfigSetRemoteTimeInfo!\n", static_cast<void*>(this));
    if (!m_timeZone.isObject() || !m_timeZone["TimeZone"].isInt())
        return;
    CRtspRemoteTimeInfo remote;
    int offset = 0;
    Onvif::getTimeZoneOffset(m_timeZone["TimeZone"].asInt(), offset);
    remote.timeZoneMinutes = offset / 60;
    const Json::Value& enable = m_timeZone["DSTEnable"];
    remote.dstEnable = (enable.isBool() && enable.asBool()) || (enable.isInt() && enable.asInt() != 0) ? 1 : 0;
    ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p], cfgDST:%s\n", static_cast<void*>(this),
              m_timeZone.toStyledString().c_str());
    if (remote.dstEnable) {
        static const char* const kFields[6] = {"Month", "Week", "Wday", "Hour", "Minute", "Second"};
        const Json::Value& start = m_timeZone["DSTStart"];
        const Json::Value& end = m_timeZone["DSTEnd"];
        for (int i = 0; i < 6; ++i) {
            remote.dstStart[i] = start.isObject() ? start[kFields[i]].asInt() : 0;
            remote.dstEnd[i] = end.isObject() ? end[kFields[i]].asInt() : 0;
        }
        ONVIF_LOG(LOG_INFO, "%d, %d, month%d-week%d-wday%dT%02d:%02d:%02d, month%d-week%d-wday%dT%02d:%02d:%02d\n",
                  remote.timeZoneMinutes, remote.dstEnable, remote.dstStart[0], remote.dstStart[1],
                  remote.dstStart[2], remote.dstStart[3], remote.dstStart[4], remote.dstStart[5], remote.dstEnd[0],
                  remote.dstEnd[1], remote.dstEnd[2], remote.dstEnd[3], remote.dstEnd[4], remote.dstEnd[5]);
    }
    m_client->setConfig(kRtspCfgRemoteTime, &remote, sizeof remote);
}

bool CExpRtspClient::startRtspClient(const std::string& url)
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p],startRtspClient:%s, threadid=%d\n", static_cast<void*>(this), url.c_str(),
              threadId());
    m_url = url;
    if (!m_client) {
        ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p],need create CRtspClientSession!\n", static_cast<void*>(this));
        m_client = createSession();
        m_hasClient = m_client != nullptr;
        if (!m_client) {
            ONVIF_LOG(LOG_ERROR, "create CRtspClientSession failed!\n");
            return false;
        }
    }
    applyRemoteTime();
    m_client->setAuthorization(m_info.userName, m_info.password);
    const bool encrypted = m_transProtocol == 5 || m_transProtocol == 6;
    const int result = encrypted ? m_client->init(url, GetID(), 0, true, nullptr, CRtspClientSession::kSocketTls,
                                                  nullptr, nullptr)
                                 : m_client->init(url, GetID(), 0, true, nullptr);
    if (result < 0) {
        ONVIF_LOG(LOG_ERROR, "CExpRtspClient::StartRtspClient start rtspClientSession failed:%d\n", result);
        return false;
    }
    if (m_playType == kPlayback && !m_streamTimeoutCheckTimer->isStarted()) {
        ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p],m_streamTimeoutCheckTimer Start!!\n", static_cast<void*>(this));
        m_streamTimeoutCheckTimer->start([this](unsigned long) { onPacketCheck(); }, 0, 3000);
    }
    return true;
}

int CExpRtspClient::handle_message(long sender, int type, long attach)
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p]::handle_message, remote:<%s>,from_id:<%ld>, type:<%d>, attach:<%ld>!\n",
              static_cast<void*>(this), m_info.address.c_str(), sender, type, attach);
    switch (type) {
    case kRtspMsgError: {
        const int stateBefore = m_sessionState.load();
        if (m_client) {
            m_client->detachDataProc(m_dataProcId);
            m_client->close();
            m_client.reset();
            m_hasClient = false;
        }
        m_sessionState = kSessionEnded;
        m_playState = kEnded;
        const uint32_t code = static_cast<uint32_t>(attach);
        // Receivers may call back into us: report without the session lock.
        m_sessionMutex.leave();
        if (code == kErrorRtspUnauthorized)
            m_errorSignal.emit(kErrorRtspUnauthorized);
        else if (m_transProtocol == 5 && code == kErrorConnectFailed && stateBefore != kSessionPlayRequested)
            m_errorSignal.emit(kErrorTunnelRefused);
        sendInvalidPacket();
        m_sessionMutex.enter();
        break;
    }
    case kRtspMsgReady:
        if (!m_client) {
            m_sessionState = kSessionPlayRequested;
            break;
        }
        onReady();
        break;
    case kRtspMsgPaused:
        m_playState = kPaused;
        ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p] MSG_RTSP_PAUSE!\n", static_cast<void*>(this));
        break;
    case kRtspMsgPlaying:
        // A later resume continues from where the stream stands.
        m_activeRange = CRtspPlayRange();
        m_playState = kPlaying;
        ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p] MSG_RTSP_PLAY!\n", static_cast<void*>(this));
        break;
    default:
        break;
    }
    return 0;
}

void CExpRtspClient::onReady()
{
    m_client->attachDataProc(m_dataProcId, [this](int mediaIndex, Zentar::StreamSvr::CMediaFrame& frame) {
        OnMonitor(mediaIndex, frame);
    });
    std::shared_ptr<const Zentar::StreamSvr::CSdpParser> sdp = m_client->getSdpParser();
    const int mediaTotal = sdp ? sdp->getMediaTotal() : 0;
    auto setUp = [this](int media) {
        ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p] setSetupInfo [%d]!\n", static_cast<void*>(this), media);
        m_client->setSetupInfo(media);
    };
    if (m_playType == kPlayTalk) {
        if (m_audioBackParams.isObject())
            prepareBackChannel();
        for (int media = 0; media < mediaTotal; ++media) {
            if (sdp->getMediaType(media) == Zentar::StreamSvr::kSdpMediaAudio)
                setUp(media);
        }
    } else if (!m_audioOn) {
        for (int media = 0; media < mediaTotal; ++media) {
            if (sdp->getMediaType(media) != Zentar::StreamSvr::kSdpMediaAudio)
                setUp(media);
        }
    }
    m_client->play(-1);
    m_sessionState = kSessionPlayRequested;
}

int CExpRtspClient::pause()
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    if (!m_client) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p] pause, m_client is null!\n", static_cast<void*>(this));
        return -1;
    }
    if (m_playState != kPlaying) {
        ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p], current [%d], no need to pause!!\n", static_cast<void*>(this),
                  m_playState.load());
        return 0;
    }
    const int result = m_client->pause();
    if (result < 0)
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p] pause, call RTSP->pause failed!\n", static_cast<void*>(this));
    // Paused either way: a failed PAUSE still means the host wants no frames.
    m_playState = kPaused;
    return result;
}

int CExpRtspClient::resume()
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    if (!m_client) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p] resume, m_client is null!\n", static_cast<void*>(this));
        return -1;
    }
    if (m_client->setPlayInfo(m_activeRange, 1.0f, false) != 0) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p]::Resume, call RTSP->setPlayInfo failed!\n", static_cast<void*>(this));
        return -1;
    }
    if (m_client->play(-1) < 0) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p]::Resume, call RTSP->play failed!\n", static_cast<void*>(this));
        return -1;
    }
    return 0;
}

bool CExpRtspClient::isReady()
{
    ONVIF_LOG(LOG_DEBUG, "CExpRtspClient[%p] state[%d]!\n", static_cast<void*>(this), m_playState.load());
    return m_playState > kNotPlaying;
}

namespace {
// One session option under the session lock; false without a session or when refused.
bool setOption(Zentar::Infra::CMutex& mutex, const CRtspClientSession::Ptr& client, int key, const void* value,
               size_t len)
{
    Zentar::Infra::CGuard guard(mutex);
    return client && client->setConfig(key, value, len) >= 0;
}
} // namespace

bool CExpRtspClient::setUdpConnectMode(bool connect)
{
    const uint8_t value = connect ? 1 : 0;
    if (setOption(m_sessionMutex, m_client, kRtspCfgUdpConnect, &value, 1))
        return true;
    ONVIF_LOG(LOG_WARN, "CExpRtspClient::setUdpConnectMode failed\n");
    return false;
}

bool CExpRtspClient::setUdpPortRange(int low, int high)
{
    const uint32_t range[2] = {static_cast<uint32_t>(low), static_cast<uint32_t>(high)};
    if (setOption(m_sessionMutex, m_client, kRtspCfgUdpPortRange, range, sizeof range))
        return true;
    ONVIF_LOG(LOG_WARN, "CExpRtspClient::setUdpPortRange failed\n");
    return false;
}

bool CExpRtspClient::setRecvBufSize(uint32_t bytes)
{
    ONVIF_LOG(LOG_INFO, "RecvBufSize:%u bytes\n", bytes);
    const uint32_t buffers[2] = {bytes, bytes};
    return setOption(m_sessionMutex, m_client, kRtspCfgRecvBuffer, buffers, sizeof buffers);
}

bool CExpRtspClient::setRtcpEnable(bool enable)
{
    const uint8_t value = enable ? 1 : 0;
    const bool ok = setOption(m_sessionMutex, m_client, kRtspCfgRtcpEnable, &value, 1);
    ONVIF_LOG(LOG_INFO, ok ? "CExpRtspClient::setRtcpEnable ok, bEnable=%d\n"
                           : "CExpRtspClient::setRtcpEnable failed, bEnable=%d\n",
              enable);
    return ok;
}

bool CExpRtspClient::enableTransCheck()
{
    const uint8_t value = 1;
    return setOption(m_sessionMutex, m_client, kRtspCfgTransCheck, &value, 1);
}

bool CExpRtspClient::setAudioOn(bool on)
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    if (!m_client) {
        ONVIF_LOG(LOG_WARN, "(NULL == m_client)\n");
        return false;
    }
    m_audioOn = on;
    ONVIF_LOG(LOG_INFO, "set setAudioOn [%s]!\n", on ? "true" : "false");
    return true;
}

bool CExpRtspClient::setClientVideoTalk(bool enable)
{
    if (!enable)
        return true;
    const int32_t value = 1;
    if (!setOption(m_sessionMutex, m_client, kRtspCfgVideoTalk, &value, sizeof value)) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p], setClientVideoTalk failed, bEnable=%d\n", static_cast<void*>(this),
                  enable);
        return false;
    }
    m_playType = kPlayTalk;
    return true;
}

bool CExpRtspClient::setAudioBackParams(const Json::Value& params)
{
    if (!params.isObject() || !params.isMember("Compression") || !params.isMember("Frequency")) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p], invaild param\n", static_cast<void*>(this));
        return false;
    }
    Zentar::Infra::CGuard guard(m_sessionMutex);
    m_audioBackParams = params;
    return true;
}

int CExpRtspClient::put(const Zentar::Stream::CMediaFrame& packet)
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    if (!m_client) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p],NULL == m_client!\n", static_cast<void*>(this));
        return -1;
    }
    Zentar::StreamSvr::CMediaFrame frame;
    if (!frame.assign(packet))
        return -1;
    return m_client->put(frame);
}

bool CExpRtspClient::requestIFrame()
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    return m_client && m_client->setIFrame(true) >= 0;
}

int CExpRtspClient::setRtspMsgHeadField(const char* method, const char* name, const char* value)
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    return m_client ? m_client->setRtspMsgHeadField(method, name, value, 'r') : -1;
}

int CExpRtspClient::sendExtMsgToRtspClient(int type, const char* text)
{
    if (!text) {
        ONVIF_LOG(LOG_WARN, "msg == NULL\n");
        return -1;
    }
    Zentar::Infra::CGuard guard(m_sessionMutex);
    return m_client ? m_client->sendRtspUserMsg(type, text) : -1;
}

int CExpRtspClient::attach(const void* id, FrameSignal::Proc proc)
{
    Zentar::Infra::CGuard guard(m_deliveryMutex);
    return m_frameSignal.attach(id, std::move(proc));
}

int CExpRtspClient::detach(const void* id)
{
    Zentar::Infra::CGuard guard(m_deliveryMutex);
    return m_frameSignal.detach(id);
}

int CExpRtspClient::errAttach(const void* id, ErrorSignal::Proc proc) { return m_errorSignal.attach(id, std::move(proc)); }
int CExpRtspClient::errDetach(const void* id) { return m_errorSignal.detach(id); }

} // namespace RPC
