// Media (ver10) encoder settings: Set checked against the options, and the options.
#include "Media/MediaSettings.h"
#include "Services/MediaOps.h"

#include <cmath>
#include <cstdlib>

namespace OnvifSim {
namespace {

void IntRange(CXmlNode parent, const char* name, const Json::Value& range)
{
    CXmlNode r = parent.add(Ns::Schema, name);
    r.sub("Min", std::to_string(static_cast<int>(std::floor(range[0].asDouble()))));
    r.sub("Max", std::to_string(static_cast<int>(std::floor(range[1].asDouble()))));
}

// The JPEG, MPEG4 and H264 option blocks; withBitrate for the Extension copies.
void CodecOptions(CXmlNode parent, const Json::Value& o, bool withBitrate)
{
    for (const char* encoding : {"JPEG", "MPEG4", "H264"}) {
        if (!Contains(o["encodings"], encoding))
            continue;
        CXmlNode codec = parent.add(Ns::Schema, encoding);
        for (const auto& r : o["resolutions"]) {
            CXmlNode size = codec.sub("ResolutionsAvailable");
            size.sub("Width", r[0].asString());
            size.sub("Height", r[1].asString());
        }
        bool gop = std::string(encoding) != "JPEG";
        if (gop)
            IntRange(codec, "GovLengthRange", o["govLength"]);
        IntRange(codec, "FrameRateRange", o["frameRate"]);
        IntRange(codec, "EncodingIntervalRange", o["encodingInterval"]);
        if (gop)
            for (const auto& profile : ProfilesFor(o, encoding))
                codec.sub(std::string(encoding) == "H264" ? "H264ProfilesSupported" : "Mpeg4ProfilesSupported",
                          profile.asString());
        if (withBitrate)
            IntRange(codec, "BitrateRange", o["bitrate"]);
    }
}

void ApplyVideoSettings(pugi::xml_node in, Json::Value& c)
{
    std::string name = ChildText(in, "Name");
    if (!name.empty())
        c["name"] = name;
    if (Child(in, "Encoding"))
        c["encoding"] = ChildText(in, "Encoding");
    ReadNumber(Child(in, "Resolution"), "Width", c["width"], true);
    ReadNumber(Child(in, "Resolution"), "Height", c["height"], true);
    ReadNumber(in, "Quality", c["quality"], false);
    pugi::xml_node rate = Child(in, "RateControl");
    ReadNumber(rate, "FrameRateLimit", c["frameRate"], true);
    ReadNumber(rate, "EncodingInterval", c["encodingInterval"], true);
    ReadNumber(rate, "BitrateLimit", c["bitrate"], true);
    for (const char* codec : {"H264", "MPEG4"}) {
        pugi::xml_node block = Child(in, codec);
        ReadNumber(block, "GovLength", c["govLength"], true);
        std::string profile = ChildText(block, std::string(codec) == "H264" ? "H264Profile" : "Mpeg4Profile");
        if (!profile.empty() && c["encoding"].asString() == codec)
            c["profile"] = profile;
    }
}

} // namespace

void ReadNumber(pugi::xml_node parent, const char* local, Json::Value& out, bool integer)
{
    pugi::xml_node node = Child(parent, local);
    if (node)
        ReadNumberText(node.text().get(), local, out, integer);
}

void ReadNumberText(const std::string& given, const char* local, Json::Value& out, bool integer)
{
    std::string text = Trimmed(given);
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    bool whole = std::isfinite(value) && std::fabs(value) < 1e9 && std::floor(value) == value;
    if (text.empty() || *end != '\0' || !std::isfinite(value) || (integer && !whole))
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, std::string(local) + ": \"" + text + "\" is not a " +
                                                                        (integer ? "whole number" : "number"));
    out = integer ? Json::Value(static_cast<int>(value)) : Json::Value(value);
}

void CheckVideoSettings(const Json::Value& config)
{
    std::string problem = VideoSettingsProblem(config);
    if (!problem.empty())
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, problem);
}

void CheckAudioSettings(const Json::Value& config)
{
    std::string problem = AudioSettingsProblem(config);
    if (!problem.empty())
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, problem);
}

Json::Value& OptionsSubject(CCallContext& ctx, CMediaState& media, EConfigKind kind, bool media1)
{
    auto visible = [&](const Json::Value& c) { return !media1 || VisibleInMedia1(kind, c); };
    if (Child(ctx.input(), "ConfigurationToken")) {
        Json::Value& c = media.requireConfig(kind, ChildText(ctx.input(), "ConfigurationToken"));
        if (!visible(c))
            throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "configuration is not available through this service");
        return c;
    }
    if (Child(ctx.input(), "ProfileToken")) {
        Json::Value* c = media.profileConfig(media.requireProfile(ctx.input()), kind);
        if (c && visible(*c))
            return *c;
    }
    for (auto& c : media.configs(kind))
        if (visible(c))
            return c;
    throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "no such configuration on this device");
}

