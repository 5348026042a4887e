#include "Soap/SoapRequest.h"

#include "Description/Namespaces.h"

#include <cstring>

namespace OnvifSim {

std::string LocalName(pugi::xml_node node)
{
    const char* name = node.name();
    const char* colon = strchr(name, ':');
    return colon ? colon + 1 : name;
}

std::string NamespaceOf(pugi::xml_node node)
{
    std::string name = node.name();
    size_t colon = name.find(':');
    std::string attr = colon == std::string::npos ? "xmlns" : "xmlns:" + name.substr(0, colon);
    for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent())
        if (pugi::xml_attribute a = n.attribute(attr.c_str()))
            return a.value();
    return {};
}

pugi::xml_node Child(pugi::xml_node parent, const char* local)
{
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && LocalName(c) == local)
            return c;
    return {};
}

std::vector<pugi::xml_node> Children(pugi::xml_node parent, const char* local)
{
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && LocalName(c) == local)
            out.push_back(c);
    return out;
}

std::string Trimmed(const std::string& text)
{
    size_t b = text.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = text.find_last_not_of(" \t\r\n");
    return text.substr(b, e - b + 1);
}

std::string ChildText(pugi::xml_node parent, const char* local)
{
    return Trimmed(Child(parent, local).text().get());
}

bool CSoapRequest::parse(const std::string& xml, std::string& reason)
{
    // No DOCTYPE processing: pugixml never expands external or custom entities.
    pugi::xml_parse_result result = m_doc.load_buffer(xml.data(), xml.size(), pugi::parse_default);
    if (!result) {
        reason = std::string("XML not well formed: ") + result.description() + " at offset " +
                 std::to_string(result.offset);
        return false;
    }
    pugi::xml_node envelope = m_doc.document_element();
    if (LocalName(envelope) != "Envelope") {
        reason = "the root element is not a SOAP Envelope";
        return false;
    }
    std::string ns = NamespaceOf(envelope);
    m_soap11 = ns == Ns::Soap11;
    if (ns != Ns::Soap12 && !m_soap11) {
        reason = "the Envelope is in namespace \"" + ns + "\"";
        return false;
    }
    m_header = Child(envelope, "Header");
    pugi::xml_node body = Child(envelope, "Body");
    if (!body) {
        reason = "the Envelope has no Body";
        return false;
    }
    for (pugi::xml_node c = body.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) {
            m_operationNode = c;
            break;
        }
    if (!m_operationNode) {
        reason = "the Body is empty";
        return false;
    }
    m_operation = LocalName(m_operationNode);
    m_operationNs = NamespaceOf(m_operationNode);
    return true;
}

} // namespace OnvifSim
