#pragma once
// The host's configuration pages for one device: named tables ("Encode", "Capability",
// "Base", ...) read and written in the host's own vocabulary. A name may carry a channel in
// brackets ("Encode[1]").
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class IConfigManager : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "ConfigManager";

    virtual bool getConfig(const char* name, Json::Value& table) { return notSupportedSlot(); }
    // options: the host's apply flags, passed through.
    virtual bool setConfig(const char* name, const Json::Value& table, int options) { return notSupportedSlot(); }
    virtual bool getDefaultConfig(const char* name, Json::Value& table) { return notSupportedSlot(); }
    virtual bool restoreConfig(const char* name) { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
