#include "Base/HTTPClient/HttpClient.h"

#include "Base/HTTPClient/RPCHttpAuth.h"
#include "Infra/Time.h"
#include "NetFramework/StrParser.h"
#include "NetFramework/TcpClient.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "Utils/Base64.h"

#include <strings.h>

#include <vector>

namespace RPC {

using namespace RPC::Onvif;
using Zentar::NetFramework::CStrParser;
using Zentar::NetProtocol::CHttpMsgCreator;
using Zentar::NetProtocol::CHttpParser;
using Zentar::NetProtocol::HTTP_PARSE_END;
using Zentar::NetProtocol::HTTP_PARSE_MORE;
using Zentar::NetProtocol::HTTP_PARSE_SUCCESS;

using Zentar::NetFramework::CTcpClient;

namespace {

constexpr int kConnectTimeoutMs = 5000;

// However patient each single wait is, one response may not take longer than this in
// all: a peer dripping a byte every few seconds must not hold the caller forever.
constexpr uint64_t kMaxResponseMs = 120000;
constexpr size_t kLoggedBytes = 256;
const char kAuthLine[] = "\r\nAuthorization: ";

// Where the header block's closing blank line starts ("\r\n\r\n" -> the second CRLF).
size_t blankLineOf(const std::string& request)
{
    size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string::npos : end + 2;
}

// The position of the "Authorization: " line inside the header block, or npos.
size_t authLineOf(const std::string& request)
{
    size_t blank = blankLineOf(request);
    if (blank == std::string::npos) return std::string::npos;
    const char* hit = CStrParser::MemMemCase(request.data(), blank, kAuthLine, sizeof kAuthLine - 1);
    return hit ? static_cast<size_t>(hit - request.data()) + 2 : std::string::npos;
}

// Puts "Authorization: value" into the request: in place of the line already there, or
// as the last header.
std::string withAuthorization(const std::string& request, const std::string& value)
{
    const std::string line = "Authorization: " + value + "\r\n";
    std::string out = request;
    size_t at = authLineOf(out);
    if (at != std::string::npos) {
        size_t end = out.find("\r\n", at);
        out.replace(at, end + 2 - at, line);
    } else {
        out.insert(blankLineOf(out), line);
    }
    return out;
}

// The received bytes for a log line: one line of printable text, and not the whole of a
// large picture.
std::string loggable(const char* data, size_t len)
{
    std::string out(data, std::min(len, kLoggedBytes));
    for (auto& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) c = '.';
    return out;
}

// Of several challenges the device may offer, Digest is preferred: our Basic
// credentials already went with the first request and were refused.
std::string pickChallenge(const CHttpParser& response)
{
    const char* first = response.Value("WWW-Authenticate");
    for (size_t i = 0; i < 16; ++i) {
        const char* value = response.Value("WWW-Authenticate", i);
        if (value == nullptr) break;
        CRPCHttpAuth probe;
        probe.SetWWWAuthenticate(value);
        if (probe.GetScheme() == CRPCHttpAuth::SCHEME_DIGEST) return value;
    }
    return first ? first : std::string();
}

} // namespace

std::string hostHeaderValue(const std::string& address, int port, bool tls)
{
    // An IPv6 literal is bracketed or its colons would run into the port.
    const bool bare6 = address.find(':') != std::string::npos && address[0] != '[';
    const std::string host = bare6 ? "[" + address + "]" : address;
    return port == (tls ? 443 : 80) ? host : host + ":" + std::to_string(port);
}

CHttpClient::CHttpClient(const Zentar::Component::ServerInfo& info) : m_info(info) {}

CHttpClient::~CHttpClient() = default;

std::string buildAuthorizedRequest(const CHttpParser& response, const std::string& firstRequest,
                                   const std::string& user, const std::string& password)
{
    const std::string challenge = pickChallenge(response);
    if (challenge.empty() || firstRequest.empty() || blankLineOf(firstRequest) == std::string::npos)
        return std::string();

    CRPCHttpAuth auth;
    auth.SetWWWAuthenticate(challenge);
    // The caller's own credentials were refused: answering Basic with them again is futile.
    if (authLineOf(firstRequest) != std::string::npos && auth.GetScheme() == CRPCHttpAuth::SCHEME_BASIC)
        return std::string();

    CHttpParser request;
    if (request.Parse(firstRequest.data(), firstRequest.size()) != 0 || request.GetReqMethod() == nullptr ||
        request.GetURI() == nullptr)
        return std::string();
    auth.SetUserInfo(user, password);
    auth.SetURI(request.GetURI());
    auth.SetMethod(request.GetReqMethod());
    std::string value;
    if (!auth.GetAuthorization(value)) return std::string();
    return withAuthorization(firstRequest, value);
}

int CHttpClient::downLoad(CHttpMsgCreator& msgCreator, std::unique_ptr<CHttpParser>& httpParser)
{
    Zentar::Infra::CGuard guard(m_mutex);
    httpParser.reset();

    const std::string hostValue = hostHeaderValue(m_info.address, m_info.port, m_tls);
    if (!msgCreator.SetValue("Host", hostValue.c_str()) || !msgCreator.SetValue("Connection", "Keep-Alive")) {
        ONVIF_LOG(LOG_ERROR, "CHttpClient::downLoad invalid host[%s]\n", m_info.address.c_str());
        return -1;
    }
    size_t length = 0;
    const char* text = msgCreator.GetMsg(length);
    if (text == nullptr || length == 0 || blankLineOf(std::string(text, length)) == std::string::npos) {
        ONVIF_LOG(LOG_ERROR, "CHttpClient::sendMsg msgCreator length  == 0\n");
        return -1;
    }
    const std::string firstRequest(text, length);
    if (m_info.userName.size() + m_info.password.size() > kMaxHttpCredentialChars) {
        ONVIF_LOG(LOG_ERROR, "CHttpClient::downLoad user info too long: %zu characters, at most %zu\n",
                  m_info.userName.size() + m_info.password.size(), kMaxHttpCredentialChars);
        return -1;
    }

    // Basic credentials go with the first request, before any challenge: most devices
    // accept them and the exchange then takes one round trip.
    std::string request = firstRequest;
    if (authLineOf(request) == std::string::npos && !m_info.userName.empty()) {
        const std::string pair = m_info.userName + ":" + m_info.password;
        request = withAuthorization(request, "Basic " + Zentar::Utils::base64Encode(pair.data(), pair.size()));
    }

    httpParser.reset(new CHttpParser());
    if (exchange(request, *httpParser) != 0) return -1;

    const int status = httpParser->GetStatusCode();
    if (status == 200 || status == 204) {
        ONVIF_LOG(LOG_INFO, "GetStatusCode %d!\n", status);
        return 0;
    }
    if (status != 401) {
        ONVIF_LOG(LOG_ERROR, "GetStatusCode not 200 or 204 or 401!\n");
        return -1;
    }

    // One retry on a new connection, answering the challenge; its status is the caller's
    // to judge.
    const std::string retry = buildAuthorizedRequest(*httpParser, firstRequest, m_info.userName, m_info.password);
    if (retry.empty()) {
        ONVIF_LOG(LOG_ERROR, "GetRetryBuf!\n");
        return -1;
    }
    httpParser->Reset();
    return exchange(retry, *httpParser);
}

// Connect, send one request, read one response, close. 0 when a response was read.
int CHttpClient::exchange(const std::string& request, CHttpParser& parser)
{
    ONVIF_LOG(LOG_INFO, "connectEndpoint, ip[%s],port[%d]\n", m_info.address.c_str(), m_info.port);
    CTcpClient connection;
    if (!connection.connect(m_info.address, m_info.port, m_tls, kConnectTimeoutMs, static_cast<int>(m_timeoutMs))) {
        if (connection.failure() == CTcpClient::FAIL_TIMEOUT)
            ONVIF_LOG(LOG_ERROR, "CSOAPTransport::connectEndpoint timeout!\n");
        ONVIF_LOG(LOG_ERROR, "connectEndpoint, %s\n", connection.error().c_str());
        ONVIF_LOG(LOG_ERROR, "err, creat iHttpSocket error\n");
        return -1;
    }
    if (!connection.sendAll(request.data(), request.size(), static_cast<int>(m_timeoutMs))) {
        ONVIF_LOG(LOG_ERROR, "CHttpClient::exchange %s\n", connection.error().c_str());
        return -1;
    }
    return receiveResponse(connection, parser);
}

int CHttpClient::receiveResponse(CTcpClient& connection, CHttpParser& parser)
{
    std::vector<char> buffer(kRecvBufferSize);
    const uint64_t deadline = Zentar::Infra::CTime::getCurrentMilliSecond() + kMaxResponseMs;
    for (;;) {
        const uint64_t now = Zentar::Infra::CTime::getCurrentMilliSecond();
        if (now >= deadline) {
            ONVIF_LOG(LOG_ERROR, "err, response not complete within %llu ms\n",
                      static_cast<unsigned long long>(kMaxResponseMs));
            return -1;
        }
        const int waitMs = static_cast<int>(std::min<uint64_t>(m_timeoutMs, deadline - now));
        const long n = connection.receiveSome(buffer.data(), buffer.size(), waitMs);
        if (n <= 0) {
            // A closed connection ends a body that runs to the close; a time-out or an
            // error only counts when the response was already whole.
            const int status = n == 0 ? parser.AppendEnd() : (parser.IsComplete() ? HTTP_PARSE_SUCCESS : -1);
            if (status == HTTP_PARSE_SUCCESS || status == HTTP_PARSE_END || parser.GetStatusCode() == 204)
                return 0;
            ONVIF_LOG(LOG_ERROR, "err, Append HTTP_PARSE_SUCCESS error\n");
            return -1;
        }
        size_t offset = 0;
        int status = parser.Append(buffer.data(), static_cast<size_t>(n));
        // An interim 1xx answer (100 Continue) is followed by the real one on the same
        // connection, possibly in the same bytes. Each round consumes its status line.
        while (status == HTTP_PARSE_SUCCESS && parser.GetStatusCode() >= 100 && parser.GetStatusCode() < 200) {
            offset += parser.GetConsumed();
            parser.Reset();
            status = parser.Append(buffer.data() + offset, static_cast<size_t>(n) - offset);
        }
        if (status == HTTP_PARSE_SUCCESS || status == HTTP_PARSE_END || parser.GetStatusCode() == 204) return 0;
        if (status != HTTP_PARSE_MORE) {
            ONVIF_LOG(LOG_ERROR, "recv_buf:%s  parse error, p_stat:%d\n",
                      loggable(buffer.data(), static_cast<size_t>(n)).c_str(), status);
            return -1;
        }
    }
}

} // namespace RPC
