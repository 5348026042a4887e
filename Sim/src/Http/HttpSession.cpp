#include "Http/HttpSession.h"

#include "Http/HttpRequestParser.h"

#include <asio/post.hpp>
#include <asio/ssl/stream.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>

#include <array>
#include <type_traits>

namespace OnvifSim {
namespace {

using TcpSocket = asio::ip::tcp::socket;
using TlsStream = asio::ssl::stream<TcpSocket>;

template <class Stream>
class CHttpSession final : public ISession, public std::enable_shared_from_this<CHttpSession<Stream>> {
public:
    template <class... StreamArgs>
    CHttpSession(std::shared_ptr<IRequestSink> sink, CConnectionInfo info, std::shared_ptr<ITunnelSink> tunnel,
                 StreamArgs&&... args)
        : m_stream(std::forward<StreamArgs>(args)...), m_idle(m_stream.get_executor()),
          m_delay(m_stream.get_executor()), m_sink(std::move(sink)), m_tunnel(std::move(tunnel)),
          m_info(std::move(info)) {}

    void start();
    void stop() override
    {
        asio::post(m_stream.get_executor(), [self = this->shared_from_this()] { self->close(); });
    }

private:
    enum class EAfterWrite { ReadMore, NextRequest, Close };

    void readMore();
    void process(const char* data, size_t size);
    bool handedOver(const char* data, size_t size);
    void act(CHttpAnswer answer, bool keepAlive);
    void write(std::string bytes, EAfterWrite after);
    void writeRest(EAfterWrite after);
    void afterWrite(EAfterWrite after);
    void silence();
    void armIdle();
    void close();

