#include "NetProtocol/HttpParser.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace Zentar {
namespace NetProtocol {

namespace {

// A chunk-size line (CRLF included) carries only hex digits and extensions nobody uses;
// anything long is an attack or garbage.
constexpr size_t kMaxChunkLine = 4096;

bool isTokenChar(unsigned char c)
{
    if (c >= '0' && c <= '9') return true;
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
    return std::strchr("!#$%&'*+-.^_`|~", c) != nullptr && c != '\0';
}

bool isToken(const std::string& s)
{
    if (s.empty()) return false;
    for (unsigned char c : s)
        if (!isTokenChar(c)) return false;
    return true;
}

// Visible characters, blanks and tabs, and bytes of UTF-8 text; no other control bytes.
bool isFieldText(const std::string& s)
{
    for (unsigned char c : s)
        if ((c < 0x20 && c != '\t') || c == 0x7f) return false;
    return true;
}

std::string trimBlanks(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// "HTTP/" digit "." digit
bool isVersion(const std::string& s)
{
    return s.size() == 8 && s.compare(0, 5, "HTTP/") == 0 && s[5] >= '0' && s[5] <= '9' && s[6] == '.' &&
           s[7] >= '0' && s[7] <= '9';
}

bool iequals(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// Content-Length: digits only, bounded; a repeated or listed value must agree with itself.
// Returns HTTP_PARSE_SUCCESS and sets value, or an error status.
int parseContentLength(const std::string& text, size_t limit, bool& seen, size_t& value)
{
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        std::string item = trimBlanks(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
        if (item.empty()) return HTTP_PARSE_ERROR;
        size_t n = 0;
        for (char c : item) {
            if (c < '0' || c > '9') return HTTP_PARSE_ERROR;
            n = n * 10 + static_cast<size_t>(c - '0');
            if (n > limit) return HTTP_PARSE_TOO_LARGE;
        }
        if (seen && n != value) return HTTP_PARSE_ERROR;
        seen = true;
        value = n;
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return HTTP_PARSE_SUCCESS;
}

// Whether the last transfer coding listed is "chunked".
bool endsWithChunked(const std::string& codings)
{
    size_t comma = codings.rfind(',');
    std::string last = trimBlanks(comma == std::string::npos ? codings : codings.substr(comma + 1));
    return iequals(last, "chunked");
}

} // namespace

CHttpParser::CHttpParser() = default;
CHttpParser::~CHttpParser() = default;

void CHttpParser::Reset()
{
    m_state = ST_START;
    m_failStatus = HTTP_PARSE_ERROR;
    m_isRequest = false;
    m_method.clear();
    m_uri.clear();
    m_version.clear();
    m_statusCode = 0;
    m_statusStr.clear();
    m_headers.clear();
    m_body.clear();
    m_line.clear();
    m_headerBytes = 0;
    m_remaining = 0;
    m_lastConsumed = 0;
}

int CHttpParser::fail(int status)
{
    m_state = ST_FAILED;
    m_failStatus = status;
    return status;
}

bool CHttpParser::IsComplete() const { return m_state == ST_DONE; }

int CHttpParser::Parse(const char* text, size_t len)
{
    Reset();
    int status = Append(text, len);
    if (status == HTTP_PARSE_MORE) status = AppendEnd();
    return (status == HTTP_PARSE_SUCCESS || status == HTTP_PARSE_END) ? 0 : -1;
}

int CHttpParser::AppendEnd()
{
    switch (m_state) {
    case ST_DONE:
        return HTTP_PARSE_SUCCESS;
    case ST_FAILED:
        return m_failStatus;
    case ST_BODY_CLOSE:
        m_state = ST_DONE;
        return HTTP_PARSE_END;
    default:
        return fail(HTTP_PARSE_ERROR);
    }
}

// Collects bytes of one line into `line` until LF. A bare LF ends a line too (some small
// device servers write them); the CR before it is dropped. A CR anywhere else is refused.
int CHttpParser::feedLine(const char* data, size_t len, size_t& used, std::string& line, bool& gotLine)
{
    const bool inHeader = m_state != ST_CHUNK_SIZE && m_state != ST_CHUNK_DATA_END;
    const size_t limit = inHeader ? kMaxHeaderBytes - std::min(m_headerBytes, kMaxHeaderBytes) : kMaxChunkLine;
    gotLine = false;
    const char* lf = static_cast<const char*>(std::memchr(data, '\n', len));
    size_t take = lf ? static_cast<size_t>(lf - data) : len;
    // The LF counts too, so a limit of N bytes admits exactly N bytes on the wire.
    if (line.size() + take + (lf ? 1 : 0) > limit) return HTTP_PARSE_TOO_LARGE;
    line.append(data, take);
    used = lf ? take + 1 : take;
    if (!lf) return HTTP_PARSE_MORE;
    if (inHeader) m_headerBytes += line.size() + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('\r') != std::string::npos) return HTTP_PARSE_ERROR;
    gotLine = true;
    return HTTP_PARSE_SUCCESS;
}

int CHttpParser::Append(const char* data, size_t len)
{
    m_lastConsumed = 0;
    if (m_state == ST_FAILED) return m_failStatus;
    if (m_state == ST_DONE) return HTTP_PARSE_SUCCESS;
    if (data == nullptr && len != 0) return fail(HTTP_PARSE_ERROR);

    size_t pos = 0;
    while (pos < len && m_state != ST_DONE) {
        const char* p = data + pos;
        const size_t left = len - pos;
        switch (m_state) {
        case ST_BODY_LENGTH:
        case ST_CHUNK_DATA: {
            size_t take = std::min(left, m_remaining);
            m_body.append(p, take);
            m_remaining -= take;
            pos += take;
            if (m_remaining == 0) m_state = m_state == ST_BODY_LENGTH ? ST_DONE : ST_CHUNK_DATA_END;
            break;
        }
        case ST_BODY_CLOSE:
            if (m_body.size() + left > kMaxBodyBytes) return fail(HTTP_PARSE_TOO_LARGE);
            m_body.append(p, left);
            pos += left;
            break;
        default: {
            size_t used = 0;
            bool gotLine = false;
            int status = feedLine(p, left, used, m_line, gotLine);
            pos += used;
            if (status != HTTP_PARSE_SUCCESS && status != HTTP_PARSE_MORE) return fail(status);
            if (!gotLine) break;
            std::string line;
            line.swap(m_line);
            switch (m_state) {
            case ST_START: status = onStartLine(line); break;
            case ST_HEADERS:
            case ST_TRAILERS: status = onHeaderLine(line); break;
            case ST_CHUNK_SIZE: status = onChunkSizeLine(line); break;
            case ST_CHUNK_DATA_END:
                status = line.empty() ? HTTP_PARSE_SUCCESS : HTTP_PARSE_ERROR;
                m_state = ST_CHUNK_SIZE;
                break;
            default: status = HTTP_PARSE_ERROR; break;
            }
            if (status != HTTP_PARSE_SUCCESS) return fail(status);
            break;
        }
        }
    }
    m_lastConsumed = pos;
    return m_state == ST_DONE ? HTTP_PARSE_SUCCESS : HTTP_PARSE_MORE;
}

int CHttpParser::onStartLine(const std::string& line)
{
    // Empty lines before the start line are tolerated (left over from a previous message).
    if (line.empty()) return HTTP_PARSE_SUCCESS;
    if (!isFieldText(line)) return HTTP_PARSE_ERROR;
    size_t sp1 = line.find(' ');
    if (sp1 == std::string::npos) return HTTP_PARSE_ERROR;
    std::string first = line.substr(0, sp1);
    if (first.compare(0, 5, "HTTP/") == 0) {
        // status-line = HTTP-version SP status-code SP reason-phrase
        if (!isVersion(first) || line.size() < sp1 + 4) return HTTP_PARSE_ERROR;
        int code = 0;
        for (size_t i = sp1 + 1; i < sp1 + 4; ++i) {
            if (line[i] < '0' || line[i] > '9') return HTTP_PARSE_ERROR;
            code = code * 10 + (line[i] - '0');
        }
        if (code < 100) return HTTP_PARSE_ERROR;
        if (line.size() > sp1 + 4 && line[sp1 + 4] != ' ') return HTTP_PARSE_ERROR;
        m_version = first;
        m_statusCode = code;
        m_statusStr = line.size() > sp1 + 5 ? line.substr(sp1 + 5) : std::string();
    } else {
        // request-line = method SP request-target SP HTTP-version
        size_t sp2 = line.find(' ', sp1 + 1);
        if (sp2 == std::string::npos || line.find(' ', sp2 + 1) != std::string::npos) return HTTP_PARSE_ERROR;
        std::string uri = line.substr(sp1 + 1, sp2 - sp1 - 1);
        std::string version = line.substr(sp2 + 1);
        if (!isToken(first) || uri.empty() || uri.find('\t') != std::string::npos || !isVersion(version))
            return HTTP_PARSE_ERROR;
        m_isRequest = true;
        m_method = first;
        m_uri = uri;
        m_version = version;
    }
    m_state = ST_HEADERS;
    return HTTP_PARSE_SUCCESS;
}

int CHttpParser::onHeaderLine(const std::string& line)
{
    if (line.empty()) {
        if (m_state == ST_TRAILERS) {
            m_state = ST_DONE;
            return HTTP_PARSE_SUCCESS;
        }
        return onHeadersEnd();
    }
    if (!isFieldText(line)) return HTTP_PARSE_ERROR;
    if (line[0] == ' ' || line[0] == '\t') {
        // Obsolete line folding: the line continues the previous value.
        if (m_headers.empty()) return HTTP_PARSE_ERROR;
        std::string more = trimBlanks(line);
        std::string& value = m_headers.back().second;
        if (!more.empty()) value += value.empty() ? more : " " + more;
        return HTTP_PARSE_SUCCESS;
    }
    size_t colon = line.find(':');
    if (colon == std::string::npos) return HTTP_PARSE_ERROR;
    std::string name = line.substr(0, colon);
    if (!isToken(name)) return HTTP_PARSE_ERROR;
    m_headers.emplace_back(name, trimBlanks(line.substr(colon + 1)));
    return HTTP_PARSE_SUCCESS;
}

int CHttpParser::onHeadersEnd()
{
    bool teSeen = false;
    bool lengthSeen = false;
    size_t length = 0;
    std::string codings;
    for (const auto& h : m_headers) {
        if (iequals(h.first, "Transfer-Encoding")) {
            codings += codings.empty() ? h.second : ", " + h.second;
            teSeen = true;
        } else if (iequals(h.first, "Content-Length")) {
            int status = parseContentLength(h.second, kMaxBodyBytes, lengthSeen, length);
            if (status != HTTP_PARSE_SUCCESS) return status;
        }
    }
    const bool noBody = !m_isRequest && (m_statusCode < 200 || m_statusCode == 204 || m_statusCode == 304);
    if (noBody) {
        m_state = ST_DONE;
    } else if (teSeen) {
        // Transfer-Encoding overrides any Content-Length (RFC 7230 3.3.3).
        if (endsWithChunked(codings))
            m_state = ST_CHUNK_SIZE;
        else if (m_isRequest)
            return HTTP_PARSE_ERROR; // a request body must be delimited
        else
            m_state = ST_BODY_CLOSE;
    } else if (lengthSeen) {
        m_remaining = length;
        m_state = length == 0 ? ST_DONE : ST_BODY_LENGTH;
        m_body.reserve(std::min<size_t>(length, 64u * 1024u));
    } else {
        m_state = m_isRequest ? ST_DONE : ST_BODY_CLOSE;
    }
    return HTTP_PARSE_SUCCESS;
}

// chunk-size [ chunk-ext ] CRLF; the extensions carry nothing we use.
int CHttpParser::onChunkSizeLine(const std::string& line)
{
    size_t i = 0;
    size_t size = 0;
    for (; i < line.size(); ++i) {
        char c = line[i];
        int digit = (c >= '0' && c <= '9') ? c - '0' : ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') ? (c | 0x20) - 'a' + 10 : -1;
        if (digit < 0) break;
        if (size > (kMaxBodyBytes >> 4)) return HTTP_PARSE_TOO_LARGE;
        size = size * 16 + static_cast<size_t>(digit);
    }
    if (i == 0) return HTTP_PARSE_ERROR;
    std::string rest = trimBlanks(line.substr(i));
    if (!rest.empty() && rest[0] != ';') return HTTP_PARSE_ERROR;
    if (size > kMaxBodyBytes - m_body.size()) return HTTP_PARSE_TOO_LARGE;
    m_remaining = size;
    m_state = size == 0 ? ST_TRAILERS : ST_CHUNK_DATA;
    return HTTP_PARSE_SUCCESS;
}

const char* CHttpParser::GetReqMethod() const { return m_isRequest ? m_method.c_str() : nullptr; }

const char* CHttpParser::GetURI() const { return m_isRequest ? m_uri.c_str() : nullptr; }

const char* CHttpParser::GetStatusStr() const
{
    return (!m_isRequest && m_statusCode != 0) ? m_statusStr.c_str() : nullptr;
}

const char* CHttpParser::GetVersion() const { return m_version.empty() ? nullptr : m_version.c_str(); }

const char* CHttpParser::Value(const char* name) const { return Value(name, 0); }

const char* CHttpParser::Value(const char* name, size_t index) const
{
    if (name == nullptr) return nullptr;
    for (const auto& h : m_headers) {
        if (strcasecmp(h.first.c_str(), name) == 0 && index-- == 0) return h.second.c_str();
    }
    return nullptr;
}

} // namespace NetProtocol
} // namespace Zentar
