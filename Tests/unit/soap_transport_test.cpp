// CSOAPTransport and call() against a scripted loopback HTTP server: what goes on the wire,
// how every kind of bad answer maps to a result code, HTTP digest, and connection reuse.
#include "SOAPFramework/SOAPCall.h"
#include "SOAPFramework/SOAPCurlShare.h"
#include "SOAPFramework/SOAPMessage.h"
#include "SOAPFramework/SOAPTransport.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace Zentar::SOAPFramework;

namespace {

// ---- a scripted loopback HTTP server --------------------------------------------------------

struct SSeenRequest {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers;   // names lower-cased
    std::string body;
    int connection = 0;   // 1-based accept order

    std::string header(const char* lowerName) const
    {
        const auto it = headers.find(lowerName);
        return it == headers.end() ? std::string() : it->second;
    }
};

struct SAnswer {
    enum Kind {
        Reply,            // send bytes, keep the connection for the next request
        ReplyThenClose,   // send bytes, then close
        Silent,           // keep the connection open and never answer
        Close,            // close without a byte
    };
    Kind kind = Reply;
    std::string bytes;
};

// index: 0-based count of requests the server has seen, over all connections.
using Script = std::function<SAnswer(const SSeenRequest&, size_t index)>;

class CScriptedServer {
public:
    struct SOptions {
        bool ipv6 = false;
        std::string greeting;        // sent on accept, then the connection closes
        bool stopReadingBody = false; // take the request head, then never read again
    };

    explicit CScriptedServer(Script script) : CScriptedServer(std::move(script), SOptions()) {}
    CScriptedServer(Script script, SOptions options)
        : m_script(std::move(script)), m_options(std::move(options))
    {
        if (listenOnLoopback())
            m_acceptThread = std::thread([this] { acceptLoop(); });
    }

    ~CScriptedServer()
    {
        m_stop = true;
        if (m_acceptThread.joinable())
            m_acceptThread.join();
        std::vector<std::thread> threads;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            threads.swap(m_threads);
        }
        for (std::thread& t : threads)
            t.join();
        if (m_listen >= 0)
            close(m_listen);
    }

    bool listening() const { return m_listen >= 0; }
    int port() const { return m_port; }
    int accepts() const { return m_accepts.load(); }
    std::string url(const char* scheme = "http") const
    {
        const std::string host = m_options.ipv6 ? "[::1]" : "127.0.0.1";
        return std::string(scheme) + "://" + host + ":" + std::to_string(m_port) +
               "/onvif/device_service";
    }
    std::vector<SSeenRequest> requests() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_requests;
    }

