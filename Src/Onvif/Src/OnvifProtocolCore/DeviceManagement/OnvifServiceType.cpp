#include "OnvifProtocolCore/DeviceManagement/OnvifServiceType.h"

#include <cctype>
#include <string>

namespace RPC {
namespace Onvif {

namespace {

struct ServiceTypeRule {
    const char* substring;   // lower case
    const char* type;
};

// First match wins, so the narrower namespaces come first: the device I/O namespace
// ("ver10/deviceIO") also contains "device", and Media2 ("ver20/media") also "media".
constexpr ServiceTypeRule kRules[] = {
    {"/deviceio/", "DeviceIO"}, {"analytics", "Analytics"}, {"imaging", "Imaging"},
    {"/ver20/media", "Media2"}, {"media", "Media"},         {"events", "Events"},
    {"device", "Device"},       {"ptz", "PTZ"},             {"search", "Search"},
    {"replay", "Replay"},       {"recording", "Recording"},
};

} // namespace

const char* getServiceTypeByNamespace(const char* ns)
{
    if (!ns)
        return "Unknown";
    std::string lower(ns);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const ServiceTypeRule& rule : kRules) {
        if (lower.find(rule.substring) != std::string::npos)
            return rule.type;
    }
    return "Unknown";
}

} // namespace Onvif
} // namespace RPC
