#include "Replay/ReplayManifest.h"

#include "Description/JsonFields.h"
#include "Replay/ReplayFiles.h"

#include <json/reader.h>

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

void ReadResponses(const Json::Value& json, const std::set<std::string>& answers, CReplayManifest& out,
                   std::string& error)
{
    if (!json.isObject())
        return void(error = "responses: must be an object");
    for (const auto& key : json.getMemberNames()) {
        if (!answers.count(key))
            return void(error = "responses." + key + ": no file " + key + ".xml in the folder");
        ReadEntry(json[key], key, out.responses[key], error);
        if (!error.empty())
            return;
    }
}

// Everything but "responses" describes the device; without "auth" it asks for no credentials.
bool ReadDescription(Json::Value json, const std::string& source, CReplayManifest& out, std::string& error)
{
    if (json.isMember("services")) {
        error = source + ": services: a replayed device answers on every path; leave services out";
        return false;
    }
    json.removeMember("responses");
    if (!json.isMember("auth"))
        json["auth"]["mode"] = "none";
    json["services"] = Json::Value(Json::arrayValue);
    json["services"].append("device");
    return LoadDescription(json, out.description, error, source);
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
        ReadResponses(json["responses"], answers, out, error);
    if (!error.empty()) {
        error = path + ": " + error;
        return false;
    }
    return ReadDescription(json, path, out, error);
}

bool DefaultReplayManifest(const std::string& source, CReplayManifest& out, std::string& error)
{
    return ReadDescription(Json::Value(Json::objectValue), source, out, error);
}

} // namespace OnvifSim
