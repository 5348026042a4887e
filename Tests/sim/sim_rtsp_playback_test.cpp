// The simulated recorder's RTSP replay, read packet by packet: the replay header extension
// (recording time, C, E, D and T bits, CSeq), ranges, gaps, pause and resume, seeking,
// reverse and key-frame-only play, speed, and the end of the range ending the session.
#include <gtest/gtest.h>

#include <chrono>

#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "RecorderTestDevice.h"
#include "RtspTestClient.h"
#include "SimTestClient.h"

using namespace SimTest;

namespace {

// One RTP packet of a replay: its place in the stream and the extension's fields.
struct CReplayPacket {
    bool marker = false;
    long long ms = 0;   // recording time, ms since 1970
    bool clean = false, end = false, discontinuity = false, terminal = false;
    int cseq = -1;
};

// Reads the fixed header and the three-word 0xABAC extension; false for anything else.
bool ParseReplayPacket(const std::string& bytes, CReplayPacket& out)
{
    auto b = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    if (bytes.size() < 28 || (b(0) >> 6) != 2 || !(b(0) & 0x10) || b(12) != 0xAB || b(13) != 0xAC || b(15) != 3)
        return false;
    const uint64_t seconds = (uint64_t(b(16)) << 24) | (b(17) << 16) | (b(18) << 8) | b(19);
    const uint64_t fraction = (uint64_t(b(20)) << 24) | (b(21) << 16) | (b(22) << 8) | b(23);
    out.marker = (b(1) & 0x80) != 0;
    out.ms = static_cast<long long>(seconds - 2208988800ULL) * 1000 + static_cast<long long>((fraction * 1000 + (1ULL << 31)) >> 32);
    out.clean = b(24) & 0x80;
    out.end = b(24) & 0x40;
    out.discontinuity = b(24) & 0x20;
    out.terminal = b(24) & 0x10;
    out.cseq = b(25);
    return true;
}

// A frame as its packets describe it: the first packet's time and C/D bits, the last
// packet's E/T bits.
struct CReplayFrame {
    long long ms = 0;
    bool clean = false, end = false, discontinuity = false, terminal = false;
    int cseq = -1;
};

class ReplaySim : public ::testing::Test {
protected:
    void SetUp() override
    {
        OnvifSim::SetLogEnabled(false);
        m_device = StartDevice(m_server, FixedRecorderDescription());
        ASSERT_TRUE(m_device);
        m_url = "rtsp://127.0.0.1:" + std::to_string(m_device->rtspPort()) + "/replay/Rec_000";
    }

    // DESCRIBE and SETUP of the recording, interleaved on channels 0 and 1.
    void open()
    {
        ASSERT_TRUE(m_client.connect(m_device->rtspPort()));
        m_client.setCredentials("admin", "admin123");
        CRtspReply describe = m_client.request("DESCRIBE", m_url, {{"Require", "onvif-replay"}});
        ASSERT_EQ(200, describe.status);
        CRtspReply setup = m_client.request("SETUP", m_url + "/trackID=1",
                                            {{"Transport", "RTP/AVP/TCP;unicast;interleaved=0-1"},
                                             {"Require", "onvif-replay"}});
        ASSERT_EQ(200, setup.status);
        m_session = setup.session();
    }

    CRtspReply play(std::vector<std::pair<std::string, std::string>> headers)
    {
        headers.emplace_back("Session", m_session);
        headers.emplace_back("Require", "onvif-replay");
        return m_client.request("PLAY", m_url, headers);
    }

    // The next whole frame; false when none came in time or the connection closed.
    bool nextFrame(CReplayFrame& frame, int waitMs = 3000)
    {
        bool first = true;
        uint8_t channel = 0;
        std::string bytes;
        while (m_client.readFrame(channel, bytes, waitMs)) {
            if (channel == 1) {
                m_sawBye = m_sawBye || (bytes.size() >= 2 && static_cast<uint8_t>(bytes[1]) == 203);
                continue;
            }
            CReplayPacket p;
            if (!ParseReplayPacket(bytes, p)) {
                ADD_FAILURE() << "an RTP packet without the replay extension";
                return false;
            }
            if (first) {
                frame.ms = p.ms;
                frame.clean = p.clean;
                frame.discontinuity = p.discontinuity;
                frame.cseq = p.cseq;
                first = false;
            }
            if (p.marker) {
                frame.end = p.end;
                frame.terminal = p.terminal;
                return true;
            }
        }
        return false;
    }

