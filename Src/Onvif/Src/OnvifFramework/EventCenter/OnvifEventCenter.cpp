#include "OnvifFramework/EventCenter/OnvifEventCenter.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "Base/RPCUtility/EventServer.h"
#include "Base/RPCUtility/NetUtility.h"
#include "Infra/Time.h"
#include "OnvifFramework/EventCenter/OnvifNotifyBody.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

using Zentar::Component::ServerInfo;
using Zentar::Infra::CGuard;

namespace {

constexpr const char* kAddressType = "Events";
constexpr const char* kService = "EventHanding";
// A device that cannot be subscribed is tried again after 5 s, then less and less often.
constexpr uint64_t kFirstRetryMs = 5000;
constexpr uint64_t kLongestRetryMs = 60000;

std::string durationText(uint64_t seconds)
{
    return "PT" + std::to_string(seconds) + "S";
}

// RFC 7231 date of the answer's Date header.
std::string httpDate()
{
    char text[64];
    const time_t now = time(nullptr);
    struct tm t;
    gmtime_r(&now, &t);
    strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &t);
    return text;
}

std::string urlHostOf(const std::string& address)
{
    return isIPv6Literal(address) ? "[" + address + "]" : address;
}

} // namespace

COnvifEventCenter* COnvifEventCenter::instance()
{
    // Deliberately leaked: notifications may arrive until the process ends.
    static COnvifEventCenter* s_instance = new COnvifEventCenter(CEventServer::instance());
    return s_instance;
}

COnvifEventCenter::COnvifEventCenter(CEventServer* server, ClockProc clock, Mode mode)
    : m_server(server), m_clock(std::move(clock)), m_mode(mode), m_guard(std::make_shared<CLifeGuard>())
{
    m_guard->centre = this;
}

COnvifEventCenter::~COnvifEventCenter()
{
    m_renewTimer.stopAndWait();
    if (m_processorAdded && m_server)
        m_server->removeProcessor(kNotifyPath);
    {
        std::unique_lock<std::shared_mutex> lock(m_guard->mutex);
        m_guard->centre = nullptr;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& entry : m_devices)
        entry.second->task.stopAndWait();
}

uint64_t COnvifEventCenter::nowMs() const
{
    return m_clock ? m_clock() : Zentar::Infra::CTime::getCurrentMilliSecond();
}

bool COnvifEventCenter::ensureProcessor()
{
    if (!m_server || !m_server->isStarted()) {
        ONVIF_LOG(LOG_WARN, "open onvif_notify_server failed\n");
        return false;
    }
    if (m_processorAdded)
        return true;
    const std::shared_ptr<CLifeGuard> guard = m_guard;
    // Notifications of different devices are handled in parallel; only the centre's end
    // waits for them.
    m_processorAdded = m_server->addProcessor(kNotifyPath, [guard](const CServerRequest& request) {
        std::shared_lock<std::shared_mutex> alive(guard->mutex);
        return guard->centre ? guard->centre->OnNotify(request) : std::string();
    });
    if (!m_processorAdded)
        ONVIF_LOG(LOG_WARN, "open onvif_notify_server failed\n");
    return m_processorAdded;
}

std::shared_ptr<COnvifEventCenter::Slot> COnvifEventCenter::findSlot(const std::string& address) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_devices.find(address);
    return it == m_devices.end() ? nullptr : it->second;
}

size_t COnvifEventCenter::deviceCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices.size();
}

bool COnvifEventCenter::addDelegation(std::shared_ptr<const ServerInfo> info, std::shared_ptr<COnvifEventSignal> signal)
{
    if (!info || !signal)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!ensureProcessor())
        return false;
    if (m_devices.count(info->address)) {
        ONVIF_LOG(LOG_WARN, "svr:%s, already registered\n", info->address.c_str());
        return true;
    }
    if (m_devices.size() >= kMaxDevices) {
        ONVIF_LOG(LOG_WARN, "Max subscription:%zu reached\n", kMaxDevices);
        return false;
    }
    auto slot = std::make_shared<Slot>();
    slot->policy = std::make_shared<CEventPolicy>(info, std::move(signal), [this] { return nowMs(); });
    slot->policy->subscription().seconds = kSubscriptionSeconds;
    m_devices.emplace(info->address, std::move(slot));
    ONVIF_LOG(LOG_INFO, "svr:%s, count:%zu, addProcesser ret:%d\n", info->address.c_str(), m_devices.size(), 0);
    if (m_mode == Mode::Timed && !m_renewTimer.isStarted())
        m_renewTimer.start([this](unsigned long) { runRenewals(); }, kRenewTimerMs, kRenewTimerMs);
    return true;
}

