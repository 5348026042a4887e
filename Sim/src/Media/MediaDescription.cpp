// Reads the media members of a description ("channels" and "media") into the media state.
// Everything left out takes a camera's usual values, so a description that only says it
// offers the media service still streams one 1080p channel with a main and a sub stream.
#include "Media/MediaDescriptionParts.h"

namespace OnvifSim {
namespace {

const char* const kHabitMembers[] = {
    "videoEncoders", "videoEncoderOptions", "audioSources", "audioEncoders", "audioEncoderOptions",
    "videoAnalytics", "streamUri", "rtspPort", "snapshot", "multicast", "rawAmpersandInUri",
    "media2Faulting", "maxProfiles", "media2EncodingNames", "osd", "masks", "audioDecoders", "motionGrid", "comment"};

void ReadHabits(CMediaBuilder& b, const Json::Value& media)
{
    Json::Value& h = b.model["habits"];
    h["streamUri"] = "rtsp://{host}:{port}/stream?profile={profile}";
    h["rtspPort"] = 554;
    h["snapshot"] = true;
    h["multicast"] = true;
    h["rawAmpersandInUri"] = false;
    h["media2Faulting"] = false;
    h["maxProfiles"] = 16;
    Json::Value& names = h["media2Names"];
    for (const char* pair : {"JPEG=JPEG", "MPEG4=MPV4-ES", "H264=H264", "H265=H265", "G711=PCMU", "G726=G726",
                             "AAC=MP4A-LATM"}) {
        std::string p = pair;
        names[p.substr(0, p.find('='))] = p.substr(p.find('=') + 1);
    }
    for (const auto& key : media.getMemberNames()) {
        bool known = false;
        for (const char* k : kHabitMembers)
            known = known || key == k;
        if (!known)
            return b.fail("media." + key, "unknown member");
    }
    for (const char* flag : {"snapshot", "multicast", "rawAmpersandInUri", "media2Faulting", "videoAnalytics"})
        if (media.isMember(flag) && !media[flag].isBool())
            return b.fail(std::string("media.") + flag, "must be true or false");
    for (const char* flag : {"snapshot", "multicast", "rawAmpersandInUri", "media2Faulting"})
        if (media.isMember(flag))
            h[flag] = media[flag];
    // The answer writer escapes every '&'; a device that wants the raw byte cannot be
    // reproduced until the writer can emit unescaped text, so refuse rather than pretend.
    if (h["rawAmpersandInUri"].asBool())
        return b.fail("media.rawAmpersandInUri", "not available yet: the answer writer cannot write a raw '&'");
    if (media.isMember("streamUri")) {
        const Json::Value& uri = media["streamUri"];
        if (!uri.isString() || uri.asString().find("{host}") == std::string::npos)
            return b.fail("media.streamUri", "must be a string with {host} ({port}, {profile}, {channel}, "
                                             "{stream}, {mode} optional)");
        h["streamUri"] = uri;
    }
    b.intMember(media, "rtspPort", "media.rtspPort", 1, 65535, h["rtspPort"]);
    b.intMember(media, "maxProfiles", "media.maxProfiles", 1, 256, h["maxProfiles"]);
    const Json::Value& rename = media["media2EncodingNames"];
    if (!rename.isNull() && !rename.isObject())
        return b.fail("media.media2EncodingNames", "must be an object of encoding -> Media2 name");
    for (const auto& key : rename.getMemberNames()) {
        if (!names.isMember(key) || !rename[key].isString() || rename[key].asString().empty())
            return b.fail("media.media2EncodingNames." + key,
                          "keys are JPEG, MPEG4, H264, H265, G711, G726, AAC; values non-empty strings");
        names[key] = rename[key];
    }
}

void ReadAudioSources(CMediaBuilder& b, const Json::Value& list)
{
    if (!list.isNull() && !list.isArray())
        return b.fail("media.audioSources", "must be an array");
    for (Json::ArrayIndex i = 0; i < list.size() && b.ok(); ++i) {
        std::string where = "media.audioSources[" + std::to_string(i) + "]";
        const Json::Value& in = list[i];
        if (!in.isObject())
            return b.fail(where, "must be an object");
        Json::Value source;
        source["token"] = b.text(in, "token", where, "AudioSource_" + std::to_string(i + 1));
        source["channels"] = 1;
        b.intMember(in, "channels", where + ".channels", 1, 8, source["channels"]);
        b.model["audioSources"].append(source);
        Json::Value config;
        config["token"] = b.text(in, "configToken", where, "AudioSourceConfig_" + std::to_string(i + 1));
        config["name"] = b.text(in, "configName", where, "AudioSourceConfig_" + std::to_string(i + 1));
        config["sourceToken"] = source["token"];
        b.addConfig(EConfigKind::AudioSource, config, where);
    }
}

void ReadChannel(CMediaBuilder& b, const Json::Value& in, int index)
{
    std::string n = std::to_string(index + 1);
    std::string where = "channels[" + std::to_string(index) + "]";
    if (!in.isObject() && !in.isNull())
        return b.fail(where, "must be an object");
    const Json::Value& vs = in.isMember("videoSource") ? in["videoSource"] : in;
    std::string vsWhere = in.isMember("videoSource") ? where + ".videoSource" : where;
    if (!vs.isObject() && !vs.isNull())
        return b.fail(vsWhere, "must be an object");
    Json::Value channel;
    channel["name"] = b.text(in, "name", where, "Channel " + n);
    Json::Value& source = channel["source"];
    source["token"] = b.text(vs, "token", vsWhere, "VideoSource_" + n);
    source["width"] = 1920;
    source["height"] = 1080;
    source["framerate"] = 25;
    b.intMember(vs, "width", vsWhere + ".width", 16, 16384, source["width"]);
    b.intMember(vs, "height", vsWhere + ".height", 16, 16384, source["height"]);
    b.intMember(vs, "framerate", vsWhere + ".framerate", 1, 240, source["framerate"]);
    b.model["channels"].append(channel);
    Json::Value config;
    config["token"] = b.text(vs, "configToken", vsWhere, "VideoSourceConfig_" + n);
    config["name"] = b.text(vs, "configName", vsWhere, "VideoSourceConfig_" + n);
    config["sourceToken"] = source["token"];
    config["channel"] = index;
    Json::Value& bounds = config["bounds"];
    bounds["x"] = 0;
    bounds["y"] = 0;
    bounds["width"] = source["width"];
    bounds["height"] = source["height"];
    b.addConfig(EConfigKind::VideoSource, config, vsWhere);
    if (b.videoAnalytics) {
        Json::Value analytics;
        analytics["token"] = "VideoAnalyticsConfig_" + n;
        analytics["name"] = "VideoAnalyticsConfig_" + n;
        analytics["channel"] = index;
        // A cell motion detector over the whole picture, as cameras ship it.
        Json::Value& motion = analytics["motion"];
        motion["sensitivity"] = b.motionGrid["sensitivity"];
        motion["columns"] = b.motionGrid["columns"];
        motion["rows"] = b.motionGrid["rows"];
        motion["minCount"] = 5;
        motion["alarmOnDelay"] = 100;
        motion["alarmOffDelay"] = 1000;
        b.addConfig(EConfigKind::Analytics, analytics, where);
    }
}

} // namespace

bool BuildMediaModel(const Json::Value& description, Json::Value& model, std::string& error)
{
    CMediaBuilder b(error);
    const Json::Value& media = description.isObject() ? description["media"] : Json::Value::nullSingleton();
    const Json::Value& channelsIn = description.isObject() ? description["channels"] : Json::Value::nullSingleton();
    b.model["channels"] = Json::Value(Json::arrayValue);
    b.model["audioSources"] = Json::Value(Json::arrayValue);
    b.model["profiles"] = Json::Value(Json::arrayValue);
    for (const auto& info : ConfigKinds())
        b.model["configs"][info.key] = Json::Value(Json::arrayValue);
    if (!media.isNull() && !media.isObject())
        b.fail("media", "must be an object");
    if (b.ok())
        ReadHabits(b, media);
    if (b.ok() && media.isMember("videoAnalytics"))
        b.videoAnalytics = media["videoAnalytics"].asBool();
    // A camera's motion grid: 22 x 18 cells unless the description says otherwise.
    b.motionGrid["columns"] = 22;
    b.motionGrid["rows"] = 18;
    b.motionGrid["sensitivity"] = 50;
    const Json::Value& grid = media.isObject() ? media["motionGrid"] : Json::Value::nullSingleton();
    if (b.ok() && !grid.isNull() && !grid.isObject())
        b.fail("media.motionGrid", "must be {\"columns\", \"rows\", \"sensitivity\"}");
    if (b.ok() && grid.isObject()) {
        b.intMember(grid, "columns", "media.motionGrid.columns", 1, 64, b.motionGrid["columns"]);
        b.intMember(grid, "rows", "media.motionGrid.rows", 1, 64, b.motionGrid["rows"]);
        b.intMember(grid, "sensitivity", "media.motionGrid.sensitivity", 0, 100, b.motionGrid["sensitivity"]);
    }
    Json::Value channels = channelsIn;
    if (channelsIn.isNull())
        channels = Json::Value(1);
    if (channels.isIntegral()) {
        int count = channels.asInt();
        if (count < 1 || count > 64)
            b.fail("channels", "must be between 1 and 64");
        channels = Json::Value(Json::arrayValue);
        for (int i = 0; i < count && b.ok(); ++i)
            channels.append(Json::Value(Json::objectValue));
    } else if (!channels.isArray() || channels.empty() || channels.size() > 64) {
        b.fail("channels", "must be a number of channels or an array of 1 to 64 channels");
    }
    for (Json::ArrayIndex i = 0; i < channels.size() && b.ok(); ++i)
        ReadChannel(b, channels[i], static_cast<int>(i));
    if (b.ok())
        ReadAudioSources(b, media["audioSources"]);
    if (b.ok())
        ReadEncoders(b, media);
    if (b.ok())
        ReadOverlays(b, media.isObject() ? media : Json::Value::nullSingleton());
    for (Json::ArrayIndex i = 0; i < channels.size() && b.ok(); ++i)
        ReadProfiles(b, channels[i], static_cast<int>(i));
    if (b.ok() && b.model["profiles"].size() > b.model["habits"]["maxProfiles"].asUInt())
        b.fail("media.maxProfiles", "fewer than the described profiles");
    b.model["nextProfile"] = static_cast<int>(b.model["profiles"].size()) + 1;
    if (!b.ok())
        return false;
    model = std::move(b.model);
    return true;
}

} // namespace OnvifSim
