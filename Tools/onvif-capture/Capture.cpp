#include "Capture.h"

#include <ctime>
#include <map>
#include <vector>

#include "CaptureExchange.h"
#include "CaptureFacts.h"
#include "CaptureFolder.h"
#include "CapturePlan.h"
#include "CaptureScrubber.h"
#include "CaptureTokens.h"

namespace OnvifCapture {

namespace {

const char kDeviceNs[] = "http://www.onvif.org/ver10/device/wsdl";
const char kDevicePath[] = "/onvif/device_service";
// Passes over the plan: each may find tokens (OSDs, say) the next pass needs.
constexpr int kMaxPasses = 8;
// A device that stops answering ends the capture instead of costing a time-out per row.
constexpr int kMaxFailuresInRow = 3;

class CCaptureRun {
public:
    CCaptureRun(const CCaptureOptions& options, std::ostream& out)
        : m_options(options), m_out(out), m_exchange(options), m_plan(PlanCapture())
    {
        m_xaddrs[kDeviceNs] = m_exchange.base() + kDevicePath;
    }

    // The clock, then the credentials; false with a sentence for the user.
    bool logIn(std::string& error);
    // Every other operation, in passes; false when the device stopped answering.
    bool captureAll(std::string& error);
    bool write(std::string& error);
    void summarise() const;

private:
    const CPlannedOperation* find(const char* operation) const;
    CCapturedAnswer ask(const CPlannedOperation& op, bool withTokens, bool anonymous = false);
    void keep(const CPlannedOperation& op, const CCapturedAnswer& answer);
    // False when the operation must wait for tokens; with `last`, waits only for required ones.
    bool ready(const CPlannedOperation& op, bool last, std::string& missing) const;
    void run(const CPlannedOperation& op);
    std::string unreachable(const CCapturedAnswer& answer) const;
    Json::Value manifest() const;

