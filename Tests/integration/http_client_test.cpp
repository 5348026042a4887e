// The snapshot HTTP client against a scripted loopback server: credentials, the one
// challenge retry, and the ways a device answer can go wrong.
#include "Base/HTTPClient/HttpClient.h"

#include "LoopbackHttpServer.h"
#include "Utils/Md5.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <map>
#include <regex>
#include <string>

using OnvifTest::HttpReply;
using OnvifTest::HttpRequest;
using OnvifTest::LoopbackHttpServer;
using Zentar::NetProtocol::CHttpMsgCreator;
using Zentar::NetProtocol::CHttpParser;

namespace {

const char kUser[] = "admin";
const char kPassword[] = "secret";
const char kRealm[] = "IP Camera(C1234)";

struct Result {
    int ret = -2;
    int status = 0;
    std::string content;
};

Result fetch(int port, const std::string& path = "/snap.jpg", uint32_t timeoutMs = 0,
             const std::string& ownAuthorization = "", const std::string& user = kUser,
             const std::string& password = kPassword, const std::string& address = "127.0.0.1")
{
    Zentar::Component::ServerInfo info;
    info.address = address;
    info.port = static_cast<uint16_t>(port);
    info.userName = user;
    info.password = password;
    RPC::CHttpClient client(info);
    if (timeoutMs != 0) client.setTimeoutMs(timeoutMs);
    CHttpMsgCreator creator;
    creator.SetMethod("GET");
    creator.SetURI(path.c_str());
    if (!ownAuthorization.empty()) creator.SetValue("Authorization", ownAuthorization.c_str());
    std::unique_ptr<CHttpParser> parser;
    Result r;
    r.ret = client.downLoad(creator, parser);
    if (parser) {
        r.status = parser->GetStatusCode();
        r.content.assign(parser->GetContent(), parser->GetContentLength());
    }
    return r;
}

HttpReply reply(int status, const std::string& body, std::vector<std::pair<std::string, std::string>> headers = {})
{
    HttpReply r;
    r.status = status;
    r.reason = status == 200 ? "OK" : status == 401 ? "Unauthorized" : "Other";
    r.headers = std::move(headers);
    r.body = body;
    return r;
}

HttpReply digestChallenge(const std::string& nonce, const std::string& extra = "")
{
    return reply(401, "", {{"WWW-Authenticate", "Digest realm=\"" + std::string(kRealm) + "\", qop=\"auth\", nonce=\"" +
                                                    nonce + "\", opaque=\"op\"" + extra}});
}

std::map<std::string, std::string> digestParams(const std::string& header)
{
    std::map<std::string, std::string> out;
    static const std::regex param("([a-z]+)=\"([^\"]*)\"");
    for (std::sregex_iterator it(header.begin(), header.end(), param), end; it != end; ++it)
        out[(*it)[1]] = (*it)[2];
    return out;
}

std::string md5(const std::string& s) { return Zentar::Utils::CMd5::hex(s.data(), s.size()); }

// What a device checks: the response for our password over the request actually sent.
bool digestIsRight(const HttpRequest& req, const std::string& nonce)
{
    const std::string header = req.header("authorization");
    if (header.compare(0, 7, "Digest ") != 0) return false;
    auto p = digestParams(header);
    const std::string ha1 = md5(std::string(kUser) + ":" + kRealm + ":" + kPassword);
    const std::string ha2 = md5(req.method + ":" + req.target);
    return p["username"] == kUser && p["realm"] == kRealm && p["nonce"] == nonce && p["uri"] == req.target &&
           p["nc"] == "00000001" && p["qop"] == "auth" && p["opaque"] == "op" &&
           p["response"] == md5(ha1 + ":" + nonce + ":" + p["nc"] + ":" + p["cnonce"] + ":auth:" + ha2);
}

} // namespace

TEST(HttpClientExchange, FirstRequestCarriesBasicCredentialsAndTheHostPort)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) { return reply(200, "JPEG"); });
    Result r = fetch(server.port(), "/cgi-bin/snapshot.cgi?channel=1");
    EXPECT_EQ(r.ret, 0);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.content, "JPEG");
    auto reqs = server.requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].method, "GET");
    EXPECT_EQ(reqs[0].target, "/cgi-bin/snapshot.cgi?channel=1");
    EXPECT_EQ(reqs[0].header("host"), "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(reqs[0].header("connection"), "Keep-Alive");
    EXPECT_EQ(reqs[0].header("authorization"), "Basic YWRtaW46c2VjcmV0");
}

