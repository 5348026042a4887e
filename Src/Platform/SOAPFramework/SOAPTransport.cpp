// CSOAPTransport on libcurl. Connections are reused through the session pool in
// SOAPCurlShare.cpp: the transport borrows a session for its exchanges and returns it, with
// its kept-alive connection, when destroyed.
//
// curl has no send or receive time-out of its own, only connect and total. The transport
// therefore drives the transfer itself through the session's multi handle: it polls with a
// wake-up at the next stall deadline, reads curl's upload/download counters after every
// pass and aborts when the current phase (sending, or waiting for the answer) has made no
// progress for longer than its time-out. Precision is that of poll(), a few milliseconds.
#include "SOAPFramework/SOAPTransport.h"

#include "NetFramework/TlsSettings.h"
#include "SOAPFramework/SOAPCurlShare.h"
#include "Utils/HttpDigestAuth.h"

#include <curl/curl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <strings.h>
#include <utility>
#include <vector>

#if __has_include("Infra/LogSink.h")
#include "Infra/LogSink.h"
#define SOAP_TRANSPORT_LOG(...) ::Zentar::Infra::logFilter(::Zentar::Infra::kLogDebug, __VA_ARGS__)
#else
#define SOAP_TRANSPORT_LOG(...) ((void)0)
#endif

namespace Zentar {
namespace SOAPFramework {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kIdlePollMs = 1000;    // longest single wait; curl's own timers cut it shorter
// Cameras let a kept-alive socket go after a while; one idle this long is not worth trying.
constexpr long kMaxConnectionAgeSeconds = CSOAPCurlShare::kMaxIdleSeconds;

enum class EAbort { None, SendStall, RecvStall, BodyTooLarge, HeadersTooLarge, Internal, Cancelled };

thread_local CSOAPCancel* t_cancel = nullptr;

const std::string kNoBody;

bool isConnectFailure(CURLcode rc)
{
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_URL_MALFORMAT:
        return true;
    default:
        return false;
    }
}

bool isUnreadableAnswer(CURLcode rc)
{
    switch (rc) {
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:   // after connecting: an HTTP/0.9-looking reply
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return true;
    default:
        return false;
    }
}

bool hasLineBreak(const char* text)
{
    return std::strpbrk(text, "\r\n") != nullptr;
}

} // namespace

void CSOAPCancel::cancel()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cancelled = true;
    // The exchange sleeps in curl_multi_poll for up to a second; wake it to see the flag.
    if (m_multi)
        curl_multi_wakeup(static_cast<CURLM*>(m_multi));
}

bool CSOAPCancel::cancelled() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cancelled;
}

void CSOAPCancel::attach(void* multi)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_multi = multi;
}

void CSOAPCancel::detach()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_multi = nullptr;
}

void CSOAPTransport::setThreadCancel(CSOAPCancel* token)
{
    t_cancel = token;
}

class CSOAPTransport::CImpl {
public:
    explicit CImpl(const char* url) : m_url(url != nullptr ? url : "") {}
    ~CImpl() { CSOAPCurlShare::instance().release(m_session); }

    int post(const char* body, size_t bodyLen, const char* contentType, const char* user,
             const char* password);
    const char* header(const char* name) const;
    const std::string& body() const { return m_session != nullptr ? m_session->m_body : kNoBody; }

    // Settings, from the caller.
    std::string m_url;
    int m_connectMs = 5000;
    int m_sendMs = 10000;
    int m_recvMs = 20000;
    bool m_fresh = false;
    int m_totalMs = 120000;

    // Result of the last exchange.
    int m_status = 0;

private:
    void resetExchange();
    int send(const char* body, size_t bodyLen, const char* contentType, const std::string* authorization,
             int totalMs);
    bool configure(const char* body, size_t bodyLen, curl_slist* headers, int totalMs);
    void applyTlsSettings(CURL* easy);
    bool answerDigest(const char* user, const char* password, const char* body, size_t bodyLen,
                      std::string& authorization) const;
    std::string requestTarget() const;
    CURLcode drive();
    int nextWaitMs();
    int classify(CURLcode rc) const;
    void onHeaderLine(const char* line, size_t len);
    void acknowledgeNow();

    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static int onPrereq(void* self, char*, char*, int, int);
    static int onSocket(void* session, curl_socket_t socket, curlsocktype purpose);