private:
    static constexpr int kPollMs = 20;
    static constexpr size_t kMaxRequestBytes = 64u * 1024u * 1024u;

    bool listenOnLoopback()
    {
        const int family = m_options.ipv6 ? AF_INET6 : AF_INET;
        m_listen = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_listen < 0)
            return false;
        sockaddr_storage addr{};
        socklen_t len = 0;
        if (m_options.ipv6) {
            auto* a6 = reinterpret_cast<sockaddr_in6*>(&addr);
            a6->sin6_family = AF_INET6;
            a6->sin6_addr = in6addr_loopback;
            len = sizeof(*a6);
        } else {
            auto* a4 = reinterpret_cast<sockaddr_in*>(&addr);
            a4->sin_family = AF_INET;
            a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            len = sizeof(*a4);
        }
        if (bind(m_listen, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            listen(m_listen, 64) != 0 ||
            getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            close(m_listen);
            m_listen = -1;
            return false;
        }
        m_port = ntohs(m_options.ipv6 ? reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port
                                      : reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
        return true;
    }

    bool waitReadable(int fd) const
    {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, kPollMs) > 0;
    }

    void acceptLoop()
    {
        while (!m_stop) {
            if (!waitReadable(m_listen))
                continue;
            const int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            const int connection = ++m_accepts;
            std::lock_guard<std::mutex> guard(m_lock);
            m_threads.emplace_back([this, fd, connection] {
                serve(fd, connection);
                close(fd);
            });
        }
    }

    static bool sendAll(int fd, const std::string& bytes)
    {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    // Reads more bytes into buffer; false once the peer closed or the server stops.
    bool readMore(int fd, std::string& buffer) const
    {
        while (!m_stop) {
            if (!waitReadable(fd))
                continue;
            char chunk[16384];
            const ssize_t n = recv(fd, chunk, sizeof(chunk), 0);
            if (n <= 0)
                return false;
            buffer.append(chunk, static_cast<size_t>(n));
            return buffer.size() <= kMaxRequestBytes;
        }
        return false;
    }

    static void parseHead(const std::string& head, SSeenRequest& out)
    {
        size_t lineEnd = head.find("\r\n");
        const std::string requestLine = head.substr(0, lineEnd);
        const size_t sp1 = requestLine.find(' ');
        const size_t sp2 = requestLine.find(' ', sp1 + 1);
        out.method = requestLine.substr(0, sp1);
        out.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
        while (lineEnd != std::string::npos && lineEnd + 2 < head.size()) {
            const size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            const std::string line = head.substr(start, lineEnd - start);
            const size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(), ::tolower);
            const size_t valueStart = line.find_first_not_of(' ', colon + 1);
            out.headers[name] = valueStart == std::string::npos ? "" : line.substr(valueStart);
        }
    }

    // One whole request (head and Content-Length body) off the connection.
    bool readRequest(int fd, std::string& buffer, SSeenRequest& out)
    {
        size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (!readMore(fd, buffer))
                return false;
        }
        parseHead(buffer.substr(0, headEnd), out);
        const size_t bodyLen = std::strtoul(out.header("content-length").c_str(), nullptr, 10);
        if (m_options.stopReadingBody)
            return true;
        while (buffer.size() < headEnd + 4 + bodyLen) {
            if (!readMore(fd, buffer))
                return false;
        }
        out.body = buffer.substr(headEnd + 4, bodyLen);
        buffer.erase(0, headEnd + 4 + bodyLen);
        return true;
    }

    void idleUntilStop(int fd, bool keepReading) const
    {
        std::string sink;
        while (!m_stop) {
            if (!keepReading) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
                continue;
            }
            sink.clear();
            if (!readMore(fd, sink))
                return;
        }
    }

    void serve(int fd, int connection)
    {
        if (!m_options.greeting.empty()) {
            sendAll(fd, m_options.greeting);
            return;
        }
        std::string buffer;
        for (;;) {
            SSeenRequest request;
            request.connection = connection;
            if (!readRequest(fd, buffer, request))
                return;
            size_t index;
            {
                std::lock_guard<std::mutex> guard(m_lock);
                index = m_requests.size();
                m_requests.push_back(request);
            }
            if (m_options.stopReadingBody)
                return idleUntilStop(fd, false);
            const SAnswer answer = m_script(request, index);
            if (answer.kind == SAnswer::Silent)
                return idleUntilStop(fd, true);
            if (answer.kind == SAnswer::Close)
                return;
            if (!sendAll(fd, answer.bytes) || answer.kind == SAnswer::ReplyThenClose)
                return;
        }
    }

    Script m_script;
    SOptions m_options;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_accepts{0};
    mutable std::mutex m_lock;
    std::vector<SSeenRequest> m_requests;
    std::vector<std::thread> m_threads;
    std::thread m_acceptThread;
};

// ---- canned answers -----------------------------------------------------------------------

