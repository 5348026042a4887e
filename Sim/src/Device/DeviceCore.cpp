#include "Device/DeviceCore.h"

#include "Common/Log.h"
#include "Description/Namespaces.h"
#include "Firmware/FirmwareState.h"
#include "Services/ServiceHandler.h"
#include "Snapshot/SnapshotEndpoint.h"

namespace OnvifSim {

CDeviceCore::CDeviceCore(const CDeviceDescription& description, std::shared_ptr<CReplayAnswers> replay)
    : m_replay(std::move(replay))
{
    m_state.initial = description;
    m_state.current = description;
    for (const auto& fault : description.faults)
        m_faults.add(fault);
}

int CDeviceCore::keepAliveSeconds() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_state.current.keepAliveSeconds;
}

bool CDeviceCore::splitWrites() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_state.current.splitWrites;
}

void CDeviceCore::jumpClockAfter(int requests, long long seconds)
{
    m_jumpCountdown = requests;
    m_jumpSeconds = seconds;
    if (requests <= 0)
        m_state.current.clockOffsetSeconds += seconds;
}

void CDeviceCore::record(CRecordedRequest entry)
{
    if (!entry.operation.empty())
        ++m_counts[entry.operation];
    m_log.push_back(std::move(entry));
    if (m_log.size() > kMaxLoggedRequests)
        m_log.pop_front();
    // A clock that jumps after K requests: the request that makes K was still served on
    // the old clock.
    if (m_jumpCountdown > 0 && --m_jumpCountdown == 0)
        m_state.current.clockOffsetSeconds += m_jumpSeconds;
}

CHttpAnswer CDeviceCore::handle(const CHttpRequest& http, const CConnectionInfo& connection)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    CRecordedRequest entry;
    entry.method = http.method;
    entry.path = http.target;
    entry.headers = http.headers;
    entry.body = http.body;
    entry.connectionId = connection.id;
    CHttpAnswer answer;
    // A device rebooting into new firmware answers nothing: connections just drop.
    if (IsRebooting(m_state)) {
        answer.action = CHttpAnswer::EAction::Close;
        record(std::move(entry));
        return answer;
    }
    try {
        answer = dispatch(http, connection, entry);
    } catch (const std::exception& e) {
        LogLine(m_state.current.name + ": internal error: " + e.what());
        answer = faultAnswer(CSoapFault::Receiver({}, "Internal error"));
    }
    using E = CHttpAnswer::EAction;
    bool wrote = answer.action == E::Send || answer.action == E::Truncated || answer.action == E::WrongLength;
    entry.status = wrote ? answer.status : 0;
    record(std::move(entry));
    return answer;
}

CHttpAnswer CDeviceCore::badRequest(int status, const std::string& reason, const CConnectionInfo& connection)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    LogLine(m_state.current.name + ": connection " + std::to_string(connection.id) + ": " + reason);
    CRecordedRequest entry;
    entry.connectionId = connection.id;
    entry.status = status;
    record(std::move(entry));
    CSoapFault fault = CSoapFault::Sender({}, reason);
    fault.httpStatus = status;
    return faultAnswer(fault);
}

CHttpAnswer CDeviceCore::dispatch(const CHttpRequest& http, const CConnectionInfo& connection,
                                  CRecordedRequest& entry)
{
    std::string path = http.target.substr(0, http.target.find('?'));
    // The device's web server: snapshot pictures are plain HTTP, not SOAP.
    if (IsSnapshotPath(path) || replayedMedia(path))
        return ServeSnapshot(m_state, m_digest, http, entry, m_replay != nullptr);
    const CServiceInfo* service = nullptr;
    for (const auto& [key, servicePath] : m_state.current.services)
        if (servicePath == path)
            service = FindService(key);
    // A replayed device answers on every path; the request's namespace picks the answer.
    if (!service && m_replay)
        service = FindService("device");
    if (!service)
        return plainAnswer(404, "Not Found");
    if (http.method != "POST") {
        CHttpAnswer answer = plainAnswer(405, "Method Not Allowed");
        answer.headers.emplace_back("Allow", "POST");
        return answer;
    }
    CSoapRequest soap;
    std::string why;
    if (!soap.parse(http.body, why)) {
        // A web server in front of the SOAP stack checks HTTP digest first: a client that
        // probes with an empty body gets its challenge, not a parse error.
        if (needsDigestFirst(http)) {
            LogLine(m_state.current.name + ": refused a request without valid HTTP credentials");
            return refusal(m_lastDigestStale);
        }
        LogLine(m_state.current.name + ": " + path + ": " + why);
        CSoapFault fault = CSoapFault::Sender({"WellFormed"}, why);
        fault.httpStatus = 400;
        return faultAnswer(fault);
    }
    entry.operation = soap.operation();
    CFaultPlan::CMatch match = m_faults.take(soap.operation());
    using K = EFaultKind;
    bool mangles = match.fault && (match.fault->kind == K::Truncated || match.fault->kind == K::WrongLength);
    CHttpAnswer answer = match.fault && !mangles ? injected(*match.fault)
                                                 : serve(http, connection, soap, *service, entry);
    if (mangles)
        answer.action = match.fault->kind == K::Truncated ? CHttpAnswer::EAction::Truncated
                                                          : CHttpAnswer::EAction::WrongLength;
    answer.delayMs += match.delayMs;
    return answer;
}

