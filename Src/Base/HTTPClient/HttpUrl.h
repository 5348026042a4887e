#pragma once
#include <string>

namespace RPC {

// Splits "scheme://[user@]host[:port][/path]" into host, port and path. "http" sets the
// port to 80 and "rtsp" to 554 before an explicit port overrides it; another scheme keeps
// the port the caller set. The host must be a dotted IPv4 literal (host names are
// refused). Returns false, logging why, when the address cannot be used.
bool parseHttpUrl(const std::string& url, std::string& path, std::string& host, int& port);

} // namespace RPC
