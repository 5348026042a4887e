#include "Rtsp/RtspServer.h"

#include "Common/Crypto.h"
#include "Common/Log.h"
#include "Device/DeviceCore.h"
#include "Media/MediaUris.h"
#include "Rtsp/RtspConnection.h"

#include <asio/post.hpp>

namespace OnvifSim {

CRtspServer::CRtspServer(asio::io_context& io, std::shared_ptr<CDeviceCore> core, CRtspOptions options)
    : m_io(io), m_strand(asio::make_strand(io)), m_acceptor(m_strand), m_core(std::move(core)),
      m_options(std::move(options)), m_fault(std::make_shared<std::atomic<int>>(static_cast<int>(m_options.fault))),
      m_sessionTimeout(m_options.sessionTimeoutSeconds)
{
}

bool CRtspServer::open(const std::string& address, std::string& error)
{
    asio::error_code ec;
    asio::ip::tcp::endpoint endpoint(asio::ip::make_address(address, ec), m_options.port);
    if (!ec)
        m_acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        m_acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        m_acceptor.bind(endpoint, ec);
    if (!ec)
        m_acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (!ec)
        m_port = m_acceptor.local_endpoint(ec).port();
    if (ec) {
        error = "cannot listen for RTSP on " + address + ":" + std::to_string(m_options.port) + ": " + ec.message();
        asio::error_code ignored;
        m_acceptor.close(ignored);
        return false;
    }
    m_address = address;
    return true;
}

void CRtspServer::start()
{
    asio::post(m_strand, [self = shared_from_this()] { self->accept(); });
}

void CRtspServer::accept()
{
    m_acceptor.async_accept(m_strand, [self = shared_from_this()](const asio::error_code& ec,
                                                                  asio::ip::tcp::socket socket) {
        if (ec == asio::error::operation_aborted || self->m_stopped || !self->m_acceptor.is_open())
            return;
        if (!ec) {
            auto connection = std::make_shared<CRtspConnection>(self, std::move(socket), false);
            self->m_connections.insert(connection);
            connection->start();
        } else {
            LogLine("rtsp: accept failed: " + ec.message());
        }
        self->accept();
    });
}

void CRtspServer::stop()
{
    asio::post(m_strand, [self = shared_from_this()] {
        self->m_stopped = true;
        asio::error_code ignored;
        self->m_acceptor.close(ignored);
        auto connections = self->m_connections;
        for (auto& c : connections)
            c->abort();
        self->endAllSessions();
        self->m_connections.clear();
        self->m_tunnels.clear();
    });
}

void CRtspServer::endAllSessions()
{
    while (!m_sessions.empty()) {
        // A copy: ending the session erases the map entry that owns the key.
        const std::string id = m_sessions.begin()->first;
        endSession(id, nullptr);
    }
}

void CRtspServer::dropSessions()
{
    asio::post(m_strand, [self = shared_from_this()] {
        LogLine("rtsp: dropping every session and connection on port " + std::to_string(self->m_port));
        auto connections = self->m_connections;
        for (auto& c : connections)
            c->abort();
        self->endAllSessions();
    });
}

void CRtspServer::setSessionTimeout(int seconds)
{
    m_sessionTimeout = std::max(1, seconds);
}

bool CRtspServer::adoptTunnel(const CHttpRequest& head, const std::string& rest, asio::ip::tcp::socket& socket)
{
    std::string cookie = head.header("x-sessioncookie");
    bool get = head.method == "GET" && head.header("Accept").find("application/x-rtsp-tunnelled") != std::string::npos;
    bool post = head.method == "POST" &&
                head.header("Content-Type").find("application/x-rtsp-tunnelled") != std::string::npos;
    if (cookie.empty() || (!get && !post))
        return false;
    // Move the descriptor onto this server's strand: the HTTP session's socket belongs to
    // the HTTP connection's executor.
    asio::error_code ec;
    auto protocol = socket.local_endpoint(ec).protocol();
    auto handle = socket.release(ec);
    if (ec) {
        LogLine("rtsp: cannot take over a tunnelled connection: " + ec.message());
        return false;
    }
    asio::post(m_strand, [self = shared_from_this(), head, rest, protocol, handle] {
        asio::ip::tcp::socket adopted(self->m_strand);
        asio::error_code assignError;
        adopted.assign(protocol, handle, assignError);
        if (!assignError)
            self->adoptOnStrand(head, rest, std::move(adopted));
    });
    return true;
}

namespace {

// The client's half of an RTSP-over-HTTP tunnel: base64 text on the POST connection,
// decoded group by group and fed into the connection that answers on the GET side.
class CTunnelInput : public std::enable_shared_from_this<CTunnelInput> {
public:
    CTunnelInput(asio::ip::tcp::socket socket, std::weak_ptr<CRtspConnection> target)
        : m_socket(std::move(socket)), m_target(std::move(target)) {}

    void take(const char* data, size_t size)
    {
        for (size_t i = 0; i < size; ++i)
            if (!isspace(static_cast<unsigned char>(data[i])))
                m_text += data[i];
        size_t whole = m_text.size() / 4 * 4;
        std::string raw;
        auto target = m_target.lock();
        if (!target || target->closed() || !Base64Decode(m_text.substr(0, whole), raw)) {
            LogLine("rtsp: closing a tunnel input: " + std::string(target ? "not base64" : "its GET side is gone"));
            asio::error_code ignored;
            m_socket.close(ignored);
            return;
        }
        m_text.erase(0, whole);
        target->feed(raw.data(), raw.size());
    }

