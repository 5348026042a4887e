#include "RecordingTimes.h"

#include <cstdio>
#include <ctime>

namespace OnvifCli {

bool readCliTime(const std::string& option, const std::string& text, bool local, CliTime& out, std::string* error)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    char separator = 0;
    const bool fields = std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &separator, &h, &mi,
                                    &s, &used) == 7;
    const std::string rest = fields ? text.substr(static_cast<size_t>(used)) : "";
    const bool form = fields && (local ? (separator == 'T' || separator == ' ') && rest.empty()
                                       : separator == 'T' && rest == "Z");
    tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    const time_t seconds = timegm(&t);
    tm back{};
    const bool real = form && gmtime_r(&seconds, &back) && back.tm_year == y - 1900 && back.tm_mon == mo - 1 &&
                      back.tm_mday == d && back.tm_hour == h && back.tm_min == mi && back.tm_sec == s;
    if (!real) {
        *error = option + " takes a time such as " +
                 (local ? std::string("2026-12-06T11:00:00 (the device's local time)")
                        : std::string("2026-12-06T10:00:00Z (UTC; add --local for the device's local time)")) +
                 ", not \"" + text + "\".";
        return false;
    }
    out = cliTimeAt(seconds, local);
    return true;
}

CliTime cliTimeAt(long long seconds, bool local)
{
    const time_t t = static_cast<time_t>(seconds);
    tm f{};
    gmtime_r(&t, &f);
    char text[96];
    std::snprintf(text, sizeof text, local ? "%04d-%02d-%02d %02d:%02d:%02d" : "%04d-%02d-%02dT%02d:%02d:%02dZ",
                  f.tm_year + 1900, f.tm_mon + 1, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec);
    CliTime out;
    out.text = text;
    out.seconds = seconds;
    return out;
}

} // namespace OnvifCli
