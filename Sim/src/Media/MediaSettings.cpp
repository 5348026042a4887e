// Encoder options and the check of settings against them. A device refuses a Set outside
// its options, so a client that sends what it never asked the options for fails here too.
#include "Media/MediaSettings.h"

namespace OnvifSim {
namespace {

const int kCommonSizes[][2] = {{3840, 2160}, {2560, 1440}, {1920, 1080}, {1280, 960}, {1280, 720}, {704, 576},
                               {640, 480},   {640, 360},   {352, 288},   {320, 240}};

Json::Value Range(int min, int max)
{
    Json::Value r(Json::arrayValue);
    r.append(min);
    r.append(max);
    return r;
}

Json::Value List(std::initializer_list<const char*> items)
{
    Json::Value list(Json::arrayValue);
    for (const char* item : items)
        list.append(item);
    return list;
}

Json::Value IntList(std::initializer_list<int> items)
{
    Json::Value list(Json::arrayValue);
    for (int item : items)
        list.append(item);
    return list;
}

bool IsRange(const Json::Value& v)
{
    return v.isArray() && v.size() == 2 && v[0].isNumeric() && v[1].isNumeric() && v[0].asDouble() <= v[1].asDouble();
}

bool IsResolutionList(const Json::Value& v)
{
    if (!v.isArray() || v.empty())
        return false;
    for (const auto& r : v)
        if (!r.isArray() || r.size() != 2 || !r[0].isInt() || !r[1].isInt() || r[0].asInt() < 1 || r[1].asInt() < 1)
            return false;
    return true;
}

bool IsStringList(const Json::Value& v)
{
    if (!v.isArray())
        return false;
    for (const auto& s : v)
        if (!s.isString())
            return false;
    return true;
}

} // namespace

bool InRange(const Json::Value& range, double value)
{
    return value >= range[0].asDouble() && value <= range[1].asDouble();
}

// Numbers compare by value: a JSON file's 64 and a parsed request's 64 may differ in type.
bool Same(const Json::Value& a, const Json::Value& b)
{
    if (a.isNumeric() && b.isNumeric())
        return a.asDouble() == b.asDouble();
    if (a.isArray() && b.isArray()) {
        if (a.size() != b.size())
            return false;
        for (Json::ArrayIndex i = 0; i < a.size(); ++i)
            if (!Same(a[i], b[i]))
                return false;
        return true;
    }
    return a == b;
}

bool Contains(const Json::Value& list, const Json::Value& value)
{
    for (const auto& item : list)
        if (Same(item, value))
            return true;
    return false;
}

const Json::Value& ProfilesFor(const Json::Value& options, const std::string& encoding)
{
    if (encoding == "H264")
        return options["h264Profiles"];
    if (encoding == "H265")
        return options["h265Profiles"];
    if (encoding == "MPEG4")
        return options["mpeg4Profiles"];
    return Json::Value::nullSingleton();
}

bool VideoOptions(const Json::Value& source, const std::string& encoding, const Json::Value& given, Json::Value& out,
                  std::string& why)
{
    int width = source["width"].asInt(), height = source["height"].asInt();
    out = Json::Value(Json::objectValue);
    out["encodings"] = List({"JPEG", "H264"});
    if (encoding == "H265" || encoding == "MPEG4")
        out["encodings"].append(encoding);
    Json::Value& sizes = out["resolutions"] = Json::Value(Json::arrayValue);
    sizes.append(IntList({width, height}));
    for (const auto& s : kCommonSizes)
        if (s[0] <= width && s[1] <= height && !(s[0] == width && s[1] == height))
            sizes.append(IntList({s[0], s[1]}));
    out["quality"] = Range(1, 5);
    out["frameRate"] = Range(1, source["framerate"].asInt());
    out["encodingInterval"] = Range(1, 1);
    out["bitrate"] = Range(32, 16384);
    out["govLength"] = Range(1, 250);
    out["h264Profiles"] = List({"Baseline", "Main", "High"});
    out["h265Profiles"] = List({"Main"});
    out["mpeg4Profiles"] = List({"SP"});
    if (given.isNull())
        return true;
    if (!given.isObject())
        return why = "options must be an object or the name of one in media.videoEncoderOptions", false;
    for (const auto& key : given.getMemberNames()) {
        const Json::Value& v = given[key];
        bool fine = key == "resolutions" ? IsResolutionList(v)
                  : key == "encodings" || key.find("Profiles") != std::string::npos ? IsStringList(v) && !v.empty()
                  : key == "comment" || IsRange(v);
        if (!out.isMember(key) && key != "comment")
            return why = "options." + key + ": unknown member", false;
        if (!fine)
            return why = "options." + key + ": not a [min, max] range, a resolution list or a list of names", false;
        out[key] = v;
    }
    for (const auto& e : out["encodings"])
        if (e != "JPEG" && e != "MPEG4" && e != "H264" && e != "H265")
            return why = "options.encodings: JPEG, MPEG4, H264 or H265, not " + e.asString(), false;
    return true;
}

bool AudioOptions(const std::string& encoding, const Json::Value& given, Json::Value& out, std::string& why)
{
    if (!given.isNull()) {
        out = given;
        if (!out.isArray() || out.empty())
            return why = "options must be a non-empty array of {encoding, bitrates, sampleRates}", false;
        for (const auto& o : out) {
            std::string e = o["encoding"].asString();
            if (!o.isObject() || (e != "G711" && e != "G726" && e != "AAC") || !o["bitrates"].isArray() ||
                !o["sampleRates"].isArray() || o["bitrates"].empty() || o["sampleRates"].empty())
                return why = "options: each entry is {encoding: G711/G726/AAC, bitrates: [..], sampleRates: [..]}", false;
        }
        return true;
    }
    out = Json::Value(Json::arrayValue);
    Json::Value g711;
    g711["encoding"] = "G711";
    g711["bitrates"] = IntList({64});
    g711["sampleRates"] = IntList({8});
    out.append(g711);
    Json::Value aac;
    aac["encoding"] = "AAC";
    aac["bitrates"] = IntList({32, 64, 128});
    aac["sampleRates"] = IntList({16, 48});
    out.append(aac);
    if (encoding == "G726") {
        Json::Value g726;
        g726["encoding"] = "G726";
        g726["bitrates"] = IntList({16, 24, 32, 40});
        g726["sampleRates"] = IntList({8});
        out.append(g726);
    }
    return true;
}

std::string VideoSettingsProblem(const Json::Value& c)
{
    const Json::Value& o = c["options"];
    const std::string encoding = c["encoding"].asString();
    if (!Contains(o["encodings"], c["encoding"]))
        return "encoding " + encoding + " is not offered";
    if (!Contains(o["resolutions"], IntList({c["width"].asInt(), c["height"].asInt()})))
        return "resolution " + c["width"].asString() + "x" + c["height"].asString() + " is not offered";
    struct { const char* key; const char* what; } ranges[] = {
        {"quality", "quality"}, {"frameRate", "frame rate"}, {"encodingInterval", "encoding interval"},
        {"bitrate", "bitrate"}};
    for (const auto& r : ranges)
        if (!InRange(o[r.key], c[r.key].asDouble()))
            return std::string(r.what) + " " + c[r.key].asString() + " is out of range";
    if (encoding != "JPEG" && !InRange(o["govLength"], c["govLength"].asDouble()))
        return "GOV length " + c["govLength"].asString() + " is out of range";
    if (encoding != "JPEG" && !Contains(ProfilesFor(o, encoding), c["profile"]))
        return "profile " + c["profile"].asString() + " is not offered for " + encoding;
    return {};
}

std::string AudioSettingsProblem(const Json::Value& c)
{
    for (const auto& o : c["options"])
        if (o["encoding"] == c["encoding"]) {
            if (!Contains(o["bitrates"], c["bitrate"]))
                return "bitrate " + c["bitrate"].asString() + " is not offered for " + c["encoding"].asString();
            if (!Contains(o["sampleRates"], c["sampleRate"]))
                return "sample rate " + c["sampleRate"].asString() + " is not offered for " + c["encoding"].asString();
            return {};
        }
    return "encoding " + c["encoding"].asString() + " is not offered";
}

} // namespace OnvifSim
