// On-screen displays, the same calls in Media (ver10) and Media2 (ver20) on one list per video
// source configuration. A configuration that has its maximum refuses another with
// env:Receiver / ter:Action / ter:MaxOSDs.
#include "Media/MediaOverlays.h"
#include "Services/MediaOps.h"

namespace OnvifSim {
namespace {

// Changes `o` by what a tt:OSDConfiguration carries; what it leaves out stays.
void ReadOsd(pugi::xml_node in, Json::Value& o)
{
    if (Child(in, "VideoSourceConfigurationToken"))
        o["configToken"] = ChildText(in, "VideoSourceConfigurationToken");
    if (Child(in, "Type"))
        o["type"] = ChildText(in, "Type");
    if (pugi::xml_node position = Child(in, "Position")) {
        o["position"] = ChildText(position, "Type");
        if (pugi::xml_node pos = Child(position, "Pos")) {
            ReadNumberText(pos.attribute("x").value(), "Pos x", o["x"], false);
            ReadNumberText(pos.attribute("y").value(), "Pos y", o["y"], false);
        }
        if (o["position"] != "Custom") {
            o.removeMember("x");
            o.removeMember("y");
        }
    }
    if (pugi::xml_node text = Child(in, "TextString")) {
        o["textType"] = ChildText(text, "Type");
        for (const auto& [element, member] : {std::make_pair("DateFormat", "dateFormat"),
                                              std::make_pair("TimeFormat", "timeFormat"),
                                              std::make_pair("PlainText", "text")})
            if (Child(text, element))
                o[member] = ChildText(text, element);
        ReadNumber(text, "FontSize", o["fontSize"], true);
        if (pugi::xml_node color = Child(Child(text, "FontColor"), "Color"))
            o["fontColor"] = ReadColor(color);
    }
    if (pugi::xml_node image = Child(in, "Image"))
        o["imagePath"] = ChildText(image, "ImgPath");
}

Json::Value FreshOsd(const Json::Value&)
{
    Json::Value osd;
    osd["textType"] = "Plain";
    osd["text"] = "";
    osd["dateFormat"] = "yyyy-MM-dd";
    osd["timeFormat"] = "HH:mm:ss";
    osd["imagePath"] = "";
    return osd;
}

void WriteOsd(CXmlNode e, const Json::Value& o)
{
    e.attr("token", o["token"].asString());
    e.add(Ns::Schema, "VideoSourceConfigurationToken", o["configToken"].asString());
    e.add(Ns::Schema, "Type", o["type"].asString());
    CXmlNode position = e.add(Ns::Schema, "Position");
    position.sub("Type", o["position"].asString());
    if (o["position"] == "Custom")
        position.sub("Pos").attr("x", Number(o["x"])).attr("y", Number(o["y"]));
    if (o["type"] == "Image") {
        e.add(Ns::Schema, "Image").sub("ImgPath", o["imagePath"].asString());
        return;
    }
    CXmlNode text = e.add(Ns::Schema, "TextString");
    std::string type = o["textType"].asString();
    text.sub("Type", type);
    if (type == "Date" || type == "DateAndTime")
        text.sub("DateFormat", o["dateFormat"].asString());
    if (type == "Time" || type == "DateAndTime")
        text.sub("TimeFormat", o["timeFormat"].asString());
    if (!o["fontSize"].isNull())
        text.sub("FontSize", Number(o["fontSize"]));
    if (!o["fontColor"].isNull())
        WriteColor(text.sub("FontColor").sub("Color"), o["fontColor"]);
    if (type == "Plain")
        text.sub("PlainText", o["text"].asString());
}

const COverlayKind& Osd()
{
    static const COverlayKind kind = {"OSD", "osd", "OSD", {"VideoSourceConfigurationToken", "Type", "Position"},
                                      "OSDToken", "OSDs", "OSD_", "MaxOSDs", &FreshOsd, &ReadOsd, &OsdProblem,
                                      &OsdRoomProblem, &WriteOsd};
    return kind;
}

} // namespace

void GetOSDs(CCallContext& ctx) { ListOverlays(ctx, Osd()); }
void CreateOSD(CCallContext& ctx) { CreateOverlay(ctx, Osd()); }
void SetOSD(CCallContext& ctx) { SetOverlay(ctx, Osd()); }
void DeleteOSD(CCallContext& ctx) { DeleteOverlay(ctx, Osd()); }

void GetOSD(CCallContext& ctx)
{
    CMediaState media(ctx);
    Json::Value& state = OverlayState(media, Osd());
    std::string token = RequiredText(ctx.input(), "OSDToken");
    const Json::Value* osd = FindOverlay(state, token);
    if (!osd)
        throw CSoapFault::Sender({"InvalidArgVal", "NoConfig"}, "no OSD \"" + token + "\"");
    WriteOsd(ctx.respond().sub("OSD"), *osd);
}

void GetOSDOptions(CCallContext& ctx)
{
    CMediaState media(ctx);
    const Json::Value& state = OverlayState(media, Osd());
    media.requireConfig(EConfigKind::VideoSource, RequiredText(ctx.input(), "ConfigurationToken"));
    CXmlNode options = ctx.respond().sub("OSDOptions");
    CXmlNode max = options.add(Ns::Schema, "MaximumNumberOfOSDs");
    for (const auto& kind : state["maximum"].getMemberNames())
        max.attr(kind, state["maximum"][kind].asString());
    options.add(Ns::Schema, "Type", "Text");
    if (!state["imagePaths"].empty())
        options.add(Ns::Schema, "Type", "Image");
    for (const auto& position : OsdPositions())
        options.add(Ns::Schema, "PositionOption", position);
    CXmlNode text = options.add(Ns::Schema, "TextOption");
    for (const char* type : {"Plain", "Date", "Time", "DateAndTime"})
        text.sub("Type", type);
    CXmlNode sizes = text.sub("FontSizeRange");
    sizes.sub("Min", state["fontSizeRange"][0].asString());
    sizes.sub("Max", state["fontSizeRange"][1].asString());
    for (const auto& format : OsdDateFormats())
        text.sub("DateFormat", format);
    for (const auto& format : OsdTimeFormats())
        text.sub("TimeFormat", format);
    WriteColorChoices(text.sub("FontColor").sub("Color"));
    if (!state["imagePaths"].empty()) {
        CXmlNode images = options.add(Ns::Schema, "ImageOption");
        for (const auto& path : state["imagePaths"])
            images.sub("ImagePath", path.asString());
    }
}

} // namespace OnvifSim
