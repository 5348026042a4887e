#pragma once
// Device management operations of administration: network settings, user accounts and the
// firmware upgrade. The state they change is in Network/NetworkModel.h, the description's
// users and Firmware/FirmwareState.h.
#include "Services/ServiceHandler.h"

namespace OnvifSim {

// Interfaces, gateway, zero configuration (DeviceNetworkOps.cpp).
void GetNetworkInterfaces(CCallContext& ctx);
void SetNetworkInterfaces(CCallContext& ctx);
void GetNetworkDefaultGateway(CCallContext& ctx);
void SetNetworkDefaultGateway(CCallContext& ctx);
void GetZeroConfiguration(CCallContext& ctx);
void SetZeroConfiguration(CCallContext& ctx);

// Host name, DNS, NTP, protocols (DeviceNetworkNameOps.cpp).
void GetHostname(CCallContext& ctx);
void SetHostname(CCallContext& ctx);
void SetHostnameFromDHCP(CCallContext& ctx);
void GetDNS(CCallContext& ctx);
void SetDNS(CCallContext& ctx);
void GetNTP(CCallContext& ctx);
void SetNTP(CCallContext& ctx);
void GetNetworkProtocols(CCallContext& ctx);
void SetNetworkProtocols(CCallContext& ctx);

// User accounts (DeviceUserOps.cpp).
void GetUsers(CCallContext& ctx);
void CreateUsers(CCallContext& ctx);
void DeleteUsers(CCallContext& ctx);
void SetUser(CCallContext& ctx);

// Firmware (DeviceFirmwareOps.cpp).
void StartFirmwareUpgrade(CCallContext& ctx);

// Input helpers shared by these handlers: a bad value is the fault a device sends.
// The child's boolean; false when absent.
bool ReadFlag(pugi::xml_node parent, const char* local, bool& value);
// The child's whole decimal number in [min, max]; false when absent.
bool ReadNumber(pugi::xml_node parent, const char* local, int min, int max, int& value,
                const std::vector<std::string>& subcodes);

} // namespace OnvifSim