bool COnvifEventCenter::removeDelegation(const ServerInfo& info)
{
    std::shared_ptr<Slot> slot;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_devices.find(info.address);
        if (it != m_devices.end()) {
            slot = std::move(it->second);
            m_devices.erase(it);
        }
    }
    ONVIF_LOG(LOG_INFO, "svr:%s, removeProcesser ret:%d\n", info.address.c_str(), slot ? 0 : -1);
    if (!slot)
        return false;
    slot->task.stopAndWait();
    unsubscribeSlot(*slot);
    return true;
}

std::string COnvifEventCenter::consumerAddress(const ServerInfo& info) const
{
    if (!m_server)
        return std::string();
    const char* scheme = m_server->isHttps() ? "https://" : "http://";
    const auto virtualAlarm = COnvifBaseComm::instance()->getVirtualAlarm();
    // A device reached through a port mapping cannot reach our own address either: it is
    // told the address the host set up for it.
    if (info.mediaPort != 0 && !virtualAlarm.first.empty() && virtualAlarm.second != 0)
        return scheme + urlHostOf(virtualAlarm.first) + ":" + std::to_string(virtualAlarm.second) + kNotifyPath;
    std::string local;
    if (!localAddressTowards(info.address, static_cast<uint16_t>(info.port), local)) {
        if (isIPv6Literal(info.address))
            ONVIF_LOG(LOG_WARN, "localIPV6IpOnConn <%s|%d>failed\n", info.address.c_str(), static_cast<int>(info.port));
        return std::string();
    }
    return scheme + urlHostOf(local) + ":" + std::to_string(m_server->getListenPort()) + kNotifyPath;
}

bool COnvifEventCenter::subscribeSlot(Slot& slot)
{
    CEventPolicy& policy = *slot.policy;
    const ServerInfo& info = policy.serverInfo();
    const std::string consumer = consumerAddress(info);
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    uint64_t seconds = kSubscriptionSeconds;
    {
        CGuard guard(slot.mutex);
        seconds = policy.subscription().seconds;
    }
    request["Subscribe"]["ConsumerReference"]["Address"] = consumer;
    request["Subscribe"]["InitialTerminationTime"] = durationText(seconds);
    const bool ok = !consumer.empty() && commonOpList(info, request, result, kAddressType, kService, "Subscribe") &&
                    !textOr(result, "SubscriptionReference.Address", "").empty();
    if (!ok && textOr(request, "XAddr", "").empty())
        ONVIF_LOG(LOG_WARN, "Device[%s] has no Event_XAddr!\n", info.address.c_str());
    CGuard guard(slot.mutex);
    CEventPolicy::Subscription& s = policy.subscription();
    const uint64_t now = nowMs();
    if (!ok) {
        ONVIF_LOG(LOG_WARN, "ip:%s subscribe fail!\n", info.address.c_str());
        s.subscribed = false;
        s.nextAttemptMs = now + std::min(kLongestRetryMs, kFirstRetryMs << std::min<uint32_t>(s.failedAttempts, 4));
        ++s.failedAttempts;
        return false;
    }
    s.address = textOr(result, "SubscriptionReference.Address", "");
    std::string mapped;
    COnvifInfoCenter::mapServiceUrl(info, s.address, mapped);
    s.mappedAddress = mapped == s.address ? std::string() : mapped;
    s.subscribed = true;
    s.lastRenewMs = now;
    s.failedAttempts = 0;
    return true;
}

bool COnvifEventCenter::renewSlot(Slot& slot)
{
    CEventPolicy& policy = *slot.policy;
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    {
        CGuard guard(slot.mutex);
        const CEventPolicy::Subscription& s = policy.subscription();
        if (!s.subscribed)
            return false;
        request["SubscriptionReference"]["Address"] = s.address;
        request["SubscriptionReference"]["MappedAddress"] = s.mappedAddress;
        request["Renew"]["TerminationTime"] = durationText(s.seconds);
    }
    if (commonOpList(policy.serverInfo(), request, result, kAddressType, kService, "Renew")) {
        CGuard guard(slot.mutex);
        policy.subscription().lastRenewMs = nowMs();
        return true;
    }
    // A device that rebooted has forgotten the subscription; one that went away will take
    // a new one when it comes back.
    ONVIF_LOG(LOG_INFO, "renew fail! ip:[%s]! set up subcribing after renew fail\n",
              policy.serverInfo().address.c_str());
    return subscribeSlot(slot);
}

