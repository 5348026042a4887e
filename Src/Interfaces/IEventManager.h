#pragma once
// The host's view of a device's events: it attaches a receiver, and from then on every
// alarm the device raises reaches it as (event type, alarm index, start or stop, details).
// Event types are the host's names ("VideoMotion", "AlarmLocal", "VideoBlind", ...); the
// index is the channel (or the alarm input) the event concerns.
#include <json/json.h>

#include <functional>
#include <string>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Manager {

class IEventManager : public Component::IUnknown {
public:
    static constexpr const char* kInterfaceName = "EventManager";

    enum Action { ALARM_START = 0, ALARM_STOP = 1 };
    // (event type, index, action, details, more details); details are empty records except
    // for line crossing, intrusion and temperature events: {"Channel", "Object": {"ObjectID"}}.
    using EventProc = std::function<void(const std::string& type, int index, int action, const Json::Value& detail,
                                         const Json::Value& extra)>;

    // Receivers are known by an identity of the host's choosing; attaching one starts the
    // device's event reception, detaching the last stops it. Events arrive on the library's
    // threads; after detach returns the receiver is not called again.
    virtual bool attach(const void* receiver, EventProc proc) { return Component::notSupportedSlot(); }
    virtual bool detach(const void* receiver) { return Component::notSupportedSlot(); }
};

} // namespace Manager
} // namespace Zentar
