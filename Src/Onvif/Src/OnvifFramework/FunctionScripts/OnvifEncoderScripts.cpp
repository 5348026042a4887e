// Composites of the video and audio encoders. Each reads the device's record (Media, or
// Media2 rebuilt into the Media shape so that one conversion serves both), keeps the
// device form ("Remote") and the host form ("Local") in the information centre, and
// writes host changes back through the device form it read.
#include <initializer_list>

#include "OnvifFramework/FunctionScripts/OnvifEncoderConversions.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifMediaSelect.h"
#include "OnvifFramework/FunctionScripts/OnvifProfileGrouping.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

COnvifInfoCenter& centre()
{
    return *COnvifInfoCenter::instance();
}

std::string manufacturerOf(const ServerInfo& info)
{
    std::string text;
    centre().getDeviceInfoField(text, info, "Manufacturer");
    return text;
}

// Copies the named members of the request that are there.
Json::Value tokensOf(const Json::Value& request, std::initializer_list<const char*> names)
{
    Json::Value out(Json::objectValue);
    for (const char* name : names) {
        if (request.isObject() && request.isMember(name))
            out[name] = request[name];
    }
    return out;
}

// Merges the members of `from` into `into` (the host form beside the device form).
void mergeInto(Json::Value& into, const Json::Value& from)
{
    for (const std::string& name : from.getMemberNames())
        into[name] = from[name];
}

// A Media2 configuration list filtered by one token: the Media "get one" answer.
bool readMedia2Configuration(const ServerInfo& info, const std::string& token, const char* command,
                             Json::Value& first)
{
    Json::Value request(Json::objectValue);
    Json::Value reply(Json::objectValue);
    if (!token.empty())
        request["ConfigurationToken"] = token;
    if (!callMedia2(info, request, reply, command))
        return false;
    const Json::Value& list = reply.get("Configurations", Json::Value());
    if (!list.isArray() || list.empty() || !list[0].isObject()) {
        ONVIF_LOG(LOG_WARN, "%s: no configuration %s\n", command, token.c_str());
        return false;
    }
    first = list[0];
    return true;
}

void setMedia2VideoCodec(Json::Value& request)
{
    Json::Value& cfg = request["Configuration"];
    liftMedia2CodecMembers(cfg, textMember(cfg, "token"));
}

const COnvifMediaOp kSetVideoEncoder = {"setVideoEncoderCfg", EMediaPattern::Media2Fallback, "SetVideoEncoderCfg",
                                        "SetVideoEncoderCfg", setMedia2VideoCodec, nullptr,
                                        "setVideoEncoderCfg by media\n"};
const COnvifMediaOp kSetAudioEncoder = {"setAudioEncoderCfg", EMediaPattern::Either, "SetAudioEncoderCfg",
                                        "SetAudioEncoderCfg", nullptr, nullptr, nullptr};

} // namespace

bool getVideoEncoderCfg(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    const std::string token = textMember(request, "VideoConfigurationToken");
    Json::Value device(Json::objectValue);
    if (isMedia2Selected(info)) {
        Json::Value configuration;
        if (!readMedia2Configuration(info, token, "GetVideoEncoderCfgs", configuration))
            return false;
        device = media2VideoConfigToMedia(configuration);
    } else {
        Json::Value reply(Json::objectValue);
        if (!callMedia(info, request, reply, "GetVideoEncoderCfg")) {
            result = reply;
            return false;
        }
        device["Configuration"] = reply.get("Configuration", Json::Value(Json::objectValue));
        device["VideoConfigurationToken"] = token.empty() ? textMember(device["Configuration"], "token") : token;
    }
    centre().setVideoEncodeCfgInfo(info, device, false);

    Json::Value options = tokensOf(device, {"VideoConfigurationToken"});
    if (!centre().getVideoEncodeCapsInfo(info, options, false)) {
        ONVIF_LOG(LOG_WARN, "video encoder options of %s not readable\n", token.c_str());
        options = Json::Value(Json::objectValue);
    }
    const Json::Value host = videoConfigToHost(device, options, manufacturerOf(info));
    centre().setVideoEncodeCfgInfo(info, host, true);
    result = device;
    mergeInto(result, host);
    return true;
}

bool getVideoEncoderCfgOptions(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    Json::Value device = tokensOf(request, {"ProfileToken", "VideoConfigurationToken"});
    Json::Value reply(Json::objectValue);
    if (isMedia2Selected(info)) {
        Json::Value media2Request = request;
        media2Request["ConfigurationToken"] = textMember(request, "VideoConfigurationToken");
        if (!callMedia2(info, media2Request, reply, "GetVideoEncoderCfgOptions")) {
            result = reply;
            return false;
        }
        device["Options"] = media2VideoOptionsToMedia(reply.get("Options", Json::Value()));
    } else {
        if (!callMedia(info, request, reply, "GetVideoEncoderCfgOptions")) {
            result = reply;
            return false;
        }
        device["Options"] = reply.get("Options", Json::Value(Json::objectValue));
    }
    const std::string manufacturer = manufacturerOf(info);
    addResolutionMapping(device, manufacturer);
    const Json::Value host = videoOptionsToHost(device, manufacturer);
    centre().setVideoEncodeCapsInfo(info, device, false);
    centre().setVideoEncodeCapsInfo(info, host, true);
    result = device;
    mergeInto(result, host);
    return true;
}

