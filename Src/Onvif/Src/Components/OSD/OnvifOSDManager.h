#pragma once
// What a channel's picture can show, in the host's terms: the time (and its formats), a
// channel title and custom titles.
#include <memory>

#include "Component/ServerInfo.h"
#include "IOSDManager.h"

namespace RPC {
namespace Onvif {

class COnvifOSDManager : public Zentar::Component::IOSDManager {
public:
    explicit COnvifOSDManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getOSDCaps(int channel, Json::Value& caps) override;

    // The capability record of a channel from the device's "OSDOptions".
    static Json::Value capsFromOptions(int channel, const Json::Value& osdOptions);

private:
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
