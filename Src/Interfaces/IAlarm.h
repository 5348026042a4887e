#pragma once
// The host's view of a device's alarm inputs and outputs: how many it has, and (our own
// additions, so that a host can show and switch them) the inputs and the relay outputs
// themselves.
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class IAlarm : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "Alarm";

    virtual bool getAlarmInputCount(int& count) { return notSupportedSlot(); }
    virtual bool getAlarmOutputCount(int& count) { return notSupportedSlot(); }
    // [{"token", "IdleState"}, ...]: the device's digital inputs.
    virtual bool getAlarmInputs(Json::Value& inputs) { return notSupportedSlot(); }
    // [{"token", "mode", "delaytime", "idlestate"}, ...]: the device's relay outputs.
    virtual bool getAlarmOutputs(Json::Value& outputs) { return notSupportedSlot(); }
    // Switches a relay output on (active) or off.
    virtual bool setAlarmOutputState(const char* token, bool active) { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
