#pragma once
// The host's configuration tables of one device, by name. Each name is a row: the scripts
// that read and write its table and the texts logged when they fail. This build serves
// the network tables ("Network", "IPv6", "Web", "Https", "RTSP"); the encoder, image,
// alarm, OSD and motion tables join as rows.
#include <json/json.h>

#include <memory>
#include <string>

#include "Component/ServerInfo.h"
#include "IConfigManager.h"

namespace RPC {

// "Encode[1]" -> "Encode", with 1 written to the table's "RemoteChannel" (to element 0
// when the table is a non-empty array). Without a usable "[n]" the whole text is the
// name and the table is left alone (logged).
std::string splitNameAndChann(const std::string& text, Json::Value& table);

namespace Onvif {

class COnvifConfigManager : public Zentar::Component::IConfigManager {
public:
    explicit COnvifConfigManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getConfig(const char* name, Json::Value& table) override;
    bool setConfig(const char* name, const Json::Value& table, const Json::Value& options) override;

private:
    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
