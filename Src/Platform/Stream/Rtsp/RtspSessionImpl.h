#pragma once
// Private to the RTSP client: the protocol state machine behind CRtspClientSession.
// Everything below runs on one strand of the shared loop; the public façade posts to it.
// Only the option block, the description pointer and the frame receivers are touched
// from other threads, each under its own small lock, never across network I/O.
#include "Stream/Rtsp/RtpUdpPair.h"
#include "Stream/Rtsp/RtspAuth.h"
#include "Stream/Rtsp/RtspByteStream.h"
#include "Stream/Rtsp/RtspClientSession.h"
#include "Stream/Rtsp/RtspFramer.h"
#include "Stream/Rtsp/RtspUrl.h"

#include "Stream/Media/Depacketizer.h"
#include "Stream/Media/FramePackager.h"
#include "Stream/Media/Rtcp.h"
#include "Stream/Media/RtpReorderBuffer.h"
#include "Stream/Media/SdpParser.h"

#include <asio/steady_timer.hpp>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace Zentar {
namespace StreamApp {

// Milliseconds from the session clock (the system clock unless a test replaced it).
uint64_t rtspNowMs();

// Options as set by setConfig; copied by the strand when it needs them.
struct CRtspOptions {
    bool rtcp = true;
    bool talk = false;
    uint32_t recvBuffer[2] = {0, 0};
    bool transCheck = false;
    bool udpConnect = false;
    uint16_t portLow = 0;
    uint16_t portHigh = 0;
    CRtspRemoteTimeInfo remoteTime;
    uint32_t connectMs = 5000;
    uint32_t answerMs = 10000;
    uint32_t dataMs = 20000;
    std::string user;
    std::string password;
    CRtspPlayRange range;
    float scale = 1.0f;
    bool rateControlOff = false;
    bool onlyKeyFrames = false;
    // method ("*" = all) -> header name -> value
    std::map<std::string, std::map<std::string, std::string>> extraHeaders;
};

class CRtspSessionImpl : public std::enable_shared_from_this<CRtspSessionImpl> {
public:
    CRtspSessionImpl(int kind, long id);
    ~CRtspSessionImpl();

    long id() const { return m_id; }
    int kind() const { return m_kind; }

    // ---- any thread ----
    std::mutex& optionsMutex() { return m_optMutex; }
    CRtspOptions& options() { return m_options; } // under optionsMutex
    int start(const std::string& url, long handlerId, bool tls, CRtspClientSession::InitProc proc);
    int attachDataProc(int id, CRtspClientSession::DataProc proc);
    int detachDataProc(int id);
    std::shared_ptr<const StreamSvr::CSdpParser> sdp() const;
    int replaceSdp(const StreamSvr::CSdpParser& sdp);
    void post(std::function<void()> work);
    bool closing() const { return m_closed.load(); }
    void requestClose();

    // ---- strand ----
    void selectMedia(int media);
    void doPlay(int position);
    void doPause();
    void doUserMessage(int type, const std::string& text);
    void doPut(std::shared_ptr<std::vector<uint8_t>> payload, uint64_t ptsMs);

private:
    enum EState { kIdle, kConnecting, kDescribing, kDescribed, kSettingUp, kPlaying, kPaused, kFinished };
    enum EReqKind { kReqOptions, kReqDescribe, kReqSetup, kReqPlay, kReqPause, kReqTeardown,
                    kReqKeepAlive, kReqUser };

    struct CRequest {
        EReqKind kind = kReqOptions;
        std::string method;
        std::string url;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string contentType;
        std::string body;
        int track = -1;
        bool authRetried = false;
    };

    struct CTrack {
        int media = -1;
        std::string url;
        bool backChannel = false;
        int payloadType = -1;
        uint32_t clockRate = 90000;
        std::string encoding;
        std::unique_ptr<StreamSvr::IDepacketizer> depacketizer;
        StreamSvr::CFramePackager packager;
        StreamSvr::CRtpReorderBuffer reorder;
        StreamSvr::CRtpReceiveStats stats;
        StreamSvr::CRtpTimeMapper timeMapper;
        int channels[2] = {-1, -1};  // interleaved RTP / RTCP channel
        std::unique_ptr<CRtpUdpPair> udp;
        bool setUp = false;
        // talk
        uint16_t sendSeq = 0;
        uint32_t sendSsrc = 0;
        uint32_t sendTs = 0;
    };

