// How connections are reused: each CSOAPTransport borrows a curl session (easy + multi
// handle) from this pool and gives it back when it is destroyed; the session's multi handle
// keeps the kept-alive connection, so the next exchange to the same scheme://host:port
// takes that session and its open socket. At most 256 idle sessions (8 per device, none idle
// longer than 60 s) are kept; one session serves one thread at a time, the pool is locked.
#include "SOAPFramework/SOAPCurlShare.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace Zentar {
namespace SOAPFramework {

namespace {

std::once_flag g_curlInitOnce;
bool g_curlInitOk = false;

void destroySession(CCurlSession* session)
{
    if (session == nullptr)
        return;
    if (session->m_multi != nullptr)
        curl_multi_cleanup(session->m_multi);
    if (session->m_easy != nullptr)
        curl_easy_cleanup(session->m_easy);
    delete session;
}

CCurlSession* createSession(std::string key)
{
    if (!ensureCurlGlobalInit())
        return nullptr;
    auto* session = new CCurlSession;
    session->m_easy = curl_easy_init();
    session->m_multi = curl_multi_init();
    if (session->m_easy == nullptr || session->m_multi == nullptr) {
        destroySession(session);
        return nullptr;
    }
    // One transfer at a time per session: more than one cached connection is dead weight.
    curl_multi_setopt(session->m_multi, CURLMOPT_MAXCONNECTS, 1L);
    session->m_key = std::move(key);
    return session;
}

void destroyAll(std::vector<CCurlSession*>& doomed)
{
    for (CCurlSession* session : doomed)
        destroySession(session);
    doomed.clear();
}

} // namespace

bool ensureCurlGlobalInit()
{
    std::call_once(g_curlInitOnce,
                   [] { g_curlInitOk = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK; });
    return g_curlInitOk;
}

CSOAPCurlShare& CSOAPCurlShare::instance()
{
    static CSOAPCurlShare pool;
    return pool;
}

CSOAPCurlShare::~CSOAPCurlShare()
{
    std::lock_guard<std::mutex> guard(m_lock);
    destroyAll(m_idle);
}

std::string CSOAPCurlShare::deviceKeyOf(const char* url)
{
    if (url == nullptr)
        return std::string();
    const char* schemeEnd = std::strstr(url, "://");
    if (schemeEnd == nullptr)
        return std::string(url);
    const char* authority = schemeEnd + 3;
    const size_t authorityLen = std::strcspn(authority, "/?#");
    const char* at = static_cast<const char*>(std::memchr(authority, '@', authorityLen));
    const char* hostStart = at != nullptr ? at + 1 : authority;

    std::string key;
    key.reserve(static_cast<size_t>(authority + authorityLen - url));
    key.append(url, static_cast<size_t>(authority - url));
    key.append(hostStart, static_cast<size_t>(authority + authorityLen - hostStart));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

CCurlSession* CSOAPCurlShare::takeIdle(const std::string& key)
{
    std::lock_guard<std::mutex> guard(m_lock);
    // Newest first: the most recently used connection is the likeliest still to be open.
    for (size_t i = m_idle.size(); i-- > 0;) {
        if (m_idle[i]->m_key == key) {
            CCurlSession* session = m_idle[i];
            m_idle.erase(m_idle.begin() + static_cast<std::ptrdiff_t>(i));
            return session;
        }
    }
    return nullptr;
}

CCurlSession* CSOAPCurlShare::acquire(const char* url)
{
    std::string key = deviceKeyOf(url);
    if (CCurlSession* session = takeIdle(key))
        return session;
    return createSession(std::move(key));
}

void CSOAPCurlShare::evictLocked(std::vector<CCurlSession*>& doomed)
{
    const auto now = std::chrono::steady_clock::now();
    const auto maxIdle = std::chrono::seconds(kMaxIdleSeconds);
    // Oldest first, so the expired ones and the overflow are all at the front.
    size_t drop = 0;
    while (drop < m_idle.size() &&
           (now - m_idle[drop]->m_idleSince > maxIdle || m_idle.size() - drop > kMaxIdleSessions))
        ++drop;
    doomed.insert(doomed.end(), m_idle.begin(), m_idle.begin() + static_cast<std::ptrdiff_t>(drop));
    m_idle.erase(m_idle.begin(), m_idle.begin() + static_cast<std::ptrdiff_t>(drop));
}

void CSOAPCurlShare::release(CCurlSession* session)
{
    if (session == nullptr)
        return;
    // Drop every pointer into the finished transport (callbacks, buffers, credentials);
    // the connection cache in the multi handle is not touched by this.
    curl_easy_reset(session->m_easy);
    constexpr size_t kKeepBodyCapacity = 256 * 1024;
    if (session->m_body.capacity() > kKeepBodyCapacity)
        std::string().swap(session->m_body);
    session->m_body.clear();
    session->m_idleSince = std::chrono::steady_clock::now();

    std::vector<CCurlSession*> doomed;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        size_t sameDevice = 0;
        size_t oldestSame = m_idle.size();
        for (size_t i = 0; i < m_idle.size(); ++i) {
            if (m_idle[i]->m_key == session->m_key && sameDevice++ == 0)
                oldestSame = i;
        }
        if (sameDevice >= kMaxIdlePerDevice) {
            doomed.push_back(m_idle[oldestSame]);
            m_idle.erase(m_idle.begin() + static_cast<std::ptrdiff_t>(oldestSame));
        }
        m_idle.push_back(session);
        evictLocked(doomed);
    }
    // Closing sockets (and TLS close-notify) happens outside the lock.
    destroyAll(doomed);
}

size_t CSOAPCurlShare::idleCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_idle.size();
}

} // namespace SOAPFramework
} // namespace Zentar
