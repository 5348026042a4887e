#include "Stream/Media/SdpParser.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "Infra/LogSink.h"

namespace Zentar {
namespace StreamSvr {

namespace {

const size_t kMaxFmtpParameters = 64;

std::string trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool iequals(const std::string& a, const std::string& b) { return lower(a) == lower(b); }

std::vector<std::string> splitWords(const std::string& s)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        if (i > start)
            words.push_back(s.substr(start, i - start));
    }
    return words;
}

// Whole-string decimal number within [0, max]; -1 otherwise.
long parseNumber(const std::string& s, long max)
{
    if (s.empty() || s.size() > 10)
        return -1;
    long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value <= max ? value : -1;
}

// "name:value" of an attribute line; name alone for flags like "sendonly".
void splitAttribute(const std::string& value, std::string& name, std::string& rest)
{
    const size_t colon = value.find(':');
    if (colon == std::string::npos) {
        name = trim(value);
        rest.clear();
    } else {
        name = trim(value.substr(0, colon));
        rest = value.substr(colon + 1);
    }
}

struct CStaticPayload {
    int type;
    const char* name;
    int rate;
    int channels;
};

// RFC 3551 table 4 and 5, for media lines that rely on them without an rtpmap.
const CStaticPayload kStaticPayloads[] = {
    {0, "PCMU", 8000, 1},   {3, "GSM", 8000, 1},     {4, "G723", 8000, 1},   {8, "PCMA", 8000, 1},
    {9, "G722", 8000, 1},   {10, "L16", 44100, 2},   {11, "L16", 44100, 1},  {14, "MPA", 90000, 0},
    {18, "G729", 8000, 1},  {26, "JPEG", 90000, 0},  {32, "MPV", 90000, 0},  {33, "MP2T", 90000, 0},
};

const std::vector<CSdpLine> kNoLines;

} // namespace

std::map<std::string, std::string> parseFmtpParameters(const std::string& text)
{
    std::map<std::string, std::string> params;
    size_t start = 0;
    while (start <= text.size() && params.size() < kMaxFmtpParameters) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string item = trim(text.substr(start, end - start));
        if (!item.empty()) {
            const size_t eq = item.find('=');
            if (eq == std::string::npos)
                params[lower(item)] = "";
            else
                params[lower(trim(item.substr(0, eq)))] = trim(item.substr(eq + 1));
        }
        start = end + 1;
    }
    return params;
}

void CSdpParser::clear()
{
    m_session.clear();
    m_media.clear();
}

int CSdpParser::attach(const char* text, size_t len)
{
    clear();
    if (!text || len == 0 || len > kMaxSize) {
        Infra::logFilter(Infra::kLogWarning, "sdp: refused a description of %zu bytes", len);
        return -1;
    }
    bool sawVersion = false;
    size_t lineCount = 0;
    size_t pos = 0;
    while (pos < len) {
        size_t end = pos;
        while (end < len && text[end] != '\n')
            ++end;
        std::string line(text + pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.size() < 2 || line[1] != '=' || !std::islower(static_cast<unsigned char>(line[0])))
            continue; // blank lines, stray text, a NUL terminator some devices send
        if (++lineCount > kMaxLines) {
            Infra::logFilter(Infra::kLogWarning, "sdp: more than %zu lines, refused", kMaxLines);
            clear();
            return -1;
        }
        CSdpLine parsed;
        parsed.type = line[0];
        parsed.value = line.substr(2);
        if (parsed.type == 'v')
            sawVersion = true;
        if (parsed.type == 'm') {
            if (splitWords(parsed.value).empty() || static_cast<int>(m_media.size()) >= kMaxMedia) {
                Infra::logFilter(Infra::kLogWarning, "sdp: bad media line \"%s\" (or more than %d media)",
                                 parsed.value.c_str(), kMaxMedia);
                clear();
                return -1;
            }
            m_media.emplace_back();
            m_media.back().lines.push_back(std::move(parsed));
        } else if (m_media.empty()) {
            m_session.push_back(std::move(parsed));
        } else {
            m_media.back().lines.push_back(std::move(parsed));
        }
    }
    if (!sawVersion && m_media.empty()) {
        Infra::logFilter(Infra::kLogWarning, "sdp: no version and no media line, not a description");
        clear();
        return -1;
    }
    return 0;
}

std::string CSdpParser::toString() const
{
    std::string out;
    auto emit = [&out](const CSdpLine& l) {
        out += l.type;
        out += '=';
        out += l.value;
        out += "\r\n";
    };
    for (const CSdpLine& l : m_session)
        emit(l);
    for (const CMediaSection& m : m_media)
        for (const CSdpLine& l : m.lines)
            emit(l);
    return out;
}

