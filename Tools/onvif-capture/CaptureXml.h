#pragma once
// Small reading helpers every part of the capture shares: devices choose their own
// namespace prefixes, so elements are matched by local name; texts are trimmed, and
// operation and element names are told apart by how they begin and end.
#include <pugixml.hpp>

#include <string>

namespace OnvifCapture {

std::string LocalName(const pugi::xml_node& node);
std::string Trimmed(const std::string& text);
bool StartsWith(const std::string& text, const std::string& head);
bool EndsWith(const std::string& text, const std::string& tail);
// The first child element of that local name; empty when none.
pugi::xml_node ChildNamed(const pugi::xml_node& node, const char* local);

// One ONVIF service as the capture meets it: the namespace its requests are in, its part
// of a replay file name, and its element in a GetCapabilities answer (null: none there).
struct CServiceNames {
    const char* ns;
    const char* key;
    const char* capability;
};
// Every service a replay folder can name.
extern const CServiceNames kServiceNames[];
extern const size_t kServiceNameCount;

} // namespace OnvifCapture
