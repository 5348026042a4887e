#pragma once
// Push mode, one device: its subscription and what becomes of the notifications it sends.
// The policy finds which channel or input an event concerns (the alarm index), whether it
// starts or stops, adds the details some events carry, and delivers it to the device's
// host callbacks.
#include <json/json.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Component/ServerInfo.h"
#include "OnvifFramework/EventCenter/OnvifEventCharacter.h"
#include "OnvifFramework/EventCenter/OnvifEventSignal.h"

namespace RPC {
namespace Onvif {

class CEventPolicy {
public:
    using ClockProc = std::function<uint64_t()>;   // milliseconds
    // Finds the index of a source (name, value) for a device; -1 when it is not found.
    using IndexLookup = std::function<int(const Zentar::Component::ServerInfo&, const std::string& sourceName,
                                          const std::string& sourceValue)>;
    // A source that was not found is looked for again after this long.
    static constexpr uint64_t kMissRetryMs = 60000;

    CEventPolicy(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo,
                 std::shared_ptr<COnvifEventSignal> signal, ClockProc clock, IndexLookup lookup = nullptr);

    // Delivers one classified notification; false when it has no event type.
    bool execute(const OnvifEventCharacter& event);
    // The alarm index of an event (0 when its source names nothing known), remembered per
    // source so that a busy device does not cost a lookup per notification.
    int alarmIndex(const OnvifEventCharacter& event);

    const Zentar::Component::ServerInfo& serverInfo() const { return *m_serverInfo; }
    std::shared_ptr<const Zentar::Component::ServerInfo> serverInfoPtr() const { return m_serverInfo; }

    // The device's subscription; the event centre guards it with the device's slot lock.
    struct Subscription {
        std::string address;          // the subscription manager the device named
        std::string mappedAddress;    // the same through the host's port mapping, or ""
        uint64_t seconds = 60;        // asked-for lifetime
        uint64_t lastRenewMs = 0;     // last subscription or renewal
        bool subscribed = false;
        uint64_t nextAttemptMs = 0;   // a failed subscription is tried again from then on
        uint32_t failedAttempts = 0;
    };
    Subscription& subscription() { return m_subscription; }

private:
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
    std::shared_ptr<COnvifEventSignal> m_signal;
    ClockProc m_clock;
    IndexLookup m_lookup;

    struct CachedIndex {
        int index;
        uint64_t time;
    };
    Subscription m_subscription;

    std::mutex m_cacheMutex;
    std::map<std::string, CachedIndex> m_indexCache;   // "name=value" -> index or -1
};

// The source item an index is looked for by ("token", "InputToken", ...), or "" when the
// event names none. The value goes to *value.
std::string alarmSourceOf(const OnvifEventCharacter& event, std::string* value);
// The device's own lookup: profiles' video source (configuration) tokens give the channel,
// digital inputs and relay outputs their position. -1 when nothing matches.
int lookupAlarmIndex(const Zentar::Component::ServerInfo& info, const std::string& sourceName,
                     const std::string& sourceValue);

} // namespace Onvif
} // namespace RPC
