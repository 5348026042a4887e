#include "RtspTestClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <chrono>
#include <cstring>

namespace SimTest {
namespace {

using CClock = std::chrono::steady_clock;

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Base64(const std::string& raw)
{
    std::string out(4 * ((raw.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                            reinterpret_cast<const unsigned char*>(raw.data()), static_cast<int>(raw.size()));
    out.resize(n);
    return out;
}

// key="value" or key=value from a challenge.
std::string Param(const std::string& challenge, const std::string& key)
{
    size_t pos = Lower(challenge).find(key + "=");
    if (pos == std::string::npos)
        return "";
    pos += key.size() + 1;
    if (challenge[pos] == '"')
        return challenge.substr(pos + 1, challenge.find('"', pos + 1) - pos - 1);
    return challenge.substr(pos, challenge.find_first_of(", ", pos) - pos);
}

int Connect(unsigned short port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

bool Readable(int fd, int waitMs)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, std::max(0, waitMs)) > 0;
}

int Remaining(CClock::time_point end)
{
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - CClock::now()).count());
}

} // namespace

std::string Md5Hex(const std::string& text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < size; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

std::string CRtspReply::header(const std::string& name) const
{
    auto it = headers.find(Lower(name));
    return it == headers.end() ? "" : it->second;
}

std::string CRtspReply::session() const
{
    std::string s = header("Session");
    return s.substr(0, s.find(';'));
}

bool ParseRtp(const std::string& bytes, CRtpPacket& out)
{
    if (bytes.size() < 12)
        return false;
    auto b = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    out.version = b(0) >> 6;
    out.marker = (b(1) & 0x80) != 0;
    out.payloadType = b(1) & 0x7F;
    out.sequence = static_cast<uint16_t>((b(2) << 8) | b(3));
    out.timestamp = (uint32_t(b(4)) << 24) | (b(5) << 16) | (b(6) << 8) | b(7);
    out.ssrc = (uint32_t(b(8)) << 24) | (b(9) << 16) | (b(10) << 8) | b(11);
    out.payload = bytes.substr(12 + 4 * (b(0) & 0x0F));
    return true;
}

CRtspTestClient::~CRtspTestClient() { close(); }

void CRtspTestClient::close()
{
    for (int* fd : {&m_fd, &m_postFd})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

bool CRtspTestClient::connect(unsigned short port)
{
    close();
    m_fd = Connect(port);
    return m_fd >= 0;
}

bool CRtspTestClient::connectTunnel(unsigned short httpPort, const std::string& path)
{
    close();
    const std::string cookie = "simtest" + std::to_string(CClock::now().time_since_epoch().count() % 100000000);
    m_fd = Connect(httpPort);
    if (m_fd < 0 || !sendAll("GET " + path + " HTTP/1.0\r\nx-sessioncookie: " + cookie +
                             "\r\nAccept: application/x-rtsp-tunnelled\r\nPragma: no-cache\r\n\r\n"))
        return false;
    auto end = CClock::now() + std::chrono::seconds(5);
    while (m_in.find("\r\n\r\n") == std::string::npos)
        if (Remaining(end) <= 0 || !fill(Remaining(end)))
            return false;
    bool ok = m_in.rfind("HTTP/1.0 200", 0) == 0 || m_in.rfind("HTTP/1.1 200", 0) == 0;
    m_in.erase(0, m_in.find("\r\n\r\n") + 4);
    m_postFd = Connect(httpPort);
    std::string post = "POST " + path + " HTTP/1.0\r\nx-sessioncookie: " + cookie +
                       "\r\nContent-Type: application/x-rtsp-tunnelled\r\nContent-Length: 32767\r\n\r\n";
    return ok && m_postFd >= 0 && ::send(m_postFd, post.data(), post.size(), MSG_NOSIGNAL) == ssize_t(post.size());
}

void CRtspTestClient::setCredentials(const std::string& user, const std::string& password, bool preferBasic)
{
    m_user = user;
    m_password = password;
    m_preferBasic = preferBasic;
}

bool CRtspTestClient::sendAll(const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool CRtspTestClient::fill(int waitMs)
{
    if (m_fd < 0 || !Readable(m_fd, waitMs))
        return false;
    char buffer[65536];
    ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_in.append(buffer, static_cast<size_t>(n));
    return true;
}

bool CRtspTestClient::takeFrame(uint8_t& channel, std::string& frame)
{
    if (m_in.size() < 4 || m_in[0] != '$')
        return false;
    size_t length = (static_cast<uint8_t>(m_in[2]) << 8) | static_cast<uint8_t>(m_in[3]);
    if (m_in.size() < 4 + length)
        return false;
    channel = static_cast<uint8_t>(m_in[1]);
    frame = m_in.substr(4, length);
    m_in.erase(0, 4 + length);
    return true;
}

bool CRtspTestClient::takeReply(CRtspReply& out)
{
    for (;;) {
        uint8_t channel = 0;
        std::string frame;
        if (takeFrame(channel, frame)) {
            m_frames.emplace_back(channel, frame);
            continue;
        }
        if (m_in.empty() || m_in[0] == '$')
            return false;
        if (m_in.compare(0, std::min<size_t>(m_in.size(), 5), std::string("RTSP/").substr(0, std::min<size_t>(m_in.size(), 5))) != 0) {
            m_garbage = true;
            m_in.erase(0, 1);
            continue;
        }
        size_t end = m_in.find("\r\n\r\n");
        if (end == std::string::npos)
            return false;
        CRtspReply reply;
        reply.status = std::atoi(m_in.substr(9, 3).c_str());
        size_t pos = m_in.find("\r\n") + 2;
        while (pos < end) {
            size_t next = m_in.find("\r\n", pos);
            std::string line = m_in.substr(pos, next - pos);
            size_t colon = line.find(':');
            if (colon != std::string::npos) {
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(' '));
                std::string name = Lower(line.substr(0, colon));
                reply.headers[name] = reply.headers.count(name) ? reply.headers[name] + "\n" + value : value;
            }
            pos = next + 2;
        }
        size_t length = std::strtoul(reply.header("Content-Length").c_str(), nullptr, 10);
        if (m_in.size() < end + 4 + length)
            return false;
        reply.body = m_in.substr(end + 4, length);
        m_in.erase(0, end + 4 + length);
        out = std::move(reply);
        return true;
    }
}

std::string CRtspTestClient::authorization(const std::string& method, const std::string& url)
{
    if (m_challenge.empty())
        return "";
    if (Lower(m_challenge).rfind("basic", 0) == 0)
        return "Basic " + Base64(m_user + ":" + m_password);
    std::string realm = Param(m_challenge, "realm"), nonce = Param(m_challenge, "nonce");
    char nc[9];
    std::snprintf(nc, sizeof nc, "%08x", ++m_nc);
    std::string cnonce = "0a4f113b";
    std::string ha1 = Md5Hex(m_user + ":" + realm + ":" + m_password);
    std::string ha2 = Md5Hex(method + ":" + url);
    std::string response = Md5Hex(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":auth:" + ha2);
    return "Digest username=\"" + m_user + "\", realm=\"" + realm + "\", nonce=\"" + nonce + "\", uri=\"" + url +
           "\", response=\"" + response + "\", qop=auth, nc=" + nc + ", cnonce=\"" + cnonce + "\", opaque=\"" +
           Param(m_challenge, "opaque") + "\", algorithm=MD5";
}

CRtspReply CRtspTestClient::request(const std::string& method, const std::string& url,
                                    const std::vector<std::pair<std::string, std::string>>& headers,
                                    const std::string& body)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string text = method + " " + url + " RTSP/1.0\r\nCSeq: " + std::to_string(++m_cseq) + "\r\n";
        m_lastAuthorization = authorization(method, url);
        if (!m_lastAuthorization.empty())
            text += "Authorization: " + m_lastAuthorization + "\r\n";
        for (const auto& [name, value] : headers)
            text += name + ": " + value + "\r\n";
        if (!body.empty())
            text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        text += "\r\n" + body;
        bool sent = m_postFd >= 0
            ? ::send(m_postFd, Base64(text).data(), Base64(text).size(), MSG_NOSIGNAL) > 0
            : sendAll(text);
        CRtspReply reply;
        auto end = CClock::now() + std::chrono::seconds(5);
        while (sent && !takeReply(reply) && Remaining(end) > 0 && fill(Remaining(end))) {
        }
        if (reply.status != 401 || m_user.empty() || attempt == 1)
            return reply;
        // Take the offered scheme we prefer; challenges arrive joined by '\n'.
        std::string all = reply.header("WWW-Authenticate") + "\n";
        m_challenge.clear();
        for (size_t pos = 0, next; (next = all.find('\n', pos)) != std::string::npos; pos = next + 1) {
            std::string one = all.substr(pos, next - pos);
            bool basic = Lower(one).rfind("basic", 0) == 0;
            if (m_challenge.empty() || basic == m_preferBasic)
                m_challenge = one;
        }
        m_nc = 0;
    }
    return {};
}

