#include "Soap/XmlAnswer.h"

#include "Description/Namespaces.h"

#include <sstream>

namespace OnvifSim {

CXmlAnswer::CXmlAnswer(const std::map<std::string, std::string>& prefixes, bool defaultNamespaces)
    : m_prefixes(prefixes), m_defaultNamespaces(defaultNamespaces)
{
    for (const auto& [uri, prefix] : m_prefixes)
        m_usedPrefixes.insert(prefix);
    CXmlNode root(this, m_doc, "");
    m_envelope = root.add(Ns::Soap12, "Envelope");
    m_body = m_envelope.add(Ns::Soap12, "Body");
}

CXmlNode CXmlAnswer::header()
{
    if (!m_header) {
        pugi::xml_node node = m_envelope.node().insert_child_before(pugi::node_element, m_body.node());
        m_header = CXmlNode(this, node, Ns::Soap12);
        node.set_name(m_defaultNamespaces ? "Header" : (prefixFor(Ns::Soap12) + ":Header").c_str());
    }
    return m_header;
}

std::string CXmlAnswer::prefixFor(const std::string& ns)
{
    auto it = m_prefixes.find(ns);
    if (it == m_prefixes.end() || it->second.empty()) {
        std::string invented;
        do
            invented = "ns" + std::to_string(++m_nextInvented);
        while (m_usedPrefixes.count(invented));
        m_usedPrefixes.insert(invented);
        it = m_prefixes.insert_or_assign(ns, invented).first;
    }
    m_declared.insert(ns);
    return it->second;
}

std::string CXmlAnswer::localPrefixFor(const std::string& ns)
{
    for (const auto& known : KnownNamespaces())
        if (ns == known.uri)
            return known.ttPrefix;
    return "q";
}

std::string CXmlAnswer::str()
{
    if (!m_defaultNamespaces)
        for (const auto& ns : m_declared)
            m_envelope.node().append_attribute(("xmlns:" + m_prefixes[ns]).c_str()) = ns.c_str();
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    m_doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

CXmlNode CXmlNode::add(const std::string& ns, const std::string& local)
{
    pugi::xml_node child = m_node.append_child(pugi::node_element);
    if (m_answer->defaultNamespaces()) {
        child.set_name(local.c_str());
        if (ns != m_ns)
            child.append_attribute("xmlns") = ns.c_str();
    } else {
        child.set_name((m_answer->prefixFor(ns) + ":" + local).c_str());
    }
    return CXmlNode(m_answer, child, ns);
}

CXmlNode CXmlNode::add(const std::string& ns, const std::string& local, const std::string& value)
{
    CXmlNode child = add(ns, local);
    child.text(value);
    return child;
}

CXmlNode& CXmlNode::text(const std::string& value)
{
    m_node.text().set(value.c_str());
    return *this;
}

CXmlNode& CXmlNode::attr(const std::string& name, const std::string& value)
{
    m_node.append_attribute(name.c_str()) = value.c_str();
    return *this;
}

CXmlNode& CXmlNode::attr(const std::string& ns, const std::string& local, const std::string& value)
{
    return attr(boundPrefix(ns) + ":" + local, value);
}

CXmlNode& CXmlNode::qnameText(const std::string& ns, const std::string& local)
{
    return text(boundPrefix(ns) + ":" + local);
}

CXmlNode& CXmlNode::qnameAttr(const std::string& name, const std::string& ns, const std::string& local)
{
    return attr(name, boundPrefix(ns) + ":" + local);
}

std::string CXmlNode::boundPrefix(const std::string& ns)
{
    if (ns == Ns::Xml)
        return "xml";
    if (!m_answer->defaultNamespaces())
        return m_answer->prefixFor(ns);
    // No prefixes anywhere else: bind one on this element just for the value.
    std::string prefix = m_answer->localPrefixFor(ns);
    std::string attrName = "xmlns:" + prefix;
    if (!m_node.attribute(attrName.c_str()))
        m_node.append_attribute(attrName.c_str()) = ns.c_str();
    return prefix;
}

} // namespace OnvifSim