    class CUnitSink;

    // connection and requests (RtspSessionImpl.cpp)
    void onConnected(const std::string& error);
    void readMore();
    void onRead(const std::string& error, size_t bytes);
    void queueRequest(CRequest request);
    void sendNext();
    void writeRaw(std::shared_ptr<const std::string> data);
    void flushWrites();
    void onAnswer(const CRtspAnswer& answer);
    void onServerRequest(const CRtspAnswer& request);
    void onRequestDone(const CRequest& request, const CRtspAnswer& answer);
    void onDescribed(const CRequest& request, const CRtspAnswer& answer);
    bool onSetUp(const CRequest& request, const CRtspAnswer& answer);
    void onPlaying(const CRtspAnswer& answer);
    void takeSessionHeader(const CRtspAnswer& answer);
    void armAnswerTimer();
    void armKeepAlive();
    void armDataWatchdog();
    void armMediaTick();
    void fail(uint32_t code, const std::string& why);
    void postMessage(int type, long attach);
    void shutdown(bool teardown);
    CRtspOptions snapshotOptions();
    void addPlayHeaders(CRequest& request, int position);

    // media (RtspSessionMedia.cpp)
    void buildTracks();
    std::string transportFor(CTrack& track, int index, std::string& error);
    void onInterleaved(uint8_t channel, const uint8_t* data, size_t size);
    void onUdp(int track, bool rtcp, const uint8_t* data, size_t size);
    void onRtp(CTrack& track, const uint8_t* data, size_t size);
    void deliverInOrder(CTrack& track, const StreamSvr::CRtpPacket& packet, uint32_t lost);
    void onRtcp(CTrack& track, const uint8_t* data, size_t size);
    void drainReorder(CTrack& track, uint64_t nowMs);
    bool sendReceiverReports(); // false when no track has received anything yet
    void sendTrackPacket(CTrack& track, bool rtcp, const std::vector<uint8_t>& packet);
    void dispatchFrame(int media, StreamSvr::CMediaFrame& frame);

    // fixed at construction
    const int m_kind;
    const long m_id;

    // shared with other threads
    mutable std::mutex m_optMutex;
    CRtspOptions m_options;
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_closed{false};
    mutable std::mutex m_sdpMutex;
    std::shared_ptr<const StreamSvr::CSdpParser> m_sdp;
    std::mutex m_procMutex;
    std::condition_variable m_procIdle;
    std::map<int, std::shared_ptr<CRtspClientSession::DataProc>> m_procs;
    int m_procBusy = 0;
    std::thread::id m_procThread;

    // strand-owned
    RtspStrand m_strand;
    RtspStrand m_msgStrand; // keeps notifications in order without blocking the protocol
    CRtspUrl m_url;
    std::string m_requestUrl;
    long m_handlerId = 0;
    bool m_tls = false;
    CRtspClientSession::InitProc m_initProc;
    CRtspOptions m_opt;            // the strand's copy, refreshed before each step
    EState m_state = kIdle;
    std::unique_ptr<IRtspByteStream> m_stream;
    std::vector<uint8_t> m_rx;
    size_t m_rxLen = 0;
    CRtspFramer m_framer;
    CRtspAuth m_auth;
    std::deque<CRequest> m_queue;
    bool m_inFlight = false;
    uint32_t m_cseq = 0;
    std::deque<std::shared_ptr<const std::string>> m_writes;
    size_t m_writeBytes = 0;
    bool m_writing = false;
    std::string m_sessionId;
    uint32_t m_sessionTimeoutS = 60;
    bool m_getParameterOk = true;
    std::string m_contentBase;
    std::string m_aggregateUrl;
    std::vector<CTrack> m_tracks;
    std::set<int> m_selected;
    bool m_playPending = false;
    int m_playPosition = -1;
    uint64_t m_lastDataMs = 0;
    uint32_t m_rtcpSsrc = 0;
    uint64_t m_lastRtcpMs = 0;
    asio::steady_timer m_answerTimer;
    asio::steady_timer m_keepAliveTimer;
    asio::steady_timer m_dataTimer;
    asio::steady_timer m_tickTimer;
    bool m_msgErrorPosted = false;
};

} // namespace StreamApp
} // namespace Zentar
