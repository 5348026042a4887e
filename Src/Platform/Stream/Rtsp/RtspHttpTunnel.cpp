// RTSP tunnelled over HTTP: the server's bytes come on a GET connection, the client's
// requests go base64-encoded on a POST connection with the same x-sessioncookie.
//
//   client                          server
//   GET /path (cookie)      ---->
//                           <----   HTTP/1.0 200 OK ... \r\n\r\n  then RTSP answers and $ frames
//   POST /path (cookie)     ---->   then base64(RTSP request) ... (never answered)
#include "Stream/Rtsp/RtspByteStream.h"

#include "Utils/Base64.h"

#include <openssl/rand.h>

#include <algorithm>
#include <cstring>

namespace Zentar {
namespace StreamApp {

namespace {

const size_t kMaxTunnelHeader = 8192;

std::string makeCookie()
{
    unsigned char bytes[12] = {};
    if (RAND_bytes(bytes, sizeof(bytes)) != 1)
        for (auto& b : bytes)
            b = static_cast<unsigned char>(rand());
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

class CHttpTunnelStream : public IRtspByteStream {
public:
    CHttpTunnelStream(RtspStrand& strand, bool tls, const std::string& path)
        : m_get(makeTcpByteStream(strand, tls)), m_post(makeTcpByteStream(strand, tls)),
          m_path(path.empty() ? "/" : path), m_cookie(makeCookie())
    {
    }

    void connect(const std::string& host, uint16_t port, DoneProc done) override
    {
        m_host = host;
        m_get->connect(host, port, [this, port, done](const std::string& err) {
            if (!err.empty()) {
                done("tunnel GET " + err);
                return;
            }
            auto request = std::make_shared<std::string>(
                "GET " + m_path + " HTTP/1.0\r\nHost: " + m_host + "\r\nx-sessioncookie: " + m_cookie
                + "\r\nAccept: application/x-rtsp-tunnelled\r\nPragma: no-cache\r\n"
                  "Cache-Control: no-cache\r\n\r\n");
            m_get->write(request, [this, port, done](const std::string& err2) {
                if (!err2.empty()) {
                    done("tunnel GET " + err2);
                    return;
                }
                readGetHeader(port, done);
            });
        });
    }

    void read(uint8_t* buf, size_t size, ReadProc done) override
    {
        if (!m_pending.empty()) {
            size_t n = std::min(size, m_pending.size());
            memcpy(buf, m_pending.data(), n);
            m_pending.erase(0, n);
            done(std::string(), n);
            return;
        }
        m_get->read(buf, size, done);
    }

    void write(std::shared_ptr<const std::string> data, DoneProc done) override
    {
        auto encoded = std::make_shared<std::string>(Utils::base64Encode(data->data(), data->size()));
        m_post->write(encoded, done);
    }

    void close() override
    {
        m_get->close();
        m_post->close();
    }

    void setReceiveBuffer(uint32_t bytes) override { m_get->setReceiveBuffer(bytes); }
    std::string localAddress() const override { return m_get->localAddress(); }
    std::string remoteAddress() const override { return m_get->remoteAddress(); }

private:
    // Reads the GET answer's header; what follows it already belongs to the RTSP stream.
    void readGetHeader(uint16_t port, DoneProc done)
    {
        m_get->read(m_chunk, sizeof(m_chunk), [this, port, done](const std::string& err, size_t n) {
            if (!err.empty()) {
                done("tunnel GET answer: " + err);
                return;
            }
            m_pending.append(reinterpret_cast<const char*>(m_chunk), n);
            size_t end = m_pending.find("\r\n\r\n");
            if (end == std::string::npos) {
                if (m_pending.size() > kMaxTunnelHeader) {
                    done("tunnel GET answer header too long");
                    return;
                }
                readGetHeader(port, done);
                return;
            }
            std::string statusLine = m_pending.substr(0, m_pending.find("\r\n"));
            // "HTTP/1.x 200 ..."
            if (statusLine.compare(0, 5, "HTTP/") != 0 || statusLine.size() < 12
                || statusLine.compare(9, 3, "200") != 0) {
                done("tunnel GET refused: '" + statusLine.substr(0, 64) + "'");
                return;
            }
            m_pending.erase(0, end + 4);
            m_post->connect(m_host, port, [this, done](const std::string& err2) {
                if (!err2.empty()) {
                    done("tunnel POST " + err2);
                    return;
                }
                // The length is a formality: the POST body never ends.
                auto request = std::make_shared<std::string>(
                    "POST " + m_path + " HTTP/1.0\r\nHost: " + m_host + "\r\nx-sessioncookie: " + m_cookie
                    + "\r\nContent-Type: application/x-rtsp-tunnelled\r\nPragma: no-cache\r\n"
                      "Cache-Control: no-cache\r\nContent-Length: 32767\r\n"
                      "Expires: Sun, 9 Jan 1972 00:00:00 GMT\r\n\r\n");
                m_post->write(request, done);
            });
        });
    }

    std::unique_ptr<IRtspByteStream> m_get;
    std::unique_ptr<IRtspByteStream> m_post;
    std::string m_path;
    std::string m_cookie;
    std::string m_host;
    std::string m_pending; // bytes after the GET answer's header, not yet read
    uint8_t m_chunk[2048];
};

} // namespace

std::unique_ptr<IRtspByteStream> makeHttpTunnelByteStream(RtspStrand& strand, bool tls,
                                                          const std::string& path)
{
    return std::unique_ptr<IRtspByteStream>(new CHttpTunnelStream(strand, tls, path));
}

} // namespace StreamApp
} // namespace Zentar
