// Authentication as devices do it. A simulator that accepted what a camera refuses would
// let client authentication bugs through, so each refusal is checked on the wire.
#include "SimTestClient.h"

#include <gtest/gtest.h>

using namespace SimTest;
using OnvifSim::EAuthMode;

namespace {

const std::string kGetInfo = DeviceCall("GetDeviceInformation");

struct CWsseCase {
    const char* name;
    long long clockOffset;       // device clock offset
    long long createdShift;      // Created relative to real time
    const char* password;
    bool expectAccepted;
};

class SimWsse : public ::testing::TestWithParam<CWsseCase> {};

TEST_P(SimWsse, ChecksDigestAgainstDeviceClock)
{
    const CWsseCase& c = GetParam();
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["clockOffsetSeconds"] = static_cast<Json::Int64>(c.clockOffset);
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);
    std::string header = WsseHeader("admin", c.password, XsDateTime(NowSeconds() + c.createdShift));
    CReply reply = Post(device->serviceUrl(), Envelope(kGetInfo, header));
    ASSERT_EQ(reply.curlCode, 0);
    if (c.expectAccepted) {
        EXPECT_EQ(reply.status, 200) << reply.body;
        EXPECT_NE(reply.body.find("GetDeviceInformationResponse"), std::string::npos);
        auto log = device->requests();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].user, "admin");
        EXPECT_EQ(log[0].authMethod, "wsse");
        EXPECT_EQ(log[0].level, OnvifSim::EUserLevel::Administrator);
    } else {
        EXPECT_EQ(reply.status, 401) << reply.body;
        EXPECT_EQ(FaultSubcodes(reply.body), std::vector<std::string>{"NotAuthorized"});
        EXPECT_FALSE(device->requests().at(0).authenticated);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SimWsse, ::testing::Values(
    CWsseCase{"Correct", 0, 0, "adminpw", true},
    CWsseCase{"WrongPassword", 0, 0, "nope", false},
    CWsseCase{"CreatedTooOld", 0, -600, "adminpw", false},
    CWsseCase{"CreatedInFuture", 0, 600, "adminpw", false},
    CWsseCase{"InsideWindow", 0, -240, "adminpw", true},
    CWsseCase{"SkewedDeviceAcceptsItsOwnClock", 7200, 7200, "adminpw", true},
    CWsseCase{"SkewedDeviceRefusesRealClock", 7200, 0, "adminpw", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimWsseNonce, ReplayedNonceIsRefusedAndPasswordTextAccepted)
{
    OnvifSim::CSimServer server;
    auto device = StartDevice(server, BaseDescription());
    ASSERT_TRUE(device);
    std::string header = WsseHeader("viewer", "viewerpw", XsDateTime(NowSeconds()), "fixed-nonce-123");
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(kGetInfo, header)).status, 200);
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(kGetInfo, header)).status, 401);

    std::string text = WsseHeader("viewer", "viewerpw", XsDateTime(NowSeconds()), "", true);
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(kGetInfo, text)).status, 200);
}

TEST(SimDigest, ChallengeThenCorrectAndWrongCredentials)
{
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = "digest";
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);

    CReply challenge = Post(device->serviceUrl(), Envelope(kGetInfo));
    EXPECT_EQ(challenge.status, 401);
    std::string www = challenge.header("WWW-Authenticate");
    EXPECT_EQ(www.rfind("Digest ", 0), 0u) << www;
    EXPECT_NE(www.find("qop=\"auth\""), std::string::npos);
    EXPECT_NE(www.find("nonce=\""), std::string::npos);

    CReply good = Post(device->serviceUrl(), Envelope(kGetInfo), DigestAs("op", "oppw"));
    EXPECT_EQ(good.status, 200) << good.body;
    EXPECT_EQ(device->requests().back().user, "op");
    EXPECT_EQ(device->requests().back().authMethod, "digest");

    CReply bad = Post(device->serviceUrl(), Envelope(kGetInfo), DigestAs("op", "wrong"));
    EXPECT_EQ(bad.status, 401);
}

TEST(SimDigest, ExpiredServerNonceIsAnsweredStale)
{
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = "digest";
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);
    CHttpClient client;
    COptions options = DigestAs("admin", "adminpw");
    ASSERT_EQ(client.post(device->serviceUrl(), Envelope(kGetInfo), options).status, 200);
    device->expireDigestNonces();
    // curl reuses the nonce it holds; the device must say stale=true, and curl then
    // retries with the fresh nonce from that challenge.
    device->clearRequests();
    CReply again = client.post(device->serviceUrl(), Envelope(kGetInfo), options);
    EXPECT_EQ(again.status, 200);
    auto log = device->requests();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].status, 401);
    EXPECT_TRUE(log.back().authenticated);
}

TEST(SimDigest, StaleChallengeCarriesStaleTrue)
{
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = "digest";
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);
    CHttpClient client;
    ASSERT_EQ(client.post(device->serviceUrl(), Envelope(kGetInfo), DigestAs("admin", "adminpw")).status, 200);
    // The header curl sent is correct for its nonce; once that nonce expired the device must
    // say stale=true so a client knows to retry with the new nonce instead of asking the user.
    std::string sent = device->requests().back().header("Authorization");
    ASSERT_NE(sent.find("nc="), std::string::npos);
    device->expireDigestNonces();
    CReply stale = Post(device->serviceUrl(), Envelope(kGetInfo), WithHeader("Authorization: " + sent));
    EXPECT_EQ(stale.status, 401);
    EXPECT_NE(stale.header("WWW-Authenticate").find("stale=true"), std::string::npos);
    CReply wrong = Post(device->serviceUrl(), Envelope(kGetInfo), DigestAs("admin", "bad"));
    EXPECT_NE(wrong.header("WWW-Authenticate").find("stale=false"), std::string::npos);
}

