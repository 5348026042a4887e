#include "SOAPFramework/SOAPPath.h"

#include <cstring>

namespace Zentar {
namespace SOAPFramework {

namespace {

// Element names are written into the document as they stand in the path, so they have
// to be XML names; this also keeps new elements small enough for a stack buffer.
constexpr size_t kMaxNameLength = 255;

bool isNameStart(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

bool isNameChar(unsigned char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

} // namespace

bool isXmlName(std::string_view name)
{
    if (name.empty() || !isNameStart(static_cast<unsigned char>(name[0]))) {
        return false;
    }
    for (char c : name) {
        if (!isNameChar(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

namespace {

// "prefix:local" or "local" into the step; false when either part is not a name.
bool splitQualified(std::string_view qualified, SPathStep& step)
{
    if (qualified.size() > kMaxNameLength) {
        return false;
    }
    step.qualified = qualified;
    const size_t colon = qualified.find(':');
    if (colon == std::string_view::npos) {
        step.prefix = std::string_view();
        step.local = qualified;
        return isXmlName(qualified);
    }
    step.prefix = qualified.substr(0, colon);
    step.local = qualified.substr(colon + 1);
    return isXmlName(step.prefix) && isXmlName(step.local);
}

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Namespace declarations are not data: "@tt" must never find xmlns:tt.
bool isDeclaration(const char* name)
{
    return std::strncmp(name, "xmlns", 5) == 0 && (name[5] == '\0' || name[5] == ':');
}

bool isTextNode(pugi::xml_node node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

std::string_view trimmed(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isAsciiSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isAsciiSpace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// A view that ends where its source string ended can be handed out as a C string.
std::string_view trimmedTerminated(const char* text, bool& isTerminated)
{
    const std::string_view whole(text);
    const std::string_view view = trimmed(whole);
    isTerminated = view.data() + view.size() == whole.data() + whole.size();
    return view;
}

pugi::xml_node createChild(pugi::xml_node parent, const SPathStep& step, int index)
{
    if (parent.type() != pugi::node_element) {
        return pugi::xml_node(); // never a second document element
    }
    if (!step.prefix.empty() && !isPrefixInScope(parent, step.prefix)) {
        return pugi::xml_node();
    }
    pugi::xml_node child;
    // Appended siblings stay grouped after the last one of their name, as a sequence
    // in the schema would have them.
    pugi::xml_node last = index > 0 ? findChild(parent, step.local, index - 1) : pugi::xml_node();
    child = last ? parent.insert_child_after(pugi::node_element, last)
                 : parent.append_child(pugi::node_element);
    char name[kMaxNameLength + 1];
    std::memcpy(name, step.qualified.data(), step.qualified.size());
    name[step.qualified.size()] = '\0';
    if (!child || !child.set_name(name)) {
        parent.remove_child(child);
        return pugi::xml_node();
    }
    return child;
}

pugi::xml_attribute createAttribute(pugi::xml_node node, const SPathStep& step)
{
    if (!step.prefix.empty() && step.prefix != "xml" && !isPrefixInScope(node, step.prefix)) {
        return pugi::xml_attribute();
    }
    char name[kMaxNameLength + 1];
    std::memcpy(name, step.qualified.data(), step.qualified.size());
    name[step.qualified.size()] = '\0';
    return node.append_attribute(name);
}

} // namespace

CPathTokenizer::CPathTokenizer(const char* path, int i, int j) : m_slots{i, j}
{
    if (path == nullptr) {
        m_failed = true;
        return;
    }
    m_path = std::string_view(path, strnlen(path, kMaxPathLength + 1));
    if (m_path.size() > kMaxPathLength) {
        m_path = std::string_view();
        m_failed = true;
        return;
    }
    if (m_path.substr(0, 2) == "./") {
        m_pos = 2;
        return;
    }
    if (m_path.empty() || m_path[0] != '/') {
        return; // a bare relative path, "." or ""
    }
    m_pos = 1;
    m_anchor = ANCHOR_SECTION;
    const std::string_view first = m_path.substr(1, m_path.find_first_of("/[", 1) - 1);
    const size_t colon = first.find(':');
    const std::string_view local = colon == std::string_view::npos ? first : first.substr(colon + 1);
    if (local == "Envelope") {
        m_anchor = ANCHOR_DOCUMENT;
    }
}

bool CPathTokenizer::fail()
{
    m_failed = true;
    m_pos = m_path.size();
    return false;
}

// "[%d]" takes the next caller slot, "[7]" is literal; anything else is a syntax error.
bool CPathTokenizer::readIndex(std::string_view inner, SPathStep& step)
{
    if (inner == "%d") {
        if (m_slotsUsed >= 2) {
            return false;
        }
        const int value = m_slots[m_slotsUsed++];
        step.index = value < 0 ? -1 : value;
        return true;
    }
    if (inner.empty() || inner.size() > 6) {
        return false;
    }
    int value = 0;
    for (char c : inner) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    step.index = value;
    return true;
}

bool CPathTokenizer::next(SPathStep& step)
{
    while (!m_failed && m_pos < m_path.size()) {
        size_t end = m_path.find('/', m_pos);
        if (end == std::string_view::npos) {
            end = m_path.size();
        }
        const std::string_view segment = m_path.substr(m_pos, end - m_pos);
        m_pos = end < m_path.size() ? end + 1 : end;
        if (segment.empty()) {
            return fail();
        }
        if (segment == ".") {
            continue;
        }
        step = SPathStep();
        if (segment == "..") {
            step.kind = SPathStep::PARENT;
            return true;
        }
        if (segment[0] == '@') {
            step.kind = SPathStep::ATTRIBUTE;
            if (!atEnd() || !splitQualified(segment.substr(1), step) || step.local == "xmlns" ||
                step.prefix == "xmlns") {
                return fail();
            }
            return true;
        }
        const size_t bracket = segment.find('[');
        if (bracket != std::string_view::npos) {
            if (segment.back() != ']') {
                return fail();
            }
            if (!readIndex(segment.substr(bracket + 1, segment.size() - bracket - 2), step)) {
                return fail();
            }
        }
        if (!splitQualified(segment.substr(0, bracket), step)) {
            return fail();
        }
        return true;
    }
    return false;
}

const char* localNameOf(const char* qualified)
{
    const char* colon = std::strchr(qualified, ':');
    return colon != nullptr ? colon + 1 : qualified;
}

bool localNameIs(const char* qualified, std::string_view local)
{
    const char* name = localNameOf(qualified);
    return std::strncmp(name, local.data(), local.size()) == 0 && name[local.size()] == '\0';
}

pugi::xml_node findChild(pugi::xml_node parent, std::string_view local, int index)
{
    int seen = 0;
    const int wanted = index < 0 ? 0 : index;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && localNameIs(child.name(), local) &&
            seen++ == wanted) {
            return child;
        }
    }
    return pugi::xml_node();
}

size_t countChildren(pugi::xml_node parent, std::string_view local)
{
    size_t count = 0;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && localNameIs(child.name(), local)) {
            ++count;
        }
    }
    return count;
}

pugi::xml_attribute findAttribute(pugi::xml_node node, std::string_view local)
{
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
        if (!isDeclaration(attribute.name()) && localNameIs(attribute.name(), local)) {
            return attribute;
        }
    }
    return pugi::xml_attribute();
}

bool findPath(pugi::xml_node start, CPathTokenizer& tokens, SPathTarget& target)
{
    pugi::xml_node node = start;
    SPathStep step;
    while (node && tokens.next(step)) {
        if (step.kind == SPathStep::PARENT) {
            node = node.parent().type() == pugi::node_element ? node.parent() : pugi::xml_node();
        } else if (step.kind == SPathStep::ELEMENT) {
            node = findChild(node, step.local, step.index);
        } else {
            target.attribute = findAttribute(node, step.local);
            target.isAttribute = true;
            if (!target.attribute) {
                return false;
            }
        }
    }
    target.node = node;
    return !tokens.failed() && node.type() == pugi::node_element;
}

bool countPath(pugi::xml_node start, CPathTokenizer& tokens, size_t& count)
{
    pugi::xml_node node = start;
    SPathStep step;
    count = 0;
    while (node && tokens.next(step)) {
        const bool last = tokens.atEnd();
        if (step.kind == SPathStep::ELEMENT) {
            if (last) {
                count = countChildren(node, step.local);
                return !tokens.failed();
            }
            node = findChild(node, step.local, step.index);
        } else if (step.kind == SPathStep::PARENT) {
            node = node.parent().type() == pugi::node_element ? node.parent() : pugi::xml_node();
        } else {
            count = findAttribute(node, step.local) ? 1 : 0;
            return true;
        }
    }
    count = (!tokens.failed() && node.type() == pugi::node_element) ? 1 : 0;
    return !tokens.failed();
}

bool makePath(pugi::xml_node start, CPathTokenizer& tokens, SPathTarget& target)
{
    pugi::xml_node node = start;
    pugi::xml_node firstCreated; // removed again if the path fails further on
    SPathStep step;
    while (node && tokens.next(step)) {
        if (step.kind == SPathStep::PARENT) {
            node = node.parent().type() == pugi::node_element ? node.parent() : pugi::xml_node();
        } else if (step.kind == SPathStep::ELEMENT) {
            pugi::xml_node child = findChild(node, step.local, step.index);
            if (!child && (step.index < 0 ||
                           countChildren(node, step.local) == static_cast<size_t>(step.index))) {
                child = createChild(node, step, step.index);
                firstCreated = firstCreated ? firstCreated : child;
            }
            node = child;
        } else {
            target.attribute = findAttribute(node, step.local);
            if (!target.attribute) {
                target.attribute = createAttribute(node, step);
            }
            target.isAttribute = true;
            node = target.attribute ? node : pugi::xml_node();
        }
    }
    target.node = node;
    if (!tokens.failed() && node.type() == pugi::node_element) {
        return true;
    }
    // A write either happens whole or leaves the message as it was.
    if (firstCreated) {
        firstCreated.parent().remove_child(firstCreated);
    }
    return false;
}

bool isPrefixInScope(pugi::xml_node node, std::string_view prefix)
{
    if (prefix == "xml") {
        return true;
    }
    for (; node; node = node.parent()) {
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            const char* name = attribute.name();
            if (std::strncmp(name, "xmlns:", 6) == 0 &&
                std::strncmp(name + 6, prefix.data(), prefix.size()) == 0 &&
                name[6 + prefix.size()] == '\0') {
                return true;
            }
        }
    }
    return false;
}

std::string_view textOf(const SPathTarget& target, std::string& scratch, bool& isTerminated)
{
    if (target.isAttribute) {
        return trimmedTerminated(target.attribute.value(), isTerminated);
    }
    pugi::xml_node only;
    size_t textNodes = 0;
    for (pugi::xml_node child = target.node.first_child(); child; child = child.next_sibling()) {
        if (isTextNode(child)) {
            only = child;
            ++textNodes;
        }
    }
    if (textNodes <= 1) {
        return trimmedTerminated(only ? only.value() : "", isTerminated);
    }
    // Text split by child elements or comments: rare, so joining it may allocate.
    scratch.clear();
    for (pugi::xml_node child = target.node.first_child(); child; child = child.next_sibling()) {
        if (isTextNode(child)) {
            scratch += child.value();
        }
    }
    isTerminated = false;
    return trimmed(scratch);
}

} // namespace SOAPFramework
} // namespace Zentar
