#pragma once
// What the event tests share: the shipped two-channel camera with its "events" member
// changed, and the login record of a running simulated device.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "Component/ServerInfo.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

namespace EventTest {

// The camera's description with `events` members set over the shipped ones.
inline OnvifSim::CDeviceDescription cameraWithEvents(const Json::Value& events)
{
    OnvifSim::CDeviceDescription description;
    std::string error;
    EXPECT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json", description,
                                              error))
        << error;
    for (const std::string& name : events.isObject() ? events.getMemberNames() : std::vector<std::string>())
        description.raw["events"][name] = events[name];
    return description;
}

// The administrator's login to a device of the simulator on loopback.
inline std::shared_ptr<Zentar::Component::ServerInfo> loginOf(const OnvifSim::CSimDevice& device)
{
    auto info = std::make_shared<Zentar::Component::ServerInfo>();
    info->address = "127.0.0.1";
    info->port = device.port();
    info->userName = "admin";
    info->password = "admin123";
    return info;
}

// The simulator counts a posted notification once the consumer's answer is in, which can
// be after the host already saw the event: waits (bounded) for the count to reach n.
inline int notificationsPostedReach(const OnvifSim::CSimDevice& device, int n)
{
    for (int i = 0; i < 300 && device.notificationsPosted() < n; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return device.notificationsPosted();
}

} // namespace EventTest
