#pragma once
// Building and rewriting device addresses. A device reached through a port mapping
// reports its private address in every XAddr and URI it hands out; these helpers put the
// address and port the host actually uses in its place, leaving path and query alone.
#include <string>

#include "Component/ServerInfo.h"

namespace RPC {
namespace Onvif {

// The host part of a URL: an IPv6 literal gets its brackets, anything else stays as is.
std::string urlHost(const std::string& address);
// The login's scheme default port: 443 with HTTPS, 80 without.
int defaultLoginPort(const Zentar::Component::ServerInfo& info);
// Host plus ":port" only when the login port differs from the scheme default (and is not 0).
std::string loginAuthority(const Zentar::Component::ServerInfo& info);
// Replaces the text between the first "//" and the next "/" after it (to the end when
// there is none) with authority. False, with out = url, when url has no "//".
bool replaceUrlAuthority(const std::string& url, const std::string& authority, std::string& out);

} // namespace Onvif
} // namespace RPC
