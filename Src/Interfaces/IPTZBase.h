#pragma once
// The host's stored preset and tour tables of a device's channels: handed to the library
// at start-up, and the commands that store a preset or a tour under a host number.
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Comm {

class IPTZBase : public Component::IUnknown {
public:
    static constexpr const char* kInterfaceName = "Comm::PTZBase";

    // presets / tours: arrays of {"Index" (from 1), "Token", "Name", ...} the host kept.
    virtual bool initPresets(int channel, const Json::Value& presets) { return Component::notSupportedSlot(); }
    virtual bool initTours(int channel, const Json::Value& tours) { return Component::notSupportedSlot(); }
    virtual bool setPreset(int channel, int index, const char* name, const Json::Value& extra)
    {
        return Component::notSupportedSlot();
    }
    virtual bool setTour(int channel, int index, const char* name, const Json::Value& extra)
    {
        return Component::notSupportedSlot();
    }
};

} // namespace Comm
} // namespace Zentar
