// RTSP client sessions against a scripted loopback server: what each transport puts on
// the wire, and that media comes back out as frames in order.
#include "MulticastProbe.h"
#include "RtspScriptedServer.h"

#include "Packaging/NativeFrame.h"
#include "Stream/Media/SdpParser.h"
#include "Stream/Media/SvrMediaFrame.h"
#include "Stream/Rtsp/RtspClientSession.h"
#include "Stream/Rtsp/RtspTransportHeader.h"

#include <gtest/gtest.h>

using namespace Zentar::StreamApp;
using OnvifTest::RtspClientProbe;
using OnvifTest::RtspReply;
using OnvifTest::RtspRequest;
using OnvifTest::RtspScriptedServer;
using OnvifTest::makeRtp;

namespace {

const std::string kSdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=Test\r\nt=0 0\r\na=control:*\r\n"
                         "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\na=control:trackID=1\r\n"
                         "m=audio 0 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\na=control:trackID=2\r\n";

const std::string kTalkSdp = kSdp + "m=audio 0 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\na=sendonly\r\n"
                                    "a=control:trackID=5\r\n";

RtspScriptedServer::Handler device(const std::string& sdp, int timeout = 60)
{
    return [sdp, timeout](const RtspRequest& r, size_t) {
        if (r.method == "GET" && r.protocol.compare(0, 5, "HTTP/") == 0)
            return RtspReply().with("Content-Type", "application/x-rtsp-tunnelled");
        return RtspScriptedServer::deviceAnswer(r, sdp, timeout, 0, 0);
    };
}

std::vector<RtspRequest> rtspOnly(const std::vector<RtspRequest>& all)
{
    std::vector<RtspRequest> out;
    for (const auto& r : all)
        if (r.protocol.compare(0, 5, "RTSP/") == 0)
            out.push_back(r);
    return out;
}

// Starts, waits for the description, plays and waits until playing.
void startPlaying(RtspClientProbe& probe, const std::string& url, bool tls = false)
{
    ASSERT_EQ(probe.start(url, tls), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady)) << "no description";
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying)) << "no PLAY answer, error 0x" << std::hex << probe.errorCode();
}

std::vector<std::string> payloads(const std::vector<RtspClientProbe::Frame>& frames, int media)
{
    std::vector<std::string> out;
    for (const auto& f : frames)
        if (f.media == media)
            out.push_back(f.payload);
    return out;
}

} // namespace

TEST(RtspSessionTransport, InterleavedRequestsAndFrames)
{
    RtspScriptedServer server(device(kSdp));
    RtspClientProbe probe(kRtspTransTcp);
    const std::string url = server.url();
    startPlaying(probe, url);

    auto requests = rtspOnly(server.requests());
    ASSERT_EQ(server.methods(), (std::vector<std::string>{"OPTIONS", "DESCRIBE", "SETUP", "SETUP", "PLAY"}));
    EXPECT_EQ(requests[1].header("accept"), "application/sdp");
    EXPECT_EQ(requests[2].url, url + "/trackID=1");
    EXPECT_EQ(requests[2].header("transport"), "RTP/AVP/TCP;unicast;interleaved=0-1");
    EXPECT_TRUE(requests[2].header("session").empty()) << "no session before the first SETUP answer";
    EXPECT_EQ(requests[3].url, url + "/trackID=2");
    EXPECT_EQ(requests[3].header("transport"), "RTP/AVP/TCP;unicast;interleaved=2-3");
    EXPECT_EQ(requests[3].header("session"), "s1");
    EXPECT_EQ(requests[4].url, url + "/") << "PLAY goes to the aggregate control address";
    EXPECT_EQ(requests[4].header("session"), "s1");
    for (size_t i = 0; i < requests.size(); ++i)
        EXPECT_EQ(requests[i].header("cseq"), std::to_string(i + 1));

    // PCMU on the audio track's channel: every packet is one frame.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(server.sendInterleaved(2, makeRtp(0, static_cast<uint16_t>(100 + i), 160u * i, 7, false,
                                                      "pcm" + std::to_string(i))));
    // RTCP and an unknown channel are not frames.
    ASSERT_TRUE(server.sendInterleaved(3, std::string("\x80\xc8\x00\x06", 4) + std::string(24, '\0')));
    ASSERT_TRUE(server.sendInterleaved(9, "junk"));
    ASSERT_TRUE(probe.waitFrames(3));
    auto frames = probe.frames();
    EXPECT_EQ(payloads(frames, 1), (std::vector<std::string>{"pcm0", "pcm1", "pcm2"}));
    EXPECT_EQ(frames[0].frameType, 65);

    probe.session().close();
    EXPECT_TRUE(server.waitFor("TEARDOWN", 1));
    EXPECT_EQ(probe.countMessages(kRtspMsgError), 0u);
}

