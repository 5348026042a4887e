#pragma once
// The host callbacks attached to one device's events, and their delivery.
//
// A callback runs without the list's lock held, so it may attach, detach or take as long
// as it likes; an entry counts the deliveries running through it, and detach waits for
// those to return (except the calling thread's own: a callback may detach itself), so
// that after detach the host's receiver is never called again.
#include <json/json.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace RPC {
namespace Onvif {

class COnvifEventSignal {
public:
    // (event type, alarm index, action 0 start / 1 stop, details, more details)
    using Proc = std::function<void(const std::string& type, int index, int action, const Json::Value& detail,
                                    const Json::Value& extra)>;
    static constexpr int kCapacity = 32;

    // The entries never move: a delivery or a detach keeps referring to its entry while the
    // lock is dropped.
    COnvifEventSignal() { m_entries.reserve(kCapacity); }

    // The number of receivers attached afterwards; -2 when id is attached already, -1 when
    // the list is full or the receiver is empty.
    int attach(const void* id, Proc proc);
    // The number left; -1 when id was not attached.
    int detach(const void* id);
    int count() const;

    void emit(const std::string& type, int index, int action, const Json::Value& detail = Json::Value(),
              const Json::Value& extra = Json::Value());

private:
    struct Entry {
        const void* id = nullptr;
        Proc proc;
        bool attached = false;
        std::vector<std::thread::id> delivering;   // one per delivery running through it
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    std::vector<Entry> m_entries;
    int m_count = 0;
};

} // namespace Onvif
} // namespace RPC