void SetVideoEncoderConfiguration(CCallContext& ctx)
{
    CMediaState media(ctx);
    pugi::xml_node in = Child(ctx.input(), "Configuration");
    if (!in)
        throw CSoapFault::Sender({"InvalidArgVal"}, "Configuration is required");
    Json::Value& current = media.requireConfig(EConfigKind::VideoEncoder, Trimmed(in.attribute("token").value()));
    if (!VisibleInMedia1(EConfigKind::VideoEncoder, current))
        throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "configuration is not available through this service");
    Json::Value next = current;
    ApplyVideoSettings(in, next);
    std::string encoding = next["encoding"].asString();
    if (!IsMedia1Encoding(encoding))
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, "Encoding must be JPEG, MPEG4 or H264");
    const Json::Value& profiles = ProfilesFor(next["options"], encoding);
    if (encoding == "JPEG")
        next["profile"] = "";
    else if (!Contains(profiles, next["profile"]) && !profiles.empty() && next["encoding"] != current["encoding"])
        next["profile"] = profiles[0];   // a codec switch without its block keeps the codec's first profile
    CheckVideoSettings(next);
    current = next;
    ctx.respond();
}

void SetAudioEncoderConfiguration(CCallContext& ctx)
{
    SetAudioEncoder(ctx, false);
}

void Media2SetAudioEncoderConfiguration(CCallContext& ctx)
{
    SetAudioEncoder(ctx, true);
}

void SetAudioEncoder(CCallContext& ctx, bool media2)
{
    CMediaState media(ctx);
    pugi::xml_node in = Child(ctx.input(), "Configuration");
    if (!in)
        throw CSoapFault::Sender({"InvalidArgVal"}, "Configuration is required");
    Json::Value& current = media.requireConfig(EConfigKind::AudioEncoder, Trimmed(in.attribute("token").value()));
    Json::Value next = current;
    if (!ChildText(in, "Name").empty())
        next["name"] = ChildText(in, "Name");
    if (Child(in, "Encoding"))
        next["encoding"] = media2 ? media.fromMedia2Name(ChildText(in, "Encoding")) : ChildText(in, "Encoding");
    ReadNumber(in, "Bitrate", next["bitrate"], true);
    ReadNumber(in, "SampleRate", next["sampleRate"], true);
    CheckAudioSettings(next);
    current = next;
    ctx.respond();
}

void GetVideoEncoderConfigurationOptions(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& o = OptionsSubject(ctx, media, EConfigKind::VideoEncoder, true)["options"];
    CXmlNode options = ctx.respond().sub("Options");
    IntRange(options, "QualityRange", o["quality"]);
    CodecOptions(options, o, false);
    CodecOptions(options.add(Ns::Schema, "Extension"), o, true);
}

void GetAudioEncoderConfigurationOptions(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& list = OptionsSubject(ctx, media, EConfigKind::AudioEncoder, true)["options"];
    CXmlNode options = ctx.respond().sub("Options");
    for (const auto& o : list) {
        CXmlNode option = options.add(Ns::Schema, "Options");
        option.sub("Encoding", o["encoding"].asString());
        CXmlNode bitrates = option.sub("BitrateList");
        for (const auto& b : o["bitrates"])
            bitrates.sub("Items", b.asString());
        CXmlNode rates = option.sub("SampleRateList");
        for (const auto& r : o["sampleRates"])
            rates.sub("Items", r.asString());
    }
}

// Every encoder configuration of the source's channel can run at once.
void GetGuaranteedNumberOfVideoEncoderInstances(CCallContext& ctx)
{
    CMediaState media(ctx);
    if (!Child(ctx.input(), "ConfigurationToken"))
        throw CSoapFault::Sender({"InvalidArgVal"}, "ConfigurationToken is required");
    const Json::Value& source = media.requireConfig(EConfigKind::VideoSource, ChildText(ctx.input(), "ConfigurationToken"));
    int total = 0, jpeg = 0, h264 = 0;
    for (const auto& c : media.configs(EConfigKind::VideoEncoder))
        if (c["channel"] == source["channel"] && VisibleInMedia1(EConfigKind::VideoEncoder, c)) {
            ++total;
            jpeg += Contains(c["options"]["encodings"], "JPEG") ? 1 : 0;
            h264 += Contains(c["options"]["encodings"], "H264") ? 1 : 0;
        }
    CXmlNode out = ctx.respond();
    out.sub("TotalNumber", std::to_string(total));
    out.sub("JPEG", std::to_string(jpeg));
    out.sub("H264", std::to_string(h264));
}

} // namespace OnvifSim
