#pragma once
// The host's device-information interface for one device: identity from the device
// information (fresh or cached), the market area from the device's scopes, a few product
// facts from the capabilities, and the two ways of restarting the device.
#include <memory>

#include "Component/ServerInfo.h"
#include "IMagicBox.h"

namespace RPC {
namespace Onvif {

class COnvifMagicBox : public Zentar::Component::IMagicBox {
public:
    explicit COnvifMagicBox(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);

    bool getSerialNo(std::string& serial) override;
    bool getHardwareVersion(std::string& version) override;
    bool getDeviceType(std::string& type) override;
    bool getVendor(std::string& vendor) override;
    bool getSoftwareVersion(Json::Value& version) override;
    bool getMarketArea(int& area) override;
    bool getProductDefinition(const char* name, Json::Value& value) override;
    bool reboot() override;
    bool resetSystem() override;

    // The area a market-area scope names: 0..2; other numbers count as 2. False when the
    // scope lacks the unique-identifier prefix or the rest is not a whole decimal number.
    static bool marketAreaFromScope(const Json::Value& scopeRecord, int& area);

private:
    // One member of the device information, read fresh from the device or from the cache.
    bool deviceInfoMember(const char* name, std::string& text, bool fresh);

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;
};

} // namespace Onvif
} // namespace RPC
