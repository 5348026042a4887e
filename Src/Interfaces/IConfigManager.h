#pragma once
// The host's configuration tables of a device: named tables ("Image", "VideoColor", ...)
// read and written in the host's vocabulary. A name may carry a channel in brackets
// ("VideoColor[1]").
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class IConfigManager : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "ConfigManager";

    virtual bool getConfig(const char* name, Json::Value& table) { return notSupportedSlot(); }
    virtual bool setConfig(const char* name, const Json::Value& table, Json::Value& options)
    {
        return notSupportedSlot();
    }
};

} // namespace Component
} // namespace Zentar
