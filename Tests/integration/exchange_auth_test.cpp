// The authenticated exchange against scripted loopback endpoints: what really arrived
// on the wire for each authentication type, and when a refused request is retried.
#include <gtest/gtest.h>

#include <ctime>

#include "DeviceAnswers.h"
#include "Infra/LastError.h"
#include "LoopbackHttpServer.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "TestOperations.h"

using namespace OnvifTest;
using namespace RPC::Onvif;

namespace {

const char* kUser = "admin";
const char* kPassword = "Pa55word!";
const char* kRealm = "IP Camera";
const char* kNonce = "5f1c3d2e9a";

COnvifLoginInfo loginFor(const LoopbackHttpServer& server, const std::string& user = kUser)
{
    COnvifLoginInfo login;
    login.m_strAddress = "127.0.0.1";
    login.m_iPort = server.port();
    login.m_strUserName = user;
    login.m_strPassword = kPassword;
    return login;
}

Json::Value requestFor(const LoopbackHttpServer& server, int timeDifference = 0)
{
    Json::Value req;
    req["XAddr"] = server.url();
    req["TimeDifference"] = timeDifference;
    req["UseStamp"] = false;
    return req;
}

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override { COnvifBaseComm::instance()->resetOptions(); }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }
    void setAuthType(int type)
    {
        Json::Value options;
        options["AuthType"] = type;
        ASSERT_TRUE(COnvifBaseComm::instance()->setOnvifOptionCfg(options));
    }
};

// A device that takes only HTTP digest: the first request, signed with WS-Security
// or not, is refused with `refusal`; later ones get a digest challenge.
HttpReply digestOnlyDevice(const HttpRequest& r, size_t index, int refusal)
{
    if (httpDigestValid(r, kUser, kPassword, kRealm, kNonce))
        return HttpReply::soap(200, soapEnvelope(wsdlUrlAnswer()));
    if (index > 0 || refusal == 401)
        return digestChallenge(kRealm, kNonce);
    return notAuthorizedFault(refusal);
}

struct AuthCase {
    const char* what;
    int authType;
    int refusal;            // status of the refusal of a request without a valid digest
    bool expectSuccess;
    bool expectWsseFirst;   // the first request carried a valid UsernameToken
    bool expectDigestUsed;  // some request carried a valid HTTP digest
};

class MessageAuthTable : public ExchangeTest, public ::testing::WithParamInterface<AuthCase> {};

