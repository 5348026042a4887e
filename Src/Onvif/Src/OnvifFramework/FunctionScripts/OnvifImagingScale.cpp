#include "OnvifFramework/FunctionScripts/OnvifImagingScale.h"

#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

double halfStep(double min, double max)
{
    return min == 0.0 && max == 100.0 ? 0.0 : 0.5;
}

// The scaled values, as dotted keys of "ImagingSettings" and of "ImagingOptions".
const char* const kScaled[] = {"Brightness", "Contrast", "ColorSaturation", "Sharpness", "WhiteBalance",
                               "Focus.DefaultSpeed", "Focus.NearLimit", "Focus.FarLimit"};

} // namespace

bool imagingRange(const Json::Value& record, const char* key, double& min, double& max)
{
    const Json::Value* range = findKey(record, key);
    const Json::Value* lo = range ? findKey(*range, "Min") : nullptr;
    const Json::Value* hi = range ? findKey(*range, "Max") : nullptr;
    if (!lo || !hi || !lo->isNumeric() || !hi->isNumeric())
        return false;
    min = lo->asDouble();
    max = hi->asDouble();
    return true;
}

double imagingToHost(double value, double min, double max)
{
    if (value == max)
        return 100.0;
    if (value == min)
        return 0.0;
    return 100.0 * (value - min) / (max - min) + halfStep(min, max);
}

double imagingToDevice(double value, double min, double max)
{
    if (value == 100.0)
        return max;
    if (value == 0.0)
        return min;
    return (max - min) * value / 100.0 + min + halfStep(min, max);
}

Json::Value scaleImagingSettings(const Json::Value& settings, const Json::Value& options, bool toHost)
{
    Json::Value out = settings;
    if (!out.isObject())
        return out;
    for (const char* key : kScaled) {
        Json::Value* value = findKey(out, key);
        double min = 0, max = 0;
        if (!value || !value->isNumeric() || !imagingRange(options, key, min, max) || max <= min)
            continue;
        const double v = value->asDouble();
        if (toHost && (v < min || v > max))
            ONVIF_LOG(LOG_WARN, "ImagingSettings invalid key<%s>| value:[%f], options cap:[%f,%f]\n", key, v, min, max);
        *value = toHost ? imagingToHost(v, min, max) : imagingToDevice(v, min, max);
    }
    return out;
}

} // namespace Onvif
} // namespace RPC
