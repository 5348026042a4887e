#pragma once
// A parsed SOAP request, read by namespace and local name only: clients pick their own
// prefixes, and a device must not care which.
#include <pugixml.hpp>

#include <string>
#include <vector>

namespace OnvifSim {

std::string NamespaceOf(pugi::xml_node node);
std::string LocalName(pugi::xml_node node);
// First child element with this local name (any namespace), or an empty node.
pugi::xml_node Child(pugi::xml_node parent, const char* local);
std::vector<pugi::xml_node> Children(pugi::xml_node parent, const char* local);
// Trimmed text of the named child; empty when absent.
std::string ChildText(pugi::xml_node parent, const char* local);
std::string Trimmed(const std::string& text);

class CSoapRequest {
public:
    // False with a reason when the body is not a well-formed SOAP envelope.
    bool parse(const std::string& xml, std::string& reason);

    bool isSoap11() const { return m_soap11; }
    const std::string& operation() const { return m_operation; }
    const std::string& operationNamespace() const { return m_operationNs; }
    pugi::xml_node operationNode() const { return m_operationNode; }
    pugi::xml_node header() const { return m_header; }

private:
    pugi::xml_document m_doc;
    pugi::xml_node m_header;
    pugi::xml_node m_operationNode;
    std::string m_operation;
    std::string m_operationNs;
    bool m_soap11 = false;
};

} // namespace OnvifSim