TEST_P(MessageAuthTable, RetriesOnlyAsTheAuthenticationTypeSays)
{
    const AuthCase& c = GetParam();
    setAuthType(c.authType);
    LoopbackHttpServer server([&](const HttpRequest& r, size_t i) { return digestOnlyDevice(r, i, c.refusal); });

    Json::Value rsp;
    int ret = runOperation(kGetWsdlUrl, loginFor(server), requestFor(server), rsp);

    auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(c.expectSuccess ? 0 : -1, ret) << c.what;
    EXPECT_EQ(c.expectWsseFirst, wsseDigestValid(requests[0].body, kUser, kPassword)) << c.what;
    bool digestUsed = false;
    for (const auto& r : requests)
        digestUsed |= httpDigestValid(r, kUser, kPassword, kRealm, kNonce);
    EXPECT_EQ(c.expectDigestUsed, digestUsed) << c.what;
    if (!c.expectDigestUsed) {
        EXPECT_EQ(1u, requests.size()) << c.what << ": a refusal must not be retried";
        EXPECT_FALSE(rsp.isMember("WsdlUrl"));
    } else {
        EXPECT_EQ("http://www.onvif.org/", rsp["WsdlUrl"].asString());
    }
    if (c.authType == 1) {
        for (const auto& r : requests)
            EXPECT_FALSE(hasWsseHeader(r.body)) << "type 1 sends HTTP digest alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    AuthTypes, MessageAuthTable,
    ::testing::Values(
        AuthCase{"type 0, WS-Security refused with 401: no digest retry", 0, 401, false, true, false},
        AuthCase{"type 0, WS-Security refused with 400: no digest retry", 0, 400, false, true, false},
        AuthCase{"type 2, refused with 401: one digest retry succeeds", 2, 401, true, true, true},
        AuthCase{"type 2, refused with 400: one digest retry succeeds", 2, 400, true, true, true},
        AuthCase{"type 2, refused with 500: not an authentication refusal", 2, 500, false, true, false},
        AuthCase{"type 1: HTTP digest alone", 1, 401, true, false, true}),
    [](const ::testing::TestParamInfo<AuthCase>& info) {
        return "Type" + std::to_string(info.param.authType) + "Refused" + std::to_string(info.param.refusal);
    });

TEST_F(ExchangeTest, TypeTwoRetriesOnceOnly)
{
    setAuthType(2);
    // Refuses everything with a fresh digest challenge: the client must give up after
    // one digest attempt rather than loop.
    LoopbackHttpServer server([](const HttpRequest&, size_t) { return digestChallenge(kRealm, kNonce); });
    Json::Value rsp;
    EXPECT_EQ(-1, runOperation(kGetWsdlUrl, loginFor(server), requestFor(server), rsp));
    size_t withDigest = 0;
    for (const auto& r : server.requests())
        withDigest += r.header("authorization").rfind("Digest ", 0) == 0;
    EXPECT_EQ(1u, withDigest);
    EXPECT_LE(server.requestCount(), 3u);
}

TEST_F(ExchangeTest, WsseCreatedFollowsTimeDifference)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) {
        return HttpReply::soap(200, soapEnvelope(wsdlUrlAnswer()));
    });
    const int offsets[] = {0, 7200, -3600};
    for (int offset : offsets) {
        Json::Value rsp;
        time_t before = time(nullptr);
        ASSERT_EQ(0, runOperation(kGetWsdlUrl, loginFor(server), requestFor(server, offset), rsp));
        time_t after = time(nullptr);
        std::string created = elementText(server.requests().back().body, "Created");
        struct tm tm {};
        ASSERT_NE(nullptr, strptime(created.c_str(), "%Y-%m-%dT%H:%M:%SZ", &tm)) << created;
        time_t sent = timegm(&tm);
        EXPECT_GE(sent, before + offset) << "offset " << offset;
        EXPECT_LE(sent, after + offset) << "offset " << offset;
        EXPECT_TRUE(wsseDigestValid(server.requests().back().body, kUser, kPassword));
    }
}

TEST_F(ExchangeTest, MissingXAddrSendsNothing)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) { return HttpReply::soap(200, ""); });
    Json::Value req = requestFor(server);
    req.removeMember("XAddr");
    Json::Value rsp;
    EXPECT_EQ(-1, runOperation(kGetWsdlUrl, loginFor(server), req, rsp));
    req["XAddr"] = "";
    EXPECT_EQ(-1, runOperation(kGetWsdlUrl, loginFor(server), req, rsp));
    Json::Value notARecord = Json::Value(Json::arrayValue);
    EXPECT_EQ(-1, runOperation(kGetWsdlUrl, loginFor(server), notARecord, rsp));
    EXPECT_EQ(0u, server.requestCount());
}

TEST_F(ExchangeTest, AnswerWithoutResponseElementFails)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) {
        return HttpReply::soap(200, soapEnvelope("<tds:SomethingElse/>"));
    });
    Json::Value rsp;
    EXPECT_EQ(-1, runOperation(kGetWsdlUrl, loginFor(server), requestFor(server), rsp));
    EXPECT_FALSE(rsp.isMember("WsdlUrl"));
}

// ---- anonymous first ---------------------------------------------------------------

TEST_F(ExchangeTest, AnonymousAnswerNeverSeesCredentials)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) {
        return HttpReply::soap(200, soapEnvelope(capabilitiesAnswer()));
    });
    Json::Value rsp;
    ASSERT_EQ(0, runOperation(kGetCapabilities, loginFor(server), requestFor(server), rsp));
    ASSERT_EQ(1u, server.requestCount());
    EXPECT_FALSE(hasWsseHeader(server.requests()[0].body));
    EXPECT_TRUE(server.requests()[0].header("authorization").empty());
    EXPECT_EQ("All", elementText(server.requests()[0].body, "Category"));
    EXPECT_EQ("http://10.0.0.5/onvif/device_service", rsp["Device"]["XAddr"].asString());
    EXPECT_EQ("http://10.0.0.5/onvif/media", rsp["Media"]["XAddr"].asString());
}

