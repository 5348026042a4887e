#include "CaptureXml.h"

#include <cstring>

namespace OnvifCapture {

const CServiceNames kServiceNames[] = {
    {"http://www.onvif.org/ver10/device/wsdl", "device", "Device"},
    {"http://www.onvif.org/ver10/media/wsdl", "media", "Media"},
    {"http://www.onvif.org/ver20/media/wsdl", "media2", nullptr},
    {"http://www.onvif.org/ver20/ptz/wsdl", "ptz", "PTZ"},
    {"http://www.onvif.org/ver20/imaging/wsdl", "imaging", "Imaging"},
    {"http://www.onvif.org/ver10/events/wsdl", "events", "Events"},
    {"http://www.onvif.org/ver10/deviceIO/wsdl", "deviceio", "DeviceIO"},
    {"http://www.onvif.org/ver10/recording/wsdl", "recording", "Recording"},
    {"http://www.onvif.org/ver10/search/wsdl", "search", "Search"},
    {"http://www.onvif.org/ver10/replay/wsdl", "replay", "Replay"},
    {"http://www.onvif.org/ver20/analytics/wsdl", "analytics", "Analytics"},
};
const size_t kServiceNameCount = sizeof kServiceNames / sizeof kServiceNames[0];

std::string LocalName(const pugi::xml_node& node)
{
    const char* colon = std::strrchr(node.name(), ':');
    return colon ? colon + 1 : node.name();
}

std::string Trimmed(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t\r\n");
    const size_t end = text.find_last_not_of(" \t\r\n");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

pugi::xml_node ChildNamed(const pugi::xml_node& node, const char* local)
{
    for (pugi::xml_node child : node.children())
        if (LocalName(child) == local)
            return child;
    return pugi::xml_node();
}

} // namespace OnvifCapture
