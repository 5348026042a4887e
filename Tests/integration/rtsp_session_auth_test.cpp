// Authentication of RTSP client sessions: Digest and Basic with one retry, and how a
// refusal is reported.
#include "RtspScriptedServer.h"

#include "Stream/Rtsp/RtspAuth.h"
#include "Stream/Rtsp/RtspClientSession.h"
#include "Utils/Base64.h"
#include "Utils/HttpAuthChallenge.h"
#include "Utils/Md5.h"

#include <gtest/gtest.h>

using namespace Zentar::StreamApp;
using OnvifTest::RtspClientProbe;
using OnvifTest::RtspReply;
using OnvifTest::RtspRequest;
using OnvifTest::RtspScriptedServer;

namespace {

const std::string kSdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=Test\r\nt=0 0\r\n"
                         "m=audio 0 RTP/AVP 0\r\na=control:trackID=2\r\n";

std::string md5(const std::string& s) { return Zentar::Utils::CMd5::hex(s.data(), s.size()); }

// The name=value pairs of an Authorization value, read like a challenge; empty unless Digest.
std::map<std::string, std::string> digestFields(const std::string& value)
{
    std::vector<Zentar::Utils::CAuthChallenge> parsed;
    if (Zentar::Utils::parseAuthHeader(value, parsed) != Zentar::Utils::EChallengeFault::None || parsed.size() != 1 ||
        parsed[0].scheme != "digest")
        return {};
    return std::map<std::string, std::string>(parsed[0].params.begin(), parsed[0].params.end());
}

// Checks a Digest Authorization the way a device does (RFC 2617 3.2.2).
bool digestValid(const RtspRequest& r, const std::string& user, const std::string& password,
                 const std::string& nonce)
{
    std::map<std::string, std::string> f = digestFields(r.header("authorization"));
    if (f.empty())
        return false;
    if (f["username"] != user || f["nonce"] != nonce || f["uri"] != r.url)
        return false;
    std::string ha1 = md5(user + ":" + f["realm"] + ":" + password);
    std::string ha2 = md5(r.method + ":" + f["uri"]);
    std::string expected = f["qop"] == "auth"
        ? md5(ha1 + ":" + nonce + ":" + f["nc"] + ":" + f["cnonce"] + ":auth:" + ha2)
        : md5(ha1 + ":" + nonce + ":" + ha2);
    return f["response"] == expected;
}

RtspReply challenge(const std::string& scheme)
{
    return RtspReply::status_(401, "Unauthorized").with("WWW-Authenticate", scheme);
}

} // namespace

TEST(RtspSessionAuth, DigestChallengeIsAnsweredOnceAndOnEveryLaterRequest)
{
    const std::string nonce = "5f3a9c";
    RtspScriptedServer server([&](const RtspRequest& r, size_t) {
        if (!digestValid(r, "admin", "s3cret", nonce))
            return challenge("Digest realm=\"cam\", nonce=\"" + nonce + "\", qop=\"auth\", algorithm=MD5");
        return RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
    });
    RtspClientProbe probe(kRtspTransTcp);
    probe.session().setAuthorization("admin", "s3cret");
    ASSERT_EQ(probe.start(server.url()), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady)) << std::hex << probe.errorCode();
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying));

    EXPECT_EQ(server.methods(), (std::vector<std::string>{"OPTIONS", "OPTIONS", "DESCRIBE", "SETUP", "PLAY"}));
    auto requests = server.requests();
    EXPECT_TRUE(requests[0].header("authorization").empty());
    std::set<std::string> counts;
    for (size_t i = 1; i < requests.size(); ++i) {
        EXPECT_TRUE(digestValid(requests[i], "admin", "s3cret", nonce)) << requests[i].method;
        counts.insert(digestFields(requests[i].header("authorization"))["nc"]);
    }
    EXPECT_EQ(counts.size(), requests.size() - 1) << "a new nonce count per request";
}

TEST(RtspSessionAuth, BasicFromTheAddressWithoutCredentialsOnTheRequestLine)
{
    const std::string expected = "Basic " + Zentar::Utils::base64Encode("viewer:pa ss", 12);
    RtspScriptedServer server([&](const RtspRequest& r, size_t) {
        if (r.header("authorization") != expected)
            return challenge("Basic realm=\"cam\"");
        return RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
    });
    RtspClientProbe probe(kRtspTransTcp);
    std::string url = server.url();
    url.insert(7, "viewer:pa%20ss@");
    ASSERT_EQ(probe.start(url), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady)) << std::hex << probe.errorCode();
    for (const auto& r : server.requests())
        EXPECT_EQ(r.url, server.url()) << "credentials stay out of the request line";
}

TEST(RtspSessionAuth, RefusalsEndTheSessionWith401Code)
{
    const struct {
        const char* why;
        bool credentials;
        size_t optionsExpected; // requests before giving up
    } cases[] = {
        {"wrong password: one retry, then the error", true, 2},
        {"no credentials: no retry", false, 1},
    };
    for (const auto& c : cases) {
        RtspScriptedServer server([](const RtspRequest&, size_t) {
            return challenge("Digest realm=\"cam\", nonce=\"n1\"");
        });
        RtspClientProbe probe(kRtspTransTcp);
        if (c.credentials)
            probe.session().setAuthorization("admin", "wrong");
        ASSERT_EQ(probe.start(server.url()), 0);
        ASSERT_TRUE(probe.waitMessage(kRtspMsgError)) << c.why;
        EXPECT_EQ(probe.errorCode(), 0x10090191) << c.why;
        EXPECT_EQ(server.count("OPTIONS"), c.optionsExpected) << c.why;
        EXPECT_EQ(server.count("DESCRIBE"), 0u) << c.why;
        EXPECT_EQ(probe.countMessages(kRtspMsgReady), 0u) << c.why;
        EXPECT_EQ(probe.countMessages(kRtspMsgError), 1u) << c.why;
    }
}

TEST(RtspSessionAuth, StaleNonceMidSessionIsAnsweredAgain)
{
    // The device changes its nonce after DESCRIBE; the next request gets one more retry.
    std::string nonce = "first";
    std::mutex mutex;
    RtspScriptedServer server([&](const RtspRequest& r, size_t) {
        std::lock_guard<std::mutex> lock(mutex);
        if (r.method == "SETUP" && nonce == "first")
            nonce = "second";
        if (!digestValid(r, "u", "p", nonce))
            return challenge("Digest realm=\"cam\", nonce=\"" + nonce + "\", stale=true");
        return RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
    });
    RtspClientProbe probe(kRtspTransTcp);
    probe.session().setAuthorization("u", "p");
    ASSERT_EQ(probe.start(server.url()), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady));
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying)) << std::hex << probe.errorCode();
    EXPECT_EQ(server.count("SETUP"), 2u);
    EXPECT_EQ(probe.countMessages(kRtspMsgError), 0u);
}
