#pragma once
// One-shot and periodic timers. Callbacks run on a small process-wide pool of timer
// threads driven by one scheduler, so a process with hundreds of cameras does not
// get hundreds of timer threads.
//
// Guarantees:
//  - A timer's callback never runs concurrently with itself (a periodic callback that
//    overruns delays the next run instead).
//  - After stopAndWait() returns, the callback is not running and will not run again
//    until the next start(). Called from inside the timer's own callback it only stops
//    further runs (waiting for itself would deadlock).
//  - start() on a started timer restarts it with the new settings.
#include <cstdint>
#include <functional>
#include <memory>

namespace Zentar {
namespace Infra {

class CTimer {
public:
    using Proc = std::function<void(unsigned long value)>;

    explicit CTimer(const char* name);
    ~CTimer(); // stopAndWait()

    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    // First run after delayMs, then every periodMs (0 = only once). value is handed to
    // the callback. limitMs is the longest a callback should take: a run exceeding it is
    // reported as a warning through the platform log (0 = no limit).
    // False when proc is empty.
    bool start(Proc proc, uint32_t delayMs, uint32_t periodMs, unsigned long value = 0,
               uint32_t limitMs = 0);
    // Cancels future runs; with wait, also waits for a running callback to finish.
    // Always true: stopping an idle timer is not an error.
    bool stop(bool wait = false);
    bool stopAndWait() { return stop(true); }

    bool isStarted() const;  // scheduled or repeating
    bool isRunning() const;  // the callback is executing right now

    struct State; // shared with the scheduler; defined in Timer.cpp

private:
    std::shared_ptr<State> m_state;
};

} // namespace Infra
} // namespace Zentar
