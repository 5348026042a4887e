// Hostile peers in one table: devices that answer the client's SOAP and RTSP requests with
// silence, garbage, endless or gigantic answers. Every row must end within a generous
// bound (early on success), with a non-zero error code that a host has a sentence for.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "CannedDevice.h"
#include "Component/FactoryRegistry.h"
#include "Components/Client/OnvifClient.h"
#include "DeviceAnswers.h"
#include "ErrorSentences.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifExchange.h"
#include "RtspScriptedServer.h"
#include "onvif_media_test_support.h"

using namespace OnvifTest;
using namespace RPC::Onvif;
using namespace Zentar::StreamApp;
using Clock = std::chrono::steady_clock;
using MediaTest::Exchange;
using MediaTest::runCommand;

namespace {

// Long enough for a loaded CI machine, far below "hangs".
constexpr auto kRowBound = std::chrono::seconds(30);

void expectExplained(uint32_t code, const std::string& row)
{
    EXPECT_NE(code, 0u) << row << ": a failure without a code";
    EXPECT_NE(Zentar::Component::errorSentence(code), nullptr)
        << row << std::hex << ": no sentence for 0x" << code;
}

template <class Row> std::string rowName(const ::testing::TestParamInfo<Row>& info)
{
    std::string name;
    for (char c : std::string(info.param.name))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

// ---- SOAP: the login of a host against a device whose answers turn hostile ----------

struct HttpRow {
    const char* name;
    std::function<HttpReply()> reply;
    bool clockToo;        // the clock request is hostile as well (nothing ever answers well)
    uint32_t code;
};

std::string nested(size_t depth)
{
    std::string open, close;
    open.reserve(depth * 3);
    close.reserve(depth * 4);
    for (size_t i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    // No response element: the login's capability step itself fails on it.
    return soapEnvelope(open + close);
}

std::string manyHeaders(size_t count)
{
    std::string out = "HTTP/1.1 200 OK\r\n";
    out.reserve(count * 10);
    for (size_t i = 0; i < count; ++i)
        out += "X-H: v\r\n";
    return out + "Content-Length: 0\r\n\r\n";
}

const std::string kDoctype = "<?xml version=\"1.0\"?><!DOCTYPE e [<!ENTITY a \"aaaaaaaaaa\">"
                             "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;\">]>";

// What a TLS port or another service might send a plain HTTP request.
const std::string kGarbage = "\x16\x03\x01garbage\r\n\r\n\xff";

const HttpRow kHttpRows[] = {
    {"silence", [] { return HttpReply::silent(); }, true, ONVIF_ERR_UNREACHABLE},
    // Garbage: the login's first request (the clock) counts every failure as an unreachable
    // device, whose sentence also names a peer that does not speak HTTP; garbage to the
    // requests after it is an unreadable answer.
    {"garbage from the start", [] { return HttpReply::rawBytes(kGarbage); }, true, ONVIF_ERR_UNREACHABLE},
    {"garbage after the clock", [] { return HttpReply::rawBytes(kGarbage); }, false, ONVIF_ERR_BAD_ANSWER},
    {"2 GiB Content-Length",
     [] { return HttpReply::rawBytes("HTTP/1.1 200 OK\r\nContent-Length: 2147483648\r\n\r\n<s:Envelope"); }, false,
     ONVIF_ERR_BAD_ANSWER},
    {"trickling bytes", [] { return HttpReply::trickle("HTTP/1.1 200 OK\r\n", "X-Slow: yes\r\n", 20); }, false,
     ONVIF_ERR_TIMEOUT},
    {"200,000 headers", [] { return HttpReply::rawBytes(manyHeaders(200000)); }, false, ONVIF_ERR_BAD_ANSWER},
    {"a DOCTYPE", [] {
         return HttpReply::soap(200, kDoctype + soapEnvelope("<tds:GetServicesResponse>&c;</tds:GetServicesResponse>"));
     }, false, ONVIF_ERR_BAD_ANSWER},
    {"endless 401s", [] { return digestChallenge("hostile", "n0nce"); }, false, ONVIF_ERR_BAD_CREDENTIALS},
    {"200,000 nested elements", [] { return HttpReply::soap(200, nested(200000)); }, false, ONVIF_ERR_BAD_ANSWER},
};

class HostileHttpPeer : public ::testing::TestWithParam<HttpRow> {
protected:
    void SetUp() override { ASSERT_TRUE(COnvifBaseComm::instance()->setSOAPTimeout(500, 500, 1500)); }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }
};

TEST_P(HostileHttpPeer, LoginEndsWithAnExplainedCode)
{
    const HttpRow& row = GetParam();
    CannedDevice device;
    device.loadDefaultCamera();
    std::vector<std::string> hostile = {"GetServices", "GetCapabilities", "GetProfiles"};
    if (row.clockToo)
        hostile.push_back("GetSystemDateAndTime");
    for (const std::string& operation : hostile)
        device.override(operation, [&row](const HttpRequest&) { return row.reply(); });

    Zentar::Component::ServerInfo info;
    info.address = "127.0.0.1";
    info.port = static_cast<uint16_t>(device.port());
    info.userName = "admin";
    info.password = "Pa55word!";
    initOnvifComponentLibrary();
    auto* client = dynamic_cast<COnvifClient*>(Zentar::Component::getComponentInstance("Client", "Onvif", &info));
    ASSERT_NE(client, nullptr);

    const auto start = Clock::now();
    Zentar::Infra::setLastError(0);
    const bool loggedIn = client->login();
    const uint32_t code = Zentar::Infra::getLastError();
    const auto elapsed = Clock::now() - start;
    client->destroy();

    EXPECT_FALSE(loggedIn) << row.name;
    EXPECT_LT(elapsed, kRowBound) << row.name;
    EXPECT_EQ(code, row.code) << row.name << std::hex << ": got 0x" << code;
    expectExplained(code, row.name);
    EXPECT_LT(device.total(), 20u) << row.name << ": the client keeps asking a hostile device";
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileHttpPeer, ::testing::ValuesIn(kHttpRows),
                         rowName<HttpRow>);

// A device that refuses an operation (OSD past its maximum, a value out of range) must not
// reach the host as "false, error 0".
TEST(HostileHttpPeerOperations, EveryRefusalCarriesItsCode)
{
    const struct {
        const char* name;
        HttpReply reply;
        uint32_t code;
    } rows[] = {
        {"SOAP fault 500", HttpReply::soap(500, soapFault("ter:MaxOSDs", "Too many OSDs")), ONVIF_ERR_DEVICE_REFUSED},
        {"SOAP fault 400", HttpReply::soap(400, soapFault("ter:InvalidArgVal", "No such token")),
         ONVIF_ERR_DEVICE_REFUSED},
        {"401", notAuthorizedFault(401), ONVIF_ERR_BAD_CREDENTIALS},
        {"another operation's answer", HttpReply::soap(200, soapEnvelope("<tds:SomethingElseResponse/>")),
         ONVIF_ERR_BAD_ANSWER},
        {"not XML", HttpReply::soap(200, "<<<<"), ONVIF_ERR_BAD_ANSWER},
        {"dropped", HttpReply::close(), ONVIF_ERR_BAD_ANSWER},
    };
    for (const auto& row : rows) {
        Zentar::Infra::setLastError(0);
        Exchange ex = runCommand("Media", "GetProfiles", Json::Value(Json::objectValue), row.reply);
        EXPECT_NE(ex.ret, 0) << row.name;
        const uint32_t code = Zentar::Infra::getLastError();
        EXPECT_EQ(code, row.code) << row.name << std::hex << ": got 0x" << code;
        expectExplained(code, row.name);
    }
}

// ---- RTSP: a session that plays, facing a hostile server ------------------------------

const std::string kVideoSdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=Hostile\r\nt=0 0\r\n"
                              "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\na=control:trackID=1\r\n";

std::string noise(size_t size, uint32_t seed)
{
    std::mt19937 random(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(random());
    return out;
}

std::string interleaved(const std::string& payload)
{
    std::string frame = "$";
    frame += '\0';
    frame += static_cast<char>(payload.size() >> 8);
    frame += static_cast<char>(payload.size() & 0xFF);
    return frame + payload;
}

std::string sdpWithMedia(size_t count)
{
    std::string sdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=Many\r\nt=0 0\r\n";
    for (size_t i = 0; i < count; ++i)
        sdp += "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\na=control:trackID=" + std::to_string(i) + "\r\n";
    return sdp;
}

// A burst of count interleaved frames, in one write: as fast as the connection takes them.
std::function<void(RtspScriptedServer&)> sends(int count, std::function<std::string(uint16_t)> frame)
{
    return [count, frame](RtspScriptedServer& server) {
        std::string burst;
        for (int i = 0; i < count; ++i)
            burst += interleaved(frame(static_cast<uint16_t>(i)));
        server.sendRaw(burst);
    };
}

struct RtspRow {
    const char* name;
    // Replaces the DESCRIBE answer when set: the session then never plays.
    std::function<RtspReply()> describe;
    // What the server does once the session plays (nullptr: nothing).
    std::function<void(RtspScriptedServer&)> afterPlay;
    long code;
};

const RtspRow kRtspRows[] = {
    {"garbage after PLAY", nullptr,
     [](RtspScriptedServer& s) { s.sendRaw("HELLO\xff\xfe not a frame\r\n\r\n"); }, kRtspErrProtocol},
    {"64 KiB interleaved frames of noise", nullptr,
     [](RtspScriptedServer& s) {
         for (uint32_t i = 0; i < 32; ++i)
             s.sendRaw(interleaved(noise(65535, i)));
     },
     kRtspErrNoData},
    {"an SDP with 20,000 media sections",
     [] {
         RtspReply r = RtspReply::ok().with("Content-Type", "application/sdp");
         r.body = sdpWithMedia(20000);
         return r;
     },
     nullptr, kRtspErrProtocol},
    {"endless headers",
     [] {
         std::string head = "RTSP/1.0 200 OK\r\nCSeq: 2\r\n";
         for (int i = 0; i < 100000; ++i)
             head += "X-More: " + std::to_string(i) + "\r\n";
         return RtspReply::rawBytes(head);
     },
     nullptr, kRtspErrProtocol},
    {"random RTP", nullptr,
     sends(2000,
           [](uint16_t seq) { return makeRtp(96, seq, seq * 3000u, 7, seq % 5 == 0, noise(1 + seq % 1400, seq)); }),
     kRtspErrNoData},
    {"FU-A starts that never end", nullptr,
     sends(3000, [](uint16_t seq) { return makeRtp(96, seq, 9000, 7, false, "\x7c\x85" + noise(1200, seq)); }),
     kRtspErrNoData},
    {"1-byte frames at full speed", nullptr,
     sends(200000, [](uint16_t seq) { return std::string(1, static_cast<char>(seq)); }), kRtspErrNoData},
    {"silence after PLAY", nullptr, nullptr, kRtspErrNoData},
};

class HostileRtspPeer : public ::testing::TestWithParam<RtspRow> {};

TEST_P(HostileRtspPeer, SessionEndsWithAnExplainedCode)
{
    const RtspRow& row = GetParam();
    RtspScriptedServer server([&row](const RtspRequest& r, size_t) {
        if (r.method == "DESCRIBE" && row.describe)
            return row.describe();
        return RtspScriptedServer::deviceAnswer(r, kVideoSdp, 60, 0, 0);
    });
    // A short data watchdog: rows that keep the session alive end when the noise stops.
    RtspClientProbe probe(kRtspTransTcp, 3000, 1500);
    const auto start = Clock::now();
    ASSERT_EQ(probe.start(server.url()), 0);
    if (probe.waitEither(kRtspMsgReady, kRtspMsgError, 10000) == kRtspMsgReady) {
        ASSERT_EQ(probe.session().play(-1), 0) << row.name;
        ASSERT_TRUE(probe.waitEither(kRtspMsgPlaying, kRtspMsgError, 10000)) << row.name;
        if (row.afterPlay)
            row.afterPlay(server);
    }
    ASSERT_TRUE(probe.waitMessage(kRtspMsgError, 20000)) << row.name;
    EXPECT_LT(Clock::now() - start, kRowBound) << row.name;
    EXPECT_EQ(probe.errorCode(), row.code) << row.name << std::hex << ": got 0x" << probe.errorCode();
    EXPECT_EQ(probe.countMessages(kRtspMsgError), 1u) << row.name;
    expectExplained(static_cast<uint32_t>(probe.errorCode()), row.name);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileRtspPeer, ::testing::ValuesIn(kRtspRows),
                         rowName<RtspRow>);

} // namespace
