#include "RawTcpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace OnvifTest {

RawTcpClient::~RawTcpClient() { close(); }

RawTcpClient::RawTcpClient(RawTcpClient&& other) noexcept : m_fd(other.m_fd), m_pending(std::move(other.m_pending))
{
    other.m_fd = -1;
}

bool RawTcpClient::connect(const std::string& address, uint16_t port, const std::string& sourceAddress)
{
    close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return false;
    int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (!sourceAddress.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (::inet_pton(AF_INET, sourceAddress.c_str(), &local.sin_addr) != 1 ||
            ::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            close();
            return false;
        }
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1 ||
        ::connect(m_fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        close();
        return false;
    }
    return true;
}

bool RawTcpClient::send(const std::string& bytes)
{
    size_t sent = 0;
    while (m_fd >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return m_fd >= 0;
}

std::string RawTcpClient::readUntil(const std::string& text, int timeoutMs)
{
    std::string out = std::move(m_pending);
    m_pending.clear();
    char buffer[4096];
    while (m_fd >= 0 && (text.empty() || out.find(text) == std::string::npos)) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            break;
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

std::string RawTcpClient::readUntilClose(int timeoutMs)
{
    return readUntil(std::string(), timeoutMs);
}

bool RawTcpClient::closedByPeer(int timeoutMs)
{
    if (m_fd < 0)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{m_fd, POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (::poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count()))) <= 0)
            return false;
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;
        m_pending.append(buffer, static_cast<size_t>(n));
    }
    return false;
}

void RawTcpClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::string httpPost(const std::string& path, const std::string& body, bool close)
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml\r\nContent-Length: " +
           std::to_string(body.size()) + (close ? "\r\nConnection: close" : "") + "\r\n\r\n" + body;
}

} // namespace OnvifTest