TEST(HttpClientExchange, DigestChallengeIsAnsweredOnceOnANewConnection)
{
    LoopbackHttpServer server([](const HttpRequest& req, size_t index) {
        if (index == 0) return digestChallenge("nonce-1");
        return digestIsRight(req, "nonce-1") ? reply(200, "picture") : reply(403, "bad digest");
    });
    Result r = fetch(server.port());
    EXPECT_EQ(r.ret, 0);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.content, "picture");
    auto reqs = server.requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].connection, 1);
    EXPECT_EQ(reqs[1].connection, 2);
    EXPECT_EQ(reqs[1].header("authorization").find("Basic"), std::string::npos) << "one Authorization line only";
    EXPECT_EQ(reqs[1].header("host"), reqs[0].header("host"));
}

TEST(HttpClientExchange, OneRetryOnlyWhateverTheSecondAnswer)
{
    struct Row {
        const char* why;
        std::string secondNonce;
        std::string secondExtra;
    };
    const Row rows[] = {
        {"refused again", "nonce-1", ""},
        {"stale nonce: a new one is offered but not taken", "nonce-2", ", stale=true"},
    };
    for (const auto& row : rows) {
        LoopbackHttpServer server([&row](const HttpRequest&, size_t index) {
            return index == 0 ? digestChallenge("nonce-1") : digestChallenge(row.secondNonce, row.secondExtra);
        });
        Result r = fetch(server.port());
        EXPECT_EQ(r.ret, 0) << row.why << ": the caller judges the status";
        EXPECT_EQ(r.status, 401) << row.why;
        auto reqs = server.requests();
        ASSERT_EQ(reqs.size(), 2u) << row.why;
        EXPECT_TRUE(digestIsRight(reqs[1], "nonce-1")) << row.why;
    }
}

TEST(HttpClientExchange, BasicChallengeIsAnsweredWithBasic)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t index) {
        return index == 0 ? reply(401, "", {{"WWW-Authenticate", "Basic realm=\"cam\""}}) : reply(200, "ok");
    });
    Result r = fetch(server.port());
    EXPECT_EQ(r.ret, 0);
    EXPECT_EQ(r.status, 200);
    auto reqs = server.requests();
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[1].header("authorization"), "Basic YWRtaW46c2VjcmV0");
}

TEST(HttpClientExchange, DigestIsPreferredWhenBothSchemesAreOffered)
{
    LoopbackHttpServer server([](const HttpRequest& req, size_t index) {
        if (index == 0)
            return reply(401, "", {{"WWW-Authenticate", "Basic realm=\"cam\""},
                                   {"WWW-Authenticate", digestChallenge("n9").headers[0].second}});
        return digestIsRight(req, "n9") ? reply(200, "ok") : reply(403, "");
    });
    EXPECT_EQ(fetch(server.port()).status, 200);
}

TEST(HttpClientExchange, CallersOwnAuthorizationLine)
{
    // A Basic challenge to the caller's own credentials ends the exchange.
    {
        LoopbackHttpServer server(
            [](const HttpRequest&, size_t) { return reply(401, "", {{"WWW-Authenticate", "Basic realm=\"x\""}}); });
        Result r = fetch(server.port(), "/snap.jpg", 0, "Basic b3duOmNyZWRz");
        EXPECT_EQ(r.ret, -1);
        auto reqs = server.requests();
        ASSERT_EQ(reqs.size(), 1u);
        EXPECT_EQ(reqs[0].header("authorization"), "Basic b3duOmNyZWRz") << "sent as the caller set it";
    }
    // A Digest challenge replaces the caller's line with the answer.
    {
        LoopbackHttpServer server([](const HttpRequest& req, size_t index) {
            if (index == 0) return digestChallenge("n2");
            return digestIsRight(req, "n2") ? reply(200, "ok") : reply(403, "");
        });
        Result r = fetch(server.port(), "/snap.jpg", 0, "Basic b3duOmNyZWRz");
        EXPECT_EQ(r.ret, 0);
        EXPECT_EQ(r.status, 200);
    }
}

