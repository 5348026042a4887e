#pragma once
// The host's device clock interface for one device: reads and sets the clock with its
// zone (an index into the host's 40-zone table) and daylight-saving rule, in the host's
// fixed-layout records.
#include <json/json.h>

#include <memory>

#include "Component/ServerInfo.h"
#include "ITimeClient.h"

namespace RPC {
namespace Onvif {

class COnvifTimeClient : public Zentar::Component::ITimeClient {
public:
    using HostTimeRecord = Zentar::Component::HostTimeRecord;
    using HostDstRecord = Zentar::Component::HostDstRecord;

    explicit COnvifTimeClient(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool setUTCTime(uint64_t utcSeconds) override;
    bool setTimeWithZoneDST(const HostTimeRecord& time) override;
    bool getTimeWithZoneDST(HostTimeRecord& time) override;
    bool setTimeWithZoneDSTConfig(const HostTimeRecord& time, const HostDstRecord& dst) override;
    bool getTimeWithZoneDSTConfig(HostTimeRecord& time, HostDstRecord& dst) override;

    // The host records from a device's "SystemDateAndTime" (the conversion half of reading).
    static bool fromDeviceClock(const Json::Value& clock, HostTimeRecord& time, HostDstRecord& dst);
    // The request of setSystemDateAndTime for a host time record, with rules when given.
    static bool toClockRequest(const HostTimeRecord& time, const HostDstRecord* dst, Json::Value& request);
    // The zone configuration the information centre keeps for the device.
    static Json::Value zoneConfig(const HostTimeRecord& time, const HostDstRecord& dst);

private:
    bool readClock(HostTimeRecord& time, HostDstRecord& dst);
    bool setWithZone(const HostTimeRecord& time, const HostDstRecord* dst);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