    // Owned: the borrowed session and what the last response said.
    CCurlSession* m_session = nullptr;
    std::string m_statusText;
    std::vector<std::pair<std::string, std::string>> m_headers;
    size_t m_headerBytes = 0;

    // Progress of the running exchange, for the send and receive time-outs.
    bool m_requestStarted = false;
    EAbort m_abort = EAbort::None;
    Clock::time_point m_lastActivity;
    curl_off_t m_lastUpload = -1;
    curl_off_t m_lastDownload = -1;
    CURLcode m_lastCurlCode = CURLE_OK;
};

void CSOAPTransport::CImpl::resetExchange()
{
    m_status = 0;
    m_statusText.clear();
    m_headers.clear();
    m_headerBytes = 0;
    m_requestStarted = false;
    m_abort = EAbort::None;
    m_lastUpload = -1;
    m_lastDownload = -1;
    m_lastCurlCode = CURLE_OK;
    m_session->m_body.clear();
}

bool CSOAPTransport::CImpl::configure(const char* body, size_t bodyLen, curl_slist* headers, int totalMs)
{
    CURL* easy = m_session->m_easy;
    // Forget what an earlier exchange on this session set up; the connection stays open.
    curl_easy_reset(easy);
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, m_url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);                 // many threads, no SIGALRM
    curl_easy_setopt(easy, CURLOPT_PROXY, "");                     // devices are reached directly
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodyLen));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max(m_connectMs, 0)));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max(totalMs, 0)));
    curl_easy_setopt(easy, CURLOPT_MAXAGE_CONN, kMaxConnectionAgeSeconds);
    if (m_fresh) {
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    }
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(CSOAPTransport::kMaxResponseBody));
    applyTlsSettings(easy);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CImpl::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CImpl::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &CImpl::onPrereq);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(easy, CURLOPT_SOCKOPTFUNCTION, &CImpl::onSocket);
    curl_easy_setopt(easy, CURLOPT_SOCKOPTDATA, m_session);
    return ok;
}

// The path and query the request line carries: what a digest answer must name as its uri.
std::string CSOAPTransport::CImpl::requestTarget() const
{
    std::string target = "/";
    CURLU* url = curl_url();
    if (url == nullptr)
        return target;
    char* part = nullptr;
    if (curl_url_set(url, CURLUPART_URL, m_url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_PATH, &part, 0) == CURLUE_OK) {
        target = part;
        curl_free(part);
        part = nullptr;
        if (curl_url_get(url, CURLUPART_QUERY, &part, 0) == CURLUE_OK) {
            target += "?";
            target += part;
            curl_free(part);
        }
    }
    curl_url_cleanup(url);
    return target;
}

// The answer to the digest challenge of the 401 just received. Digest alone: a device that
// offers Basic as well still gets Digest, and one that offers only Basic gets no second
// request, so a password never travels in the clear from the SOAP path.
bool CSOAPTransport::CImpl::answerDigest(const char* user, const char* password, const char* body,
                                         size_t bodyLen, std::string& authorization) const
{
    std::vector<std::string> challenges;
    for (const auto& field : m_headers)
        if (strcasecmp(field.first.c_str(), "WWW-Authenticate") == 0)
            challenges.push_back(field.second);
    Utils::CChosenChallenge chosen;
    const Utils::EChallengeFault fault = Utils::chooseChallenge(challenges, chosen);
    if (fault != Utils::EChallengeFault::None || chosen.scheme != Utils::EAuthScheme::Digest) {
        SOAP_TRANSPORT_LOG("SOAP POST %s: 401 without a usable digest challenge (%s)", m_url.c_str(),
                           fault == Utils::EChallengeFault::None ? "Basic only" : Utils::challengeFaultText(fault));
        return false;
    }
    Utils::CHttpDigestAuth digest;
    digest.setCredentials(user, password != nullptr ? password : "");
    digest.setChallenge(chosen.digest);
    // Only auth-int hashes the body; the other answers need no copy of it.
    const std::string entity = chosen.digest.qop == "auth-int" ? std::string(body, bodyLen) : std::string();
    if (!digest.authorize("POST", requestTarget(), &entity, authorization)) {
        SOAP_TRANSPORT_LOG("SOAP POST %s: user name unusable in a digest answer", m_url.c_str());
        return false;
    }
    return true;
}

