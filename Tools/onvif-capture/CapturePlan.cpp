#include "CapturePlan.h"

#include <cstring>
#include <memory>
#include <set>

#include "CaptureXml.h"
#include "OnvifFramework/FunctionScripts/OnvifServiceRegistry.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"

namespace OnvifCapture {

using namespace RPC::Onvif;

namespace {

// Reads, but of whole files: a configuration backup holds the device's passwords, logs and
// support bundles hold anything, and none of them can be cleaned reliably.
const char* const kWholeFiles[] = {"GetSystemBackup", "GetSystemLog", "GetSystemSupportInformation"};

// Operations whose configuration token is that of the video source configuration the
// answer belongs to, not of a configuration of their own name.
const char* const kOnVideoSourceConfiguration[] = {"GetGuaranteedNumberOfVideoEncoderInstances", "GetOSDs",
                                                   "GetOSDOptions", "GetMasks", "GetMaskOptions"};

std::string KindOfRole(const std::string& key, const std::string& operation, const std::string& service)
{
    static const struct {
        const char* key;
        const char* kind;
    } kNamed[] = {
        {"ProfileToken", "Profile"}, {"OSDToken", "OSD"},
        {"VideoSourceToken", "VideoSource"}, {"NodeToken", "PTZNode"},
        {"PresetTourToken", "PresetTour"}, {"PTZConfigurationToken", "PTZConfiguration"},
    };
    for (const auto& named : kNamed)
        if (key == named.key)
            return named.kind;
    if (key == "Token" && operation == "GetProfiles")
        return "Profile";
    if (key == "Token" && operation == "GetMasks")
        return "Mask";
    if (!EndsWith(key, "ConfigurationToken"))
        return std::string();
    // The PTZ service's own operations say only "Configuration".
    const std::string kind = ConfigurationKindOf(operation);
    return kind.empty() && service == "ptz" ? "PTZConfiguration" : kind;
}

// Top-level request keys that name a token.
void TokenKeys(const OnvifField* fields, std::set<std::string>& keys)
{
    for (const OnvifField* f = fields; f && f->key; ++f)
        if (EndsWith(f->key, "Token") && !std::strchr(f->key, '.'))
            keys.insert(f->key);
}

// Which token keys the row really writes: the request is composed with a marker in each
// candidate key, and the markers that reach the envelope name the roles. Hooks that write
// their own elements (the stream address rows) are found this way too.
std::vector<CTokenRole> ProbeRoles(const OnvifOperation& row, const std::string& service)
{
    std::set<std::string> keys = {"ProfileToken"};
    TokenKeys(row.requestFields, keys);
    const std::vector<std::string> order(keys.begin(), keys.end());
    Json::Value probe(Json::objectValue);
    for (size_t i = 0; i < order.size(); ++i)
        probe[order[i]] = "capture-probe-" + std::to_string(i) + "-";
    Zentar::SOAPFramework::CSOAPMessage request(true, 2, Zentar::SOAPFramework::SOAP_MODE_PLAIN);
    std::vector<CTokenRole> roles;
    if (composeRequest(row, RequestFor(row, probe), request) != 0)
        return roles;
    const std::string text = request.print();
    const std::string operation = row.operation;
    const bool list = EndsWith(operation, "s");
    const bool required = !list || StartsWith(operation, "GetCompatible");
    for (size_t i = 0; i < order.size(); ++i)
        if (text.find(probe[order[i]].asString()) != std::string::npos)
            roles.push_back({order[i], KindOfRole(order[i], operation, service), required});
    return roles;
}

} // namespace

bool IsCapturedOperation(const std::string& operation)
{
    if (!StartsWith(operation, "Get"))
        return false;
    for (const char* whole : kWholeFiles)
        if (operation == whole)
            return false;
    return true;
}

std::string ConfigurationKindOf(const std::string& operation)
{
    for (const char* name : kOnVideoSourceConfiguration)
        if (operation == name)
            return "VideoSourceConfiguration";
    std::string kind = StartsWith(operation, "Get") ? operation.substr(3) : operation;
    if (StartsWith(kind, "Compatible"))
        kind = kind.substr(10);
    for (const char* tail : {"Response", "Options", "s"})
        if (EndsWith(kind, tail))
            kind.erase(kind.size() - std::strlen(tail));
    if (!EndsWith(kind, "Configuration") || kind == "Configuration")
        return std::string();
    // Media2 calls the analytics configuration what Media calls the video analytics one.
    return kind == "AnalyticsConfiguration" ? "VideoAnalyticsConfiguration" : kind;
}

std::string ServiceKeyOf(const std::string& ns)
{
    for (size_t i = 0; i < kServiceNameCount; ++i)
        if (ns == kServiceNames[i].ns)
            return kServiceNames[i].key;
    return std::string();
}

Json::Value RequestFor(const OnvifOperation& row, const Json::Value& keys)
{
    if (!row.requestObject)
        return keys;
    Json::Value request(Json::objectValue);
    request[row.requestObject] = keys;
    return request;
}

std::vector<CPlannedOperation> PlanCapture()
{
    std::vector<CPlannedOperation> plan;
    std::set<std::string> planned;
    COnvifLoginInfo login;   // the objects are only asked for their tables; nothing is sent
    login.m_strAddress = "capture";
    for (const OnvifServiceRow& service : onvifServiceTable()) {
        std::unique_ptr<COnvifProtoCore> object = service.create(login);
        if (!object)
            continue;
        for (const COnvifOperationTable* table : object->getOperationTables()) {
            for (const std::string& command : table->commands()) {
                const OnvifOperation* row = table->find(command);
                if (!row || row->sendsNothing || (row->flags & OP_ATTACHMENT) || !row->operation || !row->prefix ||
                    !IsCapturedOperation(row->operation))
                    continue;
                const char* ns = Namespaces::findUri(row->namespaces, row->prefix);
                CPlannedOperation op;
                op.row = row;
                op.ns = ns ? ns : "";
                op.service = ServiceKeyOf(op.ns);
                if (op.service.empty() || !planned.insert(op.name()).second)
                    continue;
                op.roles = ProbeRoles(*row, op.service);
                const std::string name = row->operation;
                op.plainFirst = EndsWith(name, "s") && !EndsWith(name, "Options") && !StartsWith(name, "GetCompatible");
                plan.push_back(std::move(op));
            }
        }
    }
    return plan;
}

} // namespace OnvifCapture
