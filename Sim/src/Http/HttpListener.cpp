#include "Http/HttpListener.h"

#include "Common/Log.h"

#include <asio/post.hpp>

#include <algorithm>

namespace OnvifSim {

CHttpListener::CHttpListener(asio::io_context& io, std::shared_ptr<IRequestSink> sink, asio::ssl::context* tls)
    : m_io(io), m_strand(asio::make_strand(io)), m_acceptor(m_strand), m_retry(m_strand), m_sink(std::move(sink)), m_tls(tls)
{
}

bool CHttpListener::open(const std::string& address, unsigned short port, std::string& error)
{
    asio::error_code ec;
    asio::ip::address ip = asio::ip::make_address(address, ec);
    if (ec) {
        error = "invalid bind address " + address;
        return false;
    }
    asio::ip::tcp::endpoint endpoint(ip, port);
    m_acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        m_acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        m_acceptor.bind(endpoint, ec);
    if (!ec)
        m_acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + ec.message();
        asio::error_code ignored;
        m_acceptor.close(ignored);
        return false;
    }
    m_port = m_acceptor.local_endpoint(ec).port();
    return true;
}

void CHttpListener::start()
{
    asio::post(m_strand, [self = shared_from_this()] { self->accept(); });
}

void CHttpListener::accept()
{
    m_acceptor.async_accept(asio::make_strand(m_io),
                            [self = shared_from_this()](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !self->m_acceptor.is_open())
            return;
        if (!ec) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            if (self->m_stopped)
                return;
            CConnectionInfo info;
            info.id = ++self->m_nextId;
            info.https = self->m_tls != nullptr;
            asio::error_code ignored;
            auto local = socket.local_endpoint(ignored);
            info.localAddress = local.address().to_string();
            info.localPort = local.port();
            auto& list = self->m_sessions;
            list.erase(std::remove_if(list.begin(), list.end(), [](auto& w) { return w.expired(); }), list.end());
            list.push_back(self->m_starter ? self->m_starter(std::move(socket), info)
                                           : StartSession(std::move(socket), self->m_tls, self->m_sink, info,
                                                          self->m_tunnel));
        } else {
            LogLine("accept failed: " + ec.message());
            self->m_retry.expires_after(std::chrono::milliseconds(100));
            self->m_retry.async_wait([self](const asio::error_code& waitError) {
                if (!waitError && self->m_acceptor.is_open())
                    self->accept();
            });
            return;
        }
        self->accept();
    });
}

void CHttpListener::stop()
{
    std::vector<std::weak_ptr<ISession>> sessions;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        sessions.swap(m_sessions);
    }
    asio::post(m_strand, [self = shared_from_this()] {
        asio::error_code ignored;
        self->m_acceptor.close(ignored);
        self->m_retry.cancel();
    });
    for (auto& weak : sessions)
        if (auto session = weak.lock())
            session->stop();
}

} // namespace OnvifSim
