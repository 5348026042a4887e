#include "RtspScriptedServer.h"

#include "Packaging/NativeFrame.h"
#include "Stream/Media/SvrMediaFrame.h"
#include "Utils/Base64.h"

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

namespace OnvifTest {

namespace {

const size_t kMaxBuffer = 1 << 20;

int bindLoopback(int type, int& port)
{
    int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0
        || (type == SOCK_STREAM && ::listen(fd, 64) != 0)
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(addr.sin_port);
    return fd;
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// Parses one request at the start of buffer; 0 when incomplete, else its length.
size_t parseRequest(const std::string& buffer, RtspRequest& out)
{
    size_t end = buffer.find("\r\n\r\n");
    if (end == std::string::npos)
        return 0;
    std::string head = buffer.substr(0, end);
    size_t eol = head.find("\r\n");
    std::string line = head.substr(0, eol);
    size_t sp1 = line.find(' ');
    size_t sp2 = line.rfind(' ');
    out = RtspRequest();
    out.method = line.substr(0, sp1);
    out.url = sp1 == std::string::npos || sp2 <= sp1 ? std::string() : line.substr(sp1 + 1, sp2 - sp1 - 1);
    out.protocol = sp2 == std::string::npos ? std::string() : line.substr(sp2 + 1);
    size_t pos = eol == std::string::npos ? head.size() : eol + 2;
    while (pos < head.size()) {
        size_t next = head.find("\r\n", pos);
        std::string h = head.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
        pos = next == std::string::npos ? head.size() : next + 2;
        size_t colon = h.find(':');
        if (colon != std::string::npos)
            out.headers[lower(trim(h.substr(0, colon)))] = trim(h.substr(colon + 1));
    }
    size_t bodyLen = 0;
    auto cl = out.headers.find("content-length");
    bool tunnelPost = out.method == "POST" && out.protocol.compare(0, 5, "HTTP/") == 0;
    if (cl != out.headers.end() && !tunnelPost)
        bodyLen = static_cast<size_t>(atol(cl->second.c_str()));
    if (buffer.size() < end + 4 + bodyLen)
        return 0;
    out.body = buffer.substr(end + 4, bodyLen);
    return end + 4 + bodyLen;
}

// A TLS server context with a fresh self-signed P-256 certificate for "127.0.0.1".
SSL_CTX* makeTlsContext()
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    bool ok = key && cert && ctx;
    if (ok) {
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), -60);
        X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                                   -1, -1, 0);
        X509_set_issuer_name(cert, name);
        ok = X509_sign(cert, key, EVP_sha256()) > 0 && SSL_CTX_use_certificate(ctx, cert) == 1
            && SSL_CTX_use_PrivateKey(ctx, key) == 1;
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    if (!ok && ctx) {
        SSL_CTX_free(ctx);
        ctx = nullptr;
    }
    return ctx;
}

} // namespace

struct RtspScriptedServer::Conn {
    int fd = -1;
    int number = 0;
    bool tunnelPost = false;   // the bytes are base64 RTSP requests
    std::string base64;        // undecoded rest (less than a group)
};

RtspReply RtspReply::status_(int code, const std::string& reason)
{
    RtspReply r;
    r.status = code;
    r.reason = reason;
    return r;
}

RtspReply RtspReply::silent()
{
    RtspReply r;
    r.action = Silent;
    return r;
}

RtspReply RtspReply::close()
{
    RtspReply r;
    r.action = Close;
    return r;
}

RtspReply RtspReply::rawBytes(std::string bytes)
{
    RtspReply r;
    r.action = Raw;
    r.raw = std::move(bytes);
    return r;
}

RtspScriptedServer::RtspScriptedServer(Handler handler, bool tls) : m_handler(std::move(handler))
{
    if (tls) {
        // OpenSSL writes with plain write(): a client that hung up must not kill the tests.
        ::signal(SIGPIPE, SIG_IGN);
        m_tlsContext = makeTlsContext();
    }
    m_listenFd = bindLoopback(SOCK_STREAM, m_port);
    for (int i = 0; i < 2; ++i)
        m_udpFds[i] = bindLoopback(SOCK_DGRAM, m_udpPorts[i]);
    m_acceptThread = std::thread([this] { acceptLoop(); });
    for (int i = 0; i < 2; ++i)
        m_udpThreads[i] = std::thread([this, i] { udpLoop(i); });
}

