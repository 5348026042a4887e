// The two validity tests of a cache slot, at fixed clock values, and the TimeLast reading.
#include <gtest/gtest.h>

#include "OnvifFramework/InfoCenter/OnvifCacheSlot.h"

using namespace RPC::Onvif;

namespace {

CacheSlot filledSlot(uint32_t ttl, uint64_t fillTime)
{
    CacheSlot s;
    s.m_ttl = ttl;
    s.store(Json::Value("data"), true, fillTime);
    return s;
}

struct SlotCase {
    const char* name;
    uint32_t valid;
    uint32_t ttl;
    uint64_t fill;
    uint64_t now;
    bool local;
    bool expected;
};

TEST(InfoCenterSlot, WholeSlotValidity)
{
    const SlotCase cases[] = {
        {"never expires", 1, kInfoTtlNever, 1000, 1000 + 86400000ull * 365, true, true},
        {"inside ttl", 1, 5000, 1000, 5999, true, true},
        {"ttl reached", 1, 5000, 1000, 6000, true, false},
        {"ttl zero switches ageing off", 1, 0, 1000, 1000000000, true, true},
        {"not filled", 0, kInfoTtlNever, 1000, 1000, true, false},
        {"other side empty", 1, kInfoTtlNever, 1000, 1000, false, false},
        {"clock behind fill time reads as expired", 1, 5000, 10000, 9000, true, false},
    };
    for (const SlotCase& c : cases) {
        CacheSlot s = filledSlot(c.ttl, c.fill);
        s.m_valid = c.valid;
        EXPECT_EQ(c.expected, s.isSlotValid(c.local, c.now)) << c.name;
    }
    // An empty record on the side counts as nothing learnt.
    CacheSlot empty;
    empty.store(Json::Value(Json::objectValue), true, 5);
    EXPECT_FALSE(empty.isSlotValid(true, 5));
}

struct KeyCase {
    const char* name;
    uint32_t ttl;
    uint64_t now;
    const char* key;
    bool expected;
};

TEST(InfoCenterSlot, KeyedValidityUsesSlotAndTokenAge)
{
    // Token "old" stored at 1000, token "new" at 9000 (which is also the slot's fill time).
    auto make = [](uint32_t ttl) {
        CacheSlot s;
        s.m_ttl = ttl;
        s.storeKeyed("old", Json::Value("a"), true, 1000, true);
        s.storeKeyed("new", Json::Value("b"), true, 9000, true);
        return s;
    };
    const KeyCase cases[] = {
        {"fresh token", 10000, 10999, "new", true},
        {"old token expired by its own TimeLast", 10000, 11000, "old", false},
        {"old token still inside ttl", 10000, 10999, "old", true},
        {"slot expired", 10000, 19000, "new", false},
        {"absent token", 10000, 9000, "none", false},
        {"never expires", kInfoTtlNever, 1ull << 40, "old", true},
        {"ttl zero always refetches", 0, 9000, "new", false},
    };
    for (const KeyCase& c : cases) {
        CacheSlot s = make(c.ttl);
        EXPECT_EQ(c.expected, s.isKeyValid(c.key, true, c.now)) << c.name;
        EXPECT_FALSE(s.isKeyValid(c.key, false, c.now)) << c.name << " (other side)";
    }
}

TEST(InfoCenterSlot, KeyedStoreWritesTimeLastAsDecimalText)
{
    CacheSlot s;
    s.m_ttl = 10000;
    s.storeKeyed("tok", Json::Value("cfg"), false, 123456789012ull, true);
    EXPECT_EQ("123456789012", s.side(false)["@tok"]["TimeLast"].asString());
    EXPECT_EQ(1u, s.m_valid);
    EXPECT_EQ(123456789012ull, s.m_fillTime);

    // A store that leaves the slot not valid still keeps the data for readers.
    s.storeKeyed("tok2", Json::Value("cfg2"), false, 5, true, 0);
    EXPECT_EQ(0u, s.m_valid);
    EXPECT_EQ("cfg2", s.side(false)["tok2"].asString());
    EXPECT_FALSE(s.isKeyValid("tok2", false, 5));
}

TEST(InfoCenterSlot, KeyedValidityIgnoresMalformedSides)
{
    CacheSlot s;
    s.m_ttl = 10000;
    s.store(Json::Value(Json::arrayValue), true, 0);
    s.side(true).append("tok");
    EXPECT_FALSE(s.isKeyValid("tok", true, 1));

    // A TimeLast that is a damaged text is read digit by digit, not rejected.
    CacheSlot t;
    t.m_ttl = 10000;
    t.storeKeyed("tok", Json::Value(1), true, 15000, false);
    t.side(true)["@tok"]["TimeLast"] = "1x000"; // reads as 10000
    EXPECT_TRUE(t.isKeyValid("tok", true, 19999));
    EXPECT_FALSE(t.isKeyValid("tok", true, 20000));
    t.side(true)["@tok"] = "not an object"; // no stamp to read: the slot's age decides
    EXPECT_TRUE(t.isKeyValid("tok", true, 24999));
}

TEST(InfoCenterSlot, ParseTimeLast)
{
    const std::pair<const char*, uint64_t> cases[] = {
        {"", 0}, {"0", 0}, {"7", 7}, {"1234", 1234}, {"12a4", 1204}, {"-5", 5}, {"18446744073709551615", UINT64_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, parseTimeLast(c.first)) << c.first;
}

TEST(InfoCenterSlot, InvalidatingForgetsTheData)
{
    CacheSlot s = filledSlot(kInfoTtlNever, 10);
    s.setValid(1);
    EXPECT_EQ("data", s.side(true).asString());
    s.setValid(0);
    EXPECT_TRUE(s.side(true).empty());
    EXPECT_FALSE(s.isSlotValid(true, 10));
}

TEST(InfoCenterSlot, RecordStartsWithItsTtlTable)
{
    DeviceInfoRecord r;
    for (uint32_t i = 0; i < kInfoSlotCount; ++i) {
        EXPECT_EQ(i, r.m_slots[i].m_id);
        EXPECT_EQ(0u, r.m_slots[i].m_valid);
        EXPECT_EQ(0u, r.m_slots[i].m_fillTime);
    }
    const std::pair<uint32_t, uint32_t> ttls[] = {{3, 0}, {4, 10000}, {5, 10000}, {8, 5000}, {9, 10000}, {16, 0},
                                                  {0, kInfoTtlNever}, {1, kInfoTtlNever}, {17, kInfoTtlNever}};
    for (const auto& t : ttls)
        EXPECT_EQ(t.second, r.m_slots[t.first].m_ttl) << "slot " << t.first;
}

} // namespace
