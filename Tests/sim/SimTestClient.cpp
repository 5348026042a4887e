#include "SimTestClient.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>

namespace SimTest {
namespace {

size_t OnBody(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto* reply = static_cast<CReply*>(user);
    std::string line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0)
        reply->headers.clear();   // a new status line (after 100 or 401): keep the last answer's headers
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        while (!value.empty() && (value.back() == '\r' || value.back() == '\n'))
            value.pop_back();
        reply->headers.emplace_back(line.substr(0, colon), value);
    }
    return size * count;
}

std::string Base64(const unsigned char* data, size_t size)
{
    std::string out(4 * ((size + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]), data, static_cast<int>(size));
    out.resize(static_cast<size_t>(n));
    return out;
}

} // namespace

std::vector<std::string> CReply::headerValues(const std::string& name) const
{
    std::vector<std::string> out;
    for (const auto& [key, value] : headers)
        if (strcasecmp(key.c_str(), name.c_str()) == 0)
            out.push_back(value);
    return out;
}

std::string CReply::header(const std::string& name) const
{
    auto values = headerValues(name);
    return values.empty() ? std::string() : values.front();
}

CHttpClient::CHttpClient() : m_curl(curl_easy_init()) {}
CHttpClient::~CHttpClient() { curl_easy_cleanup(static_cast<CURL*>(m_curl)); }

CReply CHttpClient::post(const std::string& url, const std::string& body, const COptions& options)
{
    return perform(url, &body, options);
}

CReply CHttpClient::get(const std::string& url) { return perform(url, nullptr, {}); }

CReply CHttpClient::perform(const std::string& url, const std::string* body, const COptions& options)
{
    CURL* curl = static_cast<CURL*>(m_curl);
    CReply reply;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/soap+xml; charset=utf-8");
    for (const auto& h : options.headers)
        headers = curl_slist_append(headers, h.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_HTTPGET, body ? 0L : 1L);
    if (body) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body->size()));
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.timeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    if (!options.digestUser.empty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_DIGEST);
        curl_easy_setopt(curl, CURLOPT_USERNAME, options.digestUser.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, options.digestPassword.c_str());
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_NONE);
        curl_easy_setopt(curl, CURLOPT_USERNAME, nullptr);
        curl_easy_setopt(curl, CURLOPT_PASSWORD, nullptr);
    }
    reply.curlCode = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &reply.newConnections);
    curl_slist_free_all(headers);
    return reply;
}

CReply Post(const std::string& url, const std::string& body, const COptions& options)
{
    CHttpClient client;
    return client.post(url, body, options);
}

namespace {

// True once `bytes` hold a whole answer: its head and as much body as Content-Length says.
bool HoldsOneAnswer(const std::string& bytes)
{
    const size_t head = bytes.find("\r\n\r\n");
    if (head == std::string::npos)
        return false;
    std::string lower = bytes.substr(0, head);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t field = lower.find("\r\ncontent-length:");
    const size_t length = field == std::string::npos ? 0 : std::strtoul(lower.c_str() + field + 17, nullptr, 10);
    return bytes.size() >= head + 4 + length;
}

CRawResult Exchange(unsigned short port, const std::string& request, int waitMs, size_t maxBytes, bool oneAnswer)
{
    CRawResult result;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0)
            close(fd);
        return result;
    }
    for (size_t sent = 0; sent < request.size();) {
        ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    char buffer[65536];
    while (result.bytes.size() < maxBytes) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            result.closed = true;
            break;
        }
        result.bytes.append(buffer, static_cast<size_t>(n));
        if (oneAnswer && HoldsOneAnswer(result.bytes))
            break;
    }
    close(fd);
    return result;
}

} // namespace

CRawResult RawExchange(unsigned short port, const std::string& request, int waitMs, size_t maxBytes)
{
    return Exchange(port, request, waitMs, maxBytes, false);
}

CRawResult RawAnswer(unsigned short port, const std::string& request, int waitMs)
{
    return Exchange(port, request, waitMs, 1 << 20, true);
}

std::string Envelope(const std::string& body, const std::string& header)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\">" +
           (header.empty() ? std::string() : "<s:Header>" + header + "</s:Header>") + "<s:Body>" + body +
           "</s:Body></s:Envelope>";
}

