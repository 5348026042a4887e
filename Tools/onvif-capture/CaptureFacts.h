#pragma once
// What the capture reads from the device's answers for its own use: where each service
// lives, what the clock says, and who made the device (for the manifest).
#include <ctime>
#include <map>
#include <string>

namespace OnvifCapture {

// Service addresses from a GetCapabilities or GetServices answer, by namespace. Each keeps
// the path the device announced on `base`, the scheme, host and port the device was reached
// at: devices behind a mapped port or NAT announce addresses the capture cannot reach.
void LearnServiceAddresses(const std::string& body, const std::string& base, std::map<std::string, std::string>& out);

// The UTC time of a GetSystemDateAndTime answer; false when it names none.
bool DeviceUtcTime(const std::string& body, time_t& utc);

// Manufacturer, Model and FirmwareVersion of a GetDeviceInformation answer (those present).
std::map<std::string, std::string> DeviceIdentity(const std::string& body);

} // namespace OnvifCapture
