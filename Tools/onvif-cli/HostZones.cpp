#include "HostZones.h"

#include <cstdio>

namespace OnvifCli {

namespace {
const char* const kZoneNames[kHostZoneCount] = {
    "GMT+00:00", "GMT+01:00", "GMT+02:00", "GMT+03:00", "GMT+03:30", "GMT+04:00", "GMT+04:30", "GMT+05:00",
    "GMT+05:30", "GMT+05:45", "GMT+06:00", "GMT+06:30", "GMT+07:00", "GMT+08:00", "GMT+09:00", "GMT+09:30",
    "GMT+10:00", "GMT+11:00", "GMT+12:00", "GMT+13:00", "GMT-01:00", "GMT-02:00", "GMT-03:00", "GMT-03:30",
    "GMT-04:00", "GMT-05:00", "GMT-06:00", "GMT-07:00", "GMT-08:00", "GMT-09:00", "GMT-10:00", "GMT-11:00",
    "GMT-12:00", "GMT-04:30", "GMT+10:30", "GMT+14:00", "GMT-09:30", "GMT+08:30", "GMT+08:45", "GMT+12:45",
};
} // namespace

std::string hostZoneName(int index)
{
    return index >= 0 && index < kHostZoneCount ? kZoneNames[index] : "";
}

int hostZoneOffset(int index)
{
    int hours = 0;
    int minutes = 0;
    char sign = '+';
    if (index < 0 || index >= kHostZoneCount || std::sscanf(kZoneNames[index], "GMT%c%d:%d", &sign, &hours, &minutes) != 3)
        return 0;
    const int offset = hours * 3600 + minutes * 60;
    return sign == '-' ? -offset : offset;
}

int hostZoneIndex(const std::string& name)
{
    std::string suffix = name;
    if (suffix.rfind("GMT", 0) == 0 || suffix.rfind("UTC", 0) == 0)
        suffix = suffix.substr(3);
    for (int i = 0; i < kHostZoneCount; ++i) {
        if (suffix == kZoneNames[i] + 3)
            return i;
    }
    return -1;
}

} // namespace OnvifCli