bool setVideoEncoderCfg(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!request.isObject()) {
        ONVIF_ERRLN();
        return false;
    }
    const Json::Value lookup = tokensOf(request, {"RemoteChannel", "StreamType", "VideoConfigurationToken"});
    Json::Value current = lookup;
    if (!centre().getVideoEncodeCfgInfo(info, current, false) || !current.isObject()) {
        ONVIF_ERRLN();
        return false;
    }
    Json::Value options = lookup;
    if (!centre().getVideoEncodeCapsInfo(info, options, false) || !options.isObject())
        options = Json::Value(Json::objectValue);

    std::string token = textMember(request, "VideoConfigurationToken");
    if (token.empty())
        token = textMember(current, "VideoConfigurationToken");
    Json::Value cfg = current.get("Configuration", Json::Value(Json::objectValue));
    applyHostVideo(request.get("Video", Json::Value(Json::objectValue)), options, cfg);
    cfg["token"] = token;

    Json::Value setRequest(Json::objectValue);
    setRequest["Configuration"] = cfg;
    setRequest["ForcePersistence"] = true;
    const bool ok = runMediaOp(info, setRequest, result, kSetVideoEncoder);
    centre().setCacheValid(info, INFO_SLOT_VIDEO_ENCODER_CFG, 0);
    return ok;
}

bool getAudioEncoderCfg(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    const std::string token = textMember(request, "AudioConfigurationToken");
    Json::Value device(Json::objectValue);
    if (isMedia2Selected(info)) {
        Json::Value configuration;
        if (!readMedia2Configuration(info, token, "GetAudioEncoderCfgs", configuration))
            return false;
        device = media2AudioConfigToMedia(configuration);
    } else {
        Json::Value reply(Json::objectValue);
        if (!callMedia(info, request, reply, "GetAudioEncoderCfg")) {
            result = reply;
            return false;
        }
        device["Configuration"] = reply.get("Configuration", Json::Value(Json::objectValue));
        device["AudioConfigurationToken"] = token.empty() ? textMember(device["Configuration"], "token") : token;
    }
    const Json::Value host = audioConfigToHost(device);
    centre().setAudioEncodeCfgInfo(info, device, false);
    centre().setAudioEncodeCfgInfo(info, host, true);
    result = device;
    mergeInto(result, host);
    return true;
}

bool getAudioEncoderCfgOptions(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    // Both services name the configuration "ConfigurationToken"; the caller's request
    // keeps its own members so that the centre can key what is stored.
    Json::Value serviceRequest = tokensOf(request, {"XAddr", "AudioConfigurationToken"});
    if (request.isObject() && request.isMember("ConfigurationToken"))
        serviceRequest["ConfigurationToken"] = request["ConfigurationToken"];
    else
        serviceRequest["ConfigurationToken"] = textMember(request, "AudioConfigurationToken");
    Json::Value reply(Json::objectValue);
    const bool ok = isMedia2Selected(info) ? callMedia2(info, serviceRequest, reply, "GetAudioEncoderCfgOptions")
                                           : callMedia(info, serviceRequest, reply, "GetAudioEncoderCfgOptions");
    if (!ok) {
        result = reply;
        return false;
    }
    Json::Value device = tokensOf(request, {"ProfileToken", "AudioConfigurationToken"});
    device["Options"] = reply.get("Options", Json::Value(Json::arrayValue));
    Json::Value host = audioOptionsToHost(device);
    for (const char* name : {"ProfileToken", "AudioConfigurationToken"}) {
        if (device.isMember(name))
            host[name] = device[name];
    }
    if (!centre().setAudioEncodeCapsInfo(info, device, false) || !centre().setAudioEncodeCapsInfo(info, host, true))
        ONVIF_LOG(LOG_INFO, "audio encoder options not kept\n");
    result = device;
    mergeInto(result, host);
    return true;
}

bool setAudioEncoderCfg(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!request.isObject()) {
        ONVIF_ERRLN();
        return false;
    }
    const Json::Value lookup = tokensOf(request, {"RemoteChannel", "StreamType", "AudioConfigurationToken"});
    Json::Value current = lookup;
    if (!centre().getAudioEncodeCfgInfo(info, current, false) || !current.isObject()) {
        ONVIF_LOG(LOG_WARN, "get audio encoder cfg failed\n");
        return false;
    }
    Json::Value options = lookup;
    if (!centre().getAudioEncodeCapsInfo(info, options, false) || !options.isObject()) {
        ONVIF_LOG(LOG_INFO, "get audio encode caps failed\n");
        options = Json::Value(Json::objectValue);
    }
    std::string token = textMember(request, "AudioConfigurationToken");
    if (token.empty())
        token = textMember(current, "AudioConfigurationToken");
    Json::Value cfg = current.get("Configuration", Json::Value(Json::objectValue));
    applyHostAudio(request.get("Audio", Json::Value(Json::objectValue)), options, cfg);
    cfg["token"] = token;

    Json::Value setRequest(Json::objectValue);
    setRequest["Configuration"] = cfg;
    setRequest["ForcePersistence"] = true;
    const bool ok = runMediaOp(info, setRequest, result, kSetAudioEncoder);
    centre().setCacheValid(info, INFO_SLOT_AUDIO_ENCODER_CFG, 0);
    return ok;
}

} // namespace Onvif
} // namespace RPC
