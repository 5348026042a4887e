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
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifSystem : public COnvifProtoChildCore {
public:
    explicit COnvifSystem(const COnvifLoginInfo& login) : COnvifProtoChildCore(login) {}

    const char* getServiceName() const override { return "System"; }

    // Sends a firmware image as an MTOM attachment. Request keys: "DataAddress" (the
    // image's address in the caller's memory, as "%p" text), "DataLength" (bytes), and
    // optionally "ContentId", "ContentType", "Encoding". Result: "Message" when the
    // device says one. 0 or -1.
    int UpgradeSystemFirmware(const Json::Value& req, Json::Value& rsp);

    // Runs a row under a registered name that differs from its ONVIF operation name.
    template <const OnvifOperation& Row>
    int runAs(const Json::Value& req, Json::Value& rsp)
    {
        return runOperation(Row, m_loginInfo, req, rsp);
    }

protected:
    int dispatch(const std::string& name, const Json::Value& req, Json::Value& rsp) override;
};

} // namespace Onvif
} // namespace RPC
