#pragma once
// One cache slot of a device record and the two tests that decide whether it can answer
// without asking the device. The tests take "now" as an argument so that they stay pure;
// the caller holds the slot mutex and reads the clock.
#include <json/json.h>

#include <cstdint>
#include <string>

namespace RPC {
namespace Onvif {

constexpr uint32_t kInfoTtlNever = 0xFFFFFFFFu;
constexpr uint32_t kInfoSlotCount = 22;

struct CacheSlot {
    uint32_t m_id = 0;
    uint32_t m_valid = 0;             // 1 when filled
    uint32_t m_ttl = kInfoTtlNever;   // ms; never expires when all ones
    uint64_t m_fillTime = 0;          // millisecond clock at the last store
    Json::Value m_data{Json::objectValue}; // {"Local": ..., "Remote": ...}

    // The side a caller works with; the mutable form creates it as null when missing.
    Json::Value& side(bool local);
    const Json::Value& side(bool local) const;

    // Whole slot: filled, not aged past its ttl (a ttl of 0 switches ageing off) and the
    // side holds something.
    bool isSlotValid(bool local, uint64_t now) const;
    // One token of a keyed slot: filled, present on the side, and neither the slot nor the
    // token's own "TimeLast" aged past the ttl. A ttl of 0 means "always ask the device".
    bool isKeyValid(const std::string& key, bool local, uint64_t now) const;

    // Whole-slot store: the side becomes record; valid := 1, fill time := now.
    void store(const Json::Value& record, bool local, uint64_t now);
    // side[key] := record; with withTimeLast also side["@"+key]["TimeLast"] = now.
    // valid := validAfter, fill time := now.
    void storeKeyed(const std::string& key, const Json::Value& record, bool local, uint64_t now, bool withTimeLast,
                    uint32_t validAfter = 1);
    // Sets the valid field; 0 also forgets the data.
    void setValid(uint32_t flag);
};

// The record of one login: 22 slots with their initial ttls.
struct DeviceInfoRecord {
    DeviceInfoRecord();
    CacheSlot m_slots[kInfoSlotCount];
};

// A "TimeLast" text as a number: decimal digits summed from the right by their power of
// ten; a character that is not a digit counts as 0 (so "12a4" reads as 1204).
uint64_t parseTimeLast(const std::string& text);

} // namespace Onvif
} // namespace RPC
