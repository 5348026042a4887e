// The host's encoder records: reading a device configuration and its options into the
// host's form, and applying the host's record to a device configuration.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "OnvifFramework/FunctionScripts/OnvifEncoderConversions.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifProfileGrouping.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

// The encodings a host can choose, in the order its lists show them.
const char* const kVideoEncodings[] = {"H264", "H265", "JPEG", "MPEG4"};

const Json::Value& nullValue()
{
    static const Json::Value kNull;
    return kNull;
}

const Json::Value& member(const Json::Value& record, const char* name)
{
    if (record.isObject() && record.isMember(name))
        return record[name];
    return nullValue();
}

// The options group of one encoding ("Options"[encoding]).
const Json::Value& encodingGroup(const Json::Value& deviceOptions, const std::string& encoding)
{
    const Json::Value& group = member(member(deviceOptions, "Options"), encoding.c_str());
    return group.isObject() ? group : nullValue();
}

bool readRange(const Json::Value& range, double& min, double& max)
{
    return readNumber(member(range, "Min"), min) && readNumber(member(range, "Max"), max);
}

// Media keeps one quality range for all encodings, Media2 one per encoding.
bool qualityRange(const Json::Value& deviceOptions, const std::string& encoding, double& min, double& max)
{
    return readRange(member(encodingGroup(deviceOptions, encoding), "QualityRange"), min, max) ||
           readRange(member(member(deviceOptions, "Options"), "QualityRange"), min, max);
}

// Media reports bit-rate ranges in the options' extension, Media2 in the encoding group.
bool bitrateRange(const Json::Value& deviceOptions, const std::string& encoding, double& min, double& max)
{
    const Json::Value& extension = member(member(deviceOptions, "Options"), "Extension");
    return readRange(member(encodingGroup(deviceOptions, encoding), "BitrateRange"), min, max) ||
           readRange(member(member(extension, encoding.c_str()), "BitrateRange"), min, max);
}

std::vector<std::string> supportedProfiles(const Json::Value& group, const std::string& encoding)
{
    std::vector<const char*> keys;
    if (encoding == "H264")
        keys = {"H264ProfilesSupported"};
    else if (encoding == "H265")
        keys = {"H265ProfilesSupported"};
    else if (encoding == "MPEG4")
        keys = {"Mpeg4ProfilesSupported", "MPEG4ProfilesSupported"};
    for (const char* key : keys) {
        if (group.isMember(key))
            return textList(group[key]);
    }
    return {};
}

// A codec group's profile: the writer's member name, or the Media reader's "Mpeg4Profile".
std::string codecProfile(const Json::Value& codec, const std::string& encoding)
{
    std::string value = textMember(codec, codecProfileMember(encoding).c_str());
    if (value.empty() && encoding == "MPEG4")
        value = textMember(codec, "Mpeg4Profile");
    return value;
}

// Flags arrive as booleans or as their text, in any letter case.
bool isTrue(const Json::Value& value)
{
    if (value.isBool())
        return value.asBool();
    if (!value.isString())
        return false;
    std::string text = value.asString();
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text == "true";
}

int intOf(const Json::Value& value, int fallback = 0)
{
    double v = 0;
    return readNumber(value, v) ? static_cast<int>(v) : fallback;
}

Json::Value toArray(const std::vector<std::string>& items)
{
    Json::Value out(Json::arrayValue);
    for (const std::string& s : items)
        out.append(s);
    return out;
}