std::string DeviceCall(const std::string& operation, const std::string& inner)
{
    return "<d:" + operation + " xmlns:d=\"http://www.onvif.org/ver10/device/wsdl\" "
           "xmlns:t=\"http://www.onvif.org/ver10/schema\">" + inner + "</d:" + operation + ">";
}

std::string Call(const std::string& ns, const std::string& operation, const std::string& inner)
{
    return Envelope("<m:" + operation + " xmlns:m=\"" + ns + "\" xmlns:t=\"http://www.onvif.org/ver10/schema\">" +
                    inner + "</m:" + operation + ">");
}

std::string XsDateTime(long long epoch)
{
    time_t t = static_cast<time_t>(epoch);
    tm utc{};
    gmtime_r(&t, &utc);
    char buf[32];
    strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buf;
}

long long NowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch()).count();
}

std::string WsseHeader(const std::string& user, const std::string& password, const std::string& created,
                       const std::string& nonceIn, bool passwordText)
{
    std::string nonce = nonceIn;
    if (nonce.empty()) {
        unsigned char raw[16];
        RAND_bytes(raw, sizeof raw);
        nonce.assign(reinterpret_cast<char*>(raw), sizeof raw);
    }
    std::string material = nonce + created + password;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(material.data(), material.size(), digest, &len, EVP_sha1(), nullptr);
    std::string pass = passwordText ? password : Base64(digest, len);
    const char* type = passwordText ? "#PasswordText" : "#PasswordDigest";
    return "<wsse:Security s:mustUnderstand=\"1\" "
           "xmlns:wsse=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\" "
           "xmlns:wsu=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd\">"
           "<wsse:UsernameToken><wsse:Username>" + user + "</wsse:Username>"
           "<wsse:Password Type=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0" +
           type + "\">" + pass + "</wsse:Password>"
           "<wsse:Nonce EncodingType=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary\">" +
           Base64(reinterpret_cast<const unsigned char*>(nonce.data()), nonce.size()) + "</wsse:Nonce>"
           "<wsu:Created>" + created + "</wsu:Created></wsse:UsernameToken></wsse:Security>";
}

Json::Value BaseDescription()
{
    Json::Value d;
    d["name"] = "test-device";
    d["services"]["device"] = Json::nullValue;
    d["services"]["media"] = Json::nullValue;
    const char* users[][3] = {{"admin", "adminpw", "Administrator"}, {"op", "oppw", "Operator"},
                              {"viewer", "viewerpw", "User"}};
    for (auto& u : users) {
        Json::Value user;
        user["name"] = u[0];
        user["password"] = u[1];
        user["level"] = u[2];
        d["users"].append(user);
    }
    d["auth"]["mode"] = "either";
    d["timezone"] = "CST-8";
    return d;
}

bool ParseXml(const std::string& text, pugi::xml_document& doc)
{
    return static_cast<bool>(doc.load_buffer(text.data(), text.size()));
}

pugi::xml_node FindLocal(pugi::xml_node root, const std::string& local)
{
    return root.find_node([&](pugi::xml_node n) {
        std::string name = n.name();
        size_t colon = name.find(':');
        return n.type() == pugi::node_element && (colon == std::string::npos ? name : name.substr(colon + 1)) == local;
    });
}

std::string NamespaceUri(pugi::xml_node element)
{
    std::string name = element.name();
    size_t colon = name.find(':');
    std::string attr = colon == std::string::npos ? "xmlns" : "xmlns:" + name.substr(0, colon);
    for (pugi::xml_node n = element; n; n = n.parent())
        if (pugi::xml_attribute a = n.attribute(attr.c_str()))
            return a.value();
    return {};
}

std::string Text(pugi::xml_node root, const std::string& local)
{
    return FindLocal(root, local).text().get();
}

std::vector<std::string> FaultSubcodes(const std::string& answer)
{
    pugi::xml_document doc;
    std::vector<std::string> out;
    if (!ParseXml(answer, doc))
        return out;
    for (pugi::xml_node sub = FindLocal(doc, "Subcode"); sub; sub = FindLocal(sub, "Subcode")) {
        std::string value = Text(sub, "Value");
        out.push_back(value.substr(value.find(':') + 1));
        if (!FindLocal(sub, "Subcode"))
            break;
    }
    return out;
}

} // namespace SimTest