// With credentials, the request goes out without them first; a 401 carrying a usable
// digest challenge gets exactly one more request with the answer, on the same connection
// and within what is left of the total time-out. Nothing is kept for the next exchange:
// reusing a challenge would make a refused digest attempt count twice against the
// device's lock-out limit. A second 401 reaches the caller as the status it is.
int CSOAPTransport::CImpl::post(const char* body, size_t bodyLen, const char* contentType,
                                const char* user, const char* password)
{
    if (body == nullptr || contentType == nullptr || hasLineBreak(contentType))
        return kSOAPErrorOther;
    if (m_session == nullptr)
        m_session = CSOAPCurlShare::instance().acquire(m_url.c_str());
    if (m_session == nullptr)
        return kSOAPErrorOther;
    const Clock::time_point start = Clock::now();
    int result = send(body, bodyLen, contentType, nullptr, m_totalMs);
    std::string authorization;
    if (result == kSOAPOk && m_status == 401 && user != nullptr &&
        answerDigest(user, password, body, bodyLen, authorization)) {
        int totalMs = m_totalMs;
        if (totalMs > 0) {
            const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            totalMs = static_cast<int>(std::max<long long>(1, totalMs - spent));
        }
        result = send(body, bodyLen, contentType, &authorization, totalMs);
    }
    if (result != kSOAPOk)
        SOAP_TRANSPORT_LOG("SOAP POST %s failed: result %d, HTTP status %d", m_url.c_str(),
                           result, m_status);
    return result;
}

// One request and its answer.
int CSOAPTransport::CImpl::send(const char* body, size_t bodyLen, const char* contentType,
                                const std::string* authorization, int totalMs)
{
    resetExchange();
    std::string contentHeader("Content-Type: ");
    contentHeader += contentType;
    curl_slist* headers = curl_slist_append(nullptr, contentHeader.c_str());
    // Some device web servers never answer "Expect: 100-continue"; send the body at once.
    curl_slist* list = headers != nullptr ? curl_slist_append(headers, "Expect:") : nullptr;
    if (list != nullptr && authorization != nullptr)
        list = curl_slist_append(list, ("Authorization: " + *authorization).c_str());
    if (list == nullptr) {
        curl_slist_free_all(headers);
        return kSOAPErrorOther;
    }
    int result = kSOAPErrorOther;
    if (configure(body, bodyLen, list, totalMs))
        result = classify(m_lastCurlCode = drive());
    curl_easy_setopt(m_session->m_easy, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(list);

    long status = 0;
    curl_easy_getinfo(m_session->m_easy, CURLINFO_RESPONSE_CODE, &status);
    m_status = static_cast<int>(status);
    if (m_status > 0)
        m_statusText = std::to_string(m_status);
    if (m_lastCurlCode == CURLE_PEER_FAILED_VERIFICATION || m_lastCurlCode == CURLE_SSL_CACERT_BADFILE)
        Infra::logFilter(Infra::kLogError, "SOAP POST %s: TLS certificate not accepted: %s", m_url.c_str(),
                         curl_easy_strerror(m_lastCurlCode));
    return result;
}

// Cameras ship self-signed certificates nobody can verify, so by default HTTPS protects
// the credentials on the wire, not the device's identity; the host may ask for the chain
// and the host name to be checked. curl keeps connections made under other rules apart.
void CSOAPTransport::CImpl::applyTlsSettings(CURL* easy)
{
    const NetFramework::TlsClientSettings tls = NetFramework::getTlsClientSettings();
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, tls.verify ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, tls.verify ? 2L : 0L);
    if (tls.verify && !tls.caFile.empty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, tls.caFile.c_str());
    if (tls.verify || strncasecmp(m_url.c_str(), "https://", 8) != 0)
        return;
    CURLU* parts = curl_url();
    char* host = nullptr;
    if (parts != nullptr && curl_url_set(parts, CURLUPART_URL, m_url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parts, CURLUPART_HOST, &host, 0) == CURLUE_OK)
        NetFramework::noteUnverifiedTls(host);
    curl_free(host);
    curl_url_cleanup(parts);
}

