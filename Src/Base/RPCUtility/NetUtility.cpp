#include "Base/RPCUtility/NetUtility.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <strings.h>

namespace RPC {

bool localAddressTowards(const std::string& remote, uint16_t port, std::string& local)
{
    sockaddr_storage peer{};
    socklen_t peerLength = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&peer);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&peer);
    if (inet_pton(AF_INET, remote.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        peerLength = sizeof *v4;
    } else if (inet_pton(AF_INET6, remote.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        peerLength = sizeof *v6;
    } else {
        return false;
    }
    // Connecting a datagram socket only picks the route and the source address.
    const int fd = socket(peer.ss_family, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    sockaddr_storage self{};
    socklen_t selfLength = sizeof self;
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&peer), peerLength) == 0 &&
                    getsockname(fd, reinterpret_cast<sockaddr*>(&self), &selfLength) == 0;
    close(fd);
    if (!ok)
        return false;
    char text[INET6_ADDRSTRLEN] = {};
    const void* address = self.ss_family == AF_INET
                              ? static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(&self)->sin_addr)
                              : static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(&self)->sin6_addr);
    if (!inet_ntop(self.ss_family, address, text, sizeof text))
        return false;
    local = text;
    return true;
}

std::string withoutMappedPrefix(const std::string& address)
{
    static const char kMapped[] = "::ffff:";
    if (address.size() > sizeof kMapped - 1 && strncasecmp(address.c_str(), kMapped, sizeof kMapped - 1) == 0 &&
        address.find('.') != std::string::npos)
        return address.substr(sizeof kMapped - 1);
    return address;
}

bool isIPv6Literal(const std::string& address)
{
    return address.find(':') != std::string::npos;
}

} // namespace RPC
