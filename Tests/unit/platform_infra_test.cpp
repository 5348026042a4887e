// Threads, timers, calendar time and per-thread error codes of the platform layer.
#include "Infra/LastError.h"
#include "Infra/LogSink.h"
#include "Infra/Mutex.h"
#include "Infra/Thread.h"
#include "Infra/Time.h"
#include "Infra/Timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace Zentar {
namespace Infra {
namespace {

// Polls cond every few ms for up to timeoutMs; the outcome is the condition, not the time.
bool waitFor(const std::function<bool()>& cond, int timeoutMs = 5000)
{
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        if (cond()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return cond();
}

// Switches the process time zone for one test and restores it afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz)
    {
        const char* old = getenv("TZ");
        m_hadOld = old != nullptr;
        if (m_hadOld) {
            m_old = old;
        }
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_hadOld) {
            setenv("TZ", m_old.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    bool m_hadOld = false;
    std::string m_old;
};

// ---- CMutex -------------------------------------------------------------------------

TEST(PlatformMutex, IsRecursiveAndExcludesOtherThreads)
{
    CMutex mutex;
    long counter = 0;
    {
        CGuard outer(mutex);
        CGuard inner(mutex); // re-entry on the same thread must not deadlock
        ++counter;
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                CGuard guard(mutex);
                ++counter;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, 40001);
}

// ---- LastError / log ---------------------------------------------------------------

TEST(PlatformLastError, IsPerThread)
{
    setLastError(11);
    uint32_t seenInOther = 999;
    std::thread other([&] {
        seenInOther = getLastError(); // a fresh thread starts clean
        setLastError(22);
    });
    other.join();
    EXPECT_EQ(seenInOther, 0u);
    EXPECT_EQ(getLastError(), 11u);
    setLastError(0);
}

// The low layers' lines go to stderr only at or below the threshold, one newline each even
// when the caller brings its own.
TEST(PlatformLogSink, WritesOnlyAtOrBelowTheThreshold)
{
    const int previous = getPlatformLogLevel();
    setPlatformLogLevel(kLogWarning);
    const struct {
        int level;
        bool written;
    } kCases[] = {{kLogFatal, true}, {kLogWarning, true}, {kLogInfo, false}, {kLogDebug, false}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.level);
        ::testing::internal::CaptureStderr();
        logFilter(c.level, "sink probe %d\n", 7);
        const std::string out = ::testing::internal::GetCapturedStderr();
        const size_t at = out.find("sink probe 7\n");
        EXPECT_EQ(c.written, at != std::string::npos) << out;
        if (c.written && at != std::string::npos) {
            EXPECT_EQ(out.find('\n', at), out.size() - 1) << out;
        }
    }
    setPlatformLogLevel(previous);
}

// ---- CThread ------------------------------------------------------------------------

TEST(PlatformThread, LoopsUntilDestroyed)
{
    std::atomic<int> rounds{0};
    std::atomic<int> osThreadId{0};
    CThread* self = nullptr;
    CThread thread("PlatformTestThreadLongName", [&] {
        osThreadId = CThread::getCurrentThreadID();
        while (self->looping()) {
            ++rounds;
            CThread::sleep(1);
        }
    });
    self = &thread;
    EXPECT_TRUE(thread.isThreadOver());
    EXPECT_FALSE(thread.looping());
    EXPECT_STREQ(thread.name(), "PlatformTestThreadLongName");

    ASSERT_TRUE(thread.createThread());
    EXPECT_FALSE(thread.createThread()); // already running
    EXPECT_TRUE(thread.looping());
    ASSERT_TRUE(waitFor([&] { return rounds.load() > 3; }));
    EXPECT_FALSE(thread.isThreadOver());
    // Thread ids are the OS's: positive, stable within a thread, distinct across threads.
    const int mine = CThread::getCurrentThreadID();
    EXPECT_GT(mine, 0);
    EXPECT_EQ(mine, CThread::getCurrentThreadID());
    EXPECT_GT(osThreadId.load(), 0);
    EXPECT_NE(osThreadId.load(), mine);

    EXPECT_TRUE(thread.destroyThread());
    EXPECT_FALSE(thread.looping());
    EXPECT_TRUE(thread.isThreadOver());
    const int after = rounds.load();
    CThread::sleep(20);
    EXPECT_EQ(rounds.load(), after);
    EXPECT_TRUE(thread.destroyThread()); // twice is fine
}

TEST(PlatformThread, DestroyWithoutCreateAndRestart)
{
    std::atomic<int> runs{0};
    CThread thread("PlatformRestart", [&] { ++runs; });
    EXPECT_TRUE(thread.destroyThread()); // never created
    ASSERT_TRUE(thread.createThread());
    ASSERT_TRUE(waitFor([&] { return thread.isThreadOver(); }));
    ASSERT_TRUE(thread.createThread()); // a finished body may be started again
    ASSERT_TRUE(thread.destroyThread());
    EXPECT_EQ(runs.load(), 2);

    CThread empty("PlatformEmpty", CThread::Proc());
    EXPECT_FALSE(empty.createThread());
}

TEST(PlatformThread, DestroyFromInsideBodyOnlyAsks)
{
    std::atomic<bool> returned{false};
    CThread* self = nullptr;
    CThread thread("PlatformSelfStop", [&] {
        self->destroyThread(); // must not try to join itself
        returned = !self->looping();
    });
    self = &thread;
    ASSERT_TRUE(thread.createThread());
    ASSERT_TRUE(waitFor([&] { return thread.isThreadOver(); }));
    EXPECT_TRUE(returned.load());
}

// ---- CTime --------------------------------------------------------------------------

TEST(PlatformTime, FormatAndParseRoundTrip)
{
    const struct {
        int y, mo, d, h, mi, s;
        const char* fmt;
        const char* text;
        const char* parsedBack; // the parsed text in the default layout: missing fields are 0
    } kCases[] = {
        {2024, 2, 29, 23, 59, 58, "yyyy-MM-dd HH:mm:ss", "2024-02-29 23:59:58", "2024-02-29 23:59:58"},
        {1999, 12, 31, 0, 0, 0, "yyyy-MM-dd HH:mm:ss", "1999-12-31 00:00:00", "1999-12-31 00:00:00"},
        {2023, 7, 4, 5, 6, 7, "yyyy-MM-ddTHH:mm:ssZ", "2023-07-04T05:06:07Z", "2023-07-04 05:06:07"},
        {2000, 1, 2, 3, 4, 5, "dd/MM/yyyy", "02/01/2000", "2000-01-02 00:00:00"},
        {2020, 5, 6, 7, 8, 9, "yyyy-MM-dd", "2020-05-06", "2020-05-06 00:00:00"},
        {2031, 11, 9, 18, 30, 0, "HH.mm yyyyMMdd", "18.30 20311109", "2031-11-09 18:30:00"},
    };
    for (const auto& c : kCases) {
        CTime time(c.y, c.mo, c.d, c.h, c.mi, c.s);
        EXPECT_EQ(time.getYear(), c.y);
        EXPECT_EQ(time.getSecond(), c.s);
        EXPECT_EQ(time.format(c.fmt), c.text);

        CTime parsed;
        ASSERT_TRUE(parsed.parse(c.text, c.fmt)) << c.text;
        EXPECT_EQ(parsed.format(c.fmt), c.text);
        EXPECT_EQ(parsed.format(), c.parsedBack);
        EXPECT_EQ(parsed.getYear(), c.y);
        EXPECT_EQ(parsed.getMonth(), c.mo);
        EXPECT_EQ(parsed.getDay(), c.d);
    }
}

TEST(PlatformTime, ParseRefusesMalformedOrOutOfRange)
{
    const char* const kBad[] = {
        "2023-02-29 00:00:00", // not a leap year
        "2024-02-30 00:00:00", "2024-04-31 12:00:00", "2024-13-01 00:00:00",
        "2024-00-10 00:00:00", "2024-01-00 00:00:00", "2024-01-01 24:00:00",
        "2024-01-01 00:60:00", "2024-01-01 00:00:60", "1899-12-31 23:59:59",
        "garbage",             "",
        "2024-01-01 00:00:00 trailing", "2024-01-01 00:00:0", "2024-1-01 00:00:00",
        "2024/01/01 00:00:00", "2024-01-01T00:00:00", "+024-01-01 00:00:00",
    };
    const CTime original(2011, 3, 4, 5, 6, 7);
    for (const char* text : kBad) {
        CTime time = original;
        EXPECT_FALSE(time.parse(text)) << text;
        EXPECT_EQ(time, original) << text; // unchanged on failure
    }
    CTime time = original;
    EXPECT_FALSE(time.parse(nullptr));
    EXPECT_FALSE(time.parse("2024", nullptr));
    EXPECT_TRUE(CTime().parse("1900-02-28 00:00:00"));
    EXPECT_FALSE(CTime().parse("1900-02-29 00:00:00")); // century, not a leap year
    EXPECT_TRUE(CTime().parse("2000-02-29 00:00:00"));  // divisible by 400
}

TEST(PlatformTime, InvalidConstructorFieldsGiveTheEpoch)
{
    EXPECT_EQ(CTime(2024, 2, 30, 0, 0, 0), CTime());
    EXPECT_EQ(CTime(2024, 13, 1, 0, 0, 0), CTime());
    EXPECT_EQ(CTime(0, 0, 0, 0, 0, 0).makeTime(), 0);
}

TEST(PlatformTime, FormatIntoTooSmallBufferFails)
{
    const CTime time(2024, 1, 2, 3, 4, 5);
    char small[19]; // needs 20 with the terminator
    EXPECT_FALSE(time.format(small, sizeof(small)));
    EXPECT_STREQ(small, "");
    char exact[20];
    ASSERT_TRUE(time.format(exact, sizeof(exact)));
    EXPECT_STREQ(exact, "2024-01-02 03:04:05");
    EXPECT_FALSE(time.format(nullptr, 10));
}

TEST(PlatformTime, MakeTimeUsesLocalZoneAndDaylightSaving)
{
    {
        ScopedTimeZone utc("UTC0");
        EXPECT_EQ(CTime(2024, 2, 29, 12, 0, 0).makeTime(), 1709208000);
        EXPECT_EQ(CTime().makeTime(), 0);
        EXPECT_EQ(CTime(1709208000).format(), "2024-02-29 12:00:00");
    }
    {
        ScopedTimeZone cet("CET-1CEST,M3.5.0,M10.5.0/3");
        EXPECT_EQ(CTime(2024, 7, 1, 12, 0, 0).makeTime(), 1719828000);  // summer, UTC+2
        EXPECT_EQ(CTime(2024, 1, 15, 12, 0, 0).makeTime(), 1705316400); // winter, UTC+1
        EXPECT_EQ(CTime(1719828000).format(), "2024-07-01 12:00:00");
        const CTime time(2022, 8, 15, 9, 10, 11);
        EXPECT_EQ(CTime(time.makeTime()), time);
    }
    const CTime now = CTime::getCurrentTime();
    EXPECT_GE(now.getYear(), 2024);
    EXPECT_EQ(CTime(now.makeTime()), now);
}

TEST(PlatformTime, WeekDays)
{
    const struct {
        int y, mo, d, weekDay;
    } kCases[] = {
        {1970, 1, 1, 4}, {2000, 1, 1, 6}, {2024, 2, 29, 4}, {2024, 3, 3, 0},
        {1900, 1, 1, 1}, {2100, 12, 31, 5},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(CTime(c.y, c.mo, c.d, 12, 0, 0).getWeekDay(), c.weekDay)
            << c.y << "-" << c.mo << "-" << c.d;
    }
}

TEST(PlatformTime, MonotonicClocksNeverGoBack)
{
    uint64_t lastMs = CTime::getCurrentMilliSecond();
    uint64_t lastUs = CTime::getCurrentMicroSecond();
    for (int i = 0; i < 1000; ++i) {
        const uint64_t ms = CTime::getCurrentMilliSecond();
        const uint64_t us = CTime::getCurrentMicroSecond();
        ASSERT_GE(ms, lastMs);
        ASSERT_GE(us, lastUs);
        lastMs = ms;
        lastUs = us;
    }
    const uint64_t startUs = CTime::getCurrentMicroSecond();
    CThread::sleep(2);
    EXPECT_GT(CTime::getCurrentMicroSecond(), startUs);
}

// ---- CTimer -------------------------------------------------------------------------

TEST(PlatformTimer, OnceFiresOnceWithItsValue)
{
    CTimer timer("PlatformOnce");
    std::atomic<int> fired{0};
    std::atomic<unsigned long> seen{0};
    ASSERT_TRUE(timer.start([&](unsigned long value) { seen = value; ++fired; }, 1, 0, 4242));
    ASSERT_TRUE(waitFor([&] { return fired.load() == 1 && !timer.isStarted(); }));
    CThread::sleep(30);
    EXPECT_EQ(fired.load(), 1);
    EXPECT_EQ(seen.load(), 4242u);
    EXPECT_FALSE(timer.start(CTimer::Proc(), 0, 0)); // no callback, nothing to start
}

TEST(PlatformTimer, PeriodicRepeatsUntilStopped)
{
    CTimer timer("PlatformPeriodic");
    std::atomic<int> fired{0};
    ASSERT_TRUE(timer.start([&](unsigned long) { ++fired; }, 0, 2));
    EXPECT_TRUE(timer.isStarted());
    ASSERT_TRUE(waitFor([&] { return fired.load() >= 5; }));
    EXPECT_TRUE(timer.stopAndWait());
    EXPECT_FALSE(timer.isStarted());
    EXPECT_FALSE(timer.isRunning());
    const int stopped = fired.load();
    CThread::sleep(50);
    EXPECT_EQ(fired.load(), stopped);
}

TEST(PlatformTimer, StopAndWaitWaitsForTheRunningCallback)
{
    CTimer timer("PlatformSlow");
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    std::atomic<int> fired{0};
    ASSERT_TRUE(timer.start(
        [&](unsigned long) {
            ++fired;
            inside = true;
            CThread::sleep(100);
            finished = true;
        },
        0, 1));
    ASSERT_TRUE(waitFor([&] { return inside.load(); }));
    EXPECT_TRUE(timer.isRunning());
    timer.stopAndWait();
    EXPECT_TRUE(finished.load()); // returned only after the run completed
    EXPECT_FALSE(timer.isRunning());
    const int stopped = fired.load();
    CThread::sleep(50);
    EXPECT_EQ(fired.load(), stopped);
}

TEST(PlatformTimer, StopAndWaitFromOwnCallbackDoesNotDeadlock)
{
    CTimer timer("PlatformSelfStop");
    std::atomic<int> fired{0};
    std::atomic<bool> returned{false};
    ASSERT_TRUE(timer.start(
        [&](unsigned long) {
            ++fired;
            timer.stopAndWait();
            returned = true;
        },
        0, 1));
    ASSERT_TRUE(waitFor([&] { return returned.load() && !timer.isRunning(); }));
    CThread::sleep(30);
    EXPECT_EQ(fired.load(), 1);
    EXPECT_FALSE(timer.isStarted());
}

TEST(PlatformTimer, RestartReplacesSettings)
{
    CTimer timer("PlatformRestart");
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    ASSERT_TRUE(timer.start([&](unsigned long) { ++first; }, 60000, 0)); // would fire in a minute
    ASSERT_TRUE(timer.start([&](unsigned long v) { second += static_cast<int>(v); }, 0, 1, 3));
    ASSERT_TRUE(waitFor([&] { return second.load() >= 9; }));
    timer.stopAndWait();
    EXPECT_EQ(first.load(), 0);
    EXPECT_EQ(second.load() % 3, 0);
}

TEST(PlatformTimer, RestartWhileRunningNeverOverlaps)
{
    CTimer timer("PlatformOverlap");
    std::atomic<int> concurrent{0};
    std::atomic<int> maxConcurrent{0};
    std::atomic<int> fired{0};
    auto body = [&](unsigned long) {
        const int now = ++concurrent;
        int seen = maxConcurrent.load();
        while (now > seen && !maxConcurrent.compare_exchange_weak(seen, now)) {
        }
        CThread::sleep(3);
        --concurrent;
        ++fired;
    };
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(timer.start(body, 0, 1));
        CThread::sleep(1);
    }
    ASSERT_TRUE(waitFor([&] { return fired.load() >= 25; }));
    timer.stopAndWait();
    EXPECT_EQ(maxConcurrent.load(), 1);
}

TEST(PlatformTimer, ManyTimersShareThePool)
{
    const int kTimers = 20;
    std::vector<std::unique_ptr<CTimer>> timers;
    std::atomic<int> fired{0};
    for (int i = 0; i < kTimers; ++i) {
        timers.emplace_back(new CTimer("PlatformMany"));
        ASSERT_TRUE(timers.back()->start([&](unsigned long) { ++fired; }, 1, 0, 0, 1000));
    }
    ASSERT_TRUE(waitFor([&] { return fired.load() == kTimers; }));
    timers.clear(); // destructors stop and wait
    EXPECT_EQ(fired.load(), kTimers);
}

TEST(PlatformTimer, DestructorStopsAPendingTimer)
{
    std::atomic<int> fired{0};
    {
        CTimer timer("PlatformScoped");
        ASSERT_TRUE(timer.start([&](unsigned long) { ++fired; }, 20, 0));
    }
    CThread::sleep(60);
    EXPECT_EQ(fired.load(), 0);
}

TEST(PlatformTimer, CallbackThatThrowsDoesNotKillThePool)
{
    CTimer bad("PlatformThrows");
    ASSERT_TRUE(bad.start([](unsigned long) { throw std::runtime_error("boom"); }, 0, 0));
    ASSERT_TRUE(waitFor([&] { return !bad.isStarted() && !bad.isRunning(); }));

    CTimer good("PlatformAfterThrow");
    std::atomic<int> fired{0};
    ASSERT_TRUE(good.start([&](unsigned long) { ++fired; }, 0, 0));
    EXPECT_TRUE(waitFor([&] { return fired.load() == 1; }));
}

} // namespace
} // namespace Infra
} // namespace Zentar
