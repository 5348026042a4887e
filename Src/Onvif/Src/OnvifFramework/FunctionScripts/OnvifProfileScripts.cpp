// Composites of media profiles, sources and configuration lists.
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifMediaSelect.h"
#include "OnvifFramework/FunctionScripts/OnvifProfileGrouping.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

void logRecord(int level, const char* format, const Json::Value& record)
{
    if (getLogPrinterLevel() >= level)
        ONVIF_LOG(level, format, record.toStyledString().c_str());
}

bool isUnauthorized(const Json::Value& reply)
{
    return textMember(reply, kErrorInfoKey) == kErrorInfoUnauth;
}

// Media2 lists every configuration kind only when asked for all of them.
void askAllConfigurations(Json::Value& request)
{
    request["Type"] = "ALL";
}

// Media2 has one AddConfiguration that names the kind; Media one command per kind.
void addMedia2Configuration(Json::Value& request, const char* type)
{
    Json::Value configuration;
    configuration["Type"] = type;
    configuration["Token"] = textMember(request, "ConfigurationToken");
    request["Configuration"] = Json::Value(Json::arrayValue);
    request["Configuration"].append(configuration);
}

// Media answers a new profile as "Profile"; Media2 only with its token.
void profileFromMedia2Token(const Json::Value&, Json::Value& result)
{
    if (result.isObject() && result.isMember("ProfileToken"))
        result["Profile"]["token"] = result["ProfileToken"];
}

using P = EMediaPattern;

const COnvifMediaOp kProfilesList = {"getProfilesList", P::Either, "GetProfiles", "GetProfiles",
                                     askAllConfigurations, nullptr, nullptr};
const COnvifMediaOp kCreateProfile = {"createProfile", P::Either, "CreateProfile", "CreateProfile",
                                      nullptr, profileFromMedia2Token, nullptr};
const COnvifMediaOp kAddVideoSource = {
    "addVideoSourceCfgToProfile", P::Either, "AddVideoSourceCfgToProfile", "AddConfiguration",
    [](Json::Value& r) { addMedia2Configuration(r, "VideoSource"); }, nullptr, nullptr};
const COnvifMediaOp kAddAudioSource = {
    "addAudioSourceCfgToProfile", P::Either, "AddAudioSourceCfgToProfile", "AddConfiguration",
    [](Json::Value& r) { addMedia2Configuration(r, "AudioSource"); }, nullptr, nullptr};
const COnvifMediaOp kAddVideoEncoder = {
    "addVideoEncoderCfgToProfile", P::Either, "AddVideoEncodeCfgToProfile", "AddConfiguration",
    [](Json::Value& r) { addMedia2Configuration(r, "VideoEncoder"); }, nullptr, nullptr};
const COnvifMediaOp kAddAudioEncoder = {
    "addAudioEncoderCfgToProfile", P::Either, "AddAudioEncodeCfgToProfile", "AddConfiguration",
    [](Json::Value& r) { addMedia2Configuration(r, "AudioEncoder"); }, nullptr, nullptr};
const COnvifMediaOp kAddVideoAnalytics = {
    "addVideoAnalyticsCfgToProfile", P::Either, "AddVideoAnalyticsCfgToProfile", "AddConfiguration",
    [](Json::Value& r) { addMedia2Configuration(r, "Analytics"); }, nullptr, nullptr};

const COnvifMediaOp kVideoSourceCfgs = {"getVideoSourceCfgs", P::Either, "GetVideoSourceCfgs",
                                        "GetVideoSourceCfgs", nullptr, nullptr, nullptr};
const COnvifMediaOp kAudioSourceCfgs = {"getAudioSourceCfgs", P::Either, "GetAudioSourceCfgs",
                                        "GetAudioSourceCfgs", nullptr, nullptr, nullptr};
// Media2 filters its plain lists by the profile token instead of a "compatible" command.
const COnvifMediaOp kCompatibleVideoEncoders = {"getCompatibleVideoEncoderCfgs", P::Either,
                                                "GetCompatibleVideoEncoderCfgs", "GetVideoEncoderCfgs",
                                                nullptr, nullptr, nullptr};
