#pragma once
// A channel's OSDs as the device keeps them: the font sizes it offers, and the OSDs
// themselves (listed, added, changed, removed).
#include <memory>

#include "Component/ServerInfo.h"
#include "IOSDManager.h"

namespace RPC {
namespace Onvif {

class COnvifRemoteOSDManager : public Zentar::Component::IRemoteOSDManager {
public:
    explicit COnvifRemoteOSDManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getCaps(const Json::Value& request, Json::Value& caps) override;
    bool getOSDs(int channel, Json::Value& osds) override;
    bool createOSD(int channel, const Json::Value& osd, std::string& token) override;
    bool setOSD(int channel, const Json::Value& osd) override;
    bool deleteOSD(int channel, const std::string& token) override;

private:
    // The request of an OSD change: the OSD bound to the channel's source configuration.
    bool osdRequest(int channel, const Json::Value& osd, Json::Value& request);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
