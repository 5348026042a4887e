#pragma once
// Datagram sockets for the discovery probe: IPv4 UDP with the multicast and buffer options a
// WS-Discovery client sets, non-blocking reads, and one wait over several sockets. Built on
// Asio; its headers stay out of this one.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zentar {
namespace NetFramework {

class CUdpSocket {
public:
    CUdpSocket();
    ~CUdpSocket();
    CUdpSocket(const CUdpSocket&) = delete;
    CUdpSocket& operator=(const CUdpSocket&) = delete;

    // Each returns false and leaves the reason in lastError().
    bool open();
    bool setReuseAddress(bool on);
    bool setBroadcast(bool on);
    bool setMulticastTtl(int hops);
    bool setReceiveBuffer(int bytes);
    bool setNonBlocking(bool on);
    // address "" binds every interface; port 0 takes a free one.
    bool bind(const std::string& address, uint16_t port);
    // Joins group on the interface with that address ("" lets the system choose) and sends
    // the socket's multicast out of that interface too.
    bool joinGroup(const std::string& group, const std::string& interfaceAddress);
    bool setMulticastLoop(bool on);

    // The number of bytes sent, or -1.
    long sendTo(const void* data, size_t size, const std::string& address, uint16_t port);
    // The number of bytes read (the datagram is cut to size when longer: *truncated tells),
    // 0 when nothing is waiting, -1 on an error.
    long receiveFrom(void* data, size_t size, std::string& address, uint16_t& port, bool* truncated = nullptr);

    uint16_t localPort() const;
    bool isOpen() const;
    void close();
    int nativeHandle() const;
    const std::string& lastError() const { return m_lastError; }

    // Waits up to timeoutMs for any of the sockets to become readable; fills ready with
    // their indexes. 1 something is readable, 0 time-out, -1 error.
    static int waitReadable(const std::vector<CUdpSocket*>& sockets, int timeoutMs, std::vector<size_t>& ready);

private:
    bool fail(const char* what, const std::string& reason);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_lastError;
};

// The IPv4 addresses of the host's interfaces that are up (loopback excluded unless asked).
std::vector<std::string> hostIPv4Addresses(bool withLoopback = false);

} // namespace NetFramework
} // namespace Zentar
