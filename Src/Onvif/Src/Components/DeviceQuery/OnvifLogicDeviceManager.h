#pragma once
// The host's channel lists for one device, from its grouped profiles and, where the
// device offers them, its device-IO capabilities.
#include <memory>

#include "Component/ServerInfo.h"
#include "ILogicDeviceManager.h"

namespace RPC {
namespace Onvif {

class COnvifLogicDeviceManager : public Zentar::Component::ILogicDeviceManager {
public:
    explicit COnvifLogicDeviceManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getCameraAll(Json::Value& cameras) override;
    bool getVideoChannelsInfo(const char* type, Json::Value& info) override;
    bool getVideoInputChannels(int& count) override;
    bool getVideoOutputChannels(int& count) override;
    bool getChannelProfiles(Json::Value& channels) override;

    // The host-facing summary of one grouped profile.
    static Json::Value profileSummary(const Json::Value& profile);

private:
    // A device-IO capability count, or -1 when the capabilities lack it.
    int deviceIOCount(const char* member, const char* logFormat);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
