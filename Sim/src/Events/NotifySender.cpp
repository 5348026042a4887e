#include "Events/NotifySender.h"

#include "Common/Log.h"

#include <asio/connect.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/read.hpp>
#include <asio/ssl.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>

#include <array>
#include <type_traits>

namespace OnvifSim {
namespace {

using Tcp = asio::ip::tcp;

// One message on its own connection; lives until the answer is read or the time is up.
template <class Stream>
class CNotifyPost : public std::enable_shared_from_this<CNotifyPost<Stream>> {
public:
    template <class... Args>
    CNotifyPost(asio::io_context& io, std::string request, std::shared_ptr<std::atomic<int>> posted,
                std::shared_ptr<std::atomic<int>> failed, Args&&... args)
        : m_stream(std::forward<Args>(args)...), m_timer(io), m_request(std::move(request)),
          m_posted(std::move(posted)), m_failed(std::move(failed))
    {
    }

    // The TLS context outlives every connection that uses it.
    void keep(std::shared_ptr<asio::ssl::context> tls) { m_tls = std::move(tls); }

    void start(const Tcp::endpoint& target)
    {
        m_timer.expires_after(std::chrono::milliseconds(CNotifySender::kTimeoutMs));
        m_timer.async_wait([self = this->shared_from_this()](const asio::error_code& ec) {
            if (!ec)
                self->finish(false);
        });
        m_stream.lowest_layer().async_connect(target, [self = this->shared_from_this()](const asio::error_code& ec) {
            if (ec)
                return self->finish(false);
            if constexpr (std::is_same_v<Stream, asio::ssl::stream<Tcp::socket>>) {
                self->m_stream.async_handshake(asio::ssl::stream_base::client, [self](const asio::error_code& e) {
                    e ? self->finish(false) : self->send();
                });
            } else {
                self->send();
            }
        });
    }

private:
    void send()
    {
        asio::async_write(m_stream, asio::buffer(m_request),
                          [self = this->shared_from_this()](const asio::error_code& ec, size_t) {
                              ec ? self->finish(false) : self->read();
                          });
    }

    // The status line is all we want; the consumer closes the connection after its answer.
    void read()
    {
        m_stream.async_read_some(asio::buffer(m_buffer),
                                 [self = this->shared_from_this()](const asio::error_code& ec, size_t n) {
                                     if (n > 0 && self->m_answer.size() < 4096)
                                         self->m_answer.append(self->m_buffer.data(), n);
                                     if (self->m_answer.find("\r\n") != std::string::npos)
                                         return self->finish(self->m_answer.compare(0, 10, "HTTP/1.1 2") == 0 ||
                                                             self->m_answer.compare(0, 10, "HTTP/1.0 2") == 0);
                                     if (ec)
                                         return self->finish(false);
                                     self->read();
                                 });
    }

    void finish(bool ok)
    {
        if (m_done)
            return;
        m_done = true;
        ++*(ok ? m_posted : m_failed);
        m_timer.cancel();
        asio::error_code ignored;
        m_stream.lowest_layer().close(ignored);
    }

    std::shared_ptr<asio::ssl::context> m_tls;
    Stream m_stream;
    asio::steady_timer m_timer;
    std::string m_request;
    std::shared_ptr<std::atomic<int>> m_posted;
    std::shared_ptr<std::atomic<int>> m_failed;
    std::array<char, 1024> m_buffer{};
    std::string m_answer;
    bool m_done = false;
};

} // namespace

bool SplitHttpUrl(const std::string& url, bool& tls, std::string& host, unsigned short& port, std::string& path)
{
    size_t rest = 0;
    if (url.compare(0, 7, "http://") == 0) {
        tls = false;
        rest = 7;
    } else if (url.compare(0, 8, "https://") == 0) {
        tls = true;
        rest = 8;
    } else {
        return false;
    }
    const size_t slash = url.find('/', rest);
    std::string authority = url.substr(rest, slash == std::string::npos ? std::string::npos : slash - rest);
    path = slash == std::string::npos ? "/" : url.substr(slash);
    port = tls ? 443 : 80;
    size_t colon = authority.rfind(':');
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        if (close == std::string::npos)
            return false;
        host = authority.substr(1, close - 1);
        colon = authority.find(':', close);
    } else {
        host = authority.substr(0, colon);
    }
    if (colon != std::string::npos) {
        const std::string digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(digits) > 65535)
            return false;
        port = static_cast<unsigned short>(std::stoi(digits));
    }
    return !host.empty();
}

bool IsLoopbackHost(const std::string& host)
{
    if (host == "localhost" || host == "::1")
        return true;
    asio::error_code ec;
    const asio::ip::address address = asio::ip::make_address(host, ec);
    return !ec && address.is_loopback();
}

CNotifySender::CNotifySender(asio::io_context& io)
    : m_io(io), m_posted(std::make_shared<std::atomic<int>>(0)), m_failed(std::make_shared<std::atomic<int>>(0))
{
}

CNotifySender::~CNotifySender() = default;

void CNotifySender::post(const std::string& url, const std::string& body)
{
    bool tls = false;
    std::string host;
    unsigned short port = 0;
    std::string path;
    asio::error_code ec;
    if (!SplitHttpUrl(url, tls, host, port, path) || !IsLoopbackHost(host)) {
        LogLine("notify: refused consumer " + url + " (loopback http(s) only)");
        ++*m_failed;
        return;
    }
    const asio::ip::address address = asio::ip::make_address(host == "localhost" ? "127.0.0.1" : host, ec);
    if (ec) {
        ++*m_failed;
        return;
    }
    const Tcp::endpoint target(address, port);
    const std::string request = "POST " + path + " HTTP/1.1\r\nHost: " + (address.is_v6() ? "[" + host + "]" : host) +
                                ":" + std::to_string(port) +
                                "\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    if (tls) {
        if (!m_tls) {
            m_tls = std::make_shared<asio::ssl::context>(asio::ssl::context::tls_client);
            m_tls->set_verify_mode(asio::ssl::verify_none);
        }
        auto post = std::make_shared<CNotifyPost<asio::ssl::stream<Tcp::socket>>>(m_io, request, m_posted, m_failed,
                                                                                  Tcp::socket(m_io), *m_tls);
        post->keep(m_tls);
        post->start(target);
    } else {
        auto post = std::make_shared<CNotifyPost<Tcp::socket>>(m_io, request, m_posted, m_failed, m_io);
        post->start(target);
    }
}

} // namespace OnvifSim
