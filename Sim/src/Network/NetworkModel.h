#pragma once
// The network settings of one device: what GetNetworkInterfaces, GetDNS, GetNTP,
// GetHostname, GetNetworkDefaultGateway, GetNetworkProtocols and GetZeroConfiguration
// report, and what their Set operations change. Only data: the simulator keeps listening
// on loopback whatever address it is given.
//
// Kept as JSON in CDeviceState::serviceData["network"], so a factory reset brings back the
// description. Layout, every member always present:
//   hostname, hostnameFromDHCP, rebootNeeded
//   interfaces[]  {token, enabled, hwAddress, mtu,
//                  ipv4 {enabled, dhcp, manual[{address, prefixLength}], lease {address, prefixLength}},
//                  ipv6 {enabled, acceptRouterAdvert, dhcp ("Auto"/"Stateful"/"Stateless"/"Off"),
//                        manual[{address, prefixLength}], linkLocal[{address, prefixLength}]}}
//   dns           {fromDHCP, searchDomain[], manual[address], fromDHCPServers[address]}
//   ntp           {fromDHCP, manual[address or host name]}
//   gateway       {ipv4[], ipv6[]}
//   protocols[]   {name ("HTTP", "HTTPS", "RTSP"), enabled, ports[]}
//   zeroConfiguration {interfaceToken, enabled}
//
// The description's "network" member has the same shape; what it leaves out takes the
// defaults (one interface eth0 at 192.168.1.64/24, gateway and DNS 192.168.1.1, HTTP 80,
// HTTPS 443 off, RTSP 554).
#include <json/value.h>

#include <string>

namespace OnvifSim {

class CCallContext;

// Limits that keep a hostile Set from growing the state without bound.
constexpr unsigned kMaxNetworkListItems = 8;

// Defaults overlaid with description["network"]; false with error ("network.<member>:
// reason") when the description's member is not usable.
bool BuildNetworkModel(const Json::Value& description, Json::Value& model, std::string& error);

// The running model, built from the description on first use.
Json::Value& NetworkModelOf(CCallContext& ctx);

bool IsIPv4Address(const std::string& text);
bool IsIPv6Address(const std::string& text);
// RFC 1123 host name: dot-separated labels of letters, digits and inner hyphens.
bool IsHostName(const std::string& text);

} // namespace OnvifSim
