#pragma once
// Internal to the SOAP transport: process-wide libcurl start-up and the pool of idle
// curl sessions that carries kept-alive connections from one exchange to the next.
// Nothing outside SOAPFramework includes this header.
#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace Zentar {
namespace SOAPFramework {

// curl_global_init, exactly once per process, whichever thread gets here first.
// Returns false when libcurl could not start (then no exchange can be made).
bool ensureCurlGlobalInit();

// One easy handle driven by its own multi handle. The multi handle owns the connection
// cache, so a session keeps its kept-alive connection while it sits in the pool.
struct CCurlSession {
    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
    std::string m_key;                              // "scheme://host:port" it is pooled under
    std::string m_body;                             // response buffer; capacity is reused
    std::chrono::steady_clock::time_point m_idleSince{};   // zero until first pooled
    // The socket of the session's one connection, as curl last opened it (the multi
    // handle keeps at most one): for socket options curl has no setting for.
    curl_socket_t m_socket = CURL_SOCKET_BAD;
    std::list<CCurlSession*>::iterator m_lruEntry{};   // its place among the idle ones
};

// The idle sessions, found by device and aged in the order they were released.
// Thread-safe; bounded in total, per device and in age, so a fleet of cameras cannot pile
// up sockets. The total is sized for a recorder with a thousand or more cameras that each
// keep one connection open between online probes.
class CSOAPCurlShare {
public:
    static constexpr size_t kMaxIdleSessions = 2048;
    static constexpr size_t kMaxIdlePerDevice = 8;
    static constexpr int kMaxIdleSeconds = 60;

    static CSOAPCurlShare& instance();

    // An idle session for this URL's device, or a new one; null only when curl fails.
    CCurlSession* acquire(const char* url);
    // Hands the session back (or destroys it when the pool is full). Accepts null.
    void release(CCurlSession* session);

    size_t idleCount() const;
    // "scheme://host:port" (lower-cased, user info dropped) of an absolute URL.
    static std::string deviceKeyOf(const char* url);

    ~CSOAPCurlShare();

private:
    CSOAPCurlShare() = default;
    CSOAPCurlShare(const CSOAPCurlShare&) = delete;
    CSOAPCurlShare& operator=(const CSOAPCurlShare&) = delete;

    CCurlSession* takeIdle(const std::string& key);
    void evictLocked(std::vector<CCurlSession*>& doomed);
    // Takes an idle session out of both indexes.
    void unlinkLocked(CCurlSession* session);

    mutable std::mutex m_lock;
    std::list<CCurlSession*> m_lru;   // oldest first
    std::unordered_map<std::string, std::vector<CCurlSession*>> m_byDevice;   // newest last
};

} // namespace SOAPFramework
} // namespace Zentar