    Stream m_stream;
    asio::steady_timer m_idle;
    asio::steady_timer m_delay;
    std::shared_ptr<IRequestSink> m_sink;
    std::shared_ptr<ITunnelSink> m_tunnel;   // null once the first request's head is seen
    std::string m_head;                      // first request's bytes while looking for a tunnel
    CConnectionInfo m_info;
    CHttpRequestParser m_parser;
    std::array<char, 8192> m_readBuffer{};
    std::string m_pending;   // bytes of the next request that came with the previous one
    std::string m_out;
    std::string m_outBody;   // a split answer's body, written once its header block is out
    std::shared_ptr<IDeferredAnswer> m_deferred;   // an answer being waited for
    bool m_closed = false;
    bool m_silent = false;
};

template <class Stream>
void CHttpSession<Stream>::start()
{
    armIdle();
    if constexpr (std::is_same_v<Stream, TlsStream>) {
        m_stream.async_handshake(asio::ssl::stream_base::server,
                                 [self = this->shared_from_this()](const asio::error_code& ec) {
                                     ec ? self->close() : self->readMore();
                                 });
    } else {
        readMore();
    }
}

template <class Stream>
void CHttpSession<Stream>::armIdle()
{
    m_idle.expires_after(std::chrono::seconds(m_sink->keepAliveSeconds()));
    m_idle.async_wait([self = this->shared_from_this()](const asio::error_code& ec) {
        if (!ec && !self->m_silent)
            self->close();
    });
}

template <class Stream>
void CHttpSession<Stream>::readMore()
{
    if (m_closed)
        return;
    armIdle();
    m_stream.async_read_some(asio::buffer(m_readBuffer),
                             [self = this->shared_from_this()](const asio::error_code& ec, size_t n) {
                                 if (ec || self->m_closed)
                                     return self->close();
                                 if (!self->handedOver(self->m_readBuffer.data(), n))
                                     self->process(self->m_readBuffer.data(), n);
                             });
}

// The first request of a plain connection is held until its head is complete, to see
// whether it opens an RTSP tunnel; the tunnel then owns the socket and this session ends
// without closing it.
template <class Stream>
bool CHttpSession<Stream>::handedOver(const char* data, size_t size)
{
    if constexpr (!std::is_same_v<Stream, TcpSocket>) {
        return false;
    } else {
        if (!m_tunnel)
            return false;
        m_head.append(data, size);
        size_t end = m_head.find("\r\n\r\n");
        // A head ended by bare line feeds is no tunnel client's; the parser judges it.
        bool bare = end == std::string::npos && m_head.find("\n\n") != std::string::npos;
        if (end == std::string::npos && !bare && m_head.size() < CHttpRequestParser::kMaxHeaderBytes) {
            readMore();
            return true;
        }
        auto tunnel = std::move(m_tunnel);
        std::string head = std::move(m_head);
        CHttpRequest request;
        if (end != std::string::npos && ParseHttpHead(head.substr(0, end), request) &&
            tunnel->adoptTunnel(request, head.substr(end + 4), m_stream)) {
            m_closed = true;
            m_idle.cancel();
            m_delay.cancel();
            return true;
        }
        process(head.data(), head.size());
        return true;
    }
}

template <class Stream>
void CHttpSession<Stream>::process(const char* data, size_t size)
{
    size_t used = m_parser.feed(data, size);
    switch (m_parser.state()) {
    case CHttpRequestParser::EState::Complete: {
        m_pending.assign(data + used, size - used);
        m_idle.cancel();
        CHttpRequest request = m_parser.take();
        bool keepAlive = request.keepAlive();
        act(m_sink->handle(request, m_info), keepAlive);
        return;
    }
    case CHttpRequestParser::EState::Error: {
        CHttpAnswer answer = m_sink->badRequest(m_parser.errorStatus(), m_parser.errorReason(), m_info);
        answer.close = true;
        act(std::move(answer), false);
        return;
    }
    case CHttpRequestParser::EState::NeedMore:
        if (m_parser.takeContinueRequest())
            return write("HTTP/1.1 100 Continue\r\n\r\n", EAfterWrite::ReadMore);
        readMore();
        return;
    }
}

template <class Stream>
void CHttpSession<Stream>::act(CHttpAnswer answer, bool keepAlive)
{
    using E = CHttpAnswer::EAction;
    if (m_closed)
        return;
    if (answer.deferred) {
        m_deferred = std::move(answer.deferred);
        m_deferred->wait(m_stream.get_executor(), [self = this->shared_from_this(), keepAlive](CHttpAnswer ready) {
            self->m_deferred.reset();
            self->act(std::move(ready), keepAlive);
        });
        return;
    }
    if (answer.delayMs > 0) {
        m_delay.expires_after(std::chrono::milliseconds(answer.delayMs));
        answer.delayMs = 0;
        m_delay.async_wait([self = this->shared_from_this(), answer = std::move(answer),
                            keepAlive](const asio::error_code& ec) mutable {
            if (!ec)
                self->act(std::move(answer), keepAlive);
        });
        return;
    }
    switch (answer.action) {
    case E::Close:
        return close();
    case E::Silence:
        return silence();
    case E::Garbage:
    case E::WrongLength:
        return write(SerializeAnswer(answer, false), EAfterWrite::Close);
    default: {
        bool stay = keepAlive && !answer.close;
        return write(SerializeAnswer(answer, stay), stay ? EAfterWrite::NextRequest : EAfterWrite::Close);
    }
    }
}

template <class Stream>
void CHttpSession<Stream>::write(std::string bytes, EAfterWrite after)
{
    m_out = std::move(bytes);
    m_outBody.clear();
    const size_t headEnd = m_out.find("\r\n\r\n");
    if (m_sink->splitWrites() && after != EAfterWrite::ReadMore && headEnd != std::string::npos &&
        headEnd + 4 < m_out.size()) {
        m_outBody = m_out.substr(headEnd + 4);
        m_out.resize(headEnd + 4);
    }
    asio::async_write(m_stream, asio::buffer(m_out),
                      [self = this->shared_from_this(), after](const asio::error_code& ec, size_t) {
                          if (ec || self->m_closed)
                              return self->close();
                          self->writeRest(after);
                      });
}

// The second write of a split answer: small, so Nagle's algorithm holds it until the
// header block is acknowledged.
template <class Stream>
void CHttpSession<Stream>::writeRest(EAfterWrite after)
{
    if (m_outBody.empty())
        return afterWrite(after);
    m_out = std::move(m_outBody);
    m_outBody.clear();
    asio::async_write(m_stream, asio::buffer(m_out),
                      [self = this->shared_from_this(), after](const asio::error_code& ec, size_t) {
                          if (ec || self->m_closed)
                              return self->close();
                          self->afterWrite(after);
                      });
}

template <class Stream>
void CHttpSession<Stream>::afterWrite(EAfterWrite after)
{
    if (after == EAfterWrite::Close)
        return close();
    if (after == EAfterWrite::ReadMore || m_pending.empty())
        return readMore();
    std::string pending = std::move(m_pending);
    m_pending.clear();
    process(pending.data(), pending.size());
}

// Hold the connection without answering; only the client leaving or the server stopping
// ends it.
template <class Stream>
void CHttpSession<Stream>::silence()
{
    m_silent = true;
    m_idle.cancel();
    if (m_closed)
        return;
    m_stream.async_read_some(asio::buffer(m_readBuffer),
                             [self = this->shared_from_this()](const asio::error_code& ec, size_t) {
                                 ec ? self->close() : self->silence();
                             });
}

template <class Stream>
void CHttpSession<Stream>::close()
{
    if (m_closed)
        return;
    m_closed = true;
    asio::error_code ignored;
    m_stream.lowest_layer().shutdown(TcpSocket::shutdown_both, ignored);
    m_stream.lowest_layer().close(ignored);
    m_idle.cancel();
    m_delay.cancel();
    if (auto deferred = std::move(m_deferred))
        deferred->cancel();
}

} // namespace

bool ParseHttpHead(const std::string& head, CHttpRequest& out)
{
    CHttpRequestParser parser;
    std::string whole = head + "\r\n\r\n";
    // The tunnel POST announces a body it never ends; parse the head alone.
    size_t lineEnd = whole.find("\r\n");
    std::string trimmed;
    for (size_t pos = lineEnd + 2; pos < whole.size();) {
        size_t next = whole.find("\r\n", pos);
        if (next == std::string::npos)
            break;
        std::string line = whole.substr(pos, next - pos);
        if (line.rfind("Content-Length", 0) != 0 && line.rfind("content-length", 0) != 0 && !line.empty())
            trimmed += line + "\r\n";
        pos = next + 2;
    }
    std::string request = whole.substr(0, lineEnd + 2) + trimmed + "\r\n";
    parser.feed(request.data(), request.size());
    if (parser.state() != CHttpRequestParser::EState::Complete)
        return false;
    out = parser.take();
    return true;
}

std::shared_ptr<ISession> StartSession(asio::ip::tcp::socket socket, asio::ssl::context* tls,
                                       std::shared_ptr<IRequestSink> sink, CConnectionInfo info,
                                       std::shared_ptr<ITunnelSink> tunnel)
{
    if (tls) {
        auto session = std::make_shared<CHttpSession<TlsStream>>(std::move(sink), std::move(info), nullptr,
                                                                 std::move(socket), *tls);
        session->start();
        return session;
    }
    auto session = std::make_shared<CHttpSession<TcpSocket>>(std::move(sink), std::move(info), std::move(tunnel),
                                                             std::move(socket));
    session->start();
    return session;
}

} // namespace OnvifSim
