// Focus and iris of the channel's video source, through the imaging service.
#include "Components/Ptz/OnvifPtz.h"

#include <algorithm>
#include <cctype>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifImagingScale.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

bool offersManualFocus(const Json::Value& options)
{
    const Json::Value* modes = findKey(options, "ImagingOptions.Focus.AutoFocusModes");
    if (!modes || !modes->isArray())
        return false;
    for (const Json::Value& mode : *modes) {
        std::string text = mode.isString() ? mode.asString() : std::string();
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        if (text == "manual")
            return true;
    }
    return false;
}

} // namespace

bool COnvifPtz::videoSource(std::string& token)
{
    Json::Value profile;
    if (!profileForPtz(profile))
        return false;
    token = memberText(profile, "VideoSourceConfiguration", "SourceToken");
    if (token.empty())
        ONVIF_ERRLN();
    return !token.empty();
}

bool COnvifPtz::setImaging(const Json::Value& settings)
{
    std::string token;
    if (!videoSource(token))
        return false;
    Json::Value request(Json::objectValue);
    request["VideoSourceToken"] = token;
    request["ImagingSettings"] = settings;
    Json::Value result(Json::objectValue);
    return imagingCall(request, result, "SetImagingSettings");
}

bool COnvifPtz::setFocusMode(bool manual)
{
    Json::Value settings(Json::objectValue);
    settings["Focus"]["AutoFocusMode"] = manual ? "MANUAL" : "AUTO";
    return setImaging(settings);
}

bool COnvifPtz::setIrisMode(bool manual)
{
    Json::Value settings(Json::objectValue);
    settings["Exposure"]["Mode"] = manual ? "MANUAL" : "AUTO";
    return setImaging(settings);
}

bool COnvifPtz::setIrisValue(float value)
{
    Json::Value settings(Json::objectValue);
    settings["Exposure"]["Iris"] = value;
    return setImaging(settings);
}

// A continuous focus move: the host's -1..1 onto the device's continuous speed range.
bool COnvifPtz::focusManually(float speed)
{
    std::string token;
    if (!videoSource(token))
        return false;
    Json::Value options(Json::objectValue);
    options["VideoSourceToken"] = token;
    if (!COnvifInfoCenter::instance()->getImagingOptions(*m_serverInfo, options, true) || !offersManualFocus(options)) {
        ONVIF_LOG(LOG_INFO, "do not support manually set focus\n");
        return false;
    }
    Json::Value request(Json::objectValue);
    request["VideoSourceToken"] = token;
    Json::Value moveOptions(Json::objectValue);
    if (!imagingCall(request, moveOptions, "GetMoveOptions"))
        return false;
    double min = 0, max = 0, deviceSpeed = speed;
    if (imagingRange(moveOptions, "MoveOptions.Continuous.Speed", min, max))
        deviceSpeed = min + (speed + 1.0) * (max - min) / 2.0;
    Json::Value move(Json::objectValue);
    move["Move"]["VideoSourceToken"] = token;
    move["Move"]["Focus"]["Continuous"]["Speed"] = deviceSpeed;
    Json::Value result(Json::objectValue);
    if (!imagingCall(move, result, "Move"))
        return false;
    m_lastMotion = MOTION_FOCUS;
    return true;
}

bool COnvifPtz::adjustIris(float change)
{
    std::string token;
    if (!videoSource(token))
        return false;
    Json::Value options(Json::objectValue);
    options["VideoSourceToken"] = token;
    double min = 0, max = 0;
    if (!COnvifInfoCenter::instance()->getImagingOptions(*m_serverInfo, options, true) ||
        !imagingRange(options, "ImagingOptions.Exposure.Iris", min, max)) {
        ONVIF_LOG(LOG_WARN, "do not support manually set Iris,imageOptions:%s\n", options.toStyledString().c_str());
        return false;
    }
    Json::Value request(Json::objectValue);
    request["VideoSourceToken"] = token;
    Json::Value current(Json::objectValue);
    if (!imagingCall(request, current, "GetImagingSettings")) {
        ONVIF_LOG(LOG_WARN, "adjustIris failed!, get Current Iris value failed!!\n");
        return false;
    }
    const Json::Value* iris = findKey(current, "ImagingSettings.Exposure.Iris");
    if (!iris || !iris->isNumeric()) {
        ONVIF_LOG(LOG_WARN, "do not support manually Iris, imageCfg:%s\n", current.toStyledString().c_str());
        return false;
    }
    const double value = std::max(min, std::min(max, iris->asDouble() + change * (max - min) / 2.0));
    ONVIF_LOG(LOG_INFO, "minIris=%f, maxIris=%f, currentIrisValue:%f, change=%f, IrisValue=%f \n", min, max,
              iris->asDouble(), static_cast<double>(change), value);
    Json::Value settings = current["ImagingSettings"];
    settings["Exposure"]["Mode"] = "MANUAL";
    settings["Exposure"]["Iris"] = value;
    if (!setImaging(settings))
        return false;
    m_lastMotion = MOTION_IRIS;
    return true;
}

} // namespace Onvif
} // namespace RPC
