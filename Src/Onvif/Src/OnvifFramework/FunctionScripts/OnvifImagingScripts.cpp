// Composites of the imaging service: the device's ranges (slot 7), and the picture
// settings read and written on the host's 0..100 scale (slot 8 keeps both forms).
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifImagingScale.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

const char kImaging[] = "Imaging";
const char kImagingService[] = "ImagingCfg";

// The video source of the request: its own "VideoSourceToken", or the source of the
// profile that ("RemoteChannel", "StreamType") select.
bool videoSourceOf(const ServerInfo& info, const Json::Value& request, std::string& token)
{
    token = memberText(request, "VideoSourceToken");
    if (!token.empty())
        return true;
    Json::Value profile(Json::objectValue);
    for (const char* key : {"RemoteChannel", "StreamType", "ProfileToken"})
        if (request.isObject() && request.isMember(key))
            profile[key] = request[key];
    if (!COnvifInfoCenter::instance()->getProfile(info, profile)) {
        ONVIF_ERRLN();
        return false;
    }
    token = memberText(profile, "VideoSourceConfiguration", "SourceToken");
    if (token.empty())
        ONVIF_ERRLN();
    return !token.empty();
}

// The video source and its ranges (from the centre); failText is logged when the ranges
// cannot be read, since then no value can be put on the host's scale.
bool sourceAndOptions(const ServerInfo& info, const Json::Value& request, std::string& token, Json::Value& options,
                      const char* failText)
{
    if (!videoSourceOf(info, request, token))
        return false;
    Json::Value cached(Json::objectValue);
    cached["VideoSourceToken"] = token;
    if (!COnvifInfoCenter::instance()->getImagingOptions(info, cached, true)) {
        ONVIF_LOG(LOG_WARN, "%s", failText);
        return false;
    }
    options = cached.get("ImagingOptions", Json::Value(Json::objectValue));
    return true;
}

} // namespace

bool getImagingOptions(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    const std::string token = memberText(request, "VideoSourceToken");
    if (!commonOpList(info, request, result, kImaging, kImagingService, "GetOptions")) {
        ONVIF_ERRLN();
        return false;
    }
    result["VideoSourceToken"] = token;
    return COnvifInfoCenter::instance()->setImagingOptionsInfo(info, result, true);
}

bool getImagingCfg(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    std::string token;
    Json::Value options;
    if (!sourceAndOptions(info, request, token, options, "getImagingCapsInfo failed\n"))
        return false;
    Json::Value call(Json::objectValue);
    call["VideoSourceToken"] = token;
    Json::Value reply(Json::objectValue);
    if (!commonOpList(info, call, reply, kImaging, kImagingService, "GetImagingSettings")) {
        result = reply;
        return false;
    }
    const Json::Value& device = reply.get("ImagingSettings", Json::Value(Json::objectValue));
    Json::Value remote(Json::objectValue);
    remote["VideoSourceToken"] = token;
    remote["ImagingSettings"] = device;
    Json::Value local = remote;
    local["ImagingSettings"] = scaleImagingSettings(device, options, true);
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    centre->setImagingSettingsInfo(info, remote, false);
    centre->setImagingSettingsInfo(info, local, true);
    result = local;
    return true;
}

bool setImagingCfg(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    std::string token;
    Json::Value options;
    if (!sourceAndOptions(info, request, token, options,
                          "get ImagingOptions fail,so can't execute CMD_SET_IMAGING_SETTINGS\n"))
        return false;
    Json::Value call(Json::objectValue);
    call["VideoSourceToken"] = token;
    call["ImagingSettings"] = scaleImagingSettings(request.get("ImagingSettings", Json::Value()), options, false);
    call["ForcePersistence"] = true;
    const bool ok = commonOpList(info, call, result, kImaging, kImagingService, "SetImagingSettings");
    // Whatever the device did, the cached settings may no longer be its own.
    COnvifInfoCenter::instance()->setCacheValid(info, INFO_SLOT_IMAGING_SETTINGS, 0);
    return ok;
}

} // namespace Onvif
} // namespace RPC
