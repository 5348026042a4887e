#include "Infra/Timer.h"

#include "Infra/LogSink.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

namespace Zentar {
namespace Infra {

using Clock = std::chrono::steady_clock;
using Queue = std::multimap<Clock::time_point, std::shared_ptr<CTimer::State>>;

// All fields are guarded by the service mutex.
struct CTimer::State {
    std::string name;
    std::shared_ptr<const Proc> proc;
    unsigned long value = 0;
    uint32_t periodMs = 0;
    uint32_t limitMs = 0;
    uint64_t generation = 0;   // bumped by every start/stop, so a finishing run can tell
                               // whether its settings are still current
    bool started = false;
    bool running = false;
    bool queued = false;       // has an entry in the queue (at `entry`)
    bool deferred = false;     // became due while still running; run again when done
    Queue::iterator entry;
    std::thread::id runningThread;
};

namespace {

// The pool keeps a few threads and grows when it is stuck: some callbacks (an
// asynchronous login to a dead device) block for seconds, and they must not hold up the
// timers of every other device. Stuck means a timer is due, every thread is inside a
// callback and none has returned for a while; a burst of short callbacks (a thousand
// online probes falling due together) is only queued, so the thread count follows the
// number of blocked callbacks, not the number of timers. Threads beyond the minimum leave
// after a while without work.
const int kPoolThreads = 3;
const int kMaxPoolThreads = 256;
const auto kIdleThreadLifetime = std::chrono::seconds(30);
const auto kStuckAfter = std::chrono::milliseconds(20);

class CTimerService {
public:
    static CTimerService& instance()
    {
        // Deliberately never destroyed: timers owned by other static objects may still
        // stop themselves during process exit.
        static CTimerService* service = new CTimerService();
        return *service;
    }

    std::mutex& mutex() { return m_mutex; }

    void scheduleLocked(const std::shared_ptr<CTimer::State>& state, Clock::time_point due)
    {
        unqueueLocked(*state);
        state->entry = m_queue.emplace(due, state);
        state->queued = true;
        m_wake.notify_all();
        m_growWake.notify_one();
    }

    void unqueueLocked(CTimer::State& state)
    {
        if (state.queued) {
            m_queue.erase(state.entry);
            state.queued = false;
        }
        state.deferred = false;
    }

    // Waits until the given timer's callback has returned.
    void waitIdleLocked(std::unique_lock<std::mutex>& lock, CTimer::State& state)
    {
        m_idle.wait(lock, [&state] { return !state.running; });
    }

private:
    CTimerService()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int i = 0; i < kPoolThreads; ++i)
            spawnLocked();
        std::thread grower([this] { growerLoop(); });
        grower.detach();
    }

    // Adds a thread each time the pool has been stuck for kStuckAfter.
    void growerLoop()
    {
        pthread_setname_np(pthread_self(), "ZTimerGrow");
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (m_busy < m_threads || m_queue.empty() || m_threads >= kMaxPoolThreads) {
                m_growWake.wait(lock);
                continue;
            }
            const Clock::time_point now = Clock::now();
            const Clock::time_point due = m_queue.begin()->first;
            const Clock::time_point stuckAt = std::max(due, m_lastProgress) + kStuckAfter;
            if (stuckAt > now) {
                m_growWake.wait_until(lock, stuckAt);
                continue;
            }
            spawnLocked();
            m_lastProgress = now;   // give the new thread its own chance before the next one
        }
    }

    void spawnLocked()
    {
        const int index = m_nextIndex++;
        ++m_threads;
        std::thread worker([this, index] { workerLoop(index); });
        worker.detach();
    }

