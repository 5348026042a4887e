#include "Base/RPCUtility/EventServer.h"

#include <chrono>
#include <memory>
#include <vector>

#include "Base/RPCUtility/EventServerSession.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {

using namespace RPC::Onvif;
using Zentar::NetFramework::CSockStream;
using Zentar::NetFramework::CStreamAcceptor;
using Zentar::NetFramework::CTlsIdentity;

CEventServer* CEventServer::instance()
{
    // Deliberately leaked: devices may post until the process ends.
    static CEventServer* s_instance = new CEventServer();
    return s_instance;
}

namespace {
// How long stop() waits for the sessions' connections to close.
constexpr auto kStopWait = std::chrono::seconds(2);
} // namespace

CEventServer::CEventServer() : m_guard(std::make_shared<CLifeGuard>())
{
    m_guard->server = this;
    ONVIF_LOG(LOG_WARN, "EventServer[%p] construct!\n", static_cast<void*>(this));
}

CEventServer::~CEventServer()
{
    stop();
    {
        std::lock_guard<std::mutex> lock(m_guard->mutex);
        m_guard->server = nullptr;
    }
    ONVIF_LOG(LOG_WARN, "EventServer[%p] destruct!\n", static_cast<void*>(this));
}

bool CEventServer::setConfig(const Json::Value& given, const char* keyPassword, int keyPasswordLength)
{
    ONVIF_LOG(LOG_INFO, "EventServer[%p] len:%d, setConfig:%s\n", static_cast<void*>(this), keyPasswordLength,
              given.toStyledString().c_str());
    // Hosts hand the record over either as it is or as its JSON text in a string value;
    // both mean the same. Text that is not a record changes nothing; like every other call
    // it still answers true, so the log line is what tells the host.
    Json::Value config = given;
    if (given.isString()) {
        const std::string text = given.asString();
        std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
        std::string error;
        config = Json::Value();
        if (!reader->parse(text.data(), text.data() + text.size(), &config, &error) || !config.isObject()) {
            ONVIF_LOG(LOG_ERROR, "EventServer setConfig: configuration text is not a JSON record: %s\n",
                      error.c_str());
            return true;
        }
    }
    if (!config.isObject() || !config["EnableHTTPS"].isBool() || !config["EnableHTTPS"].asBool())
        return true;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (config["CRT"].isString() && config["KEY"].isString()) {
        m_certificate = config["CRT"].asString();
        m_key = config["KEY"].asString();
        m_https = true;
    }
    if (keyPassword && keyPasswordLength >= 1 && static_cast<size_t>(keyPasswordLength) <= kMaxKeyPassword) {
        if (m_keyPasswordSet) {
            ONVIF_LOG(LOG_WARN, "https cfg keypassword has already exit!\n");
        } else {
            m_keyPassword.assign(keyPassword, static_cast<size_t>(keyPasswordLength));
            m_keyPasswordSet = true;
            ONVIF_LOG(LOG_DEBUG, "https key password set!\n");
        }
    } else {
        ONVIF_LOG(LOG_WARN, "keypassword invaild\n");
    }
    return true;
}

void CEventServer::enableEventAlarm(bool enable)
{
    ONVIF_LOG(LOG_INFO, "EventServer enableEventAlarm:%d\n", enable ? 1 : 0);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_enabled = enable;
}

int CEventServer::serve(int port)
{
    ONVIF_LOG(LOG_INFO, "EventServer[%p] serve start\n", static_cast<void*>(this));
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_enabled) {
        ONVIF_LOG(LOG_WARN, "EventServer enableEventAlarm:%d, not to open listenport:%d\n", 0, port);
        return -1;
    }
    if (m_started) {
        ONVIF_LOG(LOG_WARN, "EventServer already started\n");
        return 0;
    }
    const uint16_t listenPort = static_cast<uint16_t>(m_configuredPort == -1 ? port : m_configuredPort);
    CTlsIdentity identity{m_certificate, m_key, m_keyPassword};
    std::string error;
    const std::shared_ptr<CLifeGuard> guard = m_guard;
    const int rc = m_acceptor.open(listenPort, m_https ? &identity : nullptr,
                                   [guard](std::shared_ptr<CSockStream> stream) {
                                       std::lock_guard<std::mutex> alive(guard->mutex);
                                       if (guard->server)
                                           guard->server->onAccept(std::move(stream));
                                   },
                                   &error);
    if (rc == CStreamAcceptor::OPEN_BAD_IDENTITY) {
        ONVIF_LOG(LOG_ERROR, "SetCert failed, ret:%d\n", rc);
        return -1;
    }
    if (rc != CStreamAcceptor::OPEN_OK) {
        if (m_https)
            ONVIF_LOG(LOG_ERROR, "Open failed\n");
        else
            ONVIF_LOG(LOG_ERROR, "EventServer open failed, listenPort:%d\n", static_cast<int>(listenPort));
        return -1;
    }
    m_started = true;
    const int fd = m_acceptor.nativeHandle();
    ONVIF_LOG(LOG_WARN, "EventServer start OK, listenPort:%d, bHttps:%d, fd:%d, ssl_fd:%d, sock_fd:%d!\n",
              static_cast<int>(m_acceptor.localPort()), m_https ? 1 : 0, fd, m_https ? fd : -1, m_https ? -1 : fd);
    return 0;
}

