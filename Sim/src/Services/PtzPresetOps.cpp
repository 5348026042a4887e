// Presets and preset tours of the PTZ service. Preset tokens are numbers or names as the
// node's description says (a client must treat them as opaque either way); a node with
// no tours answers every tour operation with ActionNotSupported.
#include "Services/PtzOps.h"

#include "Common/TimeUtil.h"

namespace OnvifSim {
namespace {

const char kGenericPosition[] = "http://www.onvif.org/ver10/tptz/PanTiltSpaces/PositionGenericSpace";

Json::Value* FindIn(Json::Value& list, const std::string& token)
{
    for (Json::Value& item : list)
        if (item["token"].asString() == token)
            return &item;
    return nullptr;
}

Json::Value& RequireIn(Json::Value& list, const std::string& token, const char* what)
{
    if (Json::Value* item = FindIn(list, token))
        return *item;
    throw CSoapFault::Sender({"InvalidArgVal", "NoToken"}, std::string("no ") + what + " \"" + token + "\"");
}

// "1", "2", ... (the lowest free number), or names that are not numbers at all.
std::string NewToken(Json::Value& node, Json::Value& list, const char* kind)
{
    if (node["tokenStyle"].asString() == "numbers") {
        for (int n = 1;; ++n)
            if (!FindIn(list, std::to_string(n)))
                return std::to_string(n);
    }
    for (;;) {
        const int n = node["nextToken"].asInt();
        node["nextToken"] = n + 1;
        std::string token = std::string(kind) + "-";
        for (int k = n; k > 0; k /= 26)
            token += static_cast<char>('a' + k % 26);
        if (!FindIn(list, token))
            return token;
    }
}

void RequireTours(const Json::Value& node)
{
    if (node["maxTours"].asInt() == 0)
        throw CSoapFault::Receiver({"ActionNotSupported"}, "this dome has no preset tours");
}

void WritePosition(CXmlNode parent, const char* element, const Json::Value& position)
{
    CXmlNode p = parent.add(Ns::Schema, element);
    p.sub("PanTilt").attr("x", PtzNumber(position["pan"].asDouble())).attr("y", PtzNumber(position["tilt"].asDouble()))
        .attr("space", kGenericPosition);
    p.sub("Zoom").attr("x", PtzNumber(position["zoom"].asDouble()));
}

// ---- Presets ------------------------------------------------------------------------------

void SetPreset(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    Json::Value& presets = node["presets"];
    const std::string name = ChildText(ctx.input(), "PresetName");
    Json::Value* preset = nullptr;
    if (Child(ctx.input(), "PresetToken")) {
        preset = &RequireIn(presets, ChildText(ctx.input(), "PresetToken"), "preset");
    } else {
        if (presets.size() >= node["maxPresets"].asUInt())
            throw CSoapFault::Receiver({"Action", "TooManyPresets"},
                                       "all " + node["maxPresets"].asString() + " presets are in use");
        Json::Value fresh;
        fresh["token"] = NewToken(node, presets, "preset");
        fresh["name"] = "Preset " + fresh["token"].asString();
        preset = &presets.append(fresh);
    }
    if (!name.empty())
        (*preset)["name"] = name;
    (*preset)["position"] = node["position"];
    ctx.respond().sub("PresetToken", (*preset)["token"].asString());
}

void GetPresets(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    CXmlNode out = ctx.respond();
    for (const Json::Value& p : node["presets"]) {
        CXmlNode preset = out.sub("Preset");
        preset.attr("token", p["token"].asString());
        preset.add(Ns::Schema, "Name", p["name"].asString());
        WritePosition(preset, "PTZPosition", p["position"]);
    }
}

void GotoPreset(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    const Json::Value& p = RequireIn(node["presets"], ChildText(ctx.input(), "PresetToken"), "preset")["position"];
    StopTour(node);
    StartTarget(node, &p["pan"], &p["tilt"], &p["zoom"], ReadPtzSpeed(ctx.input(), CAxes{1, 1, 1}));
    ctx.respond();
}

void RemovePreset(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    const std::string token = ChildText(ctx.input(), "PresetToken");
    RequireIn(node["presets"], token, "preset");
    Json::Value kept(Json::arrayValue);
    for (const Json::Value& p : node["presets"])
        if (p["token"].asString() != token)
            kept.append(p);
    node["presets"] = kept;
    ctx.respond();
}

// ---- Tours --------------------------------------------------------------------------------

std::string TourState(const Json::Value& node, const Json::Value& tour)
{
    const Json::Value& running = node["tour"];
    if (running.isNull() || running["token"] != tour["token"])
        return "Idle";
    return running["phase"].asString() == "paused" ? "Paused" : "Touring";
}

void WriteTour(CXmlNode element, const Json::Value& node, const Json::Value& tour)
{
    element.attr("token", tour["token"].asString());
    element.add(Ns::Schema, "Name", tour["name"].asString());
    CXmlNode status = element.add(Ns::Schema, "Status");
    const std::string state = TourState(node, tour);
    status.sub("State", state);
    if (state != "Idle" && !tour["spots"].empty()) {
        const Json::Value& spot = tour["spots"][node["tour"]["spot"].asUInt() % tour["spots"].size()];
        CXmlNode current = status.sub("CurrentTourSpot");
        current.sub("PresetDetail").sub("PresetToken", spot["preset"].asString());
        current.sub("StayTime", FormatXsDuration(spot["staySeconds"].asDouble()));
    }
    element.add(Ns::Schema, "AutoStart", "false");
    element.add(Ns::Schema, "StartingCondition");
    for (const Json::Value& spot : tour["spots"]) {
        CXmlNode s = element.add(Ns::Schema, "TourSpot");
        s.sub("PresetDetail").sub("PresetToken", spot["preset"].asString());
        s.sub("StayTime", FormatXsDuration(spot["staySeconds"].asDouble()));
    }
}

void GetPresetTours(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    RequireTours(node);
    CXmlNode out = ctx.respond();
    for (const Json::Value& tour : node["tours"])
        WriteTour(out.sub("PresetTour"), node, tour);
}

void GetPresetTour(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    RequireTours(node);
    const Json::Value& tour = RequireIn(node["tours"], ChildText(ctx.input(), "PresetTourToken"), "preset tour");
    WriteTour(ctx.respond().sub("PresetTour"), node, tour);
}

void GetPresetTourOptions(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    RequireTours(node);
    CXmlNode options = ctx.respond().sub("Options");
    options.add(Ns::Schema, "AutoStart", "false");
    CXmlNode start = options.add(Ns::Schema, "StartingCondition");
    start.sub("Direction", "Forward");
    CXmlNode spot = options.add(Ns::Schema, "TourSpot");
    CXmlNode detail = spot.sub("PresetDetail");
    for (const Json::Value& p : node["presets"])
        detail.sub("PresetToken", p["token"].asString());
    detail.sub("Home", node["homeSupported"].asBool() ? "true" : "false");
    CXmlNode stay = spot.sub("StayTime");
    stay.sub("Min", "PT0S");
    stay.sub("Max", "PT1H");
}

void CreatePresetTour(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    RequireTours(node);
    Json::Value& tours = node["tours"];
    if (tours.size() >= node["maxTours"].asUInt())
        throw CSoapFault::Receiver({"Action", "TooManyPresetTours"}, "all preset tours are in use");
    Json::Value tour;
    tour["token"] = NewToken(node, tours, "tour");
    tour["name"] = "Tour " + tour["token"].asString();
    tour["spots"] = Json::Value(Json::arrayValue);
    tours.append(tour);
    ctx.respond().sub("PresetTourToken", tour["token"].asString());
}

// The tour is replaced by what the request says: its name when given, and its spots.
void ModifyPresetTour(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    RequireTours(node);
    pugi::xml_node in = Child(ctx.input(), "PresetTour");
    if (!in)
        throw CSoapFault::Sender({"InvalidArgVal"}, "PresetTour is required");
    Json::Value& tour = RequireIn(node["tours"], in.attribute("token").value(), "preset tour");
    Json::Value spots(Json::arrayValue);
    for (pugi::xml_node s : Children(in, "TourSpot")) {
        const std::string preset = ChildText(Child(s, "PresetDetail"), "PresetToken");
        if (!FindIn(node["presets"], preset))
            throw CSoapFault::Sender({"InvalidArgVal", "InvalidPresetTour"}, "no preset \"" + preset + "\"");
        double stay = 0;
        if (Child(s, "StayTime") && !ParseXsDuration(ChildText(s, "StayTime"), stay))
            throw CSoapFault::Sender({"InvalidArgVal", "InvalidPresetTour"}, "StayTime is not a duration");
        Json::Value spot;
        spot["preset"] = preset;
        spot["staySeconds"] = stay;
        spots.append(spot);
    }
    if (Child(in, "Name"))
        tour["name"] = ChildText(in, "Name");
    tour["spots"] = spots;
    ctx.respond();
}

void OperatePresetTour(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    RequireTours(node);
    Json::Value& tour = RequireIn(node["tours"], ChildText(ctx.input(), "PresetTourToken"), "preset tour");
    const std::string operation = ChildText(ctx.input(), "Operation");
    const bool running = !node["tour"].isNull() && node["tour"]["token"] == tour["token"];
    if (operation == "Start") {
        if (tour["spots"].empty())
            throw CSoapFault::Receiver({"Action", "ActivationFailed"}, "the tour has no spots");
        StartTour(node, tour, ptz.now());
    } else if (operation == "Stop") {
        if (running) {
            StopTour(node);
            StopAxes(node, true, true);
        }
    } else if (operation == "Pause") {
        if (running) {
            node["tour"]["phase"] = "paused";
            StopAxes(node, true, true);
        }
    } else {
        throw CSoapFault::Sender({"InvalidArgVal"}, "Operation must be Start, Stop or Pause");
    }
    ctx.respond();
}

void RemovePresetTour(CCallContext& ctx)
{
    CPtzState ptz = PtzOf(ctx);
    Json::Value& node = ProfileNode(ctx, ptz);
    RequireTours(node);
    const std::string token = ChildText(ctx.input(), "PresetTourToken");
    RequireIn(node["tours"], token, "preset tour");
    if (!node["tour"].isNull() && node["tour"]["token"].asString() == token) {
        StopTour(node);
        StopAxes(node, true, true);
    }
    Json::Value kept(Json::arrayValue);
    for (const Json::Value& t : node["tours"])
        if (t["token"].asString() != token)
            kept.append(t);
    node["tours"] = kept;
    ctx.respond();
}

} // namespace

void AppendPtzPresetOperations(std::vector<COperation>& ops)
{
    using L = EUserLevel;
    const COperation more[] = {
        {"SetPreset", L::Operator, &SetPreset},
        {"GetPresets", L::User, &GetPresets},
        {"GotoPreset", L::Operator, &GotoPreset},
        {"RemovePreset", L::Operator, &RemovePreset},
        {"GetPresetTours", L::User, &GetPresetTours},
        {"GetPresetTour", L::User, &GetPresetTour},
        {"GetPresetTourOptions", L::User, &GetPresetTourOptions},
        {"CreatePresetTour", L::Operator, &CreatePresetTour},
        {"ModifyPresetTour", L::Operator, &ModifyPresetTour},
        {"OperatePresetTour", L::Operator, &OperatePresetTour},
        {"RemovePresetTour", L::Operator, &RemovePresetTour},
    };
    ops.insert(ops.end(), std::begin(more), std::end(more));
}

} // namespace OnvifSim
