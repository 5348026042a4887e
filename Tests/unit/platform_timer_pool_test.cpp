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

TEST(PlatformTimerPool, BlockingCallbacksDoNotStarveOtherTimers)
{
    constexpr int kBlocking = 12;   // well above the pool's resting size
    std::mutex mutex;
    std::condition_variable cv;
    int inside = 0;
    bool release = false;

    std::vector<std::unique_ptr<CTimer>> timers;
    for (int i = 0; i < kBlocking; ++i) {
        timers.push_back(std::make_unique<CTimer>("Blocking"));
        timers.back()->start(
            [&](unsigned long) {
                std::unique_lock<std::mutex> lock(mutex);
                ++inside;
                cv.notify_all();
                cv.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
            },
            0, 0);
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        EXPECT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return inside == kBlocking; }))
            << "only " << inside << " of " << kBlocking << " callbacks ran at once";
    }
    // A further timer still fires while all of those are blocked.
    std::atomic<bool> fired{false};
    CTimer quick("Quick");
    quick.start([&](unsigned long) { fired = true; }, 0, 0);
    for (int i = 0; i < 500 && !fired; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fired.load());

    {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
    }
    cv.notify_all();
    for (auto& t : timers)
        t->stopAndWait();
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