void CEventServer::stop()
{
    ONVIF_LOG(LOG_INFO, "CEventServer[%p] stopping\n", static_cast<void*>(this));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_acceptor.close();
        m_started = false;
    }
    std::vector<std::shared_ptr<CEventServerSession>> sessions;
    {
        std::lock_guard<std::mutex> lock(m_sessionMutex);
        for (auto& entry : m_sessions)
            sessions.push_back(entry.second);
    }
    for (auto& session : sessions)
        session->stop();
    // Processors may belong to objects about to go: wait (bounded) until no session can
    // call one any more. Each session leaves the table once its connection has closed.
    {
        std::unique_lock<std::mutex> lock(m_sessionMutex);
        if (!m_sessionsGone.wait_for(lock, kStopWait, [this] { return m_sessions.empty(); }))
            ONVIF_LOG(LOG_WARN, "EventServer[%p] %zu sessions still closing\n", static_cast<void*>(this),
                      m_sessions.size());
    }
    ONVIF_LOG(LOG_INFO, "EventServer[%p] stop ok\n", static_cast<void*>(this));
}

bool CEventServer::addProcessor(const std::string& path, ProcessorProc proc)
{
    return m_services.addProcessor(path, std::move(proc));
}

bool CEventServer::removeProcessor(const std::string& path) { return m_services.removeProcessor(path); }

bool CEventServer::isEnabled() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_enabled;
}

bool CEventServer::isStarted() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_started;
}

bool CEventServer::isHttps() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_https;
}

uint16_t CEventServer::getListenPort() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_started ? m_acceptor.localPort() : 0;
}

size_t CEventServer::sessionCount() const
{
    std::lock_guard<std::mutex> lock(m_sessionMutex);
    return m_sessions.size();
}

void CEventServer::setIdleLimit(uint32_t ms)
{
    m_idleLimitMs = ms;
}

void CEventServer::onAccept(std::shared_ptr<CSockStream> stream)
{
    if (sessionCount() >= kMaxSessions) {
        ONVIF_LOG(LOG_WARN, "Session limit:%zu\n", kMaxSessions);
        stream->close();
        return;
    }
    const uint32_t idleLimit = m_idleLimitMs.load();
    const std::shared_ptr<CLifeGuard> guard = m_guard;
    auto session = std::make_shared<CEventServerSession>(stream, m_services, idleLimit, [guard](long id) {
        std::lock_guard<std::mutex> alive(guard->mutex);
        if (guard->server)
            guard->server->removeSession(id);
    });
    if (!addOneSession(session)) {
        ONVIF_LOG(LOG_WARN, "addOneSession failed!\n");
        stream->close();
        return;
    }
    if (!session->start()) {
        ONVIF_LOG(LOG_WARN, "Session start failed!\n");
        removeSession(session->id());
        stream->close();
    }
}

bool CEventServer::addOneSession(const std::shared_ptr<CEventServerSession>& session)
{
    std::lock_guard<std::mutex> lock(m_sessionMutex);
    if (m_sessions.count(session->id())) {
        ONVIF_LOG(LOG_WARN, "Session already exists, id:%ld\n", session->id());
        return false;
    }
    if (m_sessions.size() >= kMaxSessions) {
        ONVIF_LOG(LOG_WARN, "Max Session:%zu,current:%zu\n", kMaxSessions, m_sessions.size());
        return false;
    }
    m_sessions.emplace(session->id(), session);
    return true;
}

void CEventServer::removeSession(long id)
{
    std::shared_ptr<CEventServerSession> gone;   // destroyed outside the lock
    {
        std::lock_guard<std::mutex> lock(m_sessionMutex);
        auto it = m_sessions.find(id);
        if (it == m_sessions.end())
            return;
        gone = std::move(it->second);
        m_sessions.erase(it);
        if (m_sessions.empty())
            m_sessionsGone.notify_all();
    }
    ONVIF_LOG(LOG_DEBUG, "remove Session:%ld\n", id);
}

} // namespace RPC
