#include "NetFramework/UdpSocket.h"

#include <asio/io_context.hpp>
#include <asio/ip/multicast.hpp>
#include <asio/ip/udp.hpp>
#include <asio/socket_base.hpp>

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace Zentar {
namespace NetFramework {

namespace {
// Synchronous socket calls never run the context; one for the process is enough.
asio::io_context& socketContext()
{
    static asio::io_context* context = new asio::io_context();
    return *context;
}

bool parseAddress(const std::string& text, asio::ip::address_v4& out)
{
    if (text.empty()) {
        out = asio::ip::address_v4::any();
        return true;
    }
    asio::error_code ec;
    out = asio::ip::make_address_v4(text, ec);
    return !ec;
}
} // namespace

struct CUdpSocket::Impl {
    asio::ip::udp::socket socket{socketContext()};
};

CUdpSocket::CUdpSocket() : m_impl(new Impl) {}
CUdpSocket::~CUdpSocket() { close(); }

bool CUdpSocket::fail(const char* what, const std::string& reason)
{
    m_lastError = std::string(what) + ": " + reason;
    return false;
}

bool CUdpSocket::open()
{
    asio::error_code ec;
    m_impl->socket.open(asio::ip::udp::v4(), ec);
    return ec ? fail("open", ec.message()) : true;
}

#define UDP_OPTION(what, option)                     \
    do {                                             \
        asio::error_code ec;                         \
        m_impl->socket.set_option(option, ec);       \
        return ec ? fail(what, ec.message()) : true; \
    } while (0)

bool CUdpSocket::setReuseAddress(bool on) { UDP_OPTION("SO_REUSEADDR", asio::socket_base::reuse_address(on)); }
bool CUdpSocket::setBroadcast(bool on) { UDP_OPTION("SO_BROADCAST", asio::socket_base::broadcast(on)); }
bool CUdpSocket::setMulticastTtl(int hops) { UDP_OPTION("IP_MULTICAST_TTL", asio::ip::multicast::hops(hops)); }
bool CUdpSocket::setReceiveBuffer(int bytes)
{
    UDP_OPTION("SO_RCVBUF", asio::socket_base::receive_buffer_size(bytes));
}
bool CUdpSocket::setMulticastLoop(bool on) { UDP_OPTION("IP_MULTICAST_LOOP", asio::ip::multicast::enable_loopback(on)); }

#undef UDP_OPTION

bool CUdpSocket::setNonBlocking(bool on)
{
    asio::error_code ec;
    m_impl->socket.non_blocking(on, ec);
    return ec ? fail("non-blocking", ec.message()) : true;
}

bool CUdpSocket::bind(const std::string& address, uint16_t port)
{
    asio::ip::address_v4 local;
    if (!parseAddress(address, local))
        return fail("bind", "not an IPv4 address: " + address);
    asio::error_code ec;
    m_impl->socket.bind(asio::ip::udp::endpoint(local, port), ec);
    return ec ? fail("bind", ec.message()) : true;
}

bool CUdpSocket::joinGroup(const std::string& group, const std::string& interfaceAddress)
{
    asio::ip::address_v4 groupAddress, local;
    if (!parseAddress(group, groupAddress) || !groupAddress.is_multicast() || !parseAddress(interfaceAddress, local))
        return fail("IP_ADD_MEMBERSHIP", "bad group or interface address");
    asio::error_code ec;
    m_impl->socket.set_option(asio::ip::multicast::join_group(groupAddress, local), ec);
    if (ec)
        return fail("IP_ADD_MEMBERSHIP", ec.message());
    if (!interfaceAddress.empty())
        m_impl->socket.set_option(asio::ip::multicast::outbound_interface(local), ec);
    return ec ? fail("IP_MULTICAST_IF", ec.message()) : true;
}

long CUdpSocket::sendTo(const void* data, size_t size, const std::string& address, uint16_t port)
{
    asio::ip::address_v4 to;
    if (!parseAddress(address, to) || address.empty()) {
        fail("sendto", "not an IPv4 address: " + address);
        return -1;
    }
    asio::error_code ec;
    size_t sent = m_impl->socket.send_to(asio::buffer(data, size), asio::ip::udp::endpoint(to, port), 0, ec);
    if (ec) {
        fail("sendto", ec.message());
        return -1;
    }
    return static_cast<long>(sent);
}

long CUdpSocket::receiveFrom(void* data, size_t size, std::string& address, uint16_t& port, bool* truncated)
{
    // Read natively: MSG_TRUNC makes the kernel report a datagram's full length, so an
    // oversized one is known as such instead of arriving silently cut.
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t n = ::recvfrom(nativeHandle(), data, size, MSG_TRUNC | MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from),
                           &fromLength);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        fail("recvfrom", std::strerror(errno));
        return -1;
    }
    if (truncated)
        *truncated = static_cast<size_t>(n) > size;
    address = asio::ip::address_v4(ntohl(from.sin_addr.s_addr)).to_string();
    port = ntohs(from.sin_port);
    return static_cast<size_t>(n) > size ? static_cast<long>(size) : static_cast<long>(n);
}

uint16_t CUdpSocket::localPort() const
{
    asio::error_code ec;
    auto endpoint = m_impl->socket.local_endpoint(ec);
    return ec ? 0 : endpoint.port();
}

bool CUdpSocket::isOpen() const { return m_impl->socket.is_open(); }

void CUdpSocket::close()
{
    asio::error_code ec;
    if (m_impl && m_impl->socket.is_open())
        m_impl->socket.close(ec);
}

int CUdpSocket::nativeHandle() const
{
    return isOpen() ? static_cast<int>(const_cast<Impl&>(*m_impl).socket.native_handle()) : -1;
}

int CUdpSocket::waitReadable(const std::vector<CUdpSocket*>& sockets, int timeoutMs, std::vector<size_t>& ready)
{
    ready.clear();
    std::vector<pollfd> fds;
    for (CUdpSocket* socket : sockets)
        fds.push_back(pollfd{socket ? socket->nativeHandle() : -1, POLLIN, 0});
    int n = ::poll(fds.data(), fds.size(), timeoutMs < 0 ? 0 : timeoutMs);
    if (n < 0)
        return errno == EINTR ? 0 : -1;
    for (size_t i = 0; i < fds.size(); ++i)
        if (fds[i].revents & (POLLIN | POLLERR))
            ready.push_back(i);
    return ready.empty() ? 0 : 1;
}

std::vector<std::string> hostIPv4Addresses(bool withLoopback)
{
    std::vector<std::string> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !(entry->ifa_flags & IFF_UP))
            continue;
        if ((entry->ifa_flags & IFF_LOOPBACK) && !withLoopback)
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        out.push_back(asio::ip::address_v4(ntohl(in->sin_addr.s_addr)).to_string());
    }
    freeifaddrs(list);
    return out;
}

} // namespace NetFramework
} // namespace Zentar
