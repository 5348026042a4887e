#pragma once
// Playback of one recorded span: the replay address of a file record, opened with the RTSP
// client wrapper for the span, with pause, resume, speed and seeking by time. Frames reach
// the host with their recording time; the end of the span (or of the device's session)
// reaches it as one empty frame.
//
// The host names what to play when it makes the source, in its playback path
// "<start>;<end>;RemoteChan:<channel>;Times...": two UTC texts ("2026-12-06T10:00:00Z") play
// a UTC span, anything else is the device's local time ("2026-12-06 11:00:00"). The replay
// address comes with setOptions ("Url"), which also opens the wrapper and sets its range.
//
// Speed travels as the "Speed" header of every PLAY; a change pauses, sets the header and
// resumes. A seek pauses and moves the start of the range; resume() plays from there.
#include <json/json.h>

#include <atomic>
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

class COnvifRecordingStreamSource : public Zentar::Stream::IStreamSource {
public:
    COnvifRecordingStreamSource(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo,
                                const std::string& filePath);
    ~COnvifRecordingStreamSource() override;

    bool setOptions(const Json::Value& options) override;
    bool start(Zentar::Stream::IFrameReceiver* receiver) override;
    bool stop(Zentar::Stream::IFrameReceiver* receiver) override;
    bool getError(uint32_t& code) override;
    bool pause() override;
    bool resume() override;
    bool setSpeed(float speed) override;
    bool getSpeed(float& speed) override;
    bool seekByTime(const Zentar::Infra::CTime& deviceLocal) override;
    bool seekByTimeEx(time_t utc) override;
    bool limit(uint32_t bytesPerSecond) override;
    void destroy() override;
    // seek, seekBySeconds, stepFrame and getTime are not offered (the interface's defaults).

    // Replay types: the span's texts are the device's local time, or UTC.
    enum { kReplayNone = 0, kReplayLocal = 1, kReplayUtc = 2 };

    // What the host's playback path names. False when it has no span.
    struct SPlayPath {
        std::string filePath;   // the path up to ";Times"
        std::string start;
        std::string end;
        int channel = 0;
        int replayType = kReplayNone;
    };
    static bool parsePlayPath(const std::string& path, SPlayPath& out);

    // Last component error; 0x110A0002 until a start succeeds.
    static constexpr uint32_t kErrorNotStarted = 0x110A0002;

private:
    // The span as UTC texts for the wrapper; false when a text cannot be converted.
    bool rangeInUtc(std::string& start, std::string& end);
    bool applyRange(const char* failLog);
    bool seekTo(const std::string& start);
    void detachHandlers();
    void onFrame(Zentar::Stream::CMediaFrame& frame);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
    std::string m_strFilePath;
    std::string m_strStartTime;
    std::string m_strEndTime;
    int m_channel = 0;
    int m_replayType = kReplayNone;

    Zentar::Infra::CMutex m_mutex;   // everything below but the receivers
    std::string m_url;
    Json::Value m_zone;              // the device's zone and daylight saving; null when unknown
    bool m_started = false;
    float m_speed = 1.0f;
    CExpRtspClient* m_rtspClient = nullptr;   // ended (and deleted) by its Close()
    std::atomic<uint32_t> m_lastError{kErrorNotStarted};

    Zentar::Infra::CMutex m_deliveryMutex;
    Zentar::Infra::CSignal<const Zentar::Stream::CMediaFrame&> m_receivers;
    bool m_endDelivered = false;     // the end reaches each receiver once
};

} // namespace Onvif
} // namespace RPC
