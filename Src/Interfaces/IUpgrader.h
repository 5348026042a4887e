#pragma once
// The host's firmware upgrade interface: prepare an upgrade, hand over the image (a file
// or blocks of memory), start it and follow its state and progress.
#include <json/json.h>

#include <cstdint>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Manager {

// A host receiver of upgrade states. Its address is its identity: attach and detach take
// the same pointer. state is {"State", "Progress" (0..100), "File" (the image's path, ""
// for memory blocks)}; "State" is one of "Preparing", "Downloading", "Upgrading",
// "Succeeded", "Failed", "Cancelled", "Invalid", "NotEnoughMemory".
class IUpgradeStateReceiver {
public:
    virtual ~IUpgradeStateReceiver() = default;
    virtual void onState(const Json::Value& state) = 0;
};

class IUpgrader : public Component::IUnknown {
public:
    static constexpr const char* kInterfaceName = "Upgrader";

    virtual bool prepare() { return Component::notSupportedSlot(); }
    virtual bool appendData(const void* data, uint32_t length) { return Component::notSupportedSlot(); }
    virtual bool setFile(const char* path) { return Component::notSupportedSlot(); }
    virtual bool cancel() { return Component::notSupportedSlot(); }
    virtual bool execute() { return Component::notSupportedSlot(); }
    virtual bool getState(Json::Value& state) { return Component::notSupportedSlot(); }
    virtual bool attachState(IUpgradeStateReceiver* receiver) { return Component::notSupportedSlot(); }
    virtual bool detachState(IUpgradeStateReceiver* receiver) { return Component::notSupportedSlot(); }
};

} // namespace Manager
} // namespace Zentar
