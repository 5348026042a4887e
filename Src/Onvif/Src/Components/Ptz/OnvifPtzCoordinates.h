#pragma once
// The host's PTZ coordinates and ONVIF's generic spaces.
//
// The host counts pan from the back of the dome: host pan 0 is ONVIF pan +-1 (the seam at
// 180 degrees), host +-1 is ONVIF 0. Tilt is the same on both sides, zoom is 0..1. Values
// outside the ranges are clamped first. The conversion is its own inverse (away from the
// seam), so the position a device reports is turned back into host terms the same way.
//
// Screen points are fractions of the picture from its top left corner; the field-of-view
// translation space of ONVIF has x to the right and y upwards, -1..1 across the picture.
#include <string>

namespace RPC {
namespace Onvif {
namespace PtzCoordinates {

struct Position {
    double pan = 0, tilt = 0, zoom = 0;
};

Position hostToOnvif(double pan, double tilt, double zoom);
void screenToFov(double x, double y, double& fovX, double& fovY);
// "yyyy-MM-dd HH:mm:ss" (a 'T' between date and time, a trailing 'Z' and fractions are
// accepted) as seconds since 1970 UTC; false when it does not read.
bool utcSeconds(const std::string& text, long long& seconds);

} // namespace PtzCoordinates
} // namespace Onvif
} // namespace RPC