// Runs the transfer to its end, or until a send/receive stall aborts it.
CURLcode CSOAPTransport::CImpl::drive()
{
    CURLM* multi = m_session->m_multi;
    CURL* easy = m_session->m_easy;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        m_abort = EAbort::Internal;
        return CURLE_FAILED_INIT;
    }
    CURLcode rc = CURLE_OK;
    CSOAPCancel* const cancel = t_cancel;
    if (cancel)
        cancel->attach(multi);
    for (;;) {
        if (cancel && cancel->cancelled()) {
            m_abort = EAbort::Cancelled;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            m_abort = EAbort::Internal;
            break;
        }
        if (running == 0) {
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy)
                    rc = msg->data.result;
            }
            break;
        }
        const int waitMs = nextWaitMs();
        if (waitMs < 0)
            break;   // m_abort says which stall
        if (curl_multi_poll(multi, nullptr, 0, waitMs, nullptr) != CURLM_OK) {
            m_abort = EAbort::Internal;
            break;
        }
    }
    if (cancel)
        cancel->detach();
    // Removing a handle mid-transfer makes curl close that connection, never reuse it.
    curl_multi_remove_handle(multi, easy);
    return rc;
}

// Milliseconds the loop may sleep, or -1 once the current phase has stalled too long.
int CSOAPTransport::CImpl::nextWaitMs()
{
    if (!m_requestStarted)
        return kIdlePollMs;   // still connecting: curl's connect time-out rules
    CURL* easy = m_session->m_easy;
    curl_off_t upNow = 0, upTotal = -1, downNow = 0;
    curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &upNow);
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_UPLOAD_T, &upTotal);
    curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &downNow);

    const Clock::time_point now = Clock::now();
    if (upNow != m_lastUpload || downNow != m_lastDownload) {
        m_lastUpload = upNow;
        m_lastDownload = downNow;
        m_lastActivity = now;
    }
    const bool sending = upTotal > 0 && upNow < upTotal;
    const int limitMs = sending ? m_sendMs : m_recvMs;
    if (limitMs <= 0)
        return kIdlePollMs;
    const auto idleMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - m_lastActivity).count();
    if (idleMs >= limitMs) {
        m_abort = sending ? EAbort::SendStall : EAbort::RecvStall;
        return -1;
    }
    return static_cast<int>(std::min<long long>(kIdlePollMs, limitMs - idleMs));
}

int CSOAPTransport::CImpl::classify(CURLcode rc) const
{
    switch (m_abort) {
    case EAbort::None: break;
    case EAbort::SendStall: return kSOAPErrorOther;
    case EAbort::RecvStall: return kSOAPErrorRecvTimeout;
    case EAbort::BodyTooLarge:
    case EAbort::HeadersTooLarge: return kSOAPErrorBadAnswer;
    case EAbort::Internal: return kSOAPErrorOther;
    case EAbort::Cancelled: return kSOAPErrorOther;
    }
    if (rc == CURLE_OK)
        return kSOAPOk;
    if (rc == CURLE_OUT_OF_MEMORY || rc == CURLE_FAILED_INIT)
        return kSOAPErrorOther;
    // Anything that ends the exchange before a request could be written is, to the
    // caller, a device that could not be reached.
    if (isConnectFailure(rc) || !m_requestStarted)
        return kSOAPErrorConnect;
    if (rc == CURLE_OPERATION_TIMEDOUT)
        return kSOAPErrorRecvTimeout;
    if (isUnreadableAnswer(rc))
        return kSOAPErrorBadAnswer;
    return kSOAPErrorOther;
}

const char* CSOAPTransport::CImpl::header(const char* name) const
{
    if (name == nullptr)
        return nullptr;
    if (strcasecmp(name, "Status") == 0)
        return m_statusText.empty() ? nullptr : m_statusText.c_str();
    for (const auto& field : m_headers) {
        if (strcasecmp(field.first.c_str(), name) == 0)
            return field.second.c_str();
    }
    return nullptr;
}

