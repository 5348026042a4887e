#pragma once
// Writes SOAP answers with the device's namespace-prefix habit. Handlers name elements by
// (namespace, local name) only; whether that becomes "tt:Name", "ns3:Name", "onvif:Name"
// or "<Name xmlns=...>" is decided here, so one handler serves every style.
#include <pugixml.hpp>

#include <map>
#include <set>
#include <string>

namespace OnvifSim {

class CXmlAnswer;

class CXmlNode {
public:
    CXmlNode() = default;
    CXmlNode(CXmlAnswer* answer, pugi::xml_node node, std::string ns)
        : m_answer(answer), m_node(node), m_ns(std::move(ns)) {}

    CXmlNode add(const std::string& ns, const std::string& local);
    CXmlNode add(const std::string& ns, const std::string& local, const std::string& text);
    // Adds a child in this element's own namespace.
    CXmlNode sub(const std::string& local) { return add(m_ns, local); }
    CXmlNode sub(const std::string& local, const std::string& text) { return add(m_ns, local, text); }
    CXmlNode& text(const std::string& value);
    CXmlNode& attr(const std::string& name, const std::string& value);
    CXmlNode& attr(const std::string& ns, const std::string& local, const std::string& value);
    // Text that is a QName (fault codes, topics): the prefix is bound wherever needed.
    CXmlNode& qnameText(const std::string& ns, const std::string& local);
    // An unqualified attribute whose value is a QName (an analytics module's Type).
    CXmlNode& qnameAttr(const std::string& name, const std::string& ns, const std::string& local);

    const std::string& ns() const { return m_ns; }
    pugi::xml_node node() const { return m_node; }
    explicit operator bool() const { return m_answer != nullptr; }

private:
    std::string boundPrefix(const std::string& ns);

    CXmlAnswer* m_answer = nullptr;
    pugi::xml_node m_node;
    std::string m_ns;
};

class CXmlAnswer {
public:
    // prefixes: namespace URI -> prefix. defaultNamespaces: write xmlns="..." instead.
    CXmlAnswer(const std::map<std::string, std::string>& prefixes, bool defaultNamespaces);
    CXmlAnswer(const CXmlAnswer&) = delete;
    CXmlAnswer& operator=(const CXmlAnswer&) = delete;

    CXmlNode header();
    CXmlNode body() { return m_body; }
    std::string str();

    bool defaultNamespaces() const { return m_defaultNamespaces; }
    // Prefix for ns in prefix mode; invents a free "nsN" for namespaces the style lacks.
    std::string prefixFor(const std::string& ns);
    // A prefix to bind locally for QName text and qualified attributes in default mode.
    std::string localPrefixFor(const std::string& ns);

private:
    std::map<std::string, std::string> m_prefixes;
    std::set<std::string> m_usedPrefixes;
    std::set<std::string> m_declared;      // namespaces to declare on the Envelope
    bool m_defaultNamespaces;
    int m_nextInvented = 0;
    pugi::xml_document m_doc;
    CXmlNode m_envelope;
    CXmlNode m_header;
    CXmlNode m_body;
};

} // namespace OnvifSim
