#include "OnvifFramework/EventCenter/OnvifEventSignal.h"

#include <algorithm>

namespace RPC {
namespace Onvif {

int COnvifEventSignal::attach(const void* id, Proc proc)
{
    if (!id || !proc)
        return -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    Entry* free = nullptr;
    for (Entry& e : m_entries) {
        if (e.attached && e.id == id)
            return -2;
        if (!e.attached && e.delivering.empty() && !free)
            free = &e;
    }
    if (!free) {
        if (m_entries.size() >= static_cast<size_t>(kCapacity))
            return -1;
        m_entries.emplace_back();
        free = &m_entries.back();
    }
    free->id = id;
    free->proc = std::move(proc);
    free->attached = true;
    return ++m_count;
}

int COnvifEventSignal::detach(const void* id)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (Entry& e : m_entries) {
        if (!e.attached || e.id != id)
            continue;
        e.attached = false;
        --m_count;
        const std::thread::id self = std::this_thread::get_id();
        // Wait for the other threads' deliveries through this entry; this thread's own (a
        // callback detaching itself) returns after us.
        m_idle.wait(lock, [&] {
            return std::all_of(e.delivering.begin(), e.delivering.end(),
                               [&](const std::thread::id& t) { return t == self; });
        });
        if (e.delivering.empty())
            e.proc = nullptr;
        return m_count;
    }
    return -1;
}

int COnvifEventSignal::count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}

void COnvifEventSignal::emit(const std::string& type, int index, int action, const Json::Value& detail,
                             const Json::Value& extra)
{
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    // Entries are never removed from the vector, only reused, so indexes stay valid while
    // the lock is dropped; the vector only grows under the lock, and only past the end.
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].attached)
            continue;
        Proc proc = m_entries[i].proc;
        m_entries[i].delivering.push_back(self);
        lock.unlock();
        proc(type, index, action, detail, extra);
        lock.lock();
        std::vector<std::thread::id>& delivering = m_entries[i].delivering;
        delivering.erase(std::find(delivering.begin(), delivering.end(), self));
        if (!m_entries[i].attached && delivering.empty())
            m_entries[i].proc = nullptr;
        m_idle.notify_all();
    }
}

} // namespace Onvif
} // namespace RPC
