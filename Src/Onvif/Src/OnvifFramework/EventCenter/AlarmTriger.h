#pragma once
// Turns a stream of notifications of one event into one alarm: it starts a little after
// the first notification and stops when no notification has come for the hold time.
//
//   triger()          triger()   triger()
//      |<-100 ms->|                  |<------- hold ------->|
//   ---+----------S------------------+----------------------E---->
//                 report start (0)                          report stop (1)
//
// A device repeating a motion notification every half second therefore raises one alarm,
// not one per notification; the short delay lets a burst settle before the host is told.
#include <cstdint>
#include <functional>
#include <string>

namespace RPC {

class CAlarmTriger {
public:
    // (event type, index, action): action 0 alarm start, 1 alarm stop.
    using ReportProc = std::function<void(const std::string& type, int index, int action)>;
    using ClockProc = std::function<uint64_t()>;           // milliseconds, monotonic
    using SleepProc = std::function<void(uint32_t ms)>;

    static constexpr uint64_t kStartDelayMs = 100;
    static constexpr uint32_t kSwitchPauseMs = 60;

    CAlarmTriger(ReportProc owner, std::string type, ClockProc clock, SleepProc sleep);

    // One notification. An empty type means the trigger's own. A notification of another
    // type than the running alarm's ends that alarm at once and starts its own.
    void triger(int index, uint32_t holdMs, const std::string& type = std::string());
    // Reports a start or stop that has come due; the owner calls it on its timer.
    void tick();

    bool isActive() const { return m_active; }
    bool isStarted() const { return m_started; }
    const std::string& type() const { return m_type; }
    uint64_t startTime() const { return m_startTime; }
    uint64_t endTime() const { return m_endTime; }

private:
    void begin(int index, uint32_t holdMs);

    ReportProc m_owner;
    ClockProc m_clock;
    SleepProc m_sleep;
    std::string m_type;
    int m_index = 0;
    uint64_t m_startTime = 0;
    uint64_t m_endTime = 0;
    bool m_active = false;
    bool m_started = false;
};

} // namespace RPC
