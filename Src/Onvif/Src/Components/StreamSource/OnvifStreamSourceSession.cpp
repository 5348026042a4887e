// Running a live stream source: the RTSP session behind it, shared by every host receiver,
// started with the first and stopped with the last.
#include "Base/RTSPClient/ExpRtspClient.h"
#include "Components/StreamSource/OnvifStreamSource.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "Stream/Media/MediaFrame.h"

namespace RPC {
namespace Onvif {

COnvifStreamSource::~COnvifStreamSource()
{
    ONVIF_LOG(LOG_INFO, "COnvifStreamSource::~COnvifStreamSource()\n");
    Zentar::Infra::CGuard guard(m_sessionMutex);
    if (m_pRtspClient) {
        ONVIF_LOG(LOG_INFO, "pRtspClient->detach\n");
        m_pRtspClient->detach(this);
        ONVIF_LOG(LOG_INFO, "pRtspClient->errDetach\n");
        m_pRtspClient->errDetach(this);
        m_pRtspClient->Close();
        m_pRtspClient = nullptr;
    }
}

bool COnvifStreamSource::start(Zentar::Stream::IFrameReceiver* receiver)
{
    Zentar::Infra::CGuard guard(m_startMutex);
    ONVIF_LOG(LOG_INFO, "streamType=%d\n", m_streamType);
    m_lastError = 0;
    if (!receiver)
        return false;
    if (!m_bKeepAlive) {
        if (!startRtspSession()) {
            ONVIF_LOG(LOG_ERROR, "Start failed\n");
            return false;
        }
        m_bKeepAlive = true;
    }
    int attached = 0;
    {
        Zentar::Infra::CGuard delivery(m_deliveryMutex);
        attached = m_receivers.attach(receiver, [receiver](const Zentar::Stream::CMediaFrame& frame) {
            receiver->onFrame(frame);
        });
    }
    if (attached == -2 || attached >= 1) {
        ONVIF_LOG(LOG_INFO, " m_iLocalChn:%d,attach'Num = %d\n", m_iLocalChn, attached);
        return true;
    }
    ONVIF_LOG(LOG_ERROR, "proc attach failed iRet=%d\n", attached);
    return false;
}

bool COnvifStreamSource::stop(Zentar::Stream::IFrameReceiver* receiver)
{
    Zentar::Infra::CGuard guard(m_startMutex);
    ONVIF_LOG(LOG_INFO, "streamType=%d \n", m_streamType);
    int left = 0;
    {
        Zentar::Infra::CGuard delivery(m_deliveryMutex);
        if (!m_receivers.isAttached(receiver)) {
            ONVIF_LOG(LOG_WARN, " isAttached is false\n");
            return false;
        }
        left = m_receivers.detach(receiver);
    }
    ONVIF_LOG(LOG_INFO, "m_iLocalChn:%d,attach'Num = %d\n", m_iLocalChn, left);
    if (left > 0)
        return true;
    if (!stopRtspSession()) {
        ONVIF_LOG(LOG_ERROR, "Stop RTSP's session is failed\n");
        return false;
    }
    return true;
}

void COnvifStreamSource::dropRtspClient()
{
    if (!m_pRtspClient)
        return;
    m_pRtspClient->detach(this);
    if (m_errorAttached)
        m_pRtspClient->errDetach(this);
    m_errorAttached = false;
    m_pRtspClient->Close();
    m_pRtspClient = nullptr;
}

bool COnvifStreamSource::startRtspSession()
{
    if (!m_pRtspClient) {
        m_pRtspClient = new (std::nothrow) CExpRtspClient(*m_serverInfo, m_protocol);
        if (!m_pRtspClient) {
            ONVIF_LOG(LOG_ERROR, "new RPC::CExpRtspClient fail\n");
            return false;
        }
    }
    Zentar::Infra::CGuard guard(m_sessionMutex);
    const StreamSourceOptions opts = options();
    if (m_protocol == 1 || m_protocol == 3) {
        if (opts.udpPortMin != 0 && opts.udpPortMax != 0 && !m_pRtspClient->setUdpPortRange(opts.udpPortMin, opts.udpPortMax))
            ONVIF_LOG(LOG_WARN, "RPC::CExpRtspClient setUdpPortRange fail\n");
        if (!m_pRtspClient->setUdpConnectMode(opts.udpConnectMode))
            ONVIF_LOG(LOG_WARN, "RPC::CExpRtspClient setUdpConnectMode fail\n");
    }
    m_strRtspUrl = getStreamUri();
    if (m_strRtspUrl.empty()) {
        dropRtspClient();
        return false;
    }
    Json::Value zone;
    if (COnvifInfoCenter::instance()->getZoneAndDSTCfg(*m_serverInfo, zone, true)) {
        ONVIF_LOG(LOG_INFO, "getZoneAndDSTCfg : %s\n", zone.toStyledString().c_str());
        m_pRtspClient->setTimeZoneConfig(zone);
    }
    m_pRtspClient->setChannel(m_iRemoteChn);
    m_pRtspClient->setDataProcId(0);

    const int attached = m_pRtspClient->attach(this, [this](Zentar::Stream::CMediaFrame& frame) { onFrame(frame); });
    if (attached < 0) {
        ONVIF_LOG(LOG_ERROR, "Attach  proc is falied\n");
        dropRtspClient();
        return false;
    }
    if (attached > 1) {
        ONVIF_LOG(LOG_INFO, "after atttach proc = %d\n", attached);
        return true;
    }
    m_errorAttached = m_pRtspClient->errAttach(this, [this](uint32_t code) { m_lastError = code; }) >= 1;
    if (!m_errorAttached)
        ONVIF_LOG(LOG_WARN, "atttach err proc failed\n");
    if (!m_pRtspClient->setAudioOn(opts.audioOn))
        ONVIF_LOG(LOG_WARN, "setAudioOn failed\n");
    if (opts.sockRecvBufSize != 0 && !m_pRtspClient->setRecvBufSize(opts.sockRecvBufSize))
        ONVIF_LOG(LOG_WARN, "set recv buf size:%u failed\n", opts.sockRecvBufSize);
    if (opts.rtspCheckTransEnable)
        m_pRtspClient->enableTransCheck();
    if (!m_pRtspClient->startRtspClient(m_strRtspUrl)) {
        ONVIF_LOG(LOG_ERROR, "Start RTSPClient is failed\n");
        ONVIF_LOG(LOG_ERROR, "m_pRtspClient->Close\n");
        dropRtspClient();
        return false;
    }
    return true;
}

bool COnvifStreamSource::stopRtspSession()
{
    Zentar::Infra::CGuard guard(m_sessionMutex);
    if (!m_bKeepAlive) {
        ONVIF_LOG(LOG_INFO, "m_bKeepAlive is false\n");
        return true;
    }
    ONVIF_LOG(LOG_INFO, "Going to StopRTSPSession\n");
    if (m_pRtspClient) {
        const int left = m_pRtspClient->detach(this);
        if (left < 0) {
            ONVIF_LOG(LOG_ERROR, "Stop detach is failed:%d\n", left);
            return false;
        }
        if (left > 0) {
            ONVIF_LOG(LOG_INFO, "after detach  proc is %d\n", left);
            return true;
        }
        if (m_errorAttached) {
            ONVIF_LOG(LOG_INFO, "detach err proc\n");
            m_pRtspClient->errDetach(this);
            m_errorAttached = false;
        }
        m_pRtspClient->Close();
        m_pRtspClient = nullptr;
    }
    m_bKeepAlive = false;
    return true;
}

void COnvifStreamSource::onFrame(Zentar::Stream::CMediaFrame& frame)
{
    Zentar::Infra::CGuard guard(m_deliveryMutex);
    // The end-of-stream marker goes to the receivers like any frame: restarting is the host's.
    if (!frame.valid())
        ONVIF_LOG(LOG_WARN, "RTSP's session is Down,will be ReStart\n");
    frame.setChannel(m_iRemoteChn);
    frame.setStreamType(m_streamType);
    m_receivers.emit(frame);
}

} // namespace Onvif
} // namespace RPC
