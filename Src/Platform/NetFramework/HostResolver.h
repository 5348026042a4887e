#pragma once
// Name resolution with a time limit. The system resolver blocks for as long as its own
// configuration says (several seconds per dead name server); a camera addressed by name
// whose DNS is down must fail within the caller's connect time-out like any dead address.
// Numeric addresses are read at once; a name is resolved on a short-lived thread of its own
// that the caller stops waiting for when the time is up (the thread ends when the resolver
// gives up, and only then frees what it holds).
#include <netdb.h>
#include <sys/socket.h>

#include <string>
#include <vector>

namespace Zentar {
namespace NetFramework {

struct CResolvedAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
    int family = AF_UNSPEC;
};

enum class EResolveResult { Ok, NoAddress, TimedOut };

// host: a name, an IPv4 or IPv6 literal (brackets allowed). Addresses come in the resolver's
// order. On failure, error says why in a sentence fit for a log line.
EResolveResult resolveHost(const std::string& host, int port, int timeoutMs, std::vector<CResolvedAddress>& out,
                           std::string& error);

// Replaces getaddrinfo for names (tests: a resolver that never answers); null restores it.
using ResolveFn = int (*)(const char* host, const char* service, const addrinfo* hints, addrinfo** result);
using FreeFn = void (*)(addrinfo* result);
void setNameResolver(ResolveFn resolve, FreeFn release);

} // namespace NetFramework
} // namespace Zentar
