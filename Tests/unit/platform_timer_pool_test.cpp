// Timer callbacks that block (a login to a dead device) must not hold up other timers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Infra/Timer.h"

using Zentar::Infra::CTimer;

namespace {

// Timers whose callbacks block until the test hands out a release ticket (one per callback).
class BlockedTimers {
public:
    explicit BlockedTimers(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_timers.push_back(std::make_unique<CTimer>("Blocking"));
            m_timers.back()->start(
                [this](unsigned long) {
                    std::unique_lock<std::mutex> lock(m_mutex);
                    ++m_entered;
                    ++m_inside;
                    m_changed.notify_all();
                    m_changed.wait_for(lock, std::chrono::seconds(60), [this] { return m_tickets > 0; });
                    if (m_tickets > 0)
                        --m_tickets;
                    --m_inside;
                },
                0, 0);
        }
    }
    ~BlockedTimers()
    {
        release(static_cast<int>(m_timers.size()));
        for (auto& t : m_timers)
            t->stopAndWait();
    }

    void release(int tickets)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tickets += tickets;
        m_changed.notify_all();
    }
    // Waits until at least `entered` callbacks have started; false after the time-out.
    bool waitEntered(int entered, std::chrono::seconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_entered >= entered; });
    }
    int entered() const { std::lock_guard<std::mutex> lock(m_mutex); return m_entered; }
    int inside() const { std::lock_guard<std::mutex> lock(m_mutex); return m_inside; }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_entered = 0;
    int m_inside = 0;
    int m_tickets = 0;
    std::vector<std::unique_ptr<CTimer>> m_timers;
};

} // namespace

TEST(PlatformTimerPool, BlockingCallbacksDoNotStarveOtherTimers)
{
    constexpr int kBlocking = 12;   // well above the pool's resting size
    BlockedTimers blocked(kBlocking);
    EXPECT_TRUE(blocked.waitEntered(kBlocking, std::chrono::seconds(10)))
        << "only " << blocked.inside() << " of " << kBlocking << " callbacks ran at once";
    // A further timer still fires while all of those are blocked.
    std::atomic<bool> fired{false};
    CTimer quick("Quick");
    quick.start([&](unsigned long) { fired = true; }, 0, 0);
    for (int i = 0; i < 500 && !fired; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fired.load());
}

// Hundreds of dead devices must not turn into an unbounded number of threads: the pool
// stops growing at 256 blocked callbacks, and a timer due after that waits for one of
// them to return.
TEST(PlatformTimerPool, GrowthStopsAt256BlockedCallbacks)
{
    BlockedTimers blocked(258);
    ASSERT_TRUE(blocked.waitEntered(256, std::chrono::seconds(60))) << blocked.entered() << " started";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));   // the pool grows every 20 ms when stuck
    EXPECT_EQ(256, blocked.inside());
    EXPECT_EQ(256, blocked.entered());

    blocked.release(1);
    EXPECT_TRUE(blocked.waitEntered(257, std::chrono::seconds(5))) << "a freed thread takes the next timer";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(256, blocked.inside());
    EXPECT_EQ(257, blocked.entered());
}

namespace {

int processThreads()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, 8, "Threads:") == 0)
            return std::atoi(line.c_str() + 8);
    }
    return -1;
}

} // namespace

// A thousand cameras' online probes fall due together; each takes a few milliseconds.
// They queue on the pool as it is instead of each getting a thread of its own.
TEST(PlatformTimerPool, BurstOfShortCallbacksKeepsThePoolSmall)
{
    constexpr int kTimers = 300;
    std::atomic<int> ran{0};
    std::vector<std::unique_ptr<CTimer>> timers;
    CTimer warmUp("WarmUp");   // the pool starts with the first timer
    warmUp.start([](unsigned long) {}, 0, 0);
    warmUp.stopAndWait();
    const int before = processThreads();
    for (int i = 0; i < kTimers; ++i) {
        timers.push_back(std::make_unique<CTimer>("Probe"));
        timers.back()->start(
            [&](unsigned long) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                ++ran;
            },
            0, 0);
    }
    int peak = before;
    for (int i = 0; i < 1000 && ran < kTimers; ++i) {
        peak = std::max(peak, processThreads());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(kTimers, ran.load());
    EXPECT_LT(peak - before, 30) << "threads before " << before << ", peak " << peak;
}
