// Profiles of each described channel. A profile names its configurations by token or
// gives its encoders inline; a channel without profiles gets a main and a sub stream.
#include "Media/MediaDescriptionParts.h"

#include <iterator>

namespace OnvifSim {
namespace {

const char* const kProfileMembers[] = {"token", "name", "fixed", "videoSource", "videoEncoder", "audioSource",
                                       "audioEncoder", "analytics", "comment"};
const char* const kChannelMembers[] = {"name", "videoSource", "width", "height", "framerate", "encoding",
                                       "profiles", "token", "configToken", "configName", "comment"};

bool OnlyKnown(CMediaBuilder& b, const Json::Value& in, const char* const* known, size_t count, const std::string& where)
{
    for (const auto& key : in.getMemberNames()) {
        bool found = false;
        for (size_t i = 0; i < count; ++i)
            found = found || key == known[i];
        if (!found)
            return b.fail(where + "." + key, "unknown member"), false;
    }
    return true;
}

// A reference by token, or for encoders an inline definition. Returns the token or "".
std::string Reference(CMediaBuilder& b, const Json::Value& value, EConfigKind kind, const std::string& where,
                      int channel)
{
    if (value.isObject() && kind == EConfigKind::VideoEncoder)
        return AddVideoEncoder(b, value, where, channel);
    if (value.isObject() && kind == EConfigKind::AudioEncoder)
        return AddAudioEncoder(b, value, where);
    if (!value.isString())
        return b.fail(where, "must be a configuration token" +
                                 std::string(kind == EConfigKind::VideoEncoder || kind == EConfigKind::AudioEncoder
                                                 ? " or an encoder object" : "")), "";
    std::string token = value.asString();
    if (b.findConfig(kind, token))
        return token;
    // An audio source may be named by its source token as well as its configuration's.
    for (const auto& c : b.model["configs"][KindInfo(kind).key])
        if (c["sourceToken"].asString() == token)
            return c["token"].asString();
    return b.fail(where, "no " + std::string(KindInfo(kind).key) + " configuration \"" + token + "\""), "";
}

void AddProfile(CMediaBuilder& b, const Json::Value& in, const std::string& where, int channel)
{
    if (!in.isObject())
        return b.fail(where, "must be an object");
    if (!OnlyKnown(b, in, kProfileMembers, std::size(kProfileMembers), where))
        return;
    Json::Value p;
    p["token"] = b.text(in, "token", where, "Profile_" + std::to_string(b.profileNumber + 1));
    ++b.profileNumber;
    p["name"] = b.text(in, "name", where, p["token"].asString());
    p["fixed"] = in.isMember("fixed") ? in["fixed"] : Json::Value(true);
    p["channel"] = channel;
    p["multicast"] = false;
    p["refs"] = Json::Value(Json::objectValue);
    if (!p["fixed"].isBool())
        return b.fail(where + ".fixed", "must be true or false");
    for (const auto& other : b.model["profiles"])
        if (other["token"] == p["token"])
            return b.fail(where + ".token", "profile token " + p["token"].asString() + " is used twice");
    const Json::Value& vs = in.isMember("videoSource") ? in["videoSource"] : Json::Value(true);
    if (vs.isBool() && vs.asBool())
        p["refs"]["VideoSource"] = b.model["configs"]["VideoSource"][channel]["token"];
    else if (!vs.isBool())
        p["refs"]["VideoSource"] = Reference(b, vs, EConfigKind::VideoSource, where + ".videoSource", channel);
    struct { const char* member; EConfigKind kind; } refs[] = {
        {"audioSource", EConfigKind::AudioSource}, {"videoEncoder", EConfigKind::VideoEncoder},
        {"audioEncoder", EConfigKind::AudioEncoder}, {"analytics", EConfigKind::Analytics}};
    for (const auto& r : refs) {
        const Json::Value& v = in[r.member];
        if (v.isNull() || (v.isBool() && !v.asBool()))
            continue;
        if (r.kind == EConfigKind::Analytics && v.isBool()) {
            const Json::Value& own = b.model["configs"]["Analytics"];
            for (const auto& a : own)
                if (a["channel"].asInt() == channel)
                    p["refs"]["Analytics"] = a["token"];
            continue;
        }
        std::string token = Reference(b, v, r.kind, where + "." + r.member, channel);
        if (b.ok())
            p["refs"][KindInfo(r.kind).key] = token;
    }
    if (b.ok())
        b.model["profiles"].append(p);
}

void DefaultProfiles(CMediaBuilder& b, const Json::Value& channel, int index)
{
    Json::Value main;
    main["name"] = "MainStream";
    main["videoEncoder"] = Json::Value(Json::objectValue);
    if (channel.isObject() && channel.isMember("encoding"))
        main["videoEncoder"]["encoding"] = channel["encoding"];
    AddProfile(b, main, "channels[" + std::to_string(index) + "]", index);
    Json::Value sub;
    sub["name"] = "SubStream";
    Json::Value& encoder = sub["videoEncoder"];
    const Json::Value& source = b.model["channels"][index]["source"];
    bool small = source["width"].asInt() >= 640 && source["height"].asInt() >= 360;
    encoder["width"] = small ? 640 : source["width"].asInt();
    encoder["height"] = small ? 360 : source["height"].asInt();
    encoder["bitrate"] = 512;
    AddProfile(b, sub, "channels[" + std::to_string(index) + "]", index);
}

} // namespace

void ReadProfiles(CMediaBuilder& b, const Json::Value& channel, int index)
{
    std::string where = "channels[" + std::to_string(index) + "]";
    if (channel.isObject() && !OnlyKnown(b, channel, kChannelMembers, std::size(kChannelMembers), where))
        return;
    const Json::Value& list = channel.isObject() ? channel["profiles"] : Json::Value::nullSingleton();
    if (list.isNull())
        return DefaultProfiles(b, channel, index);
    if (!list.isArray() || list.empty() || list.size() > 3)
        return b.fail(where + ".profiles", "must be an array of 1 to 3 profiles");
    for (Json::ArrayIndex i = 0; i < list.size() && b.ok(); ++i)
        AddProfile(b, list[i], where + ".profiles[" + std::to_string(i) + "]", index);
}

} // namespace OnvifSim
