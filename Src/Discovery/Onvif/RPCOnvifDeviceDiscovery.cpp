#include "Discovery/Onvif/RPCOnvifDeviceDiscovery.h"

#include <arpa/inet.h>

#include <algorithm>
#include <new>
#include <set>
#include <thread>

#include "Component/ServerInfo.h"
#include "Component/Version.h"
#include "Discovery/Onvif/ProbeMessage.h"
#include "Infra/Time.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using Zentar::NetApp::IDiscoveryReceiver;

namespace {
const Zentar::Component::CVersion kDiscoveryVersion{"OnvifDeviceDiscovery", 0, 0, 0, "Onvif_VERSION_SVN_REVISION",
                                                    __DATE__};
uint64_t nowMs() { return Zentar::Infra::CTime::getCurrentMilliSecond(); }

bool parseIPv4(const std::string& text, uint32_t& out)
{
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1)
        return false;
    out = ntohl(address.s_addr);
    return true;
}

std::string textOfIPv4(uint32_t address)
{
    in_addr in{};
    in.s_addr = htonl(address);
    char buffer[INET_ADDRSTRLEN] = {};
    return inet_ntop(AF_INET, &in, buffer, sizeof buffer) ? buffer : "";
}
} // namespace

// ---- factory ------------------------------------------------------------------------------

CRPCOnvifDeviceDiscovery::CIFactory::CIFactory()
    : IFactoryUnknown(Zentar::NetApp::IDeviceDiscovery::kInterfaceName, "Local.Onvif", kDiscoveryVersion)
{
}

CRPCOnvifDeviceDiscovery::CIFactory::~CIFactory() = default;

Zentar::Component::IUnknown* CRPCOnvifDeviceDiscovery::CIFactory::create(const Zentar::Component::ServerInfo*)
{
    Zentar::Infra::CGuard guard(m_mutex);
    if (!m_instance)
        m_instance.reset(new (std::nothrow) CRPCOnvifDeviceDiscovery());
    return m_instance.get();
}

// ---- life ---------------------------------------------------------------------------------

CRPCOnvifDeviceDiscovery::CRPCOnvifDeviceDiscovery() : m_probeTimer("RPCOnvifDeviceDiscoveryTimer") {}

CRPCOnvifDeviceDiscovery::~CRPCOnvifDeviceDiscovery()
{
    m_stopping = true;
    m_probeTimer.stopAndWait();
}

void CRPCOnvifDeviceDiscovery::setTimeout(uint32_t milliseconds)
{
    ONVIF_LOG(LOG_INFO, "new millsecond = %d\n", static_cast<int>(milliseconds));
    m_receiveTimeoutMs = milliseconds;
}

void CRPCOnvifDeviceDiscovery::setUuidMaker(std::function<std::string()> maker)
{
    Zentar::Infra::CGuard guard(m_listMutex);
    m_makeUuid = std::move(maker);
}

