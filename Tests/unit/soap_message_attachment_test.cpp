// CSOAPMessage on the wire: Content-Type, WS-Security grafting, HTTP digest credentials,
// and MTOM bodies with binary attachments.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "SOAPFramework/SOAPMessage.h"
#include "SOAPFramework/SOAPSecurity.h"

using namespace Zentar::SOAPFramework;

namespace {

const NSEntry kTable[] = {
    {"xop", "http://www.w3.org/2004/08/xop/include"},
    {"tt", "http://www.onvif.org/ver10/schema"},
    {"tds", "http://www.onvif.org/ver10/device/wsdl"},
    {nullptr, nullptr},
};
const NSEntry kTableWithoutXop[] = {
    {"tds", "http://www.onvif.org/ver10/device/wsdl"},
    {nullptr, nullptr},
};

size_t countElements(pugi::xml_node parent, const char* localName)
{
    size_t count = 0;
    for (pugi::xml_node child : parent.children()) {
        const char* colon = std::strchr(child.name(), ':');
        count += std::strcmp(colon != nullptr ? colon + 1 : child.name(), localName) == 0 ? 1 : 0;
    }
    return count;
}

// Fixes the WS-Security clock and nonce for the test's lifetime.
class CFixedSecurity {
public:
    CFixedSecurity()
    {
        setSecurityClock([] { return static_cast<time_t>(1700000000); });
        setSecurityNonceSource([] { return std::string(16, '\x5a'); });
    }
    ~CFixedSecurity()
    {
        setSecurityClock(nullptr);
        setSecurityNonceSource(nullptr);
    }
};

// One MIME part of a multipart body: its header block and its exact content.
struct SMimePart {
    std::string headers;
    std::string content;
};

// Splits a multipart/related body (RFC 2046) by the boundary of its Content-Type.
// Independent of the code under test, and strict: every delimiter must be CRLF "--" B.
bool splitMultipart(const std::string& body, const std::string& contentType,
                    std::vector<SMimePart>& parts)
{
    const std::string key = "boundary=\"";
    const size_t at = contentType.find(key);
    if (at == std::string::npos) {
        return false;
    }
    const size_t end = contentType.find('"', at + key.size());
    const std::string boundary = contentType.substr(at + key.size(), end - at - key.size());
    const std::string first = "--" + boundary + "\r\n";
    const std::string delimiter = "\r\n--" + boundary;
    if (boundary.empty() || body.compare(0, first.size(), first) != 0) {
        return false;
    }
    size_t cursor = first.size();
    for (;;) {
        const size_t next = body.find(delimiter, cursor);
        const size_t blank = body.find("\r\n\r\n", cursor);
        if (next == std::string::npos || blank == std::string::npos || blank > next) {
            return false;
        }
        parts.push_back({body.substr(cursor, blank + 2 - cursor), body.substr(blank + 4, next - blank - 4)});
        cursor = next + delimiter.size();
        if (body.compare(cursor, 4, "--\r\n") == 0) {
            return cursor + 4 == body.size();
        }
        if (body.compare(cursor, 2, "\r\n") != 0) {
            return false;
        }
        cursor += 2;
    }
}

// Every byte value, plus sequences that look like MIME structure.
std::string awkwardBytes()
{
    std::string data;
    for (int value = 0; value < 256; ++value) {
        data.push_back(static_cast<char>(value));
    }
    data += std::string("\r\n--MIMEBoundary_\r\n\r\n", 20);
    data.push_back('\0');
    data += "\r\n";
    return data;
}

} // namespace

// ---- plain requests and authorization -------------------------------------------------

TEST(SOAPMessageWire, PlainRequestIsSoap12WithItsMediaType)
{
    CSOAPMessage request(true, 2, 0);
    request.setNSURITable(kTable);
    request.set("/tds:GetWsdlUrl", nullptr);
    std::string body;
    std::string contentType;
    ASSERT_EQ(0, request.serialize(body, contentType));
    EXPECT_EQ("application/soap+xml; charset=utf-8", contentType);
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
              "xmlns:xop=\"http://www.w3.org/2004/08/xop/include\" xmlns:tt=\"http://www.onvif.org/ver10/schema\" "
              "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\"><s:Body><tds:GetWsdlUrl/></s:Body></s:Envelope>",
              body);
}

TEST(SOAPMessageWire, Soap11RequestUsesItsOwnNamespaceAndMediaType)
{
    CSOAPMessage request(true, 1, 0);
    std::string body;
    std::string contentType;
    ASSERT_EQ(0, request.serialize(body, contentType));
    EXPECT_EQ("text/xml; charset=utf-8", contentType);
    EXPECT_NE(std::string::npos, body.find("xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\""));
}

TEST(SOAPMessageWire, EmptyResponseHasNothingToSerialize)
{
    CSOAPMessage answer(nullptr);
    std::string body;
    std::string contentType;
    EXPECT_EQ(-1, answer.serialize(body, contentType));
}

