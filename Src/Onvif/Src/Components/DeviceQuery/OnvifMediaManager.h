#pragma once
// The host's media-transport question for one device, answered from the media service
// capabilities, and the channels that carry audio.
#include <memory>

#include "Component/ServerInfo.h"
#include "IMediaManager.h"

namespace RPC {
namespace Onvif {

class COnvifMediaManager : public Zentar::Component::IMediaManager {
public:
    explicit COnvifMediaManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getCaps(const Json::Value& names, Json::Value& caps) override;
    bool getAudioInEx(Json::Value& channels) override;

    // The transports a device's "StreamingCapabilities" offer, in the host's names.
    static Json::Value transportTypes(const Json::Value& streaming, bool https);

private:
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
