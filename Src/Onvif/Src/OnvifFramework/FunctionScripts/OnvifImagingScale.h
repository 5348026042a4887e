#pragma once
// The host's 0..100 scale for imaging values, against the device's own range [min, max]
// of each value (the imaging options).
//
// The ends map exactly (min <-> 0, max <-> 100). In between, a device whose range is not
// exactly 0..100 gets half a step added in both directions: devices keep these values as
// integers and truncate, so the half step makes truncation round to the nearest.
#include <json/json.h>

namespace RPC {
namespace Onvif {

// The {"Min", "Max"} record at dotted key of a record (an options range); false when
// either end is missing or not a number.
bool imagingRange(const Json::Value& record, const char* key, double& min, double& max);

double imagingToHost(double value, double min, double max);
double imagingToDevice(double value, double min, double max);

// The values of an "ImagingSettings" record that the host sees on its scale: the colour
// values and the focus limits, each scaled only when the options give both ends of its
// range. toHost: device record -> host record; otherwise host -> device. Other members
// pass unchanged.
Json::Value scaleImagingSettings(const Json::Value& settings, const Json::Value& options, bool toHost);

} // namespace Onvif
} // namespace RPC
