#pragma once
// The host's configuration tables of one device. This build serves the picture tables,
// "Image" and "VideoColor", on the host's 0..100 scale; every other name is refused as
// one this build does not implement.
#include <memory>

#include "Component/ServerInfo.h"
#include "IConfigManager.h"

namespace RPC {

// "VideoColor[1]" -> name "VideoColor" and table "RemoteChannel" = 1 (in element 0 of a
// non-empty array table). Without a well-formed suffix the whole text is the name.
std::string splitNameAndChann(const char* text, Json::Value& table);

namespace Onvif {

class COnvifConfigManager : public Zentar::Component::IConfigManager {
public:
    explicit COnvifConfigManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getConfig(const char* name, Json::Value& table) override;
    bool setConfig(const char* name, const Json::Value& table, Json::Value& options) override;

private:
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
