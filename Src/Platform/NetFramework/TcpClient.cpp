#include "NetFramework/TcpClient.h"

#include "NetFramework/HostResolver.h"
#include "NetFramework/TlsClientContext.h"

#include <asio/connect.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/ssl.hpp>
#include <asio/write.hpp>

#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

namespace Zentar {
namespace NetFramework {

using Handler = std::function<void(const asio::error_code&, size_t)>;

class CTcpClient::CImpl {
public:
    CImpl() : m_socket(m_io) {}

    // Starts one asynchronous step and runs the private loop until it completes or
    // timeoutMs passes; on time-out the step is cancelled and reported as timed_out.
    asio::error_code run(const std::function<void(Handler)>& start, int timeoutMs, size_t* count = nullptr)
    {
        bool done = false;
        asio::error_code result;
        start([&](const asio::error_code& ec, size_t n) {
            done = true;
            result = ec;
            if (count != nullptr)
                *count = n;
        });
        m_io.restart();
        m_io.run_for(std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0));
        if (done)
            return result;
        asio::error_code ignored;
        m_socket.cancel(ignored);
        m_io.restart();
        m_io.run(); // lets the cancelled step finish; nothing else is pending
        return asio::error::timed_out;
    }

    // One read or write of some bytes, over TLS when the connection has it (a write only
    // reads the buffer).
    asio::error_code transfer(bool write, const asio::mutable_buffer& buffer, int timeoutMs, size_t& n)
    {
        return run(
            [&](Handler done) {
                if (write && m_tls)
                    m_tls->async_write_some(asio::const_buffer(buffer), done);
                else if (write)
                    m_socket.async_write_some(asio::const_buffer(buffer), done);
                else if (m_tls)
                    m_tls->async_read_some(buffer, done);
                else
                    m_socket.async_read_some(buffer, done);
            },
            timeoutMs, &n);
    }

    asio::io_context m_io;
    asio::ip::tcp::socket m_socket;
    TlsClientContext m_tlsContext; // outlives m_tls, which refers to it
    std::unique_ptr<asio::ssl::stream<asio::ip::tcp::socket&>> m_tls;
};

CTcpClient::CTcpClient() : m_impl(new CImpl()) {}

CTcpClient::~CTcpClient() { close(); }

bool CTcpClient::connect(const std::string& host, int port, bool tls, int connectMs, int handshakeMs)
{
    close();
    std::string bare = host;   // the name the certificate must carry
    if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    std::vector<CResolvedAddress> addresses;
    if (resolveHost(bare, port, connectMs, addresses, m_error) != EResolveResult::Ok) {
        m_failure = FAIL_RESOLVE;
        return false;
    }
    // Each address in the resolver's order gets the whole connect time-out: a name with
    // a dead IPv6 address first must still reach its IPv4 one.
    asio::error_code ec;
    asio::ip::tcp::socket& socket = m_impl->m_socket;
    bool timedOut = false;
    bool connected = false;
    for (const CResolvedAddress& entry : addresses) {
        asio::ip::tcp::endpoint endpoint;
        std::memcpy(endpoint.data(), &entry.address, entry.length);
        endpoint.resize(entry.length);
        ec = m_impl->run([&](Handler done) { socket.async_connect(endpoint, [done](const asio::error_code& e) {
                                                 done(e, 0);
                                             }); },
                         connectMs);
        if (!ec) {
            connected = true;
            break;
        }
        timedOut = timedOut || ec == asio::error::timed_out;
        m_error = "connect " + endpoint.address().to_string() + ": " + ec.message();
        asio::error_code ignored;
        socket.close(ignored);
    }
    if (!connected) {
        m_failure = timedOut ? FAIL_TIMEOUT : FAIL_CONNECT;
        return false;
    }
    socket.set_option(asio::socket_base::linger(true, 0), ec);
    socket.set_option(asio::ip::tcp::no_delay(true), ec);
    if (!tls)
        return true;

    if (!tlsClientContext(m_impl->m_tlsContext, m_error)) {
        m_failure = FAIL_TLS;
        close();
        return false;
    }
    m_impl->m_tls.reset(new asio::ssl::stream<asio::ip::tcp::socket&>(socket, *m_impl->m_tlsContext.context));
    if (!prepareTlsClient(m_impl->m_tls->native_handle(), bare, m_impl->m_tlsContext.verify)) {
        m_failure = FAIL_TLS;
        m_error = "tls: cannot set the peer name " + bare;
        close();
        return false;
    }
    ec = m_impl->run([&](Handler done) { m_impl->m_tls->async_handshake(asio::ssl::stream_base::client,
                                             [done](const asio::error_code& e) { done(e, 0); }); },
                     handshakeMs);
    if (ec) {
        m_failure = FAIL_TLS;
        m_error = "tls handshake with " + bare + ": " + ec.message();
        close();
        return false;
    }
    return true;
}

bool CTcpClient::sendAll(const char* data, size_t len, int timeoutMs)
{
    // One wait per piece the kernel accepts: a slow but moving peer is not cut off.
    while (len > 0) {
        size_t n = 0;
        const asio::mutable_buffer piece(const_cast<char*>(data), len);
        const asio::error_code ec = m_impl->transfer(true, piece, timeoutMs, n);
        if (ec || n == 0) {
            m_failure = FAIL_IO;
            m_error = "send: " + (ec ? ec.message() : std::string("nothing sent"));
            return false;
        }
        data += n;
        len -= n;
    }
    return true;
}

long CTcpClient::receiveSome(char* buf, size_t size, int timeoutMs)
{
    size_t n = 0;
    const asio::error_code ec = m_impl->transfer(false, asio::mutable_buffer(buf, size), timeoutMs, n);
    // A peer that closes without TLS close_notify (most cameras) has still ended its answer.
    if (ec == asio::error::eof || ec == asio::ssl::error::stream_truncated)
        return 0;
    if (ec) {
        m_failure = FAIL_IO;
        m_error = "receive: " + ec.message();
        return -1;
    }
    return static_cast<long>(n);
}

void CTcpClient::close()
{
    asio::error_code ignored;
    m_impl->m_socket.close(ignored);
    m_impl->m_tls.reset();
}

std::string CTcpClient::peerAddress() const
{
    asio::error_code ec;
    const auto endpoint = m_impl->m_socket.remote_endpoint(ec);
    return ec ? std::string() : endpoint.address().to_string();
}

} // namespace NetFramework
} // namespace Zentar