const char kOkEnvelope[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\">"
    "<env:Body><tds:GetSystemDateAndTimeResponse xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\">"
    "<tds:Marker>hello</tds:Marker></tds:GetSystemDateAndTimeResponse></env:Body></env:Envelope>";

const char kFaultEnvelope[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"><env:Body><env:Fault>"
    "<env:Code><env:Value>env:Sender</env:Value></env:Code>"
    "<env:Reason><env:Text xml:lang=\"en\">Sender not authorized</env:Text></env:Reason>"
    "</env:Fault></env:Body></env:Envelope>";

const char kMarkerPath[] = "/Envelope/Body/GetSystemDateAndTimeResponse/Marker";
const char kFaultReasonPath[] = "/Envelope/Body/Fault/Reason/Text";

std::string httpAnswer(int status, const char* reason, const std::string& body,
                       const std::string& extraHeaders = "",
                       const char* contentType = "application/soap+xml; charset=utf-8")
{
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " +
           contentType + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           extraHeaders + "\r\n" + body;
}

Script always(SAnswer answer)
{
    return [answer](const SSeenRequest&, size_t) { return answer; };
}

SAnswer reply(std::string bytes, SAnswer::Kind kind = SAnswer::Reply)
{
    SAnswer a;
    a.kind = kind;
    a.bytes = std::move(bytes);
    return a;
}

// A closed loopback port: bound once to learn a free number, then released.
int closedPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

struct SCallResult {
    int returned = -1;
    int error = -1;
    int lastCode = -1;
    std::string marker;
    std::string faultReason;
};

// One call() with a fresh empty SOAP 1.2 request; short time-outs keep failures quick.
SCallResult callOnce(const std::string& url, int recvMs = 5000, int totalMs = 30000,
                     const char* digestUser = nullptr, const char* digestPassword = nullptr)
{
    CSOAPTransport transport(url.c_str());
    transport.setConnectTimeout(5000);
    transport.setRecvTimeout(recvMs);
    transport.setTimeout(totalMs);
    CSOAPMessage request(true, 2, SOAP_MODE_PLAIN);
    if (digestUser != nullptr)
        request.addAuthorization(digestUser, digestPassword, false, 0, nullptr, AUTH_HTTP_DIGEST);
    CSOAPMessage response(nullptr);
    SCallResult r;
    r.returned = call(transport, request, response, &r.error);
    r.lastCode = response.getLastCode();
    if (const char* m = response.getAsCString(kMarkerPath))
        r.marker = m;
    if (const char* f = response.getAsCString(kFaultReasonPath))
        r.faultReason = f;
    return r;
}

// ---- success path -------------------------------------------------------------------------

TEST(SOAPTransportTest, OkAnswerParsesAndServerSawSoapPost)
{
    CScriptedServer server(always(reply(httpAnswer(200, "OK", kOkEnvelope, "X-Device: cam-7\r\n"))));
    ASSERT_TRUE(server.listening());

    CSOAPTransport transport(server.url().c_str());
    EXPECT_EQ(transport.getHTTPHeader("Status"), nullptr);   // nothing exchanged yet
    CSOAPMessage request(true, 2, SOAP_MODE_PLAIN);
    CSOAPMessage response(nullptr);
    int error = -1;
    ASSERT_EQ(call(transport, request, response, &error), 0);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(response.getLastCode(), 0);
    EXPECT_STREQ(response.getAsCString(kMarkerPath), "hello");

    EXPECT_STREQ(transport.getURL(), server.url().c_str());
    EXPECT_EQ(transport.getHttpStatus(), 200);
    EXPECT_STREQ(transport.getHTTPHeader("Status"), "200");
    EXPECT_STREQ(transport.getHTTPHeader("x-DEVICE"), "cam-7");
    EXPECT_EQ(transport.getHTTPHeader("X-Absent"), nullptr);

    std::string sentBody, sentType;
    ASSERT_EQ(request.serialize(sentBody, sentType), 0);
    const auto seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "POST");
    EXPECT_EQ(seen[0].target, "/onvif/device_service");
    EXPECT_EQ(seen[0].header("content-type").rfind("application/soap+xml", 0), 0u)
        << seen[0].header("content-type");
    EXPECT_EQ(seen[0].header("content-length"), std::to_string(sentBody.size()));
    EXPECT_EQ(seen[0].body, sentBody);
    EXPECT_EQ(seen[0].header("expect"), "");   // some device servers never answer 100-continue
    EXPECT_EQ(seen[0].header("host"), "127.0.0.1:" + std::to_string(server.port()));
}

// However the device frames a good answer, it reads the same.
TEST(SOAPTransportTest, AnswerFramingsParse)
{
    const std::string body = kOkEnvelope;
    const size_t half = body.size() / 2;
    auto hex = [](size_t n) {
        char text[24];
        snprintf(text, sizeof(text), "%zx", n);
        return std::string(text);
    };
    const struct {
        const char* what;
        SAnswer answer;
    } kCases[] = {
        {"chunked, with a chunk extension",
         reply("HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml\r\nTransfer-Encoding: chunked\r\n\r\n" +
               hex(half) + "\r\n" + body.substr(0, half) + "\r\n" + hex(body.size() - half) + ";ext=1\r\n" +
               body.substr(half) + "\r\n0\r\n\r\n")},
        {"body ended by closing the connection",
         reply("HTTP/1.0 200 OK\r\nContent-Type: application/soap+xml\r\n\r\n" + body, SAnswer::ReplyThenClose)},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        CScriptedServer server(always(c.answer));
        ASSERT_TRUE(server.listening());
        const SCallResult r = callOnce(server.url());
        EXPECT_EQ(r.returned, 0);
        EXPECT_EQ(r.marker, "hello");
    }
}

TEST(SOAPTransportTest, Ipv6LiteralUrlWorks)
{
    CScriptedServer::SOptions options;
    options.ipv6 = true;
    CScriptedServer server(always(reply(httpAnswer(200, "OK", kOkEnvelope))), options);
    if (!server.listening())
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    const SCallResult r = callOnce(server.url());
    EXPECT_EQ(r.returned, 0);
    EXPECT_EQ(r.marker, "hello");
    const auto seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].header("host"), "[::1]:" + std::to_string(server.port()));
}

