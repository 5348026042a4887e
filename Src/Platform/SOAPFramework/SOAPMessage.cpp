#include "SOAPFramework/SOAPMessage.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "SOAPFramework/SOAPPath.h"
#include "SOAPFramework/SOAPSecurity.h"

namespace Zentar {
namespace SOAPFramework {

namespace {

constexpr const char* kSoap12Namespace = "http://www.w3.org/2003/05/soap-envelope";
constexpr const char* kSoap11Namespace = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* kXopNamespace = "http://www.w3.org/2004/08/xop/include";
constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// Prefix of the envelope elements we build; short, and in none of the ONVIF tables.
constexpr const char* kEnvelopePrefix = "s";

// A table longer than this is not a namespace table but a missing terminator.
constexpr size_t kMaxTableEntries = 256;
constexpr size_t kMaxPrefixLength = 64;

// DOCTYPE nodes are kept so they can be refused (SOAP messages must not carry a DTD);
// pugixml never expands entities declared in one, so nothing can blow up meanwhile.
constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_doctype;

class CStringWriter : public pugi::xml_writer {
public:
    explicit CStringWriter(std::string& out) : m_out(out) {}
    void write(const void* data, size_t size) override
    {
        m_out.append(static_cast<const char*>(data), size);
    }

private:
    std::string& m_out;
};

// No exception may cross the library boundary; the only ones possible here are
// allocation failures, and those become an ordinary error result.
template <typename T, typename F> T guarded(T fallback, F&& body)
{
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

// xs:int and xs:double allow a leading '+', which from_chars does not.
std::string_view withoutPlus(std::string_view text)
{
    return !text.empty() && text[0] == '+' && text.size() > 1 && text[1] != '-'
               ? text.substr(1)
               : text;
}

bool parseInt(std::string_view text, int& value)
{
    text = withoutPlus(text);
    int parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

bool parseDouble(std::string_view text, double& value)
{
    text = withoutPlus(text);
    double parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

// ONVIF uses xs:boolean, whose lexical forms are exactly these four.
bool parseBool(std::string_view text, bool& value)
{
    if (text == "true" || text == "1") {
        value = true;
    } else if (text == "false" || text == "0") {
        value = false;
    } else {
        return false;
    }
    return true;
}

// Shortest text that reads back to the same double, in xs:double spelling.
void formatDouble(double value, char (&buffer)[32])
{
    if (std::isnan(value)) {
        std::strcpy(buffer, "NaN");
    } else if (std::isinf(value)) {
        std::strcpy(buffer, value > 0 ? "INF" : "-INF");
    } else {
        const auto result = std::to_chars(buffer, buffer + sizeof(buffer) - 1, value);
        *result.ptr = '\0';
    }
}

pugi::xml_node firstElement(pugi::xml_node parent)
{
    return parent.find_child([](pugi::xml_node node) { return node.type() == pugi::node_element; });
}

// XML 1.0 has no way to carry C0 controls other than tab, CR and LF, not even escaped;
// writing one would make the device reject the whole request.
bool isXmlText(const char* value)
{
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(value); *c != 0; ++c) {
        if (*c < 0x20 && *c != '\t' && *c != '\n' && *c != '\r') {
            return false;
        }
    }
    return true;
}

bool isTableEntryValid(const NSEntry& entry)
{
    if (entry.prefix == nullptr || entry.uri == nullptr || entry.uri[0] == '\0') {
        return false;
    }
    const std::string_view prefix(entry.prefix, strnlen(entry.prefix, kMaxPrefixLength + 1));
    return prefix.size() <= kMaxPrefixLength && isXmlName(prefix) && prefix != "xml" &&
           prefix != "xmlns";
}

} // namespace

// ---------------------------------------------------------------------------------
class CSOAPMessage::CImpl {
public:
    CImpl(bool request, int version, bool attachmentMode)
        : m_request(request), m_version(version == 1 ? 1 : 2), m_attachmentMode(attachmentMode)
    {
    }

    void buildEmptyEnvelope();
    int parse(const char* text, size_t length);
    int setNamespaces(const NSEntry* table);
    int selectSection(int soapNode);

    bool makeTarget(const char* path, int i, int j, SPathTarget& target);
    bool findTarget(const char* path, int i, int j, SPathTarget& target);
    int setText(const char* path, const char* value, bool isText, int i, int j);
    int setPart(const char* path, const CSOAPPart& part, int i, int j);
    const char* text(const char* path, int i, int j);
    bool textView(const char* path, int i, int j, std::string_view& view);
    int arraySize(const char* path, int i, int j);
    const char* childName(const char* path, int index);

    int addWsse(const char* user, const char* password, bool useStamp, int timeDifference);
    int serialize(std::string& body, std::string& contentType) const;
    std::string print() const;

    // Passed in at construction.
    const bool m_request;
    const int m_version;
    const bool m_attachmentMode;

    // Owned state.
    pugi::xml_document m_document;
    std::vector<std::pair<std::string, std::string>> m_namespaces;
    std::vector<CSOAPPart> m_parts;
    // Texts that needed trimming or joining: getAsCString hands out pointers into them,
    // so they live until the next parse or the end of the message (a deque never moves
    // its elements).
    std::deque<std::string> m_handedOut;
    std::string m_scratch;
    int m_section = SOAP_NODE_BODY;
    int m_lastCode = 0;
    bool m_setFailed = false;
    bool m_httpDigest = false;
    std::string m_digestUser;
    std::string m_digestPassword;

private:
    pugi::xml_node envelope() const;
    pugi::xml_node body() const { return findChild(envelope(), "Body", -1); }
    pugi::xml_node header(bool create);
    pugi::xml_node anchorNode(CPathTokenizer::Anchor anchor, bool create);
    bool isEnvelopePrefix(std::string_view prefix) const;
    void setElementText(pugi::xml_node node, const char* value);
    bool appendFragment(pugi::xml_node node, const char* value);
};

void CSOAPMessage::CImpl::buildEmptyEnvelope()
{
    pugi::xml_node root = m_document.append_child("s:Envelope");
    root.append_attribute("xmlns:s") = m_version == 1 ? kSoap11Namespace : kSoap12Namespace;
    root.append_child("s:Body");
}

pugi::xml_node CSOAPMessage::CImpl::envelope() const
{
    const pugi::xml_node root = m_document.document_element();
    return localNameIs(root.name(), "Envelope") ? root : pugi::xml_node();
}

// The Header goes before the Body and carries the envelope's own prefix, whatever that
// is in a parsed message.
pugi::xml_node CSOAPMessage::CImpl::header(bool create)
{
    pugi::xml_node root = envelope();
    pugi::xml_node found = findChild(root, "Header", -1);
    if (found || !create || !root) {
        return found;
    }
    const char* rootName = root.name();
    const std::string name =
        std::string(rootName, localNameOf(rootName) - rootName) + "Header";
    found = root.prepend_child(pugi::node_element);
    found.set_name(name.c_str());
    return found;
}

pugi::xml_node CSOAPMessage::CImpl::anchorNode(CPathTokenizer::Anchor anchor, bool create)
{
    if (anchor == CPathTokenizer::ANCHOR_DOCUMENT) {
        return m_document;
    }
    switch (m_section) {
    case SOAP_NODE_ENVELOPE:
        return envelope();
    case SOAP_NODE_HEADER:
        return header(create && m_request);
    case SOAP_NODE_RESPONSE:
        return anchor == CPathTokenizer::ANCHOR_SECTION ? body() : firstElement(body());
    default:
        break;
    }
    // The Body: "./" means the operation element once one exists.
    const pugi::xml_node section = body();
    if (anchor == CPathTokenizer::ANCHOR_SECTION) {
        return section;
    }
    const pugi::xml_node operation = firstElement(section);
    return operation ? operation : section;
}

int CSOAPMessage::CImpl::parse(const char* text, size_t length)
{
    m_document.reset();
    m_handedOut.clear();
    m_parts.clear();
    m_lastCode = -1;
    if (text == nullptr || length == 0 || length > kMaxSoapMessageSize) {
        return -1;
    }
    if (!m_document.load_buffer(text, length, kParseFlags, pugi::encoding_auto)) {
        m_document.reset();
        return -1;
    }
    size_t elements = 0;
    for (pugi::xml_node node = m_document.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_doctype) {
            elements = 2; // refused like a broken document
            break;
        }
        elements += node.type() == pugi::node_element ? 1 : 0;
    }
    if (elements != 1 || !body()) {
        m_document.reset();
        return -1;
    }
    m_lastCode = 0;
    return 0;
}

bool CSOAPMessage::CImpl::isEnvelopePrefix(std::string_view prefix) const
{
    const char* rootName = envelope().name();
    const std::string_view own(rootName, localNameOf(rootName) - rootName);
    return !own.empty() && own.substr(0, own.size() - 1) == prefix;
}

int CSOAPMessage::CImpl::setNamespaces(const NSEntry* table)
{
    if (table == nullptr) {
        return -1;
    }
    size_t count = 0;
    for (; table[count].prefix != nullptr || table[count].uri != nullptr; ++count) {
        if (count >= kMaxTableEntries || !isTableEntryValid(table[count])) {
            return -1;
        }
        // Rebinding the envelope's own prefix would move the Envelope out of SOAP.
        if (m_request && isEnvelopePrefix(table[count].prefix)) {
            return -1;
        }
    }
    const bool firstTable = m_namespaces.empty();
    m_namespaces.clear();
    m_namespaces.reserve(count);
    pugi::xml_node root = envelope();
    char name[kMaxPrefixLength + 8] = "xmlns:";
    for (size_t k = 0; k < count; ++k) {
        m_namespaces.emplace_back(table[k].prefix, table[k].uri);
        if (!m_request || !root) {
            continue;
        }
        std::strcpy(name + 6, table[k].prefix);
        // A fresh envelope has no declarations to reuse, which saves a search per entry.
        pugi::xml_attribute declaration = firstTable ? pugi::xml_attribute() : root.attribute(name);
        if (!declaration) {
            declaration = root.append_attribute(name);
        }
        declaration.set_value(table[k].uri);
    }
    return 0;
}

int CSOAPMessage::CImpl::selectSection(int soapNode)
{
    pugi::xml_node node;
    switch (soapNode) {
    case SOAP_NODE_ENVELOPE: node = envelope(); break;
    case SOAP_NODE_HEADER: node = header(m_request); break;
    case SOAP_NODE_BODY: node = body(); break;
    case SOAP_NODE_RESPONSE: node = firstElement(body()); break;
    default: return -1;
    }
    if (!node) {
        return -1;
    }
    m_section = soapNode;
    return 0;
}

bool CSOAPMessage::CImpl::makeTarget(const char* path, int i, int j, SPathTarget& target)
{
    CPathTokenizer tokens(path, i, j);
    if (tokens.failed()) {
        return false;
    }
    const pugi::xml_node start = anchorNode(tokens.anchor(), true);
    return start && makePath(start, tokens, target);
}

bool CSOAPMessage::CImpl::findTarget(const char* path, int i, int j, SPathTarget& target)
{
    CPathTokenizer tokens(path, i, j);
    if (tokens.failed()) {
        return false;
    }
    const pugi::xml_node start = anchorNode(tokens.anchor(), false);
    return start && findPath(start, tokens, target);
}

// Replaces the element's own text; child elements stay.
void CSOAPMessage::CImpl::setElementText(pugi::xml_node node, const char* value)
{
    for (pugi::xml_node child = node.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            node.remove_child(child);
        }
        child = next;
    }
    if (value != nullptr && value[0] != '\0') {
        node.prepend_child(pugi::node_pcdata).set_value(value);
    }
}

bool CSOAPMessage::CImpl::appendFragment(pugi::xml_node node, const char* value)
{
    if (value == nullptr) {
        return true;
    }
    const size_t length = strnlen(value, kMaxSoapMessageSize + 1);
    if (length > kMaxSoapMessageSize) {
        return false;
    }
    return length == 0 || node.append_buffer(value, length, pugi::parse_default, pugi::encoding_utf8);
}

int CSOAPMessage::CImpl::setText(const char* path, const char* value, bool isText, int i, int j)
{
    SPathTarget target;
    if ((isText && value != nullptr && !isXmlText(value)) || !makeTarget(path, i, j, target)) {
        return -1;
    }
    if (target.isAttribute) {
        return target.attribute.set_value(value != nullptr ? value : "") ? 0 : -1;
    }
    if (isText) {
        setElementText(target.node, value);
        return 0;
    }
    return appendFragment(target.node, value) ? 0 : -1;
}

int CSOAPMessage::CImpl::setPart(const char* path, const CSOAPPart& part, int i, int j)
{
    SPathTarget target;
    if (!m_attachmentMode || !part.isValid() || !makeTarget(path, i, j, target)) {
        return -1;
    }
    const std::string href = part.cidUrl();
    if (target.isAttribute) {
        target.attribute.set_value(href.c_str());
    } else {
        pugi::xml_node include = findChild(target.node, "Include", -1);
        if (!include) {
            include = target.node.append_child("xop:Include");
            // Declared where it is used when the caller's table did not bring xop.
            if (!isPrefixInScope(target.node, "xop")) {
                include.append_attribute("xmlns:xop") = kXopNamespace;
            }
        }
        pugi::xml_attribute attribute = include.attribute("href");
        (attribute ? attribute : include.append_attribute("href")).set_value(href.c_str());
    }
    const std::string id = part.bareContentId();
    for (CSOAPPart& attached : m_parts) {
        if (attached.bareContentId() == id) {
            attached = part;
            return 0;
        }
    }
    m_parts.push_back(part);
    return 0;
}

bool CSOAPMessage::CImpl::textView(const char* path, int i, int j, std::string_view& view)
{
    SPathTarget target;
    if (!findTarget(path, i, j, target)) {
        m_lastCode = -1;
        return false;
    }
    bool isTerminated = false;
    view = textOf(target, m_scratch, isTerminated);
    m_lastCode = 0;
    return true;
}

const char* CSOAPMessage::CImpl::text(const char* path, int i, int j)
{
    SPathTarget target;
    if (!findTarget(path, i, j, target)) {
        m_lastCode = -1;
        return nullptr;
    }
    bool isTerminated = false;
    const std::string_view view = textOf(target, m_scratch, isTerminated);
    m_lastCode = 0;
    if (isTerminated) {
        return view.data(); // the common case: no copy
    }
    m_handedOut.emplace_back(view);
    return m_handedOut.back().c_str();
}

int CSOAPMessage::CImpl::arraySize(const char* path, int i, int j)
{
    CPathTokenizer tokens(path, i, j);
    const pugi::xml_node start = tokens.failed() ? pugi::xml_node() : anchorNode(tokens.anchor(), false);
    size_t count = 0;
    if (!start || !countPath(start, tokens, count)) {
        count = 0;
    }
    m_lastCode = count > 0 ? 0 : -1;
    return count > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

const char* CSOAPMessage::CImpl::childName(const char* path, int index)
{
    SPathTarget target;
    pugi::xml_node child;
    if (index >= 0 && findTarget(path != nullptr ? path : "", -1, -1, target) &&
        !target.isAttribute) {
        int seen = 0;
        for (child = target.node.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element && seen++ == index) {
                break;
            }
        }
    }
    m_lastCode = child ? 0 : -1;
    return child ? localNameOf(child.name()) : nullptr;
}

// Re-signing must leave exactly one Security element, so an older one is dropped first.
int CSOAPMessage::CImpl::addWsse(const char* user, const char* password, bool useStamp,
                                 int timeDifference)
{
    const std::string xml =
        buildWsseSecurityXml(user, password != nullptr ? password : "", useStamp, timeDifference);
    pugi::xml_node head = header(true);
    if (xml.empty() || !head) {
        return -1;
    }
    pugi::xml_document fragment;
    const pugi::xml_node security = fragment.load_buffer(xml.data(), xml.size(), pugi::parse_default)
                                        ? fragment.document_element()
                                        : pugi::xml_node();
    if (!localNameIs(security.name(), "Security")) {
        return -1;
    }
    while (pugi::xml_node old = findChild(head, "Security", -1)) {
        head.remove_child(old);
    }
    return head.prepend_copy(security) ? 0 : -1;
}

int CSOAPMessage::CImpl::serialize(std::string& body, std::string& contentType) const
{
    if (!m_document.document_element()) {
        return -1;
    }
    const char* mediaType = m_version == 1 ? "text/xml" : "application/soap+xml";
    std::string envelopeText;
    std::string& out = m_attachmentMode ? envelopeText : body;
    out.clear();
    out.reserve(2048);
    out += kXmlDeclaration;
    CStringWriter writer(out);
    m_document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    if (!m_attachmentMode) {
        contentType = std::string(mediaType) + "; charset=utf-8";
        return 0;
    }
    buildMultipartRelated(envelopeText, m_parts, mediaType, body, contentType);
    return 0;
}

std::string CSOAPMessage::CImpl::print() const
{
    std::string out = kXmlDeclaration;
    out += '\n';
    CStringWriter writer(out);
    m_document.save(writer, "  ", pugi::format_indent | pugi::format_no_declaration,
                    pugi::encoding_utf8);
    for (const CSOAPPart& part : m_parts) {
        out += "[attachment cid:" + part.bareContentId() + " type=" + part.getContentType() +
               " bytes=" + std::to_string(part.getData().size()) + "]\n";
    }
    return out;
}

// ---------------------------------------------------------------------------------
CSOAPMessage::CSOAPMessage(bool request, int version, int soapMode)
    : m_impl(std::make_unique<CImpl>(request, version, request && soapMode == SOAP_MODE_ATTACHMENT))
{
    if (request) {
        m_impl->buildEmptyEnvelope();
    }
}

CSOAPMessage::CSOAPMessage(const char* text) : m_impl(std::make_unique<CImpl>(false, 2, false))
{
    if (text != nullptr) {
        m_impl->parse(text, strnlen(text, kMaxSoapMessageSize + 1));
    }
}

CSOAPMessage::~CSOAPMessage() = default;

int CSOAPMessage::setNSURITable(const NSEntry* table)
{
    return guarded(-1, [&] { return m_impl->setNamespaces(table); });
}

int CSOAPMessage::setPathPrefix(int soapNode)
{
    return guarded(-1, [&] { return m_impl->selectSection(soapNode); });
}

int CSOAPMessage::set(const char* path, const char* value, bool isText, int i, int j)
{
    const int result = guarded(-1, [&] { return m_impl->setText(path, value, isText, i, j); });
    m_impl->m_setFailed |= result != 0;
    return result;
}

int CSOAPMessage::set(const char* path, int value, int i, int j)
{
    char buffer[16];
    *std::to_chars(buffer, buffer + sizeof(buffer) - 1, value).ptr = '\0';
    return set(path, buffer, true, i, j);
}

int CSOAPMessage::set(const char* path, double value, int i, int j)
{
    char buffer[32];
    formatDouble(value, buffer);
    return set(path, buffer, true, i, j);
}

int CSOAPMessage::set(const char* path, bool value, int i, int j)
{
    return set(path, value ? "true" : "false", true, i, j);
}

int CSOAPMessage::set(const char* path, const CSOAPPart& part, int i, int j)
{
    const int result = guarded(-1, [&] { return m_impl->setPart(path, part, i, j); });
    m_impl->m_setFailed |= result != 0;
    return result;
}

int CSOAPMessage::getLastError() const
{
    return m_impl->m_setFailed ? -1 : 0;
}

const char* CSOAPMessage::getAsCString(const char* path, int i, int j)
{
    return guarded<const char*>(nullptr, [&] { return m_impl->text(path, i, j); });
}

int CSOAPMessage::getAsInt(const char* path, int i, int j)
{
    int value = 0;
    return get(path, value, i, j) == 0 ? value : 0;
}

double CSOAPMessage::getAsDouble(const char* path, int i, int j)
{
    std::string_view view;
    double value = 0;
    if (guarded(false, [&] { return m_impl->textView(path, i, j, view); }) &&
        !parseDouble(view, value)) {
        m_impl->m_lastCode = -1;
        value = 0;
    }
    return value;
}

bool CSOAPMessage::getAsBool(const char* path, int i, int j)
{
    bool value = false;
    return get(path, value, i, j) == 0 && value;
}

int CSOAPMessage::getArraySize(const char* path, int i, int j)
{
    return guarded(0, [&] { return m_impl->arraySize(path, i, j); });
}

int CSOAPMessage::get(const char* path, char* buffer, size_t size, int i, int j)
{
    std::string_view view;
    if (buffer == nullptr || size == 0) {
        m_impl->m_lastCode = -1;
        return -1;
    }
    buffer[0] = '\0';
    if (!guarded(false, [&] { return m_impl->textView(path, i, j, view); })) {
        return -1;
    }
    const size_t length = view.size() < size - 1 ? view.size() : size - 1;
    std::memcpy(buffer, view.data(), length);
    buffer[length] = '\0';
    return 0;
}

int CSOAPMessage::get(const char* path, int& value, int i, int j)
{
    std::string_view view;
    if (!guarded(false, [&] { return m_impl->textView(path, i, j, view); })) {
        return -1;
    }
    if (!parseInt(view, value)) {
        m_impl->m_lastCode = -1;
        return -1;
    }
    return 0;
}

int CSOAPMessage::get(const char* path, bool& value, int i, int j)
{
    std::string_view view;
    if (!guarded(false, [&] { return m_impl->textView(path, i, j, view); })) {
        return -1;
    }
    if (!parseBool(view, value)) {
        m_impl->m_lastCode = -1;
        return -1;
    }
    return 0;
}

const char* CSOAPMessage::getChildName(const char* path, int index)
{
    return guarded<const char*>(nullptr, [&] { return m_impl->childName(path, index); });
}

int CSOAPMessage::parse(const char* text, size_t length)
{
    return guarded(-1, [&] { return m_impl->parse(text, length); });
}

int CSOAPMessage::getLastCode() const
{
    return m_impl->m_lastCode;
}

void CSOAPMessage::setLastCode(int code)
{
    m_impl->m_lastCode = code;
}

std::string CSOAPMessage::print() const
{
    return guarded(std::string(), [&] { return m_impl->print(); });
}

int CSOAPMessage::addAuthorization(const char* user, const char* password, bool useStamp,
                                   int timeDifference, const void* /*reserved*/,
                                   AuthorizationType type)
{
    if (!m_impl->m_request || user == nullptr) {
        return -1;
    }
    if (type == AUTH_HTTP_DIGEST) {
        return guarded(-1, [&] {
            m_impl->m_digestUser = user;
            m_impl->m_digestPassword = password != nullptr ? password : "";
            m_impl->m_httpDigest = true;
            return 0;
        });
    }
    if (type != AUTH_WSSE_DIGEST && type != AUTH_WSSE_TEXT) {
        return -1;
    }
    return guarded(-1, [&] { return m_impl->addWsse(user, password, useStamp, timeDifference); });
}

bool CSOAPMessage::getHttpDigest(std::string& user, std::string& password) const
{
    if (!m_impl->m_httpDigest) {
        return false;
    }
    return guarded(false, [&] {
        user = m_impl->m_digestUser;
        password = m_impl->m_digestPassword;
        return true;
    });
}

int CSOAPMessage::serialize(std::string& body, std::string& contentType) const
{
    return guarded(-1, [&] { return m_impl->serialize(body, contentType); });
}

} // namespace SOAPFramework
} // namespace Zentar
