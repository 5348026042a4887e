#include "OnvifSim/SimDevice.h"

#include "Events/EventHub.h"

#include "Device/DeviceCore.h"
#include "DeviceIO/IoModel.h"
#include "Firmware/FirmwareState.h"
#include "Replay/ReplayAnswers.h"
#include "Rtsp/RtspServer.h"

namespace OnvifSim {

CSimDevice::CSimDevice(std::shared_ptr<CDeviceCore> core, unsigned short port, bool https, std::string host,
                       std::shared_ptr<CRtspServer> rtsp)
    : m_core(std::move(core)), m_rtsp(std::move(rtsp)), m_port(port), m_https(https), m_host(std::move(host))
{
}

unsigned short CSimDevice::rtspPort() const
{
    return m_rtsp ? m_rtsp->port() : 0;
}

std::string CSimDevice::rtspUrl(const std::string& profileToken, bool multicast) const
{
    return m_rtsp ? m_rtsp->streamUrl(profileToken, multicast) : std::string();
}

void CSimDevice::setRtspFault(ERtspFault fault)
{
    if (m_rtsp)
        m_rtsp->setFault(fault);
}

void CSimDevice::dropRtspSessions()
{
    if (m_rtsp)
        m_rtsp->dropSessions();
}

void CSimDevice::setRtspSessionTimeout(int seconds)
{
    if (m_rtsp)
        m_rtsp->setSessionTimeout(seconds);
}

int CSimDevice::rtspSessionCount() const
{
    return m_rtsp ? m_rtsp->sessionCount() : 0;
}

std::string CSimDevice::baseUrl() const
{
    return std::string(m_https ? "https://" : "http://") + m_host + ":" + std::to_string(m_port);
}

std::string CSimDevice::serviceUrl(const std::string& serviceKey) const
{
    auto lock = m_core->lock();
    const auto& services = m_core->state().current.services;
    auto it = services.find(serviceKey);
    return it == services.end() ? std::string() : baseUrl() + it->second;
}

std::vector<CRecordedRequest> CSimDevice::requests() const
{
    auto lock = m_core->lock();
    return {m_core->log().begin(), m_core->log().end()};
}

int CSimDevice::requestCount() const
{
    auto lock = m_core->lock();
    return static_cast<int>(m_core->log().size());
}

int CSimDevice::count(const std::string& operation) const
{
    auto lock = m_core->lock();
    auto it = m_core->counts().find(operation);
    return it == m_core->counts().end() ? 0 : it->second;
}

void CSimDevice::clearRequests()
{
    auto lock = m_core->lock();
    m_core->log().clear();
    m_core->counts().clear();
}

void CSimDevice::addFault(const CSimFault& fault)
{
    auto lock = m_core->lock();
    m_core->faults().add(fault);
}

bool CSimDevice::addFault(const Json::Value& json, std::string* error)
{
    CSimFault fault;
    std::string why;
    if (!ParseSimFault(json, fault, why)) {
        if (error)
            *error = why;
        return false;
    }
    addFault(fault);
    return true;
}

void CSimDevice::clearFaults()
{
    auto lock = m_core->lock();
    m_core->faults().clear();
}

void CSimDevice::clearFaults(const std::string& operation)
{
    auto lock = m_core->lock();
    m_core->faults().clear(operation);
}

long long CSimDevice::clockOffset() const
{
    auto lock = m_core->lock();
    return m_core->state().current.clockOffsetSeconds;
}

void CSimDevice::setClockOffset(long long seconds)
{
    update([seconds](CDeviceDescription& d) { d.clockOffsetSeconds = seconds; });
}

void CSimDevice::jumpClock(long long seconds)
{
    update([seconds](CDeviceDescription& d) { d.clockOffsetSeconds += seconds; });
}

void CSimDevice::jumpClockAfter(int requests, long long seconds)
{
    auto lock = m_core->lock();
    m_core->jumpClockAfter(requests, seconds);
}

void CSimDevice::advanceMotionClock(int milliseconds)
{
    auto lock = m_core->lock();
    Json::Value& skew = m_core->state().serviceData["motionSkewMs"];
    skew = (skew.isNumeric() ? skew.asDouble() : 0.0) + milliseconds;
}

long long CSimDevice::deviceTime() const
{
    auto lock = m_core->lock();
    return m_core->state().now();
}

void CSimDevice::setUsers(const std::vector<CSimUser>& users)
{
    update([&users](CDeviceDescription& d) { d.users = users; });
}

void CSimDevice::setAuthMode(EAuthMode mode)
{
    update([mode](CDeviceDescription& d) { d.authMode = mode; });
}

void CSimDevice::setRefusalStyle(ERefusalStyle style)
{
    update([style](CDeviceDescription& d) { d.refusalStyle = style; });
}

void CSimDevice::setAnonymousOperations(const std::set<std::string>& operations)
{
    update([&operations](CDeviceDescription& d) { d.anonymousOperations = operations; });
}

void CSimDevice::expireDigestNonces()
{
    auto lock = m_core->lock();
    m_core->digest().expireNonces();
}

void CSimDevice::update(const std::function<void(CDeviceDescription&)>& change)
{
    auto lock = m_core->lock();
    change(m_core->state().current);
}

CDeviceDescription CSimDevice::description() const
{
    auto lock = m_core->lock();
    return m_core->state().current;
}

int CSimDevice::rebootCount() const
{
    auto lock = m_core->lock();
    return m_core->state().reboots;
}

Json::Value CSimDevice::backChannelAudio() const
{
    auto lock = m_core->lock();
    const Json::Value& counts = m_core->state().serviceData["backChannel"];
    return counts.isNull() ? Json::Value(Json::objectValue) : counts;
}

Json::Value CSimDevice::firmwareStatus() const
{
    auto lock = m_core->lock();
    return FirmwareStatus(m_core->state());
}

int CSimDevice::factoryResetCount() const
{
    auto lock = m_core->lock();
    return m_core->state().factoryResets;
}

bool CSimDevice::relayActive(const std::string& token) const
{
    auto lock = m_core->lock();
    const Json::Value* relay = FindRelay(m_core->state(), token);
    return relay && (*relay)["active"].asBool();
}

bool CSimDevice::digitalInputActive(const std::string& token) const
{
    auto lock = m_core->lock();
    const Json::Value* input = FindDigitalInput(m_core->state(), token);
    return input && (*input)["active"].asBool();
}

bool CSimDevice::setDigitalInput(const std::string& token, bool active)
{
    std::shared_ptr<CEventHub> hub;
    bool changed = false;
    {
        auto lock = m_core->lock();
        Json::Value* input = FindDigitalInput(m_core->state(), token);
        if (!input)
            return false;
        changed = (*input)["active"].asBool() != active;
        (*input)["active"] = active;
        hub = m_core->state().events;
    }
    if (hub && changed)
        hub->raise("digitalInput", active, 1, token);
    return true;
}

namespace {
std::shared_ptr<CEventHub> HubOf(const std::shared_ptr<CDeviceCore>& core)
{
    auto lock = core->lock();
    return core->state().events;
}
} // namespace

bool CSimDevice::raiseEvent(const std::string& kind, bool state, int channel)
{
    auto hub = HubOf(m_core);
    return hub && kind != "digitalInput" && hub->raise(kind, state, channel);
}

int CSimDevice::eventSubscriptionCount() const
{
    auto hub = HubOf(m_core);
    return hub ? hub->subscriptionCount() : 0;
}

void CSimDevice::expireEventSubscriptions()
{
    if (auto hub = HubOf(m_core))
        hub->expireAll();
}

int CSimDevice::notificationsPosted() const
{
    auto hub = HubOf(m_core);
    return hub ? hub->notificationsPosted() : 0;
}

int CSimDevice::notificationFailures() const
{
    auto hub = HubOf(m_core);
    return hub ? hub->notificationFailures() : 0;
}

bool CSimDevice::setReplayVariant(const std::string& action, const std::string& suffix, std::string* error)
{
    auto lock = m_core->lock();
    std::string why = "the device is not replayed from a folder";
    if (m_core->replay() && m_core->replay()->setVariant(action, suffix, why))
        return true;
    if (error)
        *error = why;
    return false;
}

} // namespace OnvifSim
