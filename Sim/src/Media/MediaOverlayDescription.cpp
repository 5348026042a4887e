// Reads media.osd, media.masks and media.audioDecoders into the media state. A device
// without `osd` or `masks` does not have that feature at all; with it, every member has a
// camera's usual value.
#include "Media/MediaDescriptionParts.h"
#include "Media/MediaOverlays.h"

namespace OnvifSim {
namespace {

// The video source configuration an overlay of the description belongs to: "configToken",
// or "channel" (1-based, default 1).
std::string ConfigOf(CMediaBuilder& b, const Json::Value& in, const std::string& where)
{
    const Json::Value& sources = b.model["configs"]["VideoSource"];
    if (in.isMember("configToken")) {
        std::string token = b.text(in, "configToken", where, "");
        if (!b.findConfig(EConfigKind::VideoSource, token))
            b.fail(where + ".configToken", "no video source configuration \"" + token + "\"");
        return token;
    }
    Json::Value channel(1);
    b.intMember(in, "channel", where + ".channel", 1, static_cast<int>(sources.size()), channel);
    return b.ok() ? sources[channel.asInt() - 1]["token"].asString() : "";
}

Json::Value Strings(const Json::Value& given, std::initializer_list<const char*> fallback)
{
    if (given.isArray())
        return given;
    Json::Value list(Json::arrayValue);
    for (const char* item : fallback)
        list.append(item);
    return list;
}

void ReadOsdMaximum(CMediaBuilder& b, const Json::Value& in, Json::Value& max)
{
    max["Total"] = 4;
    if (in.isInt()) {
        max["Total"] = in;
    } else if (in.isObject()) {
        static const std::pair<const char*, const char*> keys[] = {{"total", "Total"}, {"plainText", "PlainText"},
            {"date", "Date"}, {"time", "Time"}, {"dateAndTime", "DateAndTime"}, {"image", "Image"}};
        for (const auto& [member, attribute] : keys)
            if (in.isMember(member))
                b.intMember(in, member, "media.osd.maximum." + std::string(member), 0, 64, max[attribute]);
    } else if (!in.isNull()) {
        return b.fail("media.osd.maximum", "must be a number or {total, plainText, date, time, dateAndTime, image}");
    }
    if (b.ok() && (!max["Total"].isInt() || max["Total"].asInt() < 0 || max["Total"].asInt() > 64))
        b.fail("media.osd.maximum", "must be between 0 and 64");
}

void ReadOsd(CMediaBuilder& b, const Json::Value& in)
{
    Json::Value& state = b.model["osd"];
    state["enabled"] = in.isObject();
    state["items"] = Json::Value(Json::arrayValue);
    state["next"] = 1;
    state["imagePaths"] = Strings(in["imagePaths"], {});
    state["fontSizeRange"] = Json::Value(Json::arrayValue);
    state["fontSizeRange"].append(8);
    state["fontSizeRange"].append(64);
    if (in.isNull())
        return;
    if (!in.isObject())
        return b.fail("media.osd", "must be an object");
    ReadOsdMaximum(b, in["maximum"], state["maximum"]);
    const Json::Value& range = in["fontSizeRange"];
    if (range.isArray() && range.size() == 2 && range[0].isInt() && range[1].isInt() && range[0].asInt() <= range[1].asInt())
        state["fontSizeRange"] = range;
    else if (!range.isNull())
        return b.fail("media.osd.fontSizeRange", "must be [min, max]");
    const Json::Value& items = in["items"];
    if (!items.isNull() && !items.isArray())
        return b.fail("media.osd.items", "must be an array");
    for (Json::ArrayIndex i = 0; i < items.size() && b.ok(); ++i) {
        std::string where = "media.osd.items[" + std::to_string(i) + "]";
        const Json::Value& o = items[i];
        if (!o.isObject())
            return b.fail(where, "must be an object");
        Json::Value osd;
        osd["token"] = b.text(o, "token", where, "OSD_" + std::to_string(i + 1));
        osd["configToken"] = ConfigOf(b, o, where);
        osd["type"] = b.text(o, "type", where, "Text");
        const Json::Value& position = o["position"];
        osd["position"] = position.isString() ? position : Json::Value(position.isArray() ? "Custom" : "UpperLeft");
        if (position.isArray() && position.size() == 2) {
            osd["x"] = position[0];
            osd["y"] = position[1];
        }
        osd["textType"] = b.text(o, "textType", where, "Plain");
        osd["text"] = o.isMember("text") ? o["text"] : Json::Value("");
        osd["dateFormat"] = b.text(o, "dateFormat", where, "yyyy-MM-dd");
        osd["timeFormat"] = b.text(o, "timeFormat", where, "HH:mm:ss");
        osd["fontSize"] = o["fontSize"];
        osd["fontColor"] = o["fontColor"];
        osd["imagePath"] = b.text(o, "imagePath", where, "");
        std::string problem = b.ok() ? OsdProblem(state, osd) : "";
        if (problem.empty() && b.ok())
            problem = OsdRoomProblem(state, osd, "");
        if (problem.empty() && b.ok() && FindOverlay(state, osd["token"].asString()))
            problem = "token " + osd["token"].asString() + " is used twice";
        if (!problem.empty())
            return b.fail(where, problem);
        state["items"].append(osd);
    }
    state["next"] = static_cast<int>(state["items"].size()) + 1;
}

void ReadMasks(CMediaBuilder& b, const Json::Value& in)
{
    Json::Value& state = b.model["masks"];
    state["enabled"] = in.isObject();
    state["items"] = Json::Value(Json::arrayValue);
    state["next"] = 1;
    state["maxMasks"] = 4;
    state["maxPoints"] = 4;
    state["types"] = Strings(in["types"], {"Color"});
    state["rectangleOnly"] = false;
    state["singleColorOnly"] = true;
    if (in.isNull())
        return;
    if (!in.isObject())
        return b.fail("media.masks", "must be an object");
    b.intMember(in, "maxMasks", "media.masks.maxMasks", 0, 64, state["maxMasks"]);
    b.intMember(in, "maxPoints", "media.masks.maxPoints", 3, 64, state["maxPoints"]);
    for (const char* flag : {"rectangleOnly", "singleColorOnly"}) {
        if (in.isMember(flag) && !in[flag].isBool())
            return b.fail(std::string("media.masks.") + flag, "must be true or false");
        if (in.isMember(flag))
            state[flag] = in[flag];
    }
    for (const auto& t : state["types"])
        if (t != "Color" && t != "Pixelated" && t != "Blurred")
            return b.fail("media.masks.types", "Color, Pixelated or Blurred");
    const Json::Value& items = in["items"];
    if (!items.isNull() && !items.isArray())
        return b.fail("media.masks.items", "must be an array");
    for (Json::ArrayIndex i = 0; i < items.size() && b.ok(); ++i) {
        std::string where = "media.masks.items[" + std::to_string(i) + "]";
        const Json::Value& m = items[i];
        if (!m.isObject())
            return b.fail(where, "must be an object");
        Json::Value mask;
        mask["token"] = b.text(m, "token", where, "Mask_" + std::to_string(i + 1));
        mask["configToken"] = ConfigOf(b, m, where);
        mask["points"] = m["points"];
        mask["type"] = b.text(m, "type", where, state["types"][0].asString());
        mask["color"] = m["color"];
        mask["enabled"] = m.isMember("enabled") ? m["enabled"] : Json::Value(true);
        std::string problem = mask["enabled"].isBool() ? MaskProblem(state, mask) : "enabled must be true or false";
        if (problem.empty() && FindOverlay(state, mask["token"].asString()))
            problem = "token " + mask["token"].asString() + " is used twice";
        if (problem.empty())
            problem = MaskRoomProblem(state, mask, "");
        if (!problem.empty() && b.ok())
            return b.fail(where, problem);
        state["items"].append(mask);
    }
    state["next"] = static_cast<int>(state["items"].size()) + 1;
}

void ReadAudioDecoders(CMediaBuilder& b, const Json::Value& list)
{
    b.model["audioDecoders"] = Json::Value(Json::arrayValue);
    if (!list.isNull() && !list.isArray())
        return b.fail("media.audioDecoders", "must be an array");
    for (Json::ArrayIndex i = 0; i < list.size() && b.ok(); ++i) {
        std::string where = "media.audioDecoders[" + std::to_string(i) + "]";
        Json::Value decoder;
        decoder["token"] = b.text(list[i], "token", where, "AudioDecoderConfig_" + std::to_string(i + 1));
        decoder["name"] = b.text(list[i], "name", where, decoder["token"].asString());
        b.model["audioDecoders"].append(decoder);
    }
}

} // namespace

void ReadOverlays(CMediaBuilder& b, const Json::Value& media)
{
    ReadOsd(b, media["osd"]);
    if (b.ok())
        ReadMasks(b, media["masks"]);
    if (b.ok())
        ReadAudioDecoders(b, media["audioDecoders"]);
}

} // namespace OnvifSim