RtspScriptedServer::~RtspScriptedServer()
{
    stop();
}

std::string RtspScriptedServer::url(const std::string& path) const
{
    return "rtsp://127.0.0.1:" + std::to_string(m_port) + path;
}

void RtspScriptedServer::stop()
{
    if (m_stopping.exchange(true))
        return;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    for (auto& t : m_udpThreads)
        if (t.joinable())
            t.join();
    dropConnections();
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        workers.swap(m_workers);
    }
    for (auto& t : workers)
        t.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    for (int fd : m_udpFds)
        if (fd >= 0)
            ::close(fd);
    if (m_tlsContext)
        SSL_CTX_free(static_cast<SSL_CTX*>(m_tlsContext));
}

void RtspScriptedServer::acceptLoop()
{
    while (!m_stopping.load()) {
        pollfd p{m_listenFd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int number = ++m_connections;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_openFds.push_back(fd);
        m_dataFd = fd;
        m_workers.emplace_back([this, fd, number] { serve(fd, number); });
    }
}

void RtspScriptedServer::udpLoop(int index)
{
    char buf[65536];
    while (!m_stopping.load() && m_udpFds[index] >= 0) {
        pollfd p{m_udpFds[index], POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        ssize_t n = ::recv(m_udpFds[index], buf, sizeof buf, 0);
        if (n < 0)
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        RtspClientPacket packet;
        packet.rtcpPort = index == 1;
        packet.bytes.assign(buf, static_cast<size_t>(n));
        m_clientPackets.push_back(packet);
        m_changed.notify_all();
    }
}

ssize_t RtspScriptedServer::receive(int fd, char* buf, size_t size)
{
    SSL* ssl = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_writeMutex);
        auto it = m_tlsSessions.find(fd);
        if (it != m_tlsSessions.end())
            ssl = static_cast<SSL*>(it->second);
    }
    if (!ssl)
        return ::recv(fd, buf, size, 0);
    // Reads and writes of one TLS session must not overlap: the write lock serialises them.
    // The socket is non-blocking for TLS, so a read that finds nothing returns at once.
    std::lock_guard<std::mutex> lock(m_writeMutex);
    int n = SSL_read(ssl, buf, static_cast<int>(size));
    if (n > 0)
        return n;
    int err = SSL_get_error(ssl, n);
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
        errno = EAGAIN;
        return -1;
    }
    return 0;
}

