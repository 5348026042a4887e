#pragma once
// The host's device discovery: probe the local network for devices, report each one that
// answers to the attached receivers, and change the IPv4 settings of a found device.
//
// Report (a JSON array with one record): {"MachineName", "DeviceType", "Vendor", "Mac",
// "Port", "Protocol", "Uuid", "IPv4Address": {"IPAddress", ...}, "NetCardName": [local
// interface address], "DeviceClass" when known}.
#include <json/json.h>

#include <cstdint>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace NetApp {

// A host receiver of discovery reports. Its address is its identity for attach and detach.
class IDiscoveryReceiver {
public:
    virtual ~IDiscoveryReceiver() = default;
    virtual void onDiscovery(const Json::Value& report) = 0;
};

class IDeviceDiscovery : public Component::IUnknown {
public:
    static constexpr const char* kInterfaceName = "DeviceDiscovery";

    // Starts a discovery pass that ends after timeoutSeconds at most.
    virtual bool start(int timeoutSeconds) { return Component::notSupportedSlot(); }
    virtual bool stop() { return Component::notSupportedSlot(); }
    // value 0: every report; value > 0: reports while the receiver's time limit (that many
    // milliseconds from attaching) lasts; negative values are refused.
    virtual bool attach(IDiscoveryReceiver* receiver, int value) { return Component::notSupportedSlot(); }
    virtual bool detach(IDiscoveryReceiver* receiver) { return Component::notSupportedSlot(); }
    virtual bool refresh(int timeoutSeconds) { return Component::notSupportedSlot(); }
    virtual bool ipScan(int timeoutSeconds) { return Component::notSupportedSlot(); }
    // config: {"IPv4Address": {"IPAddressOld", "IPAddress", "SubnetMask", "DefaultGateway",
    // "DhcpEnable"}}. result receives the outcome record.
    virtual bool setConfig(const char* userName, const char* password, const char* deviceAddress,
                           const Json::Value& config, Json::Value& result)
    {
        return Component::notSupportedSlot();
    }
    // Probes only on the interfaces with these IPv4 addresses.
    virtual bool startSpecificCard(const char* const* cardList, int count) { return Component::notSupportedSlot(); }

    // Extension, not in the host's original interface: send the probes by unicast to these
    // targets instead of the multicast group, so that devices on loopback or beyond a
    // router can be found. targets: {"Addresses": ["127.0.0.2", "127.0.0.10-127.0.0.20"],
    // "Port": 3702}; an empty record goes back to the multicast group.
    virtual bool setProbeTargets(const Json::Value& targets) { return Component::notSupportedSlot(); }
};

} // namespace NetApp
} // namespace Zentar
