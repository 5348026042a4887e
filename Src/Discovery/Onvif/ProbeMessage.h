#pragma once
// The two halves of a WS-Discovery exchange as the prober sees them: the Probe texts it
// sends, and the device record it makes of a ProbeMatches reply. Pure functions: sockets
// and timing live in the discovery component.
#include <json/json.h>

#include <string>

namespace RPC {
namespace Onvif {

// Largest reply read from the network; a longer datagram is dropped, not cut.
constexpr size_t kMaxProbeReplyBytes = 65536;

enum class ProbeType { Device, NetworkVideoTransmitter };

// The Probe envelope for one type, with messageId (36-character UUID text) as its ID.
std::string buildProbeMessage(ProbeType type, const std::string& messageId);
// A fresh random (version 4) UUID in its 36-character text form.
std::string makeUuidText();

enum class ProbeReply {
    Match,      // a ProbeMatches reply: record filled
    Ignored,    // well-formed but not a ProbeMatches (another prober's Probe, a Hello, ...)
    Malformed,  // not XML, not SOAP, or not readable as a reply: why says what
};

// Reads one received datagram from sender (IPv4 text). record gets "EndpointType",
// "EndpointXAddrs", "Port", "Protocol", "IPAddress", "Uuid" and, when the reply carries
// scopes, "Manufacturer", "DeviceType" and "ZtTag".
ProbeReply parseProbeReply(const char* data, size_t size, const std::string& sender, Json::Value& record,
                           std::string& why);

// The service address taken from an XAddrs list (blank-separated URLs): the one whose host
// is the sender, else "http://SENDER/onvif/device_service".
std::string chooseXAddr(const std::string& xaddrs, const std::string& sender);
// The port of a service address: explicit, else 443 for https and 80 for http; -1 when the
// address cannot be read.
int portOfXAddr(const std::string& xaddr);
// "Manufacturer", "DeviceType" and "ZtTag" from a Scopes text.
void readScopes(const std::string& scopes, Json::Value& record);

// The report handed to the host's receivers for one device record (an array of one).
Json::Value discoveryReport(const Json::Value& record, const std::string& localAddress);

} // namespace Onvif
} // namespace RPC