struct CModeCase {
    const char* name;
    const char* mode;
    bool wsseOk;
    bool digestOk;
    bool nothingOk;
};

class SimAuthMode : public ::testing::TestWithParam<CModeCase> {};

TEST_P(SimAuthMode, AcceptsOnlyItsMethods)
{
    const CModeCase& c = GetParam();
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = c.mode;
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);
    std::string wsse = WsseHeader("admin", "adminpw", XsDateTime(NowSeconds()));
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(kGetInfo, wsse)).status == 200, c.wsseOk);
    if (std::string(c.mode) != "none") {   // curl's empty-body digest probe needs a device that challenges
        EXPECT_EQ(Post(device->serviceUrl(), Envelope(kGetInfo), DigestAs("admin", "adminpw")).status == 200,
                  c.digestOk);
    }
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(kGetInfo)).status == 200, c.nothingOk);
    std::string wrong = WsseHeader("admin", "wrong", XsDateTime(NowSeconds()));
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(kGetInfo, wrong)).status == 200, c.nothingOk);
    // GetSystemDateAndTime is anonymous by default in every mode.
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(DeviceCall("GetSystemDateAndTime"))).status, 200);
}

INSTANTIATE_TEST_SUITE_P(Modes, SimAuthMode, ::testing::Values(
    CModeCase{"Wsse", "wsse", true, false, false},
    CModeCase{"Digest", "digest", false, true, false},
    CModeCase{"Either", "either", true, true, false},
    CModeCase{"None", "none", true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimAuthAnonymous, DeviceMayDemandCredentialsForDateAndTime)
{
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["auth"]["anonymousOperations"] = Json::Value(Json::arrayValue);
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(DeviceCall("GetSystemDateAndTime"))).status, 401);
    device->setAnonymousOperations({"GetSystemDateAndTime", "GetCapabilities"});
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(DeviceCall("GetCapabilities"))).status, 200);
}

TEST(SimAuthLevel, UserLevelMayNotChangeScopes)
{
    OnvifSim::CSimServer server;
    auto device = StartDevice(server, BaseDescription());
    ASSERT_TRUE(device);
    std::string call = DeviceCall("AddScopes", "<d:ScopeItem>onvif://www.onvif.org/x</d:ScopeItem>");
    auto as = [&](const char* user, const char* pw) {
        return Post(device->serviceUrl(), Envelope(call, WsseHeader(user, pw, XsDateTime(NowSeconds())))).status;
    };
    EXPECT_EQ(as("viewer", "viewerpw"), 401);
    EXPECT_EQ(as("op", "oppw"), 401);
    EXPECT_EQ(as("admin", "adminpw"), 200);
}

struct CRefusalCase {
    const char* style;
    long status;
    bool challenge;
};

class SimRefusal : public ::testing::TestWithParam<CRefusalCase> {};

TEST_P(SimRefusal, StyleSetsStatusAroundNotAuthorized)
{
    const CRefusalCase& c = GetParam();
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["auth"]["refusal"] = c.style;
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);
    CReply reply = Post(device->serviceUrl(), Envelope(kGetInfo, WsseHeader("admin", "bad", XsDateTime(NowSeconds()))));
    EXPECT_EQ(reply.status, c.status);
    EXPECT_EQ(FaultCode(reply.body), "Sender");
    EXPECT_EQ(FaultSubcodes(reply.body), std::vector<std::string>{"NotAuthorized"});
    EXPECT_EQ(!reply.header("WWW-Authenticate").empty(), c.challenge);
}

INSTANTIATE_TEST_SUITE_P(Styles, SimRefusal, ::testing::Values(
    CRefusalCase{"http401", 401, true}, CRefusalCase{"http400", 400, false},
    CRefusalCase{"fault200", 200, false}, CRefusalCase{"fault500", 500, false}),
    [](const auto& info) { return std::string(info.param.style); });

TEST(SimRefusalHabits, HtmlBodyAndTwoChallenges)
{
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["auth"]["htmlRefusalBody"] = true;
    d["auth"]["challenges"].append("Digest SHA-256");
    d["auth"]["challenges"].append("Digest MD5");
    d["auth"]["challenges"].append("Basic");
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);
    CReply reply = Post(device->serviceUrl(), Envelope(kGetInfo));
    EXPECT_EQ(reply.status, 401);
    EXPECT_NE(reply.header("Content-Type").find("text/html"), std::string::npos);
    auto challenges = reply.headerValues("WWW-Authenticate");
    ASSERT_EQ(challenges.size(), 3u);
    EXPECT_NE(challenges[0].find("algorithm=SHA-256"), std::string::npos);
    EXPECT_NE(challenges[1].find("algorithm=MD5"), std::string::npos);
    EXPECT_EQ(challenges[2].rfind("Basic", 0), 0u);
    // curl picks a digest challenge among several and succeeds.
    EXPECT_EQ(Post(device->serviceUrl(), Envelope(kGetInfo), DigestAs("admin", "adminpw")).status, 200);
}

TEST(SimAuthClock, ClockJumpAfterRequestsBreaksWsse)
{
    OnvifSim::CSimServer server;
    auto device = StartDevice(server, BaseDescription());
    ASSERT_TRUE(device);
    device->jumpClockAfter(1, 3600);
    auto call = [&] {
        return Post(device->serviceUrl(), Envelope(kGetInfo, WsseHeader("admin", "adminpw", XsDateTime(NowSeconds()))));
    };
    EXPECT_EQ(call().status, 200);
    EXPECT_EQ(call().status, 401);
    EXPECT_EQ(device->clockOffset(), 3600);
}

} // namespace
