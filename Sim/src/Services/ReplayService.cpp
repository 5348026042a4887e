// The replay service: where a recording is played from (the RTSP server's replay
// addresses, "/replay/<recording token>") and how long an idle replay session lives.
#include "Common/TimeUtil.h"
#include "Media/MediaModel.h"
#include "Media/MediaUris.h"
#include "Recording/RecordingModel.h"
#include "Services/RecordingOps.h"

namespace OnvifSim {
namespace {

constexpr int kMinSessionTimeout = 1;
constexpr int kMaxSessionTimeout = 3600;

void GetServiceCapabilities(CCallContext& ctx)
{
    WriteReplayCapabilities(ctx, ctx.respond());
}

// Replay goes over RTSP only: another stream or protocol is refused as a device does.
void GetReplayUri(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const Json::Value& r = RequireRecording(model, ChildText(ctx.input(), "RecordingToken"));
    pugi::xml_node setup = Child(ctx.input(), "StreamSetup");
    const std::string stream = ChildText(setup, "Stream");
    const std::string protocol = ChildText(Child(setup, "Transport"), "Protocol");
    if ((!stream.empty() && stream != "RTP-Unicast") || (!protocol.empty() && protocol != "RTSP" && protocol != "TCP"))
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidStreamSetup"}, "replay is RTP-Unicast over RTSP only");
    CMediaState media(ctx);
    ctx.respond().sub("Uri", RtspAuthority(ctx, media) + "/replay/" + r["token"].asString());
}

void GetReplayConfiguration(CCallContext& ctx)
{
    const int seconds = RecordingModel(ctx.state())["sessionTimeout"].asInt();
    ctx.respond().sub("Configuration").add(Ns::Schema, "SessionTimeout", FormatXsDuration(seconds));
}

void SetReplayConfiguration(CCallContext& ctx)
{
    double seconds = 0;
    const std::string text = ChildText(Child(ctx.input(), "Configuration"), "SessionTimeout");
    if (!ParseXsDuration(text, seconds) || seconds < kMinSessionTimeout || seconds > kMaxSessionTimeout)
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, "SessionTimeout must lie between PT1S and PT1H");
    RecordingModel(ctx.state())["sessionTimeout"] = static_cast<int>(seconds);
    ctx.respond();
}

} // namespace

void WriteReplayCapabilities(CCallContext&, CXmlNode parent)
{
    parent.add(Ns::Replay, "Capabilities")
        .attr("ReversePlayback", "true")
        .attr("SessionTimeoutRange", std::to_string(kMinSessionTimeout) + " " + std::to_string(kMaxSessionTimeout))
        .attr("RTP_RTSP_TCP", "true");
}

const CServiceHandler& ReplayService()
{
    using L = EUserLevel;
    static const CServiceHandler handler = {
        "replay",
        {
            {"GetServiceCapabilities", L::User, &GetServiceCapabilities},
            {"GetReplayUri", L::User, &GetReplayUri},
            {"GetReplayConfiguration", L::User, &GetReplayConfiguration},
            {"SetReplayConfiguration", L::Operator, &SetReplayConfiguration},
        },
        &WriteReplayCapabilities,
    };
    return handler;
}

} // namespace OnvifSim
