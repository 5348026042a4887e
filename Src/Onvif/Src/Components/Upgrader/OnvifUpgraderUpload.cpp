// The upload of an image to the address the device gave: one POST over a connection of
// our own, with one authenticated retry when the device challenges the request head.
//
//   connect -> head -> (early answer within headAnswerMs?)
//                         401: answer the challenge on a new connection, send the head again
//                         415/500: refused, stop
//                         nothing: the device waits for the body
//           -> body in chunks (progress 10..100) -> the final answer (none at all also counts
//              as accepted: devices that reboot at once just close)
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "Base/HTTPClient/HttpClient.h"
#include "Base/HTTPClient/HttpUrl.h"
#include "Base/HTTPClient/RPCHttpAuth.h"
#include "Base/HTTPClient/SocketTimeout.h"
#include "Components/Upgrader/OnvifUpgrader.h"
#include "NetProtocol/HttpParser.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using Zentar::Infra::CGuard;

namespace {

constexpr size_t kHeadBufferSize = 2048;
constexpr size_t kAnswerBufferSize = 2047;
constexpr size_t kMaxChallengeLength = 1023;
constexpr size_t kFileBufferSize = 2097152;       // 2 MiB read per chunk
constexpr size_t kFileChunkAtLeast = 1048576;      // short reads are topped up to 1 MiB
constexpr size_t kLargestSend = 64u * 1024 * 1024; // one sendWithTimeout call at most

enum { ANSWER_OK = 0, ANSWER_ERROR = -1, ANSWER_REFUSED = -2 };

// "POST <path> HTTP/1.1" and the headers in the order devices have always seen them.
std::string requestHead(const std::string& path, const std::string& host, uint32_t length,
                        const std::string& authorization)
{
    // The port never went into this Host line; an IPv6 literal still needs its brackets.
    const std::string hostValue = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    std::string head = "POST " + path + " HTTP/1.1\r\nContent-Type: application/octetstream\r\nHost: " + hostValue +
                       "\r\nContent-Length: " + std::to_string(length) + "\r\nConnection: close\r\n";
    if (!authorization.empty())
        head += "Authorization: " + authorization + "\r\n";
    return head + "\r\n";
}

// The challenge to answer among several: MD5 digest first (what the answer can compute),
// then Basic, then whatever came first.
std::string pickChallenge(const Zentar::NetProtocol::CHttpParser& answer)
{
    std::string basic, first;
    for (size_t i = 0; const char* value = answer.Value("WWW-Authenticate", i); ++i) {
        const std::string v(value);
        if (first.empty())
            first = v;
        const bool digest = v.compare(0, 6, "Digest") == 0;
        if (digest && (v.find("algorithm") == std::string::npos || v.find("MD5") != std::string::npos))
            return v.substr(0, kMaxChallengeLength);
        if (basic.empty() && v.compare(0, 5, "Basic") == 0)
            basic = v;
    }
    return (basic.empty() ? first : basic).substr(0, kMaxChallengeLength);
}

} // namespace

// The whole upload on the timer, ending in one final state that the receivers hear once.
void COnvifUpgrader::uploadProc()
{
    setState("Upgrading");
    setProgress(1);
    notify();
    std::string mode;
    {
        CGuard guard(m_stateMutex);
        mode = m_mode;
    }
    if (mode == "http") {
        const UploadResult result = httpUpload();
        if (result == UPLOAD_DONE) {
            ONVIF_LOG(LOG_INFO, "upgrade in http mode sucessd\n");
            setProgress(100);
        } else {
            ONVIF_LOG(LOG_ERROR, "upgrade in http mode failed\n");
        }
        // A device that refused the whole image is "Invalid"; anything else that went
        // wrong leaves the image where it was: "Failed".
        setState(result == UPLOAD_DONE ? "Succeeded" : result == UPLOAD_REFUSED ? "Invalid" : "Failed");
    } else {
        ONVIF_LOG(LOG_ERROR, "upgrade in unknow mode failed\n");
        setState("Failed");
    }
    notify();
}