TEST(RtspSessionTransport, SelectedMediaOnlyAreSetUp)
{
    RtspScriptedServer server(device(kSdp));
    RtspClientProbe probe(kRtspTransTcp);
    ASSERT_EQ(probe.start(server.url()), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady));
    auto sdp = probe.session().getSdpParser();
    ASSERT_TRUE(sdp);
    ASSERT_EQ(sdp->getMediaTotal(), 2);
    EXPECT_EQ(probe.session().setSetupInfo(5), -1);
    ASSERT_EQ(probe.session().setSetupInfo(1), 0);
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying));
    auto requests = rtspOnly(server.requests());
    ASSERT_EQ(server.count("SETUP"), 1u);
    EXPECT_EQ(requests[2].url, server.url() + "/trackID=2");
}

// Both ways of receiving UDP: open sockets, and sockets connected to the server's ports.
class RtspSessionUdp : public ::testing::TestWithParam<bool> {};

TEST_P(RtspSessionUdp, PortsFromTheRangeAndReorderedPacketsInOrder)
{
    RtspScriptedServer server([&](const RtspRequest& r, size_t) {
        return RtspScriptedServer::deviceAnswer(r, kSdp, 60, server.udpRtpPort(), server.udpRtcpPort());
    });
    RtspClientProbe probe(kRtspTransUdp);
    uint32_t range[2] = {41000, 41999};
    ASSERT_EQ(probe.session().setConfig(kRtspCfgUdpPortRange, range, sizeof range), 0);
    uint32_t backwards[2] = {5000, 4000};
    EXPECT_EQ(probe.session().setConfig(kRtspCfgUdpPortRange, backwards, sizeof backwards), -1);
    uint8_t connect = GetParam() ? 1 : 0;
    ASSERT_EQ(probe.session().setConfig(kRtspCfgUdpConnect, &connect, 1), 0);
    uint32_t buffers[2] = {262144, 262144};
    ASSERT_EQ(probe.session().setConfig(kRtspCfgRecvBuffer, buffers, sizeof buffers), 0);
    startPlaying(probe, server.url());

    auto requests = rtspOnly(server.requests());
    ASSERT_EQ(requests.size(), 5u);
    CRtspTransportHeader asked;
    ASSERT_TRUE(asked.parse(requests[3].header("transport"))) << requests[3].header("transport");
    EXPECT_FALSE(asked.tcp);
    EXPECT_EQ(asked.clientPort[0] % 2, 0) << "RTP on the even port";
    EXPECT_EQ(asked.clientPort[1], asked.clientPort[0] + 1);
    EXPECT_GE(asked.clientPort[0], 41000);
    EXPECT_LE(asked.clientPort[1], 41999);

    // Out of order on the wire: 10 12 11 14 13.
    for (int seq : {10, 12, 11, 14, 13})
        ASSERT_TRUE(server.sendUdp(asked.clientPort[0], makeRtp(0, static_cast<uint16_t>(seq), 160u * seq, 9,
                                                               false, "s" + std::to_string(seq))));
    ASSERT_TRUE(probe.waitFrames(5));
    EXPECT_EQ(payloads(probe.frames(), 1), (std::vector<std::string>{"s10", "s11", "s12", "s13", "s14"}));

    // A receiver report goes to the server's RTCP port once something was received.
    ASSERT_TRUE(server.waitForClientPacket(8000));
    auto packets = server.clientPackets();
    ASSERT_FALSE(packets.empty());
    EXPECT_TRUE(packets[0].rtcpPort);
    ASSERT_GE(packets[0].bytes.size(), 8u);
    EXPECT_EQ(static_cast<uint8_t>(packets[0].bytes[1]), 201) << "RR";
}

INSTANTIATE_TEST_SUITE_P(ConnectMode, RtspSessionUdp, ::testing::Bool());