CHttpAnswer CDeviceCore::serve(const CHttpRequest& http, const CConnectionInfo& connection,
                               const CSoapRequest& soap, const CServiceInfo& service, CRecordedRequest& entry)
{
    const CDeviceDescription& d = m_state.current;
    if (soap.isSoap11())
        return faultAnswer(CSoapFault{"VersionMismatch", {}, "SOAP 1.2 envelope expected", 0});
    bool anonymous = d.anonymousOperations.count(soap.operation()) > 0;
    CAuthResult auth = authenticate(http, soap, anonymous);
    if (!auth.allowed) {
        LogLine(d.name + ": refused " + soap.operation() + ": " + auth.who.why);
        return refusal(auth.stale);
    }
    entry.authenticated = auth.who.ok;
    entry.user = auth.who.ok ? auth.who.user : "";
    entry.level = auth.who.level;
    entry.authMethod = auth.who.ok ? auth.who.method : "";
    if (m_replay)
        if (std::optional<CHttpAnswer> recorded = replayed(http, connection, soap, service, auth.who))
            return *recorded;
    // What a replayed device answers itself belongs to its device service, whatever the path.
    const CServiceInfo& answering = m_replay ? *FindService("device") : service;
    const CServiceHandler* handler = FindServiceHandler(answering.key);
    const COperation* operation = nullptr;
    if (handler)
        for (const auto& op : handler->operations)
            if (soap.operation() == op.name && soap.operationNamespace() == (op.ns ? op.ns : answering.ns))
                operation = &op;
    if (!operation)
        return faultAnswer(CSoapFault::Receiver({"ActionNotSupported"}, "The requested action is not supported"));
    bool levelApplies = d.authMode != EAuthMode::None && !anonymous;
    if (levelApplies && auth.who.level > operation->minLevel) {
        LogLine(d.name + ": " + auth.who.user + " (" + ToString(auth.who.level) + ") may not call " + soap.operation());
        return refusal(false);
    }
    CXmlAnswer xml(d.prefixes, d.defaultNamespaces);
    CCallContext context(m_state, soap, http, connection, answering, auth.who, xml);
    try {
        operation->run(context);
    } catch (const CSoapFault& fault) {
        return faultAnswer(fault);
    }
    return soapAnswer(200, xml.str());
}

bool CDeviceCore::needsDigestFirst(const CHttpRequest& http)
{
    const CDeviceDescription& d = m_state.current;
    if (!digestAllowed())
        return false;
    if (d.authMode == EAuthMode::Either && http.header("Authorization").empty() && !Trimmed(http.body).empty())
        return false;   // may be a WS-Security client; let the parse error speak
    CAuthOutcome digest = m_digest.verify(http.header("Authorization"), http.method, http.target, d.users, d.realm,
                                          false, d.digestNonceLifetimeSeconds);
    m_lastDigestStale = digest.stale;
    return !digest.ok;
}

CDeviceCore::CAuthResult CDeviceCore::authenticate(const CHttpRequest& http, const CSoapRequest& soap,
                                                   bool anonymousAllowed)
{
    const CDeviceDescription& d = m_state.current;
    CAuthResult result;
    if (d.authMode == EAuthMode::None) {
        result.allowed = true;
        result.who.level = EUserLevel::Administrator;
        return result;
    }
    bool wsseAllowed = d.authMode == EAuthMode::Wsse || d.authMode == EAuthMode::Either;
    bool basicOffered = false;
    for (const auto& c : d.challenges)
        basicOffered = basicOffered || c == "Basic";
    CAuthOutcome wsse, digest;
    if (wsseAllowed)
        wsse = m_wsse.verify(soap.header(), d.users, m_state.now(), d.wsseToleranceSeconds);
    if (digestAllowed())
        digest = m_digest.verify(http.header("Authorization"), http.method, http.target, d.users, d.realm,
                                 basicOffered, d.digestNonceLifetimeSeconds);
    for (const CAuthOutcome* o : {&wsse, &digest})
        if (o->ok) {
            result.allowed = true;
            result.who = *o;
            return result;
        }
    result.allowed = anonymousAllowed;
    result.stale = digest.stale;
    result.who = wsse.present ? wsse : digest;
    if (!wsse.present && !digest.present)
        result.who.why = !http.header("Authorization").empty() || Child(soap.header(), "Security")
                             ? "credentials of a kind this device does not accept"
                             : "no credentials";
    return result;
}

} // namespace OnvifSim
