// The Media2 (ver20) service: the table of its operations. A device may advertise Media2
// and fault on every call of it ("media2Faulting"); the table wraps each operation so.
#include "Services/MediaOps.h"

namespace OnvifSim {
namespace {

template <FOperation Run>
void Guarded(CCallContext& ctx)
{
    CMediaState media(ctx);
    if (media.habits()["media2Faulting"].asBool())
        throw CSoapFault::Receiver({"ActionNotSupported"}, "The requested action is not supported");
    Run(ctx);
}

void GetServiceCapabilities(CCallContext& ctx)
{
    WriteMedia2Capabilities(ctx, ctx.respond());
}

} // namespace

void WriteMedia2Capabilities(CCallContext& ctx, CXmlNode parent)
{
    CMediaState media(ctx);
    const Json::Value& h = media.habits();
    auto flag = [](bool b) { return b ? "true" : "false"; };
    CXmlNode caps = parent.add(Ns::Media2, "Capabilities");
    caps.attr("SnapshotUri", flag(h["snapshot"].asBool())).attr("Rotation", "false")
        .attr("VideoSourceMode", "false").attr("OSD", flag(media.model()["osd"]["enabled"].asBool()))
        .attr("Mask", flag(media.model()["masks"]["enabled"].asBool()));
    caps.sub("ProfileCapabilities").attr("MaximumNumberOfProfiles", h["maxProfiles"].asString())
        .attr("ConfigurationsSupported", "VideoSource VideoEncoder AudioSource AudioEncoder Analytics");
    caps.sub("StreamingCapabilities").attr("RTSPStreaming", "true").attr("RTPMulticast", flag(h["multicast"].asBool()))
        .attr("RTP_RTSP_TCP", "true").attr("NonAggregateControl", "false").attr("AutoStartMulticast", "false");
}

const CServiceHandler& Media2Service()
{
    using L = EUserLevel;
    static const CServiceHandler handler = {
        "media2",
        {
            {"GetServiceCapabilities", L::User, &Guarded<&GetServiceCapabilities>},
            {"GetProfiles", L::User, &Guarded<&Media2GetProfiles>},
            {"CreateProfile", L::Operator, &Guarded<&Media2CreateProfile>},
            {"DeleteProfile", L::Operator, &Guarded<&Media2DeleteProfile>},
            {"AddConfiguration", L::Operator, &Guarded<&Media2AddConfiguration>},
            {"RemoveConfiguration", L::Operator, &Guarded<&Media2RemoveConfiguration>},
            {"GetStreamUri", L::User, &Guarded<&Media2GetStreamUri>},
            {"GetSnapshotUri", L::User, &Guarded<&Media2GetSnapshotUri>},
            {"GetVideoSourceConfigurations", L::User, &Guarded<&Media2GetVideoSourceConfigurations>},
            {"GetAudioSourceConfigurations", L::User, &Guarded<&Media2GetAudioSourceConfigurations>},
            {"GetVideoEncoderConfigurations", L::User, &Guarded<&Media2GetVideoEncoderConfigurations>},
            {"GetAudioEncoderConfigurations", L::User, &Guarded<&Media2GetAudioEncoderConfigurations>},
            {"SetVideoEncoderConfiguration", L::Operator, &Guarded<&Media2SetVideoEncoderConfiguration>},
            {"GetVideoEncoderConfigurationOptions", L::User, &Guarded<&Media2GetVideoEncoderConfigurationOptions>},
            {"GetAudioEncoderConfigurationOptions", L::User, &Guarded<&Media2GetAudioEncoderConfigurationOptions>},
            {"SetAudioEncoderConfiguration", L::Operator, &Guarded<&Media2SetAudioEncoderConfiguration>},
            {"SetVideoSourceConfiguration", L::Operator, &Guarded<&SetVideoSourceConfiguration>},
            {"GetAudioSourceConfigurationOptions", L::User, &Guarded<&GetAudioSourceConfigurationOptions>},
            {"GetAudioDecoderConfigurations", L::User, &Guarded<&GetAudioDecoderConfigurations>},
            {"GetAudioDecoderConfigurationOptions", L::User, &Guarded<&Media2GetAudioDecoderConfigurationOptions>},
            {"GetAnalyticsConfigurations", L::User, &Guarded<&Media2GetAnalyticsConfigurations>},
            {"GetOSDs", L::User, &Guarded<&GetOSDs>},
            {"GetOSDOptions", L::User, &Guarded<&GetOSDOptions>},
            {"CreateOSD", L::Operator, &Guarded<&CreateOSD>},
            {"SetOSD", L::Operator, &Guarded<&SetOSD>},
            {"DeleteOSD", L::Operator, &Guarded<&DeleteOSD>},
            {"GetMasks", L::User, &Guarded<&Media2GetMasks>},
            {"GetMaskOptions", L::User, &Guarded<&Media2GetMaskOptions>},
            {"CreateMask", L::Operator, &Guarded<&Media2CreateMask>},
            {"SetMask", L::Operator, &Guarded<&Media2SetMask>},
            {"DeleteMask", L::Operator, &Guarded<&Media2DeleteMask>},
        },
        &WriteMedia2Capabilities,
    };
    return handler;
}

} // namespace OnvifSim
