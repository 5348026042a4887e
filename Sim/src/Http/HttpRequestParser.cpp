#include "Http/HttpRequestParser.h"

#include <cctype>
#include <cstring>

namespace OnvifSim {
namespace {

bool IsToken(const std::string& s)
{
    if (s.empty())
        return false;
    for (unsigned char c : s)
        if (c <= 32 || c >= 127 || strchr("()<>@,;:\\\"/[]?={}", c))
            return false;
    return true;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

} // namespace

void CHttpRequestParser::fail(int status, const std::string& reason)
{
    m_state = EState::Error;
    m_errorStatus = status;
    m_errorReason = reason;
}

size_t CHttpRequestParser::feed(const char* data, size_t size)
{
    size_t used = 0;
    while (used < size && m_state == EState::NeedMore) {
        size_t n = m_phase == EPhase::Headers ? feedHeaders(data + used, size - used)
                                               : feedBody(data + used, size - used);
        used += n;
        if (n == 0 && m_state == EState::NeedMore)
            break;
    }
    return used;
}

size_t CHttpRequestParser::feedHeaders(const char* data, size_t size)
{
    size_t old = m_buffer.size();
    size_t room = m_maxHeader + 4 - old;  // the terminator may end just past the cap
    m_buffer.append(data, std::min(size, room));
    size_t from = old >= 3 ? old - 3 : 0;
    size_t end = m_buffer.find("\r\n\r\n", from);
    if (end == std::string::npos) {
        if (m_buffer.size() > m_maxHeader)
            fail(400, "request headers larger than " + std::to_string(m_maxHeader) + " bytes");
        return std::min(size, room);
    }
    if (end > m_maxHeader) {
        fail(400, "request headers larger than " + std::to_string(m_maxHeader) + " bytes");
        return 0;
    }
    size_t used = end + 4 - old;
    std::string head = m_buffer.substr(0, end);
    m_buffer.clear();
    if (parseHead(head) && startBody() && m_remaining == 0 && m_phase == EPhase::Body)
        m_state = EState::Complete;
    return used;
}

bool CHttpRequestParser::parseRequestLine(const std::string& line)
{
    size_t a = line.find(' ');
    size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
    if (b == std::string::npos || line.find(' ', b + 1) != std::string::npos) {
        fail(400, "malformed request line");
        return false;
    }
    m_request.method = line.substr(0, a);
    m_request.target = line.substr(a + 1, b - a - 1);
    m_request.version = line.substr(b + 1);
    if (!IsToken(m_request.method) || m_request.target.empty() ||
        (m_request.version != "HTTP/1.1" && m_request.version != "HTTP/1.0")) {
        fail(400, "malformed request line");
        return false;
    }
    return true;
}

bool CHttpRequestParser::parseHead(const std::string& head)
{
    size_t pos = 0;
    bool first = true;
    while (pos <= head.size()) {
        size_t eol = head.find("\r\n", pos);
        std::string line = head.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
        pos = eol == std::string::npos ? head.size() + 1 : eol + 2;
        if (first) {
            first = false;
            if (!parseRequestLine(line))
                return false;
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string::npos || !IsToken(line.substr(0, colon))) {
            fail(400, "malformed header line");
            return false;
        }
        if (m_request.headers.size() >= 100) {
            fail(400, "more than 100 request headers");
            return false;
        }
        m_request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
    }
    return true;
}

bool CHttpRequestParser::startBody()
{
    std::vector<std::string> lengths = m_request.headersNamed("Content-Length");
    std::string encoding = m_request.header("Transfer-Encoding");
    m_wantsContinue = EqualsNoCase(m_request.header("Expect"), "100-continue");
    if (!encoding.empty()) {
        if (!lengths.empty() || !EqualsNoCase(encoding, "chunked")) {
            fail(400, "unsupported or ambiguous Transfer-Encoding");
            return false;
        }
        m_phase = EPhase::ChunkSize;
        return true;
    }
    m_phase = EPhase::Body;
    if (lengths.empty())
        return true;
    for (const auto& l : lengths)
        if (l != lengths[0] || l.empty() || l.size() > 12 || l.find_first_not_of("0123456789") != std::string::npos) {
            fail(400, "invalid Content-Length");
            return false;
        }
    unsigned long long length = std::stoull(lengths[0]);
    if (length > m_maxBody) {
        fail(413, "request body larger than " + std::to_string(m_maxBody) + " bytes");
        return false;
    }
    m_remaining = static_cast<size_t>(length);
    m_request.body.reserve(m_remaining);
    return true;
}

size_t CHttpRequestParser::feedLine(const char* data, size_t size, bool& lineDone)
{
    const void* nl = memchr(data, '\n', size);
    size_t take = nl ? static_cast<const char*>(nl) - data + 1 : size;
    m_buffer.append(data, take);
    if (m_buffer.size() > 1024)
        fail(400, "chunk line too long");
    lineDone = nl != nullptr && m_state == EState::NeedMore;
    if (lineDone) {
        m_buffer.pop_back();
        if (!m_buffer.empty() && m_buffer.back() == '\r')
            m_buffer.pop_back();
    }
    return take;
}

void CHttpRequestParser::onChunkSizeLine()
{
    std::string size = m_buffer.substr(0, m_buffer.find(';'));
    size = Trim(size);
    if (size.empty() || size.size() > 8 || size.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return fail(400, "invalid chunk size");
    m_remaining = std::stoul(size, nullptr, 16);
    if (m_request.body.size() + m_remaining > m_maxBody)
        return fail(413, "request body larger than " + std::to_string(m_maxBody) + " bytes");
    m_phase = m_remaining == 0 ? EPhase::Trailers : EPhase::ChunkData;
}

void CHttpRequestParser::onTrailerLine()
{
    m_trailerBytes += m_buffer.size();
    if (m_trailerBytes > m_maxHeader)
        return fail(400, "request trailers too large");
    if (m_buffer.empty())
        m_state = EState::Complete;
}

size_t CHttpRequestParser::feedBody(const char* data, size_t size)
{
    if (m_phase == EPhase::Body || m_phase == EPhase::ChunkData) {
        size_t n = std::min(size, m_remaining);
        m_request.body.append(data, n);
        m_remaining -= n;
        if (m_remaining == 0)
            m_phase == EPhase::Body ? void(m_state = EState::Complete) : void(m_phase = EPhase::ChunkDataEnd);
        return n;
    }
    bool lineDone = false;
    size_t n = feedLine(data, size, lineDone);
    if (!lineDone)
        return n;
    if (m_phase == EPhase::ChunkSize)
        onChunkSizeLine();
    else if (m_phase == EPhase::ChunkDataEnd)
        m_buffer.empty() ? void(m_phase = EPhase::ChunkSize) : fail(400, "chunk data longer than its size");
    else
        onTrailerLine();
    m_buffer.clear();
    return n;
}

bool CHttpRequestParser::takeContinueRequest()
{
    bool wanted = m_wantsContinue && m_state == EState::NeedMore && m_phase != EPhase::Headers;
    if (wanted)
        m_wantsContinue = false;
    return wanted;
}

CHttpRequest CHttpRequestParser::take()
{
    CHttpRequest out = std::move(m_request);
    m_request = CHttpRequest();
    m_state = EState::NeedMore;
    m_phase = EPhase::Headers;
    m_buffer.clear();
    m_remaining = 0;
    m_trailerBytes = 0;
    m_wantsContinue = false;
    return out;
}

} // namespace OnvifSim
