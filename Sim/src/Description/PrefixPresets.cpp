// Devices disagree on namespace prefixes; the presets reproduce the common habits so a
// client that keys on a prefix instead of a namespace fails against the simulator too.
#include "OnvifSim/DeviceDescription.h"

#include "Description/Namespaces.h"

namespace OnvifSim {

bool PrefixPreset(const std::string& preset, std::map<std::string, std::string>& out)
{
    out.clear();
    const auto& known = KnownNamespaces();
    for (size_t i = 0; i < known.size(); ++i) {
        const char* uri = known[i].uri;
        if (preset == "tt")
            out[uri] = known[i].ttPrefix;
        else if (preset == "ns")
            out[uri] = "ns" + std::to_string(i);
        else if (preset == "onvif")
            out[uri] = known[i].onvifPrefix;
        else if (preset == "default")
            out[uri] = "";
        else
            return false;
    }
    return true;
}

} // namespace OnvifSim
