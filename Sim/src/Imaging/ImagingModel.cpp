#include "Imaging/ImagingModel.h"

#include "Media/MediaModel.h"
#include "Ptz/PtzModel.h"
#include "Soap/SoapFault.h"

#include <algorithm>
#include <cmath>

namespace OnvifSim {

const std::vector<CImagingSetting>& ImagingSettingsTable()
{
    static const std::vector<CImagingSetting> table = {
        {"BacklightCompensation.Mode", "BacklightCompensation.Mode", false, 0, 0, 0, {"OFF", "ON"}},
        {"BacklightCompensation.Level", "BacklightCompensation.Level", true, 0, 10, 0, {}},
        {"Brightness", "Brightness", true, 0, 255, 128, {}},
        {"ColorSaturation", "ColorSaturation", true, 0, 255, 128, {}},
        {"Contrast", "Contrast", true, 0, 255, 128, {}},
        {"Exposure.Mode", "Exposure.Mode", false, 0, 0, 0, {"AUTO", "MANUAL"}},
        {"Exposure.Priority", "Exposure.Priority", false, 0, 0, 0, {"LowNoise", "FrameRate"}},
        {"Exposure.MinExposureTime", "Exposure.MinExposureTime", true, 10, 40000, 10, {}},
        {"Exposure.MaxExposureTime", "Exposure.MaxExposureTime", true, 10, 40000, 40000, {}},
        {"Exposure.MinGain", "Exposure.MinGain", true, 0, 100, 0, {}},
        {"Exposure.MaxGain", "Exposure.MaxGain", true, 0, 100, 100, {}},
        {"Exposure.MinIris", "Exposure.MinIris", true, 0, 10, 0, {}},
        {"Exposure.MaxIris", "Exposure.MaxIris", true, 0, 10, 10, {}},
        {"Exposure.ExposureTime", "Exposure.ExposureTime", true, 10, 40000, 20000, {}},
        {"Exposure.Gain", "Exposure.Gain", true, 0, 100, 0, {}},
        {"Exposure.Iris", "Exposure.Iris", true, 0, 10, 5, {}},
        {"Focus.AutoFocusMode", "Focus.AutoFocusModes", false, 0, 0, 0, {"AUTO", "MANUAL"}},
        {"Focus.DefaultSpeed", "Focus.DefaultSpeed", true, 0, 1, 0.5, {}},
        {"Focus.NearLimit", "Focus.NearLimit", true, 0, 10, 1, {}},
        {"Focus.FarLimit", "Focus.FarLimit", true, 0, 10, 10, {}},
        {"IrCutFilter", "IrCutFilterModes", false, 0, 0, 0, {"AUTO", "ON", "OFF"}},
        {"Sharpness", "Sharpness", true, 0, 15, 8, {}},
        {"WideDynamicRange.Mode", "WideDynamicRange.Mode", false, 0, 0, 0, {"OFF", "ON"}},
        {"WideDynamicRange.Level", "WideDynamicRange.Level", true, 0, 100, 50, {}},
        {"WhiteBalance.Mode", "WhiteBalance.Mode", false, 0, 0, 0, {"AUTO", "MANUAL"}},
        {"WhiteBalance.CrGain", "WhiteBalance.YrGain", true, 0, 255, 128, {}},
        {"WhiteBalance.CbGain", "WhiteBalance.YbGain", true, 0, 255, 128, {}},
    };
    return table;
}

bool BuildImagingModel(const Json::Value& description, Json::Value& model, std::string& error)
{
    model = Json::Value(Json::objectValue);
    model["sources"] = Json::Value(Json::arrayValue);
    const Json::Value& in = description.isObject() ? description["imaging"] : Json::Value::nullSingleton();
    if (!in.isNull() && !in.isObject())
        return error = "imaging: must be an object", false;
    for (const auto& key : in.getMemberNames())
        if (key != "channels" && key != "ranges" && key != "comment")
            return error = "imaging." + key + ": unknown member", false;
    Json::Value media;
    if (!BuildMediaModel(description, media, error))
        return false;
    const Json::Value& channels = media["channels"];
    std::vector<bool> wanted(channels.size(), !in.isMember("channels"));
    if (in.isMember("channels")) {
        if (!in["channels"].isArray())
            return error = "imaging.channels: must be an array of channel numbers (from 1)", false;
        for (const Json::Value& c : in["channels"]) {
            if (!c.isIntegral() || c.asInt() < 1 || c.asUInt() > channels.size())
                return error = "imaging.channels: " + c.toStyledString() + " is not a channel of this device", false;
            wanted[c.asUInt() - 1] = true;
        }
    }
    Json::Value ranges(Json::objectValue), settings(Json::objectValue);
    for (const CImagingSetting& s : ImagingSettingsTable()) {
        if (!s.number) {
            settings[s.key] = s.modes.front();
            continue;
        }
        Json::Value range(Json::arrayValue);
        range.append(s.lo);
        range.append(s.hi);
        ranges[s.key] = range;
        settings[s.key] = s.initial;
    }
    const Json::Value& rangesIn = in["ranges"];
    if (!rangesIn.isNull() && !rangesIn.isObject())
        return error = "imaging.ranges: must be an object of setting -> [low, high]", false;
    for (const auto& key : rangesIn.getMemberNames()) {
        const Json::Value& r = rangesIn[key];
        if (!ranges.isMember(key) || !r.isArray() || r.size() != 2 || !r[0].isNumeric() || !r[1].isNumeric() ||
            r[0].asDouble() >= r[1].asDouble())
            return error = "imaging.ranges." + key + ": must be a numeric setting with [low, high], low < high", false;
        ranges[key] = r;
        const double mid = (r[0].asDouble() + r[1].asDouble()) / 2;
        settings[key] = std::floor(mid) == mid ? mid : std::floor(mid);
    }
    for (Json::ArrayIndex i = 0; i < channels.size(); ++i) {
        if (!wanted[i])
            continue;
        Json::Value source;
        source["token"] = channels[i]["source"]["token"];
        source["channel"] = static_cast<int>(i);
        source["settings"] = settings;
        source["ranges"] = ranges;
        Json::Value& focus = source["focus"];
        focus["position"] = 0.5;
        focus["mode"] = "idle";
        focus["value"] = 0.0;
        focus["rate"] = 0.0;
        focus["lastMs"] = -1.0;
        model["sources"].append(source);
    }
    return true;
}

CImagingState::CImagingState(CDeviceState& state) : m_model(state.serviceData["imaging"]), m_now(MotionNowMs(state))
{
    if (m_model.isNull()) {
        std::string error;
        if (!BuildImagingModel(state.current.raw, m_model, error)) {
            m_model = Json::Value();
            throw CSoapFault::Receiver({"Action"}, "imaging configuration unavailable: " + error);
        }
    }
}

Json::Value& CImagingState::requireSource(const std::string& token)
{
    for (Json::Value& source : m_model["sources"]) {
        if (source["token"].asString() == token) {
            AdvanceFocus(source["focus"], m_now);
            return source;
        }
    }
    throw CSoapFault::Sender({"InvalidArgVal", "NoSource"}, "no imaging for video source \"" + token + "\"");
}

void AdvanceFocus(Json::Value& focus, double now)
{
    const double last = focus["lastMs"].asDouble() < 0 ? now : focus["lastMs"].asDouble();
    focus["lastMs"] = now;
    const double seconds = std::max(0.0, now - last) / 1000.0;
    const std::string mode = focus["mode"].asString();
    double pos = focus["position"].asDouble();
    if (mode == "velocity") {
        pos += focus["value"].asDouble() * focus["rate"].asDouble() * seconds;
        if (pos <= 0 || pos >= 1)
            focus["mode"] = "idle";   // the lens is at its end stop
    } else if (mode == "target") {
        const double d = focus["value"].asDouble() - pos;
        const double step = focus["rate"].asDouble() * seconds;
        pos = std::fabs(d) <= step ? focus["value"].asDouble() : pos + (d < 0 ? -step : step);
        if (pos == focus["value"].asDouble())
            focus["mode"] = "idle";
    }
    focus["position"] = std::max(0.0, std::min(1.0, pos));
}

} // namespace OnvifSim
