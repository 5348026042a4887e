// Reads the "ptz" member of a description into the PTZ state, refusing anything a dome
// could not be (a preset maximum of 0, limits the wrong way round, a node on a channel the
// device does not have) with the member's path.
//
//   "ptz": {"nodes": [{"channel": 2, "token": "PTZNode_2", "name": "Dome", "maxPresets": 32,
//            "maxTours": 8, "presetTokens": "numbers" | "names", "auxiliary": ["tt:Wiper|On", ...],
//            "homeSupported": true, "fixedHome": false, "panEndless": true, "panLimits": [-1, 1],
//            "tiltLimits": [-1, 1], "zoomLimits": [0, 1], "rates": {"pan": 1, "tilt": 1, "zoom": 0.5},
//            "fov": [60, 3], "timeoutSeconds": 10, "configurationToken": "PTZConfig_2"}]}
#include "Ptz/PtzModel.h"

#include "Description/JsonFields.h"

#include <algorithm>

namespace OnvifSim {
namespace {

const char* const kNodeMembers[] = {"channel", "token", "name", "maxPresets", "maxTours", "presetTokens",
                                    "auxiliary", "homeSupported", "fixedHome", "panEndless", "panLimits",
                                    "tiltLimits", "zoomLimits", "rates", "fov", "timeoutSeconds",
                                    "configurationToken", "comment"};

int ChannelCount(const Json::Value& description)
{
    const Json::Value& channels = description["channels"];
    if (channels.isIntegral())
        return channels.asInt();
    return channels.isArray() ? static_cast<int>(channels.size()) : 1;
}

bool Pair(const Json::Value& in, const char* key, double lo, double hi, Json::Value& out, const std::string& where,
          std::string& error)
{
    if (!in.isMember(key))
        return true;
    const Json::Value& v = in[key];
    if (!v.isArray() || v.size() != 2 || !v[0].isNumeric() || !v[1].isNumeric() || v[0].asDouble() >= v[1].asDouble() ||
        v[0].asDouble() < lo || v[1].asDouble() > hi) {
        error = where + "." + key + ": must be [low, high] within [" + std::to_string(lo) + ", " + std::to_string(hi) +
                "]";
        return false;
    }
    out = v;
    return true;
}

Json::Value Range(double lo, double hi)
{
    Json::Value r(Json::arrayValue);
    r.append(lo);
    r.append(hi);
    return r;
}

void ReadNode(const Json::Value& in, int index, int channels, Json::Value& model, std::string& error)
{
    const std::string where = "ptz.nodes[" + std::to_string(index) + "]";
    if (!in.isObject())
        return void(error = where + ": must be an object");
    for (const auto& key : in.getMemberNames()) {
        bool known = false;
        for (const char* k : kNodeMembers)
            known = known || key == k;
        if (!known)
            return void(error = where + "." + key + ": unknown member");
    }
    CJsonFields f(in, where, error);
    int channel = 1, maxPresets = 32, maxTours = 8, timeout = 10;
    std::string token = "PTZNode_" + std::to_string(index + 1), name = "PTZ " + std::to_string(index + 1);
    std::string configuration = "PTZConfig_" + std::to_string(index + 1), tokenStyle = "numbers";
    bool homeSupported = true, fixedHome = false, panEndless = true;
    f.integer("channel", channel, 1, channels);
    f.string("token", token);
    f.string("name", name);
    f.integer("maxPresets", maxPresets, 1, 1000);
    f.integer("maxTours", maxTours, 0, 100);
    f.string("presetTokens", tokenStyle);
    f.boolean("homeSupported", homeSupported);
    f.boolean("fixedHome", fixedHome);
    f.boolean("panEndless", panEndless);
    f.integer("timeoutSeconds", timeout, 1, 3600);
    f.string("configurationToken", configuration);
    if (!f.ok())
        return;
    if (tokenStyle != "numbers" && tokenStyle != "names")
        return void(error = where + ".presetTokens: must be \"numbers\" or \"names\"");
    Json::Value node;
    node["token"] = token;
    node["name"] = name;
    node["channel"] = channel - 1;
    node["maxPresets"] = maxPresets;
    node["maxTours"] = maxTours;
    node["tokenStyle"] = tokenStyle;
    node["homeSupported"] = homeSupported;
    node["fixedHome"] = fixedHome;
    node["panEndless"] = panEndless;
    node["timeoutSeconds"] = timeout;
    node["configuration"] = configuration;
    Json::Value& limits = node["limits"];
    limits["pan"] = Range(-1, 1);
    limits["tilt"] = Range(-1, 1);
    limits["zoom"] = Range(0, 1);
    if (!Pair(in, "panLimits", -1, 1, limits["pan"], where, error) ||
        !Pair(in, "tiltLimits", -1, 1, limits["tilt"], where, error) ||
        !Pair(in, "zoomLimits", 0, 1, limits["zoom"], where, error))
        return;
    // A dome limited in pan cannot turn endlessly.
    if (limits["pan"][0].asDouble() > -1 || limits["pan"][1].asDouble() < 1)
        node["panEndless"] = false;
    node["fov"] = Range(60, 3);
    if (in.isMember("fov")) {
        const Json::Value& fov = in["fov"];
        if (!fov.isArray() || fov.size() != 2 || !fov[0].isNumeric() || !fov[1].isNumeric() ||
            fov[1].asDouble() <= 0 || fov[0].asDouble() < fov[1].asDouble() || fov[0].asDouble() > 180)
            return void(error = where + ".fov: must be [wide, tele] degrees with 180 >= wide >= tele > 0");
        node["fov"] = fov;
    }
    Json::Value& rates = node["rates"];
    rates["pan"] = 1.0;
    rates["tilt"] = 1.0;
    rates["zoom"] = 0.5;
    const Json::Value& ratesIn = in["rates"];
    for (const char* axis : {"pan", "tilt", "zoom"}) {
        if (!ratesIn.isObject() || !ratesIn.isMember(axis))
            continue;
        if (!ratesIn[axis].isNumeric() || ratesIn[axis].asDouble() <= 0 || ratesIn[axis].asDouble() > 100)
            return void(error = where + ".rates." + axis + ": must be a number of units per second in (0, 100]");
        rates[axis] = ratesIn[axis].asDouble();
    }
    node["auxiliary"] = Json::Value(Json::arrayValue);
    if (in.isMember("auxiliary")) {
        const Json::Value& aux = in["auxiliary"];
        if (!aux.isArray())
            return void(error = where + ".auxiliary: must be an array of texts");
        for (const Json::Value& a : aux) {
            if (!a.isString() || a.asString().empty())
                return void(error = where + ".auxiliary: must be an array of texts");
            node["auxiliary"].append(a);
        }
    }
    for (const Json::Value& other : model["nodes"])
        if (other["token"] == node["token"] || other["channel"] == node["channel"])
            return void(error = where + ": a second node for token " + token + " or channel " +
                                std::to_string(channel));
    CAxes start;
    start.pan =
        limits["pan"][0].asDouble() > 0 ? limits["pan"][0].asDouble() : std::min(0.0, limits["pan"][1].asDouble());
    start.tilt = std::max(limits["tilt"][0].asDouble(), std::min(0.0, limits["tilt"][1].asDouble()));
    start.zoom = limits["zoom"][0].asDouble();
    node["position"] = AxesJson(start);
    node["home"] = AxesJson(start);
    Json::Value idle;
    idle["mode"] = "idle";
    idle["value"] = 0.0;
    idle["rate"] = 0.0;
    for (const char* axis : {"pan", "tilt", "zoom"})
        node["motion"][axis] = idle;
    node["motion"]["untilMs"] = 0.0;
    node["lastMs"] = -1.0;   // set on first use, when the clock is known
    node["presets"] = Json::Value(Json::arrayValue);
    node["tours"] = Json::Value(Json::arrayValue);
    node["tour"] = Json::Value();
    node["auxState"] = Json::Value(Json::objectValue);
    node["nextToken"] = 1;
    model["nodes"].append(node);

    Json::Value config;
    config["token"] = configuration;
    config["name"] = configuration;
    config["nodeToken"] = token;
    config["timeoutSeconds"] = timeout;
    config["speed"] = AxesJson(CAxes{1.0, 1.0, 1.0});
    model["configurations"].append(config);
}

} // namespace

CAxes AxesOf(const Json::Value& v)
{
    CAxes a;
    a.pan = v["pan"].asDouble();
    a.tilt = v["tilt"].asDouble();
    a.zoom = v["zoom"].asDouble();
    return a;
}

Json::Value AxesJson(const CAxes& a)
{
    Json::Value v;
    v["pan"] = a.pan;
    v["tilt"] = a.tilt;
    v["zoom"] = a.zoom;
    return v;
}

bool BuildPtzModel(const Json::Value& description, Json::Value& model, std::string& error)
{
    model = Json::Value(Json::objectValue);
    model["nodes"] = Json::Value(Json::arrayValue);
    model["configurations"] = Json::Value(Json::arrayValue);
    const Json::Value& ptz = description.isObject() ? description["ptz"] : Json::Value::nullSingleton();
    if (ptz.isNull())
        return true;
    if (!ptz.isObject())
        return error = "ptz: must be an object", false;
    for (const auto& key : ptz.getMemberNames())
        if (key != "nodes" && key != "comment")
            return error = "ptz." + key + ": unknown member", false;
    const Json::Value& nodes = ptz["nodes"];
    if (!nodes.isArray() || nodes.empty())
        return error = "ptz.nodes: must be an array of at least one node", false;
    const int channels = ChannelCount(description);
    for (Json::ArrayIndex i = 0; i < nodes.size() && error.empty(); ++i)
        ReadNode(nodes[i], static_cast<int>(i), channels, model, error);
    return error.empty();
}

} // namespace OnvifSim
