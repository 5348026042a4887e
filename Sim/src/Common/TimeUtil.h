#pragma once
// Calendar arithmetic for the simulated clock, done by hand so the device's idea of
// time never depends on the host's time zone settings.
#include <string>

namespace OnvifSim {

struct CCivilTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// False when a field is out of range (month 13, 30 February, hour 24 ...).
bool CivilToEpoch(const CCivilTime& t, long long& epoch);
CCivilTime EpochToCivil(long long epoch);

// xs:dateTime: YYYY-MM-DDThh:mm:ss[.fraction][Z|(+|-)hh:mm]; no zone reads as UTC.
bool ParseXsDateTime(const std::string& text, long long& epoch);
std::string FormatXsDateTime(long long epoch);   // always UTC with 'Z'

// xs:duration of days, hours, minutes and seconds ("PT5S", "P1DT2H", "PT0.5S"); years and
// months have no fixed length and are refused, as is a negative duration.
bool ParseXsDuration(const std::string& text, double& seconds);
std::string FormatXsDuration(double seconds);   // "PT5S", "PT0.5S"

// POSIX TZ such as "CST-8" or "EST5EDT,M3.2.0,M11.1.0". offsetSeconds (may be null) gets
// the standard-time offset to add to UTC to get local time ("CST-8" -> +28800).
bool ParsePosixTz(const std::string& tz, long long* offsetSeconds);

} // namespace OnvifSim
