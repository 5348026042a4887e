#pragma once
// The host's snapshot interface: a receiver attaches, asks for a picture of a channel, and
// gets it as a native picture frame together with an event record.
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Stream {
class CMediaFrame;
} // namespace Stream

namespace Snapshot {

// A host receiver of pictures. Its address is its identity: attach and detach take the
// same pointer. event is {"Channel", "Events": [{"Code": "SnapManual", "Action", "Index",
// "Data"}]}; packet is the picture frame (kind 0xFB, frame type 73, stream type 4).
class IFileReceiver {
public:
    virtual ~IFileReceiver() = default;
    virtual void onFile(const Json::Value& event, const Stream::CMediaFrame& packet) = 0;
};

class ISnapManager : public Component::IUnknown {
public:
    static constexpr const char* kInterfaceName = "SnapManager";

    // One picture of channel (0-based). count and intervalMs ask for a series; devices
    // reached over ONVIF take one picture per call, so they are accepted and ignored.
    virtual bool snapshot(int channel, int count = 1, int intervalMs = 0)
    {
        return Component::notSupportedSlot();
    }
    virtual bool attachFileProc(IFileReceiver* receiver) { return Component::notSupportedSlot(); }
    virtual bool detachFileProc(IFileReceiver* receiver) { return Component::notSupportedSlot(); }
    // Timed snapshots and their configuration, which a recorder keeps for itself.
    virtual bool startTimerSnapshot(int channel, int periodSeconds) { return Component::notSupportedSlot(); }
    virtual bool stopTimerSnapshot(int channel) { return Component::notSupportedSlot(); }
    virtual bool setSnapConfig(const Json::Value& config) { return Component::notSupportedSlot(); }
    virtual bool getSnapConfig(Json::Value& config) { return Component::notSupportedSlot(); }
};

} // namespace Snapshot
} // namespace Zentar
