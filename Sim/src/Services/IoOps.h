#pragma once
// Relay operations shared by the device service and the DeviceIO service (DeviceIOService.cpp).
#include "Services/ServiceHandler.h"

#include <json/value.h>

namespace OnvifSim {

void GetRelayOutputs(CCallContext& ctx);
void SetRelayOutputSettings(CCallContext& ctx);
void SetRelayOutputState(CCallContext& ctx);
void WriteDeviceIOCapabilities(CCallContext& ctx, CXmlNode parent);

// What the device has, as GetCapabilities and the DeviceIO capabilities count it.
struct CIoCounts {
    int videoSources = 0, videoOutputs = 0, audioSources = 0, audioOutputs = 0, relays = 0, inputs = 0;
};
CIoCounts IoCounts(CCallContext& ctx);

// Defined with the media writers: a JSON number as XML text.
std::string Number(const Json::Value& v);

} // namespace OnvifSim
