#include "Components/VideoTalk/OnvifVideoTalkPeerManager.h"

#include <cstdlib>
#include <new>

#include "Base/RTSPClient/ExpRtspClient.h"
#include "Components/StreamSource/OnvifStreamSource.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "Stream/Media/MediaFrame.h"

namespace RPC {
namespace Onvif {

using Zentar::Infra::CGuard;

COnvifVideoTalkPeerManager::COnvifVideoTalkPeerManager(
    std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

COnvifVideoTalkPeerManager::~COnvifVideoTalkPeerManager()
{
    CGuard guard(m_mutex);
    stopRTSPSession();
}

bool COnvifVideoTalkPeerManager::setOption(const Json::Value& options)
{
    CGuard guard(m_mutex);
    if (m_pRtspClient) {
        ONVIF_LOG(LOG_WARN, "OnvifVideoTalkPeerManager[%p], talking already started!\n", static_cast<void*>(this));
        return false;
    }
    ONVIF_LOG(LOG_INFO, "OnvifVideoTalkPeerManager[%p], setOption:%s\n", static_cast<void*>(this),
              options.toStyledString().c_str());
    if (!options.isObject() || !options["Compression"].isString() || !options["Frequency"].isIntegral()) {
        ONVIF_LOG(LOG_WARN, "OnvifVideoTalkPeerManager[%p], audioback option invaild\n", static_cast<void*>(this));
        return false;
    }
    m_options = options;
    return true;
}

bool COnvifVideoTalkPeerManager::reinvite(const char* channel)
{
    CGuard guard(m_mutex);
    m_channel = channel ? std::atoi(channel) : 0;
    ONVIF_LOG(LOG_INFO, "OnvifVideoTalkPeerManager[%p],reinvite channelNO [%d]!\n", static_cast<void*>(this), m_channel);
    return true;
}

int COnvifVideoTalkPeerManager::transportFor(const Json::Value& options, const Zentar::Component::ServerInfo& info)
{
    if (!options.isMember("TransProtocolType"))
        return COnvifStreamSource::protocolFromRecord(info.transport);
    const int protocol = options["TransProtocolType"].asInt();
    if (protocol == 2 || protocol == 6 || (protocol == 4 && info.https) || (protocol == 5 && !info.https)) {
        ONVIF_LOG(LOG_WARN, "protocol<%d>, encryption<%d> not supported!\n", protocol, info.https ? 1 : 0);
        return -1;
    }
    return protocol;
}

bool COnvifVideoTalkPeerManager::startRTSPSession()
{
    const char* ip = m_serverInfo->address.c_str();
    const int port = m_serverInfo->port;
    void* self = static_cast<void*>(this);
    ONVIF_LOG(LOG_INFO, "OnvifVideoTalkPeerManager[%p] startRTSPSession, option:%s\n", self,
              m_options.toStyledString().c_str());
    const int protocol = transportFor(m_options, *m_serverInfo);
    if (protocol < 0)
        return false;
    ONVIF_LOG(LOG_INFO, "OnvifVideoTalkPeerManager[%p] startRTSPSession, TransProtocolType:%d\n", self, protocol);
    m_pRtspClient = new (std::nothrow) CExpRtspClient(*m_serverInfo, protocol);
    if (!m_pRtspClient) {
        ONVIF_LOG(LOG_ERROR, "OnvifVideoTalkPeerManager[%p] startRTSPSession failed, new rtspclient failed, ip=%s, port=%d\n",
                  self, ip, port);
        return false;
    }
    ONVIF_LOG(LOG_INFO, "[%p] startRTSPSession, new CExpRtspClient[%p] ok\n", self, static_cast<void*>(m_pRtspClient));
    if (protocol == 1 || protocol == 3) {
        const Json::Value& range = m_options["UDPPortRange"];
        if (range["Min"].asInt() > 0 && range["Max"].asInt() > 0)
            m_pRtspClient->setUdpPortRange(range["Min"].asInt(), range["Max"].asInt());
        m_pRtspClient->setUdpConnectMode(m_options["UDPConnectMode"].asBool());
    }
    std::string uri;
    COnvifInfoCenter::instance()->getStreamUrl(uri, *m_serverInfo, m_channel, m_streamType,
                                               COnvifStreamSource::streamSetupFor(protocol));
    ONVIF_LOG(LOG_INFO, "COnvifVideoTalkPeerManager[%p] getStreamUri:<%s>\n", self, uri.c_str());
    m_url = COnvifStreamSource::rtspUrlFromDeviceUri(uri);
    const char* failure = nullptr;
    if (m_url.empty()) {
        ONVIF_LOG(LOG_ERROR, "COnvifVideoTalkPeerManager[%p] getStreamUri failed, url empty, ip=%s, port=%d\n", self,
                  ip, port);
        failure = "getStreamUri failed";
    } else if (!m_pRtspClient->setClientVideoTalk(true)) {
        failure = "setClientVideoTalk failed";
    } else {
        ONVIF_LOG(LOG_INFO, "COnvifVideoTalkPeerManager[%p] getStreamUri ok, url:<%s> ip=%s, port=%d\n", self,
                  m_url.c_str(), ip, port);
        Json::Value back;
        back["Compression"] = m_options["Compression"];
        back["Frequency"] = m_options["Frequency"];
        m_pRtspClient->setAudioBackParams(back);
        m_pRtspClient->setChannel(m_channel);
        m_pRtspClient->setDataProcId(0);
        if (m_pRtspClient->attach(this, [this](Zentar::Stream::CMediaFrame& frame) { onTalk(frame); }) < 0)
            failure = "rtsp client attach failed";
        else if (!m_pRtspClient->startRtspClient(m_url))
            failure = "startRtspClient failed";
    }
    if (failure) {
        ONVIF_LOG(LOG_ERROR, "OnvifVideoTalkPeerManager[%p] startRTSPSession failed, %s, ip=%s, port=%d\n", self,
                  failure, ip, port);
        stopRTSPSession();
        return false;
    }
    return true;
}

void COnvifVideoTalkPeerManager::stopRTSPSession()
{
    if (!m_pRtspClient)
        return;
    ONVIF_LOG(LOG_INFO, "pRtspClient->detach, this=%p\n", static_cast<void*>(this));
    m_pRtspClient->detach(this);
    m_pRtspClient->Close();
    m_pRtspClient = nullptr;
}

bool COnvifVideoTalkPeerManager::startRecv(Zentar::Stream::IFrameReceiver* receiver)
{
    CGuard guard(m_mutex);
    const char* ip = m_serverInfo->address.c_str();
    const int port = m_serverInfo->port;
    if (!receiver)
        return false;
    if (!m_pRtspClient && !startRTSPSession()) {
        ONVIF_LOG(LOG_ERROR, "OnvifVideoTalkPeerManager startRecv failed, startRTSPSession failed, this=%p, ip=%s, port=%d\n",
                  static_cast<void*>(this), ip, port);
        return false;
    }
    m_receivers.attach(receiver, [receiver](const Zentar::Stream::CMediaFrame& frame) { receiver->onFrame(frame); });
    ONVIF_LOG(LOG_INFO, "OnvifVideoTalkPeerManager startRecv ok, this=%p, ip=%s, port=%d\n", static_cast<void*>(this), ip,
              port);
    return true;
}

bool COnvifVideoTalkPeerManager::stop(Zentar::Stream::IFrameReceiver* receiver)
{
    CGuard guard(m_mutex);
    void* self = static_cast<void*>(this);
    const char* ip = m_serverInfo->address.c_str();
    const int port = m_serverInfo->port;
    if (!m_receivers.isAttached(receiver)) {
        ONVIF_LOG(LOG_WARN, "OnvifVideoTalkPeerManager stop failed, not attached, this=%p, ip=%s, port=%d\n", self, ip,
                  port);
        return false;
    }
    const int left = m_receivers.detach(receiver);
    if (left > 0) {
        ONVIF_LOG(LOG_INFO, "OnvifVideoTalkPeerManager stop ok, not really stop, detach ret=%d, this=%p, ip=%s, port=%d\n",
                  left, self, ip, port);
        return true;
    }
    stopRTSPSession();
    ONVIF_LOG(LOG_INFO, "OnvifVideoTalkPeerManager stop ok, this=%p, ip=%s, port=%d\n", self, ip, port);
    return true;
}

bool COnvifVideoTalkPeerManager::put(const Zentar::Stream::CMediaFrame& packet)
{
    void* self = static_cast<void*>(this);
    const char* ip = m_serverInfo->address.c_str();
    const int port = m_serverInfo->port;
    if (!packet.valid()) {
        ONVIF_LOG(LOG_WARN, "OnvifVideoTalkPeerManager::put,Packet.valid, this=%p, ip=%s, port=%d\n", self, ip, port);
        return false;
    }
    CGuard guard(m_mutex);
    if (!m_pRtspClient) {
        ONVIF_LOG(LOG_WARN, "OnvifVideoTalkPeerManager::put,NULL == m_pRtspClient, this=%p, ip=%s, port=%d\n", self, ip,
                  port);
        return false;
    }
    if (m_pRtspClient->put(packet) < 0) {
        ONVIF_LOG(LOG_WARN, "OnvifVideoTalkPeerManager::put,m_pRtspClient->put failed, this=%p, ip=%s, port=%d\n", self,
                  ip, port);
        return false;
    }
    return true;
}

bool COnvifVideoTalkPeerManager::isTalking()
{
    CGuard guard(m_mutex);
    return m_pRtspClient && m_pRtspClient->isReady();
}

void COnvifVideoTalkPeerManager::onTalk(Zentar::Stream::CMediaFrame& frame)
{
    if (!frame.valid())
        ONVIF_LOG(LOG_DEBUG, "CMediaFrame is unvaild\n");
    m_receivers.emit(frame);
}

} // namespace Onvif
} // namespace RPC
