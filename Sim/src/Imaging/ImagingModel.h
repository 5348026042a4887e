#pragma once
// The picture settings of each video source: brightness and colour, exposure, focus,
// white balance, wide dynamic range, IR cut filter, each within the range (or among the
// modes) the device accepts, and the focus lens that moves with time like a dome does.
//
// The state is JSON in CDeviceState::serviceData["imaging"]: sources [{token, channel,
// settings {dotted key: number or mode}, ranges {dotted key: [lo, hi]}, focus {position,
// mode "idle"|"velocity"|"target", value, rate, lastMs}}].
//
//   "imaging": {"channels": [1, 2], "ranges": {"Brightness": [0, 100], ...}}
// Without "channels" every channel's source has imaging; ranges replace the defaults.
#include "Device/DeviceState.h"

#include <json/value.h>

#include <string>
#include <vector>

namespace OnvifSim {

// One imaging setting in the schema's element order; a number within a range or one of
// a list of modes. optionKey names its range or mode list in the imaging options.
struct CImagingSetting {
    const char* key;         // "Exposure.Iris"
    const char* optionKey;   // "Exposure.Iris", "Focus.AutoFocusModes", "WhiteBalance.YrGain"
    bool number;
    double lo, hi, initial;
    std::vector<const char*> modes;   // the first is the initial mode
};
const std::vector<CImagingSetting>& ImagingSettingsTable();

bool BuildImagingModel(const Json::Value& description, Json::Value& model, std::string& error);

class CImagingState {
public:
    explicit CImagingState(CDeviceState& state);
    // The source of a video source token, brought up to now; the device's fault otherwise.
    Json::Value& requireSource(const std::string& token);
    double now() const { return m_now; }

private:
    Json::Value& m_model;
    double m_now;
};

// The focus lens: 0 (near) .. 1 (far), moving at `rate` units per second at full speed.
constexpr double kFocusRate = 0.5;
void AdvanceFocus(Json::Value& focus, double now);

} // namespace OnvifSim
