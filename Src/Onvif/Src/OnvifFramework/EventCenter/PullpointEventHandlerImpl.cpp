#include "OnvifFramework/EventCenter/PullpointEventHandlerImpl.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "Infra/Thread.h"
#include "Infra/Time.h"
#include "OnvifFramework/EventCenter/OnvifEventCharacter.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"

namespace RPC {
namespace Onvif {

namespace {

constexpr const char* kAddressType = "Events";
constexpr const char* kService = "EventHanding";
constexpr int kUnsubscribeAttempts = 5;
constexpr uint32_t kUnsubscribeGapMs = 10;

// "2024-05-01T10:00:00Z" (fractions and zones other than Z are not what devices send here).
bool utcSeconds(const std::string& text, int64_t& seconds)
{
    struct tm t = {};
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%dZ", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min,
                    &t.tm_sec) != 6)
        return false;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    seconds = static_cast<int64_t>(timegm(&t));
    return true;
}

} // namespace

CPullpointEventHandler::Impl::Impl(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo,
                                   std::shared_ptr<COnvifEventSignal> signal, ClockProc clock, SleepProc sleep)
    : m_serverInfo(std::move(serverInfo)), m_signal(std::move(signal)), m_clock(std::move(clock)),
      m_sleep(std::move(sleep))
{
}

CPullpointEventHandler::Impl::~Impl()
{
    m_timer.stopAndWait();
}

uint64_t CPullpointEventHandler::Impl::nowMs() const
{
    return m_clock ? m_clock() : Zentar::Infra::CTime::getCurrentMilliSecond();
}

void CPullpointEventHandler::Impl::wait(uint32_t ms)
{
    if (ms == 0)
        return;
    if (m_sleep) {
        m_sleep(ms);
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}

void CPullpointEventHandler::Impl::requestStop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_cancel.cancel();
    m_timer.stopAndWait();
}

bool CPullpointEventHandler::Impl::stopping() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop;
}

void CPullpointEventHandler::Impl::threadProc()
{
    Zentar::SOAPFramework::CSOAPTransport::setThreadCancel(&m_cancel);
    while (!stopping())
        wait(runOnce());
    // The goodbye to the device is not cut short.
    Zentar::SOAPFramework::CSOAPTransport::setThreadCancel(nullptr);
    if (!m_address.empty())
        unsubscribe(false);
}

bool CPullpointEventHandler::Impl::readTopicSet()
{
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!commonOpList(*m_serverInfo, request, result, kAddressType, kService, "GetEventProperties")) {
        ONVIF_LOG(LOG_WARN, "get/parse event properties failed...\n");
        return false;
    }
    m_topicSet = Json::Value(Json::objectValue);
    m_topicSet["TopicSet"] = result["TopicSet"].isArray() ? result["TopicSet"] : Json::Value(Json::arrayValue);
    return true;
}

bool CPullpointEventHandler::Impl::needsNewSubscription()
{
    if (m_address.empty())
        return true;
    switch (m_errorState) {
    case ERROR_NONE:
        return false;
    case ERROR_RECV:
        // The device may only have been slow: its pull point lives on until its validity
        // runs out, counted from the last pull that worked.
        if (nowMs() - m_lastPullMs <= static_cast<uint64_t>(m_validity) * 1000)
            return false;
        unsubscribe(true);
        break;
    case ERROR_SEND:
    case ERROR_REFUSED:
        break;
    }
    m_address.clear();
    m_mappedAddress.clear();
    return true;
}

bool CPullpointEventHandler::Impl::createSubscription()
{
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!commonOpList(*m_serverInfo, request, result, kAddressType, kService, "CreatePullPointSubscription") ||
        textOr(result, "SubscriptionReference.Address", "").empty()) {
        ONVIF_LOG(LOG_WARN, "createPullPointSubscription failed...\n");
        return false;
    }
    m_address = textOr(result, "SubscriptionReference.Address", "");
    COnvifInfoCenter::mapServiceUrl(*m_serverInfo, m_address, m_mappedAddress);
    if (m_mappedAddress == m_address)
        m_mappedAddress.clear();
    m_errorState = ERROR_NONE;
    m_lastPullMs = nowMs();
    refreshValidity(result);
    return true;
}

// Up to five tries a moment apart; a request that cannot even be sent will not be sent
// on the next try either.
void CPullpointEventHandler::Impl::unsubscribe(bool retry)
{
    for (int attempt = 0; attempt < (retry ? kUnsubscribeAttempts : 1); ++attempt) {
        Json::Value request(Json::objectValue);
        Json::Value result(Json::objectValue);
        request["SubscriptionReference"]["Address"] = m_address;
        request["SubscriptionReference"]["MappedAddress"] = m_mappedAddress;
        if (commonOpList(*m_serverInfo, request, result, kAddressType, kService, "Unsubscribe")) {
            ONVIF_LOG(LOG_INFO, "unsubscribe ok \n");
            return;
        }
        if (result.isMember("SendError"))
            return;
        wait(kUnsubscribeGapMs);
    }
}

bool CPullpointEventHandler::Impl::pull(Json::Value& result)
{
    Json::Value request = m_topicSet;
    request["PullpointAddr"] = m_address;
    request["SubscriptionReference"]["MappedAddress"] = m_mappedAddress;
    request["PullMessages"]["Timeout"] = m_pullTimeout;
    request["PullMessages"]["MessageLimit"] = m_messageLimit;
    if (m_errorState == ERROR_RECV)
        request["ExtendTime"] = "true";
    return commonOpList(*m_serverInfo, request, result, kAddressType, kService, "PullMessages");
}

