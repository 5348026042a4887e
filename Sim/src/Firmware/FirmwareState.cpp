#include "Firmware/FirmwareState.h"

#include "Common/Crypto.h"
#include "Description/JsonFields.h"

#include <chrono>

namespace OnvifSim {
namespace {

constexpr char kMagic[] = "SIMFW ";

long long SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Json::Value& Record(CDeviceState& state)
{
    Json::Value& record = state.serviceData["firmware"];
    if (record.isNull()) {
        record["state"] = "Idle";
        record["token"] = "";
        record["received"] = Json::UInt64(0);
        record["expected"] = Json::UInt64(0);
        record["rebootUntilMs"] = Json::Int64(0);
        record["reason"] = "";
    }
    return record;
}

bool VersionChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

} // namespace

bool ReadFirmwareOptions(const Json::Value& description, CFirmwareOptions& out, std::string& error)
{
    out = CFirmwareOptions();
    if (!description.isObject() || !description.isMember("firmware"))
        return true;
    const Json::Value& json = description["firmware"];
    if (!json.isObject()) {
        error = "firmware: must be an object";
        return false;
    }
    CJsonFields f(json, "firmware", error);
    long long maxBytes = static_cast<long long>(out.maxBytes), dropAfter = 0;
    f.boolean("enabled", out.enabled);
    f.integer("rebootSeconds", out.rebootSeconds, 0, 600);
    f.integer("maxBytes", maxBytes, 1, 1LL << 40);
    f.string("uploadDelay", out.uploadDelay);
    f.integer("dropAfterBytes", dropAfter, 0, 1LL << 40);
    f.boolean("auth", out.auth);
    f.boolean("silentAccept", out.silentAccept);
    out.maxBytes = static_cast<uint64_t>(maxBytes);
    out.dropAfterBytes = static_cast<uint64_t>(dropAfter);
    if (f.ok() && out.uploadDelay.rfind("PT", 0) != 0)
        f.fail("uploadDelay", "must be a duration such as PT0S");
    return f.ok();
}

std::string IssueUploadPath(CDeviceState& state)
{
    Json::Value& record = Record(state);
    record["token"] = ToHex(RandomBytes(8));
    record["state"] = "Ready";
    record["received"] = Json::UInt64(0);
    record["expected"] = Json::UInt64(0);
    record["reason"] = "";
    return kFirmwarePathPrefix + record["token"].asString();
}

bool IsCurrentUploadPath(const CDeviceState& state, const std::string& path)
{
    const Json::Value& serviceData = state.serviceData;
    const Json::Value& record = serviceData["firmware"];
    return record.isObject() && !record["token"].asString().empty() &&
           path == kFirmwarePathPrefix + record["token"].asString();
}

void MarkReceiving(CDeviceState& state, uint64_t expected)
{
    Json::Value& record = Record(state);
    record["state"] = "Receiving";
    record["expected"] = Json::UInt64(expected);
    record["received"] = Json::UInt64(0);
}

void MarkReceived(CDeviceState& state, uint64_t received)
{
    Record(state)["received"] = Json::UInt64(received);
}

void MarkFailed(CDeviceState& state, const std::string& state_, const std::string& reason)
{
    Json::Value& record = Record(state);
    record["state"] = state_;
    record["reason"] = reason;
    // A failed upload needs a new address, as on a camera that left its upgrade mode.
    record["token"] = "";
}

bool AcceptImage(CDeviceState& state, const std::string& head, uint64_t size, std::string& reason)
{
    const size_t end = head.find('\n');
    std::string version;
    if (head.compare(0, sizeof kMagic - 1, kMagic) == 0 && end != std::string::npos)
        version = head.substr(sizeof kMagic - 1, end - (sizeof kMagic - 1));
    bool good = !version.empty() && version.size() <= 32;
    for (char c : version)
        good = good && VersionChar(c);
    if (!good) {
        reason = "not a firmware image for this device";
        MarkFailed(state, "Refused", reason);
        return false;
    }
    CFirmwareOptions options;
    std::string ignored;
    ReadFirmwareOptions(state.current.raw, options, ignored);
    Json::Value& record = Record(state);
    record["state"] = "Rebooting";
    record["received"] = Json::UInt64(size);
    record["token"] = "";
    record["reason"] = "";
    record["rebootUntilMs"] = Json::Int64(SteadyMs() + 1000LL * options.rebootSeconds);
    // The new firmware is what the device reports after it comes back.
    state.current.identity.firmwareVersion = version;
    ++state.reboots;
    return true;
}

bool IsRebooting(CDeviceState& state)
{
    // Read through a const view: asking must not add a member to every device's state.
    const Json::Value& serviceData = state.serviceData;
    const Json::Value& record = serviceData["firmware"];
    return record.isObject() && record["state"].asString() == "Rebooting" &&
           SteadyMs() < record["rebootUntilMs"].asInt64();
}

Json::Value FirmwareStatus(CDeviceState& state)
{
    Json::Value& record = Record(state);
    if (record["state"].asString() == "Rebooting" && !IsRebooting(state))
        record["state"] = "Done";
    Json::Value status = record;
    status.removeMember("rebootUntilMs");
    status["firmwareVersion"] = state.current.identity.firmwareVersion;
    return status;
}

} // namespace OnvifSim