// One raw header line, CRLF included. A status line starts a new response (after a
// 100 Continue or the 401 of a digest round trip): only the last response is kept.
// Many embedded servers write an answer's header block and its body in two writes with
// Nagle's algorithm on: the body then waits until the header block is acknowledged, and
// Linux delays that acknowledgement by up to 40 ms on a connection it takes for
// request/response traffic. Acknowledging at once when the status line arrives lets the
// body follow without the wait; on a server that writes its answer whole it changes
// nothing but one early acknowledgement.
void CSOAPTransport::CImpl::acknowledgeNow()
{
#ifdef TCP_QUICKACK
    if (m_session->m_socket != CURL_SOCKET_BAD) {
        const int on = 1;
        setsockopt(m_session->m_socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    }
#endif
}

int CSOAPTransport::CImpl::onSocket(void* session, curl_socket_t socket, curlsocktype purpose)
{
    if (purpose == CURLSOCKTYPE_IPCXN)
        static_cast<CCurlSession*>(session)->m_socket = socket;
    return CURL_SOCKOPT_OK;
}

void CSOAPTransport::CImpl::onHeaderLine(const char* line, size_t len)
{
    while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'))
        --len;
    if (len >= 5 && std::memcmp(line, "HTTP/", 5) == 0) {
        acknowledgeNow();
        m_headers.clear();
        m_session->m_body.clear();
        return;
    }
    const char* colon = static_cast<const char*>(std::memchr(line, ':', len));
    if (colon == nullptr || colon == line)
        return;   // blank end-of-headers line, or a folded continuation we do not need
    const char* value = colon + 1;
    const char* end = line + len;
    while (value < end && (*value == ' ' || *value == '\t'))
        ++value;
    while (end > value && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    m_headers.emplace_back(std::string(line, static_cast<size_t>(colon - line)),
                           std::string(value, static_cast<size_t>(end - value)));
}

size_t CSOAPTransport::CImpl::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* impl = static_cast<CImpl*>(self);
    const size_t len = size * count;
    impl->m_lastActivity = Clock::now();
    impl->m_headerBytes += len;
    if (impl->m_headerBytes > CSOAPTransport::kMaxResponseHeaders) {
        impl->m_abort = EAbort::HeadersTooLarge;
        return 0;
    }
    try {
        impl->onHeaderLine(data, len);
    } catch (...) {
        impl->m_abort = EAbort::Internal;   // never let an exception unwind through curl
        return 0;
    }
    return len;
}

size_t CSOAPTransport::CImpl::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* impl = static_cast<CImpl*>(self);
    const size_t len = size * count;
    std::string& body = impl->m_session->m_body;
    impl->m_lastActivity = Clock::now();
    if (len > CSOAPTransport::kMaxResponseBody - body.size()) {
        impl->m_abort = EAbort::BodyTooLarge;
        return 0;   // curl stops with a write error
    }
    try {
        body.append(data, len);
    } catch (...) {
        impl->m_abort = EAbort::Internal;
        return 0;
    }
    return len;
}

// Called once the connection (TLS included) is up, before each request on it; the
// second request of a digest round trip starts a fresh send phase too.
int CSOAPTransport::CImpl::onPrereq(void* self, char*, char*, int, int)
{
    auto* impl = static_cast<CImpl*>(self);
    impl->m_requestStarted = true;
    impl->m_lastActivity = Clock::now();
    impl->m_lastUpload = -1;
    impl->m_lastDownload = -1;
    return CURL_PREREQFUNC_OK;
}

// ---- public face ------------------------------------------------------------------------

CSOAPTransport::CSOAPTransport(const char* url) : m_impl(new CImpl(url)) {}

CSOAPTransport::~CSOAPTransport() = default;

void CSOAPTransport::setConnectTimeout(int ms) { m_impl->m_connectMs = ms; }
void CSOAPTransport::setSendTimeout(int ms) { m_impl->m_sendMs = ms; }
void CSOAPTransport::setRecvTimeout(int ms) { m_impl->m_recvMs = ms; }
void CSOAPTransport::setFreshConnection(bool fresh) { m_impl->m_fresh = fresh; }
void CSOAPTransport::setTimeout(int totalMs) { m_impl->m_totalMs = totalMs; }

const char* CSOAPTransport::getHTTPHeader(const char* name) const { return m_impl->header(name); }
const char* CSOAPTransport::getURL() const { return m_impl->m_url.c_str(); }
int CSOAPTransport::getHttpStatus() const { return m_impl->m_status; }
const std::string& CSOAPTransport::getResponseBody() const { return m_impl->body(); }

int CSOAPTransport::post(const char* body, size_t bodyLen, const char* contentType,
                         const char* digestUser, const char* digestPassword)
{
    try {
        return m_impl->post(body, bodyLen, contentType, digestUser, digestPassword);
    } catch (...) {
        // Only allocation can throw here; the exchange is simply lost.
        return kSOAPErrorOther;
    }
}

} // namespace SOAPFramework
} // namespace Zentar
