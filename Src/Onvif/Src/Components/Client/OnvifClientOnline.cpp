// The online state: a cached flag refreshed in the background at most every 5 s, so a
// host that polls hundreds of devices does not open hundreds of connections per poll.
#include "Components/Client/OnvifClient.h"

#include <atomic>

#include "Infra/Time.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {
constexpr uint64_t kMinProbeIntervalMs = 5001;
constexpr uint32_t kProbeDelayMs = 1000;

// Replaceable so tests can step over the probe window instead of sleeping through it.
std::atomic<COnvifClient::OnlineClockFn> g_onlineClock{nullptr};
std::atomic<uint32_t> g_probeDelayMs{kProbeDelayMs};

uint64_t onlineNow()
{
    COnvifClient::OnlineClockFn clock = g_onlineClock.load();
    return clock ? clock() : Zentar::Infra::CTime::getCurrentMilliSecond();
}
} // namespace

void COnvifClient::setOnlineTiming(OnlineClockFn clock, uint32_t probeDelayMs)
{
    g_onlineClock.store(clock);
    g_probeDelayMs.store(clock ? probeDelayMs : kProbeDelayMs);
}

void COnvifClient::initOnlineInfo()
{
    {
        Zentar::Infra::CGuard guard(m_onlineMutex);
        m_onlineInfo["IsOnline"] = false;
        m_onlineInfo["LastUpdateTime"] = Json::UInt64(onlineNow());
    }
    m_onlineTimer = std::make_unique<Zentar::Infra::CTimer>("OnvifOnlineTimer");
}

void COnvifClient::clearOnlineInfo()
{
    {
        Zentar::Infra::CGuard guard(m_onlineMutex);
        m_onlineInfo["IsOnline"] = false;
    }
    if (m_onlineTimer) {
        m_onlineTimer->stopAndWait();
        m_onlineTimer.reset();
        ONVIF_LOG(LOG_INFO, "Client[%p], m_onlineTimerPtr delete!\n", static_cast<void*>(this));
    }
}

void COnvifClient::setOnlineState(bool online)
{
    Zentar::Infra::CGuard guard(m_onlineMutex);
    m_onlineInfo["IsOnline"] = online;
    m_onlineInfo["LastUpdateTime"] = Json::UInt64(onlineNow());
    ONVIF_LOG(LOG_DEBUG, "setOnline:%s\n", m_onlineInfo.toStyledString().c_str());
}

bool COnvifClient::getOnlineState()
{
    if (!m_loggedIn) {
        ONVIF_LOG(LOG_WARN, "COnvifClient[%p], device not login, <%s|%d>\n", static_cast<void*>(this),
                  m_serverInfo->address.c_str(), m_serverInfo->port);
        return false;
    }
    bool online = false;
    uint64_t last = 0;
    {
        Zentar::Infra::CGuard guard(m_onlineMutex);
        const Json::Value& flag = m_onlineInfo["IsOnline"];
        if (flag.isBool())
            online = flag.asBool();
        else
            ONVIF_LOG(LOG_ERROR, "invaild OnlineInfo:%s\n", m_onlineInfo.toStyledString().c_str());
        last = m_onlineInfo["LastUpdateTime"].asUInt64();
    }
    const uint64_t now = onlineNow();
    ONVIF_LOG(LOG_INFO, "COnvifClient[%p], isonlie[%d], current[%llu], last[%llu]!\n", static_cast<void*>(this),
              online, static_cast<unsigned long long>(now), static_cast<unsigned long long>(last));
    if (now - last < kMinProbeIntervalMs) {
        ONVIF_LOG(LOG_INFO, "COnvifClient[%p],  check online too busy, not to start TCPconnect!\n",
                  static_cast<void*>(this));
        return online;
    }
    if (!m_onlineTimer) {
        ONVIF_LOG(LOG_ERROR, "COnvifClient[%p], m_onlineTimerPtr is NULL!\n", static_cast<void*>(this));
    } else if (m_onlineTimer->isStarted() || m_onlineTimer->isRunning()) {
        ONVIF_LOG(LOG_WARN, "COnvifClient[%p], m_onlineTimerPtr running, not to start again!\n",
                  static_cast<void*>(this));
    } else {
        m_onlineTimer->start([this](unsigned long) { setOnlineState(probeReachable()); }, g_probeDelayMs.load(), 0);
        ONVIF_LOG(LOG_INFO, "COnvifClient[%p], m_onlineTimerPtr Start!\n", static_cast<void*>(this));
    }
    return online;
}

bool COnvifClient::isBroken()
{
    bool online = getOnlineState();
    ONVIF_LOG(LOG_INFO, "Client[%p] isBroken[%d], <%s|%d> !\n", static_cast<void*>(this), !online,
              m_serverInfo->address.c_str(), m_serverInfo->port);
    return !online;
}

} // namespace Onvif
} // namespace RPC