bool CRPCOnvifDeviceDiscovery::waitIdle(int timeoutMs)
{
    const uint64_t until = nowMs() + static_cast<uint64_t>(std::max(timeoutMs, 0));
    for (;;) {
        {
            Zentar::Infra::CGuard guard(m_passMutex);
            if (!m_passActive)
                return true;
        }
        if (nowMs() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// ---- host slots ---------------------------------------------------------------------------

bool CRPCOnvifDeviceDiscovery::start(int timeoutSeconds)
{
    ONVIF_LOG(LOG_INFO, "timeout:%d\n", timeoutSeconds);
    probe(timeoutSeconds);
    return true;
}

bool CRPCOnvifDeviceDiscovery::refresh(int timeoutSeconds)
{
    ONVIF_LOG(LOG_INFO, "timeout:%d\n", timeoutSeconds);
    probe(timeoutSeconds);
    return true;
}

bool CRPCOnvifDeviceDiscovery::stop() { return true; }

bool CRPCOnvifDeviceDiscovery::ipScan(int timeoutSeconds)
{
    ONVIF_LOG(LOG_DEBUG, "timeout:%d\n", timeoutSeconds);
    return false;
}

void CRPCOnvifDeviceDiscovery::probe(int timeoutSeconds)
{
    // A pass lasts at most its time-out; a missing or silly one gets the receive time-out's
    // quiet period plus a little, so that a pass always ends.
    const uint64_t limitMs = timeoutSeconds > 0 ? static_cast<uint64_t>(std::min(timeoutSeconds, 3600)) * 1000
                                                : m_receiveTimeoutMs.load() + 1000ull;
    Zentar::Infra::CGuard guard(m_passMutex);
    m_passDeadlineMs = nowMs() + limitMs;
    m_pending = true;
    if (m_passActive)
        return;   // the running pass sees the flag and repeats
    m_passActive = true;
    if (!m_probeTimer.start([this](unsigned long) { probeDevice(); }, 0, 0, 0, static_cast<uint32_t>(limitMs))) {
        ONVIF_LOG(LOG_ERROR, "start timer failed\n");
        m_passActive = false;
    }
}

bool CRPCOnvifDeviceDiscovery::attach(IDiscoveryReceiver* receiver, int value)
{
    if (!receiver || value < 0) {
        ONVIF_LOG(LOG_WARN, "attach proc failed\n");
        return false;
    }
    int n = m_receivers.attach(receiver, [receiver](const Json::Value& report) { receiver->onDiscovery(report); });
    if (n < 0) {
        ONVIF_LOG(LOG_WARN, "attach proc failed\n");
        return false;
    }
    Zentar::Infra::CGuard guard(m_receiverMutex);
    const uint64_t deadline = value > 0 ? nowMs() + static_cast<uint64_t>(value) : 0;
    m_timedReceivers.push_back(TimedReceiver{receiver, value, deadline});
    m_hasTimedReceivers = m_hasTimedReceivers || value > 0;
    return true;
}

bool CRPCOnvifDeviceDiscovery::detach(IDiscoveryReceiver* receiver)
{
    Zentar::Infra::CGuard guard(m_receiverMutex);
    m_timedReceivers.erase(std::remove_if(m_timedReceivers.begin(), m_timedReceivers.end(),
                                          [&](const TimedReceiver& r) { return r.receiver == receiver; }),
                           m_timedReceivers.end());
    m_hasTimedReceivers = std::any_of(m_timedReceivers.begin(), m_timedReceivers.end(),
                                      [](const TimedReceiver& r) { return r.value > 0; });
    if (m_receivers.detach(receiver) < 0) {
        ONVIF_LOG(LOG_WARN, "detach proc failed\n");
        return false;
    }
    return true;
}

void CRPCOnvifDeviceDiscovery::deliver(const Json::Value& report)
{
    bool timed = false;
    std::vector<IDiscoveryReceiver*> chosen;
    {
        Zentar::Infra::CGuard guard(m_receiverMutex);
        timed = m_hasTimedReceivers;
        const uint64_t now = nowMs();
        // A receiver attached with a time limit hears of devices only within it; one
        // attached with 0 hears of every device.
        for (const TimedReceiver& r : m_timedReceivers)
            if (r.value == 0 || r.deadlineMs >= now)
                chosen.push_back(r.receiver);
    }
    if (!timed) {
        m_receivers.emit(report);
        return;
    }
    for (IDiscoveryReceiver* receiver : chosen)
        if (m_receivers.isAttached(receiver))
            receiver->onDiscovery(report);
}

bool CRPCOnvifDeviceDiscovery::startSpecificCard(const char* const* cardList, int count)
{
    if (!cardList || count < 0) {
        ONVIF_LOG(LOG_ERROR, "set config err cardList is NULL\n");
        return false;
    }
    Json::Value config(Json::objectValue);
    config["eth"] = Json::Value(Json::arrayValue);
    for (int i = 0; i < count; ++i) {
        uint32_t unused = 0;
        if (!cardList[i] || !parseIPv4(cardList[i], unused)) {
            ONVIF_LOG(LOG_ERROR, "set config err card[%d] is not an IPv4 address\n", i);
            return false;
        }
        config["eth"].append(cardList[i]);
    }
    Zentar::Infra::CGuard guard(m_listMutex);
    m_ethConfig = config;
    ONVIF_LOG(LOG_INFO, "after startSpecificCard, m_ethConfig:\n%s", m_ethConfig.toStyledString().c_str());
    return true;
}

bool CRPCOnvifDeviceDiscovery::expandTargets(const Json::Value& addresses, std::vector<std::string>& out,
                                             std::string& why)
{
    out.clear();
    std::set<uint32_t> seen;
    if (!addresses.isArray()) {
        why = "\"Addresses\" must be a list";
        return false;
    }
    for (const Json::Value& entry : addresses) {
        const std::string text = entry.isString() ? entry.asString() : std::string();
        const size_t dash = text.find('-');
        uint32_t first = 0, last = 0;
        if (!parseIPv4(text.substr(0, dash), first) ||
            !parseIPv4(dash == std::string::npos ? text : text.substr(dash + 1), last) || last < first) {
            why = "not an IPv4 address or range: \"" + text + "\"";
            return false;
        }
        for (uint64_t a = first; a <= last; ++a) {
            if (seen.insert(static_cast<uint32_t>(a)).second)
                out.push_back(textOfIPv4(static_cast<uint32_t>(a)));
            if (out.size() > kMaxProbeTargets) {
                why = "more than " + std::to_string(kMaxProbeTargets) + " targets";
                return false;
            }
        }
    }
    return true;
}

bool CRPCOnvifDeviceDiscovery::setProbeTargets(const Json::Value& targets)
{
    std::vector<std::string> list;
    std::string why;
    int port = kDiscoveryPort;
    if (!targets.isNull() && !targets.isObject())
        why = "targets must be a record";
    else if (targets.isObject() && targets.isMember("Port") &&
             (!targets["Port"].isInt() || (port = targets["Port"].asInt()) < 1 || port > 65535))
        why = "\"Port\" must be 1..65535";
    else if (targets.isObject() && targets.isMember("Addresses"))
        expandTargets(targets["Addresses"], list, why);
    if (!why.empty()) {
        ONVIF_LOG(LOG_ERROR, "setProbeTargets refused: %s\n", why.c_str());
        return false;
    }
    Zentar::Infra::CGuard guard(m_listMutex);
    m_targets = list;
    m_targetPort = static_cast<uint16_t>(port);
    ONVIF_LOG(LOG_INFO, "probe targets: %zu unicast address(es), port %d\n", list.size(), port);
    return true;
}

// ---- reports ------------------------------------------------------------------------------

void CRPCOnvifDeviceDiscovery::parseAndReport(const Json::Value& record, const std::string& localAddress)
{
    const std::string sender = record["IPAddress"].asString();
    if (sender.empty() || localAddress.empty()) {
        ONVIF_LOG(LOG_ERROR, "param fault\n");
        return;
    }
    {
        Zentar::Infra::CGuard guard(m_listMutex);
        if (m_deviceList.isMember(sender)) {
            ONVIF_LOG(LOG_DEBUG, "Already in the list,%s\n", sender.c_str());
            return;
        }
        Json::Value& entry = m_deviceList[sender];
        entry["Port"] = record["Port"];
        entry["XAddr"] = record["EndpointXAddrs"];
    }
    const Json::Value report = discoveryReport(record, localAddress);
    ONVIF_LOG(LOG_DEBUG, "DeviceInfo:\n%s", report.toStyledString().c_str());
    deliver(report);
}

// ---- re-addressing ------------------------------------------------------------------------

bool CRPCOnvifDeviceDiscovery::setConfig(const char* userName, const char* password, const char* deviceAddress,
                                         const Json::Value& config, Json::Value& result)
{
    result = Json::Value(Json::objectValue);
    if (!userName || !password) {
        ONVIF_LOG(LOG_ERROR, "username or password is NULL!\n");
        return false;
    }
    const Json::Value ipv4 = config.isObject() ? config.get("IPv4Address", Json::Value()) : Json::Value();
    if (!ipv4.isObject() || !ipv4["IPAddress"].isString() || !ipv4["IPAddressOld"].isString()) {
        ONVIF_LOG(LOG_ERROR, "config info incorrect!\n");
        return false;
    }
    ONVIF_LOG(LOG_INFO, "setConfig config:%s\n", config.toStyledString().c_str());
    const std::string oldAddress = ipv4["IPAddressOld"].asString();
    Json::Value entry;
    {
        Zentar::Infra::CGuard guard(m_listMutex);
        entry = m_deviceList.get(oldAddress, Json::Value());
    }
    if (!entry.isObject()) {
        ONVIF_LOG(LOG_ERROR, "device<%s> not exist!\n", oldAddress.c_str());
        return false;
    }
    Zentar::Component::ServerInfo info;
    info.address = deviceAddress && *deviceAddress ? deviceAddress : oldAddress;
    info.port = entry["Port"].asInt();
    info.userName = userName;
    info.password = password;
    const std::string xaddr = entry["XAddr"].asString();
    info.https = xaddr.compare(0, 8, "https://") == 0;

    Json::Value request = ipv4;
    request["XAddr"] = xaddr;
    if (!request.isMember("SubnetMask"))
        request["SubnetMask"] = "255.255.255.0";
    Json::Value stepResult(Json::objectValue);
    const bool ok = changeIPv4Address(info, request, stepResult);
    if (ok) {
        Zentar::Infra::CGuard guard(m_listMutex);
        Json::Value moved = m_deviceList[oldAddress];
        m_deviceList.removeMember(oldAddress);
        const std::string newAddress = ipv4["IPAddress"].asString();
        std::string newXAddr = moved["XAddr"].asString();
        const size_t at = newXAddr.find(oldAddress);
        if (at != std::string::npos)
            newXAddr.replace(at, oldAddress.size(), newAddress);
        moved["XAddr"] = newXAddr;
        m_deviceList[newAddress] = moved;
    }
    // The host learns the outcome the way it learns of devices: as a report.
    Json::Value outcome(Json::objectValue);
    outcome["Operation"] = "setConfig";
    outcome["IPAddressOld"] = oldAddress;
    outcome["IPAddress"] = ipv4["IPAddress"];
    outcome["Result"] = ok;
    result = outcome;
    Json::Value report(Json::arrayValue);
    report.append(outcome);
    deliver(report);
    return ok;
}

} // namespace Onvif
} // namespace RPC
