#pragma once
// The host's device-information interface: who made the device, what it is and runs,
// where it is sold, what it has; reboot and factory reset.
#include <json/json.h>

#include <string>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class IMagicBox : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "MagicBox";

    virtual bool getSerialNo(std::string& serial) { return notSupportedSlot(); }
    virtual bool getHardwareVersion(std::string& version) { return notSupportedSlot(); }
    virtual bool getDeviceType(std::string& type) { return notSupportedSlot(); }
    virtual bool getVendor(std::string& vendor) { return notSupportedSlot(); }
    // "Version", "BuildDate", "WebVersion".
    virtual bool getSoftwareVersion(Json::Value& version) { return notSupportedSlot(); }
    // 0, 1 or 2.
    virtual bool getMarketArea(int& area) { return notSupportedSlot(); }
    // "HasPtz" (bool), "AudioInputChannels", "AudioOutputChannels" (int).
    virtual bool getProductDefinition(const char* name, Json::Value& value) { return notSupportedSlot(); }
    virtual bool reboot() { return notSupportedSlot(); }
    virtual bool resetSystem() { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