    const CCaptureOptions& m_options;
    std::ostream& m_out;
    CCaptureExchange m_exchange;
    std::vector<CPlannedOperation> m_plan;
    std::map<std::string, std::string> m_xaddrs;   // namespace -> URL
    CTokenPool m_tokens;
    std::map<std::string, CCaptureRecord> m_records;
    std::vector<std::string> m_skipped;            // "<name>: <reason>"
    int m_failuresInRow = 0;
};

const CPlannedOperation* CCaptureRun::find(const char* operation) const
{
    for (const CPlannedOperation& op : m_plan)
        if (op.ns == kDeviceNs && std::string(op.row->operation) == operation)
            return &op;
    return nullptr;
}

CCapturedAnswer CCaptureRun::ask(const CPlannedOperation& op, bool withTokens, bool anonymous)
{
    // The request the library makes for a live stream address (RTSP over the RTSP connection).
    Json::Value req(Json::objectValue);
    req["Protocol"] = "RTSP";
    for (const CTokenRole& role : op.roles) {
        const std::string token = withTokens && !role.kind.empty() ? m_tokens.first(role.kind) : std::string();
        if (!token.empty())
            req[role.key] = token;
    }
    return m_exchange.send(m_xaddrs.at(op.ns), *op.row, RequestFor(*op.row, req), anonymous);
}

void CCaptureRun::keep(const CPlannedOperation& op, const CCapturedAnswer& answer)
{
    if (answer.notSent()) {
        // The library's own row refused the request: nothing to say about the device.
        m_skipped.push_back(op.name() + ": the library cannot write its request from what the device named");
        return;
    }
    if (!answer.arrived()) {
        ++m_failuresInRow;
        m_skipped.push_back(op.name() + ": " + unreachable(answer));
        return;
    }
    m_failuresInRow = 0;
    m_records[op.name()] = {op.name(), answer.status, answer.contentType, answer.body};
    m_tokens.learn(answer.body);
    LearnServiceAddresses(answer.body, m_exchange.base(), m_xaddrs);
    m_xaddrs[kDeviceNs] = m_exchange.base() + kDevicePath;   // the address that works stays
}

std::string CCaptureRun::unreachable(const CCapturedAnswer& answer) const
{
    const std::string device = m_exchange.base();
    switch (answer.transportError) {
    case 2:
        return "cannot reach " + device + ": nothing answers there (refused, unreachable or no connection in time)";
    case 7:
        return device + " did not answer in time";
    case 8:
        return device + " answered with something that is not HTTP";
    default:
        return "the exchange with " + device + " failed";
    }
}

bool CCaptureRun::logIn(std::string& error)
{
    // The clock first and without credentials, as every client does: WS-Security signs with
    // the device's time.
    if (const CPlannedOperation* clock = find("GetSystemDateAndTime")) {
        CCapturedAnswer answer = ask(*clock, false, true);
        if (!answer.arrived()) {
            error = unreachable(answer);
            return false;
        }
        if (!answer.succeeded() || IsSoapFault(answer.body))
            answer = ask(*clock, false);
        keep(*clock, answer);
        time_t utc = 0;
        if (answer.succeeded() && DeviceUtcTime(answer.body, utc))
            m_exchange.setClockOffset(static_cast<int>(utc - time(nullptr)));
    }
    const CPlannedOperation* capabilities = find("GetCapabilities");
    if (!capabilities)
        return true;
    CCapturedAnswer answer = ask(*capabilities, false);
    if (!answer.arrived()) {
        error = unreachable(answer);
        return false;
    }
    if (answer.refusesCredentials()) {
        error = "the device at " + m_exchange.base() + " refused the user name or password" +
                (m_options.auth == "wsse" ? " (a device that takes only HTTP digest needs --auth digest)" : "");
        return false;
    }
    keep(*capabilities, answer);
    // Where every service lives, before the plan is split by the services announced.
    if (const CPlannedOperation* services = find("GetServices"))
        keep(*services, ask(*services, false));
    return true;
}

bool CCaptureRun::ready(const CPlannedOperation& op, bool last, std::string& missing) const
{
    if (op.plainFirst)
        return true;
    for (const CTokenRole& role : op.roles) {
        if (!role.kind.empty() && !m_tokens.first(role.kind).empty())
            continue;
        if (role.required || !last) {
            missing = role.kind.empty() ? role.key + ", which this tool cannot fill"
                                        : "a token of kind " + role.kind + ", which no earlier answer named";
            return false;
        }
    }
    return true;
}

void CCaptureRun::run(const CPlannedOperation& op)
{
    CCapturedAnswer answer = ask(op, !op.plainFirst);
    // A list asked plainly that the device refuses, or whose row will not go without them
    // (a status or preset list of one profile), wants the tokens after all.
    const bool refused = answer.notSent() || (answer.arrived() && (!answer.succeeded() || IsSoapFault(answer.body)));
    if (op.plainFirst && refused && !op.roles.empty())
        answer = ask(op, true);
    keep(op, answer);
}

bool CCaptureRun::captureAll(std::string& error)
{
    std::vector<const CPlannedOperation*> pending;
    std::map<std::string, int> unannounced;   // service -> operations left out
    for (const CPlannedOperation& op : m_plan) {
        if (m_records.count(op.name()))
            continue;
        if (m_xaddrs.count(op.ns))
            pending.push_back(&op);
        else
            ++unannounced[op.service];
    }
    for (const auto& [service, count] : unannounced)
        m_skipped.push_back(service + " (" + std::to_string(count) + " operations): the device does not announce it");
    bool last = false;
    for (int pass = 0; pass < kMaxPasses && !pending.empty(); ++pass) {
        std::vector<const CPlannedOperation*> waiting;
        std::string missing;
        for (const CPlannedOperation* op : pending) {
            if (!ready(*op, last, missing)) {
                waiting.push_back(op);
                continue;
            }
            run(*op);
            if (m_failuresInRow >= kMaxFailuresInRow) {
                error = "the device at " + m_exchange.base() + " stopped answering; what arrived is written";
                return false;
            }
        }
        if (waiting.size() == pending.size()) {
            if (last)
                break;
            last = true;   // nothing moved: from now on, optional tokens are not waited for
        }
        pending = std::move(waiting);
    }
    for (const CPlannedOperation* op : pending) {
        std::string missing;
        ready(*op, true, missing);
        m_skipped.push_back(op->name() + ": needs " + missing);
    }
    return true;
}

Json::Value CCaptureRun::manifest() const
{
    Json::Value manifest(Json::objectValue);
    Json::Value& capture = manifest["x-capture"];
    capture["tool"] = "onvif-capture";
    char now[32];
    const time_t t = time(nullptr);
    struct tm utc {};
    gmtime_r(&t, &utc);
    strftime(now, sizeof now, "%Y-%m-%dT%H:%M:%SZ", &utc);
    capture["captured"] = now;
    auto info = m_records.find("device.GetDeviceInformation");
    std::string name;
    if (info != m_records.end())
        for (const auto& [key, value] : DeviceIdentity(info->second.body)) {
            capture[key] = value;
            if (key != "FirmwareVersion")
                name += (name.empty() ? "" : " ") + value;
        }
    manifest["name"] = name.empty() ? m_options.host : name;
    for (const std::string& skipped : m_skipped)
        capture["skipped"].append(skipped);
    return manifest;
}

bool CCaptureRun::write(std::string& error)
{
    CScrubber scrubber(m_options.user, m_options.password);
    for (const auto& entry : m_records)
        scrubber.learn(entry.second.body);
    std::vector<CCaptureRecord> records;
    for (auto& entry : m_records) {
        entry.second.body = scrubber.scrub(entry.second.body);
        records.push_back(entry.second);
    }
    return WriteCaptureFolder(m_options.dir, records, manifest(), error);
}

void CCaptureRun::summarise() const
{
    int faults = 0;
    for (const auto& entry : m_records)
        faults += entry.second.status < 200 || entry.second.status >= 300 || IsSoapFault(entry.second.body);
    for (const std::string& skipped : m_skipped)
        m_out << "skipped " << skipped << "\n";
    m_out << "onvif-capture: " << m_records.size() << " answers written to " << m_options.dir << " (" << faults
          << " faults), " << m_skipped.size() << " skipped\n";
}

} // namespace

int RunCapture(const CCaptureOptions& options, std::ostream& out, std::ostream& err)
{
    std::string error;
    bool made = false;
    if (!PrepareCaptureFolder(options.dir, made, error)) {
        err << "onvif-capture: " << error << "\n";
        return 1;
    }
    CCaptureRun run(options, out);
    if (!run.logIn(error)) {
        err << "onvif-capture: " << error << "\n";
        if (made)
            RemoveEmptyFolder(options.dir);
        return 1;
    }
    const bool complete = run.captureAll(error);
    std::string writeError;
    if (!run.write(writeError)) {
        err << "onvif-capture: " << writeError << "\n";
        return 1;
    }
    run.summarise();
    if (!complete) {
        err << "onvif-capture: " << error << "\n";
        return 1;
    }
    return 0;
}

} // namespace OnvifCapture
