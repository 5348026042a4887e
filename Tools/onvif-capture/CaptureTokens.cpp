#include "CaptureTokens.h"

#include <pugixml.hpp>

#include <algorithm>

#include "CapturePlan.h"
#include "CaptureXml.h"

namespace OnvifCapture {

namespace {

// Lists of things whose items carry their own token.
const struct {
    const char* element;
    const char* kind;
} kItemLists[] = {
    {"Profiles", "Profile"}, {"VideoSources", "VideoSource"}, {"AudioSources", "AudioSource"},
    {"OSDs", "OSD"},         {"Masks", "Mask"},               {"RelayOutputs", "RelayOutput"},
    {"DigitalInputs", "DigitalInput"},
    {"PTZNode", "PTZNode"},  {"PresetTour", "PresetTour"},
};

// The kind of the token on `element`, inside an answer to `operation`'s Response element.
std::string KindOf(const pugi::xml_node& element, const std::string& responseKind)
{
    const std::string local = LocalName(element);
    for (const auto& list : kItemLists)
        if (local == list.element)
            return list.kind;
    // A Media profile's own configurations: <tt:VideoEncoderConfiguration token="...">.
    if (EndsWith(local, "Configuration") && local != "Configuration")
        return local;
    // A Media2 profile's: <tr2:Configurations><tr2:VideoEncoder token="...">.
    const pugi::xml_node parent = element.parent();
    if (LocalName(parent) == "Configurations" && LocalName(parent.parent()) == "Profiles")
        return (local == "Analytics" ? std::string("VideoAnalytics") : local) + "Configuration";
    // Configuration lists and single configurations take the kind the operation names.
    if (local == "Configurations" || local == "Configuration")
        return responseKind;
    return std::string();
}

} // namespace

void CTokenPool::learn(const std::string& body)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(body.data(), body.size()))
        return;
    pugi::xml_node response;
    for (pugi::xml_node envelope : doc.children())
        for (pugi::xml_node part : envelope.children())
            if (LocalName(part) == "Body")
                response = part.first_child();
    if (!response)
        return;
    const std::string responseKind = ConfigurationKindOf(LocalName(response));
    struct CWalker : pugi::xml_tree_walker {
        CTokenPool* pool;
        const std::string* responseKind;
        bool for_each(pugi::xml_node& node) override
        {
            pugi::xml_attribute token = node.attribute("token");
            if (node.type() == pugi::node_element && token && *token.value()) {
                const std::string kind = KindOf(node, *responseKind);
                if (!kind.empty())
                    pool->add(kind, token.value());
            }
            return true;
        }
    } walker;
    walker.pool = this;
    walker.responseKind = &responseKind;
    response.traverse(walker);
}

void CTokenPool::add(const std::string& kind, const std::string& token)
{
    std::vector<std::string>& tokens = m_tokens[kind];
    if (std::find(tokens.begin(), tokens.end(), token) == tokens.end())
        tokens.push_back(token);
}

std::string CTokenPool::first(const std::string& kind) const
{
    auto it = m_tokens.find(kind);
    return it == m_tokens.end() || it->second.empty() ? std::string() : it->second.front();
}

} // namespace OnvifCapture
