#pragma once
// The event producer of one simulated device: its pull points and push subscriptions, the
// messages waiting for each, and where events come from (the description's timeline and
// the control API).
//
// Locking: the hub has its own mutex and never takes the device's while holding it. The
// events service calls in holding the device lock (device, then hub); events raised by the
// timeline or the control API read what they need from the device first, let go of it, and
// only then take the hub's.
#include "Events/EventSettings.h"
#include "Events/EventTopics.h"
#include "Device/DeviceState.h"
#include "Http/HttpMessage.h"

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace OnvifSim {

class CDeviceCore;
class CNotifySender;
class CPullWait;

// How answers are written: the device's habits, taken when the request arrived.
struct CAnswerStyle {
    std::map<std::string, std::string> prefixes;
    bool defaultNamespaces = false;
    bool chunked = false;
    bool terminationBeforeCurrent = false;
    long long clockOffset = 0;   // device clock minus real time, seconds
};

class CEventHub : public std::enable_shared_from_this<CEventHub> {
public:
    CEventHub(asio::io_context& io, std::weak_ptr<CDeviceCore> core, CEventSettings settings);
    ~CEventHub();

    void start();   // runs the timeline
    void stop();    // no more timeline, no more notifications

    const CEventSettings& settings() const { return m_settings; }

    // ---- The events service (called with the device lock held) ----------------------
    // A new pull point or push subscription living `seconds` from now; its id.
    int createPullPoint(long long now, int seconds, const std::vector<CEventMessage>& initial);
    // Its messages name it as serviceAddress + "?sub=<id>".
    int createPush(long long now, int seconds, const std::string& consumer, const CAnswerStyle& style,
                   const std::string& serviceAddress, const std::vector<CEventMessage>& initial);
    // Messages for one subscription only (a synchronisation point).
    void resend(int id, const std::vector<CEventMessage>& messages);
    bool exists(int id, long long now);
    bool isPullPoint(int id);
    // New termination time, or false for an unknown or lapsed subscription.
    bool renew(int id, long long now, int seconds, long long* termination);
    bool remove(int id);
    long long termination(int id);
    // PullMessages: up to limit messages now (extending the pull point's life); empty
    // when none wait. The pull's number (1, 2, ...) goes to *pullCount.
    std::vector<CEventMessage> take(int id, long long now, int limit, int* pullCount);
    // A pull that waits up to waitMs for a message.
    std::shared_ptr<CPullWait> waitFor(int id, int limit, int waitMs, bool dropConnection, CAnswerStyle style,
                                       std::string address);

    // ---- Sources ------------------------------------------------------------------------
    // Raises an event of kind for a channel (1-based) or a digital input; false for an
    // unknown kind, channel or input.
    bool raise(const std::string& kind, bool state, int channel = 1, const std::string& input = std::string());
    // Every subscription lapses now.
    void expireAll();
    int subscriptionCount();
    int notificationsPosted() const;
    int notificationFailures() const;

    // The current state of every property, as a new subscription's "Initialized" messages.
    std::vector<CEventMessage> initialMessages(CDeviceState& state);

private:
    struct Subscription {
        bool pull = true;
        long long termination = 0;   // device clock
        int seconds = 60;
        std::deque<CEventMessage> queue;
        std::weak_ptr<CPullWait> waiter;
        int pulls = 0;
        std::string consumer;        // push: where Notify goes
        std::string reference;       // push: the subscription's own address
        CAnswerStyle style;
    };

    void scheduleTimeline(size_t next, double base);
    void deliver(const CEventMessage& message, long long now);
    void post(const Subscription& push, const CEventMessage& message);

    asio::io_context& m_io;
    std::weak_ptr<CDeviceCore> m_core;
    const CEventSettings m_settings;
    std::shared_ptr<CNotifySender> m_sender;
    asio::steady_timer m_timeline;
    std::chrono::steady_clock::time_point m_started;

    mutable std::mutex m_mutex;
    std::map<int, Subscription> m_subscriptions;
    int m_nextId = 1;
    bool m_stopped = false;
    std::map<std::string, bool> m_states;   // "kind/source" -> last state raised
};

// Writes the content of a PullMessages answer into its tev:PullMessagesResponse element.
void WritePullAnswer(CXmlNode response, long long now, long long termination, bool terminationBeforeCurrent,
                     const std::vector<CEventMessage>& messages, const std::string& address);

// A PullMessages waiting for its pull point's next message or its deadline.
class CPullWait final : public IDeferredAnswer, public std::enable_shared_from_this<CPullWait> {
public:
    CPullWait(std::weak_ptr<CEventHub> hub, int id, int limit, int waitMs, bool dropConnection, CAnswerStyle style,
              std::string address);

    void wait(const asio::any_io_executor& executor, std::function<void(CHttpAnswer)> done) override;
    void cancel() override;
    // A message arrived for the pull point (called under the hub's lock: only posts).
    void wake();

private:
    void finish();

    std::weak_ptr<CEventHub> m_hub;
    const int m_id;
    const int m_limit;
    const int m_waitMs;
    const bool m_drop;
    const CAnswerStyle m_style;
    const std::string m_address;

    std::mutex m_mutex;
    asio::any_io_executor m_executor;
    std::unique_ptr<asio::steady_timer> m_timer;
    std::function<void(CHttpAnswer)> m_done;
    bool m_woken = false;
    bool m_finished = false;
};

} // namespace OnvifSim