// ---- HTTP error statuses ------------------------------------------------------------------

struct SStatusCase {
    const char* what;
    int status;
    const char* reason;
    std::string body;
    const char* contentType;
    const char* expectedFault;   // null: nothing readable expected
    std::string headers = "";
    const char* password = nullptr;   // digest credentials of user "admin"
    size_t requests = 1;
};

TEST(SOAPTransportTest, ErrorStatusGives3AndStatusAsLastCode)
{
    const SStatusCase cases[] = {
        {"fault on 500", 500, "Internal Server Error", kFaultEnvelope, "application/soap+xml",
         "Sender not authorized"},
        {"fault on 400", 400, "Bad Request", kFaultEnvelope, "application/soap+xml",
         "Sender not authorized"},
        {"bare 401", 401, "Unauthorized", "", "text/plain", nullptr},
        {"html 404", 404, "Not Found", "<html><body>nope</body></html>", "text/html", nullptr},
        {"redirect is not followed", 302, "Found", "", "text/plain", nullptr, "Location: /elsewhere\r\n"},
        // One answer to the challenge, then the refusal stands.
        {"wrong digest password", 401, "Unauthorized", "", "text/plain", nullptr,
         "WWW-Authenticate: Digest realm=\"cam\", qop=\"auth\", nonce=\"n1\"\r\n", "wrong", 2},
    };
    for (const SStatusCase& c : cases) {
        SCOPED_TRACE(c.what);
        CScriptedServer server(
            always(reply(httpAnswer(c.status, c.reason, c.body, c.headers, c.contentType))));
        ASSERT_TRUE(server.listening());
        const SCallResult r =
            callOnce(server.url(), 5000, 30000, c.password != nullptr ? "admin" : nullptr, c.password);
        EXPECT_EQ(r.returned, 3);
        EXPECT_EQ(r.error, 3);
        EXPECT_EQ(r.lastCode, c.status);
        EXPECT_EQ(r.faultReason, c.expectedFault != nullptr ? c.expectedFault : "");
        EXPECT_EQ(server.requests().size(), c.requests);
    }
}

// ---- HTTP digest --------------------------------------------------------------------------

std::string md5Hex(const std::string& text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(text.data(), text.size(), digest, &len, EVP_md5(), nullptr);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < len; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0xF];
    }
    return hex;
}

// The parameters of an "Authorization: Digest k=v, k="v"" header.
std::map<std::string, std::string> digestParams(const std::string& header)
{
    std::map<std::string, std::string> params;
    size_t pos = header.find(' ');
    while (pos != std::string::npos && pos < header.size()) {
        pos = header.find_first_not_of(", ", pos);
        const size_t eq = header.find('=', pos);
        if (pos == std::string::npos || eq == std::string::npos)
            break;
        const std::string key = header.substr(pos, eq - pos);
        size_t end;
        if (eq + 1 < header.size() && header[eq + 1] == '"') {
            end = header.find('"', eq + 2);
            params[key] = header.substr(eq + 2, end - eq - 2);
            pos = end == std::string::npos ? end : end + 1;
        } else {
            end = header.find(',', eq + 1);
            params[key] = header.substr(eq + 1, end == std::string::npos ? end : end - eq - 1);
            pos = end;
        }
    }
    return params;
}

