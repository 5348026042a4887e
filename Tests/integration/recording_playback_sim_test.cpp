// The playback source as a host uses it, against the simulated recorder's RTSP replay: the
// first frame's recording time, speed, pause and resume, seeking, the end of the range, and
// the ways it fails (a refused address, a server that ignores the speed, bad requests).
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "OnvifFramework/Utility/OnvifTimeZone.h"
#include "RtspSteppedClock.h"
#include "recording_sim_support.h"

using namespace RecordingTest;
using Zentar::Stream::IStreamSource;

namespace {

struct SourceDeleter {
    void operator()(IStreamSource* s) const { s->destroy(); }
};
using SourcePtr = std::unique_ptr<IStreamSource, SourceDeleter>;

class PlaybackAgainstRecorder : public RecorderFixture {
protected:
    std::string replayUrl(const char* recording) const
    {
        return "rtsp://127.0.0.1:" + std::to_string(m_device->rtspPort()) + "/replay/" + recording;
    }

    // A source for [start, end] of Rec_000 (channel 0, main stream), options set.
    SourcePtr source(const std::string& start, const std::string& end, const char* recording = "Rec_000")
    {
        SourcePtr s(m_client->createRecordingStreamSource(start + ";" + end + ";RemoteChan:0;Times"));
        EXPECT_TRUE(s);
        Json::Value options;
        options["Url"] = replayUrl(recording);
        options["TransProtocolType"] = 0;
        EXPECT_TRUE(s && s->setOptions(options));
        return s;
    }