    // Frames until the terminal one (at most `limit`).
    std::vector<CReplayFrame> framesToTheEnd(size_t limit = 4000)
    {
        std::vector<CReplayFrame> out;
        CReplayFrame f;
        while (out.size() < limit && nextFrame(f)) {
            out.push_back(f);
            if (f.terminal)
                break;
        }
        return out;
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    CRtspTestClient m_client;
    std::string m_url;
    std::string m_session;
    bool m_sawBye = false;
};

TEST_F(ReplaySim, StartsAtTheKeyFrameBeforeTheAskedTimeAndEndsTheRange)
{
    open();
    CRtspReply reply = play({{"Range", "clock=20260301T120000.500Z-20260301T120002Z"}, {"Rate-Control", "no"}});
    ASSERT_EQ(200, reply.status);
    EXPECT_EQ("clock=20260301T120000Z-20260301T120002Z", reply.header("range"));
    const std::vector<CReplayFrame> frames = framesToTheEnd();
    ASSERT_EQ(50u, frames.size()) << "two seconds of a 25 fps recording";
    EXPECT_EQ(ClockMs(12, 0, 0), frames.front().ms);
    EXPECT_TRUE(frames.front().clean);
    EXPECT_FALSE(frames[1].clean);
    EXPECT_EQ(std::atoi(reply.header("cseq").c_str()) & 0xFF, frames.front().cseq);
    EXPECT_EQ(ClockMs(12, 0, 1, 960), frames.back().ms);
    EXPECT_TRUE(frames.back().terminal && frames.back().end);
    for (size_t i = 0; i + 1 < frames.size(); ++i)
        ASSERT_FALSE(frames[i].terminal || frames[i].end || frames[i].discontinuity) << i;
    // An RTCP BYE follows the last packet, then the connection closes.
    uint8_t channel = 0;
    std::string bytes;
    while (m_client.readFrame(channel, bytes, 3000))
        m_sawBye = m_sawBye || (channel == 1 && bytes.size() >= 2 && static_cast<uint8_t>(bytes[1]) == 203);
    EXPECT_TRUE(m_sawBye);
    EXPECT_TRUE(m_client.waitClosed(100)) << "the end of the range ends the session";
}

TEST_F(ReplaySim, GapIsSkippedAndMarked)
{
    open();
    ASSERT_EQ(200, play({{"Range", "clock=20260301T095959Z-20260301T110001Z"}, {"Rate-Control", "no"}}).status);
    const std::vector<CReplayFrame> frames = framesToTheEnd();
    ASSERT_EQ(50u, frames.size());
    EXPECT_EQ(ClockMs(9, 59, 59, 960), frames[24].ms);
    EXPECT_TRUE(frames[24].end) << "the last frame before the gap ends its section";
    EXPECT_EQ(ClockMs(11, 0, 0), frames[25].ms);
    EXPECT_TRUE(frames[25].discontinuity && frames[25].clean);
    EXPECT_TRUE(frames.back().terminal);
}

TEST_F(ReplaySim, PauseHoldsAndPlayWithoutRangeResumesAtTheNextFrame)
{
    open();
    ASSERT_EQ(200, play({{"Range", "clock=20260301T120000Z-"}, {"Speed", "8"}}).status);
    CReplayFrame f;
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(nextFrame(f));
    ASSERT_EQ(200, m_client.request("PAUSE", m_url, {{"Session", m_session}}).status);
    // Frames already on the way still arrive; then nothing.
    long long last = f.ms;
    while (nextFrame(f, 500))
        last = f.ms;
    ASSERT_EQ(200, play({}).status);
    ASSERT_TRUE(nextFrame(f));
    EXPECT_EQ(last + 40, f.ms);
}

TEST_F(ReplaySim, PlayWithANewRangeSeeks)
{
    open();
    ASSERT_EQ(200, play({{"Range", "clock=20260301T120000Z-"}, {"Speed", "4"}}).status);
    CReplayFrame f;
    ASSERT_TRUE(nextFrame(f));
    ASSERT_EQ(200, play({{"Range", "clock=20260301T150000Z-"}, {"Immediate", "yes"}}).status);
    int skipped = 0;
    while (nextFrame(f) && f.ms < ClockMs(15, 0, 0) && skipped < 200)
        ++skipped;
    EXPECT_EQ(ClockMs(15, 0, 0), f.ms);
    EXPECT_TRUE(f.clean);
}

TEST_F(ReplaySim, KeyFramesOnlyForwardsAndBackwards)
{
    open();
    ASSERT_EQ(200, play({{"Range", "clock=20260301T120000Z-20260301T120003Z"}, {"Frames", "intra"},
                         {"Rate-Control", "no"}}).status);
    std::vector<long long> times;
    for (const CReplayFrame& f : framesToTheEnd()) {
        EXPECT_TRUE(f.clean);
        times.push_back(f.ms);
    }
    EXPECT_EQ((std::vector<long long>{ClockMs(12, 0, 0), ClockMs(12, 0, 1), ClockMs(12, 0, 2)}), times);

    m_client.close();   // a fresh connection for the second session
    open();
    ASSERT_EQ(200, play({{"Range", "clock=20260301T110001.500Z-20260301T095959Z"}, {"Scale", "-1"},
                         {"Rate-Control", "no"}}).status);
    times.clear();
    std::vector<CReplayFrame> frames = framesToTheEnd();
    for (const CReplayFrame& f : frames)
        times.push_back(f.ms);
    // Backwards over the gap: 11:00:01, 11:00:00, then the last key frame before the gap.
    EXPECT_EQ((std::vector<long long>{ClockMs(11, 0, 1), ClockMs(11, 0, 0), ClockMs(9, 59, 59)}), times);
    ASSERT_EQ(3u, frames.size());
    EXPECT_TRUE(frames[1].end && frames[2].discontinuity && frames[2].terminal);
}

TEST_F(ReplaySim, SpeedSetsHowFastRecordingTimePasses)
{
    open();
    ASSERT_EQ(200, play({{"Range", "clock=20260301T120000Z-"}, {"Speed", "4"}}).status);
    CReplayFrame first, f;
    ASSERT_TRUE(nextFrame(first));
    const auto wallStart = std::chrono::steady_clock::now();
    long long last = first.ms;
    while (std::chrono::steady_clock::now() - wallStart < std::chrono::milliseconds(1500) && nextFrame(f))
        last = f.ms;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double ratio = static_cast<double>(last - first.ms) / 1000.0 / wall;
    // Four recording seconds a second; the bounds only tell 4x from 1x and from unpaced.
    EXPECT_GT(ratio, 2.0);
    EXPECT_LT(ratio, 8.0);
}

TEST_F(ReplaySim, RefusalsOfRangesAndAddresses)
{
    open();
    EXPECT_EQ(457, play({{"Range", "clock=20260305T000000Z-"}}).status) << "nothing recorded after the end";
    EXPECT_EQ(457, play({{"Range", "smpte=10:00:00-"}}).status);
    CRtspTestClient other;
    ASSERT_TRUE(other.connect(m_device->rtspPort()));
    other.setCredentials("admin", "admin123");
    const std::string base = "rtsp://127.0.0.1:" + std::to_string(m_device->rtspPort());
    EXPECT_EQ(404, other.request("DESCRIBE", base + "/replay/Rec_999").status);
    CRtspReply live = other.request("DESCRIBE", m_device->rtspUrl("MediaProfile000"), {{"Require", "onvif-replay"}});
    EXPECT_EQ(551, live.status);
    EXPECT_EQ("onvif-replay", live.header("unsupported"));
}

} // namespace
