// RTSP client sessions facing broken, hostile, slow and dead servers: every case ends in
// exactly one error message with a telling code, within its time-out, without a crash.
#include "RtspScriptedServer.h"
#include "RtspSteppedClock.h"

#include "Stream/Rtsp/RtspClientSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Zentar::StreamApp;
using OnvifTest::RtspClientProbe;
using OnvifTest::RtspReply;
using OnvifTest::RtspRequest;
using OnvifTest::RtspScriptedServer;
using OnvifTest::makeRtp;

namespace {

const std::string kSdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=Test\r\nt=0 0\r\n"
                         "m=audio 0 RTP/AVP 0\r\na=control:trackID=2\r\n";

// A server whose DESCRIBE answer is replaced by the given one.
RtspScriptedServer::Handler describeAnswers(RtspReply reply)
{
    return [reply](const RtspRequest& r, size_t) {
        if (r.method == "DESCRIBE")
            return reply;
        return RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
    };
}

int unusedLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

void expectOneError(const RtspClientProbe& probe, long code, const std::string& why)
{
    ASSERT_TRUE(probe.waitMessage(kRtspMsgError, 8000)) << why;
    EXPECT_EQ(probe.errorCode(), code) << why << std::hex << " got 0x" << probe.errorCode();
    EXPECT_EQ(probe.countMessages(kRtspMsgError), 1u) << why;
    EXPECT_EQ(probe.countMessages(kRtspMsgReady), 0u) << why;
}

} // namespace

TEST(RtspSessionFaults, BadDescribeAnswers)
{
    const std::string cseq = "CSeq: 2\r\n";
    const struct {
        const char* why;
        RtspReply reply;
        long code;
    } cases[] = {
        {"garbage status line", RtspReply::rawBytes("HELLO THERE\r\n\r\n"), kRtspErrProtocol},
        {"binary bytes", RtspReply::rawBytes(std::string("\x16\x03\x01\x00\x05hello", 10)), kRtspErrProtocol},
        {"huge header block", RtspReply::rawBytes("RTSP/1.0 200 OK\r\n" + cseq + "X-Pad: " + std::string(40000, 'x')),
         kRtspErrProtocol},
        {"Content-Length not a number", RtspReply::rawBytes("RTSP/1.0 200 OK\r\n" + cseq + "Content-Length: 12x\r\n\r\n"),
         kRtspErrProtocol},
        {"Content-Length of a gigabyte",
         RtspReply::rawBytes("RTSP/1.0 200 OK\r\n" + cseq + "Content-Length: 1000000000\r\n\r\n"), kRtspErrProtocol},
        {"body shorter than its length, then silence",
         RtspReply::rawBytes("RTSP/1.0 200 OK\r\n" + cseq + "Content-Length: 500\r\n\r\nv=0\r\n"), kRtspErrTimeout},
        {"no description in the body", RtspReply::ok(), kRtspErrProtocol},
        {"not found", RtspReply::status_(404, "Not Found"), 0x10090194},
        {"redirect is not followed", RtspReply::status_(302, "Moved").with("Location", "rtsp://10.9.9.9/x"),
         0x1009012e},
        {"server error", RtspReply::status_(500, "Internal Server Error"), 0x100901f4},
        {"no answer", RtspReply::silent(), kRtspErrTimeout},
        {"connection dropped", RtspReply::close(), kRtspErrEnd},
    };
    for (const auto& c : cases) {
        RtspReply reply = c.reply;
        if (std::string(c.why) == "no description in the body")
            reply.body = "this is not a session description";
        RtspScriptedServer server(describeAnswers(reply));
        RtspClientProbe probe(kRtspTransTcp, 800);
        ASSERT_EQ(probe.start(server.url()), 0) << c.why;
        expectOneError(probe, c.code, c.why);
        EXPECT_EQ(server.count("SETUP"), 0u) << c.why;
        EXPECT_EQ(server.connectionCount(), 1) << c.why << ": nothing else was dialled";
    }
}

TEST(RtspSessionFaults, FailureAtEveryStepEndsOnce)
{
    // Requests 0..3 are OPTIONS, DESCRIBE, SETUP, PLAY: the server hangs up at one of them,
    // or refuses it with 454. Only a refused OPTIONS is survived (devices without OPTIONS).
    for (size_t step = 0; step < 4; ++step) {
        for (bool hangUp : {true, false}) {
            RtspScriptedServer server([step, hangUp](const RtspRequest& r, size_t index) {
                if (index == step)
                    return hangUp ? RtspReply::close() : RtspReply::status_(454, "Session Not Found");
                return RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
            });
            RtspClientProbe probe(kRtspTransTcp, 2000);
            const std::string why = "step " + std::to_string(step) + (hangUp ? " hang-up" : " 454");
            ASSERT_EQ(probe.start(server.url()), 0);
            if (probe.waitEither(kRtspMsgReady, kRtspMsgError, 8000) == kRtspMsgReady) {
                ASSERT_EQ(probe.session().play(-1), 0);
            }
            if (step == 0 && !hangUp) {
                EXPECT_TRUE(probe.waitMessage(kRtspMsgPlaying, 8000)) << why;
                EXPECT_EQ(probe.countMessages(kRtspMsgError), 0u) << why;
                continue;
            }
            ASSERT_TRUE(probe.waitMessage(kRtspMsgError, 8000)) << why;
            EXPECT_EQ(probe.errorCode(), hangUp ? long(kRtspErrEnd) : 0x100901c6) << why;
            EXPECT_EQ(probe.countMessages(kRtspMsgError), 1u) << why;
            EXPECT_EQ(probe.countMessages(kRtspMsgPlaying), 0u) << why;
        }
    }
}

