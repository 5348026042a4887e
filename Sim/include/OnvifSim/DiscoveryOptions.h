#pragma once
// How a simulated device answers WS-Discovery Probes.
#include <set>
#include <string>

namespace OnvifSim {

struct CDiscoveryOptions {
    // The device answers from this address (it must be on one of the host's interfaces;
    // any 127.x.y.z works on loopback) and port; unicast Probes reach it there.
    std::string address = "127.0.0.1";
    unsigned short port = 3702;
    // Also joins 239.255.255.250 on that port. Only for private network stacks (the tests'
    // network namespaces): on a real host this would answer the whole LAN.
    bool multicast = false;
    // Bad habits of real devices: "slow" (answers after delayMs), "duplicate" (answers
    // twice), "garbage" (sends a datagram that is not XML first), "severalXAddrs" (lists
    // an unreachable address before its own), "noScopes" (leaves Scopes out).
    std::set<std::string> habits;
    int delayMs = 500;
};

// Habit names accepted above; false with error for any other.
bool CheckDiscoveryHabits(const std::set<std::string>& habits, std::string& error);

// first + offset as IPv4 text ("127.0.0.2" + 3 = "127.0.0.5"); false past 255.255.255.255
// or for text that is not IPv4.
bool OffsetIPv4(const std::string& first, unsigned offset, std::string& out);

struct CDeviceDescription;
// A device found at address reports that address on its first interface (unless its
// description sets the network itself), so that re-addressing it finds the interface.
void UseNetworkAddress(CDeviceDescription& description, const std::string& address);

} // namespace OnvifSim
