#pragma once
// The library's own small HTTP(S) server: devices subscribed for pushed events post their
// Notify requests to it. It accepts connections on the shared network loop, gives each a
// session that collects one HTTP message at a time, and routes each request by URL path
// to the processor registered for it (the event centre registers "/onvif_notify_server").
#include <json/json.h>

#include <cstdint>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Base/RPCUtility/ServiceManager.h"
#include "NetFramework/StreamAcceptor.h"

namespace RPC {

class CEventServerSession;

class CEventServer {
public:
    static constexpr size_t kMaxSessions = 500;
    static constexpr size_t kMaxKeyPassword = 1024;
    // A connection has this long to deliver each whole message.
    static constexpr uint32_t kDefaultIdleLimitMs = 30000;

    // The process-wide server of the library's exports; created on first use, never destroyed.
    static CEventServer* instance();

    CEventServer();
    ~CEventServer();   // stop()
    CEventServer(const CEventServer&) = delete;
    CEventServer& operator=(const CEventServer&) = delete;

    // "EnableHTTPS" with "CRT" and "KEY" switch the listener to HTTPS; a key password of 1 to
    // 1024 bytes is kept the first time one is given. The record may also come as its JSON
    // text in a string value (text that is not a record changes nothing). Always true.
    bool setConfig(const Json::Value& config, const char* keyPassword = nullptr, int keyPasswordLength = 0);
    void enableEventAlarm(bool enable);
    // Opens the listener on port (0: any free port; see getListenPort). 0, or -1.
    int serve(int port);
    void stop();

    // Processors by URL path (ServiceManager.h).
    bool addProcessor(const std::string& path, ProcessorProc proc);
    bool removeProcessor(const std::string& path);

    bool isEnabled() const;
    bool isStarted() const;
    bool isHttps() const;
    // The port the listener really has; 0 while not serving.
    uint16_t getListenPort() const;
    size_t sessionCount() const;
    // Shorter limits for tests; applies to connections accepted afterwards.
    void setIdleLimit(uint32_t ms);

private:
    void onAccept(std::shared_ptr<Zentar::NetFramework::CSockStream> stream);
    bool addOneSession(const std::shared_ptr<CEventServerSession>& session);
    void removeSession(long id);

    mutable std::mutex m_mutex;   // configuration and state below
    bool m_enabled = false;
    bool m_https = false;
    std::string m_certificate;
    std::string m_key;
    std::string m_keyPassword;
    bool m_keyPasswordSet = false;
    int m_configuredPort = -1;    // -1: the port given to serve
    bool m_started = false;

    Zentar::NetFramework::CStreamAcceptor m_acceptor;
    CServiceManager m_services;
    // Read by the accept callback, which must not take m_mutex (serve and stop hold it while
    // they open and close the acceptor).
    std::atomic<uint32_t> m_idleLimitMs{kDefaultIdleLimitMs};

    mutable std::mutex m_sessionMutex;
    std::condition_variable m_sessionsGone;
    std::map<long, std::shared_ptr<CEventServerSession>> m_sessions;

    // What the callbacks of the acceptor and the sessions reach the server through: the
    // destructor clears it, so a late callback finds the server gone instead of freed.
    struct CLifeGuard {
        std::mutex mutex;
        CEventServer* server = nullptr;
    };
    std::shared_ptr<CLifeGuard> m_guard;
};

} // namespace RPC