TEST(RtspSessionFaults, NobodyListening)
{
    RtspClientProbe probe(kRtspTransTcp, 800);
    ASSERT_EQ(probe.start("rtsp://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/x"), 0);
    expectOneError(probe, kRtspErrConnect, "connection refused");
}

TEST(RtspSessionFaults, ServerClosesMidStream)
{
    RtspScriptedServer server([](const RtspRequest& r, size_t) {
        return RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
    });
    RtspClientProbe probe(kRtspTransTcp);
    ASSERT_EQ(probe.start(server.url()), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady));
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying));
    ASSERT_TRUE(server.sendInterleaved(0, makeRtp(0, 1, 0, 5, false, "before")));
    ASSERT_TRUE(probe.waitFrames(1));
    // Half an interleaved frame, then the connection goes.
    ASSERT_TRUE(server.sendRaw(std::string("$\x00\x01\x00", 4) + "only part of it"));
    server.dropConnections();
    ASSERT_TRUE(probe.waitMessage(kRtspMsgError));
    EXPECT_EQ(probe.errorCode(), kRtspErrEnd);
    EXPECT_EQ(probe.countMessages(kRtspMsgError), 1u);
    EXPECT_EQ(probe.frames().size(), 1u);
}

TEST(RtspSessionFaults, GarbageBetweenFramesEndsTheSession)
{
    RtspScriptedServer server([](const RtspRequest& r, size_t) {
        return RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
    });
    RtspClientProbe probe(kRtspTransTcp);
    ASSERT_EQ(probe.start(server.url()), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady));
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying));
    // Malformed RTP inside a well-formed frame is dropped; bytes that are no frame at all
    // cannot be resynchronised.
    ASSERT_TRUE(server.sendInterleaved(0, "\x01\x02"));
    ASSERT_TRUE(server.sendInterleaved(0, makeRtp(0, 2, 0, 5, false, "good")));
    ASSERT_TRUE(probe.waitFrames(1));
    ASSERT_TRUE(server.sendRaw(std::string("\xff\xfe garbage", 10)));
    ASSERT_TRUE(probe.waitMessage(kRtspMsgError));
    EXPECT_EQ(probe.errorCode(), kRtspErrProtocol);
}

TEST(RtspSessionFaults, KeepAliveBeforeTheSessionTimesOut)
{
    // Session time-out 1 s: keep-alives come every half of it, GET_PARAMETER first; a
    // device that refuses GET_PARAMETER gets OPTIONS instead.
    RtspScriptedServer server([](const RtspRequest& r, size_t) {
        if (r.method == "GET_PARAMETER")
            return RtspReply::status_(405, "Method Not Allowed");
        return RtspScriptedServer::deviceAnswer(r, kSdp, 1, 0, 0);
    });
    RtspClientProbe probe(kRtspTransTcp);
    ASSERT_EQ(probe.start(server.url()), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady));
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying));
    ASSERT_TRUE(server.waitFor("GET_PARAMETER", 1, 5000));
    ASSERT_TRUE(server.waitFor("OPTIONS", 2, 5000)) << "OPTIONS after GET_PARAMETER was refused";
    auto requests = server.requests();
    for (size_t i = 1; i < requests.size(); ++i) {
        if (requests[i].method == "GET_PARAMETER" || requests[i].method == "OPTIONS") {
            EXPECT_EQ(requests[i].header("session"), "s1") << requests[i].method;
        }
    }
    EXPECT_EQ(server.count("GET_PARAMETER"), 1u) << "not asked again once refused";
    EXPECT_EQ(probe.countMessages(kRtspMsgError), 0u);
}

// The watchdog reads the session clock; its own timer (a quarter of the time-out, in real
// time) only decides how soon it looks.
TEST(RtspSessionFaults, NoMediaForLongerThanTheTimeOutTripsTheWatchdog)
{
    RtspScriptedServer server([](const RtspRequest& r, size_t) {
        return RtspScriptedServer::deviceAnswer(r, kSdp, 60, 0, 0);
    });
    OnvifTest::RtspSteppedClock clock;
    RtspClientProbe probe(kRtspTransTcp, 3000, 600);
    ASSERT_EQ(probe.start(server.url()), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady));
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying));

    clock.advance(600);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));   // four looks
    EXPECT_EQ(probe.countMessages(kRtspMsgError), 0u) << "silent for exactly the time-out";
    clock.advance(1);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgError, 3000)) << "one millisecond longer";
    EXPECT_EQ(probe.errorCode(), kRtspErrNoData);
}

TEST(RtspSessionFaults, CloseWhileWaitingEndsQuietly)
{
    RtspScriptedServer server([](const RtspRequest&, size_t) { return RtspReply::silent(); });
    {
        RtspClientProbe probe(kRtspTransTcp, 800);
        ASSERT_EQ(probe.start(server.url()), 0);
        ASSERT_TRUE(server.waitFor("OPTIONS", 1));
        ASSERT_EQ(probe.session().close(), 0);
        EXPECT_EQ(probe.session().play(-1), -1);
        // The answer time-out passes without a message: a closed session stays silent.
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        EXPECT_TRUE(probe.messages().empty());
    }
    // Many sessions dropped at once while connecting must not crash or leak.
    std::vector<std::unique_ptr<RtspClientProbe>> probes;
    for (int i = 0; i < 20; ++i) {
        probes.emplace_back(new RtspClientProbe(kRtspTransTcp, 800));
        ASSERT_EQ(probes.back()->start(server.url()), 0);
    }
    probes.clear();
}
