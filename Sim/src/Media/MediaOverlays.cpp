// Rules of OSDs and privacy masks, shared by the description reader and the Create/Set calls,
// so a described overlay and a requested one are held to the same limits.
#include "Media/MediaOverlays.h"

#include <algorithm>
#include <set>

namespace OnvifSim {
namespace {

bool Listed(const std::vector<std::string>& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool Normalised(const Json::Value& v)
{
    return v.isNumeric() && v.asDouble() >= -1.0 && v.asDouble() <= 1.0;
}

std::string ColorProblem(const Json::Value& color)
{
    if (color.isNull())
        return {};
    if (!color.isArray() || color.size() != 3)
        return "a colour is [X, Y, Z]";
    for (const auto& c : color)
        if (!c.isNumeric() || c.asDouble() < 0 || c.asDouble() > 255)
            return "colour components are 0 to 255";
    return {};
}

// The attribute of tt:MaximumNumberOfOSDs that limits this OSD's kind.
std::string KindOf(const Json::Value& osd)
{
    if (osd["type"].asString() == "Image")
        return "Image";
    std::string text = osd["textType"].asString();
    return text == "Plain" ? "PlainText" : text;
}

} // namespace

const std::vector<std::string>& OsdDateFormats()
{
    static const std::vector<std::string> formats = {"M/d/yyyy", "MM/dd/yyyy", "dd/MM/yyyy", "yyyy/MM/dd",
                                                     "yyyy-MM-dd", "dddd, MMMM dd, yyyy", "MMMM dd, yyyy",
                                                     "dd MMMM, yyyy"};
    return formats;
}

const std::vector<std::string>& OsdTimeFormats()
{
    static const std::vector<std::string> formats = {"h:mm:ss tt", "hh:mm:ss tt", "H:mm:ss", "HH:mm:ss"};
    return formats;
}

const std::vector<std::string>& OsdPositions()
{
    static const std::vector<std::string> positions = {"UpperLeft", "UpperRight", "LowerLeft", "LowerRight", "Custom"};
    return positions;
}

std::string OsdProblem(const Json::Value& state, const Json::Value& osd)
{
    std::string position = osd["position"].asString();
    if (!Listed(OsdPositions(), position))
        return "position \"" + position + "\" is not one of UpperLeft, UpperRight, LowerLeft, LowerRight, Custom";
    if (position == "Custom" && !(Normalised(osd["x"]) && Normalised(osd["y"])))
        return "a Custom position needs x and y between -1 and 1";
    std::string type = osd["type"].asString();
    if (type == "Image") {
        std::string path = osd["imagePath"].asString();
        if (state["imagePaths"].empty())
            return "this device shows no images";
        for (const auto& p : state["imagePaths"])
            if (p.asString() == path)
                return {};
        return "image \"" + path + "\" is not one of the device's";
    }
    if (type != "Text")
        return "type \"" + type + "\" is not Text or Image";
    std::string text = osd["textType"].asString();
    if (text != "Plain" && text != "Date" && text != "Time" && text != "DateAndTime")
        return "text type \"" + text + "\" is not Plain, Date, Time or DateAndTime";
    bool date = text == "Date" || text == "DateAndTime", time = text == "Time" || text == "DateAndTime";
    if (date && !Listed(OsdDateFormats(), osd["dateFormat"].asString()))
        return "date format \"" + osd["dateFormat"].asString() + "\" is not offered";
    if (time && !Listed(OsdTimeFormats(), osd["timeFormat"].asString()))
        return "time format \"" + osd["timeFormat"].asString() + "\" is not offered";
    const Json::Value& size = osd["fontSize"];
    const Json::Value& range = state["fontSizeRange"];
    if (!size.isNull() && (!size.isInt() || size.asInt() < range[0].asInt() || size.asInt() > range[1].asInt()))
        return "font size " + size.asString() + " is outside " + range[0].asString() + " .. " + range[1].asString();
    return ColorProblem(osd["fontColor"]);
}

std::string OsdRoomProblem(const Json::Value& state, const Json::Value& osd, const std::string& replacing)
{
    int total = 0, sameKind = 0;
    std::string kind = KindOf(osd);
    for (const auto& other : state["items"])
        if (other["configToken"] == osd["configToken"] && other["token"].asString() != replacing) {
            ++total;
            sameKind += KindOf(other) == kind ? 1 : 0;
        }
    const Json::Value& max = state["maximum"];
    if (total >= max["Total"].asInt())
        return "the video source configuration has its " + max["Total"].asString() + " OSDs";
    if (max.isMember(kind) && sameKind >= max[kind].asInt())
        return "the video source configuration has its " + max[kind].asString() + " " + kind + " OSDs";
    return {};
}

std::string MaskProblem(const Json::Value& state, const Json::Value& mask)
{
    const Json::Value& points = mask["points"];
    if (!points.isArray() || points.size() < 3)
        return "a mask needs at least 3 points";
    if (points.size() > state["maxPoints"].asUInt())
        return "a mask has at most " + state["maxPoints"].asString() + " points";
    std::set<double> xs, ys;
    for (const auto& p : points) {
        if (!p.isArray() || p.size() != 2 || !Normalised(p[0]) || !Normalised(p[1]))
            return "points are [x, y] between -1 and 1";
        xs.insert(p[0].asDouble());
        ys.insert(p[1].asDouble());
    }
    if (state["rectangleOnly"].asBool() && (points.size() != 4 || xs.size() != 2 || ys.size() != 2))
        return "this device masks rectangles only";
    bool typeOffered = false;
    for (const auto& t : state["types"])
        typeOffered = typeOffered || t == mask["type"];
    if (!typeOffered)
        return "mask type \"" + mask["type"].asString() + "\" is not offered";
    return ColorProblem(mask["color"]);
}

std::string MaskRoomProblem(const Json::Value& state, const Json::Value& mask, const std::string& replacing)
{
    int onConfig = 0;
    for (const auto& other : state["items"])
        onConfig += other["configToken"] == mask["configToken"] && other["token"].asString() != replacing ? 1 : 0;
    if (onConfig >= state["maxMasks"].asInt())
        return "the video source configuration has its " + state["maxMasks"].asString() + " masks";
    return {};
}

std::string NewOverlayToken(Json::Value& state, const char* prefix)
{
    // Ends within size + 1 rounds: every round that fails skips one existing token.
    for (;;) {
        int number = state["next"].asInt();
        state["next"] = number + 1;
        std::string token = prefix + std::to_string(number);
        if (!FindOverlay(state, token))
            return token;
    }
}

Json::Value* FindOverlay(Json::Value& state, const std::string& token)
{
    for (auto& item : state["items"])
        if (item["token"].asString() == token)
            return &item;
    return nullptr;
}

void RemoveOverlay(Json::Value& state, const std::string& token)
{
    Json::Value kept(Json::arrayValue);
    for (const auto& item : state["items"])
        if (item["token"].asString() != token)
            kept.append(item);
    state["items"] = kept;
}

} // namespace OnvifSim
