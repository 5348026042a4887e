// Media2 (ver20) configuration lists, the video encoder Set and the encoder options.
// Encodings carry the device's Media2 names ("MPV4-ES" for MPEG-4 ...).
#include "Media/MediaSettings.h"
#include "Services/MediaOps.h"

namespace OnvifSim {
namespace {

using K = EConfigKind;

// By ConfigurationToken, by ProfileToken (those the profile may take), or all.
void ListConfigurations(CCallContext& ctx, K kind)
{
    CMediaState media(ctx);
    pugi::xml_node in = ctx.input();
    std::vector<const Json::Value*> chosen;
    if (Child(in, "ConfigurationToken")) {
        chosen.push_back(&media.requireConfig(kind, ChildText(in, "ConfigurationToken")));
    } else {
        const Json::Value* profile = Child(in, "ProfileToken") ? &media.requireProfile(in) : nullptr;
        for (const auto& c : media.configs(kind))
            if (!profile || media.compatible(*profile, kind, c))
                chosen.push_back(&c);
    }
    CXmlNode out = ctx.respond();
    for (const Json::Value* c : chosen)
        WriteMedia2Config(media, kind, out.sub("Configurations"), *c);
}

std::string Join(const Json::Value& list)
{
    std::string out;
    for (const auto& item : list)
        out += (out.empty() ? "" : " ") + item.asString();
    return out;
}

void WriteVideoOptions(CMediaState& media, CXmlNode out, const Json::Value& o)
{
    for (const auto& e : o["encodings"]) {
        std::string encoding = e.asString();
        CXmlNode options = out.sub("Options");
        if (encoding != "JPEG") {
            options.attr("GovLengthRange", o["govLength"][0].asString() + " " + o["govLength"][1].asString());
            options.attr("ProfilesSupported", Join(ProfilesFor(o, encoding)));
        }
        std::string rates;
        for (int r = o["frameRate"][1].asInt(), n = 0; r >= o["frameRate"][0].asInt() && n < 240; --r, ++n)
            rates += (rates.empty() ? "" : " ") + std::to_string(r);
        options.attr("FrameRatesSupported", rates).attr("ConstantBitRateSupported", "false");
        options.add(Ns::Schema, "Encoding", media.media2Name(encoding));
        CXmlNode quality = options.add(Ns::Schema, "QualityRange");
        quality.sub("Min", o["quality"][0].asString());
        quality.sub("Max", o["quality"][1].asString());
        for (const auto& r : o["resolutions"]) {
            CXmlNode size = options.add(Ns::Schema, "ResolutionsAvailable");
            size.sub("Width", r[0].asString());
            size.sub("Height", r[1].asString());
        }
        CXmlNode bitrate = options.add(Ns::Schema, "BitrateRange");
        bitrate.sub("Min", o["bitrate"][0].asString());
        bitrate.sub("Max", o["bitrate"][1].asString());
    }
}

void ApplyVideoSettings(CMediaState& media, pugi::xml_node in, Json::Value& c)
{
    if (!ChildText(in, "Name").empty())
        c["name"] = ChildText(in, "Name");
    if (Child(in, "Encoding"))
        c["encoding"] = media.fromMedia2Name(ChildText(in, "Encoding"));
    ReadNumber(Child(in, "Resolution"), "Width", c["width"], true);
    ReadNumber(Child(in, "Resolution"), "Height", c["height"], true);
    ReadNumber(in, "Quality", c["quality"], false);
    ReadNumber(Child(in, "RateControl"), "FrameRateLimit", c["frameRate"], true);
    ReadNumber(Child(in, "RateControl"), "BitrateLimit", c["bitrate"], true);
    if (in.attribute("GovLength"))
        ReadNumberText(in.attribute("GovLength").value(), "GovLength", c["govLength"], true);
    if (in.attribute("Profile"))
        c["profile"] = Trimmed(in.attribute("Profile").value());
    if (c["encoding"].asString() == "JPEG")
        c["profile"] = "";
}

} // namespace

void Media2GetVideoSourceConfigurations(CCallContext& ctx) { ListConfigurations(ctx, K::VideoSource); }
void Media2GetAnalyticsConfigurations(CCallContext& ctx) { ListConfigurations(ctx, K::Analytics); }
void Media2GetAudioSourceConfigurations(CCallContext& ctx) { ListConfigurations(ctx, K::AudioSource); }
void Media2GetVideoEncoderConfigurations(CCallContext& ctx) { ListConfigurations(ctx, K::VideoEncoder); }
void Media2GetAudioEncoderConfigurations(CCallContext& ctx) { ListConfigurations(ctx, K::AudioEncoder); }

void Media2SetVideoEncoderConfiguration(CCallContext& ctx)
{
    CMediaState media(ctx);
    pugi::xml_node in = Child(ctx.input(), "Configuration");
    if (!in)
        throw CSoapFault::Sender({"InvalidArgVal"}, "Configuration is required");
    Json::Value& current = media.requireConfig(K::VideoEncoder, Trimmed(in.attribute("token").value()));
    Json::Value next = current;
    ApplyVideoSettings(media, in, next);
    const Json::Value& profiles = ProfilesFor(next["options"], next["encoding"].asString());
    if (!in.attribute("Profile") && !profiles.empty() && !Contains(profiles, next["profile"]))
        next["profile"] = profiles[0];   // a codec switch without a profile keeps the codec's first one
    CheckVideoSettings(next);
    current = next;
    ctx.respond();
}

void Media2GetVideoEncoderConfigurationOptions(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& config = OptionsSubject(ctx, media, K::VideoEncoder, false);
    WriteVideoOptions(media, ctx.respond(), config["options"]);
}

void Media2GetAudioEncoderConfigurationOptions(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& config = OptionsSubject(ctx, media, K::AudioEncoder, false);
    WriteMedia2AudioOptions(media, ctx.respond(), config["options"]);
}

void WriteMedia2AudioOptions(CMediaState& media, CXmlNode out, const Json::Value& list)
{
    for (const auto& o : list) {
        CXmlNode options = out.sub("Options");
        options.add(Ns::Schema, "Encoding", media.media2Name(o["encoding"].asString()));
        CXmlNode bitrates = options.add(Ns::Schema, "BitrateList");
        for (const auto& b : o["bitrates"])
            bitrates.sub("Items", b.asString());
        CXmlNode rates = options.add(Ns::Schema, "SampleRateList");
        for (const auto& r : o["sampleRates"])
            rates.sub("Items", r.asString());
    }
}

} // namespace OnvifSim
