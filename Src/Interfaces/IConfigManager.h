#pragma once
// The host's configuration interface: named configuration tables ("Encode", "Network",
// "Web", ...) read and written in the host's own JSON vocabulary. A name may carry a
// channel in brackets ("Encode[1]").
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class IConfigManager : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "ConfigManager";

    virtual bool getConfig(const char* name, Json::Value& table) { return notSupportedSlot(); }
    // options: how the host wants it applied (unused by devices reached over ONVIF).
    virtual bool setConfig(const char* name, const Json::Value& table, const Json::Value& options)
    {
        return notSupportedSlot();
    }
    // The host's defaults and its own bookkeeping, which a device does not keep.
    virtual bool getDefaultConfig(const char* name, Json::Value& table) { return notSupportedSlot(); }
    virtual bool attachConfigProc(const void* receiver) { return notSupportedSlot(); }
    virtual bool detachConfigProc(const void* receiver) { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
