#pragma once
// A fixed-capacity list of receivers, attached and detached by identity (any pointer the
// receiver chooses). Emitting holds the list's lock while receivers run, so a receiver is
// never detached while it is being called; the lock is recursive, so a receiver may
// detach itself (or others) from inside its call.
#include <array>
#include <functional>

#include "Infra/Mutex.h"

namespace Zentar {
namespace Infra {

template <class... Args>
class CSignal {
public:
    using Proc = std::function<void(Args...)>;
    static const int kCapacity = 32;

    // The number of receivers now attached; -2 when id is attached already, -1 when the
    // list is full or the receiver is empty.
    int attach(const void* id, Proc proc)
    {
        CGuard guard(m_mutex);
        if (!id || !proc)
            return -1;
        int free = -1;
        for (int i = 0; i < kCapacity; ++i) {
            if (m_slots[i].id == id)
                return -2;
            if (!m_slots[i].id && free < 0)
                free = i;
        }
        if (free < 0)
            return -1;
        m_slots[free].id = id;
        m_slots[free].proc = std::move(proc);
        return ++m_count;
    }

    // The number of receivers left; -1 when id was not attached.
    int detach(const void* id)
    {
        CGuard guard(m_mutex);
        for (Slot& slot : m_slots) {
            if (id && slot.id == id) {
                slot = Slot();
                return --m_count;
            }
        }
        return -1;
    }

    bool isAttached(const void* id) const
    {
        CGuard guard(m_mutex);
        for (const Slot& slot : m_slots) {
            if (id && slot.id == id)
                return true;
        }
        return false;
    }

    int count() const
    {
        CGuard guard(m_mutex);
        return m_count;
    }

    void emit(Args... args) const
    {
        CGuard guard(m_mutex);
        if (m_count == 0)
            return;
        // A receiver may change the list while it runs: call the ones present at the start
        // that are still attached when their turn comes, each from its own copy.
        std::array<Proc, kCapacity> procs;
        std::array<int, kCapacity> index;
        int n = 0;
        for (int i = 0; i < kCapacity; ++i) {
            if (m_slots[i].id) {
                procs[n] = m_slots[i].proc;
                index[n++] = i;
            }
        }
        const std::array<Slot, kCapacity>& slots = m_slots;
        std::array<const void*, kCapacity> ids;
        for (int k = 0; k < n; ++k)
            ids[k] = slots[index[k]].id;
        for (int k = 0; k < n; ++k) {
            if (m_slots[index[k]].id == ids[k])
                procs[k](args...);
        }
    }

private:
    struct Slot {
        const void* id = nullptr;
        Proc proc;
    };

    mutable CMutex m_mutex;
    std::array<Slot, kCapacity> m_slots{};
    int m_count = 0;
};

} // namespace Infra
} // namespace Zentar