bool RtspScriptedServer::writeAll(int fd, const std::string& data)
{
    std::lock_guard<std::mutex> lock(m_writeMutex);
    auto tls = m_tlsSessions.find(fd);
    if (tls != m_tlsSessions.end()) {
        SSL* ssl = static_cast<SSL*>(tls->second);
        size_t off = 0;
        for (int spins = 0; off < data.size() && spins < 100000; ++spins) {
            int n = SSL_write(ssl, data.data() + off, static_cast<int>(data.size() - off));
            if (n > 0) {
                off += static_cast<size_t>(n);
                continue;
            }
            int err = SSL_get_error(ssl, n);
            if (err != SSL_ERROR_WANT_WRITE && err != SSL_ERROR_WANT_READ)
                return false;
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
        return off == data.size();
    }
    size_t off = 0;
    while (off < data.size()) {
        ssize_t n = ::send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

void RtspScriptedServer::serve(int fd, int number)
{
    Conn conn;
    conn.fd = fd;
    conn.number = number;
    std::string buffer;
    char chunk[16384];
    int replyFd = fd;
    bool alive = true;
    if (m_tlsContext) {
        SSL* ssl = SSL_new(static_cast<SSL_CTX*>(m_tlsContext));
        SSL_set_fd(ssl, fd);
        timeval tv{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        if (SSL_accept(ssl) != 1) {
            SSL_free(ssl);
            ssl = nullptr;
        } else {
            int flags = fcntl(fd, F_GETFL);
            fcntl(fd, F_SETFL, flags | O_NONBLOCK);
            std::lock_guard<std::mutex> lock(m_writeMutex);
            m_tlsSessions[fd] = ssl;
        }
        alive = ssl != nullptr;
    }
    while (alive && !m_stopping.load()) {
        bool pending = false;
        {
            std::lock_guard<std::mutex> lock(m_writeMutex);
            auto it = m_tlsSessions.find(fd);
            pending = it != m_tlsSessions.end() && SSL_pending(static_cast<SSL*>(it->second)) > 0;
        }
        if (!pending) {
            pollfd p{fd, POLLIN, 0};
            int r = ::poll(&p, 1, 50);
            if (r == 0)
                continue;
            if (r < 0)
                break;
        }
        ssize_t n = receive(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EAGAIN)
            continue;
        if (n <= 0)
            break;
        if (conn.tunnelPost)
            conn.base64.append(chunk, static_cast<size_t>(n));
        else
            buffer.append(chunk, static_cast<size_t>(n));
        bool ok = true;
        // Twice at most: the POST header's own batch may already carry base64 requests.
        for (int round = 0; round < 2 && ok; ++round) {
            bool wasPost = conn.tunnelPost;
            if (conn.tunnelPost) {
                size_t whole = conn.base64.size() / 4 * 4;
                for (size_t i = 0; i < whole; i += 4) {
                    std::string decoded;
                    if (Zentar::Utils::base64Decode(conn.base64.data() + i, 4, decoded))
                        buffer += decoded;
                }
                conn.base64.erase(0, whole);
                std::lock_guard<std::mutex> lock(m_mutex);
                replyFd = m_dataFd; // the GET half of the same cookie
            }
            if (buffer.size() > kMaxBuffer)
                ok = false;
            else
                ok = handleRtsp(conn, buffer, replyFd);
            if (wasPost == conn.tunnelPost)
                break;
        }
        if (!ok)
            break;
    }
    {
        std::lock_guard<std::mutex> lock(m_writeMutex);
        auto tls = m_tlsSessions.find(fd);
        if (tls != m_tlsSessions.end()) {
            SSL_free(static_cast<SSL*>(tls->second));
            m_tlsSessions.erase(tls);
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find(m_openFds.begin(), m_openFds.end(), fd);
    if (it != m_openFds.end()) {
        m_openFds.erase(it);
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
    }
    if (m_dataFd == fd)
        m_dataFd = -1;
}

bool RtspScriptedServer::handleRtsp(Conn& conn, std::string& buffer, int replyFd)
{
    while (!buffer.empty()) {
        if (buffer[0] == '$') {
            if (buffer.size() < 4)
                return true;
            size_t len = (static_cast<uint8_t>(buffer[2]) << 8) | static_cast<uint8_t>(buffer[3]);
            if (buffer.size() < 4 + len)
                return true;
            std::lock_guard<std::mutex> lock(m_mutex);
            RtspClientPacket packet;
            packet.channel = static_cast<uint8_t>(buffer[1]);
            packet.bytes = buffer.substr(4, len);
            m_clientPackets.push_back(packet);
            buffer.erase(0, 4 + len);
            m_changed.notify_all();
            continue;
        }
        RtspRequest request;
        size_t used = parseRequest(buffer, request);
        if (used == 0)
            return true;
        buffer.erase(0, used);
        request.connection = conn.number;
        size_t index;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            index = m_requests.size();
            m_requests.push_back(request);
            m_changed.notify_all();
        }
        bool http = request.protocol.compare(0, 5, "HTTP/") == 0;
        std::string cookie = request.header("x-sessioncookie");
        if (http && request.method == "POST") {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_tunnelGetFds.find(cookie);
            if (it == m_tunnelGetFds.end())
                return false;
            conn.tunnelPost = true;
            m_dataFd = it->second;
            // What followed the POST header is already base64.
            conn.base64 = buffer;
            buffer.clear();
            return true;
        }
        RtspReply reply = m_handler(request, index);
        if (reply.action == RtspReply::Close)
            return false;
        if (reply.action == RtspReply::Silent)
            continue;
        if (reply.action == RtspReply::Raw) {
            writeAll(replyFd, reply.raw);
            continue;
        }
        std::string text = (http ? "HTTP/1.0 " : "RTSP/1.0 ") + std::to_string(reply.status) + " " + reply.reason
            + "\r\n";
        if (!http && reply.echoCSeq)
            text += "CSeq: " + request.header("cseq") + "\r\n";
        for (const auto& h : reply.headers)
            text += h.first + ": " + h.second + "\r\n";
        if (!reply.body.empty())
            text += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
        text += "\r\n" + reply.body;
        if (http && request.method == "GET" && reply.status == 200) {
            // Known before the answer goes: the client sends its POST as soon as it reads it.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_tunnelGetFds[cookie] = conn.fd;
            m_dataFd = conn.fd;
        }
        if (!writeAll(replyFd, text))
            return false;
    }
    return true;
}

std::vector<RtspRequest> RtspScriptedServer::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<std::string> RtspScriptedServer::methods() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    for (const auto& r : m_requests)
        if (r.protocol.compare(0, 5, "RTSP/") == 0)
            out.push_back(r.method);
    return out;
}

size_t RtspScriptedServer::count(const std::string& method) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(std::count_if(m_requests.begin(), m_requests.end(),
                                             [&](const RtspRequest& r) { return r.method == method; }));
}

bool RtspScriptedServer::waitFor(const std::string& method, size_t n, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return static_cast<size_t>(std::count_if(m_requests.begin(), m_requests.end(),
                                                 [&](const RtspRequest& r) { return r.method == method; }))
            >= n;
    });
}

std::vector<RtspClientPacket> RtspScriptedServer::clientPackets() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_clientPackets;
}

