// The DeviceIO service, and the relay operations the device service has as well. Both work
// on the one IO state (DeviceIO/IoModel.h). The DeviceIO service takes GetRelayOutputs and
// SetRelayOutputState in the device namespace, as its WSDL reuses those elements; it also
// answers them in its own.
#include "Common/TimeUtil.h"
#include "DeviceIO/IoModel.h"
#include "Media/MediaModel.h"
#include "Services/IoOps.h"

namespace OnvifSim {
namespace {

Json::Value& RequireRelay(CCallContext& ctx, const std::string& token)
{
    Json::Value* relay = FindRelay(ctx.state(), token);
    if (!relay)
        throw CSoapFault::Sender({"InvalidArgVal", "RelayToken"}, "no relay output \"" + token + "\"");
    return *relay;
}

void ApplyRelaySettings(pugi::xml_node properties, Json::Value& relay)
{
    Json::Value next = relay;
    if (Child(properties, "Mode"))
        next["mode"] = ChildText(properties, "Mode");
    if (next["mode"] != "Bistable" && next["mode"] != "Monostable")
        throw CSoapFault::Sender({"InvalidArgVal", "ModeError"}, "Mode must be Bistable or Monostable");
    if (Child(properties, "DelayTime")) {
        double seconds = 0;
        if (!ParseXsDuration(ChildText(properties, "DelayTime"), seconds))
            throw CSoapFault::Sender({"InvalidArgVal", "ModeError"}, "DelayTime must be a duration such as PT5S");
        next["delay"] = seconds;
    }
    double delay = next["delay"].asDouble();
    if (next["mode"] == "Monostable" && (delay < kRelayDelayMin || delay > kRelayDelayMax))
        throw CSoapFault::Sender({"InvalidArgVal", "ModeError"}, "a monostable delay lies between " +
                                     FormatXsDuration(kRelayDelayMin) + " and " + FormatXsDuration(kRelayDelayMax));
    if (Child(properties, "IdleState"))
        next["idleState"] = ChildText(properties, "IdleState");
    if (next["idleState"] != "open" && next["idleState"] != "closed")
        throw CSoapFault::Sender({"InvalidArgVal"}, "IdleState must be open or closed");
    relay = next;
}

void TokenList(CXmlNode out, const char* prefix, int count)
{
    for (int i = 1; i <= count; ++i)
        out.sub("Token", prefix + std::to_string(i));
}

void GetServiceCapabilities(CCallContext& ctx)
{
    WriteDeviceIOCapabilities(ctx, ctx.respond());
}

void GetRelayOutputOptions(CCallContext& ctx)
{
    std::string only = ChildText(ctx.input(), "RelayOutputToken");
    if (!only.empty())
        RequireRelay(ctx, only);
    CXmlNode out = ctx.respond();
    for (const auto& r : IoModel(ctx.state())["relays"]) {
        if (!only.empty() && r["token"].asString() != only)
            continue;
        CXmlNode options = out.sub("RelayOutputOptions");
        options.attr("token", r["token"].asString());
        options.sub("Mode", "Monostable");
        options.sub("Mode", "Bistable");
        options.sub("DelayTimes", Number(Json::Value(kRelayDelayMin)) + " " + Number(Json::Value(kRelayDelayMax)));
        options.sub("Discrete", "false");
    }
}

void GetDigitalInputs(CCallContext& ctx)
{
    CXmlNode out = ctx.respond();
    for (const auto& d : IoModel(ctx.state())["inputs"])
        out.sub("DigitalInputs").attr("token", d["token"].asString()).attr("IdleState", d["idleState"].asString());
}

void GetVideoSources(CCallContext& ctx)
{
    CMediaState media(ctx);
    CXmlNode out = ctx.respond();
    for (const auto& channel : media.model()["channels"])
        out.sub("Token", channel["source"]["token"].asString());
}

void GetAudioSources(CCallContext& ctx)
{
    CMediaState media(ctx);
    CXmlNode out = ctx.respond();
    for (const auto& source : media.model()["audioSources"])
        out.sub("Token", source["token"].asString());
}

void GetAudioOutputs(CCallContext& ctx)
{
    TokenList(ctx.respond(), "AudioOutput_", IoModel(ctx.state())["audioOutputs"].asInt());
}

// One full-screen pane per output.
void GetVideoOutputs(CCallContext& ctx)
{
    CXmlNode out = ctx.respond();
    for (int i = 1; i <= IoModel(ctx.state())["videoOutputs"].asInt(); ++i) {
        CXmlNode output = out.sub("VideoOutputs");
        output.attr("token", "VideoOutput_" + std::to_string(i));
        CXmlNode pane = output.add(Ns::Schema, "Layout").sub("PaneLayout");
        pane.sub("Pane", "Pane_" + std::to_string(i));
        pane.sub("Area").attr("bottom", "-1").attr("top", "1").attr("right", "1").attr("left", "-1");
    }
}

} // namespace

void GetRelayOutputs(CCallContext& ctx)
{
    CXmlNode out = ctx.respond();
    for (const auto& r : IoModel(ctx.state())["relays"]) {
        CXmlNode relay = out.sub("RelayOutputs");
        relay.attr("token", r["token"].asString());
        CXmlNode properties = relay.add(Ns::Schema, "Properties");
        properties.sub("Mode", r["mode"].asString());
        properties.sub("DelayTime", FormatXsDuration(r["delay"].asDouble()));
        properties.sub("IdleState", r["idleState"].asString());
    }
}

// The device service names the relay and its Properties; DeviceIO sends a whole tt:RelayOutput.
void SetRelayOutputSettings(CCallContext& ctx)
{
    pugi::xml_node in = ctx.input();
    pugi::xml_node whole = Child(in, "RelayOutput");
    std::string token = whole ? Trimmed(whole.attribute("token").value()) : ChildText(in, "RelayOutputToken");
    pugi::xml_node properties = Child(whole ? whole : in, "Properties");
    if (!properties)
        throw CSoapFault::Sender({"InvalidArgVal"}, "Properties are required");
    ApplyRelaySettings(properties, RequireRelay(ctx, token));
    ctx.respond();
}

void SetRelayOutputState(CCallContext& ctx)
{
    Json::Value& relay = RequireRelay(ctx, ChildText(ctx.input(), "RelayOutputToken"));
    std::string state = ChildText(ctx.input(), "LogicalState");
    if (state != "active" && state != "inactive")
        throw CSoapFault::Sender({"InvalidArgVal"}, "LogicalState must be active or inactive");
    relay["active"] = state == "active";
    relay["since"] = static_cast<Json::Int64>(ctx.state().now());
    ctx.respond();
}

CIoCounts IoCounts(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& io = IoModel(ctx.state());
    CIoCounts n;
    n.videoSources = static_cast<int>(media.model()["channels"].size());
    n.videoOutputs = io["videoOutputs"].asInt();
    n.audioSources = static_cast<int>(media.model()["audioSources"].size());
    n.audioOutputs = io["audioOutputs"].asInt();
    n.relays = static_cast<int>(io["relays"].size());
    n.inputs = static_cast<int>(io["inputs"].size());
    return n;
}

void WriteDeviceIOCapabilities(CCallContext& ctx, CXmlNode parent)
{
    CIoCounts n = IoCounts(ctx);
    parent.add(Ns::DeviceIO, "Capabilities")
        .attr("VideoSources", std::to_string(n.videoSources))
        .attr("VideoOutputs", std::to_string(n.videoOutputs))
        .attr("AudioSources", std::to_string(n.audioSources))
        .attr("AudioOutputs", std::to_string(n.audioOutputs))
        .attr("RelayOutputs", std::to_string(n.relays))
        .attr("SerialPorts", "0")
        .attr("DigitalInputs", std::to_string(n.inputs))
        .attr("DigitalInputOptions", "false");
}

const CServiceHandler& DeviceIOService()
{
    using L = EUserLevel;
    static const CServiceHandler handler = {
        "deviceio",
        {
            {"GetServiceCapabilities", L::User, &GetServiceCapabilities},
            {"GetRelayOutputs", L::User, &GetRelayOutputs},
            {"GetRelayOutputs", L::User, &GetRelayOutputs, Ns::Device},
            {"GetRelayOutputOptions", L::User, &GetRelayOutputOptions},
            {"SetRelayOutputSettings", L::Operator, &SetRelayOutputSettings},
            {"SetRelayOutputState", L::Operator, &SetRelayOutputState},
            {"SetRelayOutputState", L::Operator, &SetRelayOutputState, Ns::Device},
            {"GetDigitalInputs", L::User, &GetDigitalInputs},
            {"GetVideoSources", L::User, &GetVideoSources},
            {"GetAudioSources", L::User, &GetAudioSources},
            {"GetAudioOutputs", L::User, &GetAudioOutputs},
            {"GetVideoOutputs", L::User, &GetVideoOutputs},
        },
        &WriteDeviceIOCapabilities,
    };
    return handler;
}

} // namespace OnvifSim