const CSdpParser::CMediaSection* CSdpParser::section(int media) const
{
    if (media < 0 || media >= static_cast<int>(m_media.size()))
        return nullptr;
    return &m_media[static_cast<size_t>(media)];
}

const std::vector<CSdpLine>& CSdpParser::mediaLines(int media) const
{
    const CMediaSection* s = section(media);
    return s ? s->lines : kNoLines;
}

const CSdpLine* CSdpParser::findAttribute(const std::vector<CSdpLine>& lines, const std::string& name)
{
    std::string attrName, rest;
    for (const CSdpLine& l : lines) {
        if (l.type != 'a')
            continue;
        splitAttribute(l.value, attrName, rest);
        if (iequals(attrName, name))
            return &l;
    }
    return nullptr;
}

std::string CSdpParser::getSessionName() const
{
    for (const CSdpLine& l : m_session)
        if (l.type == 's')
            return l.value;
    return "";
}

std::string CSdpParser::getSessionAttribute(const std::string& name) const
{
    const CSdpLine* l = findAttribute(m_session, name);
    std::string attrName, rest;
    if (l)
        splitAttribute(l->value, attrName, rest);
    return trim(rest);
}

bool CSdpParser::hasSessionAttribute(const std::string& name) const { return findAttribute(m_session, name) != nullptr; }

std::string CSdpParser::getAttribute(int media, const std::string& name) const
{
    const CSdpLine* l = findAttribute(mediaLines(media), name);
    std::string attrName, rest;
    if (l)
        splitAttribute(l->value, attrName, rest);
    return trim(rest);
}

bool CSdpParser::hasAttribute(int media, const std::string& name) const
{
    return findAttribute(mediaLines(media), name) != nullptr;
}

std::string CSdpParser::getRange(int media) const
{
    return media < 0 ? getSessionAttribute("range") : getAttribute(media, "range");
}

std::string CSdpParser::getMediaTypeName(int media) const
{
    const CMediaSection* s = section(media);
    if (!s)
        return "";
    return splitWords(s->lines[0].value)[0];
}

int CSdpParser::getMediaType(int media) const
{
    static const struct {
        const char* name;
        int type;
    } kTypes[] = {{"audio", kSdpMediaAudio}, {"video", kSdpMediaVideo}, {"application", kSdpMediaApplication},
                  {"data", kSdpMediaApplication}, {"text", kSdpMediaText}, {"message", kSdpMediaMessage}};
    const std::string name = lower(getMediaTypeName(media));
    for (const auto& t : kTypes)
        if (name == t.name)
            return t.type;
    return kSdpMediaUnknown;
}

int CSdpParser::getMediaPort(int media) const
{
    const CMediaSection* s = section(media);
    if (!s)
        return -1;
    const std::vector<std::string> words = splitWords(s->lines[0].value);
    if (words.size() < 2)
        return 0; // "m=video" alone: some devices leave the port out for TCP-only streams
    const std::string port = words[1].substr(0, words[1].find('/'));
    const long value = parseNumber(port, 65535);
    return value < 0 ? 0 : static_cast<int>(value);
}

int CSdpParser::getMediaPortCount(int media) const
{
    const CMediaSection* s = section(media);
    if (!s)
        return -1;
    const std::vector<std::string> words = splitWords(s->lines[0].value);
    if (words.size() < 2 || words[1].find('/') == std::string::npos)
        return 1;
    const long count = parseNumber(words[1].substr(words[1].find('/') + 1), 65535);
    return count < 1 ? 1 : static_cast<int>(count);
}

std::string CSdpParser::getMediaProto(int media) const
{
    const CMediaSection* s = section(media);
    if (!s)
        return "";
    const std::vector<std::string> words = splitWords(s->lines[0].value);
    return words.size() >= 3 ? words[2] : "";
}

std::vector<int> CSdpParser::getMediaFormats(int media) const
{
    std::vector<int> formats;
    const CMediaSection* s = section(media);
    if (!s)
        return formats;
    const std::vector<std::string> words = splitWords(s->lines[0].value);
    for (size_t i = 3; i < words.size(); ++i) {
        const long pt = parseNumber(words[i], 127);
        if (pt >= 0)
            formats.push_back(static_cast<int>(pt));
    }
    return formats;
}

int CSdpParser::getSendRecvAttr(int media) const
{
    static const struct {
        const char* name;
        int value;
    } kDirections[] = {
        {"sendrecv", kSdpSendRecv}, {"sendonly", kSdpSendOnly}, {"recvonly", kSdpRecvOnly}, {"inactive", kSdpInactive}};
    for (const std::vector<CSdpLine>* lines : {&mediaLines(media), &m_session})
        for (const auto& d : kDirections)
            if (findAttribute(*lines, d.name))
                return d.value;
    return kSdpSendRecv;
}

