#pragma once
// One RTSP media session behind a small, lock-protected object shared by the live stream
// source, the playback source and the talk peer. It picks the transport, passes the
// credentials and the device's time zone, reacts to the session's notifications, selects
// the tracks, stamps every frame with the channel and frame rate, ends a playback range,
// watches a playback stream for stalls and fans the frames out to its receivers.
//
// Lifetime: made with new; Close() tears the session down and deletes the object (the
// owner drops its pointer after calling it). It never reconnects by itself: after an error
// its receivers get an empty frame and the owner calls startRtspClient again.
#include <json/json.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Component/ServerInfo.h"
#include "Infra/Mutex.h"
#include "Infra/Signal.h"
#include "Infra/Timer.h"
#include "Stream/Media/MediaFrame.h"
#include "NetFramework/NetHandler.h"
#include "Stream/Rtsp/RtspClientSession.h"
#include "Stream/Rtsp/RtspClientTypes.h"

namespace Zentar {
namespace StreamSvr {
class CMediaFrame;
}
} // namespace Zentar

namespace RPC {

class CExpRtspClient : public Zentar::NetFramework::CNetHandler {
public:
    using FrameSignal = Zentar::Infra::CSignal<Zentar::Stream::CMediaFrame&>;
    using ErrorSignal = Zentar::Infra::CSignal<uint32_t>;

    // Session states.
    enum { kSessionPlayRequested = 0, kSessionCreated = 1, kSessionEnded = 2 };
    // Play types.
    enum { kPlayLive = 0, kPlayback = 1, kPlayTalk = 2 };
    // Play states.
    enum { kNotPlaying = 0, kPlaying = 1, kPaused = 2, kEnded = 3 };

    CExpRtspClient(const Zentar::Component::ServerInfo& info, int transProtocol);

    int handle_close(long id) override;
    int handle_message(long sender, int type, long attach) override;
    void Close() override;

    bool startRtspClient(const std::string& url);
    bool setPlayRange(const char* startTime, const char* endTime, int rangeType);
    int pause();
    int resume();
    bool isReady();
    int getSessionState() const { return m_sessionState.load(); }
    int getPlayState() const { return m_playState.load(); }

    bool setUdpConnectMode(bool connect);
    bool setUdpPortRange(int low, int high);
    bool setRecvBufSize(uint32_t bytes);
    bool setRtcpEnable(bool enable);
    bool enableTransCheck();
    bool setAudioOn(bool on);
    bool setClientVideoTalk(bool enable);
    bool setAudioBackParams(const Json::Value& params);
    int put(const Zentar::Stream::CMediaFrame& packet);
    bool requestIFrame();
    int setRtspMsgHeadField(const char* method, const char* name, const char* value);
    int sendExtMsgToRtspClient(int type, const char* text);

    void setChannel(int channel) { m_channel = channel; }
    void setFrameRate(int frameRate) { m_configFrameRate = frameRate; }
    void setStatisticsFlag(bool on) { m_statistics = on; }
    void setDataProcId(int id) { m_dataProcId = id; }
    void setTransportByte(uint8_t transport) { m_info.transport = transport; }
    void setTimeZoneConfig(const Json::Value& config);

    // Receivers, by identity; attach returns the number attached (negative on failure).
    int attach(const void* id, FrameSignal::Proc proc);
    int detach(const void* id);
    int errAttach(const void* id, ErrorSignal::Proc proc);
    int errDetach(const void* id);
    int frameReceiverCount() const { return m_frameSignal.count(); }

    // The platform transport kind for a stream source's protocol choice.
    static int transportKind(int transProtocol, uint8_t transportByte);
    // The audio code of a compression name; -1 when unknown.
    static int audioCodeOfName(const std::string& name);
    // Picks the back channel in a description and narrows it to the payload that matches
    // (code, rate). False when there is none; edited is then left alone.
    static bool selectBackChannel(const Zentar::StreamSvr::CSdpParser& sdp, int code, int rate,
                                  Zentar::StreamSvr::CSdpParser& edited, bool& changed);
    // The frame-rate bookkeeping of OnMonitor on one packet (exposed for tests).
    void stampFrameRate(Zentar::Stream::CMediaFrame& packet, uint64_t nowMs);
    // 1 when a playback frame at utcSeconds reached the range end, 0 before, -1 without session.
    int checkReciveDataOver(uint64_t utcSeconds);

protected:
    ~CExpRtspClient() override;

private:
    Zentar::StreamApp::CRtspClientSession::Ptr createSession();
    void OnMonitor(int mediaIndex, Zentar::StreamSvr::CMediaFrame& frame);
    void deliver(Zentar::Stream::CMediaFrame& packet);
    void sendInvalidPacket();
    void onReady();
    bool prepareBackChannel();
    void handlePlaybackOver();
    void onPacketCheck();
    void applyRemoteTime();

    Zentar::Component::ServerInfo m_info;
    const int m_transProtocol;

    mutable Zentar::Infra::CMutex m_sessionMutex;
    Zentar::StreamApp::CRtspClientSession::Ptr m_client;
    // Whether m_client is set, for the frame path, which never takes the session lock
    // (closing a session waits for a running frame callback to finish).
    std::atomic<bool> m_hasClient{false};
    std::string m_url;

    Zentar::Infra::CMutex m_deliveryMutex;
    FrameSignal m_frameSignal;
    ErrorSignal m_errorSignal;

    std::atomic<int> m_dataProcId{2};
    std::atomic<int> m_configFrameRate{-1};
    int m_headerFrameRate = -1;
    std::atomic<bool> m_statistics{false};
    float m_frameRateStatistic = 0.0f;
    uint64_t m_statWindowStartMs = 0;
    int m_statWindowFrames = 0;
    bool m_firstKeyFrameSeen = false;
    int m_firstKeyFrameCounter = 0;
    std::atomic<int> m_channel{0};
    std::atomic<bool> m_audioOn{true};
    std::atomic<int> m_sessionState{kSessionCreated};
    std::atomic<int> m_playType{kPlayLive};
    std::atomic<int> m_playState{kNotPlaying};

    Zentar::StreamApp::CRtspPlayRange m_requestedRange;
    Zentar::StreamApp::CRtspPlayRange m_activeRange;
    std::atomic<uint64_t> m_rangeEndUtc{0};

    std::unique_ptr<Zentar::Infra::CTimer> m_Playbacktimer;
    std::unique_ptr<Zentar::Infra::CTimer> m_streamTimeoutCheckTimer;
    std::atomic<uint64_t> m_uTimerCount{0};

    Json::Value m_audioBackParams;
    Json::Value m_timeZone;
};

} // namespace RPC
