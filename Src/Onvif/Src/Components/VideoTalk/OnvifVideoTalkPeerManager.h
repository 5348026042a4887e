#pragma once
// Two-way audio with one device: its stream opened in talk mode, the audio back channel
// chosen by the host's compression and sample rate, the device's frames to the host's
// receivers and the host's audio frames to the device.
#include <json/json.h>

#include <memory>
#include <string>

#include "Component/ServerInfo.h"
#include "IVideoTalkPeer.h"
#include "Infra/Mutex.h"
#include "Infra/Signal.h"

namespace RPC {
class CExpRtspClient;

namespace Onvif {

class COnvifVideoTalkPeerManager : public Zentar::Component::IVideoTalkPeer {
public:
    explicit COnvifVideoTalkPeerManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);
    ~COnvifVideoTalkPeerManager() override;

    bool setOption(const Json::Value& options) override;
    bool reinvite(const char* channel) override;
    bool invite() override { return false; }
    bool startRecv(Zentar::Stream::IFrameReceiver* receiver) override;
    bool stop(Zentar::Stream::IFrameReceiver* receiver) override;
    bool put(const Zentar::Stream::CMediaFrame& packet) override;

    // The session is playing: audio put now reaches the device.
    bool isTalking();

    // The transport a talk session would use for these options and this connection; -1
    // (with the log line) for a combination the device side cannot carry.
    static int transportFor(const Json::Value& options, const Zentar::Component::ServerInfo& info);

private:
    bool startRTSPSession();
    void stopRTSPSession();
    void onTalk(Zentar::Stream::CMediaFrame& frame);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
    int m_channel = 0;
    int m_streamType = 0;
    Json::Value m_options{Json::objectValue};
    std::string m_url;
    // Guards the options, the wrapper and the receivers' attach and detach.
    Zentar::Infra::CMutex m_mutex;
    CExpRtspClient* m_pRtspClient = nullptr;   // Close() deletes it
    Zentar::Infra::CSignal<const Zentar::Stream::CMediaFrame&> m_receivers;
};

} // namespace Onvif
} // namespace RPC
