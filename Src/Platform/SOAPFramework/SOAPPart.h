#pragma once
// One binary attachment of an MTOM request (a firmware image, a backup file). The
// envelope refers to it through <xop:Include href="cid:ID"/>; the bytes travel as a
// separate MIME part of a multipart/related body, untouched (no base64).
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace Zentar {
namespace SOAPFramework {

class CSOAPPart {
public:
    CSOAPPart() = default;
    CSOAPPart(std::string contentId, std::string contentType, std::string data);

    // The content ID may be given bare ("fw@host") or in header form ("<fw@host>").
    void setContentId(std::string contentId) { m_contentId = std::move(contentId); }
    void setContentType(std::string contentType) { m_contentType = std::move(contentType); }
    // Content-Transfer-Encoding of the part; empty means "binary".
    void setEncoding(std::string encoding) { m_encoding = std::move(encoding); }
    // Copies the bytes: the caller's buffer may go away before the message is sent.
    void setData(const void* data, size_t size);

    const std::string& getContentId() const { return m_contentId; }
    const std::string& getContentType() const { return m_contentType; }
    const std::string& getEncoding() const { return m_encoding; }
    const std::string& getData() const { return m_data; }

    // The content ID without the angle brackets of its header form.
    std::string bareContentId() const;
    // "cid:" URL of the part (RFC 2392), as written into the href of xop:Include.
    std::string cidUrl() const;
    // A part can be sent only with a content ID, and with header values that cannot
    // break out of their MIME header line.
    bool isValid() const;

private:
    std::string m_contentId;
    std::string m_contentType;
    std::string m_encoding;
    std::string m_data;
};

// Content-ID of the root (envelope) part of an MTOM body.
constexpr const char* kMtomRootContentId = "rootpart@onvif";

// Assembles the multipart/related body (RFC 2387) of an MTOM message: the envelope as
// the root part, then each attachment, CRLF line ends. Picks a random boundary that
// occurs in none of the parts and returns the matching Content-Type header value.
// soapMediaType is the envelope's own media type ("application/soap+xml" for SOAP 1.2).
void buildMultipartRelated(const std::string& envelope, const std::vector<CSOAPPart>& parts,
                           const char* soapMediaType, std::string& body,
                           std::string& contentType);

} // namespace SOAPFramework
} // namespace Zentar
