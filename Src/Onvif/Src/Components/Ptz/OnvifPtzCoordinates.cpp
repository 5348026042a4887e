#include "Components/Ptz/OnvifPtzCoordinates.h"

#include <algorithm>
#include <cstdio>

namespace RPC {
namespace Onvif {
namespace PtzCoordinates {

namespace {

double clamp(double v, double lo, double hi)
{
    return std::max(lo, std::min(hi, v));
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

Position hostToOnvif(double pan, double tilt, double zoom)
{
    Position p;
    const double hostPan = clamp(pan, -1.0, 1.0);
    p.pan = hostPan >= 0 ? 1.0 - hostPan : -1.0 - hostPan;
    p.tilt = clamp(tilt, -1.0, 1.0);
    p.zoom = clamp(zoom, 0.0, 1.0);
    return p;
}

void screenToFov(double x, double y, double& fovX, double& fovY)
{
    fovX = 2.0 * clamp(x, 0.0, 1.0) - 1.0;
    fovY = 1.0 - 2.0 * clamp(y, 0.0, 1.0);
}

bool utcSeconds(const std::string& text, long long& seconds)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char separator = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &y, &mo, &d, &separator, &h, &mi, &s) != 7 ||
        (separator != ' ' && separator != 'T') || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60)
        return false;
    seconds = daysFromCivil(y, mo, d) * 86400LL + h * 3600 + mi * 60 + s;
    return true;
}

} // namespace PtzCoordinates
} // namespace Onvif
} // namespace RPC
