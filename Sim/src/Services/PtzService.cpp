// The PTZ (ver20) service: the table of its operations, and the moves, stop and status.
#include "Services/PtzOps.h"

#include "Common/TimeUtil.h"
#include "Media/MediaModel.h"

#include <cmath>
#include <cstdlib>

namespace OnvifSim {
namespace {

bool InRange(double v, double lo, double hi)
{
    return v >= lo - 1e-9 && v <= hi + 1e-9;
}

void ContinuousMove(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    const CPtzVectorIn v = ReadPtzVector(ctx.input(), "Velocity");
    if ((v.hasPanTilt && (!InRange(v.x, -1, 1) || !InRange(v.y, -1, 1))) || (v.hasZoom && !InRange(v.zoom, -1, 1)))
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidVelocity"}, "velocities lie between -1 and 1");
    double seconds = node["timeoutSeconds"].asDouble();
    if (pugi::xml_node timeout = Child(ctx.input(), "Timeout")) {
        if (!ParseXsDuration(Trimmed(timeout.text().get()), seconds) || seconds <= 0)
            throw CSoapFault::Sender({"InvalidArgVal", "TimeoutNotSupported"}, "Timeout must be a positive duration");
    }
    StopTour(node);
    const Json::Value x(v.x), y(v.y), zoom(v.zoom);
    StartVelocity(node, v.hasPanTilt ? &x : nullptr, v.hasPanTilt ? &y : nullptr, v.hasZoom ? &zoom : nullptr,
                  ptz.now() + seconds * 1000.0);
    ctx.respond();
}

void Stop(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    bool panTilt = true, zoom = true;
    if (Child(ctx.input(), "PanTilt") && !ParseXsBoolean(ChildText(ctx.input(), "PanTilt"), panTilt))
        throw CSoapFault::Sender({"InvalidArgVal"}, "PanTilt must be a boolean");
    if (Child(ctx.input(), "Zoom") && !ParseXsBoolean(ChildText(ctx.input(), "Zoom"), zoom))
        throw CSoapFault::Sender({"InvalidArgVal"}, "Zoom must be a boolean");
    StopAxes(node, panTilt, zoom);
    if (panTilt)
        StopTour(node);
    ctx.respond();
}

void AbsoluteMove(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    if (!Child(ctx.input(), "Position"))
        throw CSoapFault::Sender({"InvalidArgVal"}, "Position is required");
    const CPtzVectorIn p = ReadPtzVector(ctx.input(), "Position");
    const Json::Value& limits = node["limits"];
    auto inside = [&](const char* axis, double v) {
        return InRange(v, limits[axis][0].asDouble(), limits[axis][1].asDouble());
    };
    if ((p.hasPanTilt && (!inside("pan", p.x) || !inside("tilt", p.y))) || (p.hasZoom && !inside("zoom", p.zoom)))
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidPosition"}, "the position lies outside the node's limits");
    StopTour(node);
    const Json::Value x(p.x), y(p.y), zoom(p.zoom);
    StartTarget(node, p.hasPanTilt ? &x : nullptr, p.hasPanTilt ? &y : nullptr, p.hasZoom ? &zoom : nullptr,
                ReadPtzSpeed(ctx.input(), CAxes{1, 1, 1}));
    ctx.respond();
}

// A translation in the generic space moves by that many units; in the field-of-view space
// by that fraction of half the picture (x = 1: the right edge comes to the centre).
void RelativeMove(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    if (!Child(ctx.input(), "Translation"))
        throw CSoapFault::Sender({"InvalidArgVal"}, "Translation is required");
    const CPtzVectorIn t = ReadPtzVector(ctx.input(), "Translation");
    if ((t.hasPanTilt && (!InRange(t.x, -1, 1) || !InRange(t.y, -1, 1))) || (t.hasZoom && !InRange(t.zoom, -1, 1)))
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidTranslation"}, "translations lie between -1 and 1");
    double dx = t.x, dy = t.y;
    const std::string fov = "TranslationSpaceFov";
    if (t.panTiltSpace.size() >= fov.size() &&
        t.panTiltSpace.compare(t.panTiltSpace.size() - fov.size(), fov.size(), fov) == 0) {
        double horizontal = 0, vertical = 0;
        FieldOfView(node, horizontal, vertical);
        dx = t.x * horizontal / 2.0 / 180.0;
        dy = t.y * vertical / 2.0 / 90.0;
    }
    const CAxes pos = AxesOf(node["position"]);
    StopTour(node);
    const Json::Value x(pos.pan + dx), y(Clamp(node, "tilt", pos.tilt + dy)),
        zoom(Clamp(node, "zoom", pos.zoom + t.zoom));
    StartTarget(node, t.hasPanTilt ? &x : nullptr, t.hasPanTilt ? &y : nullptr, t.hasZoom ? &zoom : nullptr,
                ReadPtzSpeed(ctx.input(), CAxes{1, 1, 1}));
    ctx.respond();
}

void GotoHomePosition(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    if (!node["homeSupported"].asBool())
        throw CSoapFault::Receiver({"Action", "NoHomePosition"}, "this dome has no home position");
    StopTour(node);
    const Json::Value& home = node["home"];
    StartTarget(node, &home["pan"], &home["tilt"], &home["zoom"], ReadPtzSpeed(ctx.input(), CAxes{1, 1, 1}));
    ctx.respond();
}

void SetHomePosition(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    if (!node["homeSupported"].asBool())
        throw CSoapFault::Receiver({"Action", "NoHomePosition"}, "this dome has no home position");
    if (node["fixedHome"].asBool())
        throw CSoapFault::Receiver({"Action", "CannotOverwriteHome"}, "the home position is fixed");
    node["home"] = node["position"];
    ctx.respond();
}

void GetStatus(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    CXmlNode status = ctx.respond().sub("PTZStatus");
    CXmlNode position = status.add(Ns::Schema, "Position");
    const CAxes pos = AxesOf(node["position"]);
    position.sub("PanTilt").attr("x", PtzNumber(pos.pan)).attr("y", PtzNumber(pos.tilt))
        .attr("space", "http://www.onvif.org/ver10/tptz/PanTiltSpaces/PositionGenericSpace");
    position.sub("Zoom").attr("x", PtzNumber(pos.zoom))
        .attr("space", "http://www.onvif.org/ver10/tptz/ZoomSpaces/PositionGenericSpace");
    CXmlNode moving = status.add(Ns::Schema, "MoveStatus");
    const bool panTilt = AxisMoving(node, "pan") || AxisMoving(node, "tilt");
    moving.sub("PanTilt", panTilt ? "MOVING" : "IDLE");
    moving.sub("Zoom", AxisMoving(node, "zoom") ? "MOVING" : "IDLE");
    status.add(Ns::Schema, "UtcTime", FormatXsDateTime(ctx.state().now()));
}

void SendAuxiliaryCommand(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    const std::string data = ChildText(ctx.input(), "AuxiliaryData");
    bool known = false;
    for (const Json::Value& a : node["auxiliary"])
        known = known || a.asString() == data;
    if (!known)
        throw CSoapFault::Sender({"InvalidArgVal", "NoAuxiliaryCommand"}, "no auxiliary command \"" + data + "\"");
    // "tt:Wiper|On": the switch and its new state.
    const size_t bar = data.find('|');
    node["auxState"][data.substr(0, bar)] = bar == std::string::npos ? "" : data.substr(bar + 1);
    ctx.respond().sub("AuxiliaryResponse", data);
}

void GetServiceCapabilities(CCallContext& ctx)
{
    WritePtzCapabilities(ctx, ctx.respond());
}

std::vector<COperation> Operations()
{
    using L = EUserLevel;
    std::vector<COperation> ops = {
        {"GetServiceCapabilities", L::User, &GetServiceCapabilities},
        {"ContinuousMove", L::Operator, &ContinuousMove},
        {"Stop", L::Operator, &Stop},
        {"AbsoluteMove", L::Operator, &AbsoluteMove},
        {"RelativeMove", L::Operator, &RelativeMove},
        {"GotoHomePosition", L::Operator, &GotoHomePosition},
        {"SetHomePosition", L::Operator, &SetHomePosition},
        {"GetStatus", L::User, &GetStatus},
        {"SendAuxiliaryCommand", L::Operator, &SendAuxiliaryCommand},
    };
    AppendPtzPresetOperations(ops);
    AppendPtzNodeOperations(ops);
    return ops;
}

} // namespace

CPtzState PtzOf(CCallContext& ctx)
{
    CMediaState media(ctx);   // profiles name the domes by channel
    return CPtzState(ctx.state());
}

Json::Value& ProfileNode(CCallContext& ctx, CPtzState& ptz)
{
    if (!Child(ctx.input(), "ProfileToken"))
        throw CSoapFault::Sender({"InvalidArgVal"}, "ProfileToken is required");
    return ptz.nodeOfProfile(ChildText(ctx.input(), "ProfileToken"));
}

std::string PtzNumber(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", std::fabs(v) < 5e-7 ? 0.0 : v);
    return text;
}

CPtzVectorIn ReadPtzVector(pugi::xml_node parent, const char* element)
{
    CPtzVectorIn v;
    pugi::xml_node node = Child(parent, element);
    auto number = [&](pugi::xml_node n, const char* attr, double& out) {
        pugi::xml_attribute a = n.attribute(attr);
        if (!a)
            return false;
        const std::string text = Trimmed(a.value());
        char* end = nullptr;
        out = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(out))
            throw CSoapFault::Sender({"InvalidArgVal"}, std::string(element) + " has a value that is not a number");
        return true;
    };
    if (pugi::xml_node pt = Child(node, "PanTilt")) {
        v.hasPanTilt = number(pt, "x", v.x);
        v.hasPanTiltY = number(pt, "y", v.y);
        v.hasPanTilt = v.hasPanTilt || v.hasPanTiltY;
        v.panTiltSpace = pt.attribute("space").value();
    }
    if (pugi::xml_node z = Child(node, "Zoom")) {
        v.hasZoom = number(z, "x", v.zoom);
        v.zoomSpace = z.attribute("space").value();
    }
    return v;
}

