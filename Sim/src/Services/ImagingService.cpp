// The imaging (ver20) service: picture settings checked against the source's ranges and
// modes (a value outside them is refused as a device does, naming the value and the
// range), the imaging options that publish those ranges, and the focus lens.
#include "Imaging/ImagingModel.h"
#include "Ptz/PtzModel.h"
#include "Services/ServiceHandler.h"

#include <cmath>
#include <cstdlib>

namespace OnvifSim {
namespace {

std::string Number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

Json::Value& SourceOf(CCallContext& ctx, CImagingState& imaging, pugi::xml_node in)
{
    if (!Child(in, "VideoSourceToken"))
        throw CSoapFault::Sender({"InvalidArgVal"}, "VideoSourceToken is required");
    return imaging.requireSource(ChildText(in, "VideoSourceToken"));
}

// "Exposure.Iris" -> the Iris child of the Exposure child of parent (or an empty node).
pugi::xml_node Find(pugi::xml_node parent, const std::string& dotted)
{
    size_t begin = 0;
    while (parent && begin <= dotted.size()) {
        const size_t dot = dotted.find('.', begin);
        parent =
            Child(parent, dotted.substr(begin, dot == std::string::npos ? std::string::npos : dot - begin).c_str());
        if (dot == std::string::npos)
            break;
        begin = dot + 1;
    }
    return parent;
}

// Writes one entry per setting under its group element (the table is in schema order, so
// a group's members follow each other).
template <class Write>
void WriteGrouped(CXmlNode root, Write write)
{
    std::string groupName;
    CXmlNode group;
    for (const CImagingSetting& s : ImagingSettingsTable()) {
        const std::string key = s.key;
        const size_t dot = key.find('.');
        if (dot == std::string::npos) {
            write(root, s, key);
            continue;
        }
        if (key.substr(0, dot) != groupName) {
            groupName = key.substr(0, dot);
            group = root.add(Ns::Schema, groupName);
        }
        write(group, s, key.substr(dot + 1));
    }
}

void GetImagingSettings(CCallContext& ctx)
{
    CImagingState imaging(ctx.state());
    const Json::Value& source = SourceOf(ctx, imaging, ctx.input());
    const Json::Value& settings = source["settings"];
    WriteGrouped(ctx.respond().sub("ImagingSettings"),
                 [&](CXmlNode parent, const CImagingSetting& s, const std::string& local) {
                     const Json::Value& v = settings[s.key];
                     parent.add(Ns::Schema, local, s.number ? Number(v.asDouble()) : v.asString());
                 });
}

void GetOptions(CCallContext& ctx)
{
    CImagingState imaging(ctx.state());
    const Json::Value& source = SourceOf(ctx, imaging, ctx.input());
    CXmlNode options = ctx.respond().sub("ImagingOptions");
    WriteGrouped(options, [&](CXmlNode parent, const CImagingSetting& s, const std::string&) {
        const std::string optionKey = s.optionKey;
        const std::string local = optionKey.substr(optionKey.find('.') + 1);
        if (!s.number) {
            for (const char* mode : s.modes)
                parent.add(Ns::Schema, local, mode);
            return;
        }
        CXmlNode range = parent.add(Ns::Schema, local);
        range.sub("Min", Number(source["ranges"][s.key][0].asDouble()));
        range.sub("Max", Number(source["ranges"][s.key][1].asDouble()));
    });
}

// All or nothing: every value given is checked before any is kept.
void SetImagingSettings(CCallContext& ctx)
{
    CImagingState imaging(ctx.state());
    Json::Value& source = SourceOf(ctx, imaging, ctx.input());
    pugi::xml_node in = Child(ctx.input(), "ImagingSettings");
    if (!in)
        throw CSoapFault::Sender({"InvalidArgVal"}, "ImagingSettings is required");
    Json::Value settings = source["settings"];
    for (const CImagingSetting& s : ImagingSettingsTable()) {
        pugi::xml_node e = Find(in, s.key);
        if (!e)
            continue;
        const std::string text = Trimmed(e.text().get());
        if (!s.number) {
            bool known = false;
            for (const char* mode : s.modes)
                known = known || text == mode;
            if (!known)
                throw CSoapFault::Sender({"InvalidArgVal", "SettingsInvalid"},
                                         std::string(s.key) + " \"" + text + "\" is not a mode of this source");
            settings[s.key] = text;
            continue;
        }
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        const Json::Value& range = source["ranges"][s.key];
        if (text.empty() || *end != '\0' || !std::isfinite(v) || v < range[0].asDouble() || v > range[1].asDouble())
            throw CSoapFault::Sender({"InvalidArgVal", "SettingsInvalid"},
                                     std::string(s.key) + " " + text + " lies outside " + Number(range[0].asDouble()) +
                                         ".." + Number(range[1].asDouble()));
        settings[s.key] = v;
    }
    source["settings"] = settings;
    ctx.respond();
}

void GetMoveOptions(CCallContext& ctx)
{
    CImagingState imaging(ctx.state());
    SourceOf(ctx, imaging, ctx.input());
    CXmlNode options = ctx.respond().sub("MoveOptions");
    auto range = [](CXmlNode parent, const char* local, double lo, double hi) {
        CXmlNode r = parent.sub(local);
        r.sub("Min", Number(lo));
        r.sub("Max", Number(hi));
    };
    CXmlNode absolute = options.add(Ns::Schema, "Absolute");
    range(absolute, "Position", 0, 1);
    range(absolute, "Speed", 0, 1);
    CXmlNode relative = options.add(Ns::Schema, "Relative");
    range(relative, "Distance", -1, 1);
    range(relative, "Speed", 0, 1);
    range(options.add(Ns::Schema, "Continuous"), "Speed", -1, 1);
}

double Within(pugi::xml_node parent, const char* local, double lo, double hi, double fallback)
{
    pugi::xml_node e = Child(parent, local);
    if (!e)
        return fallback;
    const std::string text = Trimmed(e.text().get());
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v < lo || v > hi)
        throw CSoapFault::Sender({"InvalidArgVal", "SettingsInvalid"}, std::string(local) + " " + text +
                                                                           " lies outside " + Number(lo) + ".." +
                                                                           Number(hi));
    return v;
}

void Move(CCallContext& ctx)
{
    CImagingState imaging(ctx.state());
    Json::Value& source = SourceOf(ctx, imaging, ctx.input());
    Json::Value& focus = source["focus"];
    pugi::xml_node move = Child(ctx.input(), "Focus");
    const double speed = source["settings"]["Focus.DefaultSpeed"].asDouble();
    if (pugi::xml_node a = Child(move, "Absolute")) {
        focus["mode"] = "target";
        focus["value"] = Within(a, "Position", 0, 1, 0);
        focus["rate"] = kFocusRate * std::max(0.01, Within(a, "Speed", 0, 1, speed));
    } else if (pugi::xml_node r = Child(move, "Relative")) {
        focus["mode"] = "target";
        focus["value"] = std::max(0.0, std::min(1.0, focus["position"].asDouble() + Within(r, "Distance", -1, 1, 0)));
        focus["rate"] = kFocusRate * std::max(0.01, Within(r, "Speed", 0, 1, speed));
    } else if (pugi::xml_node c = Child(move, "Continuous")) {
        focus["mode"] = "velocity";
        focus["value"] = Within(c, "Speed", -1, 1, 0);
        focus["rate"] = kFocusRate;
    } else {
        throw CSoapFault::Sender({"InvalidArgVal"}, "Focus needs Absolute, Relative or Continuous");
    }
    ctx.respond();
}

void Stop(CCallContext& ctx)
{
    CImagingState imaging(ctx.state());
    SourceOf(ctx, imaging, ctx.input())["focus"]["mode"] = "idle";
    ctx.respond();
}

void GetStatus(CCallContext& ctx)
{
    CImagingState imaging(ctx.state());
    const Json::Value& focus = SourceOf(ctx, imaging, ctx.input())["focus"];
    CXmlNode status = ctx.respond().sub("Status").add(Ns::Schema, "FocusStatus20");
    status.sub("Position", Number(focus["position"].asDouble()));
    status.sub("MoveStatus", focus["mode"].asString() == "idle" ? "IDLE" : "MOVING");
    status.sub("Error", "");
}

void WriteImagingCapabilities(CCallContext&, CXmlNode parent)
{
    parent.add(Ns::Imaging, "Capabilities").attr("ImageStabilization", "false");
}

void GetServiceCapabilities(CCallContext& ctx)
{
    WriteImagingCapabilities(ctx, ctx.respond());
}

} // namespace

const CServiceHandler& ImagingService()
{
    using L = EUserLevel;
    static const CServiceHandler handler = {
        "imaging",
        {
            {"GetServiceCapabilities", L::User, &GetServiceCapabilities},
            {"GetImagingSettings", L::User, &GetImagingSettings},
            {"SetImagingSettings", L::Operator, &SetImagingSettings},
            {"GetOptions", L::User, &GetOptions},
            {"GetMoveOptions", L::User, &GetMoveOptions},
            {"Move", L::Operator, &Move},
            {"Stop", L::Operator, &Stop},
            {"GetStatus", L::User, &GetStatus},
        },
        &WriteImagingCapabilities,
    };
    return handler;
}

} // namespace OnvifSim