TEST(SOAPMessageAuthorization, WsseSecurityIsGraftedOnceEvenWhenResigned)
{
    CFixedSecurity fixed;
    CSOAPMessage request(true, 2, 0);
    request.setNSURITable(kTable);
    request.setPathPrefix(SOAP_NODE_BODY);
    request.set("/tds:GetDeviceInformation", nullptr);
    ASSERT_EQ(0, request.addAuthorization("admin", "secret", false, 0, nullptr, AUTH_WSSE_DIGEST));
    ASSERT_EQ(0, request.addAuthorization("admin", "secret", true, 30, nullptr, AUTH_WSSE_DIGEST));

    std::string body;
    std::string contentType;
    ASSERT_EQ(0, request.serialize(body, contentType));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(body.c_str()));
    const pugi::xml_node envelope = document.document_element();
    EXPECT_STREQ("s:Header", envelope.first_child().name()) << "the Header precedes the Body";
    const pugi::xml_node header = envelope.child("s:Header");
    ASSERT_EQ(1u, countElements(header, "Security"));
    const pugi::xml_node security = header.first_child();
    EXPECT_EQ(1u, countElements(security, "Timestamp")) << "the second signing replaced the first";
    EXPECT_STREQ("admin", security.child("wsse:UsernameToken").child("wsse:Username").text().get());
    EXPECT_STREQ("2023-11-14T22:13:50Z", request.getAsCString("/Envelope/Header/Security/UsernameToken/Created"))
        << "device clock: fixed clock plus the 30 s offset";
    std::string user;
    std::string password;
    EXPECT_FALSE(request.getHttpDigest(user, password));
}

TEST(SOAPMessageAuthorization, HttpDigestOnlyRecordsCredentials)
{
    CSOAPMessage request(true, 2, 0);
    std::string before;
    std::string contentType;
    request.serialize(before, contentType);
    ASSERT_EQ(0, request.addAuthorization("operator", "p@ss", false, 0, nullptr, AUTH_HTTP_DIGEST));
    std::string user;
    std::string password;
    ASSERT_TRUE(request.getHttpDigest(user, password));
    EXPECT_EQ("operator", user);
    EXPECT_EQ("p@ss", password);
    std::string after;
    request.serialize(after, contentType);
    EXPECT_EQ(before, after);
}

TEST(SOAPMessageAuthorization, RefusedWhereItCannotApply)
{
    CSOAPMessage answer("<Envelope><Body/></Envelope>");
    EXPECT_EQ(-1, answer.addAuthorization("admin", "x", false, 0, nullptr, AUTH_WSSE_DIGEST));
    EXPECT_EQ(-1, answer.addAuthorization("admin", "x", false, 0, nullptr, AUTH_HTTP_DIGEST));
    CSOAPMessage request(true, 2, 0);
    EXPECT_EQ(-1, request.addAuthorization(nullptr, "x", false, 0, nullptr, AUTH_WSSE_DIGEST));
    EXPECT_EQ(-1, request.addAuthorization("admin", "x", false, 0, nullptr, static_cast<AuthorizationType>(7)));
    EXPECT_EQ(nullptr, request.getAsCString("/Envelope/Header")) << "no Header left behind";
}

// ---- MTOM attachments ---------------------------------------------------------------

class SOAPMessageAttachment : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, m_request.setNSURITable(kTable));
        ASSERT_EQ(0, m_request.setPathPrefix(SOAP_NODE_BODY));
        ASSERT_EQ(0, m_request.set("/tds:UpgradeSystemFirmware", ""));
    }
    void serializeAndSplit()
    {
        ASSERT_EQ(0, m_request.serialize(m_body, m_contentType));
        ASSERT_TRUE(splitMultipart(m_body, m_contentType, m_parts)) << m_body;
    }
    CSOAPMessage m_request{true, 2, SOAP_MODE_ATTACHMENT};
    std::string m_body;
    std::string m_contentType;
    std::vector<SMimePart> m_parts;
};

TEST_F(SOAPMessageAttachment, FirmwareTravelsAsABinaryPartReferencedByCid)
{
    const std::string data = awkwardBytes();
    CSOAPPart part("<http://tempuri.org/0>", "application/octet-stream", "");
    part.setData(data.data(), data.size());
    ASSERT_EQ(0, m_request.set("/tds:UpgradeSystemFirmware/tds:Firmware/xop:Include/@href", part));
    serializeAndSplit();

    EXPECT_EQ(0u, m_contentType.rfind("multipart/related; type=\"application/xop+xml\"; "
                                      "start=\"<rootpart@onvif>\"; start-info=\"application/soap+xml\"; boundary=\"", 0));
    ASSERT_EQ(2u, m_parts.size());
    EXPECT_NE(std::string::npos, m_parts[0].headers.find(
        "Content-Type: application/xop+xml; charset=UTF-8; type=\"application/soap+xml\"\r\n"));
    EXPECT_NE(std::string::npos, m_parts[0].headers.find("Content-ID: <rootpart@onvif>\r\n"));
    EXPECT_NE(std::string::npos, m_parts[0].headers.find("Content-Transfer-Encoding: binary\r\n"));

    CSOAPMessage root(nullptr);
    ASSERT_EQ(0, root.parse(m_parts[0].content.data(), m_parts[0].content.size()));
    EXPECT_STREQ("cid:http://tempuri.org/0",
                 root.getAsCString("/Envelope/Body/UpgradeSystemFirmware/Firmware/Include/@href"));

    EXPECT_NE(std::string::npos, m_parts[1].headers.find("Content-ID: <http://tempuri.org/0>\r\n"));
    EXPECT_NE(std::string::npos, m_parts[1].headers.find("Content-Type: application/octet-stream\r\n"));
    EXPECT_NE(std::string::npos, m_parts[1].headers.find("Content-Transfer-Encoding: binary\r\n"));
    EXPECT_EQ(data, m_parts[1].content) << "every byte, NULs and CRLFs included";
}