void CPullpointEventHandler::Impl::takeFailure(const Json::Value& result)
{
    if (result.isMember("RecvError")) {
        m_errorState = ERROR_RECV;
    } else if (result.isMember("SendError")) {
        m_errorState = ERROR_SEND;
        m_topicSet = Json::Value();   // a device that went away may come back with other topics
    } else if (!result.isMember("MaxTimeout")) {
        m_errorState = ERROR_REFUSED;
    }
    // A pull point that cannot wait as long or give as many as asked says what it can.
    const std::string maxTimeout = textOr(result, "MaxTimeout", "");
    if (!maxTimeout.empty() && result["MaxMessageLimit"].isInt()) {
        const int seconds = durationToSeconds(maxTimeout.c_str());
        m_pullTimeout = seconds > kMaxPullSeconds ? "PT" + std::to_string(kMaxPullSeconds) + "S" : maxTimeout;
        m_messageLimit = result["MaxMessageLimit"].asInt() > 0 ? result["MaxMessageLimit"].asInt() : 1;
    }
}

bool CPullpointEventHandler::Impl::refreshValidity(const Json::Value& result)
{
    int64_t current = 0;
    int64_t termination = 0;
    if (!utcSeconds(textOr(result, "CurrentTime", ""), current) ||
        !utcSeconds(textOr(result, "TerminationTime", ""), termination))
        return false;
    if (current > termination) {
        ONVIF_LOG(LOG_WARN, "CurrentTime[%s] is later than TerminationTime[%s]\n",
                  textOr(result, "CurrentTime", "").c_str(), textOr(result, "TerminationTime", "").c_str());
        return false;
    }
    m_validity = termination - current;
    m_lastPullMs = nowMs();
    return true;
}

uint32_t CPullpointEventHandler::Impl::runOnce()
{
    if (m_topicSet.isNull() && !readTopicSet())
        return kSetupRetryMs;
    if (needsNewSubscription() && !createSubscription())
        return kSetupRetryMs;
    Json::Value result(Json::objectValue);
    if (!pull(result)) {
        takeFailure(result);
        return kPullRetryMs;
    }
    m_errorState = ERROR_NONE;
    refreshValidity(result);
    if (!result["NotificationMessage"].isArray() || result["NotificationMessage"].empty())
        return kPullRetryMs;
    if (!parseAndTriger(result)) {
        ONVIF_LOG(LOG_WARN, "Pullmessage parse failed...\n");
        return kParseRetryMs;
    }
    return 0;
}

bool CPullpointEventHandler::Impl::parseAndTriger(const Json::Value& pulled)
{
    const Json::Value& messages = pulled["NotificationMessage"];
    if (!messages.isArray())
        return false;
    for (const Json::Value& message : messages) {
        if (stopping())
            return true;
        OnvifEventCharacter event = OnvifEventCharacter::fromNotification(message);
        if (event.classify().empty()) {
            ONVIF_LOG(LOG_WARN, "Parse event type failed, invalid event type...\n");
            return false;
        }
        const bool active = event.isActive(false);
        ONVIF_LOG(LOG_INFO, "triger topic:[%s] action:[%d]\n", event.topic().c_str(), active ? 0 : 1);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto& trigger = m_triggers[event.eventType()];
            if (!trigger) {
                // Triggers report under the lock; the reports reach the host once it is left.
                auto report = [this](const std::string& type, int index, int action) {
                    m_reports.push_back({type, index, action});
                };
                SleepProc pause = m_sleep ? m_sleep : [](uint32_t ms) { Zentar::Infra::CThread::sleep(ms); };
                trigger = std::make_unique<CAlarmTriger>(report, event.eventType(), [this] { return nowMs(); }, pause);
            }
            // A message saying the event is over (or a state first reported as off, as
            // devices do when a subscription starts) never raises an alarm; it only keeps a
            // running one going until the hold time after it.
            if (active || trigger->isActive()) {
                trigger->triger(0, kHoldMs);
                if (!m_timer.isStarted() && !m_stop) {
                    std::weak_ptr<Impl> weak = weak_from_this();
                    m_timer.start([weak](unsigned long) {
                        if (auto self = weak.lock())
                            self->tickTriggers();
                    }, kTickMs, kTickMs);
                }
            }
        }
        deliverReports();
        wait(kMessageGapMs);
    }
    return true;
}

void CPullpointEventHandler::Impl::tickTriggers()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bool anyActive = false;
        for (auto& entry : m_triggers) {
            entry.second->tick();
            anyActive = anyActive || entry.second->isActive();
        }
        // An idle device costs no timer wake-ups.
        if (!anyActive)
            m_timer.stop();
    }
    deliverReports();
}

// The host's callbacks run without the lock, so one may stop the worker or detach itself.
void CPullpointEventHandler::Impl::deliverReports()
{
    std::vector<Report> reports;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        reports.swap(m_reports);
    }
    for (const Report& r : reports)
        m_signal->emit(r.type, r.index, r.action);
}

bool CPullpointEventHandler::Impl::triggerActive(const std::string& eventType) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_triggers.find(eventType);
    return it != m_triggers.end() && it->second->isActive();
}

} // namespace Onvif
} // namespace RPC