const COnvifMediaOp kCompatibleAudioEncoders = {"getCompatibleAudioEncoderCfgs", P::Either,
                                                "GetCompatibleAudioEncoderCfgs", "GetAudioEncoderCfgs",
                                                nullptr, nullptr, nullptr};
const COnvifMediaOp kCompatibleAnalytics = {"getCompatibleVideoAnalyticsCfgs", P::Either,
                                            "GetCompatibleVideoAnalyticsCfgs", "GetVideoAnalyticsCfgs",
                                            nullptr, nullptr, nullptr};
const COnvifMediaOp kVideoSources = {"getVideoSources", P::MediaOnly, "GetVideoSources", nullptr,
                                     nullptr, nullptr, nullptr};
const COnvifMediaOp kAudioSources = {"getAudioSources", P::MediaOnly, "GetAudioSources", nullptr,
                                     nullptr, nullptr, nullptr};
const COnvifMediaOp kMediaServiceCaps = {"getMediaServiceCaps", P::Either, "GetMediaServiceCapabilities",
                                         "GetMediaServiceCapabilities", nullptr, nullptr, nullptr};

// The device's profile list: Media2 first when selected; a refusal is final (bad
// credentials must be reported at once), any other Media2 failure is retried on Media.
bool fetchDeviceProfiles(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!isMedia2Selected(info)) {
        ONVIF_LOG(LOG_TRACE, "getProfile by media first!\n");
        if (!callMedia(info, request, result, "GetProfiles")) {
            ONVIF_ERRLN();
            return false;
        }
        return true;
    }
    ONVIF_LOG(LOG_DEBUG, "getProfile by media2 first!\n");
    Json::Value media2Request = request;
    askAllConfigurations(media2Request);
    Json::Value reply(Json::objectValue);
    if (callMedia2(info, media2Request, reply, "GetProfiles")) {
        result = reply;
        return true;
    }
    if (isUnauthorized(reply)) {
        result = reply;
        ONVIF_LOG(LOG_ERROR, "getProfile by media2 failed, UNAUTH!\n");
        return false;
    }
    ONVIF_LOG(LOG_TRACE, "getProfile by media2 failed, try media again\n");
    reply = Json::Value(Json::objectValue);
    const bool ok = callMedia(info, request, reply, "GetProfiles");
    result = reply;
    return ok;
}

} // namespace

bool getProfiles(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!fetchDeviceProfiles(info, request, result))
        return false;
    const Json::Value& original = result.get("Profiles", Json::Value());
    logRecord(LOG_TRACE, "Original Profiles:\n%s\n", original);
    Json::Value channels = groupProfilesIntoChannels(original);
    if (!channels.empty())
        result["Profiles"] = channels;
    COnvifInfoCenter::instance()->setProfiles(info, channels, true);
    logRecord(LOG_INFO, "Profiles:\n%s\n", channels);
    return true;
}

bool getProfilesList(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kProfilesList);
}

bool createProfile(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kCreateProfile);
}

bool addVideoSourceCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kAddVideoSource);
}

bool addAudioSourceCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kAddAudioSource);
}

bool addVideoEncoderCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kAddVideoEncoder);
}

bool addAudioEncoderCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kAddAudioEncoder);
}

bool addVideoAnalyticsCfgToProfile(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kAddVideoAnalytics);
}

bool getVideoSourceCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kVideoSourceCfgs);
}

bool getAudioSourceCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kAudioSourceCfgs);
}

bool getCompatibleVideoEncoderCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kCompatibleVideoEncoders);
}

bool getCompatibleAudioEncoderCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kCompatibleAudioEncoders);
}

bool getCompatibleVideoAnalyticsCfgs(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kCompatibleAnalytics);
}

bool getVideoSources(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kVideoSources);
}

bool getAudioSources(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kAudioSources);
}

bool getMediaServiceCaps(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!runMediaOp(info, request, result, kMediaServiceCaps))
        return false;
    return COnvifInfoCenter::instance()->setMediaCaps(info, result, true);
}

} // namespace Onvif
} // namespace RPC
