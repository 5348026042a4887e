#include "SOAPFramework/SOAPPart.h"

#include <cstdint>
#include <random>

namespace Zentar {
namespace SOAPFramework {

namespace {

// Header values end up on their own MIME header line; a CR or LF in them would let a
// caller-supplied string add headers or end the header block early.
bool isHeaderSafe(const std::string& value)
{
    return value.find_first_of("\r\n") == std::string::npos;
}

// Characters a URL may carry as they are; everything else is %hh-escaped (RFC 2392
// asks for the content ID to be URL-encoded inside a cid: URL).
bool isUrlSafe(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    switch (c) {
    case '-': case '.': case '_': case '~': case '!': case '$': case '&': case '\'':
    case '(': case ')': case '*': case '+': case ',': case ';': case '=': case ':':
    case '@': case '/': case '?':
        return true;
    default:
        return false;
    }
}

// The boundary only has to be absent from the data, not secret, so a per-thread
// Mersenne Twister seeded once from the system is plenty.
std::string randomBoundary()
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    static const char kHex[] = "0123456789abcdef";
    std::string boundary = "MIMEBoundary_";
    for (int half = 0; half < 2; ++half) {
        uint64_t bits = generator();
        for (int k = 0; k < 16; ++k, bits >>= 4) {
            boundary.push_back(kHex[bits & 0xF]);
        }
    }
    return boundary;
}

bool occursIn(const std::string& boundary, const std::string& envelope,
              const std::vector<CSOAPPart>& parts)
{
    if (envelope.find(boundary) != std::string::npos) {
        return true;
    }
    for (const CSOAPPart& part : parts) {
        if (part.getData().find(boundary) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void appendPartHeaders(std::string& body, const std::string& boundary,
                       const std::string& contentType, const std::string& encoding,
                       const std::string& contentId)
{
    body += "--";
    body += boundary;
    body += "\r\nContent-Type: ";
    body += contentType;
    body += "\r\nContent-Transfer-Encoding: ";
    body += encoding.empty() ? std::string("binary") : encoding;
    body += "\r\nContent-ID: <";
    body += contentId;
    body += ">\r\n\r\n";
}

} // namespace

CSOAPPart::CSOAPPart(std::string contentId, std::string contentType, std::string data)
    : m_contentId(std::move(contentId)), m_contentType(std::move(contentType)),
      m_data(std::move(data))
{
}

void CSOAPPart::setData(const void* data, size_t size)
{
    if (data == nullptr || size == 0) {
        m_data.clear();
        return;
    }
    m_data.assign(static_cast<const char*>(data), size);
}

std::string CSOAPPart::bareContentId() const
{
    if (m_contentId.size() >= 2 && m_contentId.front() == '<' && m_contentId.back() == '>') {
        return m_contentId.substr(1, m_contentId.size() - 2);
    }
    return m_contentId;
}

std::string CSOAPPart::cidUrl() const
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "cid:";
    for (unsigned char c : bareContentId()) {
        if (isUrlSafe(c)) {
            url.push_back(static_cast<char>(c));
        } else {
            url.push_back('%');
            url.push_back(kHex[c >> 4]);
            url.push_back(kHex[c & 0xF]);
        }
    }
    return url;
}

bool CSOAPPart::isValid() const
{
    const std::string bare = bareContentId();
    return !bare.empty() && bare.find_first_of("<>") == std::string::npos &&
           isHeaderSafe(m_contentId) && isHeaderSafe(m_contentType) &&
           isHeaderSafe(m_encoding);
}

void buildMultipartRelated(const std::string& envelope, const std::vector<CSOAPPart>& parts,
                           const char* soapMediaType, std::string& body,
                           std::string& contentType)
{
    std::string boundary = randomBoundary();
    // A collision with 128 random bits needs an adversary who can see the future; the
    // loop only exists so the guarantee does not rest on probability alone.
    while (occursIn(boundary, envelope, parts)) {
        boundary = randomBoundary();
    }

    size_t total = envelope.size() + 512;
    for (const CSOAPPart& part : parts) {
        total += part.getData().size() + 256;
    }
    body.clear();
    body.reserve(total);

    const std::string rootType =
        std::string("application/xop+xml; charset=UTF-8; type=\"") + soapMediaType + "\"";
    appendPartHeaders(body, boundary, rootType, std::string(), kMtomRootContentId);
    body += envelope;
    body += "\r\n";
    for (const CSOAPPart& part : parts) {
        const std::string& type = part.getContentType();
        appendPartHeaders(body, boundary, type.empty() ? "application/octet-stream" : type,
                          part.getEncoding(), part.bareContentId());
        body += part.getData();
        body += "\r\n";
    }
    body += "--";
    body += boundary;
    body += "--\r\n";

    contentType = "multipart/related; type=\"application/xop+xml\"; start=\"<";
    contentType += kMtomRootContentId;
    contentType += ">\"; start-info=\"";
    contentType += soapMediaType;
    contentType += "\"; boundary=\"";
    contentType += boundary;
    contentType += "\"";
}

} // namespace SOAPFramework
} // namespace Zentar