std::string CSdpParser::resolveUrl(const std::string& control) const
{
    if (control.empty())
        return "";
    std::string base = m_contentBase;
    const std::string sessionControl = getSessionAttribute("control");
    if (base.empty() && sessionControl.find("://") != std::string::npos)
        base = sessionControl;
    if (control == "*")
        return base;
    if (control.find("://") != std::string::npos || base.empty())
        return control;
    if (control[0] == '/') {
        // Absolute path: keep the scheme and authority of the base.
        const size_t scheme = base.find("://");
        const size_t pathStart = scheme == std::string::npos ? std::string::npos : base.find('/', scheme + 3);
        return (pathStart == std::string::npos ? base : base.substr(0, pathStart)) + control;
    }
    // Relative: appended to the base as a path segment. Cameras expect this even when the
    // base has no trailing slash ("rtsp://cam/live" + "trackID=1").
    return base.back() == '/' ? base + control : base + "/" + control;
}

std::string CSdpParser::getSessionUrl() const
{
    const std::string control = getSessionAttribute("control");
    if (control.empty() || control == "*")
        return m_contentBase;
    return resolveUrl(control);
}

std::string CSdpParser::getMediaControl(int media) const { return getAttribute(media, "control"); }

std::string CSdpParser::getMediaUrl(int media) const
{
    if (!section(media))
        return "";
    const std::string control = getMediaControl(media);
    return control.empty() ? getSessionUrl() : resolveUrl(control);
}

int CSdpParser::getTrackId(int media) const
{
    std::string control = getMediaControl(media);
    while (!control.empty() && control.back() == '/')
        control.pop_back();
    const size_t scheme = control.find("://");
    if (scheme != std::string::npos && control.find('/', scheme + 3) == std::string::npos)
        return -1; // only an authority: its digits are a port, not a track
    size_t end = control.size();
    size_t start = end;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(control[start - 1])))
        --start;
    if (start == end || end - start > 9)
        return -1;
    return static_cast<int>(std::strtol(control.c_str() + start, nullptr, 10));
}

bool CSdpParser::getConnection(int media, CSdpConnection& out) const
{
    const CSdpLine* found = nullptr;
    for (const std::vector<CSdpLine>* lines : {&mediaLines(media), &m_session}) {
        for (const CSdpLine& l : *lines)
            if (l.type == 'c') {
                found = &l;
                break;
            }
        if (found)
            break;
    }
    if (!found)
        return false;
    const std::vector<std::string> words = splitWords(found->value);
    if (words.size() < 3)
        return false;
    CSdpConnection c;
    c.networkType = words[0];
    c.addressType = words[1];
    const std::string& addressField = words[2];
    const size_t slash = addressField.find('/');
    c.address = addressField.substr(0, slash);
    if (c.address.empty())
        return false;
    std::vector<long> extras;
    size_t pos = slash;
    while (pos != std::string::npos && extras.size() < 2) {
        const size_t next = addressField.find('/', pos + 1);
        extras.push_back(parseNumber(addressField.substr(pos + 1, next == std::string::npos ? std::string::npos : next - pos - 1), 65535));
        pos = next;
    }
    if (iequals(c.addressType, "IP6")) {
        c.multicast = lower(c.address).compare(0, 2, "ff") == 0;
        if (!extras.empty() && extras[0] > 0)
            c.addressCount = static_cast<int>(extras[0]);
    } else {
        const long firstOctet = parseNumber(c.address.substr(0, c.address.find('.')), 255);
        c.multicast = firstOctet >= 224 && firstOctet <= 239;
        if (!extras.empty() && extras[0] >= 0)
            c.ttl = static_cast<int>(std::min(extras[0], 255L));
        if (extras.size() > 1 && extras[1] > 0)
            c.addressCount = static_cast<int>(extras[1]);
    }
    out = c;
    return true;
}

int CSdpParser::getBandwidth(int media, const std::string& type) const
{
    for (const std::vector<CSdpLine>* lines : {&mediaLines(media), &m_session})
        for (const CSdpLine& l : *lines) {
            if (l.type != 'b')
                continue;
            const size_t colon = l.value.find(':');
            if (colon != std::string::npos && iequals(trim(l.value.substr(0, colon)), type)) {
                const long value = parseNumber(trim(l.value.substr(colon + 1)), 0x7FFFFFFF);
                if (value >= 0)
                    return static_cast<int>(value);
            }
        }
    return -1;
}