    void read()
    {
        m_socket.async_read_some(asio::buffer(m_buffer), [self = shared_from_this()](const asio::error_code& ec,
                                                                                      size_t n) {
            if (ec || !self->m_socket.is_open())
                return;
            self->take(self->m_buffer.data(), n);
            if (self->m_socket.is_open())
                self->read();
        });
    }

private:
    asio::ip::tcp::socket m_socket;
    std::weak_ptr<CRtspConnection> m_target;
    std::string m_text;
    std::array<char, 8192> m_buffer{};
};

} // namespace

void CRtspServer::adoptOnStrand(CHttpRequest head, std::string rest, asio::ip::tcp::socket socket)
{
    if (m_stopped)
        return;
    std::string cookie = head.header("x-sessioncookie");
    if (head.method == "GET") {
        auto connection = std::make_shared<CRtspConnection>(shared_from_this(), std::move(socket), true);
        m_connections.insert(connection);
        m_tunnels[cookie] = connection;
        connection->sendRaw(std::make_shared<const std::string>(
                                "HTTP/1.0 200 OK\r\nServer: onvif-sim\r\nConnection: close\r\n"
                                "Cache-Control: no-store\r\nPragma: no-cache\r\n"
                                "Content-Type: application/x-rtsp-tunnelled\r\n\r\n"),
                            false);
        connection->start();
        return;
    }
    auto it = m_tunnels.find(cookie);
    auto target = it == m_tunnels.end() ? nullptr : it->second.lock();
    if (!target) {
        LogLine("rtsp: a tunnel POST names no open GET (x-sessioncookie " + cookie + ")");
        asio::error_code ignored;
        socket.close(ignored);
        return;
    }
    auto input = std::make_shared<CTunnelInput>(std::move(socket), target);
    input->take(rest.data(), rest.size());
    input->read();
}

void CRtspServer::onClosed(CRtspConnection& connection)
{
    // Media riding on the connection has nowhere to go; UDP sessions live on until they
    // time out or are torn down, as RTSP allows.
    for (const auto& id : std::set<std::string>(connection.sessions())) {
        auto it = m_sessions.find(id);
        if (it != m_sessions.end() && !it->second->tracks.empty() && it->second->tracks.front().interleaved)
            endSession(id, "its connection closed");
    }
    for (auto it = m_tunnels.begin(); it != m_tunnels.end();)
        it = it->second.expired() || it->second.lock().get() == &connection ? m_tunnels.erase(it) : std::next(it);
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it)
        if (it->get() == &connection) {
            // Keep the object alive until this call returns.
            asio::post(m_strand, [keep = *it] {});
            m_connections.erase(it);
            break;
        }
}

// Interleaved RTCP receiver reports count as keep-alive (RFC 2326 section 12.37).
void CRtspServer::onInterleaved(CRtspConnection& connection, uint8_t)
{
    for (const auto& id : connection.sessions()) {
        auto it = m_sessions.find(id);
        if (it != m_sessions.end())
            touch(*it->second);
    }
}

CRtspResponse CRtspServer::handle(CRtspConnection& connection, const CHttpRequest& request)
{
    using THandler = CRtspResponse (CRtspServer::*)(CRtspConnection&, const CHttpRequest&);
    static const std::pair<const char*, THandler> kMethods[] = {
        {"OPTIONS", &CRtspServer::options},       {"DESCRIBE", &CRtspServer::describe},
        {"SETUP", &CRtspServer::setup},           {"PLAY", &CRtspServer::play},
        {"PAUSE", &CRtspServer::pause},           {"TEARDOWN", &CRtspServer::teardown},
        {"GET_PARAMETER", &CRtspServer::keepAlive}, {"SET_PARAMETER", &CRtspServer::keepAlive},
    };
    CRtspResponse response;
    if (request.version != "RTSP/1.0") {
        response.status = 505;
        return response;
    }
    // Replay is offered at the replay addresses only; elsewhere the option is refused
    // (RFC 2326 section 12.32).
    if (request.header("Require").find("onvif-replay") != std::string::npos &&
        UriPathPart(request.target).rfind(kReplayPath, 0) != 0) {
        response.status = 551;
        response.headers.emplace_back("Unsupported", "onvif-replay");
        return response;
    }
    for (const auto& [name, handler] : kMethods) {
        if (request.method != name)
            continue;
        if (request.method != "OPTIONS" && !authorised(request, response))
            return response;
        return (this->*handler)(connection, request);
    }
    response.status = 501;
    return response;
}

std::string CRtspServer::streamUrl(const std::string& profileToken, bool multicast) const
{
    auto lock = m_core->lock();
    std::string error;
    Json::Value model = m_core->state().serviceData["media"];
    if (model.isNull() && !BuildMediaModel(m_core->state().current.raw, model, error))
        return "";
    for (const auto& profile : model["profiles"])
        if (profile["token"].asString() == profileToken)
            return "rtsp://127.0.0.1:" + std::to_string(m_port) +
                   StreamUriPath(model, profile, multicast ? EStreamKind::RtspMulticast : EStreamKind::RtspUnicast);
    return "";
}

} // namespace OnvifSim
