#pragma once
// A blocking TCP client for tests and benchmarks that must say exactly which bytes go out
// and when: split requests, garbage, silence, many connections, a chosen source address.
#include <cstdint>
#include <string>

namespace OnvifTest {

class RawTcpClient {
public:
    RawTcpClient() = default;
    ~RawTcpClient();
    RawTcpClient(const RawTcpClient&) = delete;
    RawTcpClient& operator=(const RawTcpClient&) = delete;
    RawTcpClient(RawTcpClient&& other) noexcept;

    // Connects to address:port (IPv4 literal), from sourceAddress when given ("127.0.0.2").
    bool connect(const std::string& address, uint16_t port, const std::string& sourceAddress = std::string());
    bool send(const std::string& bytes);
    // Reads what arrives until the peer closes or timeoutMs passes without a byte.
    std::string readUntilClose(int timeoutMs);
    // Reads until text appears (or close / time-out); returns everything read.
    std::string readUntil(const std::string& text, int timeoutMs);
    // True when the peer has closed (a read gives end of stream within timeoutMs).
    bool closedByPeer(int timeoutMs);
    void close();
    bool isOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    std::string m_pending;
};

// "POST path HTTP/1.1" with a Content-Length body.
std::string httpPost(const std::string& path, const std::string& body, bool close = false);

} // namespace OnvifTest
