// TCP (optionally TLS) connection of an RTSP session.
#include "Stream/Rtsp/RtspByteStream.h"

#include <asio/bind_executor.hpp>
#include <asio/connect.hpp>
#include <asio/post.hpp>
#include <asio/read.hpp>
#include <asio/ssl.hpp>
#include <asio/write.hpp>

#include "NetFramework/TlsClientContext.h"

namespace Zentar {
namespace StreamApp {

namespace {

class CTcpByteStream : public IRtspByteStream {
public:
    CTcpByteStream(RtspStrand& strand, bool tls)
        : m_strand(strand), m_resolver(strand), m_socket(strand)
    {
        // Without a usable context (an unreadable CA file) the connect reports it.
        if (tls && NetFramework::tlsClientContext(m_tlsContext, m_tlsError))
            m_tls.reset(new asio::ssl::stream<asio::ip::tcp::socket&>(m_socket, *m_tlsContext.context));
        m_wantsTls = tls;
    }

    void connect(const std::string& host, uint16_t port, DoneProc done) override
    {
        if (m_wantsTls && !m_tls) {
            asio::post(m_strand, [done, why = m_tlsError] { done("tls: " + why); });
            return;
        }
        m_resolver.async_resolve(
            host, std::to_string(port),
            asio::bind_executor(m_strand, [this, host, done](const asio::error_code& ec,
                                                             asio::ip::tcp::resolver::results_type results) {
                if (ec) {
                    done("resolve " + host + ": " + ec.message());
                    return;
                }
                asio::async_connect(m_socket, results,
                    asio::bind_executor(m_strand, [this, host, done](const asio::error_code& ec2,
                                                                     const asio::ip::tcp::endpoint&) {
                        if (ec2) {
                            done("connect " + host + ": " + ec2.message());
                            return;
                        }
                        asio::error_code ignored;
                        m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
                        if (!m_tls) {
                            done(std::string());
                            return;
                        }
                        if (!NetFramework::prepareTlsClient(m_tls->native_handle(), host, m_tlsContext.verify)) {
                            done("tls: cannot set the peer name " + host);
                            return;
                        }
                        m_tls->async_handshake(asio::ssl::stream_base::client,
                            asio::bind_executor(m_strand, [done](const asio::error_code& ec3) {
                                done(ec3 ? "tls handshake: " + ec3.message() : std::string());
                            }));
                    }));
            }));
    }

    void read(uint8_t* buf, size_t size, ReadProc done) override
    {
        auto handler = asio::bind_executor(m_strand, [done](const asio::error_code& ec, size_t n) {
            done(ec ? ec.message() : std::string(), n);
        });
        if (m_tls)
            m_tls->async_read_some(asio::buffer(buf, size), handler);
        else
            m_socket.async_read_some(asio::buffer(buf, size), handler);
    }

    void write(std::shared_ptr<const std::string> data, DoneProc done) override
    {
        auto handler = asio::bind_executor(m_strand, [data, done](const asio::error_code& ec, size_t) {
            done(ec ? ec.message() : std::string());
        });
        if (m_tls)
            asio::async_write(*m_tls, asio::buffer(*data), handler);
        else
            asio::async_write(m_socket, asio::buffer(*data), handler);
    }

    void close() override
    {
        asio::error_code ignored;
        m_resolver.cancel();
        m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
        m_socket.close(ignored);
    }

    void setReceiveBuffer(uint32_t bytes) override
    {
        asio::error_code ignored;
        if (m_socket.is_open())
            m_socket.set_option(asio::socket_base::receive_buffer_size(static_cast<int>(bytes)), ignored);
    }

    std::string localAddress() const override
    {
        asio::error_code ec;
        auto ep = m_socket.local_endpoint(ec);
        return ec ? std::string() : ep.address().to_string();
    }

    std::string remoteAddress() const override
    {
        asio::error_code ec;
        auto ep = m_socket.remote_endpoint(ec);
        return ec ? std::string() : ep.address().to_string();
    }

private:
    RtspStrand& m_strand;
    asio::ip::tcp::resolver m_resolver;
    asio::ip::tcp::socket m_socket;
    NetFramework::TlsClientContext m_tlsContext; // outlives m_tls, which refers to it
    std::string m_tlsError;
    bool m_wantsTls = false;
    std::unique_ptr<asio::ssl::stream<asio::ip::tcp::socket&>> m_tls;
};

} // namespace

std::unique_ptr<IRtspByteStream> makeTcpByteStream(RtspStrand& strand, bool tls)
{
    return std::unique_ptr<IRtspByteStream>(new CTcpByteStream(strand, tls));
}

} // namespace StreamApp
} // namespace Zentar
