#pragma once
// The host's question "how can I receive media from this device?".
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class IMediaManager : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "Media::IMediaManager";

    // names: ["MediaTransportType"]; caps["MediaTransportType"]: the transports offered.
    virtual bool getCaps(const Json::Value& names, Json::Value& caps) { return notSupportedSlot(); }
    // The channels that have an audio input.
    virtual bool getAudioInEx(Json::Value& channels) { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