TEST_F(SOAPMessageAttachment, ElementPathGetsAnIncludeChildAndPartsAreKeyedById)
{
    CSOAPMessage request(true, 2, SOAP_MODE_ATTACHMENT);
    request.setNSURITable(kTableWithoutXop);
    request.setPathPrefix(SOAP_NODE_BODY);
    request.set("/tds:RestoreSystem", nullptr);
    ASSERT_EQ(0, request.set("./tds:BackupFiles[%d]/tds:Data", CSOAPPart("a@x", "", "first"), 0));
    ASSERT_EQ(0, request.set("./tds:BackupFiles[%d]/tds:Data", CSOAPPart("b 1@x", "text/plain", "two"), 1));
    ASSERT_EQ(0, request.set("./tds:BackupFiles[%d]/tds:Data", CSOAPPart("a@x", "", "replaced"), 0));

    ASSERT_EQ(0, request.serialize(m_body, m_contentType));
    ASSERT_TRUE(splitMultipart(m_body, m_contentType, m_parts));
    ASSERT_EQ(3u, m_parts.size()) << "a part with a known ID replaces the old one";
    EXPECT_EQ("replaced", m_parts[1].content);
    EXPECT_EQ("two", m_parts[2].content);
    EXPECT_NE(std::string::npos, m_parts[2].headers.find("Content-Type: text/plain\r\n"));

    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(m_parts[0].content.data(), m_parts[0].content.size()));
    const pugi::xml_node second = document.document_element().child("s:Body")
                                      .child("tds:RestoreSystem").child("tds:BackupFiles")
                                      .next_sibling("tds:BackupFiles");
    const pugi::xml_node include = second.child("tds:Data").child("xop:Include");
    ASSERT_TRUE(include);
    EXPECT_STREQ("cid:b%201@x", include.attribute("href").value()) << "URL-encoded content ID";
    EXPECT_STREQ("http://www.w3.org/2004/08/xop/include", include.attribute("xmlns:xop").value())
        << "declared where used when the table lacks xop";
}

TEST_F(SOAPMessageAttachment, BoundaryIsAbsentFromEveryPart)
{
    CSOAPPart part("fw@onvif", "application/octet-stream", std::string(4096, '-') + awkwardBytes());
    ASSERT_EQ(0, m_request.set("./tds:Firmware", part));
    serializeAndSplit();
    const size_t at = m_contentType.find("boundary=\"") + 10;
    const std::string boundary = m_contentType.substr(at, m_contentType.find('"', at) - at);
    EXPECT_GE(boundary.size(), 20u);
    for (const SMimePart& mime : m_parts) {
        EXPECT_EQ(std::string::npos, mime.content.find(boundary));
    }
    std::string again;
    std::string otherType;
    ASSERT_EQ(0, m_request.serialize(again, otherType));
    EXPECT_NE(m_contentType, otherType) << "a fresh random boundary each time";
}

struct SBadPartCase {
    const char* reason;
    CSOAPPart part;
};

TEST_F(SOAPMessageAttachment, UnsendablePartsAreRefused)
{
    const SBadPartCase cases[] = {
        {"no content ID", CSOAPPart("", "application/octet-stream", "x")},
        {"empty brackets", CSOAPPart("<>", "application/octet-stream", "x")},
        {"header injection in the ID", CSOAPPart("a@b\r\nX-Evil: 1", "", "x")},
        {"header injection in the type", CSOAPPart("a@b", "text/plain\r\n\r\nbody", "x")},
    };
    for (const SBadPartCase& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(-1, m_request.set("./tds:Firmware", c.part));
    }
    EXPECT_NE(0, m_request.getLastError());
    EXPECT_EQ(nullptr, m_request.getAsCString("./tds:Firmware")) << "nothing half-written";

    CSOAPMessage plain(true, 2, 0);
    plain.setNSURITable(kTable);
    EXPECT_EQ(-1, plain.set("/tds:Op", CSOAPPart("a@b", "", "x"))) << "plain mode has no attachments";
    EXPECT_NE(0, plain.getLastError());
}