TEST_F(ExchangeTest, AnonymousRefusalGetsSignedSecondRequest)
{
    LoopbackHttpServer server([](const HttpRequest& r, size_t) {
        if (wsseDigestValid(r.body, kUser, kPassword))
            return HttpReply::soap(200, soapEnvelope(capabilitiesAnswer()));
        return notAuthorizedFault(400);
    });
    Json::Value rsp;
    ASSERT_EQ(0, runOperation(kGetCapabilities, loginFor(server), requestFor(server), rsp));
    auto requests = server.requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_FALSE(hasWsseHeader(requests[0].body));
    EXPECT_TRUE(wsseDigestValid(requests[1].body, kUser, kPassword));
    EXPECT_FALSE(rsp.isMember("errorInfo"));
}

struct UnauthCase {
    int secondStatus;
    bool expectUnauth;
};

class AnonymousUnauthTable : public ExchangeTest, public ::testing::WithParamInterface<UnauthCase> {};

TEST_P(AnonymousUnauthTable, EmptyUserSendsTwiceAndReportsRefusalByStatus)
{
    const UnauthCase c = GetParam();
    LoopbackHttpServer server([&](const HttpRequest&, size_t index) {
        return notAuthorizedFault(index == 0 ? 401 : c.secondStatus);
    });
    Json::Value rsp;
    EXPECT_EQ(-1, runOperation(kGetCapabilities, loginFor(server, ""), requestFor(server), rsp));
    auto requests = server.requests();
    ASSERT_EQ(2u, requests.size());
    for (const auto& r : requests)
        EXPECT_FALSE(hasWsseHeader(r.body)) << "no user name, nothing to sign with";
    EXPECT_EQ(c.expectUnauth, rsp.isMember("errorInfo")) << c.secondStatus;
    if (c.expectUnauth) {
        EXPECT_EQ("UNAUTH", rsp["errorInfo"].asString());
    }
}

INSTANTIATE_TEST_SUITE_P(Statuses, AnonymousUnauthTable,
                         ::testing::Values(UnauthCase{401, true}, UnauthCase{400, true}, UnauthCase{500, false},
                                           UnauthCase{403, false}),
                         [](const ::testing::TestParamInfo<UnauthCase>& info) {
                             return "Second" + std::to_string(info.param.secondStatus);
                         });

TEST_F(ExchangeTest, AnonymousClosedPortIsUnreachable)
{
    Json::Value req;
    req["XAddr"] = "http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/onvif/device_service";
    COnvifLoginInfo login;
    login.m_strUserName = kUser;
    Zentar::Infra::setLastError(0);
    Json::Value rsp;
    EXPECT_EQ(-1, runOperation(kGetCapabilities, login, req, rsp));
    EXPECT_EQ(ONVIF_ERR_UNREACHABLE, Zentar::Infra::getLastError());
}

TEST_F(ExchangeTest, AnonymousSilentServerTimesOut)
{
    ASSERT_TRUE(COnvifBaseComm::instance()->setSOAPTimeout(1000, 1000, 1000));
    LoopbackHttpServer server([](const HttpRequest&, size_t) { return HttpReply::silent(); });
    Zentar::Infra::setLastError(0);
    Json::Value rsp;
    time_t start = time(nullptr);
    EXPECT_EQ(-1, runOperation(kGetCapabilities, loginFor(server), requestFor(server), rsp));
    EXPECT_EQ(ONVIF_ERR_TIMEOUT, Zentar::Infra::getLastError());
    EXPECT_EQ(1u, server.requestCount()) << "no answer at all: the signed retry is pointless";
    EXPECT_LT(time(nullptr) - start, 30) << "bounded by the time-outs, not hanging";
}

TEST_F(ExchangeTest, AnonymousGarbageIsUnreadable)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) {
        return HttpReply::rawBytes("\x16\x03\x01 this is not HTTP at all\r\n\r\n");
    });
    Zentar::Infra::setLastError(0);
    Json::Value rsp;
    EXPECT_EQ(-1, runOperation(kGetCapabilities, loginFor(server), requestFor(server), rsp));
    EXPECT_EQ(ONVIF_ERR_BAD_ANSWER, Zentar::Infra::getLastError());
    EXPECT_EQ(2u, server.requestCount()) << "an unreadable first answer still gets the signed retry";
}

} // namespace
