#pragma once
// The host's device clock interface, in the host's fixed-layout time records.
#include <cstdint>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

#pragma pack(push, 1)
// 32 bytes: UTC seconds, an index into the 40-zone table, daylight saving in effect.
struct HostTimeRecord {
    uint64_t utcSeconds;
    uint8_t zoneIndex;
    uint8_t dstInEffect;
    uint8_t reserved[22];
};

struct HostDstRule {
    int32_t year;
    int32_t month;    // 1..12
    int32_t week;     // -1: the last week of the month
    int32_t weekDay;
    int32_t hour;
    int32_t minute;
    int32_t second;
    int32_t unused;
};

// 68 bytes: when daylight saving starts and ends, and whether it is used at all.
struct HostDstRecord {
    HostDstRule start;
    HostDstRule end;
    uint8_t enable;
    uint8_t reserved[3];
};
#pragma pack(pop)

static_assert(sizeof(HostTimeRecord) == 32, "the host's time record is 32 bytes");
static_assert(sizeof(HostDstRecord) == 68, "the host's daylight-saving record is 68 bytes");

class ITimeClient : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "Component::TimeClient";

    virtual bool setUTCTime(uint64_t utcSeconds) { return notSupportedSlot(); }
    virtual bool setTimeWithZoneDST(const HostTimeRecord& time) { return notSupportedSlot(); }
    virtual bool getTimeWithZoneDST(HostTimeRecord& time) { return notSupportedSlot(); }
    virtual bool setTimeWithZoneDSTConfig(const HostTimeRecord& time, const HostDstRecord& dst)
    {
        return notSupportedSlot();
    }
    virtual bool getTimeWithZoneDSTConfig(HostTimeRecord& time, HostDstRecord& dst) { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
