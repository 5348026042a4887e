#pragma once
// Push mode for every device: subscribes each registered device with a consumer address on
// the library's notification server, keeps the subscriptions alive, and turns the Notify
// requests devices post into host events through each device's policy.
//
// Devices are known by their address: a notification is taken as coming from the device
// registered under its sender's address (an IPv4 sender on the dual-stack listener counts
// as its IPv4 address). A sender nobody registered is answered and ignored.
//
// Renewals: a timer walks the devices every 5 s and renews each subscription older than its
// lifetime less 15 s; a renewal that fails subscribes the device anew. Each device's
// exchanges run as a task of its own, so that a device that does not answer delays nobody
// else's renewal.
#include <json/json.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "Base/RPCUtility/ServiceManager.h"
#include "Component/ServerInfo.h"
#include "Infra/Mutex.h"
#include "Infra/Timer.h"
#include "OnvifFramework/EventCenter/OnvifEventPolicy.h"
#include "OnvifFramework/EventCenter/OnvifEventSignal.h"

namespace RPC {
class CEventServer;
}

namespace RPC {
namespace Onvif {

class COnvifEventCenter {
public:
    static constexpr size_t kMaxDevices = 1000;
    static constexpr uint64_t kSubscriptionSeconds = 60;
    static constexpr uint64_t kRenewMarginSeconds = 15;
    static constexpr uint32_t kRenewTimerMs = 5000;
    static constexpr const char* kNotifyPath = "/onvif_notify_server";
    using ClockProc = std::function<uint64_t()>;   // milliseconds, monotonic

    // The centre of the library's exports, on the process-wide notification server.
    static COnvifEventCenter* instance();

    // Timed: the centre's own timer renews, each device's exchanges run as tasks of their own.
    // Driven: no timer; whoever owns the centre calls runRenewals, and every exchange runs on
    // the calling thread (tests that count requests after a pass).
    enum class Mode { Timed, Driven };

    // server: where devices post (not owned).
    explicit COnvifEventCenter(CEventServer* server, ClockProc clock = nullptr, Mode mode = Mode::Timed);
    ~COnvifEventCenter();
    COnvifEventCenter(const COnvifEventCenter&) = delete;
    COnvifEventCenter& operator=(const COnvifEventCenter&) = delete;

    // Registers a device and the callbacks its events go to. False when the notification
    // server is not serving, or 1000 devices are registered already.
    bool addDelegation(std::shared_ptr<const Zentar::Component::ServerInfo> info,
                       std::shared_ptr<COnvifEventSignal> signal);
    // Unsubscribes and forgets the device.
    bool removeDelegation(const Zentar::Component::ServerInfo& info);

    bool subscribe(const Zentar::Component::ServerInfo& info);
    bool renew(const Zentar::Component::ServerInfo& info);
    bool unsubscribe(const Zentar::Component::ServerInfo& info);

    // The notification server's processor for kNotifyPath: handles the request, then
    // answers 200 with "Connection: close".
    std::string OnNotify(const CServerRequest& request);
    // The messages of a Notify body from sender; false when the sender is not registered
    // or the body is not a SOAP envelope.
    bool handleNotify(const std::string& sender, const char* body, size_t length);

    // One pass of the renewal timer.
    void runRenewals();

    size_t deviceCount() const;
    // The consumer address a device would be given (for logs and tests); "" when unknown.
    std::string consumerAddress(const Zentar::Component::ServerInfo& info) const;
    // Whether the device has a live subscription, and its reference.
    bool isSubscribed(const Zentar::Component::ServerInfo& info, std::string* reference = nullptr) const;

private:
    struct Slot {
        Zentar::Infra::CMutex mutex;   // guards the policy's subscription
        std::shared_ptr<CEventPolicy> policy;
        Zentar::Infra::CTimer task{"OnvifEventRenewTimer"};   // the device's own exchanges
    };

    std::shared_ptr<Slot> findSlot(const std::string& address) const;
    bool subscribeSlot(Slot& slot);
    bool renewSlot(Slot& slot);
    bool unsubscribeSlot(Slot& slot);
    // Runs fn for the slot now or as its own task.
    void runTask(const std::shared_ptr<Slot>& slot, std::function<void(Slot&)> fn);
    bool ensureProcessor();
    uint64_t nowMs() const;

    // Passed in.
    CEventServer* m_server;
    ClockProc m_clock;
    const Mode m_mode;

    // Owned.
    mutable std::mutex m_mutex;                                  // the device map
    std::map<std::string, std::shared_ptr<Slot>> m_devices;      // by device address
    bool m_processorAdded = false;
    Zentar::Infra::CTimer m_renewTimer{"OnvifEventRenewTimer"};

    // The processor reaches the centre through this; the destructor waits for notifications
    // being handled and makes later ones find the centre gone.
    struct CLifeGuard {
        std::shared_mutex mutex;
        COnvifEventCenter* centre = nullptr;
    };
    std::shared_ptr<CLifeGuard> m_guard;
};

} // namespace Onvif
} // namespace RPC
