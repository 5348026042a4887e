#include "Stream/Rtsp/RtspFramer.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "Utils/ByteReader.h"

namespace Zentar {
namespace StreamApp {

namespace {

std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// Finds the end of the header block ("\r\n\r\n", or "\n\n" from sloppy servers).
// Returns the offset after it, 0 when not yet complete.
size_t headEnd(const uint8_t* data, size_t len)
{
    for (size_t i = 0; i + 1 < len; ++i) {
        if (data[i] == '\n' && data[i + 1] == '\n')
            return i + 2;
        if (i + 3 < len && data[i] == '\r' && data[i + 1] == '\n' && data[i + 2] == '\r'
            && data[i + 3] == '\n')
            return i + 4;
    }
    return 0;
}

bool isToken(const std::string& s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-'))
            return false;
    return true;
}

} // namespace

std::string CRtspAnswer::header(const char* name) const
{
    for (const auto& h : headers)
        if (strcasecmp(h.first.c_str(), name) == 0)
            return h.second;
    return std::string();
}

bool CRtspAnswer::hasHeader(const char* name) const
{
    for (const auto& h : headers)
        if (strcasecmp(h.first.c_str(), name) == 0)
            return true;
    return false;
}

std::vector<std::string> CRtspAnswer::headers_(const char* name) const
{
    std::vector<std::string> out;
    for (const auto& h : headers)
        if (strcasecmp(h.first.c_str(), name) == 0)
            out.push_back(h.second);
    return out;
}

void CRtspFramer::setLimits(size_t maxHeaderBytes, size_t maxBodyBytes)
{
    m_maxHeader = maxHeaderBytes;
    m_maxBody = maxBodyBytes;
}

CRtspFramer::Result CRtspFramer::fail(const std::string& why)
{
    m_error = why;
    return Error;
}

CRtspFramer::Result CRtspFramer::parse(const uint8_t* data, size_t len, size_t& consumed)
{
    consumed = 0;
    if (len == 0)
        return NeedMore;

    if (data[0] == '$') {
        Utils::CByteReader in(data, len);
        in.skip(1);
        const uint8_t channel = in.u8();
        const size_t frameLen = in.be16();
        const uint8_t* payload = in.bytes(frameLen);
        if (!in.ok())
            return NeedMore;
        m_channel = channel;
        m_payload = payload;
        m_payloadLen = frameLen;
        consumed = in.offset();
        return Interleaved;
    }

    // Some servers put blank lines between messages.
    if (data[0] == '\r' || data[0] == '\n') {
        size_t i = 0;
        while (i < len && (data[i] == '\r' || data[i] == '\n'))
            ++i;
        consumed = i;
        return NeedMore;
    }

    // Refuse garbage before waiting for a whole header block of it.
    static const char* const kStarts[] = {"RTSP/", "HTTP/"};
    bool statusLine = false;
    size_t probe = std::min<size_t>(len, 5);
    for (const char* start : kStarts)
        if (memcmp(data, start, probe) == 0)
            statusLine = true;
    if (!statusLine && !((data[0] >= 'A' && data[0] <= 'Z'))) {
        char hex[8];
        snprintf(hex, sizeof(hex), "0x%02x", data[0]);
        return fail(std::string("unexpected byte ") + hex + " at message start");
    }

    size_t head = headEnd(data, std::min(len, m_maxHeader + 4));
    if (head == 0) {
        if (len > m_maxHeader)
            return fail("header block longer than " + std::to_string(m_maxHeader) + " bytes");
        return NeedMore;
    }
    if (!parseHead(reinterpret_cast<const char*>(data), head))
        return Error;

    size_t bodyLen = 0;
    if (m_answer.hasHeader("Content-Length")) {
        std::string v = trim(m_answer.header("Content-Length"));
        if (v.empty() || v.size() > 9 || v.find_first_not_of("0123456789") != std::string::npos)
            return fail("bad Content-Length '" + v.substr(0, 32) + "'");
        bodyLen = std::stoul(v);
        if (bodyLen > m_maxBody)
            return fail("Content-Length " + v + " above the limit");
    }
    // The tunnel's GET answer has no length and never ends: its body is the RTSP stream.
    if (len - head < bodyLen)
        return NeedMore;
    m_answer.body.assign(reinterpret_cast<const char*>(data) + head, bodyLen);
    consumed = head + bodyLen;
    return Answer;
}

bool CRtspFramer::parseHead(const char* text, size_t len)
{
    m_answer = CRtspAnswer();
    std::string head(text, len);
    size_t pos = 0;
    size_t lineNo = 0;
    while (pos < head.size()) {
        size_t eol = head.find('\n', pos);
        if (eol == std::string::npos)
            eol = head.size();
        std::string line = head.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            break;
        if (lineNo++ == 0) {
            // "RTSP/1.0 200 OK" or "DESCRIBE rtsp://... RTSP/1.0"
            size_t sp1 = line.find(' ');
            if (sp1 == std::string::npos) {
                fail("bad start line '" + line.substr(0, 64) + "'");
                return false;
            }
            std::string first = line.substr(0, sp1);
            if (first.compare(0, 5, "RTSP/") == 0 || first.compare(0, 5, "HTTP/") == 0) {
                m_answer.protocol = first;
                size_t sp2 = line.find(' ', sp1 + 1);
                std::string code = line.substr(sp1 + 1, sp2 == std::string::npos ? std::string::npos
                                                                                  : sp2 - sp1 - 1);
                if (code.size() != 3 || code.find_first_not_of("0123456789") != std::string::npos) {
                    fail("bad status code '" + code.substr(0, 16) + "'");
                    return false;
                }
                m_answer.status = std::stoi(code);
                m_answer.reason = sp2 == std::string::npos ? std::string() : line.substr(sp2 + 1);
            } else {
                size_t sp2 = line.rfind(' ');
                if (!isToken(first) || sp2 == sp1 || line.compare(sp2 + 1, 5, "RTSP/") != 0) {
                    fail("bad start line '" + line.substr(0, 64) + "'");
                    return false;
                }
                m_answer.isRequest = true;
                m_answer.method = first;
                m_answer.protocol = line.substr(sp2 + 1);
            }
            continue;
        }
        if (line[0] == ' ' || line[0] == '\t') {
            // Folded continuation of the previous header (RFC 2616 4.2).
            if (m_answer.headers.empty()) {
                fail("continuation line without a header");
                return false;
            }
            m_answer.headers.back().second += " " + trim(line);
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            fail("header line without a name '" + line.substr(0, 64) + "'");
            return false;
        }
        if (m_answer.headers.size() >= kMaxHeaderCount) {
            fail("more than " + std::to_string(kMaxHeaderCount) + " headers");
            return false;
        }
        m_answer.headers.emplace_back(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
    }
    if (lineNo == 0) {
        fail("empty message");
        return false;
    }
    return true;
}

} // namespace StreamApp
} // namespace Zentar
