#pragma once
// The "Network" area of the device management service: interfaces, default gateway, DNS,
// NTP, host name, dynamic DNS, protocols and their ports, zero configuration, IP address
// filters and the Wi-Fi (Dot11) queries.
//
// Names served by execute: "GetHostname", "GetNTPSettings", "GetNetworkinterfaces" (sic:
// callers use this spelling), "SetNetworkInterfaces", "GetDNSSettings", "SetDNSSettings",
// "SetNTPSettings", "GetDynamicDNSSettings", "SetDynamicDNSSettings", "GetNetworkProtocols",
// "SetNetworkProtocols", "GetNetworkDefaultGateway", "SetNetworkDefaultGateway",
// "GetZeroCfg", "SetZeroCfg", "GetIPAddressFilter", "SetIPAddressFilter",
// "AddIPAddressFilter", "RemoveIPAddressFilter", "SetHostnameFromDHCP",
// "GetDot11Capabilities", "GetDot11Status", "ScanAvailableDot11Networks".
//
// Result and request keys mirror the ONVIF element names ("NetworkInterfaces"[i]."IPv4".
// "Config"."Manual"[j]."PrefixLength"); repeated elements are JSON arrays.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifNetwork : public COnvifProtoChildCore {
public:
    explicit COnvifNetwork(const COnvifLoginInfo& login) : COnvifProtoChildCore(login, operationTable()) {}

    const char* getServiceName() const override { return "Network"; }

    static const COnvifOperationTable& operationTable();
    // Operations execute() does not offer by name ("SetHostname": request "Name"); the
    // network scripts run them from here.
    static const COnvifOperationTable& unlistedOperations();
};

} // namespace Onvif
} // namespace RPC