TEST(RtspSessionTransport, TransportCheckRefusesAnotherTransport)
{
    // Asked for UDP, the device answers interleaved: taken as it is, unless checked.
    for (bool check : {false, true}) {
        RtspScriptedServer server([](const RtspRequest& r, size_t) {
            RtspReply reply = RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
            if (r.method == "SETUP") {
                reply.headers.clear();
                reply.with("Transport", r.url.find("trackID=1") != std::string::npos
                                            ? "RTP/AVP/TCP;unicast;interleaved=0-1"
                                            : "RTP/AVP/TCP;unicast;interleaved=2-3")
                    .with("Session", "s1");
            }
            return reply;
        });
        RtspClientProbe probe(kRtspTransUdp);
        uint8_t on = check ? 1 : 0;
        ASSERT_EQ(probe.session().setConfig(kRtspCfgTransCheck, &on, 1), 0);
        ASSERT_EQ(probe.start(server.url()), 0);
        ASSERT_TRUE(probe.waitMessage(kRtspMsgReady));
        ASSERT_EQ(probe.session().play(-1), 0);
        if (check) {
            ASSERT_TRUE(probe.waitMessage(kRtspMsgError));
            EXPECT_EQ(probe.errorCode(), kRtspErrTransport);
            EXPECT_EQ(server.count("PLAY"), 0u);
            continue;
        }
        ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying));
        ASSERT_TRUE(server.sendInterleaved(2, makeRtp(0, 1, 0, 3, false, "switched")));
        ASSERT_TRUE(probe.waitFrames(1));
        EXPECT_EQ(probe.frames()[0].payload, "switched");
    }
}

TEST(RtspSessionTransport, MulticastGroupFromTheSetupAnswer)
{
    // A port pair that is free now; the group lives only on this host (TTL 0, loopback).
    int probePort = 0;
    {
        RtspScriptedServer portSource([](const RtspRequest&, size_t) { return RtspReply::silent(); });
        probePort = portSource.udpRtpPort() & ~1;
    }
    const std::string group = "239.255.42.7";
    const std::string missing = OnvifTest::multicastUnavailable(group.c_str(), "127.0.0.1");
    if (!missing.empty())
        GTEST_SKIP() << "this machine has no multicast on loopback: " << missing;
    RtspScriptedServer server([&](const RtspRequest& r, size_t) {
        RtspReply reply = RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
        if (r.method == "SETUP") {
            reply.headers.clear();
            reply.with("Transport", "RTP/AVP;multicast;destination=" + group + ";port=" + std::to_string(probePort)
                                        + "-" + std::to_string(probePort + 1) + ";ttl=0")
                .with("Session", "s1");
        }
        return reply;
    });
    RtspClientProbe probe(kRtspTransMulticast);
    ASSERT_EQ(probe.session().setSetupInfo(0), -1) << "no description yet";
    ASSERT_EQ(probe.start(server.url()), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady));
    ASSERT_EQ(probe.session().setSetupInfo(1), 0);
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying)) << "error 0x" << std::hex << probe.errorCode();
    EXPECT_EQ(rtspOnly(server.requests())[2].header("transport"), "RTP/AVP;multicast");
    // The group was joined when SETUP was answered, so it is in place by now.
    ASSERT_TRUE(server.sendMulticast(group, probePort, makeRtp(0, 1, 0, 4, false, "group")));
    ASSERT_TRUE(probe.waitFrames(1));
    EXPECT_EQ(probe.frames()[0].payload, "group");
}

TEST(RtspSessionTransport, HttpTunnelCarriesRequestsAndMedia)
{
    RtspScriptedServer server(device(kSdp));
    RtspClientProbe probe(kRtspTransHttp);
    startPlaying(probe, server.url());

    auto all = server.requests();
    ASSERT_GE(all.size(), 7u);
    EXPECT_EQ(all[0].method, "GET");
    EXPECT_EQ(all[0].url, "/live/ch0");
    EXPECT_EQ(all[0].header("accept"), "application/x-rtsp-tunnelled");
    EXPECT_EQ(all[1].method, "POST");
    EXPECT_EQ(all[1].header("content-type"), "application/x-rtsp-tunnelled");
    EXPECT_FALSE(all[0].header("x-sessioncookie").empty());
    EXPECT_EQ(all[0].header("x-sessioncookie"), all[1].header("x-sessioncookie"));
    EXPECT_NE(all[0].connection, all[1].connection) << "GET and POST on their own connections";
    EXPECT_EQ(server.methods(), (std::vector<std::string>{"OPTIONS", "DESCRIBE", "SETUP", "SETUP", "PLAY"}));
    EXPECT_EQ(all[2].connection, all[1].connection) << "requests travel on the POST connection";

    ASSERT_TRUE(server.sendInterleaved(2, makeRtp(0, 1, 0, 3, false, "tunnelled")));
    ASSERT_TRUE(probe.waitFrames(1));
    EXPECT_EQ(probe.frames()[0].payload, "tunnelled");
}

