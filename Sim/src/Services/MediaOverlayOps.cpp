// The life cycle OSDs and privacy masks share: listed by token or configuration, created
// with a token the device chooses, changed in place, deleted. A refused Create or Set
// changes nothing.
#include "Media/MediaOverlays.h"
#include "Services/MediaOps.h"

namespace OnvifSim {
namespace {

constexpr const char* kRgb = "http://www.onvif.org/ver10/colorspace/RGB";

Json::Value& RequireOverlay(Json::Value& state, const COverlayKind& kind, const std::string& token)
{
    Json::Value* item = FindOverlay(state, token);
    if (!item)
        throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "no " + std::string(kind.what) + " \"" + token + "\"");
    return *item;
}

void Check(CMediaState& media, const COverlayKind& kind, const Json::Value& state, const Json::Value& item,
           const std::string& replacing)
{
    media.requireConfig(EConfigKind::VideoSource, item["configToken"].asString());
    std::string problem = kind.problem(state, item);
    if (!problem.empty())
        throw CSoapFault::Sender({"InvalidArgVal", "ConfigModify"}, problem);
    problem = kind.room(state, item, replacing);
    if (!problem.empty())
        throw CSoapFault::Receiver({"Action", kind.fullSubcode}, problem);
}

} // namespace

std::string RequiredText(pugi::xml_node in, const char* local)
{
    if (!Child(in, local))
        throw CSoapFault::Sender({"InvalidArgVal"}, std::string(local) + " is required");
    return ChildText(in, local);
}

Json::Value& OverlayState(CMediaState& media, const COverlayKind& kind)
{
    Json::Value& state = media.model()[kind.stateMember];
    if (!state["enabled"].asBool())
        throw CSoapFault::Receiver({"ActionNotSupported"}, "this device has no " + std::string(kind.what) + "s");
    return state;
}

void ListOverlays(CCallContext& ctx, const COverlayKind& kind)
{
    CMediaState media(ctx);
    Json::Value& state = OverlayState(media, kind);
    pugi::xml_node in = ctx.input();
    std::string only;
    if (Child(in, kind.tokenElement))
        only = RequireOverlay(state, kind, ChildText(in, kind.tokenElement))["token"].asString();
    std::string config = ChildText(in, "ConfigurationToken");
    if (!config.empty())
        media.requireConfig(EConfigKind::VideoSource, config);
    CXmlNode out = ctx.respond();
    for (const auto& item : state["items"])
        if ((only.empty() || item["token"] == only) && (config.empty() || item["configToken"] == config))
            kind.write(out.sub(kind.listElement), item);
}

void CreateOverlay(CCallContext& ctx, const COverlayKind& kind)
{
    CMediaState media(ctx);
    Json::Value& state = OverlayState(media, kind);
    pugi::xml_node in = Child(ctx.input(), kind.element);
    bool complete = static_cast<bool>(in);
    for (const char* child : kind.required)
        complete = complete && Child(in, child);
    if (!complete)
        throw CSoapFault::Sender({"InvalidArgVal"}, std::string(kind.element) + " is incomplete");
    Json::Value item = kind.fresh(state);
    kind.read(in, item);
    Check(media, kind, state, item, "");
    item["token"] = NewOverlayToken(state, kind.tokenPrefix);
    state["items"].append(item);
    ctx.respond().sub(kind.tokenElement, item["token"].asString());
}

void SetOverlay(CCallContext& ctx, const COverlayKind& kind)
{
    CMediaState media(ctx);
    Json::Value& state = OverlayState(media, kind);
    pugi::xml_node in = Child(ctx.input(), kind.element);
    if (!in)
        throw CSoapFault::Sender({"InvalidArgVal"}, std::string(kind.element) + " is required");
    Json::Value& current = RequireOverlay(state, kind, Trimmed(in.attribute("token").value()));
    Json::Value next = current;
    kind.read(in, next);
    Check(media, kind, state, next, current["token"].asString());
    current = next;
    ctx.respond();
}

void DeleteOverlay(CCallContext& ctx, const COverlayKind& kind)
{
    CMediaState media(ctx);
    Json::Value& state = OverlayState(media, kind);
    std::string token = RequireOverlay(state, kind, RequiredText(ctx.input(), kind.tokenElement))["token"].asString();
    RemoveOverlay(state, token);
    ctx.respond();
}

Json::Value ReadColor(pugi::xml_node color)
{
    Json::Value out(Json::arrayValue);
    for (const char* component : {"X", "Y", "Z"}) {
        Json::Value value;
        ReadNumberText(color.attribute(component).value(), "Color", value, false);
        out.append(value);
    }
    return out;
}

void WriteColor(CXmlNode color, const Json::Value& xyz)
{
    color.attr("X", Number(xyz[0])).attr("Y", Number(xyz[1])).attr("Z", Number(xyz[2])).attr("Colorspace", kRgb);
}

void WriteColorChoices(CXmlNode colorOptions)
{
    static const int kColors[][3] = {{255, 255, 255}, {0, 0, 0}, {255, 0, 0}, {255, 255, 0}};
    for (const auto& c : kColors) {
        Json::Value xyz(Json::arrayValue);
        for (int component : c)
            xyz.append(component);
        WriteColor(colorOptions.add(Ns::Schema, "ColorList"), xyz);
    }
}

} // namespace OnvifSim
