#pragma once
// Test-side clients for the simulator, written independently of it: libcurl for HTTP(S),
// a raw socket for byte-level checks, and WS-Security tokens computed with OpenSSL EVP.
#include <json/value.h>
#include <pugixml.hpp>

#include <string>
#include <utility>
#include <vector>

namespace SimTest {

struct CReply {
    int curlCode = 0;          // CURLE_OK is 0
    long status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    long newConnections = 0;   // connections curl opened for this request

    std::vector<std::string> headerValues(const std::string& name) const;
    std::string header(const std::string& name) const;
};

struct COptions {
    std::string digestUser, digestPassword;   // curl's own digest handling
    std::vector<std::string> headers;         // extra raw "Name: value" lines
    long timeoutMs = 10000;
};

inline COptions DigestAs(const std::string& user, const std::string& password)
{
    COptions o;
    o.digestUser = user;
    o.digestPassword = password;
    return o;
}

inline COptions WithHeader(const std::string& line)
{
    COptions o;
    o.headers.push_back(line);
    return o;
}

// One curl handle: consecutive calls reuse its connection like a keep-alive client.
class CHttpClient {
public:
    CHttpClient();
    ~CHttpClient();
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;
    CReply post(const std::string& url, const std::string& body, const COptions& options = {});
    CReply get(const std::string& url);

private:
    CReply perform(const std::string& url, const std::string* body, const COptions& options);
    void* m_curl;
};

CReply Post(const std::string& url, const std::string& body, const COptions& options = {});

// Raw TCP to 127.0.0.1:port: sends bytes, then reads until the peer closes, `maxBytes`
// arrived or `waitMs` passed. `closed` tells whether the peer closed.
struct CRawResult {
    std::string bytes;
    bool closed = false;
};
CRawResult RawExchange(unsigned short port, const std::string& request, int waitMs, size_t maxBytes = 1 << 20);
// The same, but done as soon as one whole answer (head and Content-Length body) is in, so a
// server that keeps the connection open does not cost the whole wait.
CRawResult RawAnswer(unsigned short port, const std::string& request, int waitMs);

// SOAP 1.2 envelope around a body (and optional header) fragment.
std::string Envelope(const std::string& body, const std::string& header = "");
// <tds:NAME/> or with inner content, in the device namespace.
std::string DeviceCall(const std::string& operation, const std::string& inner = "");
// A whole envelope around <m:NAME> in namespace ns; inner content may use m: and t: (tt).
std::string Call(const std::string& ns, const std::string& operation, const std::string& inner = "");
// A wsse:Security header. created is an xs:dateTime; nonce raw bytes (random when empty).
std::string WsseHeader(const std::string& user, const std::string& password, const std::string& created,
                       const std::string& nonce = "", bool passwordText = false);
std::string XsDateTime(long long epochSeconds);
long long NowSeconds();

// A valid description with users admin/adminpw (Administrator), op/oppw (Operator),
// viewer/viewerpw (User), auth "either".
Json::Value BaseDescription();

// Parses a SOAP answer; ASSERTs are left to the caller (returns false when not XML).
bool ParseXml(const std::string& text, pugi::xml_document& doc);
// First element anywhere below `root` with this local name, and its namespace URI.
pugi::xml_node FindLocal(pugi::xml_node root, const std::string& local);
std::string NamespaceUri(pugi::xml_node element);
std::string Text(pugi::xml_node root, const std::string& local);   // text of FindLocal
// "ter:NotAuthorized" style subcode values in order, resolved to local names.
std::vector<std::string> FaultSubcodes(const std::string& answer);

} // namespace SimTest

#include "OnvifSim/SimServer.h"

#include <gtest/gtest.h>

namespace SimTest {

// Starts a device from a description on a free loopback port; fails the test if it cannot.
inline std::shared_ptr<OnvifSim::CSimDevice> StartDevice(OnvifSim::CSimServer& server, const Json::Value& json)
{
    std::string error;
    auto device = server.addDevice(json, &error);
    EXPECT_TRUE(device) << error;
    return device;
}

// The local name of the fault's env:Code/env:Value, or empty when the answer is no fault.
inline std::string FaultCode(const std::string& answer)
{
    pugi::xml_document doc;
    if (!ParseXml(answer, doc) || !FindLocal(doc, "Fault"))
        return {};
    std::string value = Text(FindLocal(doc, "Code"), "Value");
    return value.substr(value.find(':') + 1);
}

} // namespace SimTest
