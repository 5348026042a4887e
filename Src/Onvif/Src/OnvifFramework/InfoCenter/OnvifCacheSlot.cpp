#include "OnvifFramework/InfoCenter/OnvifCacheSlot.h"

#include <string>

namespace RPC {
namespace Onvif {
namespace {

const char* sideName(bool local) { return local ? "Local" : "Remote"; }

// Slots whose content goes stale: encoder configurations and analytics modules change on
// the device behind our back, imaging settings more often still; encoder options are
// cheap enough to ask every time (ttl 0 together with the keyed test).
struct InitialTtl {
    uint32_t slot;
    uint32_t ttl;
};
const InitialTtl kInitialTtls[] = {
    {3, 0}, {4, 10000}, {5, 10000}, {8, 5000}, {9, 10000}, {16, 0},
};

} // namespace

Json::Value& CacheSlot::side(bool local)
{
    if (!m_data.isObject())
        m_data = Json::Value(Json::objectValue);
    return m_data[sideName(local)];
}

const Json::Value& CacheSlot::side(bool local) const
{
    static const Json::Value kNull;
    if (!m_data.isObject())
        return kNull;
    const char* name = sideName(local);
    const Json::Value* found = m_data.find(name, name + std::char_traits<char>::length(name));
    return found ? *found : kNull;
}

bool CacheSlot::isSlotValid(bool local, uint64_t now) const
{
    if (m_valid == 0)
        return false;
    // Unsigned difference: a clock that went backwards reads as "very old" and refetches.
    // "Never" is honoured literally, also after 49 days of uptime.
    if (m_ttl != 0 && m_ttl != kInfoTtlNever && now - m_fillTime >= static_cast<uint64_t>(m_ttl))
        return false;
    return !side(local).empty();
}

bool CacheSlot::isKeyValid(const std::string& key, bool local, uint64_t now) const
{
    if (m_valid == 0)
        return false;
    const Json::Value& s = side(local);
    if (!s.isObject() || !s.isMember(key))
        return false;
    if (m_ttl == kInfoTtlNever)
        return true;
    if (m_ttl == 0)
        return false;
    if (now - m_fillTime >= static_cast<uint64_t>(m_ttl))
        return false;
    // A token stored long ago stays stale even when another token refreshed the slot.
    const std::string stampKey = "@" + key;
    const Json::Value* stamp = s.find(stampKey.data(), stampKey.data() + stampKey.size());
    if (stamp && stamp->isObject() && stamp->isMember("TimeLast")) {
        const Json::Value& last = (*stamp)["TimeLast"];
        uint64_t at = last.isString() ? parseTimeLast(last.asString()) : (last.isUInt64() ? last.asUInt64() : 0);
        if (now - at >= static_cast<uint64_t>(m_ttl))
            return false;
    }
    return true;
}

void CacheSlot::store(const Json::Value& record, bool local, uint64_t now)
{
    side(local) = record;
    m_valid = 1;
    m_fillTime = now;
}

void CacheSlot::storeKeyed(const std::string& key, const Json::Value& record, bool local, uint64_t now,
                           bool withTimeLast, uint32_t validAfter)
{
    Json::Value& s = side(local);
    if (!s.isObject())
        s = Json::Value(Json::objectValue);
    s[key] = record;
    if (withTimeLast)
        s["@" + key]["TimeLast"] = std::to_string(static_cast<unsigned long long>(now));
    m_valid = validAfter;
    m_fillTime = now;
}

void CacheSlot::setValid(uint32_t flag)
{
    m_valid = flag;
    if (flag == 0)
        m_data = Json::Value(Json::objectValue);
}

DeviceInfoRecord::DeviceInfoRecord()
{
    for (uint32_t i = 0; i < kInfoSlotCount; ++i)
        m_slots[i].m_id = i;
    for (const InitialTtl& t : kInitialTtls)
        m_slots[t.slot].m_ttl = t.ttl;
}

uint64_t parseTimeLast(const std::string& text)
{
    uint64_t value = 0;
    uint64_t power = 1;
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        if (*it >= '0' && *it <= '9')
            value += static_cast<uint64_t>(*it - '0') * power;
        power *= 10;
    }
    return value;
}

} // namespace Onvif
} // namespace RPC