bool COnvifEventCenter::unsubscribeSlot(Slot& slot)
{
    CEventPolicy& policy = *slot.policy;
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    {
        CGuard guard(slot.mutex);
        CEventPolicy::Subscription& s = policy.subscription();
        if (!s.subscribed)
            return true;
        request["SubscriptionReference"]["Address"] = s.address;
        request["SubscriptionReference"]["MappedAddress"] = s.mappedAddress;
        s.subscribed = false;
    }
    if (!commonOpList(policy.serverInfo(), request, result, kAddressType, kService, "Unsubscribe")) {
        ONVIF_LOG(LOG_WARN, "ip:%s unsubscribe fail!\n", policy.serverInfo().address.c_str());
        return false;
    }
    return true;
}

bool COnvifEventCenter::subscribe(const ServerInfo& info)
{
    std::shared_ptr<Slot> slot = findSlot(info.address);
    return slot && subscribeSlot(*slot);
}

bool COnvifEventCenter::renew(const ServerInfo& info)
{
    std::shared_ptr<Slot> slot = findSlot(info.address);
    return slot && renewSlot(*slot);
}

bool COnvifEventCenter::unsubscribe(const ServerInfo& info)
{
    std::shared_ptr<Slot> slot = findSlot(info.address);
    return slot && unsubscribeSlot(*slot);
}

bool COnvifEventCenter::isSubscribed(const ServerInfo& info, std::string* reference) const
{
    std::shared_ptr<Slot> slot = findSlot(info.address);
    if (!slot)
        return false;
    CGuard guard(slot->mutex);
    if (reference)
        *reference = slot->policy->subscription().address;
    return slot->policy->subscription().subscribed;
}

void COnvifEventCenter::runTask(const std::shared_ptr<Slot>& slot, std::function<void(Slot&)> fn)
{
    if (m_mode == Mode::Driven) {
        fn(*slot);
        return;
    }
    // One exchange at a time per device: a renewal still waiting for a dead device is not
    // started twice.
    if (slot->task.isStarted() || slot->task.isRunning())
        return;
    std::weak_ptr<Slot> weak = slot;
    slot->task.start([weak, fn](unsigned long) {
        if (auto s = weak.lock())
            fn(*s);
    }, 0, 0);
}

void COnvifEventCenter::runRenewals()
{
    std::vector<std::shared_ptr<Slot>> slots;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& entry : m_devices)
            slots.push_back(entry.second);
    }
    const uint64_t now = nowMs();
    for (const std::shared_ptr<Slot>& slot : slots) {
        bool renewDue = false;
        bool retryDue = false;
        {
            CGuard guard(slot->mutex);
            const CEventPolicy::Subscription& s = slot->policy->subscription();
            renewDue = s.subscribed && now - s.lastRenewMs > (s.seconds - kRenewMarginSeconds) * 1000;
            retryDue = !s.subscribed && s.failedAttempts > 0 && now >= s.nextAttemptMs;
        }
        if (renewDue)
            runTask(slot, [this](Slot& s) { renewSlot(s); });
        else if (retryDue)
            runTask(slot, [this](Slot& s) { subscribeSlot(s); });
    }
}

std::string COnvifEventCenter::OnNotify(const CServerRequest& request)
{
    const std::string sender = withoutMappedPrefix(request.peerAddress);
    ONVIF_LOG(LOG_DEBUG, "OnNotify, check SockAddrIPv6<%s> -- remoteIP<%s>\n", request.peerAddress.c_str(),
              sender.c_str());
    handleNotify(sender, request.message.GetContent(), request.message.GetContentLength());
    return "HTTP/1.1 200 OK\r\nServer: EventServer(V1.0)\r\nCONTENT-LENGTH: 0\r\nDate:" + httpDate() +
           "\r\nConnection: close\r\n\r\n";
}

bool COnvifEventCenter::handleNotify(const std::string& sender, const char* body, size_t length)
{
    std::shared_ptr<Slot> slot = findSlot(sender);
    if (!slot) {
        ONVIF_LOG(LOG_INFO, "event from ip<%s>, not in map\n", sender.c_str());
        return false;
    }
    std::vector<OnvifEventCharacter> events;
    if (!readNotifyEvents(sender, body, length, events))
        return false;
    for (const OnvifEventCharacter& event : events)
        slot->policy->execute(event);
    return true;
}

} // namespace Onvif
} // namespace RPC
