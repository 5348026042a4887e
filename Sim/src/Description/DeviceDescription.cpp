// Reads a device description and checks it as a whole: a device that cannot work
// (no device service, digest-only without a 401 challenge, duplicate prefixes) is refused
// here with the member's path, rather than discovered by a confused client test later.
#include "OnvifSim/DeviceDescription.h"

#include "Description/JsonFields.h"
#include "Description/Namespaces.h"
#include "Common/TimeUtil.h"
#include "DeviceIO/IoModel.h"
#include "Firmware/FirmwareState.h"
#include "Imaging/ImagingModel.h"
#include "Media/MediaModel.h"
#include "Network/NetworkModel.h"
#include "Ptz/PtzModel.h"
#include "Recording/RecordingModel.h"

#include <json/reader.h>

#include <fstream>
#include <sstream>

namespace OnvifSim {
namespace {

// Members that other services (media, recording, replay ...) read from `raw`.
const char* const kOpenMembers[] = {"channels", "profiles", "media", "recordings", "ptz",
                                    "imaging", "events", "comment", "notes", "snapshot", "rtsp", "io",
                                    "network", "firmware"};

const char* const kKnownMembers[] = {
    "name", "identity", "services", "namespacePrefixes", "users", "clockOffsetSeconds",
    "timezone", "daylightSavings", "dateTimeType", "auth", "transfer", "https",
    "advertisedHost", "faultStatus", "keepAliveSeconds", "splitWrites", "scopes", "faults"};

bool IsKnownMember(const std::string& key)
{
    for (const char* k : kKnownMembers)
        if (key == k)
            return true;
    for (const char* k : kOpenMembers)
        if (key == k)
            return true;
    return key.rfind("x-", 0) == 0;  // private additions of one test or tool
}

bool IsNcName(const std::string& s)
{
    if (s.empty() || !(isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_'))
        return false;
    for (char c : s)
        if (!(isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
            return false;
    return s.rfind("xml", 0) != 0;
}

void ReadIdentity(const Json::Value& json, CDeviceIdentity& id, std::string& error)
{
    CJsonFields f(json, "identity", error);
    if (!json.isObject())
        return f.fail("", "must be an object");
    f.string("manufacturer", id.manufacturer);
    f.string("model", id.model);
    f.string("firmwareVersion", id.firmwareVersion);
    f.string("serialNumber", id.serialNumber);
    f.string("hardwareId", id.hardwareId);
}

// "services": {"device": "/onvif/device_service", "media": null} or ["device", "media"];
// null or "" takes the usual path.
void ReadServices(const Json::Value& json, CDeviceDescription& d, std::string& error)
{
    d.services.clear();
    auto add = [&](const std::string& key, const Json::Value& path) {
        const CServiceInfo* info = FindService(key);
        if (!info)
            return void(error = "services." + key + ": unknown service");
        if (!path.isNull() && !path.isString())
            return void(error = "services." + key + ": path must be a string");
        std::string p = path.isString() ? path.asString() : "";
        if (p.empty())
            p = info->defaultPath;
        if (p[0] != '/')
            return void(error = "services." + key + ": path must start with '/'");
        for (const auto& [otherKey, otherPath] : d.services)
            if (otherPath == p)
                return void(error = "services." + key + ": path " + p + " already used by " + otherKey);
        d.services[key] = p;
    };
    if (json.isArray()) {
        for (const auto& v : json)
            if (error.empty())
                v.isString() ? add(v.asString(), Json::Value()) : void(error = "services: names must be strings");
    } else if (json.isObject()) {
        for (const auto& key : json.getMemberNames())
            if (error.empty())
                add(key, json[key]);
    } else {
        error = "services: must be an object or an array";
    }
    if (error.empty() && !d.services.count("device"))
        error = "services: the device service is required";
}

void ReadPrefixes(const Json::Value& json, CDeviceDescription& d, std::string& error)
{
    std::string preset = json.isString() ? json.asString() : json.get("preset", "tt").asString();
    if (!json.isString() && !json.isObject())
        return void(error = "namespacePrefixes: must be a preset name or an object");
    if (!PrefixPreset(preset, d.prefixes))
        return void(error = "namespacePrefixes: unknown preset \"" + preset + "\" (tt, ns, onvif, default)");
    d.defaultNamespaces = preset == "default";
    const Json::Value& overrides = json.isObject() ? json["overrides"] : Json::Value::nullSingleton();
    if (!overrides.isNull() && !overrides.isObject())
        return void(error = "namespacePrefixes.overrides: must be an object of URI -> prefix");
    for (const auto& uri : overrides.getMemberNames()) {
        const Json::Value& p = overrides[uri];
        if (!p.isString() || !IsNcName(p.asString()))
            return void(error = "namespacePrefixes.overrides." + uri + ": not a valid prefix");
        d.prefixes[uri] = p.asString();
    }
    if (d.defaultNamespaces)
        return;
    std::map<std::string, std::string> seen;
    for (const auto& [uri, prefix] : d.prefixes)
        if (!seen.emplace(prefix, uri).second)
            return void(error = "namespacePrefixes: prefix \"" + prefix + "\" used for both " +
                                seen[prefix] + " and " + uri);
}

void ReadUsers(const Json::Value& json, CDeviceDescription& d, std::string& error)
{
    if (!json.isArray())
        return void(error = "users: must be an array");
    static const char* const names[] = {"Administrator", "Operator", "User"};
    static const EUserLevel levels[] = {EUserLevel::Administrator, EUserLevel::Operator, EUserLevel::User};
    d.users.clear();
    for (Json::ArrayIndex i = 0; i < json.size() && error.empty(); ++i) {
        CJsonFields f(json[i], "users[" + std::to_string(i) + "]", error);
        CSimUser user;
        if (!json[i].isObject())
            return f.fail("", "must be an object");
        f.string("name", user.name);
        f.string("password", user.password);
        f.choice("level", user.level, names, levels);
        if (f.ok() && user.name.empty())
            f.fail("name", "must not be empty");
        for (const auto& other : d.users)
            if (f.ok() && other.name == user.name)
                f.fail("name", "duplicate user " + user.name);
        d.users.push_back(user);
    }
}

void ReadAuth(const Json::Value& json, CDeviceDescription& d, std::string& error)
{
    CJsonFields f(json, "auth", error);
    if (!json.isObject())
        return f.fail("", "must be an object");
    static const char* const modeNames[] = {"wsse", "digest", "either", "none"};
    static const EAuthMode modes[] = {EAuthMode::Wsse, EAuthMode::Digest, EAuthMode::Either, EAuthMode::None};
    f.choice("mode", d.authMode, modeNames, modes);
    static const char* const refusalNames[] = {"http401", "http400", "fault200", "fault500"};
    static const ERefusalStyle refusals[] = {ERefusalStyle::Http401, ERefusalStyle::Http400,
                                             ERefusalStyle::Fault200, ERefusalStyle::Fault500};
    f.choice("refusal", d.refusalStyle, refusalNames, refusals);
    f.boolean("htmlRefusalBody", d.htmlRefusalBody);
    f.string("realm", d.realm);
    f.integer("wsseToleranceSeconds", d.wsseToleranceSeconds, 0, 86400 * 365);
    f.integer("digestNonceLifetimeSeconds", d.digestNonceLifetimeSeconds, 1, 86400);
    if (f.ok() && f.has("anonymousOperations")) {
        const Json::Value& ops = json["anonymousOperations"];
        if (!ops.isArray())
            return f.fail("anonymousOperations", "must be an array of operation names");
        d.anonymousOperations.clear();
        for (const auto& op : ops)
            op.isString() ? void(d.anonymousOperations.insert(op.asString()))
                          : f.fail("anonymousOperations", "names must be strings");
    }
    if (f.ok() && f.has("challenges")) {
        const Json::Value& list = json["challenges"];
        d.challenges.clear();
        for (const auto& c : list) {
            std::string s = c.isString() ? c.asString() : "";
            if (s != "Digest MD5" && s != "Digest SHA-256" && s != "Basic")
                return f.fail("challenges", "entries are \"Digest MD5\", \"Digest SHA-256\" or \"Basic\"");
            d.challenges.push_back(s);
        }
        if (!list.isArray() || d.challenges.empty())
            return f.fail("challenges", "must be a non-empty array");
    }
}

void ReadScopes(const Json::Value& json, CDeviceDescription& d, std::string& error)
{
    if (!json.isArray())
        return void(error = "scopes: must be an array");
    d.scopes.clear();
    for (Json::ArrayIndex i = 0; i < json.size() && error.empty(); ++i) {
        CScope scope;
        CJsonFields f(json[i], "scopes[" + std::to_string(i) + "]", error);
        if (json[i].isString()) {
            scope.uri = json[i].asString();
        } else if (json[i].isObject()) {
            f.string("uri", scope.uri);
            f.boolean("fixed", scope.fixed);
        }
        if (f.ok() && scope.uri.empty())
            f.fail("", "a scope is a non-empty URI string or {uri, fixed}");
        d.scopes.push_back(scope);
    }
}

void ReadFaults(const Json::Value& json, CDeviceDescription& d, std::string& error)
{
    if (!json.isArray())
        return void(error = "faults: must be an array");
    for (Json::ArrayIndex i = 0; i < json.size() && error.empty(); ++i) {
        CSimFault fault;
        std::string why;
        if (!ParseSimFault(json[i], fault, why))
            error = "faults[" + std::to_string(i) + "]." + why;
        d.faults.push_back(fault);
    }
}

void ReadTopLevel(const Json::Value& json, CDeviceDescription& d, std::string& error)
{
    for (const auto& key : json.getMemberNames())
        if (!IsKnownMember(key))
            return void(error = key + ": unknown member (private members start with \"x-\")");
    CJsonFields f(json, "", error);
    f.string("name", d.name);
    if (f.ok() && f.has("identity"))
        ReadIdentity(json["identity"], d.identity, error);
    if (f.ok())
        ReadServices(json.isMember("services") ? json["services"] : Json::Value(Json::arrayValue), d, error);
    if (f.ok())
        ReadPrefixes(json.isMember("namespacePrefixes") ? json["namespacePrefixes"] : Json::Value("tt"), d, error);
    if (f.ok() && f.has("users"))
        ReadUsers(json["users"], d, error);
    f.integer("clockOffsetSeconds", d.clockOffsetSeconds, -100LL * 365 * 86400, 100LL * 365 * 86400);
    f.string("timezone", d.timezone);
    f.boolean("daylightSavings", d.daylightSavings);
    static const char* const typeNames[] = {"Manual", "NTP"};
    static const bool typeValues[] = {false, true};
    f.choice("dateTimeType", d.ntp, typeNames, typeValues);
    if (f.ok() && f.has("auth"))
        ReadAuth(json["auth"], d, error);
    static const char* const transferNames[] = {"content-length", "chunked"};
    static const ETransfer transfers[] = {ETransfer::ContentLength, ETransfer::Chunked};
    f.choice("transfer", d.transfer, transferNames, transfers);
    f.boolean("https", d.https);
    f.string("advertisedHost", d.advertisedHost);
    static const char* const statusNames[] = {"binding", "always500"};
    static const bool statusValues[] = {false, true};
    f.choice("faultStatus", d.faultStatusAlways500, statusNames, statusValues);
    f.integer("keepAliveSeconds", d.keepAliveSeconds, 1, 3600);
    f.boolean("splitWrites", d.splitWrites);
    if (f.ok() && f.has("scopes"))
        ReadScopes(json["scopes"], d, error);
    if (f.ok() && f.has("faults"))
        ReadFaults(json["faults"], d, error);
}

void CheckConsistency(const CDeviceDescription& d, std::string& error)
{
    if (d.authMode == EAuthMode::Digest && d.refusalStyle != ERefusalStyle::Http401)
        error = "auth.refusal: a digest-only device must refuse with http401, or clients never see a challenge";
    else if (d.authMode != EAuthMode::None && d.users.empty())
        error = "users: a device with authentication needs at least one user";
    else if (!ParsePosixTz(d.timezone, nullptr))
        error = "timezone: \"" + d.timezone + "\" is not a POSIX TZ string such as \"CST-8\"";
}

} // namespace

bool LoadDescription(const Json::Value& json, CDeviceDescription& out, std::string& error,
                     const std::string& source)
{
    error.clear();
    CDeviceDescription d;
    d.source = source;
    if (!json.isObject())
        error = "the description must be a JSON object";
    else
        ReadTopLevel(json, d, error);
    if (error.empty())
        CheckConsistency(d, error);
    Json::Value media;   // the media members are checked here and read again when the device runs
    if (error.empty())
        BuildMediaModel(json, media, error);
    Json::Value io;
    if (error.empty())
        BuildIoModel(json, io, error);
    Json::Value recordings;
    if (error.empty())
        BuildRecordingModel(json, 0, recordings, error);
    Json::Value ptz, imaging;   // the same for the domes and the picture settings
    if (error.empty())
        BuildPtzModel(json, ptz, error);
    if (error.empty())
        BuildImagingModel(json, imaging, error);
    Json::Value network;
    CFirmwareOptions firmware;
    if (error.empty())
        BuildNetworkModel(json, network, error);
    if (error.empty())
        ReadFirmwareOptions(json, firmware, error);
    if (!error.empty()) {
        error = source + ": " + error;
        return false;
    }
    d.raw = json;
    out = std::move(d);
    return true;
}

bool LoadDescriptionFile(const std::string& path, CDeviceDescription& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open file";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().size() > 4 * 1024 * 1024) {
        error = path + ": file larger than 4 MiB";
        return false;
    }
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    builder["rejectDupKeys"] = true;
    Json::Value json;
    std::string parseErrors;
    std::istringstream stream(text.str());
    if (!Json::parseFromStream(builder, stream, &json, &parseErrors)) {
        error = path + ": invalid JSON: " + parseErrors;
        while (!error.empty() && (error.back() == '\n' || error.back() == ' '))
            error.pop_back();
        return false;
    }
    return LoadDescription(json, out, error, path);
}

} // namespace OnvifSim
