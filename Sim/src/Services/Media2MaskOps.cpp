// Privacy masks (Media2 only): polygons over a video source configuration. A configuration
// that has its maximum refuses another with env:Receiver / ter:Action / ter:MaxMasks.
#include "Media/MediaOverlays.h"
#include "Services/MediaOps.h"

namespace OnvifSim {
namespace {

// Changes `m` by what a tr2:Mask carries; what it leaves out stays.
void ReadMask(pugi::xml_node in, Json::Value& m)
{
    if (Child(in, "ConfigurationToken"))
        m["configToken"] = ChildText(in, "ConfigurationToken");
    if (pugi::xml_node polygon = Child(in, "Polygon")) {
        Json::Value points(Json::arrayValue);
        for (pugi::xml_node p : Children(polygon, "Point")) {
            Json::Value point(Json::arrayValue);
            ReadNumberText(p.attribute("x").value(), "Point x", point[0], false);
            ReadNumberText(p.attribute("y").value(), "Point y", point[1], false);
            points.append(point);
        }
        m["points"] = points;
    }
    if (Child(in, "Type"))
        m["type"] = ChildText(in, "Type");
    if (pugi::xml_node color = Child(in, "Color"))
        m["color"] = ReadColor(color);
    if (Child(in, "Enabled")) {
        bool enabled = true;
        if (!ParseXsBoolean(ChildText(in, "Enabled"), enabled))
            throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, "Enabled must be a boolean");
        m["enabled"] = enabled;
    }
}

Json::Value FreshMask(const Json::Value& state)
{
    Json::Value mask;
    mask["type"] = state["types"][0];
    mask["enabled"] = true;
    return mask;
}

void WriteMask(CXmlNode e, const Json::Value& m)
{
    e.attr("token", m["token"].asString());
    e.sub("ConfigurationToken", m["configToken"].asString());
    CXmlNode polygon = e.sub("Polygon");
    for (const auto& p : m["points"])
        polygon.add(Ns::Schema, "Point").attr("x", Number(p[0])).attr("y", Number(p[1]));
    e.sub("Type", m["type"].asString());
    if (!m["color"].isNull())
        WriteColor(e.sub("Color"), m["color"]);
    e.sub("Enabled", m["enabled"].asBool() ? "true" : "false");
}

const COverlayKind& Mask()
{
    static const COverlayKind kind = {"mask", "masks", "Mask", {"ConfigurationToken", "Polygon"}, "Token", "Masks",
                                      "Mask_", "MaxMasks", &FreshMask, &ReadMask, &MaskProblem, &MaskRoomProblem,
                                      &WriteMask};
    return kind;
}

} // namespace

void Media2GetMasks(CCallContext& ctx) { ListOverlays(ctx, Mask()); }
void Media2CreateMask(CCallContext& ctx) { CreateOverlay(ctx, Mask()); }
void Media2SetMask(CCallContext& ctx) { SetOverlay(ctx, Mask()); }
void Media2DeleteMask(CCallContext& ctx) { DeleteOverlay(ctx, Mask()); }

void Media2GetMaskOptions(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& state = OverlayState(media, Mask());
    if (!Child(ctx.input(), "ConfigurationToken"))
        throw CSoapFault::Sender({"InvalidArgVal"}, "ConfigurationToken is required");
    media.requireConfig(EConfigKind::VideoSource, ChildText(ctx.input(), "ConfigurationToken"));
    CXmlNode options = ctx.respond().sub("Options");
    options.attr("RectangleOnly", state["rectangleOnly"].asBool() ? "true" : "false")
        .attr("SingleColorOnly", state["singleColorOnly"].asBool() ? "true" : "false");
    options.sub("MaxMasks", state["maxMasks"].asString());
    options.sub("MaxPoints", state["maxPoints"].asString());
    for (const auto& type : state["types"])
        options.sub("Types", type.asString());
    WriteColorChoices(options.sub("Color"));
}

} // namespace OnvifSim
