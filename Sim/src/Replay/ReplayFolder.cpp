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
    std::vector<std::string> warnings;
};

bool IsRegularFile(const fs::directory_entry& entry)
{
    std::error_code ec;
    return entry.is_regular_file(ec) && !ec;
}

// Answers and the manifest; anything else (notes, a WS-Discovery ProbeMatch, an answer of a
// service this simulator does not serve) is skipped with a warning, hidden files (.gitkeep,
// editor swap) silently.
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
        if (n >= kMaxFiles) {
            error = where + ": more than " + std::to_string(kMaxFiles) + " files in the folder";
            return false;
        }
        bool regular = IsRegularFile(*it);
        if (file == kManifest && !regular) {
            error = where + ": not a regular file";
            return false;
        }
        if (!regular)
            reason = "not a regular file";
        else if (file == kManifest)
            listing.hasManifest = true;
        else if (ParseAnswerFileName(file, name, reason))
            listing.answers[name.service + "." + name.name] = name;
        if (!reason.empty())
            listing.warnings.push_back(where + ": " + reason + "; skipped");
    }
    if (ec) {
        error = dir + ": cannot list the folder (" + ec.message() + ")";
        return false;
    }
    return true;
}

bool ReadAnswer(const std::string& path, const CManifestEntry& entry, CReplayAnswer& answer, std::string& reason)
{
    if (!ReadSmallFile(path, kMaxAnswerBytes, answer.body, reason))
        return false;
    answer.file = path;
    answer.status = entry.status;
    answer.contentType = entry.contentType;
    // A device that sent broken XML is worth replaying too; its addresses stay as sent.
    if (!FindAddressSpans(answer.body, answer.addresses))
        LogLine(path + ": not well-formed XML; served without rewriting addresses");
    return true;
}

void ReadAnswers(const std::string& dir, const CListing& listing, const CReplayManifest& manifest,
                 CReplayFolder& out)
{
    std::map<std::string, std::set<std::string>> names;   // service -> names, for telling variants apart
    for (const auto& [key, name] : listing.answers)
        names[name.service].insert(name.name);
    for (const auto& [key, name] : listing.answers) {
        auto [action, suffix] = SplitVariant(name.service, name.name, names[name.service]);
        auto entry = manifest.responses.find(key);
        CReplayAnswer answer;
        std::string path = dir + "/" + key + ".xml", reason;
        if (ReadAnswer(path, entry == manifest.responses.end() ? CManifestEntry() : entry->second, answer, reason))
            out.actions[name.service + "." + action].variants[suffix] = std::move(answer);
        else
            out.warnings.push_back(path + ": " + reason + "; skipped");
    }
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
    folder.warnings = std::move(listing.warnings);
    folder.warnings.insert(folder.warnings.end(), manifest.warnings.begin(), manifest.warnings.end());
    ReadAnswers(dir, listing, manifest, folder);
    // Logged before a refusal too: they say why nothing in the folder could be used.
    for (const auto& warning : folder.warnings)
        LogLine(warning);
    if (folder.actions.empty()) {
        error = dir + ": no recorded answers (files named <service>.<Action>.xml)";
        return false;
    }
    folder.description = manifest.description;
    folder.description.source = dir;
    if (folder.description.name.empty())
        folder.description.name = fs::path(dir).lexically_normal().filename().string();
    if (folder.description.name.empty())
        folder.description.name = dir;
    for (const auto& [key, action] : folder.actions) {
        std::string service = key.substr(0, key.find('.'));
        if (FindService(service))
            folder.description.services.emplace(service, FindService(service)->defaultPath);
    }
    out = std::move(folder);
    return true;
}

} // namespace OnvifSim
