// Video and audio encoder configurations of a description, with their options. A
// configuration outside its own options is a broken description, refused at load.
#include "Media/MediaDescriptionParts.h"
#include "Media/MediaSettings.h"

#include <algorithm>

namespace OnvifSim {

std::string CMediaBuilder::text(const Json::Value& in, const char* key, const std::string& where,
                                const std::string& fallback)
{
    if (!in.isObject() || !in.isMember(key))
        return fallback;
    if (!in[key].isString() || in[key].asString().empty()) {
        fail(where + "." + key, "must be a non-empty string");
        return fallback;
    }
    return in[key].asString();
}

void CMediaBuilder::intMember(const Json::Value& in, const char* key, const std::string& where, int min, int max,
                              Json::Value& out)
{
    if (!in.isObject() || !in.isMember(key))
        return;
    if (!in[key].isInt() || in[key].asInt() < min || in[key].asInt() > max)
        return fail(where, "must be an integer between " + std::to_string(min) + " and " + std::to_string(max));
    out = in[key].asInt();
}

const Json::Value* CMediaBuilder::findConfig(EConfigKind kind, const std::string& token) const
{
    for (const auto& c : model["configs"][KindInfo(kind).key])
        if (c["token"].asString() == token)
            return &c;
    return nullptr;
}

void CMediaBuilder::addConfig(EConfigKind kind, const Json::Value& config, const std::string& where)
{
    if (findConfig(kind, config["token"].asString()))
        return fail(where, "token " + config["token"].asString() + " is used twice");
    model["configs"][KindInfo(kind).key].append(config);
}

namespace {

// An option set given by name (media.<listKey>) or inline.
const Json::Value& NamedOptions(CMediaBuilder& b, const Json::Value& in, const char* listKey, const std::string& where)
{
    const Json::Value& given = in["options"];
    if (!given.isString())
        return given;
    const Json::Value& named = b.media[listKey][given.asString()];
    if (named.isNull())
        b.fail(where + ".options", "no option set \"" + given.asString() + "\" in media." + listKey);
    return named;
}

void DefaultVideoSettings(Json::Value& c, const Json::Value& source)
{
    const Json::Value& o = c["options"];
    std::string encoding = c["encoding"].asString();
    c["width"] = source["width"];
    c["height"] = source["height"];
    c["quality"] = (o["quality"][0].asInt() + o["quality"][1].asInt() + 1) / 2;
    c["frameRate"] = std::min(source["framerate"].asInt(), o["frameRate"][1].asInt());
    c["encodingInterval"] = o["encodingInterval"][0];
    c["bitrate"] = std::clamp(4096, o["bitrate"][0].asInt(), o["bitrate"][1].asInt());
    c["govLength"] = std::clamp(2 * c["frameRate"].asInt(), o["govLength"][0].asInt(), o["govLength"][1].asInt());
    const Json::Value& profiles = ProfilesFor(o, encoding);
    c["profile"] = profiles.empty() ? "" : Contains(profiles, "Main") ? "Main" : profiles[0].asString();
}

} // namespace

std::string AddVideoEncoder(CMediaBuilder& b, const Json::Value& in, const std::string& where, int channel)
{
    if (!in.isObject())
        return b.fail(where, "must be an object"), "";
    Json::Value c;
    c["token"] = b.text(in, "token", where, "VideoEncoder_" + std::to_string(++b.encoderNumber));
    c["name"] = b.text(in, "name", where, c["token"].asString());
    c["channel"] = channel;
    c["encoding"] = b.text(in, "encoding", where, "H264");
    std::string encoding = c["encoding"].asString();
    if (encoding != "JPEG" && encoding != "MPEG4" && encoding != "H264" && encoding != "H265")
        return b.fail(where + ".encoding", "JPEG, MPEG4, H264 or H265"), "";
    const Json::Value& source = b.model["channels"][channel]["source"];
    std::string why;
    const Json::Value& given = NamedOptions(b, in, "videoEncoderOptions", where);
    if (b.ok() && !VideoOptions(source, encoding, given, c["options"], why))
        return b.fail(where, why), "";
    DefaultVideoSettings(c, source);
    for (const char* key : {"width", "height", "frameRate", "encodingInterval", "bitrate", "govLength"})
        b.intMember(in, key, where + "." + key, 0, 1 << 20, c[key]);
    if (in.isMember("quality") && !in["quality"].isNumeric())
        b.fail(where + ".quality", "must be a number");
    else if (in.isMember("quality"))
        c["quality"] = in["quality"];
    c["profile"] = b.text(in, "profile", where, c["profile"].asString());
    if (encoding == "JPEG")
        c["profile"] = "";
    std::string problem = b.ok() ? VideoSettingsProblem(c) : "";
    if (!problem.empty())
        b.fail(where, problem + " (see its options)");
    b.addConfig(EConfigKind::VideoEncoder, c, where);
    return b.ok() ? c["token"].asString() : "";
}

std::string AddAudioEncoder(CMediaBuilder& b, const Json::Value& in, const std::string& where)
{
    if (!in.isObject())
        return b.fail(where, "must be an object"), "";
    Json::Value c;
    c["token"] = b.text(in, "token", where, "AudioEncoder_" + std::to_string(b.model["configs"]["AudioEncoder"].size() + 1));
    c["name"] = b.text(in, "name", where, c["token"].asString());
    c["encoding"] = b.text(in, "encoding", where, "G711");
    c["bitrate"] = 64;
    c["sampleRate"] = 8;
    b.intMember(in, "bitrate", where + ".bitrate", 1, 1024, c["bitrate"]);
    b.intMember(in, "sampleRate", where + ".sampleRate", 1, 192, c["sampleRate"]);
    std::string why;
    const Json::Value& given = NamedOptions(b, in, "audioEncoderOptions", where);
    if (b.ok() && !AudioOptions(c["encoding"].asString(), given, c["options"], why))
        return b.fail(where, why), "";
    std::string problem = b.ok() ? AudioSettingsProblem(c) : "";
    if (!problem.empty())
        b.fail(where, problem + " (see its options)");
    b.addConfig(EConfigKind::AudioEncoder, c, where);
    return b.ok() ? c["token"].asString() : "";
}

void ReadEncoders(CMediaBuilder& b, const Json::Value& media)
{
    b.media = media.isObject() ? media : Json::Value(Json::objectValue);
    for (const char* key : {"videoEncoderOptions", "audioEncoderOptions"})
        if (!b.media[key].isNull() && !b.media[key].isObject())
            return b.fail(std::string("media.") + key, "must be an object of name -> options");
    for (const char* key : {"videoEncoders", "audioEncoders"})
        if (!b.media[key].isNull() && !b.media[key].isArray())
            return b.fail(std::string("media.") + key, "must be an array");
    const Json::Value& video = b.media["videoEncoders"];
    for (Json::ArrayIndex i = 0; i < video.size() && b.ok(); ++i) {
        std::string where = "media.videoEncoders[" + std::to_string(i) + "]";
        Json::Value channel(1);
        b.intMember(video[i], "channel", where + ".channel", 1, static_cast<int>(b.model["channels"].size()), channel);
        if (b.ok())
            AddVideoEncoder(b, video[i], where, channel.asInt() - 1);
    }
    const Json::Value& audio = b.media["audioEncoders"];
    for (Json::ArrayIndex i = 0; i < audio.size() && b.ok(); ++i)
        AddAudioEncoder(b, audio[i], "media.audioEncoders[" + std::to_string(i) + "]");
}

} // namespace OnvifSim
