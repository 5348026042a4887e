#pragma once
// The operation rows of the "System" area (device identity, clock, reboot, scopes,
// discovery modes, backups and logs). Internal to the device management service.
#include <cstddef>

#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {
namespace SystemRows {

// Rows registered under their own ONVIF operation name.
extern const OnvifOperation kRows[];
extern const size_t kRowCount;

// Rows registered under another name than the ONVIF operation they send.
extern const OnvifOperation kGetDeviceInformation;         // "GetDeviceInfomation"
extern const OnvifOperation kSystemReboot;                 // "Reboot"
extern const OnvifOperation kGetSystemSupportInformation;  // "GetSystemSupportInfo"

} // namespace SystemRows
} // namespace Onvif
} // namespace RPC
