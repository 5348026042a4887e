#pragma once
// The state and steps of one pull-point worker (CPullpointEventHandler): everything but
// the thread, so that tests can drive it one cycle at a time with their own clock.
//
// A cycle (runOnce):
//   1. read the topic set once (GetEventProperties), which types the pulled items;
//   2. create a pull point when there is none, or when the last pull says the old one is
//      unusable (see ErrorState);
//   3. pull (PullMessages) and hand what came to parseAndTriger.
// runOnce returns how long to wait before the next cycle: 5 s after a failed set-up, 1 s
// after a failed or empty pull (a device that answers at once must not make us spin),
// 10 ms after a batch that could not be classified, and 0 after messages.
#include <json/json.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Component/ServerInfo.h"
#include "Infra/Timer.h"
#include "SOAPFramework/SOAPTransport.h"
#include "OnvifFramework/EventCenter/AlarmTriger.h"
#include "OnvifFramework/EventCenter/OnvifEventSignal.h"
#include "OnvifFramework/EventCenter/PullpointEventHandler.h"

namespace RPC {
namespace Onvif {

class CPullpointEventHandler::Impl : public std::enable_shared_from_this<CPullpointEventHandler::Impl> {
public:
    using ClockProc = CAlarmTriger::ClockProc;          // milliseconds, monotonic
    using SleepProc = std::function<void(uint32_t ms)>; // waits, ends early when stopping

    // Why the last pull failed.
    enum ErrorState {
        ERROR_NONE = 0,
        ERROR_SEND = 1,      // the request did not get out: the device is gone or rebooted
        ERROR_RECV = 2,      // sent, but nothing readable came back: keep the pull point a while
        ERROR_REFUSED = 3,   // the device answered with a fault: the pull point is unknown to it
    };

    static constexpr uint32_t kSetupRetryMs = 5000;
    static constexpr uint32_t kPullRetryMs = 1000;
    static constexpr uint32_t kParseRetryMs = 10;
    static constexpr uint32_t kMessageGapMs = 100;
    static constexpr uint32_t kHoldMs = 2000;
    static constexpr uint32_t kTickMs = 50;
    // A pull never asks the device to wait longer than the transport waits for its answer.
    static constexpr int kMaxPullSeconds = 60;

    // clock and sleep null: the monotonic clock, and a wait that stop() cuts short.
    Impl(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo, std::shared_ptr<COnvifEventSignal> signal,
         ClockProc clock = nullptr, SleepProc sleep = nullptr);
    ~Impl();

    uint32_t runOnce();
    // The messages of one pull: classify each, fire its trigger. False (and the rest of the
    // batch unread) at the first message of no known event.
    bool parseAndTriger(const Json::Value& pulled);
    // Reports the starts and stops that have come due (the trigger timer calls it).
    void tickTriggers();

    // Worker thread body: cycles until stopped, then unsubscribes.
    void threadProc();
    // Ends the cycles: a wait or an exchange in progress is cut short.
    void requestStop();
    bool stopping() const;

    // Read-outs for tests and logs.
    const std::string& subscriptionAddress() const { return m_address; }
    ErrorState errorState() const { return m_errorState; }
    bool hasTopicSet() const { return !m_topicSet.isNull(); }
    int64_t validitySeconds() const { return m_validity; }
    const std::string& pullTimeout() const { return m_pullTimeout; }
    int messageLimit() const { return m_messageLimit; }
    bool triggerActive(const std::string& eventType) const;

private:
    bool readTopicSet();
    bool needsNewSubscription();
    bool createSubscription();
    void unsubscribe(bool untilSent);
    bool pull(Json::Value& result);
    void takeFailure(const Json::Value& result);
    // TerminationTime - CurrentTime of an answer; false when either is missing or the
    // device's clock puts the end before the start.
    bool refreshValidity(const Json::Value& result);
    void wait(uint32_t ms);
    uint64_t nowMs() const;
    void deliverReports();

    struct Report {
        std::string type;
        int index;
        int action;
    };

    // Passed in.
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
    std::shared_ptr<COnvifEventSignal> m_signal;
    ClockProc m_clock;
    SleepProc m_sleep;

    // The worker's own (touched by the worker thread only).
    Json::Value m_topicSet;             // {"TopicSet": [...]}, null until read
    std::string m_address;              // the pull point, "" when there is none
    std::string m_mappedAddress;        // the same reached through the host's port mapping
    ErrorState m_errorState = ERROR_NONE;
    std::string m_pullTimeout = "PT30S";
    int m_messageLimit = 1;
    int64_t m_validity = 0;             // seconds
    uint64_t m_lastPullMs = 0;

    // Shared with the trigger timer and stop().
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    Zentar::SOAPFramework::CSOAPCancel m_cancel;   // the worker thread's exchanges
    std::map<std::string, std::unique_ptr<CAlarmTriger>> m_triggers;
    std::vector<Report> m_reports;      // reported by the triggers, not yet delivered
    Zentar::Infra::CTimer m_timer{"PullpointTrigerTimer"};
};

} // namespace Onvif
} // namespace RPC
