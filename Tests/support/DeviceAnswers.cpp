#include "DeviceAnswers.h"

#include <openssl/evp.h>

#include <map>
#include <regex>

namespace OnvifTest {

namespace {
std::string digestHex(const EVP_MD* md, const std::string& data, bool base64)
{
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(data.data(), data.size(), out, &len, md, nullptr);
    if (base64) {
        std::string b64(4 * ((len + 2) / 3) + 1, '\0');
        int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&b64[0]), out, static_cast<int>(len));
        b64.resize(static_cast<size_t>(n));
        return b64;
    }
    static const char* hex = "0123456789abcdef";
    std::string s;
    for (unsigned i = 0; i < len; ++i) {
        s += hex[out[i] >> 4];
        s += hex[out[i] & 15];
    }
    return s;
}

std::string base64Decode(const std::string& text)
{
    std::string out(text.size(), '\0');
    int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                            reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (n < 0)
        return {};
    size_t pad = 0;
    for (size_t i = text.size(); i > 0 && text[i - 1] == '='; --i)
        ++pad;
    out.resize(static_cast<size_t>(n) - pad);
    return out;
}

// Parameters of "Digest a=b, c="d"" in a map.
std::map<std::string, std::string> digestParams(const std::string& header)
{
    std::map<std::string, std::string> params;
    static const std::regex kParam(R"re((\w+)\s*=\s*(?:"([^"]*)"|([^,\s]+)))re");
    for (std::sregex_iterator it(header.begin(), header.end(), kParam), end; it != end; ++it)
        params[(*it)[1]] = (*it)[2].matched ? (*it)[2].str() : (*it)[3].str();
    return params;
}
} // namespace

std::string md5Hex(const std::string& data)
{
    return digestHex(EVP_md5(), data, false);
}

std::string soapEnvelope(const std::string& bodyXml)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\" xmlns:tt=\"http://www.onvif.org/ver10/schema\" "
           "xmlns:ter=\"http://www.onvif.org/ver10/error\">"
           "<SOAP-ENV:Body>" +
           bodyXml + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string soapFault(const std::string& subcode, const std::string& reason)
{
    return soapEnvelope("<SOAP-ENV:Fault><SOAP-ENV:Code><SOAP-ENV:Value>SOAP-ENV:Sender</SOAP-ENV:Value>"
                        "<SOAP-ENV:Subcode><SOAP-ENV:Value>" +
                        subcode +
                        "</SOAP-ENV:Value></SOAP-ENV:Subcode></SOAP-ENV:Code>"
                        "<SOAP-ENV:Reason><SOAP-ENV:Text xml:lang=\"en\">" +
                        reason + "</SOAP-ENV:Text></SOAP-ENV:Reason></SOAP-ENV:Fault>");
}

HttpReply notAuthorizedFault(int httpStatus)
{
    return HttpReply::soap(httpStatus, soapFault("ter:NotAuthorized", "Sender not Authorized"));
}

std::string elementText(const std::string& xml, const std::string& localName)
{
    std::regex re("<(?:[A-Za-z0-9_-]+:)?" + localName + R"((?:\s[^>]*)?>([^<]*)<)");
    std::smatch m;
    return std::regex_search(xml, m, re) ? m[1].str() : std::string();
}

bool hasWsseHeader(const std::string& body)
{
    return body.find("UsernameToken") != std::string::npos;
}

bool wsseDigestValid(const std::string& body, const std::string& user, const std::string& password)
{
    std::string nonce = base64Decode(elementText(body, "Nonce"));
    std::string created = elementText(body, "Created");
    std::string digest = elementText(body, "Password");
    if (elementText(body, "Username") != user || nonce.empty() || created.empty())
        return false;
    return digest == digestHex(EVP_sha1(), nonce + created + password, true);
}

HttpReply digestChallenge(const std::string& realm, const std::string& nonce)
{
    HttpReply r = notAuthorizedFault(401);
    r.headers.emplace_back("WWW-Authenticate",
                           "Digest realm=\"" + realm + "\", qop=\"auth\", nonce=\"" + nonce + "\", algorithm=MD5");
    return r;
}

bool httpDigestValid(const HttpRequest& request, const std::string& user, const std::string& password,
                     const std::string& realm, const std::string& nonce)
{
    std::string auth = request.header("authorization");
    if (auth.rfind("Digest ", 0) != 0)
        return false;
    auto p = digestParams(auth);
    if (p["username"] != user || p["realm"] != realm || p["nonce"] != nonce)
        return false;
    std::string ha1 = md5Hex(user + ":" + realm + ":" + password);
    std::string ha2 = md5Hex(request.method + ":" + p["uri"]);
    std::string expected = p.count("qop") ? md5Hex(ha1 + ":" + nonce + ":" + p["nc"] + ":" + p["cnonce"] + ":" +
                                                   p["qop"] + ":" + ha2)
                                          : md5Hex(ha1 + ":" + nonce + ":" + ha2);
    return p["response"] == expected;
}

} // namespace OnvifTest