// A new connection with the request head sent on it, or -1.
int COnvifUpgrader::sendHead(const std::string& host, int port, const std::string& head)
{
    const int sock = CHttpClient::connectEndpoint(host.c_str(), port);
    if (sock < 0) {
        ONVIF_LOG(LOG_ERROR, "connect failed or time out\n");
        ONVIF_LOG(LOG_ERROR, "creat tcp pipe failed\n");
        return -1;
    }
    if (head.size() > kHeadBufferSize ||
        !sendAll(sock, head.data(), head.size(), "network is busy or bad,please check it\n")) {
        ONVIF_LOG(LOG_ERROR, "send http head failed\n");
        closeSocket(sock);
        return -1;
    }
    return sock;
}

bool COnvifUpgrader::sendAll(int sock, const char* data, size_t length, const char* failLog)
{
    for (size_t sent = 0; sent < length;) {
        const int piece = static_cast<int>(std::min(length - sent, kLargestSend));
        int timeoutMs = m_timing.sendMs;
        if (sendWithTimeout(sock, data + sent, piece, timeoutMs) != piece) {
            ONVIF_LOG(LOG_ERROR, failLog, static_cast<int>(length));
            return false;
        }
        sent += static_cast<size_t>(piece);
    }
    return true;
}

// Reads what the device answers: until the answer is complete, the device closes, the
// buffer is full or nothing more comes in time. ANSWER_OK for nothing at all or a status
// that is not a refusal, ANSWER_REFUSED for 415, 401 and 500, ANSWER_ERROR otherwise.
int COnvifUpgrader::readAnswer(int sock, int timeoutMs, int& status, std::string& challenge)
{
    std::string bytes;
    char buffer[kAnswerBufferSize + 1];
    Zentar::NetProtocol::CHttpParser answer;
    while (bytes.size() < kAnswerBufferSize && !answer.IsComplete()) {
        const int ready = waitForSocket(sock, timeoutMs, SOCKET_WAIT_READ);
        // A device that answered and left the connection open has said all it will say.
        if (ready == 0 && !bytes.empty())
            break;
        const int n = ready > 0 ? recvOrClose(sock, buffer, static_cast<int>(kAnswerBufferSize - bytes.size()), 0, 0)
                                : -1;
        if (n < 0) {
            if (bytes.empty())
                ONVIF_LOG(LOG_TRACE, "network error\n");
            else
                ONVIF_LOG(LOG_ERROR, "recv err tcp pipe is break,%d recvByte has been recv\n",
                          static_cast<int>(bytes.size()));
            return ANSWER_ERROR;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
        answer.Append(buffer, static_cast<size_t>(n));
    }
    if (bytes.empty()) {
        ONVIF_LOG(LOG_INFO, "recv nothing,maybe upgrade success\n");
        return ANSWER_OK;
    }
    status = answer.GetStatusCode();
    if (status == 0) {
        ONVIF_LOG(LOG_ERROR, "response unkonw message\n");
        return ANSWER_ERROR;
    }
    if (status == 415 || status == 401 || status == 500) {
        ONVIF_LOG(LOG_ERROR, "http response not in ok state\n");
        challenge = pickChallenge(answer);
        return ANSWER_REFUSED;
    }
    return ANSWER_OK;
}

std::string COnvifUpgrader::authorizationFor(const std::string& challenge, const std::string& path) const
{
    CRPCHttpAuth auth;
    auth.SetUserInfo(m_serverInfo->userName, m_serverInfo->password);
    auth.SetURI(path);
    auth.SetMethod("POST");
    auth.SetWWWAuthenticate(challenge);
    std::string value;
    return auth.GetAuthorization(value) ? value : std::string();
}

COnvifUpgrader::UploadResult COnvifUpgrader::httpUpload()
{
    std::string uri;
    {
        CGuard guard(m_stateMutex);
        uri = m_uploadUri;
    }
    uint32_t total = 0;
    {
        CGuard guard(m_dataMutex);
        total = m_totalSize;
    }
    std::string path, host;
    int port = 80;
    if (!parseHttpUrl(uri, path, host, port)) {
        ONVIF_LOG(LOG_ERROR, "paser http url failed url is Illegal\n");
        return UPLOAD_FAILED;
    }
    if (path.empty())
        path = "/";
    int sock = sendHead(host, port, requestHead(path, host, total, ""));
    if (sock < 0)
        return UPLOAD_FAILED;
    int status = 0;
    std::string challenge;
    if (readAnswer(sock, m_timing.headAnswerMs, status, challenge) == ANSWER_REFUSED) {
        closeSocket(sock);
        if (status != 401) {
            ONVIF_LOG(LOG_ERROR, "transHttphead getStatus failed!\n");
            return UPLOAD_FAILED;
        }
        // One answer to the challenge, on a new connection.
        const std::string authorization = authorizationFor(challenge, path);
        if (authorization.empty()) {
            ONVIF_LOG(LOG_ERROR, "no answer to the device's challenge <%s>\n", challenge.c_str());
            return UPLOAD_FAILED;
        }
        sock = sendHead(host, port, requestHead(path, host, total, authorization));
        if (sock < 0)
            return UPLOAD_FAILED;
    }
    setProgress(10);
    notify();

    Source source = SOURCE_NONE;
    {
        CGuard guard(m_sourceMutex);
        source = m_source;
    }
    const bool sent = source == SOURCE_FILE ? sendFileBody(sock) : sendMemoryBody(sock);
    if (!sent) {
        ONVIF_LOG(LOG_ERROR, source == SOURCE_FILE ? "tansmit upgrade file failed\n" : "tansmit append data failed\n");
        closeSocket(sock);
        return UPLOAD_FAILED;
    }
    const int result = readAnswer(sock, m_timing.finalAnswerMs, status, challenge);
    closeSocket(sock);
    if (result != ANSWER_OK) {
        ONVIF_LOG(LOG_ERROR, "upgrade failed!\n");
        return UPLOAD_REFUSED;
    }
    return UPLOAD_DONE;
}

// The file in chunks of up to 2 MiB, progress growing by an equal step per chunk.
bool COnvifUpgrader::sendFileBody(int sock)
{
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kFileBufferSize]);
    if (!buffer) {
        ONVIF_LOG(LOG_ERROR, "resource is no enough\n");
        return false;
    }
    std::FILE* file = nullptr;
    uint32_t length = 0;
    {
        CGuard guard(m_sourceMutex);
        file = m_file;
    }
    {
        CGuard guard(m_dataMutex);
        length = m_totalSize;
    }
    if (!file || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    int progress = 0;
    {
        CGuard guard(m_stateMutex);
        progress = m_progress;
    }
    const int step = (100 - progress) / static_cast<int>(length / kFileBufferSize + 1);
    for (;;) {
        size_t buffered = 0;
        for (;;) {
            const size_t n = std::fread(buffer.get() + buffered, 1, kFileBufferSize - buffered, file);
            if (std::ferror(file)) {
                ONVIF_LOG(LOG_ERROR, "read err\n");
                return false;
            }
            buffered += n;
            if (n == 0 || buffered >= kFileChunkAtLeast)
                break;
            ONVIF_LOG(LOG_TRACE, "read byte least than 1 M\n");
        }
        if (buffered == 0) {
            ONVIF_LOG(LOG_INFO, "go to the end of the file\n");
            return true;
        }
        if (!sendAll(sock, buffer.get(), buffered, "network is busy or bad,please cheack it\n"))
            return false;
        progress += step;
        setProgress(progress);
        notify();
    }
}

// Each appended block whole, progress growing by an equal share per block.
bool COnvifUpgrader::sendMemoryBody(int sock)
{
    size_t count = 0;
    {
        CGuard guard(m_dataMutex);
        count = m_blocks.size();
    }
    double progress = 0;
    {
        CGuard guard(m_stateMutex);
        progress = m_progress;
    }
    const double step = (100.0 - progress) / static_cast<double>(count + 1);
    for (size_t i = 0; i < count; ++i) {
        // The list only grows while the state is "Preparing"; the block stays where it is.
        const std::vector<uint8_t>* block = nullptr;
        {
            CGuard guard(m_dataMutex);
            block = &m_blocks[i];
        }
        if (!sendAll(sock, reinterpret_cast<const char*>(block->data()), block->size(),
                     "network is busy or bad,please check it ,sendData size is %d\n"))
            return false;
        progress += step;
        setProgress(static_cast<int>(progress));
        notify();
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