CAxes ReadPtzSpeed(pugi::xml_node parent, const CAxes& fallback, const char* element)
{
    const CPtzVectorIn s = ReadPtzVector(parent, element);
    CAxes speed = fallback;
    if (s.hasPanTilt) {
        speed.pan = std::fabs(s.x);
        speed.tilt = s.hasPanTiltY ? std::fabs(s.y) : speed.pan;
    }
    if (s.hasZoom)
        speed.zoom = std::fabs(s.zoom);
    if (speed.pan > 1 + 1e-9 || speed.tilt > 1 + 1e-9 || speed.zoom > 1 + 1e-9)
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidSpeed"}, "speeds lie between 0 and 1");
    return speed;
}

void WritePtzVector(CXmlNode parent, const std::string& ns, const char* element, const CAxes& a, bool panTilt,
                    bool zoom)
{
    CXmlNode v = parent.add(ns, element);
    if (panTilt)
        v.add(Ns::Schema, "PanTilt").attr("x", PtzNumber(a.pan)).attr("y", PtzNumber(a.tilt));
    if (zoom)
        v.add(Ns::Schema, "Zoom").attr("x", PtzNumber(a.zoom));
}

const CServiceHandler& PtzService()
{
    static const CServiceHandler handler = {"ptz", Operations(), &WritePtzCapabilities};
    return handler;
}

} // namespace OnvifSim
