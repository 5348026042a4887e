#pragma once
#include <string>

namespace RPC {

// Splits "scheme://[user@]host[:port][/path]" into host, port and path. "http" sets the
// port to 80, "https" to 443 and "rtsp" to 554 before an explicit port overrides it;
// another scheme keeps the port the caller set. The host is a dotted IPv4 literal, a host
// name, or an IPv6 literal in brackets (handed back without them). Returns false, logging
// why, when the address cannot be used.
bool parseHttpUrl(const std::string& url, std::string& path, std::string& host, int& port);

// True for an https:// address (any letter case): the exchange then talks TLS.
bool isHttpsUrl(const std::string& url);

} // namespace RPC