TEST(HttpClientExchange, AnswersOfEveryShape)
{
    struct Row {
        const char* why;
        HttpReply answer;
        int ret;
        int status;     // checked when ret is 0
        std::string content;
    };
    const std::string big(300000, 'j');
    const Row rows[] = {
        {"chunked", HttpReply::rawBytes("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nJPEG\r\n"
                                        "3;x=y\r\n123\r\n0\r\n\r\n"),
         0, 200, "JPEG123"},
        {"no length: read to the close", HttpReply::rawBytes("HTTP/1.0 200 OK\r\n\r\nuntil the end"), 0, 200,
         "until the end"},
        {"204 without a body", HttpReply::rawBytes("HTTP/1.1 204 No Content\r\n\r\n"), 0, 204, ""},
        {"interim 100 first", HttpReply::rawBytes("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"
                                                  "Content-Length: 2\r\n\r\nok"),
         0, 200, "ok"},
        {"large body over many receives", reply(200, big), 0, 200, big},
        {"closed mid-body", HttpReply::rawBytes("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"), -1, 0, ""},
        {"closed before any answer", HttpReply::close(), -1, 0, ""},
        {"garbage", HttpReply::rawBytes("SSH-2.0-OpenSSH_8.9\r\n\r\n"), -1, 0, ""},
        {"not found", reply(404, "no"), -1, 0, ""},
        {"server error", reply(500, "boom"), -1, 0, ""},
        {"401 without a challenge", reply(401, ""), -1, 0, ""},
        {"401 with an unknown scheme", reply(401, "", {{"WWW-Authenticate", "NTLM"}}), -1, 0, ""},
        {"401 digest without nonce", reply(401, "", {{"WWW-Authenticate", "Digest realm=\"r\""}}), -1, 0, ""},
    };
    for (const auto& row : rows) {
        LoopbackHttpServer server([&row](const HttpRequest&, size_t) { return row.answer; });
        Result r = fetch(server.port());
        EXPECT_EQ(r.ret, row.ret) << row.why;
        if (row.ret == 0) {
            EXPECT_EQ(r.status, row.status) << row.why;
            EXPECT_EQ(r.content, row.content) << row.why;
        }
        EXPECT_EQ(server.requestCount(), 1u) << row.why << ": no retry";
    }
}

TEST(HttpClientFailures, SilentServerHitsTheTimeOut)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) { return HttpReply::silent(); });
    EXPECT_EQ(fetch(server.port(), "/snap.jpg", 300).ret, -1);
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST(HttpClientFailures, NobodyListening)
{
    EXPECT_EQ(fetch(OnvifTest::closedLoopbackPort()).ret, -1);
    EXPECT_EQ(RPC::CHttpClient::connectEndpoint("127.0.0.1", OnvifTest::closedLoopbackPort()), -1);
    EXPECT_EQ(RPC::CHttpClient::connectEndpoint("localhost", OnvifTest::closedLoopbackPort()), -1);
    EXPECT_EQ(RPC::CHttpClient::connectEndpoint("no-such-host.invalid", 80), -1);
}

// "localhost" may resolve to ::1 before 127.0.0.1; the server listens on the IPv4 one
// only, so the exchange also shows that a refused address passes on to the next.
TEST(HttpClientExchange, HostNameIsResolvedAndNamedInTheHostHeader)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) { return reply(200, "JPEG"); });
    Result r = fetch(server.port(), "/snap.jpg", 0, "", kUser, kPassword, "localhost");
    EXPECT_EQ(r.ret, 0);
    EXPECT_EQ(r.content, "JPEG");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].header("host"), "localhost:" + std::to_string(server.port()));

    // The firmware upgrader's blocking socket takes names as well.
    const int sock = RPC::CHttpClient::connectEndpoint("localhost", server.port());
    EXPECT_GE(sock, 0);
    if (sock >= 0) ::close(sock);
}

TEST(HttpClientFailures, OverlongCredentialsNeverReachTheDevice)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) { return reply(200, "x"); });
    EXPECT_EQ(fetch(server.port(), "/snap.jpg", 0, "", std::string(64, 'u'), std::string(63, 'p')).ret, -1);
    EXPECT_EQ(server.connectionCount(), 0);
    Result fits = fetch(server.port(), "/snap.jpg", 0, "", std::string(64, 'u'), std::string(62, 'p'));
    EXPECT_EQ(fits.ret, 0);
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST(HttpClientFailures, NoRequestWithoutMethodAndUri)
{
    Zentar::Component::ServerInfo info;
    info.address = "127.0.0.1";
    info.port = 1;
    RPC::CHttpClient client(info);
    CHttpMsgCreator creator;
    std::unique_ptr<CHttpParser> parser;
    EXPECT_EQ(client.downLoad(creator, parser), -1);
    EXPECT_EQ(parser, nullptr);
}