    void workerLoop(int index)
    {
        std::string name = "ZTimer" + std::to_string(index);
        pthread_setname_np(pthread_self(), name.c_str());
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (m_queue.empty()) {
                if (m_wake.wait_for(lock, kIdleThreadLifetime) == std::cv_status::timeout &&
                    m_queue.empty() && m_threads > kPoolThreads) {
                    --m_threads;
                    return;
                }
                continue;
            }
            auto first = m_queue.begin();
            // Copied: wait_until reads the deadline again after waking, when another
            // worker may already have erased this entry.
            const Clock::time_point due = first->first;
            if (due > Clock::now()) {
                m_wake.wait_until(lock, due);
                continue;
            }
            std::shared_ptr<CTimer::State> state = first->second;
            m_queue.erase(first);
            state->queued = false;
            if (state->running) {
                state->deferred = true; // restarted while running: go again once it returns
                continue;
            }
            runLocked(lock, state);
        }
    }

    void runLocked(std::unique_lock<std::mutex>& lock, const std::shared_ptr<CTimer::State>& state)
    {
        const uint64_t generation = state->generation;
        const std::shared_ptr<const CTimer::Proc> proc = state->proc;
        const unsigned long value = state->value;
        const uint32_t limitMs = state->limitMs;
        const Clock::time_point began = Clock::now();
        state->running = true;
        state->runningThread = std::this_thread::get_id();
        if (++m_busy >= m_threads)
            m_growWake.notify_one();

        lock.unlock();
        invoke(state->name, *proc, value);
        const auto tookMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began).count();
        if (limitMs != 0 && tookMs > static_cast<long long>(limitMs)) {
            logFilter(kLogWarning, "timer %s: callback took %lld ms, limit is %u ms",
                      state->name.c_str(), static_cast<long long>(tookMs), limitMs);
        }
        lock.lock();
        --m_busy;
        m_lastProgress = Clock::now();

        state->running = false;
        state->runningThread = std::thread::id();
        finishLocked(state, generation, began);
        m_idle.notify_all();
    }

    void finishLocked(const std::shared_ptr<CTimer::State>& state, uint64_t generation,
                      Clock::time_point began)
    {
        if (!state->started) {
            return;
        }
        if (state->deferred) {
            state->deferred = false;
            scheduleLocked(state, Clock::now());
        } else if (state->generation != generation || state->queued) {
            // restarted during the run; the new schedule is already queued
        } else if (state->periodMs == 0) {
            state->started = false;
        } else {
            // Keep the period's phase, but after an overrun start afresh from now
            // rather than firing a burst of catch-up runs.
            Clock::time_point next = began + std::chrono::milliseconds(state->periodMs);
            const Clock::time_point now = Clock::now();
            scheduleLocked(state, next > now ? next : now);
        }
    }

    static void invoke(const std::string& name, const CTimer::Proc& proc, unsigned long value)
    {
        try {
            proc(value);
        } catch (const std::exception& e) {
            logError("timer %s: callback threw: %s", name.c_str(), e.what());
        } catch (...) {
            logError("timer %s: callback threw an unknown exception", name.c_str());
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake; // queue changed
    std::condition_variable m_idle; // some callback returned
    std::condition_variable m_growWake; // the pool may have become stuck
    Clock::time_point m_lastProgress;   // a callback last returned (or a thread was added)
    Queue m_queue;
    int m_threads = 0;     // workers alive
    int m_busy = 0;        // workers inside a callback
    int m_nextIndex = 0;
};

} // namespace

CTimer::CTimer(const char* name) : m_state(std::make_shared<State>())
{
    m_state->name = name ? name : "timer";
}

CTimer::~CTimer() { stopAndWait(); }

bool CTimer::start(Proc proc, uint32_t delayMs, uint32_t periodMs, unsigned long value,
                   uint32_t limitMs)
{
    if (!proc) {
        return false;
    }
    auto shared = std::make_shared<const Proc>(std::move(proc));
    CTimerService& service = CTimerService::instance();
    std::lock_guard<std::mutex> lock(service.mutex());
    m_state->proc = std::move(shared);
    m_state->value = value;
    m_state->periodMs = periodMs;
    m_state->limitMs = limitMs;
    m_state->generation++;
    m_state->started = true;
    service.scheduleLocked(m_state, Clock::now() + std::chrono::milliseconds(delayMs));
    return true;
}

bool CTimer::stop(bool wait)
{
    CTimerService& service = CTimerService::instance();
    std::unique_lock<std::mutex> lock(service.mutex());
    m_state->generation++;
    m_state->started = false;
    service.unqueueLocked(*m_state);
    m_state->proc.reset(); // release what the callback captured (a running copy stays alive)
    if (wait && m_state->running && m_state->runningThread != std::this_thread::get_id()) {
        service.waitIdleLocked(lock, *m_state);
    }
    return true;
}

bool CTimer::isStarted() const
{
    std::lock_guard<std::mutex> lock(CTimerService::instance().mutex());
    return m_state->started;
}

bool CTimer::isRunning() const
{
    std::lock_guard<std::mutex> lock(CTimerService::instance().mutex());
    return m_state->running;
}

} // namespace Infra
} // namespace Zentar
