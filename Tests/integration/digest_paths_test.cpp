// The three places that answer a digest challenge (the SOAP transport, the snapshot HTTP
// client's CRPCHttpAuth, the RTSP session's CRtspAuth) write the same Authorization value
// for the same challenge, credentials, method, target and client nonce; and the SOAP
// transport's own round trip: one unauthenticated request, one answer, nothing more.
#include <gtest/gtest.h>

#include "Base/HTTPClient/RPCHttpAuth.h"
#include "LoopbackHttpServer.h"
#include "SOAPFramework/SOAPCall.h"
#include "SOAPFramework/SOAPTransport.h"
#include "Stream/Rtsp/RtspAuth.h"
#include "Utils/HttpDigestAuth.h"

using namespace OnvifTest;
using Zentar::SOAPFramework::CSOAPTransport;

namespace {

const char kUser[] = "admin";
const char kPassword[] = "Pa55 \"word\"";
const char kPath[] = "/onvif/device_service";
const char kEnvelope[] = "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body/></s:Envelope>";

class DigestPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        Zentar::SOAPFramework::initSOAPInstanceObj();
        Zentar::Utils::setDigestNonceSource([] { return std::string("0a4f113b9c"); });
    }
    void TearDown() override { Zentar::Utils::setDigestNonceSource(nullptr); }

    // What the SOAP transport sends after a 401 carrying `challenge` (empty: no second request).
    static std::string soapAnswer(const std::string& challenge, size_t& requests, int& status)
    {
        LoopbackHttpServer server([&](const HttpRequest& r, size_t) {
            if (!r.header("authorization").empty())
                return HttpReply::soap(200, kEnvelope);
            HttpReply refusal = HttpReply::soap(401, "");
            refusal.headers.emplace_back("WWW-Authenticate", challenge);
            return refusal;
        });
        CSOAPTransport transport(server.url(kPath).c_str());
        EXPECT_EQ(transport.post(kEnvelope, sizeof kEnvelope - 1, "application/soap+xml", kUser, kPassword),
                  Zentar::SOAPFramework::kSOAPOk);
        status = transport.getHttpStatus();
        const auto seen = server.requests();
        requests = seen.size();
        return seen.size() < 2 ? std::string() : seen.back().header("authorization");
    }
};

} // namespace

TEST_F(DigestPaths, AllThreeWriteTheSameAnswer)
{
    const char* challenges[] = {
        "Digest realm=\"IP Camera\", qop=\"auth\", nonce=\"5f1c3d2e9a\", opaque=\"o,p\", algorithm=MD5",
        "Digest realm=\"IP Camera\", qop=\"auth\", nonce=\"5f1c3d2e9a\", algorithm=SHA-256",
        "Digest realm=\"IP Camera\", qop=\"auth\", nonce=\"5f1c3d2e9a\", algorithm=MD5-sess",
        "Digest realm=\"IP Camera\", nonce=\"5f1c3d2e9a\"",
    };
    for (const char* challenge : challenges) {
        size_t requests = 0;
        int status = 0;
        const std::string soap = soapAnswer(challenge, requests, status);
        EXPECT_EQ(requests, 2u) << challenge;
        EXPECT_EQ(status, 200) << challenge;

        RPC::CRPCHttpAuth http;
        http.SetUserInfo(kUser, kPassword);
        http.SetURI(kPath);
        http.SetMethod("POST");
        http.SetWWWAuthenticate(challenge);
        std::string snapshot;
        EXPECT_TRUE(http.GetAuthorization(snapshot)) << challenge;

        Zentar::StreamApp::CRtspAuth rtsp;
        rtsp.setCredentials(kUser, kPassword);
        ASSERT_TRUE(rtsp.takeChallenge({challenge})) << challenge;
        const std::string streaming = rtsp.authorization("POST", kPath);

        EXPECT_EQ(soap.rfind("Digest username=\"admin\", realm=\"IP Camera\"", 0), 0u) << soap;
        EXPECT_EQ(soap, snapshot) << challenge;
        EXPECT_EQ(soap, streaming) << challenge;
    }
}

TEST_F(DigestPaths, SoapSendsNoSecondRequestWithoutAUsableDigest)
{
    // Basic alone, a broken challenge, an unknown algorithm: the 401 reaches the caller.
    for (const char* challenge : {"Basic realm=\"cam\"", "Digest realm=\"cam, nonce=\"n\"",
                                  "Digest realm=\"cam\", nonce=\"n\", algorithm=SHA-512-256"}) {
        size_t requests = 0;
        int status = 0;
        EXPECT_EQ(soapAnswer(challenge, requests, status), "") << challenge;
        EXPECT_EQ(requests, 1u) << challenge;
        EXPECT_EQ(status, 401) << challenge;
    }
}
