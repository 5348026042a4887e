// Media (ver10) profiles and sources.
#include "Services/MediaOps.h"

namespace OnvifSim {

void GetProfiles(CCallContext& ctx)
{
    CMediaState media(ctx);
    CXmlNode out = ctx.respond();
    for (const auto& p : media.profiles())
        WriteMedia1Profile(media, out.sub("Profiles"), p);
}

void GetProfile(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& p = media.requireProfile(ctx.input());
    WriteMedia1Profile(media, ctx.respond().sub("Profile"), p);
}

void CreateProfile(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& p = media.createProfile(ChildText(ctx.input(), "Name"), ChildText(ctx.input(), "Token"));
    WriteMedia1Profile(media, ctx.respond().sub("Profile"), p);
}

void DeleteProfile(CCallContext& ctx)
{
    CMediaState media(ctx);
    if (!Child(ctx.input(), "ProfileToken"))
        throw CSoapFault::Sender({"InvalidArgVal"}, "ProfileToken is required");
    media.deleteProfile(ChildText(ctx.input(), "ProfileToken"));
    ctx.respond();
}

void GetVideoSources(CCallContext& ctx)
{
    CMediaState media(ctx);
    CXmlNode out = ctx.respond();
    for (const auto& channel : media.model()["channels"]) {
        const Json::Value& s = channel["source"];
        CXmlNode source = out.sub("VideoSources");
        source.attr("token", s["token"].asString());
        source.add(Ns::Schema, "Framerate", s["framerate"].asString());
        CXmlNode resolution = source.add(Ns::Schema, "Resolution");
        resolution.sub("Width", s["width"].asString());
        resolution.sub("Height", s["height"].asString());
    }
}

void GetAudioSources(CCallContext& ctx)
{
    CMediaState media(ctx);
    CXmlNode out = ctx.respond();
    for (const auto& s : media.model()["audioSources"]) {
        CXmlNode source = out.sub("AudioSources");
        source.attr("token", s["token"].asString());
        source.add(Ns::Schema, "Channels", s["channels"].asString());
    }
}

void WriteMediaCapabilities(CCallContext& ctx, CXmlNode parent)
{
    CMediaState media(ctx);
    const Json::Value& h = media.habits();
    auto flag = [](bool b) { return b ? "true" : "false"; };
    CXmlNode caps = parent.add(Ns::Media, "Capabilities");
    caps.attr("SnapshotUri", flag(h["snapshot"].asBool())).attr("Rotation", "false")
        .attr("VideoSourceMode", "false").attr("OSD", flag(media.model()["osd"]["enabled"].asBool()));
    caps.sub("ProfileCapabilities").attr("MaximumNumberOfProfiles", h["maxProfiles"].asString());
    caps.sub("StreamingCapabilities").attr("RTPMulticast", flag(h["multicast"].asBool())).attr("RTP_TCP", "true")
        .attr("RTP_RTSP_TCP", "true").attr("NonAggregateControl", "false").attr("NoRTSPStreaming", "false");
}

} // namespace OnvifSim