TEST(SOAPTransportTest, HttpDigestAnswersChallengeEvenWhenBasicIsOfferedFirst)
{
    const std::string user = "admin", password = "p@ss:word", realm = "IPCam",
                      nonce = "5f1c2b0a9e", uri = "/onvif/device_service";
    std::atomic<bool> authorized{false};
    CScriptedServer server([&](const SSeenRequest& req, size_t) {
        const std::string auth = req.header("authorization");
        if (auth.rfind("Digest ", 0) == 0) {
            auto p = digestParams(auth);
            // RFC 7616 with qop=auth and MD5.
            const std::string ha1 = md5Hex(user + ":" + realm + ":" + password);
            const std::string ha2 = md5Hex("POST:" + uri);
            const std::string expected = md5Hex(ha1 + ":" + nonce + ":" + p["nc"] + ":" +
                                                p["cnonce"] + ":auth:" + ha2);
            if (p["username"] == user && p["realm"] == realm && p["nonce"] == nonce &&
                p["uri"] == uri && p["qop"] == "auth" && !p["cnonce"].empty() &&
                p["response"] == expected) {
                authorized = true;
                return reply(httpAnswer(200, "OK", kOkEnvelope));
            }
        }
        return reply(httpAnswer(401, "Unauthorized", "",
                                "WWW-Authenticate: Basic realm=\"" + realm + "\"\r\n"
                                "WWW-Authenticate: Digest realm=\"" + realm +
                                    "\", qop=\"auth\", nonce=\"" + nonce + "\", algorithm=MD5\r\n",
                                "text/plain"));
    });
    ASSERT_TRUE(server.listening());

    const SCallResult r = callOnce(server.url(), 5000, 30000, user.c_str(), password.c_str());
    EXPECT_EQ(r.returned, 0);
    EXPECT_TRUE(authorized);
    EXPECT_EQ(r.marker, "hello");
    const auto seen = server.requests();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.back().header("authorization").rfind("Digest ", 0), 0u);
    EXPECT_FALSE(seen.back().body.empty());   // the envelope rides on the authorised request
    for (const SSeenRequest& req : seen)
        EXPECT_EQ(req.header("authorization").rfind("Basic", 0), std::string::npos);
}

// ---- no connection ------------------------------------------------------------------------

