#pragma once
// The host's view of a device's channels.
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class ILogicDeviceManager : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "DeviceManager::ILogicDeviceManager";

    // [{"Enable": true, "UniqueChannel": c}, ...] for every channel with a profile.
    virtual bool getCameraAll(Json::Value& cameras) { return notSupportedSlot(); }
    // type "Input" or "All": info["Input"]["SD"] lists the PTZ-capable channels.
    virtual bool getVideoChannelsInfo(const char* type, Json::Value& info) { return notSupportedSlot(); }
    virtual bool getVideoInputChannels(int& count) { return notSupportedSlot(); }
    virtual bool getVideoOutputChannels(int& count) { return notSupportedSlot(); }
    // What stands behind each channel and stream number: [[{"ProfileToken", "Name",
    // "Encoding", "Width", "Height", "FrameRate", "Bitrate"}, ...], ...], for the host's
    // channel set-up pages and for diagnostics.
    virtual bool getChannelProfiles(Json::Value& channels) { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
