#include "Replay/ReplayFolder.h"

#include "Common/Log.h"
#include "Description/Namespaces.h"
#include "Replay/ReplayFiles.h"
#include "Replay/ReplayManifest.h"
#include "Replay/ReplayNames.h"

#include <filesystem>

namespace OnvifSim {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxAnswerBytes = 16 * 1024 * 1024;
constexpr size_t kMaxFiles = 10000;
const char kManifest[] = "manifest.json";

struct CListing {
    std::map<std::string, CAnswerName> answers;   // "events.PullMessagesMotion" -> parts
    bool hasManifest = false;
};

bool IsRegularFile(const fs::directory_entry& entry)
{
    std::error_code ec;
    return entry.is_regular_file(ec) && !ec;
}

// Every file must be an answer or the manifest; hidden files (.gitkeep, editor swap) are skipped.
bool ListFolder(const std::string& dir, CListing& listing, std::string& error)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        error = dir + ": " + (fs::exists(dir, ec) ? "not a folder" : "no such folder");
        return false;
    }
    fs::directory_iterator it(dir, ec), end;
    for (size_t n = 0; !ec && it != end; it.increment(ec), ++n) {
        std::string file = it->path().filename().string();
        std::string where = dir + "/" + file;
        CAnswerName name;
        std::string reason;
        if (file[0] == '.')
            continue;
        if (n >= kMaxFiles)
            reason = "more than " + std::to_string(kMaxFiles) + " files in the folder";
        else if (!IsRegularFile(*it))
            reason = "not a regular file";
        else if (file == kManifest)
            listing.hasManifest = true;
        else if (ParseAnswerFileName(file, name, reason))
            listing.answers[name.service + "." + name.name] = name;
        if (!reason.empty()) {
            error = where + ": " + reason;
            return false;
        }
    }
    if (ec) {
        error = dir + ": cannot list the folder (" + ec.message() + ")";
        return false;
    }
    if (listing.answers.empty()) {
        error = dir + ": no recorded answers (files named <service>.<Action>.xml)";
        return false;
    }
    return true;
}

bool ReadAnswer(const std::string& path, const CManifestEntry& entry, CReplayAnswer& answer, std::string& error)
{
    std::string reason;
    if (!ReadSmallFile(path, kMaxAnswerBytes, answer.body, reason)) {
        error = path + ": " + reason;
        return false;
    }
    answer.file = path;
    answer.status = entry.status;
    answer.contentType = entry.contentType;
    // A device that sent broken XML is worth replaying too; its addresses stay as sent.
    if (!FindAddressSpans(answer.body, answer.addresses))
        LogLine(path + ": not well-formed XML; served without rewriting addresses");
    return true;
}

bool ReadAnswers(const std::string& dir, const CListing& listing, const CReplayManifest& manifest,
                 CReplayFolder& out, std::string& error)
{
    std::map<std::string, std::set<std::string>> names;   // service -> names, for telling variants apart
    for (const auto& [key, name] : listing.answers)
        names[name.service].insert(name.name);
    for (const auto& [key, name] : listing.answers) {
        auto [action, suffix] = SplitVariant(name.service, name.name, names[name.service]);
        auto entry = manifest.responses.find(key);
        CReplayAnswer& answer = out.actions[name.service + "." + action].variants[suffix];
        if (!ReadAnswer(dir + "/" + key + ".xml", entry == manifest.responses.end() ? CManifestEntry() : entry->second,
                        answer, error))
            return false;
    }
    return true;
}

} // namespace

bool LoadReplayFolder(const std::string& path, CReplayFolder& out, std::string& error)
{
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    CListing listing;
    if (!ListFolder(dir, listing, error))
        return false;
    std::set<std::string> keys;
    for (const auto& entry : listing.answers)
        keys.insert(entry.first);
    CReplayManifest manifest;
    std::string manifestPath = dir + "/" + kManifest;
    bool read = listing.hasManifest ? ReadReplayManifest(manifestPath, keys, manifest, error)
                                    : DefaultReplayManifest(manifestPath, manifest, error);
    if (!read)
        return false;
    CReplayFolder folder;
    if (!ReadAnswers(dir, listing, manifest, folder, error))
        return false;
    folder.description = manifest.description;
    folder.description.source = dir;
    if (folder.description.name.empty())
        folder.description.name = fs::path(dir).lexically_normal().filename().string();
    if (folder.description.name.empty())
        folder.description.name = dir;
    for (const auto& [key, name] : listing.answers)
        if (FindService(name.service))
            folder.description.services.emplace(name.service, FindService(name.service)->defaultPath);
    out = std::move(folder);
    return true;
}

} // namespace OnvifSim