// RTSP over TLS, directly and through the HTTPS tunnel.
class RtspSessionTls : public ::testing::TestWithParam<int> {};

TEST_P(RtspSessionTls, EncryptedConnectionCarriesRequestsAndMedia)
{
    RtspScriptedServer server(device(kSdp), true);
    RtspClientProbe probe(GetParam());
    startPlaying(probe, server.url(), true);
    EXPECT_EQ(server.methods(), (std::vector<std::string>{"OPTIONS", "DESCRIBE", "SETUP", "SETUP", "PLAY"}));
    ASSERT_TRUE(server.sendInterleaved(2, makeRtp(0, 1, 0, 3, false, "secret")));
    ASSERT_TRUE(probe.waitFrames(1));
    EXPECT_EQ(probe.frames()[0].payload, "secret");
}

INSTANTIATE_TEST_SUITE_P(Kinds, RtspSessionTls, ::testing::Values(kRtspTransTcp, kRtspTransHttp));

TEST(RtspSessionTransport, PlainClientOnATlsServerFails)
{
    RtspScriptedServer server(device(kSdp), true);
    RtspClientProbe probe(kRtspTransTcp, 1000);
    ASSERT_EQ(probe.start(server.url()), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgError, 8000));
    EXPECT_EQ(probe.countMessages(kRtspMsgReady), 0u);
}

TEST(RtspSessionTransport, ReplayRangeScaleAndHeaderFields)
{
    RtspScriptedServer server(device(kSdp));
    RtspClientProbe probe(kRtspTransTcp);
    CRtspPlayRange range;
    range.type = CRtspPlayRange::kClock;
    const int32_t start[7] = {2024, 1, 2, 3, 4, 5, 0};
    const int32_t end[7] = {2024, 1, 2, 4, 0, 0, 0};
    std::copy(start, start + 7, range.clock.start);
    std::copy(end, end + 7, range.clock.end);
    ASSERT_EQ(probe.session().setPlayInfo(range, 2.0f, false), 0);
    ASSERT_EQ(probe.session().setRtspMsgHeadField("PLAY", "Speed", "2.000000"), 0);
    EXPECT_EQ(probe.session().setRtspMsgHeadField("PLAY", "Bad\r\nName", "x"), -1);
    startPlaying(probe, server.url());

    auto requests = rtspOnly(server.requests());
    EXPECT_EQ(requests[1].header("require"), "onvif-replay") << "DESCRIBE";
    EXPECT_EQ(requests[2].header("require"), "onvif-replay") << "SETUP";
    const RtspRequest& play = requests[4];
    EXPECT_EQ(play.header("range"), "clock=20240102T030405Z-20240102T040000Z");
    EXPECT_EQ(play.header("scale"), "2.00");
    EXPECT_EQ(play.header("rate-control"), "yes");
    EXPECT_EQ(play.header("require"), "onvif-replay");
    EXPECT_EQ(play.header("speed"), "2.000000");
    EXPECT_TRUE(requests[1].header("speed").empty()) << "the field is for PLAY only";

    // Pause, then continue from where the stream stands, key frames only.
    ASSERT_EQ(probe.session().pause(), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPaused));
    CRtspPlayRange here;
    here.type = CRtspPlayRange::kClock;
    here.clock.start[0] = 0; // no start time: no Range
    ASSERT_EQ(probe.session().setPlayInfo(here, 1.0f, true), 0);
    ASSERT_EQ(probe.session().setIFrame(true), 0);
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(server.waitFor("PLAY", 2));
    requests = rtspOnly(server.requests());
    const RtspRequest& again = requests.back();
    EXPECT_EQ(again.method, "PLAY");
    EXPECT_TRUE(again.header("range").empty());
    EXPECT_TRUE(again.header("scale").empty());
    EXPECT_EQ(again.header("rate-control"), "no");
    EXPECT_EQ(again.header("frames"), "intra");
    EXPECT_EQ(server.count("PAUSE"), 1u);
}

