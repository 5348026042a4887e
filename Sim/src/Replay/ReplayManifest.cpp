#include "Replay/ReplayManifest.h"

#include "Description/JsonFields.h"
#include "Replay/ReplayFiles.h"

#include <json/reader.h>

#include <cctype>
#include <sstream>

namespace OnvifSim {
namespace {

bool ParseJson(const std::string& text, Json::Value& json, std::string& error)
{
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    builder["rejectDupKeys"] = true;
    std::istringstream stream(text);
    if (Json::parseFromStream(builder, stream, &json, &error))
        return true;
    while (!error.empty() && (error.back() == '\n' || error.back() == ' '))
        error.pop_back();
    error = "invalid JSON: " + error;
    return false;
}

void ReadEntry(const Json::Value& json, const std::string& key, CManifestEntry& entry, std::string& error)
{
    CJsonFields f(json, "responses." + key, error);
    if (!json.isObject())
        return f.fail("", "must be an object with status and contentType");
    f.integer("status", entry.status, 100, 599);
    f.string("contentType", entry.contentType);
    if (f.ok() && entry.contentType.empty())
        f.fail("contentType", "must not be empty");
    if (f.ok() && entry.contentType.find_first_of("\r\n") != std::string::npos)
        f.fail("contentType", "must be one line");
}

// An unusable entry leaves its answer with the default status and content type.
void ReadResponses(const Json::Value& json, const std::set<std::string>& answers, const std::string& path,
                   CReplayManifest& out)
{
    if (!json.isObject())
        return out.warnings.push_back(path + ": responses: must be an object; ignored");
    for (const auto& key : json.getMemberNames()) {
        std::string why;
        CManifestEntry entry;
        if (!answers.count(key))
            why = "responses." + key + ": no file " + key + ".xml in the folder";
        else
            ReadEntry(json[key], key, entry, why);
        if (why.empty())
            out.responses[key] = entry;
        else
            out.warnings.push_back(path + ": " + why + "; ignored");
    }
}

// The top-level member a description error names: "timezone: ..." or "auth.mode: ...".
std::string MemberOf(const std::string& error, const std::string& source)
{
    std::string rest = error.rfind(source + ": ", 0) == 0 ? error.substr(source.size() + 2) : error;
    size_t end = 0;
    while (end < rest.size() && (isalnum(static_cast<unsigned char>(rest[end])) || rest[end] == '_' ||
                                 rest[end] == '-'))
        ++end;
    return end < rest.size() && (rest[end] == '.' || rest[end] == ':' || rest[end] == '[') ? rest.substr(0, end)
                                                                                           : std::string();
}

// Everything but "responses" describes the device; without "auth" it asks for no credentials.
// A member the description refuses is left out and the rest read again, so each bad member
// costs one warning; an error that names no member of the manifest refuses it.
bool ReadDescription(Json::Value json, const std::string& source, CReplayManifest& out, std::string& error)
{
    json.removeMember("responses");
    if (json.isMember("services")) {
        json.removeMember("services");
        out.warnings.push_back(source + ": services: a replayed device answers on every path; ignored");
    }
    for (size_t tries = json.size() + 1; tries > 0; --tries) {
        Json::Value described = json;
        if (!described.isMember("auth"))
            described["auth"]["mode"] = "none";
        described["services"] = Json::Value(Json::arrayValue);
        described["services"].append("device");
        if (LoadDescription(described, out.description, error, source))
            return true;
        std::string member = MemberOf(error, source);
        if (member.empty() || !json.isMember(member))
            return false;
        out.warnings.push_back(error + "; ignored");
        json.removeMember(member);
    }
    return false;
}

} // namespace

bool ReadReplayManifest(const std::string& path, const std::set<std::string>& answers, CReplayManifest& out,
                        std::string& error)
{
    std::string text;
    Json::Value json;
    if (!ReadSmallFile(path, 4 * 1024 * 1024, text, error) || !ParseJson(text, json, error)) {
        error = path + ": " + error;
        return false;
    }
    if (!json.isObject()) {
        error = path + ": the manifest must be a JSON object";
        return false;
    }
    if (json.isMember("responses"))
        ReadResponses(json["responses"], answers, path, out);
    return ReadDescription(json, path, out, error);
}

bool DefaultReplayManifest(const std::string& source, CReplayManifest& out, std::string& error)
{
    return ReadDescription(Json::Value(Json::objectValue), source, out, error);
}

} // namespace OnvifSim