bool CRtspTestClient::readFrame(uint8_t& channel, std::string& frame, int waitMs)
{
    auto end = CClock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (!m_frames.empty()) {
            channel = m_frames.front().first;
            frame = m_frames.front().second;
            m_frames.erase(m_frames.begin());
            return true;
        }
        if (takeFrame(channel, frame))
            return true;
        CRtspReply stray;
        if (!m_in.empty() && m_in[0] != '$' && takeReply(stray))
            continue;
        if (Remaining(end) <= 0 || !fill(Remaining(end)))
            return false;
    }
}

bool CRtspTestClient::waitClosed(int waitMs)
{
    auto end = CClock::now() + std::chrono::milliseconds(waitMs);
    while (m_fd >= 0 && Remaining(end) > 0) {
        fill(Remaining(end));
        m_in.clear();
    }
    return m_fd < 0;
}

std::string CRtspTestClient::readRaw(int waitMs)
{
    fill(waitMs);
    std::string out = std::move(m_in);
    m_in.clear();
    return out;
}

CUdpReceiver::~CUdpReceiver()
{
    for (int fd : m_fd)
        if (fd >= 0)
            ::close(fd);
}

bool CUdpReceiver::bindPair()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        for (int& fd : m_fd)
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_fd[0] = socket(AF_INET, SOCK_DGRAM, 0);
        socklen_t size = sizeof addr;
        if (bind(m_fd[0], reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            getsockname(m_fd[0], reinterpret_cast<sockaddr*>(&addr), &size) != 0)
            continue;
        m_port = ntohs(addr.sin_port);
        if (m_port % 2 != 0)
            continue;
        addr.sin_port = htons(static_cast<unsigned short>(m_port + 1));
        m_fd[1] = socket(AF_INET, SOCK_DGRAM, 0);
        if (bind(m_fd[1], reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
            return true;
    }
    return false;
}

bool CUdpReceiver::joinGroup(const std::string& group, unsigned short port, const std::string& interfaceAddress)
{
    for (int i = 0; i < 2; ++i) {
        m_fd[i] = socket(AF_INET, SOCK_DGRAM, 0);
        int on = 1;
        setsockopt(m_fd[i], SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<unsigned short>(port + i));
        inet_pton(AF_INET, group.c_str(), &addr.sin_addr);
        ip_mreq request{};
        inet_pton(AF_INET, group.c_str(), &request.imr_multiaddr);
        inet_pton(AF_INET, interfaceAddress.c_str(), &request.imr_interface);
        if (bind(m_fd[i], reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            setsockopt(m_fd[i], IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0)
            return false;
    }
    m_port = port;
    return true;
}

bool CUdpReceiver::receive(int which, std::string& out, int waitMs)
{
    if (m_fd[which] < 0 || !Readable(m_fd[which], waitMs))
        return false;
    char buffer[65536];
    ssize_t n = ::recv(m_fd[which], buffer, sizeof buffer, 0);
    if (n < 0)
        return false;
    out.assign(buffer, static_cast<size_t>(n));
    return true;
}

} // namespace SimTest
