#include "NetFramework/StreamAcceptor.h"

#include <cstddef>

#include <asio/ip/tcp.hpp>
#include <asio/ip/v6_only.hpp>
#include <asio/post.hpp>
#include <asio/ssl.hpp>
#include <asio/steady_timer.hpp>
#include <asio/strand.hpp>
#include <asio/write.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <type_traits>

#include "Stream/Rtsp/RtspNetLoop.h"

namespace Zentar {
namespace NetFramework {

namespace {

using Tcp = asio::ip::tcp;
using Strand = asio::strand<asio::io_context::executor_type>;
using TlsStream = asio::ssl::stream<Tcp::socket>;

std::atomic<long> g_nextStreamId{1};

template <class Stream>
class CStreamImpl final : public CSockStream, public std::enable_shared_from_this<CStreamImpl<Stream>> {
public:
    template <class... Args>
    CStreamImpl(Strand strand, std::shared_ptr<asio::ssl::context> tls, std::string peer, uint16_t peerPort,
                Args&&... args)
        : m_strand(strand), m_tls(std::move(tls)), m_stream(std::forward<Args>(args)...), m_deadline(strand),
          m_peer(std::move(peer)), m_peerPort(peerPort), m_id(g_nextStreamId++)
    {
    }

    void start(std::shared_ptr<IStreamHandler> handler) override
    {
        asio::post(m_strand, [self = this->shared_from_this(), handler = std::move(handler)]() mutable {
            if (self->m_closed) {
                handler->handleClose();
                return;
            }
            self->m_handler = std::move(handler);
            if constexpr (std::is_same_v<Stream, TlsStream>) {
                self->m_stream.async_handshake(asio::ssl::stream_base::server,
                                               [self](const asio::error_code& ec) {
                                                   ec ? self->doClose() : self->readMore();
                                               });
            } else {
                self->readMore();
            }
        });
    }

    void send(std::string bytes, bool closeAfter) override
    {
        asio::post(m_strand, [self = this->shared_from_this(), bytes = std::move(bytes), closeAfter]() mutable {
            if (self->m_closed)
                return;
            self->m_out.push_back(std::move(bytes));
            self->m_closeAfterWrite = self->m_closeAfterWrite || closeAfter;
            if (!self->m_writing)
                self->writeNext();
        });
    }

    void close() override
    {
        asio::post(m_strand, [self = this->shared_from_this()] { self->doClose(); });
    }

    void setDeadline(uint32_t ms) override
    {
        asio::post(m_strand, [self = this->shared_from_this(), ms] {
            if (self->m_closed)
                return;
            self->m_deadline.cancel();
            if (ms == 0)
                return;
            self->m_deadline.expires_after(std::chrono::milliseconds(ms));
            self->m_deadline.async_wait([weak = std::weak_ptr<CStreamImpl>(self)](const asio::error_code& ec) {
                if (auto me = weak.lock(); me && !ec)
                    me->doClose();
            });
        });
    }

    const std::string& peerAddress() const override { return m_peer; }
    uint16_t peerPort() const override { return m_peerPort; }
    bool isTls() const override { return std::is_same_v<Stream, TlsStream>; }
    long id() const override { return m_id; }

private:
    void readMore()
    {
        if (m_closed)
            return;
        m_stream.async_read_some(asio::buffer(m_buffer),
                                 [self = this->shared_from_this()](const asio::error_code& ec, size_t n) {
                                     if (self->m_closed)
                                         return;
                                     if (ec)
                                         return self->doClose();
                                     if (self->m_handler)
                                         self->m_handler->handleInput(self->m_buffer.data(), n);
                                     self->readMore();
                                 });
    }

    void writeNext()
    {
        if (m_out.empty()) {
            m_writing = false;
            if (m_closeAfterWrite)
                doClose();
            return;
        }
        m_writing = true;
        asio::async_write(m_stream, asio::buffer(m_out.front()),
                          [self = this->shared_from_this()](const asio::error_code& ec, size_t) {
                              if (self->m_closed)
                                  return;
                              if (ec)
                                  return self->doClose();
                              self->m_out.pop_front();
                              self->writeNext();
                          });
    }

    void doClose()
    {
        if (m_closed)
            return;
        m_closed = true;
        m_deadline.cancel();
        asio::error_code ignored;
        m_stream.lowest_layer().shutdown(Tcp::socket::shutdown_both, ignored);
        m_stream.lowest_layer().close(ignored);
        m_out.clear();
        // The handler goes last: it may hold this stream, and the pair must come apart.
        if (auto handler = std::move(m_handler))
            handler->handleClose();
    }

    Strand m_strand;
    std::shared_ptr<asio::ssl::context> m_tls;   // outlives the stream that uses it
    Stream m_stream;
    asio::steady_timer m_deadline;
    const std::string m_peer;
    const uint16_t m_peerPort;
    const long m_id;