    // Recording seconds per wall second over about a second and a half of playing.
    static double pace(CPlaybackReceiver& r)
    {
        const size_t already = r.frames();
        EXPECT_TRUE(r.waitFor([already](CPlaybackReceiver& x) { return x.m_times.size() > already; }));
        const long long from = r.lastTime();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return static_cast<double>(r.lastTime() - from) / 1000.0 / wall;
    }
};

TEST_F(PlaybackAgainstRecorder, FirstFrameIsTheKeyFrameAtTheRequestedTimeStampedWithIt)
{
    startRecorder(ShippedRecorder());
    CPlaybackReceiver r;
    SourcePtr s = source("2026-03-01T12:00:10Z", "2026-03-01T12:10:00Z");
    ASSERT_TRUE(s->start(&r));
    ASSERT_TRUE(r.waitFor([](CPlaybackReceiver& x) { return x.m_times.size() >= 30; }));
    {
        std::lock_guard<std::mutex> lock(r.m_mutex);
        EXPECT_LE(r.m_times.front(), ClockMs(12, 0, 10));
        EXPECT_GT(r.m_times.front(), ClockMs(12, 0, 9)) << "within one key-frame interval (1 s)";
        EXPECT_EQ(40, r.m_times[1] - r.m_times[0]) << "25 frames a second of recording";
        // The native header carries the same instant in local calendar time.
        EXPECT_EQ(RPC::packNativeFrameTime(RPC::nativeFrameLocalTime(static_cast<time_t>(r.m_times.front() / 1000))),
                  r.m_packedTimes.front());
        EXPECT_EQ(0, r.m_unreadable);
    }
    uint32_t code = 1;
    EXPECT_TRUE(s->getError(code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(s->stop(&r));
}

TEST_F(PlaybackAgainstRecorder, SpeedPauseResumeAndSeek)
{
    startRecorder(ShippedRecorder());
    CPlaybackReceiver r;
    SourcePtr s = source("2026-03-01T12:00:00Z", "2026-03-01T20:00:00Z");
    EXPECT_FALSE(s->setSpeed(4.0f)) << "not started";
    ASSERT_TRUE(s->start(&r));
    ASSERT_TRUE(r.waitFor([](CPlaybackReceiver& x) { return x.m_times.size() >= 5; }));
    ASSERT_TRUE(s->setSpeed(4.0f));
    float speed = 0;
    EXPECT_TRUE(s->getSpeed(speed));
    EXPECT_EQ(4.0f, speed);
    const double fast = pace(r);
    EXPECT_GT(fast, 2.5) << "about four seconds of recording per second";
    EXPECT_LT(fast, 8.0);

    ASSERT_TRUE(s->pause());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));   // frames on the way still arrive
    const size_t paused = r.frames();
    const long long pausedAt = r.lastTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(paused, r.frames()) << "a paused stream holds";
    ASSERT_TRUE(s->resume());
    ASSERT_TRUE(r.waitFor([paused](CPlaybackReceiver& x) { return x.m_times.size() > paused; }));
    {
        std::lock_guard<std::mutex> lock(r.m_mutex);
        EXPECT_EQ(pausedAt + 40, r.m_times[paused]) << "resumed where it stopped";
    }

    ASSERT_TRUE(s->seekByTimeEx(static_cast<time_t>(ClockMs(15, 0, 0) / 1000)));
    ASSERT_TRUE(s->resume());
    EXPECT_TRUE(r.waitFor([](CPlaybackReceiver& x) { return !x.m_times.empty() && x.m_times.back() >= ClockMs(15, 0, 0); }));
    EXPECT_EQ(0, r.ends());
    EXPECT_TRUE(s->stop(&r));
}

TEST_F(PlaybackAgainstRecorder, TheEndOfTheRangeEndsTheStreamOnce)
{
    startRecorder(ShippedRecorder());
    CPlaybackReceiver r;
    SourcePtr s = source("2026-03-01T12:00:00Z", "2026-03-01T12:00:02Z");
    ASSERT_TRUE(s->start(&r));
    ASSERT_TRUE(r.waitFor([](CPlaybackReceiver& x) { return x.m_ends >= 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));   // the wrapper's own end timer runs out
    EXPECT_TRUE(s->stop(&r));
    std::lock_guard<std::mutex> lock(r.m_mutex);
    EXPECT_EQ(1, r.m_ends);
    EXPECT_EQ(50u, r.m_times.size());
    EXPECT_EQ(ClockMs(12, 0, 1, 960), r.m_times.back());
}

TEST_F(PlaybackAgainstRecorder, LocalRangesPlayTheDevicesLocalTime)
{
    startRecorder(ShippedRecorder());
    Json::Value zone;
    zone["TimeZone"] = RPC::Onvif::findTimeZoneByOffset(8 * 3600);   // without daylight saving
    ASSERT_TRUE(RPC::Onvif::COnvifInfoCenter::instance()->setZoneAndDSTCfg(m_info, zone, true));
    // 20:00 at GMT+08:00 is noon UTC.
    CPlaybackReceiver r;
    SourcePtr s = source("2026-03-01 20:00:00", "2026-03-01 20:00:02");
    ASSERT_TRUE(s->start(&r));
    ASSERT_TRUE(r.waitFor([](CPlaybackReceiver& x) { return !x.m_times.empty(); }));
    EXPECT_TRUE(s->stop(&r));
    std::lock_guard<std::mutex> lock(r.m_mutex);
    EXPECT_EQ(ClockMs(12, 0, 0), r.m_times.front());
}

TEST_F(PlaybackAgainstRecorder, AReplayThatStallsEndsTheStreamOnce)
{
    startRecorder(ShippedRecorder());
    // The session's no-data watchdog reads this clock: the test steps past it instead of
    // waiting twenty seconds.
    OnvifTest::RtspSteppedClock clock;
    CPlaybackReceiver r;
    SourcePtr s = source("2026-03-01T12:00:00Z", "2026-03-01T20:00:00Z");
    ASSERT_TRUE(s->start(&r));
    ASSERT_TRUE(r.waitFor([](CPlaybackReceiver& x) { return x.m_times.size() >= 5; }));
    m_device->setRtspFault(OnvifSim::ERtspFault::Stall);
    // Let the frames already on their way arrive: each one restarts the watchdog.
    size_t seen = r.frames();
    for (int i = 0; i < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (r.frames() == seen)
            break;
        seen = r.frames();
    }
    EXPECT_EQ(0, r.ends()) << "a short silence is not the end";
    clock.advance(20001);   // one millisecond past the session's default of twenty seconds
    ASSERT_TRUE(r.waitFor([](CPlaybackReceiver& x) { return x.m_ends >= 1; }));
    EXPECT_TRUE(s->stop(&r));
    EXPECT_EQ(1, r.ends());
}

TEST_F(PlaybackAgainstRecorder, RefusedAddressEndsTheStream)
{
    startRecorder(ShippedRecorder());
    CPlaybackReceiver r;
    SourcePtr s = source("2026-03-01T12:00:00Z", "2026-03-01T12:10:00Z", "Rec_999");
    ASSERT_TRUE(s->start(&r)) << "the session starts; the refusal comes later";
    ASSERT_TRUE(r.waitFor([](CPlaybackReceiver& x) { return x.m_ends >= 1; }));
    uint32_t code = 1;
    EXPECT_TRUE(s->getError(code));
    EXPECT_EQ(0u, code) << "only a refused login is reported as an error of its own";
    EXPECT_EQ(0u, r.frames());
    EXPECT_TRUE(s->stop(&r));
}

TEST_F(PlaybackAgainstRecorder, AServerThatIgnoresTheSpeedKeepsPlayingAtItsOwn)
{
    Json::Value json = ShippedRecorder();
    json["rtsp"]["replayIgnoresSpeed"] = true;
    startRecorder(json);
    CPlaybackReceiver r;
    SourcePtr s = source("2026-03-01T12:00:00Z", "2026-03-01T20:00:00Z");
    ASSERT_TRUE(s->start(&r));
    ASSERT_TRUE(r.waitFor([](CPlaybackReceiver& x) { return x.m_times.size() >= 5; }));
    ASSERT_TRUE(s->setSpeed(4.0f)) << "the request goes out; the device decides";
    const double pace1x = pace(r);
    EXPECT_LT(pace1x, 2.0);
    EXPECT_GT(pace1x, 0.5) << "still playing";
    EXPECT_EQ(0, r.ends());
    EXPECT_TRUE(s->stop(&r));
}

TEST_F(PlaybackAgainstRecorder, RequestsTheSourceRefuses)
{
    startRecorder(ShippedRecorder());
    SourcePtr unset(m_client->createRecordingStreamSource("2026-03-01T12:00:00Z;2026-03-01T12:10:00Z;RemoteChan:0"));
    CPlaybackReceiver r;
    EXPECT_FALSE(unset->start(&r)) << "no address and no wrapper yet";
    Json::Value udp;
    udp["Url"] = replayUrl("Rec_000");
    udp["TransProtocolType"] = 1;
    EXPECT_FALSE(unset->setOptions(udp)) << "replay runs over the RTSP connection only";

    SourcePtr noSpan(m_client->createRecordingStreamSource("2026-03-01T12:00:00Z"));
    udp["TransProtocolType"] = 0;
    EXPECT_FALSE(noSpan->setOptions(udp));
    EXPECT_FALSE(noSpan->start(&r));

    SourcePtr s = source("2026-03-01T12:00:00Z", "2026-03-01T12:10:00Z");
    time_t at = 0;
    EXPECT_FALSE(s->seek(10));
    EXPECT_FALSE(s->seekBySeconds(10));
    EXPECT_FALSE(s->stepFrame(true));
    EXPECT_FALSE(s->getTime(at));
    EXPECT_TRUE(s->limit(1000000));
    SourcePtr local = source("2026-03-01 12:00:00", "2026-03-01 12:10:00");
    EXPECT_FALSE(local->seekByTimeEx(at)) << "a local span seeks by local time";
    ASSERT_TRUE(s->start(&r));
    EXPECT_FALSE(s->start(&r)) << "already started";
    EXPECT_FALSE(s->setOptions(udp)) << "options are for before the start";
    EXPECT_TRUE(s->stop(&r));
}

} // namespace
