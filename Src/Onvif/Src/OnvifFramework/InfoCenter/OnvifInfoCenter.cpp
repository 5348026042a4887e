#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"

#include <atomic>
#include <cstdio>
#include <new>

#include "Infra/Time.h"
#include "OnvifFramework/InfoCenter/OnvifCacheSlot.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {
namespace {

// Guards creation of the centre and every lookup or insertion in its record map. It lives
// outside the object so that creation itself can be serialised.
Zentar::Infra::CMutex& registryMutex()
{
    static Zentar::Infra::CMutex mutex;
    return mutex;
}

std::atomic<COnvifInfoCenter*> g_instance{nullptr};
std::atomic<COnvifInfoCenter::ClockFn> g_clock{nullptr};

} // namespace

COnvifInfoCenter* COnvifInfoCenter::instance()
{
    COnvifInfoCenter* centre = g_instance.load(std::memory_order_acquire);
    if (centre)
        return centre;
    Zentar::Infra::CGuard guard(registryMutex());
    centre = g_instance.load(std::memory_order_relaxed);
    if (!centre) {
        centre = new COnvifInfoCenter();
        g_instance.store(centre, std::memory_order_release);
    }
    return centre;
}

// The thread base is part of the framework's object model only; the centre has no body of
// its own and never starts it.
COnvifInfoCenter::COnvifInfoCenter() : Zentar::Infra::CThread("OnvifInfoCenter", [] {}, 64, 0, 0) {}

COnvifInfoCenter::~COnvifInfoCenter() = default;

void COnvifInfoCenter::setClock(ClockFn clock) { g_clock.store(clock); }

uint64_t COnvifInfoCenter::now()
{
    ClockFn clock = g_clock.load();
    return clock ? clock() : Zentar::Infra::CTime::getCurrentMilliSecond();
}

std::string COnvifInfoCenter::makeRecordKey(const ServerInfo& info)
{
    char numbers[64];
    snprintf(numbers, sizeof(numbers), "-%d-%d-%d-%d", static_cast<int>(info.port), static_cast<int>(info.mediaPort),
             info.https ? 1 : 0, info.key5);
    return info.address + numbers;
}

DeviceInfoRecord* COnvifInfoCenter::getInfoAddr(const ServerInfo& info)
{
    const std::string key = makeRecordKey(info);
    ONVIF_LOG(LOG_WARN, "InfoCenter Keyword:<%s>\n", key.c_str());
    Zentar::Infra::CGuard guard(registryMutex());
    auto it = m_records.find(key);
    if (it != m_records.end())
        return it->second.get();
    std::unique_ptr<DeviceInfoRecord> record(new (std::nothrow) DeviceInfoRecord());
    if (!record) {
        ONVIF_ERRLN();
        return nullptr;
    }
    DeviceInfoRecord* raw = record.get();
    m_records.emplace(key, std::move(record));
    return raw;
}

bool COnvifInfoCenter::withSlot(const ServerInfo& info, uint32_t slot, const SlotFn& fn)
{
    if (slot >= kInfoSlotCount) {
        ONVIF_ERRLN();
        return false;
    }
    // The registry lookup finishes (and releases its mutex) before the slot mutex is taken.
    DeviceInfoRecord* record = getInfoAddr(info);
    if (!record)
        return false;
    Zentar::Infra::CGuard guard(m_slotMutex);
    fn(record->m_slots[slot], now());
    return true;
}

bool COnvifInfoCenter::setCacheValid(const ServerInfo& info, uint32_t slot, uint32_t flag)
{
    if (slot == INFO_SLOT_COUNT) {
        DeviceInfoRecord* record = getInfoAddr(info);
        if (!record)
            return true;
        Zentar::Infra::CGuard guard(m_slotMutex);
        for (CacheSlot& s : record->m_slots)
            s.setValid(flag);
        return true;
    }
    withSlot(info, slot, [flag](CacheSlot& s, uint64_t) { s.setValid(flag); });
    return true;
}

bool COnvifInfoCenter::isSlotValid(const ServerInfo& info, uint32_t slot, bool local)
{
    bool valid = false;
    withSlot(info, slot, [&](CacheSlot& s, uint64_t now) { valid = s.isSlotValid(local, now); });
    return valid;
}

bool COnvifInfoCenter::isKeyValid(const ServerInfo& info, uint32_t slot, const std::string& key, bool local)
{
    bool valid = false;
    withSlot(info, slot, [&](CacheSlot& s, uint64_t now) { valid = s.isKeyValid(key, local, now); });
    return valid;
}

} // namespace Onvif
} // namespace RPC
