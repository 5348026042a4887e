// Nodes and PTZ configurations of the PTZ service, and the PTZ configuration that media
// profiles of a dome's channel carry.
#include "Services/PtzOps.h"

#include <functional>

namespace OnvifSim {
namespace {

const std::string kSpaces = "http://www.onvif.org/ver10/tptz/";

void Range(CXmlNode parent, const char* element, double lo, double hi)
{
    CXmlNode r = parent.sub(element);
    r.sub("Min", PtzNumber(lo));
    r.sub("Max", PtzNumber(hi));
}

void Space(CXmlNode parent, const char* element, const std::string& uri, const Json::Value* x, const Json::Value* y)
{
    CXmlNode s = parent.add(Ns::Schema, element);
    s.sub("URI", uri);
    Range(s, "XRange", (*x)[0].asDouble(), (*x)[1].asDouble());
    if (y)
        Range(s, "YRange", (*y)[0].asDouble(), (*y)[1].asDouble());
}

// What the dome understands: positions within its limits, translations and velocities in
// the generic spaces (and the field of view for translations), speeds 0..1.
void WriteSpaces(CXmlNode parent, const Json::Value& node)
{
    const Json::Value& l = node["limits"];
    Json::Value unit(Json::arrayValue), half(Json::arrayValue);
    unit.append(-1.0);
    unit.append(1.0);
    half.append(0.0);
    half.append(1.0);
    Space(parent, "AbsolutePanTiltPositionSpace", kSpaces + "PanTiltSpaces/PositionGenericSpace", &l["pan"],
          &l["tilt"]);
    Space(parent, "AbsoluteZoomPositionSpace", kSpaces + "ZoomSpaces/PositionGenericSpace", &l["zoom"], nullptr);
    Space(parent, "RelativePanTiltTranslationSpace", kSpaces + "PanTiltSpaces/TranslationGenericSpace", &unit, &unit);
    Space(parent, "RelativePanTiltTranslationSpace", kSpaces + "PanTiltSpaces/TranslationSpaceFov", &unit, &unit);
    Space(parent, "RelativeZoomTranslationSpace", kSpaces + "ZoomSpaces/TranslationGenericSpace", &unit, nullptr);
    Space(parent, "ContinuousPanTiltVelocitySpace", kSpaces + "PanTiltSpaces/VelocityGenericSpace", &unit, &unit);
    Space(parent, "ContinuousZoomVelocitySpace", kSpaces + "ZoomSpaces/VelocityGenericSpace", &unit, nullptr);
    Space(parent, "PanTiltSpeedSpace", kSpaces + "PanTiltSpaces/GenericSpeedSpace", &half, nullptr);
    Space(parent, "ZoomSpeedSpace", kSpaces + "ZoomSpaces/ZoomGenericSpeedSpace", &half, nullptr);
}

void WriteNode(CXmlNode element, const Json::Value& node)
{
    element.attr("token", node["token"].asString())
        .attr("FixedHomePosition", node["fixedHome"].asBool() ? "true" : "false");
    element.add(Ns::Schema, "Name", node["name"].asString());
    WriteSpaces(element.add(Ns::Schema, "SupportedPTZSpaces"), node);
    element.add(Ns::Schema, "MaximumNumberOfPresets", node["maxPresets"].asString());
    element.add(Ns::Schema, "HomeSupported", node["homeSupported"].asBool() ? "true" : "false");
    for (const Json::Value& aux : node["auxiliary"])
        element.add(Ns::Schema, "AuxiliaryCommands", aux.asString());
    if (node["maxTours"].asInt() > 0) {
        CXmlNode tours = element.add(Ns::Schema, "Extension").sub("SupportedPresetTour");
        tours.sub("MaximumNumberOfPresetTours", node["maxTours"].asString());
        for (const char* operation : {"Start", "Stop", "Pause"})
            tours.sub("PTZPresetTourOperation", operation);
    }
}

int UseCount(const CDeviceState& state, int channel)
{
    int count = 0;
    for (const Json::Value& p : state.serviceData["media"]["profiles"])
        count += p["channel"].asInt() == channel ? 1 : 0;
    return count;
}

void WriteConfiguration(CXmlNode element, const Json::Value& config, const Json::Value& node, int useCount)
{
    element.attr("token", config["token"].asString());
    element.add(Ns::Schema, "Name", config["name"].asString());
    element.add(Ns::Schema, "UseCount", std::to_string(useCount));
    element.add(Ns::Schema, "NodeToken", node["token"].asString());
    element.add(Ns::Schema, "DefaultAbsolutePantTiltPositionSpace", kSpaces + "PanTiltSpaces/PositionGenericSpace");
    element.add(Ns::Schema, "DefaultAbsoluteZoomPositionSpace", kSpaces + "ZoomSpaces/PositionGenericSpace");
    element.add(Ns::Schema, "DefaultRelativePanTiltTranslationSpace",
                kSpaces + "PanTiltSpaces/TranslationGenericSpace");
    element.add(Ns::Schema, "DefaultRelativeZoomTranslationSpace", kSpaces + "ZoomSpaces/TranslationGenericSpace");
    element.add(Ns::Schema, "DefaultContinuousPanTiltVelocitySpace", kSpaces + "PanTiltSpaces/VelocityGenericSpace");
    element.add(Ns::Schema, "DefaultContinuousZoomVelocitySpace", kSpaces + "ZoomSpaces/VelocityGenericSpace");
    WritePtzVector(element, Ns::Schema, "DefaultPTZSpeed", AxesOf(config["speed"]), true, true);
    element.add(Ns::Schema, "DefaultPTZTimeout", FormatXsDuration(config["timeoutSeconds"].asDouble()));
    CXmlNode panTilt = element.add(Ns::Schema, "PanTiltLimits").sub("Range");
    panTilt.sub("URI", kSpaces + "PanTiltSpaces/PositionGenericSpace");
    Range(panTilt, "XRange", node["limits"]["pan"][0].asDouble(), node["limits"]["pan"][1].asDouble());
    Range(panTilt, "YRange", node["limits"]["tilt"][0].asDouble(), node["limits"]["tilt"][1].asDouble());
    CXmlNode zoom = element.add(Ns::Schema, "ZoomLimits").sub("Range");
    zoom.sub("URI", kSpaces + "ZoomSpaces/PositionGenericSpace");
    Range(zoom, "XRange", node["limits"]["zoom"][0].asDouble(), node["limits"]["zoom"][1].asDouble());
}

Json::Value& RequireConfiguration(CPtzState& ptz, const std::string& token)
{
    if (Json::Value* c = ptz.findConfiguration(token))
        return *c;
    throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "no PTZ configuration \"" + token + "\"");
}

void WriteConfigurationOf(CCallContext& ctx, CPtzState& ptz, CXmlNode element, const Json::Value& config)
{
    const Json::Value& node = ptz.requireNode(config["nodeToken"].asString());
    WriteConfiguration(element, config, node, UseCount(ctx.state(), node["channel"].asInt()));
}

void GetNodes(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    CXmlNode out = ctx.respond();
    for (const Json::Value& node : ptz.nodes())
        WriteNode(out.sub("PTZNode"), node);
}

void GetNode(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    WriteNode(ctx.respond().sub("PTZNode"), ptz.requireNode(ChildText(ctx.input(), "NodeToken")));
}

void GetConfigurations(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    CXmlNode out = ctx.respond();
    for (const Json::Value& config : ptz.configurations())
        WriteConfigurationOf(ctx, ptz, out.sub("PTZConfiguration"), config);
}

void GetConfiguration(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    const Json::Value& config = RequireConfiguration(ptz, ChildText(ctx.input(), "PTZConfigurationToken"));
    WriteConfigurationOf(ctx, ptz, ctx.respond().sub("PTZConfiguration"), config);
}

void GetCompatibleConfigurations(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    const Json::Value& node = ProfileNode(ctx, ptz);
    WriteConfigurationOf(ctx, ptz, ctx.respond().sub("PTZConfiguration"), ConfigurationOfNode(ptz, node));
}

// The name, default speed and time-out change; spaces and limits are the node's own.
void SetConfiguration(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    pugi::xml_node in = Child(ctx.input(), "PTZConfiguration");
    Json::Value& config = RequireConfiguration(ptz, in.attribute("token").value());
    double timeout = config["timeoutSeconds"].asDouble();
    if (Child(in, "DefaultPTZTimeout") &&
        (!ParseXsDuration(ChildText(in, "DefaultPTZTimeout"), timeout) || timeout <= 0))
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, "DefaultPTZTimeout must be a positive duration");
    const CAxes speed = ReadPtzSpeed(in, AxesOf(config["speed"]), "DefaultPTZSpeed");
    if (Child(in, "Name"))
        config["name"] = ChildText(in, "Name");
    config["timeoutSeconds"] = timeout;
    config["speed"] = AxesJson(speed);
    ctx.respond();
}

