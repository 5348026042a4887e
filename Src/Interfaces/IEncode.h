#pragma once
// The host's view of a device's encoders: how many streams each channel has.
#include <json/json.h>

#include "Component/Unknown.h"
#include "InterfaceDefaults.h"

namespace Zentar {
namespace Component {

class IEncode : public IUnknown {
public:
    static constexpr const char* kInterfaceName = "Encode";

    // caps["VideoEncodeDevices"][i]["MaxExtraStream"]: streams of channel i beyond the main one.
    virtual bool getCaps(Json::Value& caps) { return notSupportedSlot(); }
    // The channel's encoder capabilities: "MainFormat"[0], "ExtraFormat"[s-1], "Audio"[i]
    // (compressions, resolutions, bit-rate and frame-rate limits), "VideoFormat".
    virtual bool getConfigCaps(int channel, Json::Value& caps) { return notSupportedSlot(); }
};

} // namespace Component
} // namespace Zentar