void appendUnique(std::vector<std::string>& list, const std::string& item)
{
    if (!item.empty() && std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

std::vector<std::string> resolutionNames(const Json::Value& group, const std::string& manufacturer)
{
    std::vector<std::string> names;
    for (const Json::Value& r : member(group, "ResolutionsAvailable")) {
        if (r.isObject())
            appendUnique(names, WxH2ImageSizeStr(intOf(r["Width"]), intOf(r["Height"]), manufacturer));
    }
    return names;
}

} // namespace

void addResolutionMapping(Json::Value& deviceOptions, const std::string& manufacturer)
{
    Json::Value mapping(Json::objectValue);
    for (const char* encoding : kVideoEncodings) {
        const Json::Value& group = encodingGroup(deviceOptions, encoding);
        for (const Json::Value& r : member(group, "ResolutionsAvailable")) {
            if (!r.isObject())
                continue;
            const int w = intOf(r["Width"]);
            const int h = intOf(r["Height"]);
            const std::string name = WxH2ImageSizeStr(w, h, manufacturer);
            if (name.empty() || mapping[encoding].isMember(name))
                continue;
            char text[32];
            snprintf(text, sizeof(text), "%dx%d", w, h);
            mapping[encoding][name] = text;
        }
    }
    deviceOptions["ResMapping"] = mapping;
}

// "ResolutionTypes" is the union of every encoding's sizes (H.264 first) so that a host
// that picks a size before the codec never misses one; "IndividualResolution" is exact.
Json::Value videoOptionsToHost(const Json::Value& deviceOptions, const std::string& manufacturer)
{
    Json::Value host(Json::objectValue);
    std::vector<std::string> compressions, allResolutions;
    Json::Value individual(Json::objectValue);
    double bitMin = 0, bitMax = 0, fpsMax = 0;
    bool haveBitrate = false, cbr = false, haveFps = false;
    for (const char* encoding : kVideoEncodings) {
        const Json::Value& group = encodingGroup(deviceOptions, encoding);
        if (group.isNull())
            continue;
        const std::string compression = videoCompressionToHost(encoding);
        compressions.push_back(compression);
        std::vector<std::string> names = resolutionNames(group, manufacturer);
        individual[compression] = toArray(names);
        for (const std::string& n : names)
            appendUnique(allResolutions, n);
        double lo = 0, hi = 0;
        if (bitrateRange(deviceOptions, encoding, lo, hi)) {
            bitMin = haveBitrate ? std::min(bitMin, lo) : lo;
            bitMax = haveBitrate ? std::max(bitMax, hi) : hi;
            haveBitrate = true;
        }
        if (readRange(member(group, "FrameRateRange"), lo, hi)) {
            fpsMax = haveFps ? std::max(fpsMax, hi) : hi;
            haveFps = true;
        }
        cbr = cbr || isTrue(member(group, "ConstantBitRateSupported"));
        const std::vector<std::string> profiles = supportedProfiles(group, encoding);
        if (!profiles.empty())
            host[std::string(encoding) == "MPEG4" ? "Mpeg4Profile" : std::string(encoding) + "Profile"] =
                toArray(profiles);
    }
    host["CompressionTypes"] = toArray(compressions);
    if (haveBitrate && bitMin >= 1 && bitMin < bitMax) {
        host["BitRateOptions"].append(static_cast<int>(bitMin));
        host["BitRateOptions"].append(static_cast<int>(bitMax));
    }
    host["BitRateControl"].append("VBR");
    if (cbr)
        host["BitRateControl"].append("CBR");
    if (haveFps)
        host["FPSMax"] = static_cast<int>(fpsMax);
    host["ResolutionTypes"] = toArray(allResolutions);
    host["IndividualResolution"] = individual;
    for (const char* token : {"ProfileToken", "VideoConfigurationToken"}) {
        if (deviceOptions.isObject() && deviceOptions.isMember(token))
            host[token] = deviceOptions[token];
    }
    return host;
}

Json::Value videoConfigToHost(const Json::Value& deviceConfig, const Json::Value& deviceOptions,
                              const std::string& manufacturer)
{
    const Json::Value& cfg = member(deviceConfig, "Configuration");
    Json::Value host(Json::objectValue);
    host["VideoEnable"] = true;
    host["VideoConfigurationToken"] = textMember(deviceConfig, "VideoConfigurationToken");
    Json::Value& video = host["Video"];
    const std::string encoding = textMember(cfg, "Encoding");
    video["Compression"] = videoCompressionToHost(encoding);

    const int width = intOf(member(member(cfg, "Resolution"), "Width"));
    const int height = intOf(member(member(cfg, "Resolution"), "Height"));
    video["Width"] = width;
    video["Height"] = height;
    video["ImageSizeStr"] = WxH2ImageSizeStr(width, height, manufacturer);

    double q = 0, min = 0, max = 0;
    if (readNumber(member(cfg, "Quality"), q) && qualityRange(deviceOptions, encoding, min, max))
        video["Quality"] = qualityToHost(q, min, max);

    const Json::Value& rate = member(cfg, "RateControl");
    if (rate.isObject()) {
        video["BitRateControl"] = isTrue(member(rate, "ConstantBitRate")) ? "CBR" : "VBR";
        video["FPS"] = intOf(member(rate, "FrameRateLimit"));
        video["EncodingInterval"] = intOf(member(rate, "EncodingInterval"));
        video["BitRate"] = intOf(member(rate, "BitrateLimit"));
    } else {
        video["BitRateControl"] = "VBR";
    }

    const Json::Value& codec = member(cfg, encoding.c_str());
    if (codec.isObject() && !codecProfileMember(encoding).empty()) {
        video["GOP"] = intOf(member(codec, "GovLength"));
        video["Profile"] = codecProfile(codec, encoding);
    }
    return host;
}

namespace {

// The value clamped into the group's range when the options give one.
double clampInto(double value, const Json::Value& range)
{
    double min = 0, max = 0;
    if (readRange(range, min, max) && min <= max)
        return std::min(max, std::max(min, value));
    return value;
}

// The resolution the host asked for: explicit width and height, else an image-size name
// looked up in the options' mapping (the target encoding first, then any other).
bool hostResolution(const Json::Value& hostVideo, const Json::Value& deviceOptions, const std::string& encoding,
                    int& width, int& height)
{
    double w = 0, h = 0;
    if (readNumber(member(hostVideo, "Width"), w) && readNumber(member(hostVideo, "Height"), h)) {
        width = static_cast<int>(w);
        height = static_cast<int>(h);
        return true;
    }
    const std::string name = textMember(hostVideo, "ImageSizeStr");
    if (name.empty())
        return false;
    const Json::Value& mapping = member(deviceOptions, "ResMapping");
    std::string text = textMember(member(mapping, encoding.c_str()), name.c_str());
    for (const char* other : kVideoEncodings) {
        if (text.empty())
            text = textMember(member(mapping, other), name.c_str());
    }
    if (text.empty())
        return false;
    if (sscanf(text.c_str(), "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0) {
        ONVIF_LOG(LOG_WARN, "parse Resolution failed, value:%s\n", text.c_str());
        return false;
    }
    return true;
}

// Media readers give multicast addresses as lists; the writers take one address.
void flattenMulticastAddresses(Json::Value& configuration)
{
    if (!configuration.isMember("Multicast") || !configuration["Multicast"].isObject())
        return;
    Json::Value& address = configuration["Multicast"]["Address"];
    if (!address.isObject())
        return;
    for (const char* name : {"IPv4Address", "IPv6Address"}) {
        if (address.isMember(name) && address[name].isArray())
            address[name] = address[name].empty() ? Json::Value("") : address[name][0];
    }
}

} // namespace

void applyHostVideo(const Json::Value& hostVideo, const Json::Value& deviceOptions, Json::Value& cfg)
{
    if (!cfg.isObject())
        cfg = Json::Value(Json::objectValue);
    const std::string compression = textMember(hostVideo, "Compression");
    if (!compression.empty())
        cfg["Encoding"] = videoCompressionToDevice(compression);
    const std::string encoding = textMember(cfg, "Encoding");
    const Json::Value& group = encodingGroup(deviceOptions, encoding);

    int width = 0, height = 0;
    if (hostResolution(hostVideo, deviceOptions, encoding, width, height)) {
        cfg["Resolution"]["Width"] = width;
        cfg["Resolution"]["Height"] = height;
    } else {
        ONVIF_LOG(LOG_WARN, "setVideoEncoderCfg input no vaild Resolution!\n");
    }

    double value = 0, min = 0, max = 0;
    const std::string control = textMember(hostVideo, "BitRateControl");
    if (control == "VBR" && readNumber(member(hostVideo, "Quality"), value) &&
        qualityRange(deviceOptions, encoding, min, max))
        cfg["Quality"] = qualityToDevice(static_cast<int>(value), min, max);
    if (!control.empty())
        cfg["RateControl"]["ConstantBitRate"] = (control == "CBR");
    if (readNumber(member(hostVideo, "FPS"), value))
        cfg["RateControl"]["FrameRateLimit"] = static_cast<int>(clampInto(value, member(group, "FrameRateRange")));
    if (readNumber(member(hostVideo, "IFrameInterval"), value))
        cfg["RateControl"]["EncodingInterval"] =
            static_cast<int>(clampInto(value, member(group, "EncodingIntervalRange")));
    if (readNumber(member(hostVideo, "BitRate"), value))
        cfg["RateControl"]["BitrateLimit"] = static_cast<int>(value);

    const std::string profileMember = codecProfileMember(encoding);
    if (!profileMember.empty()) {
        if (readNumber(member(hostVideo, "GOP"), value))
            cfg[encoding]["GovLength"] = static_cast<int>(clampInto(value, member(group, "GovLengthRange")));
        const std::string profile = textMember(hostVideo, "Profile");
        const std::vector<std::string> supported = supportedProfiles(group, encoding);
        if (!profile.empty() &&
            (supported.empty() || std::find(supported.begin(), supported.end(), profile) != supported.end()))
            cfg[encoding][profileMember] = profile;
        else if (!profile.empty())
            ONVIF_LOG(LOG_WARN, "profile %s not supported by %s\n", profile.c_str(), encoding.c_str());
    }
    flattenMulticastAddresses(cfg);
}

void liftMedia2CodecMembers(Json::Value& cfg, const std::string& token)
{
    cfg["Token"] = token;
    const std::string encoding = textMember(cfg, "Encoding");
    if (encoding == "JPEG" || !cfg.isMember(encoding) || !cfg[encoding].isObject())
        return;
    const Json::Value& codec = cfg[encoding];
    if (codec.isMember("GovLength"))
        cfg["GovLength"] = codec["GovLength"];
    const std::string profile = codecProfile(codec, encoding);
    if (!profile.empty())
        cfg["Profile"] = profile;
}

Json::Value audioConfigToHost(const Json::Value& deviceConfig)
{
    const Json::Value& cfg = member(deviceConfig, "Configuration");
    Json::Value host(Json::objectValue);
    host["AudioEnable"] = true;
    host["AudioConfigurationToken"] = textMember(deviceConfig, "AudioConfigurationToken");
    Json::Value& audio = host["Audio"];
    audio["Compression"] = audioCompressionToHost(textMember(cfg, "Encoding"));
    audio["Frequency"] = intOf(member(cfg, "SampleRate")) * 1000;
    audio["BitRate"] = intOf(member(cfg, "Bitrate"));
    return host;
}

void applyHostAudio(const Json::Value& hostAudio, const Json::Value& deviceOptions, Json::Value& cfg)
{
    if (!cfg.isObject())
        cfg = Json::Value(Json::objectValue);
    const std::string compression = textMember(hostAudio, "Compression");
    if (!compression.empty() && audioCompressionToHost(textMember(cfg, "Encoding")) != compression) {
        // Devices name one codec differently ("G711" or "PCMU"): take the device's own
        // name from its options rather than guessing it.
        std::string chosen;
        for (const Json::Value& option : member(deviceOptions, "Options")) {
            const std::string encoding = textMember(option, "Encoding");
            if (chosen.empty() && audioCompressionToHost(encoding) == compression)
                chosen = encoding;
        }
        if (!chosen.empty())
            cfg["Encoding"] = chosen;
        else
            ONVIF_LOG(LOG_WARN, "audio compression %s not offered by the device\n", compression.c_str());
    }
    double value = 0;
    if (readNumber(member(hostAudio, "Frequency"), value) && value > 0)
        cfg["SampleRate"] = static_cast<int>(value / 1000);
    if (readNumber(member(hostAudio, "BitRate"), value) && value > 0)
        cfg["Bitrate"] = static_cast<int>(value);
    flattenMulticastAddresses(cfg);
}

Json::Value audioOptionsToHost(const Json::Value& deviceOptions)
{
    Json::Value host(Json::objectValue);
    host["CompressionTypes"] = Json::Value(Json::arrayValue);
    host["AudioOptions"] = Json::Value(Json::arrayValue);
    std::vector<std::string> compressions;
    for (const Json::Value& option : member(deviceOptions, "Options")) {
        const std::string encoding = textMember(option, "Encoding");
        if (encoding.empty())
            continue;
        Json::Value entry;
        entry["Compression"] = audioCompressionToHost(encoding);
        entry["Frequency"] = Json::Value(Json::arrayValue);
        for (double rate : numberList(member(member(option, "SampleRateList"), "Items")))
            entry["Frequency"].append(static_cast<int>(rate * 1000));
        entry["BitRate"] = Json::Value(Json::arrayValue);
        for (double rate : numberList(member(member(option, "BitrateList"), "Items")))
            entry["BitRate"].append(static_cast<int>(rate));
        appendUnique(compressions, entry["Compression"].asString());
        host["AudioOptions"].append(entry);
    }
    host["CompressionTypes"] = toArray(compressions);
    if (deviceOptions.isObject() && deviceOptions.isMember("AudioConfigurationToken"))
        host["AudioConfigurationToken"] = deviceOptions["AudioConfigurationToken"];
    return host;
}

} // namespace Onvif
} // namespace RPC
