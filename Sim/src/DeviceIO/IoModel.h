#pragma once
// Relays, digital inputs and the output counts of a device, read from the description's
// "io" member. The device service and the DeviceIO service work on this one state, kept in
// CDeviceState::serviceData["io"] so a factory reset brings back the described one:
//   relays[]   {token, mode Bistable|Monostable, delay (seconds), idleState open|closed,
//               active, since (device clock when it was made active)}
//   inputs[]   {token, idleState open|closed, active}
//   videoOutputs, audioOutputs
// A monostable relay falls back to inactive `delay` seconds after it was made active; that
// is settled whenever the relay is looked at, against the device clock, so no timer runs.
#include "Device/DeviceState.h"

#include <json/value.h>

#include <string>

namespace OnvifSim {

bool BuildIoModel(const Json::Value& description, Json::Value& model, std::string& error);

// The running state, built from the description on first use.
Json::Value& IoModel(CDeviceState& state);
// The relay as it is now (a monostable one settled), or null.
Json::Value* FindRelay(CDeviceState& state, const std::string& token);
Json::Value* FindDigitalInput(CDeviceState& state, const std::string& token);

// The delay times a monostable relay accepts, in seconds.
constexpr double kRelayDelayMin = 1;
constexpr double kRelayDelayMax = 3600;

} // namespace OnvifSim
