#pragma once
// Can this machine carry multicast on a given interface? A socket joins a group there and
// sends itself one datagram; the answer is "" when it arrives, else why not. Multicast tests
// ask first and skip only on a machine that cannot, so a real fault is never mistaken for a
// missing feature of the environment.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace OnvifTest {

inline std::string multicastUnavailable(const char* group, const char* interfaceAddress)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return std::string("no UDP socket: ") + std::strerror(errno);
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    sockaddr_in local{};
    local.sin_family = AF_INET;   // any port: the datagram goes to the port we got
    ip_mreq join{};
    in_addr iface{};
    if (inet_pton(AF_INET, group, &join.imr_multiaddr) != 1 || inet_pton(AF_INET, interfaceAddress, &iface) != 1)
        return "bad probe address";
    join.imr_interface = iface;
    socklen_t size = sizeof local;
    const unsigned char loop = 1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0)
        return std::string("bind: ") + std::strerror(errno);
    if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &join, sizeof join) != 0)
        return std::string("joining ") + group + " on " + interfaceAddress + ": " + std::strerror(errno);
    if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &iface, sizeof iface) != 0 ||
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0)
        return std::string("multicast options: ") + std::strerror(errno);
    sockaddr_in to = local;
    to.sin_addr = join.imr_multiaddr;
    const char probe[] = "multicast-probe";
    if (sendto(fd, probe, sizeof probe, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0)
        return std::string("sending to the group: ") + std::strerror(errno);
    pollfd wait{fd, POLLIN, 0};
    char back[64];
    if (poll(&wait, 1, 1000) != 1 || recv(fd, back, sizeof back, 0) != static_cast<ssize_t>(sizeof probe))
        return std::string("own datagram to ") + group + " never came back on " + interfaceAddress;
    return "";
}

} // namespace OnvifTest
