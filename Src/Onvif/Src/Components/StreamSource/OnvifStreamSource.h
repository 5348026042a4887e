#pragma once
// The live stream of one (channel, stream type, transport) of one device, shared by every
// host receiver that asks for that combination.
#include <json/json.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "Component/ServerInfo.h"
#include "IStreamSource.h"
#include "Infra/Mutex.h"
#include "Infra/Signal.h"

namespace RPC {
class CExpRtspClient;
}

namespace RPC {
namespace Onvif {

// The options a host may set; they take effect at the next start of the RTSP session.
struct StreamSourceOptions {
    bool audioOn = true;
    uint32_t sockRecvBufSize = 0;   // 0: the RTSP client's default
    bool rtspCheckTransEnable = false;
    int udpPortMin = 0;             // 0: not set
    int udpPortMax = 0;
    bool udpConnectMode = true;
};

class COnvifStreamSource : public Zentar::Stream::IStreamSource {
public:
    COnvifStreamSource(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo, int localChannel,
                       int remoteChannel, int streamType, int protocol);
    ~COnvifStreamSource() override;

    bool start(Zentar::Stream::IFrameReceiver* receiver) override;
    bool stop(Zentar::Stream::IFrameReceiver* receiver) override;

    bool getError(uint32_t& code) override;
    bool setOptions(const Json::Value& options) override;
    bool requestKeyFrame() override;
    bool getStreamUrl(std::string& url) override;

    int getChannel() const { return m_iRemoteChn; }
    int getStreamType() const { return m_streamType; }
    int getTransProtocol() const { return m_protocol; }
    StreamSourceOptions options() const;
    bool isRunning() const { return m_bKeepAlive; }

    // The stream set-up sent with the URI request for a transport (null: none).
    static Json::Value streamSetupFor(int protocol);
    // RTSP tunnelled over HTTP(S) is announced with the web scheme; the RTSP client wants
    // "rtsp" with the web port made explicit.
    static std::string rtspUrlFromDeviceUri(const std::string& uri);
    // The transport the connection record's transport byte stands for (request -1).
    static int protocolFromRecord(uint8_t transportByte);

private:
    // The device's stream URI for this source, rewritten for the RTSP client; "" on failure.
    std::string getStreamUri();
    bool startRtspSession();
    bool stopRtspSession();
    // Closes and drops the wrapper after a failed start.
    void dropRtspClient();
    void onFrame(Zentar::Stream::CMediaFrame& frame);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
    int m_iLocalChn;
    int m_iRemoteChn;
    int m_streamType;
    int m_protocol;

    mutable Zentar::Infra::CMutex m_optionsMutex;
    StreamSourceOptions m_options;
    std::atomic<uint32_t> m_lastError{0};

    Zentar::Infra::CMutex m_startMutex;     // start and stop
    Zentar::Infra::CMutex m_sessionMutex;   // the RTSP session
    Zentar::Infra::CMutex m_deliveryMutex;  // frames to the host
    bool m_bKeepAlive = false;
    bool m_errorAttached = false;
    std::string m_strRtspUrl;
    CExpRtspClient* m_pRtspClient = nullptr;   // closed (and so deleted) through Close()
    Zentar::Infra::CSignal<const Zentar::Stream::CMediaFrame&> m_receivers;
};

} // namespace Onvif
} // namespace RPC
