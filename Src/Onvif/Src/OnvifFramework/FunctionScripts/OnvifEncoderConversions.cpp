// Names, quality scales, number shapes and the Media2 -> Media record rebuild.
#include "OnvifFramework/FunctionScripts/OnvifEncoderConversions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace RPC {
namespace Onvif {

namespace {

struct NamePair {
    const char* device;
    const char* host;
};

const NamePair kVideoNames[] = {{"H264", "H.264"}, {"JPEG", "MJPG"}, {"H265", "H.265"}};

// Copies member `name` from `from` to `to` when it is there.
void copyMember(const Json::Value& from, Json::Value& to, const char* name)
{
    if (from.isObject() && from.isMember(name))
        to[name] = from[name];
}

} // namespace

std::string videoCompressionToHost(const std::string& encoding)
{
    for (const NamePair& p : kVideoNames) {
        if (encoding == p.device)
            return p.host;
    }
    return encoding;
}

std::string videoCompressionToDevice(const std::string& compression)
{
    for (const NamePair& p : kVideoNames) {
        if (compression == p.host)
            return p.device;
    }
    return compression;
}

std::string audioCompressionToHost(const std::string& encoding)
{
    auto has = [&](const char* part) { return encoding.find(part) != std::string::npos; };
    if (has("PCMU") || has("G711"))
        return "G.711Mu";
    if (has("MP4A-LATM") || has("AAC"))
        return "AAC";
    if (has("G726"))
        return "G.726";
    return encoding;
}

int qualityToHost(double quality, double min, double max)
{
    if (quality < min || min > max)
        quality = max;
    if (min == max)
        return static_cast<int>(std::min(6.0, std::max(1.0, max)));
    int host = static_cast<int>(5.0 * (quality - min) / (max - min) + 1.0);
    // A device quality above its own maximum must not leave the host's scale.
    return std::min(6, std::max(1, host));
}

int qualityToDevice(int quality, double min, double max)
{
    return static_cast<int>((max - min) * (quality - 1) / 5.0 + min + 0.8);
}

bool readNumber(const Json::Value& value, double& out)
{
    if (value.isNumeric() && !value.isBool()) {
        out = value.asDouble();
        return true;
    }
    if (value.isString()) {
        const std::string text = value.asString();
        char* end = nullptr;
        double v = std::strtod(text.c_str(), &end);
        if (end != text.c_str() && std::isfinite(v)) {
            out = v;
            return true;
        }
    }
    return false;
}

std::vector<double> numberList(const Json::Value& value)
{
    std::vector<double> out;
    double v = 0;
    if (value.isArray()) {
        for (const Json::Value& item : value) {
            if (readNumber(item, v))
                out.push_back(v);
        }
    } else if (value.isString()) {
        std::istringstream in(value.asString());
        std::string word;
        while (in >> word) {
            if (readNumber(Json::Value(word), v))
                out.push_back(v);
        }
    } else if (readNumber(value, v)) {
        out.push_back(v);
    }
    return out;
}

std::vector<std::string> textList(const Json::Value& value)
{
    std::vector<std::string> out;
    if (value.isArray()) {
        for (const Json::Value& item : value) {
            if (item.isString() && !item.asString().empty())
                out.push_back(item.asString());
        }
    } else if (value.isString()) {
        std::istringstream in(value.asString());
        std::string word;
        while (in >> word)
            out.push_back(word);
    }
    return out;
}

std::string codecProfileMember(const std::string& encoding)
{
    if (encoding == "H264")
        return "H264Profile";
    if (encoding == "H265")
        return "H265Profile";
    if (encoding == "MPEG4")
        return "MPEG4Profile";
    return std::string();
}

Json::Value media2VideoConfigToMedia(const Json::Value& in)
{
    Json::Value out(Json::objectValue);
    if (!in.isObject())
        return out;
    if (in.isMember("token"))
        out["VideoConfigurationToken"] = in["token"];
    Json::Value& cfg = out["Configuration"];
    for (const char* name : {"token", "Name", "UseCount", "Encoding", "Resolution", "Quality"})
        copyMember(in, cfg, name);
    if (in.isMember("RateControl") && in["RateControl"].isObject()) {
        for (const char* name : {"FrameRateLimit", "BitrateLimit", "ConstantBitRate"})
            copyMember(in["RateControl"], cfg["RateControl"], name);
    }
    const std::string encoding = in.isMember("Encoding") && in["Encoding"].isString() ? in["Encoding"].asString() : "";
    const std::string profileMember = codecProfileMember(encoding);
    if (!profileMember.empty()) {
        Json::Value codec(Json::objectValue);
        copyMember(in, codec, "GovLength");
        if (in.isMember("Profile"))
            codec[profileMember] = in["Profile"];
        cfg[encoding] = codec;
    }
    if (in.isMember("Multicast") && in["Multicast"].isObject()) {
        const Json::Value& m = in["Multicast"];
        Json::Value& out_m = cfg["Multicast"];
        if (m.isMember("Address") && m["Address"].isObject()) {
            for (const char* name : {"Type", "IPv4Address", "IPv6Address"})
                copyMember(m["Address"], out_m["Address"], name);
        }
        for (const char* name : {"Port", "TTL", "AutoStart"})
            copyMember(m, out_m, name);
    }
    return out;
}

namespace {

// {"Min", "Max"} of a list; null for an empty list.
Json::Value rangeOf(const std::vector<double>& values)
{
    if (values.empty())
        return Json::Value();
    Json::Value range;
    auto mm = std::minmax_element(values.begin(), values.end());
    range["Min"] = *mm.first;
    range["Max"] = *mm.second;
    return range;
}

// Media2 sends ranges either as {"Min", "Max"} or as a two-number list.
Json::Value rangeMember(const Json::Value& value)
{
    if (value.isObject())
        return value;
    return rangeOf(numberList(value));
}

const char* media2ProfilesKey(const std::string& encoding)
{
    if (encoding == "H264")
        return "H264ProfilesSupported";
    if (encoding == "H265")
        return "H265ProfilesSupported";
    if (encoding == "MPEG4")
        return "MPEG4ProfilesSupported";
    return nullptr;
}

} // namespace

Json::Value media2VideoOptionsToMedia(const Json::Value& options)
{
    Json::Value out(Json::objectValue);
    if (!options.isArray())
        return out;
    for (const Json::Value& entry : options) {
        if (!entry.isObject() || !entry.isMember("Encoding") || !entry["Encoding"].isString())
            continue;
        const std::string encoding = entry["Encoding"].asString();
        if (encoding.empty() || out.isMember(encoding))
            continue;   // the first entry of an encoding describes it
        Json::Value group(Json::objectValue);
        Json::Value frameRates = rangeOf(numberList(entry.get("FrameRatesSupported", Json::Value())));
        if (!frameRates.isNull())
            group["FrameRateRange"] = frameRates;
        for (const char* name : {"QualityRange", "GovLengthRange", "BitrateRange"}) {
            if (entry.isMember(name)) {
                Json::Value range = rangeMember(entry[name]);
                if (!range.isNull())
                    group[name] = range;
            }
        }
        copyMember(entry, group, "ResolutionsAvailable");
        copyMember(entry, group, "ConstantBitRateSupported");
        const char* profilesKey = media2ProfilesKey(encoding);
        if (profilesKey && entry.isMember("ProfilesSupported")) {
            Json::Value list(Json::arrayValue);
            for (const std::string& p : textList(entry["ProfilesSupported"]))
                list.append(p);
            group[profilesKey] = list;
        }
        out[encoding] = group;
    }
    return out;
}

Json::Value media2AudioConfigToMedia(const Json::Value& in)
{
    Json::Value out(Json::objectValue);
    if (!in.isObject())
        return out;
    if (in.isMember("token"))
        out["AudioConfigurationToken"] = in["token"];
    Json::Value& cfg = out["Configuration"];
    for (const char* name : {"token", "Name", "UseCount", "Encoding", "Bitrate", "SampleRate", "Multicast"})
        copyMember(in, cfg, name);
    return out;
}

} // namespace Onvif
} // namespace RPC
