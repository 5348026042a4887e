#pragma once
// Conversions between the device's network records (GetNetworkInterfaces, GetDNS,
// GetNetworkDefaultGateway, GetNetworkProtocols answers) and the host's configuration
// tables "Network", "IPv6", "Web", "Https" and "RTSP". Pure functions: the network scripts
// fetch and send, these only translate.
//
// Host "Network" table: one member per interface, "eth<index in the device's list>":
//   {"InterfaceToken", "PhysicalAddress", "MTU", "DhcpEnable", "IPAddress", "SubnetMask",
//    "DefaultGateway", "DnsServers": [...], "DnsAutoGet"}
// and a top-level "Domain" (the first DNS search domain).
//
// Host "IPv6" table: "eth<index>": {"InterfaceToken", "Enabled", "AcceptRouterAdvert",
// "DHCP" ("Auto", "Stateful", "Stateless", "Off"), "Addresses": [{"Address",
// "PrefixLength", "Origin": "Manual" | "LinkLocal" | "FromDHCP" | "FromRA"}]}, and a
// top-level "DefaultGateway" (the first IPv6 gateway).
//
// Host ports record (getConfigDevicePort): {"HTTP": {"Enabled", "Port"}, "HTTPS": ...,
// "RTSP": ...}, the first port of each protocol the device lists.
#include <json/json.h>

#include <string>

namespace RPC {
namespace Onvif {

// The prefix length of a dotted IPv4 mask ("255.255.255.0" -> 24); -1 when the text is
// not a dotted address or its one bits are not contiguous from the top.
int prefixLengthOfMask(const std::string& mask);
// "255.255.240.0" for 20; "" outside 0..32.
std::string maskOfPrefixLength(int prefixLength);

// The IPv4 address an interface record reports: the DHCP lease when DHCP is on and the
// device names one, else the first manual address, else the link-local one. False when
// the interface has none; address and prefix are then left alone.
bool currentIPv4Address(const Json::Value& interface, std::string& address, int& prefixLength);

// The "Network" table from the three answers (any may be null: its members stay out).
Json::Value networkTableFromDevice(const Json::Value& interfaces, const Json::Value& dns, const Json::Value& gateway);
// SetNetworkInterfaces request for one "eth<n>" member of the host table; false with
// *error when its mask is unusable or it names no address without DHCP.
bool interfaceRequestFromHost(const Json::Value& eth, const std::string& token, Json::Value& request,
                              std::string* error);
// SetDNS request from the host table's first interface that says anything about DNS and
// its "Domain"; null when the table says nothing about DNS.
Json::Value dnsRequestFromHost(const Json::Value& table);

Json::Value ipv6TableFromDevice(const Json::Value& interfaces, const Json::Value& gateway);
// SetNetworkInterfaces request changing only the IPv6 part of one interface.
bool ipv6RequestFromHost(const Json::Value& eth, const std::string& token, Json::Value& request, std::string* error);

Json::Value portsFromDevice(const Json::Value& protocols);

// The index of "eth<n>" or -1 for any other member name.
int ethIndex(const std::string& memberName);

} // namespace Onvif
} // namespace RPC
