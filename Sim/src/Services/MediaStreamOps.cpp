// Media (ver10) stream setup: stream and snapshot addresses, multicast, sync points.
#include "Media/MediaUris.h"
#include "Services/MediaOps.h"

namespace OnvifSim {
namespace {

void WriteMediaUri(CXmlNode parent, const std::string& uri)
{
    CXmlNode mediaUri = parent.sub("MediaUri");
    mediaUri.add(Ns::Schema, "Uri", uri);
    mediaUri.add(Ns::Schema, "InvalidAfterConnect", "false");
    mediaUri.add(Ns::Schema, "InvalidAfterReboot", "false");
    mediaUri.add(Ns::Schema, "Timeout", "PT60S");
}

EStreamKind ReadStreamSetup(pugi::xml_node input, bool multicastOffered)
{
    pugi::xml_node setup = Child(input, "StreamSetup");
    std::string stream = ChildText(setup, "Stream");
    std::string protocol = ChildText(Child(setup, "Transport"), "Protocol");
    if (!setup)
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidStreamSetup"}, "StreamSetup is required");
    if (stream != "RTP-Unicast" && stream != "RTP-Multicast")
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidStreamSetup"}, "Stream must be RTP-Unicast or RTP-Multicast");
    if (protocol != "UDP" && protocol != "TCP" && protocol != "RTSP" && protocol != "HTTP")
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidStreamSetup"}, "Protocol must be UDP, TCP, RTSP or HTTP");
    if (stream == "RTP-Unicast")
        return protocol == "HTTP" ? EStreamKind::RtspOverHttp : EStreamKind::RtspUnicast;
    if (!multicastOffered)
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidStreamSetup"}, "this device does not stream multicast");
    if (protocol != "UDP" && protocol != "RTSP")
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidStreamSetup"}, "multicast is carried over UDP");
    return EStreamKind::RtspMulticast;
}

} // namespace

// A profile with no encoder has nothing to stream. An encoder Media (ver10) cannot show
// (H.265) still streams: the device knows its profile is complete.
void CheckStreamable(CMediaState& media, const Json::Value& profile)
{
    if (!media.profileConfig(profile, EConfigKind::VideoEncoder) && !media.profileConfig(profile, EConfigKind::AudioEncoder))
        throw CSoapFault::Receiver({"Action", "IncompleteConfiguration"}, "the profile has no encoder");
}

void GetStreamUri(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& profile = media.requireProfile(ctx.input());
    EStreamKind kind = ReadStreamSetup(ctx.input(), media.habits()["multicast"].asBool());
    CheckStreamable(media, profile);
    WriteMediaUri(ctx.respond(), StreamUri(ctx, media, profile, kind));
}

void GetSnapshotUri(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& profile = media.requireProfile(ctx.input());
    if (!media.habits()["snapshot"].asBool())
        throw CSoapFault::Receiver({"ActionNotSupported"}, "this device takes no snapshots");
    if (!media.profileConfig(profile, EConfigKind::VideoSource))
        throw CSoapFault::Receiver({"Action", "IncompleteConfiguration"}, "the profile has no video source");
    WriteMediaUri(ctx.respond(), SnapshotUri(ctx, profile));
}

namespace {

void SetMulticast(CCallContext& ctx, bool on)
{
    CMediaState media(ctx);
    Json::Value& profile = media.requireProfile(ctx.input());
    if (!media.habits()["multicast"].asBool())
        throw CSoapFault::Receiver({"ActionNotSupported"}, "this device does not stream multicast");
    CheckStreamable(media, profile);
    profile["multicast"] = on;
    ctx.respond();
}

} // namespace

void StartMulticastStreaming(CCallContext& ctx) { SetMulticast(ctx, true); }
void StopMulticastStreaming(CCallContext& ctx) { SetMulticast(ctx, false); }

void SetSynchronizationPoint(CCallContext& ctx)
{
    CMediaState media(ctx);
    media.requireProfile(ctx.input());
    ctx.respond();
}

} // namespace OnvifSim
