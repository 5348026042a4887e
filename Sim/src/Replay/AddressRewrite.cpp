#include "Replay/AddressRewrite.h"

#include "Soap/SoapRequest.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace OnvifSim {
namespace {

bool StartsWithNoCase(const std::string& text, size_t at, const char* word)
{
    size_t n = strlen(word);
    if (text.size() - at < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (tolower(static_cast<unsigned char>(text[at + i])) != word[i])
            return false;
    return true;
}

bool EndsAuthority(char c)
{
    return c == '/' || c == '?' || c == '#' || c == '<' || isspace(static_cast<unsigned char>(c));
}

// The address starting at `at` when a followed scheme starts there; returns false otherwise.
bool ReadAddress(const std::string& xml, size_t at, size_t limit, CAddressSpan& span)
{
    static const char* const schemes[] = {"https://", "http://", "rtsp://"};
    if (at > 0 && (isalnum(static_cast<unsigned char>(xml[at - 1])) || strchr("+-.", xml[at - 1])))
        return false;   // "xhttp://" is another scheme
    const char* scheme = nullptr;
    for (const char* s : schemes)
        if (!scheme && StartsWithNoCase(xml, at, s))
            scheme = s;
    if (!scheme)
        return false;
    size_t hostBegin = at + strlen(scheme);
    size_t end = hostBegin;
    while (end < limit && !EndsAuthority(xml[end]))
        ++end;
    size_t at_sign = xml.rfind('@', end == 0 ? 0 : end - 1);
    if (at_sign != std::string::npos && at_sign >= hostBegin)
        hostBegin = at_sign + 1;
    if (hostBegin == end)
        return false;
    size_t bracket = xml[hostBegin] == '[' ? xml.find(']', hostBegin) : std::string::npos;
    size_t searchFrom = bracket != std::string::npos && bracket < end ? bracket : hostBegin;
    size_t colon = xml.find(':', searchFrom);
    span.begin = at;
    span.end = end;
    span.rtsp = scheme[0] == 'r';
    span.prefix = xml.substr(at, hostBegin - at);
    span.port = colon < end ? xml.substr(colon, end - colon) : std::string();
    return true;
}

void ScanText(const std::string& xml, size_t from, size_t to, std::vector<CAddressSpan>& spans)
{
    for (size_t i = from; i < to; ++i) {
        CAddressSpan span;
        if (ReadAddress(xml, i, to, span)) {
            spans.push_back(span);
            i = span.end - 1;
        }
    }
}

bool IsFollowed(pugi::xml_node element)
{
    std::string local = LocalName(element);
    if (local == "XAddr" || local == "XAddrs" || local == "Uri")
        return true;
    return local == "Address" && LocalName(element.parent()) == "SubscriptionReference";
}

class CAddressFinder : public pugi::xml_tree_walker {
public:
    CAddressFinder(const std::string& xml, std::vector<CAddressSpan>& spans) : m_xml(xml), m_spans(spans) {}

    bool for_each(pugi::xml_node& node) override
    {
        if (node.type() != pugi::node_pcdata && node.type() != pugi::node_cdata)
            return true;
        if (!IsFollowed(node.parent()) || node.offset_debug() < 0)
            return true;
        size_t from = static_cast<size_t>(node.offset_debug());
        size_t to = node.type() == pugi::node_pcdata ? m_xml.find('<', from) : m_xml.find("]]>", from);
        ScanText(m_xml, from, std::min(to, m_xml.size()), m_spans);
        return true;
    }

private:
    const std::string& m_xml;
    std::vector<CAddressSpan>& m_spans;
};

// "127.0.0.1" or "[::1]" from "http://127.0.0.1:8080".
std::string HostOf(const std::string& selfBase)
{
    size_t start = selfBase.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t end = selfBase[start] == '[' ? selfBase.find(']', start) + 1 : selfBase.find(':', start);
    return selfBase.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

} // namespace

bool FindAddressSpans(const std::string& xml, std::vector<CAddressSpan>& spans)
{
    spans.clear();
    pugi::xml_document doc;
    // UTF-8 as stored, so node offsets are offsets into `xml` itself.
    if (!doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8))
        return false;
    CAddressFinder finder(xml, spans);
    doc.traverse(finder);
    std::sort(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.begin < b.begin; });
    return true;
}

std::string AddressPath(const std::string& xml, const CAddressSpan& span)
{
    size_t end = std::min(xml.find_first_of("<? \t\r\n", span.end), xml.find("]]>", span.end));
    std::string raw = xml.substr(span.end, end == std::string::npos ? std::string::npos : end - span.end);
    static const std::pair<const char*, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string path;
    for (size_t i = 0; i < raw.size(); ++i) {
        bool decoded = false;
        for (const auto& [name, c] : entities)
            if (!decoded && raw.compare(i, strlen(name), name) == 0) {
                path += c;
                i += strlen(name) - 1;
                decoded = true;
            }
        if (!decoded)
            path += raw[i];
    }
    return path.empty() || path[0] != '/' ? "/" + path : path;
}

std::string RewriteAddresses(const std::string& xml, const std::vector<CAddressSpan>& spans,
                             const std::string& selfBase, unsigned short rtspPort)
{
    std::string scheme = selfBase.substr(0, selfBase.find("://") + 3);
    std::string authority = selfBase.substr(scheme.size());
    std::string host = HostOf(selfBase);
    std::string out;
    out.reserve(xml.size() + spans.size() * 16);
    size_t copied = 0;
    for (const auto& span : spans) {
        out.append(xml, copied, span.begin - copied);
        if (span.rtsp)
            out += span.prefix + host + (rtspPort ? ":" + std::to_string(rtspPort) : span.port);
        else
            out += scheme + span.prefix.substr(span.prefix.find("://") + 3) + authority;
        copied = span.end;
    }
    out.append(xml, copied, std::string::npos);
    return out;
}

} // namespace OnvifSim
