#include "Media/ClipLibrary.h"

#include "Common/DataDirs.h"
#include "Common/Log.h"

#include <json/reader.h>
#include <json/value.h>

#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <sstream>

namespace OnvifSim {
namespace {

struct CLibrary {
    std::mutex mutex;
    bool loaded = false;
    std::string error;
    std::vector<CClipPtr> clips;
};

CLibrary& Library()
{
    static CLibrary library;
    return library;
}

bool ReadFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return in.good() || in.eof();
}

bool LoadAll(std::vector<CClipPtr>& clips, std::string& error)
{
    std::string dir = MediaDir();
    std::string text;
    Json::Value manifest;
    std::string parseError;
    Json::CharReaderBuilder builder;
    std::istringstream in(ReadFile(dir + "/clips.json", text) ? text : std::string());
    if (!Json::parseFromStream(builder, in, &manifest, &parseError) || !manifest["clips"].isArray()) {
        error = dir + "/clips.json: unreadable clip list " + parseError;
        return false;
    }
    for (const auto& entry : manifest["clips"]) {
        auto clip = std::make_shared<CClip>();
        clip->name = entry["file"].asString();
        clip->width = entry["width"].asInt();
        clip->height = entry["height"].asInt();
        clip->fps = entry["fps"].asDouble();
        clip->benchmark = entry["benchmark"].asBool();
        std::string data;
        std::string why;
        if (!ReadFile(dir + "/" + clip->name, data) || data.empty())
            why = "cannot read the file";
        else
            BuildClip(entry["codec"].asString(), data, *clip, why);
        if (!why.empty()) {
            error = dir + "/" + clip->name + ": " + why;
            return false;
        }
        clips.push_back(clip);
    }
    return true;
}

const char* CodecName(EClipCodec codec)
{
    switch (codec) {
    case EClipCodec::H264: return "H264";
    case EClipCodec::H265: return "H265";
    case EClipCodec::Jpeg: return "JPEG";
    case EClipCodec::Aac: return "AAC";
    case EClipCodec::Pcmu: return "PCMU";
    }
    return "";
}

} // namespace

std::string MediaDir()
{
    return SimDataDir("media");
}

CClipPtr FindClip(const std::string& codec, int width, int height, bool benchmark, std::string* error)
{
    if (codec == "PCMU")
        return PcmuToneClip();
    CLibrary& library = Library();
    std::lock_guard<std::mutex> lock(library.mutex);
    if (!library.loaded) {
        library.loaded = true;
        if (!LoadAll(library.clips, library.error)) {
            LogLine("media clips: " + library.error);
            library.clips.clear();
        }
    }
    CClipPtr best;
    long long bestDistance = std::numeric_limits<long long>::max();
    for (const auto& clip : library.clips) {
        if (codec != CodecName(clip->codec) || clip->benchmark != (benchmark && codec == "H264"))
            continue;
        long long dw = clip->width - width, dh = clip->height - height;
        long long distance = dw * dw + dh * dh;
        if (distance < bestDistance) {
            best = clip;
            bestDistance = distance;
        }
    }
    if (!best && error)
        *error = library.error.empty() ? "no " + codec + " clip in " + MediaDir() : library.error;
    return best;
}

} // namespace OnvifSim