int CSdpParser::getPayloadCount(int media) const { return static_cast<int>(getMediaFormats(media).size()); }

bool CSdpParser::getPayload(int media, int index, CSdpPayload& out) const
{
    const std::vector<int> formats = getMediaFormats(media);
    if (index < 0 || index >= static_cast<int>(formats.size()))
        return false;
    return findPayload(media, formats[static_cast<size_t>(index)], out);
}

bool CSdpParser::findPayload(int media, int payloadType, CSdpPayload& out) const
{
    const CMediaSection* s = section(media);
    if (!s || payloadType < 0 || payloadType > 127)
        return false;
    CSdpPayload p;
    p.payloadType = payloadType;
    bool haveRtpmap = false;
    std::string name, rest;
    for (const CSdpLine& l : s->lines) {
        if (l.type != 'a')
            continue;
        splitAttribute(l.value, name, rest);
        const std::vector<std::string> words = splitWords(rest);
        if (words.empty() || parseNumber(words[0], 127) != payloadType)
            continue;
        const std::string tail = trim(rest.substr(rest.find(words[0]) + words[0].size()));
        if (iequals(name, "rtpmap") && !haveRtpmap) {
            // "<pt> <name>/<rate>[/<channels>]"
            haveRtpmap = true;
            const size_t slash1 = tail.find('/');
            p.name = trim(tail.substr(0, slash1));
            if (slash1 != std::string::npos) {
                const size_t slash2 = tail.find('/', slash1 + 1);
                const long rate = parseNumber(trim(tail.substr(slash1 + 1, slash2 == std::string::npos ? std::string::npos : slash2 - slash1 - 1)), 10000000);
                p.rate = rate < 0 ? 0 : static_cast<int>(rate);
                if (slash2 != std::string::npos) {
                    const long ch = parseNumber(trim(tail.substr(slash2 + 1)), 255);
                    p.channels = ch < 0 ? 0 : static_cast<int>(ch);
                }
            }
        } else if (iequals(name, "fmtp")) {
            p.fmtp = parseFmtpParameters(tail);
        }
    }
    if (!haveRtpmap) {
        for (const CStaticPayload& sp : kStaticPayloads)
            if (sp.type == payloadType) {
                p.name = sp.name;
                p.rate = sp.rate;
                p.channels = sp.channels;
            }
    }
    out = p;
    return true;
}

int CSdpParser::removeAttribute(int media, const std::string& name)
{
    std::vector<CSdpLine>* lines = nullptr;
    if (media == -1)
        lines = &m_session;
    else if (section(media))
        lines = &m_media[static_cast<size_t>(media)].lines;
    if (!lines || name.empty())
        return -1;
    std::string attrName, rest;
    const size_t before = lines->size();
    lines->erase(std::remove_if(lines->begin(), lines->end(),
                                [&](const CSdpLine& l) {
                                    if (l.type != 'a')
                                        return false;
                                    splitAttribute(l.value, attrName, rest);
                                    return iequals(attrName, name);
                                }),
                 lines->end());
    return static_cast<int>(before - lines->size());
}

int CSdpParser::addAttribute(int media, const std::string& name, const std::string& value)
{
    std::vector<CSdpLine>* lines = nullptr;
    if (media == -1)
        lines = &m_session;
    else if (section(media))
        lines = &m_media[static_cast<size_t>(media)].lines;
    if (!lines || name.empty() || name.find_first_of("\r\n:") != std::string::npos ||
        value.find_first_of("\r\n") != std::string::npos)
        return -1;
    CSdpLine line;
    line.type = 'a';
    line.value = value.empty() ? name : name + ":" + value;
    size_t insertAt = lines->size();
    for (size_t i = lines->size(); i > 0; --i)
        if ((*lines)[i - 1].type == 'a') {
            insertAt = i;
            break;
        }
    lines->insert(lines->begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
    return 0;
}

int CSdpParser::setMediaLine(int media, const std::string& type, int port, const std::string& proto,
                             const std::vector<int>& formats)
{
    if (!section(media) || type.empty() || proto.empty() || port < 0 || port > 65535 ||
        type.find_first_of(" \r\n") != std::string::npos || proto.find_first_of(" \r\n") != std::string::npos)
        return -1;
    std::string value = type + " " + std::to_string(port) + " " + proto;
    for (int f : formats) {
        if (f < 0 || f > 127)
            return -1;
        value += " " + std::to_string(f);
    }
    m_media[static_cast<size_t>(media)].lines[0].value = value;
    return 0;
}

} // namespace StreamSvr
} // namespace Zentar
