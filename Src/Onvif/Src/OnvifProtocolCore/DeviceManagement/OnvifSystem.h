#pragma once
// The "System" area of the device management service: device identity, the device
// clock, reboot and factory reset, firmware upload, scopes, discovery modes, backups and
// logs.
//
// Names served by execute: "GetDeviceInfomation" (sic: callers use this spelling),
// "GetSystemDateAndTime", "SetSystemDateAndTime", "UpgradeSystemFirmware",
// "StartFirmwareUpgrade", "Reboot", "SetSystemFactoryDefault", "GetScopes", "SetScopes",
// "AddScopes", "RemoveScopes", "GetSystemUris", "GetSystemBackup", "RestoreSystem",
// "StartSystemRestore", "GetSystemLog", "GetSystemSupportInfo", "GetDiscoveryMode",
// "SetDiscoveryMode", "GetRemoteDiscoveryMode", "SetRemoteDiscoveryMode",
// "GetDPAddresses", "SetDPAddresses". Every request carries "XAddr".
//
// "UpgradeSystemFirmware" sends a firmware image as an MTOM attachment. Request keys:
// "DataAddress" (the image's address in the caller's memory, as "%p" text), "DataLength"
// (bytes), and optionally "ContentId", "ContentType", "Encoding". Result: "Message" when
// the device says one.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifSystem : public COnvifProtoChildCore {
public:
    explicit COnvifSystem(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}

    const char* getServiceName() const override { return "System"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
