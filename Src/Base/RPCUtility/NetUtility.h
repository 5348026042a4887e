#pragma once
// Small questions about the host's own network addresses.
#include <cstdint>
#include <string>

namespace RPC {

// The local address the system would send from to reach remote (an IPv4 or IPv6 literal):
// what a device must be told to call us back at. No packet is sent. False when there is
// no route or remote is not an address.
bool localAddressTowards(const std::string& remote, uint16_t port, std::string& local);

// "192.0.2.7" for "::ffff:192.0.2.7"; any other text as it is.
std::string withoutMappedPrefix(const std::string& address);

// True for an IPv6 literal (it needs brackets in a URL).
bool isIPv6Literal(const std::string& address);

} // namespace RPC
