#pragma once
// A SOAP envelope to build (a request) or to read (a device's answer), addressed with
// short paths instead of DOM calls. The XML library stays behind the pimpl.
//
// Paths, in brief (the full grammar is in SOAPPath.h):
//   "/tds:GetCapabilities"             under the selected section root (Body or Header)
//   "./tds:Category"                    under the current node: the operation element for
//                                       the Body, the response element, or the Header
//   "/Envelope/Body/GetWsdlUrlResponse" from the document, whatever is selected
//   "./tt:Profiles[%d]/tt:Name"         "[%d]" slots take i, then j; "[2]" is literal
//   "./tt:VideoEncoderConfiguration/@token", "../tt:Name"
// Reading matches every step by local name, whatever prefix (or default namespace) the
// device chose. Writing creates what is missing; a prefix must be declared through
// setNSURITable. An index slot on a write may address an existing element or append
// one (index == current count); a larger index fails instead of padding with empties.
#include <cstddef>
#include <memory>
#include <string>

#include "SOAPFramework/SOAPPart.h"

namespace Zentar {
namespace SOAPFramework {

enum SoapNode {
    SOAP_NODE_ENVELOPE = 0,
    SOAP_NODE_HEADER = 1,
    SOAP_NODE_BODY = 2,
    SOAP_NODE_RESPONSE = 3
};

enum AuthorizationType { AUTH_WSSE_DIGEST = 0, AUTH_WSSE_TEXT = 1, AUTH_HTTP_DIGEST = 2 };

// Prefix-to-URI table; ends with {nullptr, nullptr}.
struct NSEntry {
    const char* prefix;
    const char* uri;
};

// Request modes of the (request, version, soapMode) constructor.
enum SoapMode { SOAP_MODE_PLAIN = 0, SOAP_MODE_ATTACHMENT = 1 };

// Largest message text parse() accepts.
constexpr size_t kMaxSoapMessageSize = 16u * 1024u * 1024u;

class CSOAPMessage {
public:
    // A request to build. version 2 is SOAP 1.2, 1 is SOAP 1.1 (anything else: 1.2);
    // soapMode SOAP_MODE_ATTACHMENT sends the envelope as MTOM with attachments.
    CSOAPMessage(bool request, int version, int soapMode);
    // A message to read; text may be null for an empty message awaiting parse().
    explicit CSOAPMessage(const char* text);
    ~CSOAPMessage();
    CSOAPMessage(const CSOAPMessage&) = delete;
    CSOAPMessage& operator=(const CSOAPMessage&) = delete;

    // 0, or -1 for a null table or an entry that is not a usable prefix and URI.
    int setNSURITable(const NSEntry* table);
    // Selects where paths start (SoapNode). 0, or -1 when that node is missing.
    int setPathPrefix(int soapNode);

    // Writers return 0 or -1; any failure is remembered by getLastError().
    // isText false: value is an XML fragment appended inside the element.
    int set(const char* path, const char* value, bool isText = true, int i = -1, int j = -1);
    int set(const char* path, int value, int i = -1, int j = -1);
    int set(const char* path, double value, int i = -1, int j = -1);
    int set(const char* path, bool value, int i = -1, int j = -1);
    // Links an attachment: a path ending in an attribute ("xop:Include/@href") receives
    // "cid:ID"; a path ending in an element gets an <xop:Include href="cid:ID"/> child.
    // Attachment mode only.
    int set(const char* path, const CSOAPPart& part, int i = -1, int j = -1);
    int getLastError() const;

    // Readers set getLastCode(): 0 found, -1 missing, unparsable or a bad path.
    // The pointer stays valid until the message changes or is destroyed.
    const char* getAsCString(const char* path, int i = -1, int j = -1);
    int getAsInt(const char* path, int i = -1, int j = -1);
    double getAsDouble(const char* path, int i = -1, int j = -1);
    bool getAsBool(const char* path, int i = -1, int j = -1);
    // Matches of the last step: siblings of that name under the node the rest of the
    // path reaches (its own index, if any, is ignored); 0 when that node is missing.
    int getArraySize(const char* path, int i = -1, int j = -1);
    // Copies the text, truncated and always NUL-terminated. 0 found, -1 otherwise.
    int get(const char* path, char* buffer, size_t size, int i = -1, int j = -1);
    // 0 when found and parsable; value is left alone otherwise.
    int get(const char* path, int& value, int i = -1, int j = -1);
    int get(const char* path, bool& value, int i = -1, int j = -1);
    // Local name of the index-th element child of the node at path; null if none.
    const char* getChildName(const char* path, int index);

    // Replaces the content with text. 0, or -1 for malformed XML, a DOCTYPE, more than
    // kMaxSoapMessageSize bytes, or no Envelope with a Body. Sets getLastCode().
    int parse(const char* text, size_t length);
    int getLastCode() const;
    void setLastCode(int code);

    std::string print() const;

    // WS-Security (types 0 and 1) replaces any Security header already present; HTTP
    // digest (type 2) only records the credentials for the transport. -1 on a response
    // message, a null user or an unknown type.
    int addAuthorization(const char* user, const char* password, bool useStamp,
                         int timeDifference, const void* reserved, AuthorizationType type);
    bool getHttpDigest(std::string& user, std::string& password) const;

    // The HTTP body and its Content-Type: the envelope, or the MTOM multipart body in
    // attachment mode. 0, or -1 when there is no document to send.
    int serialize(std::string& body, std::string& contentType) const;

private:
    class CImpl;
    std::unique_ptr<CImpl> m_impl;
};

} // namespace SOAPFramework
} // namespace Zentar
