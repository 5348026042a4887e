#pragma once
// The host's live (and recorded) stream interface: receivers attach to a source and get
// every native media frame; the source runs its session while one receiver is attached.
#include <json/json.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "Component/Unknown.h"
#include "Infra/Time.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Stream {

class CMediaFrame;

// A host receiver of frames. Its address is its identity: start and stop take the same
// pointer. An empty frame tells the receiver that the stream has ended.
class IFrameReceiver {
public:
    virtual ~IFrameReceiver() = default;
    virtual void onFrame(const CMediaFrame& frame) = 0;
};

class IStreamSource : public Zentar::Component::IUnknown {
public:
    static constexpr const char* kInterfaceName = "StreamSource";

    virtual bool start(IFrameReceiver* receiver) { return Component::notSupportedSlot(); }
    virtual bool stop(IFrameReceiver* receiver) { return Component::notSupportedSlot(); }
    // The last component error the stream reported (0x10090191: the device refused the login).
    virtual bool getError(uint32_t& code) { return Component::notSupportedSlot(); }
    virtual bool setOptions(const Json::Value& options) { return Component::notSupportedSlot(); }
    virtual bool requestKeyFrame() { return Component::notSupportedSlot(); }
    // The RTSP address this source plays, asked of the device without opening it (for
    // the host's stream-address display and for diagnostics).
    virtual bool getStreamUrl(std::string& url) { return Component::notSupportedSlot(); }

    // ---- Playback of recordings (sources made by IClient::createRecordingStreamSource) ----
    virtual bool pause() { return Component::notSupportedSlot(); }
    virtual bool resume() { return Component::notSupportedSlot(); }
    // Recording seconds per second: 4 plays four times as fast.
    virtual bool setSpeed(float speed) { return Component::notSupportedSlot(); }
    virtual bool getSpeed(float& speed) { return Component::notSupportedSlot(); }
    // Moves the start of the range (the end stays); playing goes on after resume().
    // seekByTime takes the device's local calendar time, seekByTimeEx a UTC time.
    virtual bool seekByTime(const Infra::CTime& deviceLocal) { return Component::notSupportedSlot(); }
    virtual bool seekByTimeEx(time_t utc) { return Component::notSupportedSlot(); }
    virtual bool seek(uint64_t position) { return Component::notSupportedSlot(); }
    virtual bool seekBySeconds(int seconds) { return Component::notSupportedSlot(); }
    virtual bool stepFrame(bool forward) { return Component::notSupportedSlot(); }
    virtual bool getTime(time_t& utc) { return Component::notSupportedSlot(); }
    // Caps the data rate (bytes per second).
    virtual bool limit(uint32_t bytesPerSecond) { return Component::notSupportedSlot(); }
    // A source the host owns (a playback source) is ended here; the client's own live
    // sources ignore it.
    virtual void destroy() {}
};

} // namespace Stream
} // namespace Zentar
