// How connections are reused: each CSOAPTransport borrows a curl session (easy + multi
// handle) from this pool and gives it back when it is destroyed; the session's multi handle
// keeps the kept-alive connection, so the next exchange to the same scheme://host:port
// takes that session and its open socket. At most 2048 idle sessions (8 per device, none idle
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
    std::vector<CCurlSession*> doomed(m_lru.begin(), m_lru.end());
    m_lru.clear();
    m_byDevice.clear();
    destroyAll(doomed);
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
    auto found = m_byDevice.find(key);
    if (found == m_byDevice.end())
        return nullptr;
    // Newest first: the most recently used connection is the likeliest still to be open.
    CCurlSession* session = found->second.back();
    unlinkLocked(session);
    return session;
}

void CSOAPCurlShare::unlinkLocked(CCurlSession* session)
{
    m_lru.erase(session->m_lruEntry);
    auto found = m_byDevice.find(session->m_key);
    if (found == m_byDevice.end())
        return;
    std::vector<CCurlSession*>& same = found->second;
    same.erase(std::find(same.begin(), same.end(), session));
    if (same.empty())
        m_byDevice.erase(found);
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
    while (!m_lru.empty() && (now - m_lru.front()->m_idleSince > maxIdle || m_lru.size() > kMaxIdleSessions)) {
        CCurlSession* oldest = m_lru.front();
        unlinkLocked(oldest);
        doomed.push_back(oldest);
    }
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
        auto same = m_byDevice.find(session->m_key);
        if (same != m_byDevice.end() && same->second.size() >= kMaxIdlePerDevice) {
            CCurlSession* oldestSame = same->second.front();
            unlinkLocked(oldestSame);
            doomed.push_back(oldestSame);
        }
        m_byDevice[session->m_key].push_back(session);
        session->m_lruEntry = m_lru.insert(m_lru.end(), session);
        evictLocked(doomed);
    }
    // Closing sockets (and TLS close-notify) happens outside the lock.
    destroyAll(doomed);
}

size_t CSOAPCurlShare::idleCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lru.size();
}

} // namespace SOAPFramework
} // namespace Zentar