TEST(RtspSessionTransport, UserMessagesGoAsParameterRequests)
{
    // A GET_PARAMETER answer larger than the first receive buffer is taken whole.
    const std::string big(150000, 'p');
    RtspScriptedServer server([&](const RtspRequest& r, size_t) {
        RtspReply reply = RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
        if (r.method == "GET_PARAMETER")
            reply.body = big;
        return reply;
    });
    RtspClientProbe probe(kRtspTransTcp);
    startPlaying(probe, server.url());
    EXPECT_EQ(probe.session().sendRtspUserMsg(0, nullptr), -1);
    EXPECT_EQ(probe.session().sendRtspUserMsg(7, "x"), -1);
    ASSERT_EQ(probe.session().sendRtspUserMsg(1, "position\r\n"), 0);
    ASSERT_EQ(probe.session().sendRtspUserMsg(0, "focus: near\r\n"), 0);
    ASSERT_TRUE(server.waitFor("SET_PARAMETER", 1));
    auto requests = rtspOnly(server.requests());
    EXPECT_EQ(requests[requests.size() - 2].method, "GET_PARAMETER");
    EXPECT_EQ(requests.back().body, "focus: near\r\n");
    EXPECT_EQ(requests.back().header("content-type"), "text/parameters");
    EXPECT_EQ(requests.back().header("session"), "s1");
    EXPECT_EQ(probe.countMessages(kRtspMsgError), 0u);
}

TEST(RtspSessionTransport, TalkSendsOnTheBackChannel)
{
    RtspScriptedServer server(device(kTalkSdp));
    RtspClientProbe probe(kRtspTransTcp);
    int32_t talk = 1;
    ASSERT_EQ(probe.session().setConfig(kRtspCfgVideoTalk, &talk, sizeof talk), 0);
    uint8_t rtcpOff = 0;
    ASSERT_EQ(probe.session().setConfig(kRtspCfgRtcpEnable, &rtcpOff, 1), 0);
    startPlaying(probe, server.url());

    auto requests = rtspOnly(server.requests());
    EXPECT_EQ(requests[1].header("require"), "www.onvif.org/ver20/backchannel");
    ASSERT_EQ(server.count("SETUP"), 3u);
    EXPECT_EQ(requests[4].url, server.url() + "/trackID=5");
    EXPECT_EQ(requests[4].header("transport"), "RTP/AVP/TCP;unicast;interleaved=4-5");

    // A native audio frame from the host becomes one RTP packet with the track's payload type.
    std::vector<uint8_t> native;
    RPC::CNativeFrameWriter writer;
    writer.setKind(RPC::NativeFrame::kKindAudio);
    const std::string pcm(320, '\x55');
    ASSERT_TRUE(writer.write(reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size(), native));
    Zentar::Stream::CMediaFrame packet;
    ASSERT_TRUE(packet.assign(native.data(), native.size()));
    Zentar::StreamSvr::CMediaFrame frame;
    ASSERT_TRUE(frame.assign(packet));
    ASSERT_EQ(probe.session().put(frame), 0);
    ASSERT_TRUE(server.waitForClientPacket());
    auto sent = server.clientPackets();
    ASSERT_EQ(sent[0].channel, 4);
    ASSERT_EQ(sent[0].bytes.size(), 12 + pcm.size());
    EXPECT_EQ(static_cast<uint8_t>(sent[0].bytes[0]), 0x80);
    EXPECT_EQ(sent[0].bytes[1] & 0x7F, 0) << "PCMU";
    EXPECT_EQ(sent[0].bytes.substr(12), pcm);

    Zentar::StreamSvr::CMediaFrame garbage;
    Zentar::Stream::CMediaFrame notNative;
    ASSERT_TRUE(notNative.assign(reinterpret_cast<const uint8_t*>("abcd"), 4));
    ASSERT_TRUE(garbage.assign(notNative));
    EXPECT_EQ(probe.session().put(garbage), -1);
}

TEST(RtspSessionTransport, UnknownKindAndBadAddressesAreRefused)
{
    EXPECT_FALSE(CRtspClientSession::create(3));
    EXPECT_FALSE(CRtspClientSession::create(-1));
    RtspClientProbe probe(kRtspTransTcp);
    EXPECT_EQ(probe.start("not an address"), -1);
    EXPECT_EQ(probe.session().setConfig(kRtspCfgRecvBuffer, "x", 1), -1);
    EXPECT_EQ(probe.session().setConfig(77, "x", 1), -1);
    RtspScriptedServer server(device(kSdp));
    ASSERT_EQ(probe.start(server.url()), 0);
    EXPECT_EQ(probe.start(server.url()), -1) << "a session starts once";
}
