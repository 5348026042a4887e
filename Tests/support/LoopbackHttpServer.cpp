#include "LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

namespace OnvifTest {

namespace {
constexpr size_t kMaxRequestBytes = 4 << 20;

int listenOnLoopback(int& port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
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
} // namespace

HttpReply HttpReply::soap(int status, std::string body)
{
    HttpReply r;
    r.status = status;
    r.reason = status == 200 ? "OK" : status == 400 ? "Bad Request" : status == 401 ? "Unauthorized"
                                                                                     : "Error";
    r.headers.emplace_back("Content-Type", "application/soap+xml; charset=utf-8");
    r.body = std::move(body);
    return r;
}

HttpReply HttpReply::silent()
{
    HttpReply r;
    r.action = Silent;
    return r;
}

HttpReply HttpReply::close()
{
    HttpReply r;
    r.action = Close;
    return r;
}

HttpReply HttpReply::rawBytes(std::string bytes)
{
    HttpReply r;
    r.action = Raw;
    r.raw = std::move(bytes);
    return r;
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : m_handler(std::move(handler))
{
    m_listenFd = listenOnLoopback(m_port);
    if (m_listenFd >= 0)
        m_acceptThread = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    stop();
}

std::string LoopbackHttpServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<HttpRequest> LoopbackHttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

size_t LoopbackHttpServer::requestCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.size();
}

void LoopbackHttpServer::stop()
{
    if (m_stopping.exchange(true))
        return;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int fd : m_openFds)
            ::shutdown(fd, SHUT_RDWR);
        workers.swap(m_workers);
    }
    for (auto& t : workers)
        t.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    m_listenFd = -1;
}

void LoopbackHttpServer::acceptLoop()
{
    while (!m_stopping) {
        pollfd p{m_listenFd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int no = ++m_connections;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_openFds.push_back(fd);
        m_workers.emplace_back([this, fd, no] { serveConnection(fd, no); });
    }
}

// Waits for more bytes in short polls so that stop() is noticed; false when the peer
// closed or the server is stopping.
bool LoopbackHttpServer::receiveMore(int fd, std::string& buffer)
{
    while (!m_stopping) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        char chunk[8192];
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<size_t>(n));
        return true;
    }
    return false;
}

bool LoopbackHttpServer::readRequest(int fd, std::string& buffer, HttpRequest& out)
{
    size_t headerEnd;
    while ((headerEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (buffer.size() > kMaxRequestBytes || !receiveMore(fd, buffer))
            return false;
    }
    out = HttpRequest{};
    std::string head = buffer.substr(0, headerEnd);
    size_t lineEnd = head.find("\r\n");
    std::string requestLine = head.substr(0, lineEnd);
    size_t sp1 = requestLine.find(' '), sp2 = requestLine.rfind(' ');
    if (sp1 == std::string::npos || sp2 == sp1)
        return false;
    out.method = requestLine.substr(0, sp1);
    out.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    for (size_t pos = lineEnd; pos != std::string::npos && pos < head.size();) {
        size_t next = head.find("\r\n", pos + 2);
        std::string line = head.substr(pos + 2, next == std::string::npos ? std::string::npos : next - pos - 2);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            size_t v = line.find_first_not_of(' ', colon + 1);
            std::string key = lower(line.substr(0, colon));
            std::string value = v == std::string::npos ? "" : line.substr(v);
            // Repeated headers are joined, as HTTP allows for list-valued ones.
            out.headers[key] = out.headers.count(key) ? out.headers[key] + ", " + value : value;
        }
        pos = next;
    }
    size_t length = std::strtoul(out.header("content-length").c_str(), nullptr, 10);
    if (length > kMaxRequestBytes)
        return false;
    size_t bodyStart = headerEnd + 4;
    while (buffer.size() < bodyStart + length) {
        if (!receiveMore(fd, buffer))
            return false;
    }
    out.body = buffer.substr(bodyStart, length);
    buffer.erase(0, bodyStart + length);
    return true;
}

void LoopbackHttpServer::sendAll(int fd, const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

HttpReply HttpReply::trickle(std::string head, std::string repeated, int intervalMs)
{
    HttpReply r;
    r.action = Trickle;
    r.raw = std::move(head);
    r.body = std::move(repeated);
    r.trickleMs = intervalMs > 0 ? intervalMs : 1;
    return r;
}

void LoopbackHttpServer::trickle(int fd, const HttpReply& reply)
{
    if (reply.body.empty())
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    char sink[512];
    for (size_t i = 0; !m_stopping && std::chrono::steady_clock::now() < deadline; ++i) {
        const char next = i < reply.raw.size() ? reply.raw[i] : reply.body[(i - reply.raw.size()) % reply.body.size()];
        if (::send(fd, &next, 1, MSG_NOSIGNAL) != 1)
            return;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, reply.trickleMs) > 0 && ::recv(fd, sink, sizeof sink, 0) <= 0)
            return; // the client gave up
    }
}

void LoopbackHttpServer::serveConnection(int fd, int connectionNo)
{
    std::string buffer;
    HttpRequest request;
    while (!m_stopping && readRequest(fd, buffer, request)) {
        request.connection = connectionNo;
        size_t index;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            index = m_requests.size();
            m_requests.push_back(request);
        }
        HttpReply reply = m_handler(request, index);
        if (reply.action == HttpReply::Silent) {
            // Hold the connection without a word until the client gives up or we stop.
            char sink[512];
            for (;;) {
                pollfd p{fd, POLLIN, 0};
                if (m_stopping)
                    break;
                if (::poll(&p, 1, 50) > 0 && ::recv(fd, sink, sizeof sink, 0) <= 0)
                    break;
            }
            break;
        }
        if (reply.action == HttpReply::Close)
            break;
        if (reply.action == HttpReply::Raw) {
            sendAll(fd, reply.raw);
            break;
        }
        if (reply.action == HttpReply::Trickle) {
            trickle(fd, reply);
            break;
        }
        std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
        for (const auto& h : reply.headers)
            out += h.first + ": " + h.second + "\r\n";
        out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n" + reply.body;
        sendAll(fd, out);
    }
    ::shutdown(fd, SHUT_RDWR);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openFds.erase(std::remove(m_openFds.begin(), m_openFds.end(), fd), m_openFds.end());
    ::close(fd);
}

int closedLoopbackPort()
{
    int port = 0;
    int fd = listenOnLoopback(port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

} // namespace OnvifTest