TEST(SOAPTransportTest, NoConnectionGives2)
{
    // A plain-HTTP device reached with https:// answers the ClientHello with text.
    CScriptedServer::SOptions options;
    options.greeting = "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n";
    CScriptedServer plainHttp(always(SAnswer()), options);
    ASSERT_TRUE(plainHttp.listening());
    const std::pair<const char*, std::string> cases[] = {
        {"refused port", "http://127.0.0.1:" + std::to_string(closedPort()) + "/onvif"},
        {"failed TLS handshake", plainHttp.url("https")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const SCallResult r = callOnce(c.second);
        EXPECT_EQ(r.returned, 2);
        EXPECT_EQ(r.error, 2);
    }
}

// ---- time-outs ----------------------------------------------------------------------------

struct STimeoutCase {
    const char* what;
    SAnswer answer;
    int recvMs;
    int totalMs;
};

TEST(SOAPTransportTest, UnansweredRequestGives7)
{
    const std::string partial =
        "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml\r\nContent-Length: 500\r\n\r\n<env:";
    const STimeoutCase cases[] = {
        {"silent, receive time-out", SAnswer{SAnswer::Silent, ""}, 300, 60000},
        {"silent, total time-out", SAnswer{SAnswer::Silent, ""}, 0, 300},
        {"body stalls midway", reply(partial), 300, 60000},
    };
    for (const STimeoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        CScriptedServer server(always(c.answer));
        ASSERT_TRUE(server.listening());
        const auto start = std::chrono::steady_clock::now();
        const SCallResult r = callOnce(server.url(), c.recvMs, c.totalMs);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(r.returned, 7);
        EXPECT_EQ(r.error, 7);
        ASSERT_EQ(server.requests().size(), 1u);   // the request did get through first
        // Generous: whichever time-out was set fired, not some much later safety net.
        EXPECT_LT(elapsed, std::chrono::seconds(30));
    }
}

TEST(SOAPTransportTest, DeviceNotReadingTheRequestGives1)
{
    CScriptedServer::SOptions options;
    options.stopReadingBody = true;
    CScriptedServer server(always(SAnswer()), options);
    ASSERT_TRUE(server.listening());
    CSOAPTransport transport(server.url().c_str());
    transport.setSendTimeout(300);
    transport.setTimeout(60000);
    // Far more than loopback socket buffers hold, so the upload has to stall.
    const std::string body(64u * 1024u * 1024u, 'x');
    EXPECT_EQ(transport.post(body.data(), body.size(), "application/soap+xml"), 1);
}

// ---- unreadable answers -------------------------------------------------------------------

struct SBadAnswerCase {
    const char* what;
    SAnswer answer;
};

std::string hugeChunkedAnswer()
{
    const std::string chunk(1024u * 1024u, 'a');
    std::string out = "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml\r\n"
                      "Transfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 17; ++i)
        out += "100000\r\n" + chunk + "\r\n";
    return out + "0\r\n\r\n";
}

std::string hugeHeaderAnswer()
{
    std::string out = "HTTP/1.1 200 OK\r\n";
    const std::string filler(1000, 'h');
    for (int i = 0; i < 400; ++i)
        out += "X-Filler-" + std::to_string(i) + ": " + filler + "\r\n";
    return out + "Content-Length: 0\r\n\r\n";
}

TEST(SOAPTransportTest, UnreadableAnswerGives8)
{
    const SBadAnswerCase cases[] = {
        {"not HTTP at all", reply("\x16\x03\x01 garbage \xff\xfe not http\r\n\r\n",
                                  SAnswer::ReplyThenClose)},
        {"200 with a body that is not XML",
         reply(httpAnswer(200, "OK", "this is not xml", "", "text/plain"))},
        {"200 with XML that is no envelope",
         reply(httpAnswer(200, "OK", "<html><body>login</body></html>", "", "text/html"))},
        // Cut short of its Content-Length, then closed: curl reports a partial body.
        {"truncated body",
         reply("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n<env:Envelope",
               SAnswer::ReplyThenClose)},
        {"closed without a byte", SAnswer{SAnswer::Close, ""}},
        {"Content-Length over 16 MiB",
         reply("HTTP/1.1 200 OK\r\nContent-Length: 17000000\r\n\r\n<env:", SAnswer::Reply)},
        {"chunked body over 16 MiB", reply(hugeChunkedAnswer())},
        {"headers over the limit", reply(hugeHeaderAnswer())},
    };
    for (const SBadAnswerCase& c : cases) {
        SCOPED_TRACE(c.what);
        CScriptedServer server(always(c.answer));
        ASSERT_TRUE(server.listening());
        const SCallResult r = callOnce(server.url(), 5000, 30000);
        EXPECT_EQ(r.returned, 8);
        EXPECT_EQ(r.error, 8);
    }
}

// ---- connection reuse ---------------------------------------------------------------------

// Sequential transports to one device share its connection; a device that closes after every
// answer (no keep-alive) gets a new one each time, without the caller noticing.
TEST(SOAPTransportTest, SequentialExchangesReuseTheConnectionWhileTheDeviceKeepsIt)
{
    const struct {
        const char* what;
        SAnswer answer;
        int accepts;
    } kCases[] = {
        {"kept alive", reply(httpAnswer(200, "OK", kOkEnvelope)), 1},
        {"closed by the device",
         reply(httpAnswer(200, "OK", kOkEnvelope, "Connection: close\r\n"), SAnswer::ReplyThenClose), 3},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        CScriptedServer server(always(c.answer));
        ASSERT_TRUE(server.listening());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(callOnce(server.url()).returned, 0) << i;
        EXPECT_EQ(server.accepts(), c.accepts);
        const auto seen = server.requests();
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[2].connection, c.accepts);
    }
}