void GetConfigurationOptions(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    const Json::Value& config = RequireConfiguration(ptz, ChildText(ctx.input(), "ConfigurationToken"));
    const Json::Value& node = ptz.requireNode(config["nodeToken"].asString());
    CXmlNode options = ctx.respond().sub("PTZConfigurationOptions");
    WriteSpaces(options.add(Ns::Schema, "Spaces"), node);
    CXmlNode timeout = options.add(Ns::Schema, "PTZTimeout");
    timeout.sub("Min", "PT1S");
    timeout.sub("Max", "PT1H");
}

} // namespace

const Json::Value& ConfigurationOfNode(CPtzState& ptz, const Json::Value& node)
{
    for (const Json::Value& c : ptz.configurations())
        if (c["nodeToken"] == node["token"])
            return c;
    throw CSoapFault::Receiver({"Action"}, "node \"" + node["token"].asString() + "\" has no configuration");
}

void WritePtzCapabilities(CCallContext& ctx, CXmlNode parent)
{
    parent.add(Ns::Ptz, "Capabilities").attr("EFlip", "false").attr("Reverse", "false")
        .attr("GetCompatibleConfigurations", "true").attr("MoveStatus", "true").attr("StatusPosition", "true");
}

bool WriteProfilePtzConfiguration(CDeviceState& state, int channel, const std::function<CXmlNode()>& element)
{
    if (!state.current.services.count("ptz"))
        return false;
    CPtzState ptz(state);
    const Json::Value* node = ptz.nodeOfChannel(channel);
    if (!node)
        return false;
    WriteConfiguration(element(), ConfigurationOfNode(ptz, *node), *node, UseCount(state, channel));
    return true;
}

void AppendPtzNodeOperations(std::vector<COperation>& ops)
{
    using L = EUserLevel;
    const COperation more[] = {
        {"GetNodes", L::User, &GetNodes},
        {"GetNode", L::User, &GetNode},
        {"GetConfigurations", L::User, &GetConfigurations},
        {"GetConfiguration", L::User, &GetConfiguration},
        {"GetCompatibleConfigurations", L::User, &GetCompatibleConfigurations},
        {"SetConfiguration", L::Operator, &SetConfiguration},
        {"GetConfigurationOptions", L::User, &GetConfigurationOptions},
    };
    ops.insert(ops.end(), std::begin(more), std::end(more));
}

} // namespace OnvifSim
