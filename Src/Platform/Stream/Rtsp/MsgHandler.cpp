#include "Stream/Rtsp/MsgHandler.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace Zentar {
namespace StreamApp {

namespace {

// Deliveries run outside the registry lock; an entry counts them so that unregistering
// can wait until none is running (except its own, when a handler closes itself from
// inside handle_message).
struct Entry {
    CMsgHandler* handler = nullptr;
    std::vector<std::thread::id> busy; // threads delivering to it right now
};

struct Registry {
    std::mutex mutex;
    std::condition_variable idle;
    std::map<long, Entry> entries;
    long nextId = 1;
};

Registry& registry()
{
    static Registry* instance = new Registry(); // lives until the process ends
    return *instance;
}

} // namespace

CMsgHandler::CMsgHandler()
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    m_id = reg.nextId++;
    reg.entries[m_id].handler = this;
}

CMsgHandler::~CMsgHandler()
{
    unregister();
}

void CMsgHandler::unregister()
{
    Registry& reg = registry();
    std::unique_lock<std::mutex> lock(reg.mutex);
    auto it = reg.entries.find(m_id);
    if (it == reg.entries.end())
        return;
    // A handler deleting itself inside handle_message cannot wait for that delivery.
    reg.idle.wait(lock, [&] {
        auto cur = reg.entries.find(m_id);
        if (cur == reg.entries.end())
            return true;
        const auto& busy = cur->second.busy;
        return busy.empty() || (busy.size() == 1 && busy[0] == std::this_thread::get_id());
    });
    reg.entries.erase(m_id);
}

void CMsgHandler::Close()
{
    unregister();
    handle_close(m_id);
}

bool CMsgHandler::deliver(long handlerId, long sender, int type, long attach)
{
    Registry& reg = registry();
    CMsgHandler* handler = nullptr;
    {
        std::lock_guard<std::mutex> lock(reg.mutex);
        auto it = reg.entries.find(handlerId);
        if (it == reg.entries.end())
            return false;
        handler = it->second.handler;
        it->second.busy.push_back(std::this_thread::get_id());
    }
    handler->handle_message(sender, type, attach);
    {
        std::lock_guard<std::mutex> lock(reg.mutex);
        auto it = reg.entries.find(handlerId);
        if (it != reg.entries.end()) {
            auto& busy = it->second.busy;
            auto self = std::find(busy.begin(), busy.end(), std::this_thread::get_id());
            if (self != busy.end())
                busy.erase(self);
        }
    }
    reg.idle.notify_all();
    return true;
}

} // namespace StreamApp
} // namespace Zentar
