#pragma once
// The host's encoder questions for one device: how many streams each channel offers, and
// what each channel's encoders can do.
#include <memory>

#include "Component/ServerInfo.h"
#include "IEncode.h"

namespace RPC {
namespace Onvif {

class COnvifEncode : public Zentar::Component::IEncode {
public:
    explicit COnvifEncode(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getCaps(Json::Value& caps) override;
    bool getConfigCaps(int channel, Json::Value& caps) override;

    // {"VideoEncodeDevices": [{"MaxExtraStream": n - 1}, ...]} for grouped profiles.
    static Json::Value extraStreamCaps(const Json::Value& channels);

private:
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
