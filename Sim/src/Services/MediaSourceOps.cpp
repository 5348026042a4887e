// Source and decoder configurations that Media (ver10) and Media2 (ver20) write alike: the
// video source Set, audio source options, and the audio decoders of the audio outputs.
#include "Media/MediaSettings.h"
#include "Services/MediaOps.h"

namespace OnvifSim {
namespace {

const Json::Value& RequireDecoder(CCallContext& ctx, CMediaState& media)
{
    const Json::Value& decoders = media.model()["audioDecoders"];
    std::string token = ChildText(ctx.input(), "ConfigurationToken");
    for (const auto& d : decoders)
        if (token.empty() || d["token"].asString() == token)
            return d;
    throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"},
                             token.empty() ? "this device has no audio decoder" : "no audio decoder \"" + token + "\"");
}

// What the decoders play: the device's usual G.711 and AAC.
Json::Value DecoderOptions()
{
    Json::Value options;
    std::string why;
    AudioOptions("G711", Json::Value(), options, why);
    return options;
}

void Items(CXmlNode parent, const char* name, const Json::Value& list)
{
    CXmlNode items = parent.sub(name);
    for (const auto& item : list)
        items.sub("Items", item.asString());
}

} // namespace

void SetVideoSourceConfiguration(CCallContext& ctx)
{
    CMediaState media(ctx);
    pugi::xml_node in = Child(ctx.input(), "Configuration");
    if (!in)
        throw CSoapFault::Sender({"InvalidArgVal"}, "Configuration is required");
    Json::Value& current = media.requireConfig(EConfigKind::VideoSource, Trimmed(in.attribute("token").value()));
    Json::Value next = current;
    if (!ChildText(in, "Name").empty())
        next["name"] = ChildText(in, "Name");
    if (Child(in, "SourceToken") && ChildText(in, "SourceToken") != current["sourceToken"].asString())
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, "the configuration belongs to its own source");
    if (pugi::xml_node bounds = Child(in, "Bounds"))
        for (const char* side : {"x", "y", "width", "height"})
            ReadNumberText(bounds.attribute(side).value(), side, next["bounds"][side], true);
    const Json::Value& source = media.model()["channels"][next["channel"].asUInt()]["source"];
    const Json::Value& b = next["bounds"];
    if (b["x"].asInt() < 0 || b["y"].asInt() < 0 || b["width"].asInt() < 1 || b["height"].asInt() < 1 ||
        b["x"].asInt() + b["width"].asInt() > source["width"].asInt() ||
        b["y"].asInt() + b["height"].asInt() > source["height"].asInt())
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, "Bounds must lie within the " +
                                     source["width"].asString() + "x" + source["height"].asString() + " source");
    current = next;
    ctx.respond();
}

void GetAudioSourceConfigurationOptions(CCallContext& ctx)
{
    CMediaState media(ctx);
    OptionsSubject(ctx, media, EConfigKind::AudioSource, false);
    CXmlNode options = ctx.respond().sub("Options");
    for (const auto& source : media.model()["audioSources"])
        options.add(Ns::Schema, "InputTokensAvailable", source["token"].asString());
}

void GetAudioDecoderConfigurations(CCallContext& ctx)
{
    CMediaState media(ctx);
    std::string only = ChildText(ctx.input(), "ConfigurationToken");
    if (!only.empty())
        RequireDecoder(ctx, media);
    CXmlNode out = ctx.respond();
    for (const auto& d : media.model()["audioDecoders"])
        if (only.empty() || d["token"].asString() == only) {
            CXmlNode c = out.sub("Configurations");
            c.attr("token", d["token"].asString());
            c.add(Ns::Schema, "Name", d["name"].asString());
            c.add(Ns::Schema, "UseCount", "0");
        }
}

void GetAudioDecoderConfigurationOptions(CCallContext& ctx)
{
    CMediaState media(ctx);
    RequireDecoder(ctx, media);
    CXmlNode options = ctx.respond().sub("Options");
    for (const auto& o : DecoderOptions()) {
        std::string encoding = o["encoding"].asString();
        CXmlNode codec = options.add(Ns::Schema, encoding == "AAC" ? "AACDecOptions" : "G711DecOptions");
        Items(codec, "Bitrate", o["bitrates"]);
        Items(codec, "SampleRateRange", o["sampleRates"]);
    }
}

void Media2GetAudioDecoderConfigurationOptions(CCallContext& ctx)
{
    CMediaState media(ctx);
    RequireDecoder(ctx, media);
    WriteMedia2AudioOptions(media, ctx.respond(), DecoderOptions());
}

} // namespace OnvifSim