TEST(SOAPTransportTest, ConcurrentExchangesAllSucceedOnBoundedConnections)
{
    CScriptedServer server(always(reply(httpAnswer(200, "OK", kOkEnvelope))));
    ASSERT_TRUE(server.listening());
    constexpr int kThreads = 8;
    constexpr int kCallsPerThread = 4;
    std::atomic<int> succeeded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kCallsPerThread; ++i) {
                const SCallResult r = callOnce(server.url());
                if (r.returned == 0 && r.marker == "hello")
                    ++succeeded;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(succeeded.load(), kThreads * kCallsPerThread);
    EXPECT_EQ(server.requests().size(), static_cast<size_t>(kThreads * kCallsPerThread));
    // Never more connections than exchanges in flight at once.
    EXPECT_LE(server.accepts(), kThreads);
}

// ---- the session pool ---------------------------------------------------------------------

TEST(SOAPTransportPoolTest, DeviceKeyIsSchemeHostAndPort)
{
    const std::pair<const char*, const char*> cases[] = {
        {"http://192.168.0.5/onvif/device_service", "http://192.168.0.5"},
        {"HTTP://Cam.Local:8080/onvif?x=1", "http://cam.local:8080"},
        {"https://user:pw@10.1.1.1:443/a", "https://10.1.1.1:443"},   // credentials not part of it
        {"http://[::1]:8080/onvif/device_service", "http://[::1]:8080"},
        {"http://[fe80::1%25eth0]/x", "http://[fe80::1%25eth0]"},
        {"http://host?q=/path", "http://host"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CSOAPCurlShare::deviceKeyOf(c.first), c.second) << c.first;
}

TEST(SOAPTransportPoolTest, IdleSessionsAreBoundedPerDeviceAndInTotal)
{
    CSOAPCurlShare& pool = CSOAPCurlShare::instance();
    // A device name no other test uses, so nothing of it is idle yet.
    const char kDevice[] = "http://pool-test-device.invalid:1/";
    std::vector<CCurlSession*> sessions;
    for (size_t i = 0; i < CSOAPCurlShare::kMaxIdlePerDevice + 4; ++i)
        sessions.push_back(pool.acquire(kDevice));
    ASSERT_EQ(std::set<CCurlSession*>(sessions.begin(), sessions.end()).size(), sessions.size());
    for (CCurlSession* s : sessions)
        pool.release(s);

    // Taking them back: only the per-device maximum was kept (a pooled session carries the
    // time it went idle, a new one does not).
    sessions.clear();
    size_t pooled = 0;
    for (size_t i = 0; i < CSOAPCurlShare::kMaxIdlePerDevice + 4; ++i) {
        sessions.push_back(pool.acquire(kDevice));
        pooled += sessions.back()->m_idleSince != std::chrono::steady_clock::time_point() ? 1 : 0;
    }
    EXPECT_EQ(pooled, CSOAPCurlShare::kMaxIdlePerDevice);
    for (CCurlSession* s : sessions)
        pool.release(s);

    // Many devices: the total stays at its cap.
    sessions.clear();
    for (size_t i = 0; i < CSOAPCurlShare::kMaxIdleSessions + 20; ++i)
        sessions.push_back(pool.acquire(("http://many-" + std::to_string(i) + ".invalid/").c_str()));
    for (CCurlSession* s : sessions)
        pool.release(s);
    EXPECT_EQ(pool.idleCount(), CSOAPCurlShare::kMaxIdleSessions);
    // The oldest went first: the first device released has no idle session left, the last one has.
    const auto isPooled = [&pool](size_t device) {
        CCurlSession* s = pool.acquire(("http://many-" + std::to_string(device) + ".invalid/").c_str());
        const bool pooledSession = s->m_idleSince != std::chrono::steady_clock::time_point();
        pool.release(s);
        return pooledSession;
    };
    EXPECT_FALSE(isPooled(0));
    EXPECT_TRUE(isPooled(CSOAPCurlShare::kMaxIdleSessions + 19));
}

} // namespace
