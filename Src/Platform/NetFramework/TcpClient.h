#pragma once
// A blocking TCP client connection, optionally TLS, with every step bounded by a time-out:
// the platform's stream socket for one request-response exchange on the calling thread
// (the snapshot HTTP client). It runs on asio, as the RTSP client does, with a private
// event loop per connection.
#include <cstddef>
#include <memory>
#include <string>

namespace Zentar {
namespace NetFramework {

class CTcpClient {
public:
    enum Failure {
        FAIL_NONE = 0,
        FAIL_RESOLVE,   // no address for the host, or none within the connect time-out
        FAIL_TIMEOUT,   // no address answered within the connect time-out
        FAIL_CONNECT,   // every address refused or failed
        FAIL_TLS,       // no TLS context, handshake failed or the certificate was refused
        FAIL_IO,        // send or receive failed or timed out
    };

    CTcpClient();
    ~CTcpClient();
    CTcpClient(const CTcpClient&) = delete;
    CTcpClient& operator=(const CTcpClient&) = delete;

    // Resolves host (a name, an IPv4 or IPv6 literal, brackets allowed) with the system
    // resolver and tries its addresses in order, each for at most connectMs, until one
    // connects; then, with tls, completes the handshake within handshakeMs under the
    // process-wide TLS rules. False with failure() and error() set otherwise.
    bool connect(const std::string& host, int port, bool tls, int connectMs, int handshakeMs);

    // Sends all bytes; each wait for progress lasts at most timeoutMs.
    bool sendAll(const char* data, size_t len, int timeoutMs);

    // One read of at most size bytes: the count, 0 when the peer closed, -1 on time-out
    // or error.
    long receiveSome(char* buf, size_t size, int timeoutMs);

    // Closing resets the connection at once (no TIME_WAIT left behind).
    void close();

    Failure failure() const { return m_failure; }
    const std::string& error() const { return m_error; }
    std::string peerAddress() const; // the address that connected, empty before

private:
    class CImpl;
    std::unique_ptr<CImpl> m_impl;
    Failure m_failure = FAIL_NONE;
    std::string m_error;
};

} // namespace NetFramework
} // namespace Zentar
