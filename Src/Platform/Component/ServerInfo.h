#pragma once
// How to reach one device, as the host hands it to a component factory.
#include <cstdint>
#include <string>

namespace Zentar {
namespace Component {

struct ServerInfo {
    std::string address;
    uint16_t port = 80;
    uint16_t mediaPort = 0;
    std::string userName;
    std::string password;
    bool https = false;
    int loginMode = 0;
    int key5 = 0;          // the host's fifth key number; part of the device identity
    uint8_t transport = 0; // the host's transport selector byte
};

// True when both describe the same device record: address, port, mediaPort, https and
// key5. Credentials and login options are deliberately left out so that a password
// change does not make the device look new.
bool sameDevice(const ServerInfo& a, const ServerInfo& b);

} // namespace Component
} // namespace Zentar