bool RtspScriptedServer::waitForClientPacket(int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !m_clientPackets.empty(); });
}

bool RtspScriptedServer::sendInterleaved(uint8_t channel, const std::string& data)
{
    std::string frame;
    frame += '$';
    frame += static_cast<char>(channel);
    frame += static_cast<char>(data.size() >> 8);
    frame += static_cast<char>(data.size() & 0xFF);
    return sendRaw(frame + data);
}

bool RtspScriptedServer::sendRaw(const std::string& bytes)
{
    int fd;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        fd = m_dataFd;
    }
    return fd >= 0 && writeAll(fd, bytes);
}

bool RtspScriptedServer::sendUdp(int port, const std::string& data)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return ::sendto(m_udpFds[0], data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr)
        == static_cast<ssize_t>(data.size());
}

bool RtspScriptedServer::sendMulticast(const std::string& group, int port, const std::string& data)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    in_addr loopback{};
    loopback.s_addr = htonl(INADDR_LOOPBACK);
    unsigned char ttl = 0, loop = 1;
    bool ok = ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback) == 0
        && ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) == 0
        && ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) == 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    ok = ok && ::inet_pton(AF_INET, group.c_str(), &addr.sin_addr) == 1
        && ::sendto(fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr)
            == static_cast<ssize_t>(data.size());
    ::close(fd);
    return ok;
}

void RtspScriptedServer::dropConnections()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int fd : m_openFds)
        ::shutdown(fd, SHUT_RDWR);
}

RtspReply RtspScriptedServer::deviceAnswer(const RtspRequest& request, const std::string& sdp, int sessionTimeout,
                                           int serverRtpPort, int serverRtcpPort)
{
    RtspReply reply;
    const std::string session = "s1;timeout=" + std::to_string(sessionTimeout);
    if (request.method == "OPTIONS") {
        reply.with("Public", "OPTIONS, DESCRIBE, SETUP, PLAY, PAUSE, TEARDOWN, GET_PARAMETER, SET_PARAMETER");
    } else if (request.method == "DESCRIBE") {
        reply.with("Content-Type", "application/sdp").with("Content-Base", request.url + "/");
        reply.body = sdp;
    } else if (request.method == "SETUP") {
        std::string t = request.header("transport");
        if (t.find("client_port=") != std::string::npos)
            t += ";server_port=" + std::to_string(serverRtpPort) + "-" + std::to_string(serverRtcpPort);
        reply.with("Transport", t).with("Session", session);
    } else if (request.method == "PLAY" || request.method == "PAUSE" || request.method == "GET_PARAMETER"
               || request.method == "SET_PARAMETER" || request.method == "TEARDOWN") {
        reply.with("Session", session);
    } else {
        reply = RtspReply::status_(501, "Not Implemented");
    }
    return reply;
}

