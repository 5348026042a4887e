#pragma once
// Everything about a device that can change while it runs. `current` starts as the
// description and is what answers are made from; a Set changes it, and a factory reset
// copies `initial` back.
#include "OnvifSim/DeviceDescription.h"

#include <json/value.h>

#include <chrono>
#include <memory>

namespace OnvifSim {

class CEventHub;

struct CDeviceState {
    CDeviceDescription initial;
    CDeviceDescription current;
    int reboots = 0;
    int factoryResets = 0;
    // Free-form run-time state of other services (media profiles, recordings ...).
    Json::Value serviceData{Json::objectValue};
    // The event producer (Events/EventHub.h); null for a replayed device.
    std::shared_ptr<CEventHub> events;

    // The device's clock in seconds since 1970 (UTC): real time plus its offset.
    long long now() const
    {
        auto real = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::system_clock::now().time_since_epoch());
        return real.count() + current.clockOffsetSeconds;
    }
};

} // namespace OnvifSim
