// The JSON form of a fault, shared by descriptions and tests that set faults at run time:
// {"operation": "GetProfiles", "kind": "http500", "count": 2} and the like.
#include "OnvifSim/DeviceDescription.h"

#include "Description/JsonFields.h"

namespace OnvifSim {
namespace {

struct CKindName {
    const char* name;
    EFaultKind kind;
    int status;   // default HTTP status for the kind
};

const CKindName kKinds[] = {
    {"http400", EFaultKind::HttpStatus, 400}, {"http401", EFaultKind::HttpStatus, 401},
    {"http500", EFaultKind::HttpStatus, 500}, {"http", EFaultKind::HttpStatus, 500},
    {"soapFault", EFaultKind::SoapFault, 500}, {"delay", EFaultKind::Delay, 200},
    {"close", EFaultKind::Close, 0},           {"garbage", EFaultKind::Garbage, 0},
    {"truncated", EFaultKind::Truncated, 200}, {"wrongLength", EFaultKind::WrongLength, 200},
    {"silence", EFaultKind::Silence, 0},       {"html401", EFaultKind::Html401, 401},
};

} // namespace

bool ParseSimFault(const Json::Value& json, CSimFault& out, std::string& error)
{
    error.clear();
    CSimFault parsed;
    CJsonFields f(json, "", error);
    if (!json.isObject()) {
        error = "a fault must be an object";
        return false;
    }
    std::string kind;
    f.string("kind", kind);
    const CKindName* found = nullptr;
    for (const auto& k : kKinds)
        if (kind == k.name)
            found = &k;
    if (f.ok() && !found)
        f.fail("kind", "\"" + kind + "\" is not a fault kind");
    if (!f.ok())
        return false;
    parsed.kind = found->kind;
    parsed.httpStatus = found->status;
    f.string("operation", parsed.operation);
    f.integer("status", parsed.httpStatus, 100, 599);
    f.string("code", parsed.code);
    f.string("reason", parsed.reason);
    f.integer("delayMs", parsed.delayMs, 0, 600000);
    f.integer("count", parsed.count, 0, 1000000);
    if (f.ok() && parsed.code != "Sender" && parsed.code != "Receiver")
        f.fail("code", "must be Sender or Receiver");
    if (f.ok() && f.has("subcodes")) {
        for (const auto& s : json["subcodes"])
            s.isString() ? parsed.subcodes.push_back(s.asString()) : f.fail("subcodes", "must be strings");
    }
    if (f.ok() && parsed.kind == EFaultKind::Delay && parsed.delayMs == 0)
        f.fail("delayMs", "a delay needs delayMs > 0");
    if (!f.ok())
        return false;
    out = parsed;
    return true;
}

} // namespace OnvifSim
