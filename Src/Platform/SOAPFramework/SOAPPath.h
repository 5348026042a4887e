#pragma once
// The path grammar of CSOAPMessage (internal; never included by callers).
//
//   path    := anchor step ( "/" step )*
//   anchor  := "/"            the selected section root (Body or Header)
//            | "/Envelope"    the document itself, whatever section is selected
//            | "./" | ""      the current node of the selected section
//   step    := [prefix ":"] name [ "[" ( "%d" | digits ) "]" ]
//            | ".."           the parent
//            | "."            stays where it is
//            | "@" [prefix ":"] name   an attribute; only as the last step
//
// "[%d]" slots take the caller's i, then j; a slot given -1 means "no index".
// Steps match elements by local name: devices choose their own prefixes.
#include <cstddef>
#include <string_view>

#include <pugixml.hpp>

namespace Zentar {
namespace SOAPFramework {

struct SPathStep {
    enum Kind { ELEMENT, ATTRIBUTE, PARENT };
    Kind kind = ELEMENT;
    std::string_view prefix;   // empty when the step has none
    std::string_view local;
    std::string_view qualified; // prefix ":" local as written in the path
    int index = -1;             // -1: no index
};

// Reads one step at a time straight from the caller's string; nothing is copied.
class CPathTokenizer {
public:
    enum Anchor { ANCHOR_SECTION, ANCHOR_CURRENT, ANCHOR_DOCUMENT };

    // Longest path accepted; real ones are a few dozen characters, anything near this
    // is a caller bug and must not turn into thousands of created elements.
    static constexpr size_t kMaxPathLength = 1024;

    CPathTokenizer(const char* path, int i, int j);

    Anchor anchor() const { return m_anchor; }
    // Next step; false at the end of the path or on a syntax error (see failed()).
    bool next(SPathStep& step);
    // True once the step returned last is the final one.
    bool atEnd() const { return m_pos >= m_path.size(); }
    bool failed() const { return m_failed; }

private:
    bool fail();
    bool readIndex(std::string_view inner, SPathStep& step);

    std::string_view m_path;
    size_t m_pos = 0;
    int m_slots[2];
    int m_slotsUsed = 0;
    Anchor m_anchor = ANCHOR_CURRENT;
    bool m_failed = false;
};

// Where a path ended: an element, or an attribute of it.
struct SPathTarget {
    pugi::xml_node node;
    pugi::xml_attribute attribute;
    bool isAttribute = false;
};

// An XML name without a colon (a prefix, or the local part of a name).
bool isXmlName(std::string_view name);

// Local part of a qualified name ("ns2:XAddr" -> "XAddr").
const char* localNameOf(const char* qualified);
bool localNameIs(const char* qualified, std::string_view local);

// The index-th element child of parent whose local name is local (index -1 = first).
pugi::xml_node findChild(pugi::xml_node parent, std::string_view local, int index);
size_t countChildren(pugi::xml_node parent, std::string_view local);
pugi::xml_attribute findAttribute(pugi::xml_node node, std::string_view local);

// Walks existing nodes only. With countLast, stops before the last step and reports how
// many matches that step has (siblings of that name; 1 or 0 for attributes and "..").
bool findPath(pugi::xml_node start, CPathTokenizer& tokens, SPathTarget& target);
bool countPath(pugi::xml_node start, CPathTokenizer& tokens, size_t& count);

// Walks the path creating what is missing. A new element's prefix must be declared on
// the element or an ancestor, so the written XML stays namespace-well-formed. An index
// may address an existing sibling or append exactly one (index == count); a larger
// index fails rather than inventing empty siblings.
bool makePath(pugi::xml_node start, CPathTokenizer& tokens, SPathTarget& target);

// True when xmlns:prefix is declared on node or one of its ancestors.
bool isPrefixInScope(pugi::xml_node node, std::string_view prefix);

// Direct text of an element (or an attribute's value) without surrounding ASCII
// whitespace. When the text is one node, the view points into the document and
// isTerminated says whether it runs up to the terminating NUL (so it can be handed out
// as a C string without a copy). Mixed content is joined into scratch.
std::string_view textOf(const SPathTarget& target, std::string& scratch, bool& isTerminated);

} // namespace SOAPFramework
} // namespace Zentar