    std::shared_ptr<IStreamHandler> m_handler;
    std::array<char, 16384> m_buffer{};
    std::deque<std::string> m_out;
    bool m_writing = false;
    bool m_closeAfterWrite = false;
    bool m_closed = false;
};

// Certificate and key from the host's PEM texts; false with the reason otherwise.
bool loadIdentity(asio::ssl::context& ctx, const CTlsIdentity& identity, std::string& error)
{
    asio::error_code ec;
    ctx.set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                        asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1,
                    ec);
    const std::string password = identity.keyPassword;
    ctx.set_password_callback([password](size_t, asio::ssl::context::password_purpose) { return password; }, ec);
    if (!ec)
        ctx.use_certificate_chain(asio::buffer(identity.certificate), ec);
    if (!ec)
        ctx.use_private_key(asio::buffer(identity.key), asio::ssl::context::pem, ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    return true;
}

} // namespace

class CStreamAcceptor::CImpl : public std::enable_shared_from_this<CStreamAcceptor::CImpl> {
public:
    CImpl() : m_acceptor(StreamApp::rtspIoContext()) {}

    int open(uint16_t port, const CTlsIdentity* tls, AcceptProc onAccept, std::string& error)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_acceptor.is_open()) {
            error = "already open";
            return OPEN_FAILED;
        }
        if (tls) {
            m_tls = std::make_shared<asio::ssl::context>(asio::ssl::context::tls_server);
            if (!loadIdentity(*m_tls, *tls, error)) {
                m_tls.reset();
                return OPEN_BAD_IDENTITY;
            }
        } else {
            m_tls.reset();
        }
        asio::error_code ec;
        if (!listen(Tcp::endpoint(asio::ip::address_v6::any(), port), true, ec)) {
            asio::error_code ec4;
            if (!listen(Tcp::endpoint(asio::ip::address_v4::any(), port), false, ec4)) {
                error = ec.message();
                return OPEN_FAILED;
            }
        }
        m_onAccept = std::move(onAccept);
        m_closed = false;
        acceptNext();
        return OPEN_OK;
    }

    void close()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        asio::error_code ignored;
        m_acceptor.close(ignored);
        m_onAccept = nullptr;
    }

    bool isOpen() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_acceptor.is_open();
    }

    uint16_t localPort() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        asio::error_code ec;
        const Tcp::endpoint local = m_acceptor.local_endpoint(ec);
        return ec ? 0 : local.port();
    }

    int nativeHandle()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_acceptor.is_open() ? static_cast<int>(m_acceptor.native_handle()) : -1;
    }

private:
    bool listen(const Tcp::endpoint& endpoint, bool dualStack, asio::error_code& ec)
    {
        asio::error_code ignored;
        m_acceptor.close(ignored);
        m_acceptor.open(endpoint.protocol(), ec);
        if (!ec && dualStack)
            m_acceptor.set_option(asio::ip::v6_only(false), ec);
        if (!ec)
            m_acceptor.set_option(Tcp::acceptor::reuse_address(true), ec);
        if (!ec)
            m_acceptor.bind(endpoint, ec);
        if (!ec)
            m_acceptor.listen(asio::socket_base::max_listen_connections, ec);
        if (ec)
            m_acceptor.close(ignored);
        return !ec;
    }

    // Each connection gets its own strand; the socket is made on it, so every handler of
    // the connection runs there.
    void acceptNext()
    {
        Strand strand = asio::make_strand(StreamApp::rtspIoContext());
        auto socket = std::make_shared<Tcp::socket>(strand);
        m_acceptor.async_accept(*socket, [self = shared_from_this(), socket, strand](const asio::error_code& ec) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            if (self->m_closed || !self->m_acceptor.is_open())
                return;
            if (!ec)
                self->handOver(std::move(*socket), strand);
            // A failed accept (out of descriptors, a peer that reset at once) is not the
            // end of the listener.
            self->acceptNext();
        });
    }

    void handOver(Tcp::socket socket, Strand strand)
    {
        asio::error_code ec;
        const Tcp::endpoint peer = socket.remote_endpoint(ec);
        if (ec)
            return;
        socket.set_option(Tcp::no_delay(true), ec);
        const std::string address = peer.address().to_string();
        std::shared_ptr<CSockStream> stream;
        if (m_tls)
            stream = std::make_shared<CStreamImpl<TlsStream>>(strand, m_tls, address, peer.port(), std::move(socket),
                                                              *m_tls);
        else
            stream = std::make_shared<CStreamImpl<Tcp::socket>>(strand, nullptr, address, peer.port(),
                                                                std::move(socket));
        if (m_onAccept)
            m_onAccept(std::move(stream));
    }

    mutable std::mutex m_mutex;
    Tcp::acceptor m_acceptor;
    std::shared_ptr<asio::ssl::context> m_tls;
    AcceptProc m_onAccept;
    bool m_closed = true;
};

CStreamAcceptor::CStreamAcceptor() : m_impl(std::make_shared<CImpl>()) {}

CStreamAcceptor::~CStreamAcceptor() { close(); }

int CStreamAcceptor::open(uint16_t port, const CTlsIdentity* tls, AcceptProc onAccept, std::string* error)
{
    std::string reason;
    const int rc = m_impl->open(port, tls, std::move(onAccept), reason);
    if (error)
        *error = reason;
    return rc;
}

void CStreamAcceptor::close() { m_impl->close(); }
bool CStreamAcceptor::isOpen() const { return m_impl->isOpen(); }
uint16_t CStreamAcceptor::localPort() const { return m_impl->localPort(); }
int CStreamAcceptor::nativeHandle() const { return m_impl->nativeHandle(); }

} // namespace NetFramework
} // namespace Zentar