RtspClientProbe::RtspClientProbe(int kind, uint32_t answerMs, uint32_t dataMs)
    : m_session(Zentar::StreamApp::CRtspClientSession::create(kind, true))
{
    if (!m_session)
        return;
    Zentar::StreamApp::CRtspTimeouts t;
    t.connectMs = answerMs;
    t.answerMs = answerMs;
    t.dataMs = dataMs;
    m_session->setConfig(Zentar::StreamApp::kRtspCfgTimeouts, &t, sizeof t);
    m_session->attachDataProc(0, [this](int media, Zentar::StreamSvr::CMediaFrame& frame) {
        Frame f;
        f.media = media;
        f.frameType = frame.getFrameType();
        RPC::CNativeFrameView view;
        const auto& packet = frame.getPacket();
        if (RPC::readNativeFrame(packet.getBuffer(), packet.size(), view) == RPC::ENativeFrameError::None)
            f.payload.assign(reinterpret_cast<const char*>(view.payload), view.payloadLen);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.push_back(f);
        m_changed.notify_all();
    });
}

RtspClientProbe::~RtspClientProbe()
{
    Close(); // no delivery may reach the members destroyed below
    if (m_session) {
        m_session->detachDataProc(0);
        m_session->close();
    }
}

int RtspClientProbe::start(const std::string& url, bool tls)
{
    if (!tls)
        return m_session->init(url, GetID(), 0, true, nullptr);
    return m_session->init(url, GetID(), 0, true, nullptr, Zentar::StreamApp::CRtspClientSession::kSocketTls,
                           nullptr, nullptr);
}

int RtspClientProbe::handle_message(long sender, int type, long attach)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(Message{sender, type, attach});
    m_changed.notify_all();
    return 0;
}

std::vector<RtspClientProbe::Message> RtspClientProbe::messages() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

bool RtspClientProbe::waitMessage(int type, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (const auto& m : m_messages)
            if (m.type == type)
                return true;
        return false;
    });
}

int RtspClientProbe::waitEither(int type, int otherType, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    int found = 0;
    m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (const auto& m : m_messages)
            if (m.type == type || m.type == otherType) {
                found = m.type;
                return true;
            }
        return false;
    });
    return found;
}

long RtspClientProbe::errorCode() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& m : m_messages)
        if (m.type == Zentar::StreamApp::kRtspMsgError)
            return m.attach;
    return 0;
}

size_t RtspClientProbe::countMessages(int type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(std::count_if(m_messages.begin(), m_messages.end(),
                                             [&](const Message& m) { return m.type == type; }));
}

std::vector<RtspClientProbe::Frame> RtspClientProbe::frames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}

bool RtspClientProbe::waitFrames(size_t n, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_frames.size() >= n; });
}

std::string makeRtp(uint8_t payloadType, uint16_t seq, uint32_t timestamp, uint32_t ssrc, bool marker,
                    const std::string& payload)
{
    std::string p(12, '\0');
    p[0] = static_cast<char>(0x80);
    p[1] = static_cast<char>((marker ? 0x80 : 0) | (payloadType & 0x7F));
    p[2] = static_cast<char>(seq >> 8);
    p[3] = static_cast<char>(seq & 0xFF);
    for (int i = 0; i < 4; ++i) {
        p[4 + i] = static_cast<char>(timestamp >> (24 - 8 * i));
        p[8 + i] = static_cast<char>(ssrc >> (24 - 8 * i));
    }
    return p + payload;
}

} // namespace OnvifTest
