#include "Components/MediaFileFind/OnvifFileFindTimes.h"

#include <cstdio>

#include "OnvifFramework/Utility/OnvifDstRule.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"

namespace RPC {
namespace Onvif {
namespace FileFindTimes {

namespace {

// Six fields with the given separator between date and time, each within its calendar range.
bool readFields(const std::string& text, char separator, time_t& out, const char** rest)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    char sep = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &y, &mo, &d, &sep, &h, &mi, &s, &used) != 7 ||
        sep != separator)
        return false;
    const int64_t seconds = civilToSeconds(y, mo, d, h, mi, s);
    SCivilTime check;
    if (!secondsToCivil(seconds, check) || check.year != y || check.month != mo || check.day != d ||
        check.hour != h || check.minute != mi || check.second != s)
        return false;   // 30 February, 24:00:00 and the like
    out = static_cast<time_t>(seconds);
    *rest = text.c_str() + used;
    return true;
}

} // namespace

bool parseUtcText(const std::string& text, time_t& utc)
{
    const char* rest = nullptr;
    if (!readFields(text, 'T', utc, &rest))
        return false;
    if (*rest == '.')
        for (++rest; *rest >= '0' && *rest <= '9';)
            ++rest;
    return *rest == '\0' || (rest[0] == 'Z' && rest[1] == '\0');
}

bool parseLocalText(const std::string& text, time_t& local)
{
    const char* rest = nullptr;
    return readFields(text, ' ', local, &rest) && *rest == '\0';
}

std::string utcText(time_t utc)
{
    char text[32];
    return systemTimeToUTC(utc, text, sizeof text) == 0 ? text : "";
}

std::string toLocalText(const std::string& utc, const Json::Value* zone, bool endTime)
{
    time_t seconds = 0;
    char text[32];
    if (!parseUtcText(utc, seconds) || systemTimeToZTTime(seconds, text, sizeof text, zone, endTime) != 0)
        return "";
    return text;
}

std::string toUtcText(const std::string& local, const Json::Value* zone, bool endTime)
{
    char text[32];
    return ztTimeToUTCTime(local.c_str(), text, sizeof text, zone, endTime) == 0 ? text : "";
}

bool dstEndUtc(const Json::Value& zone, time_t& utc)
{
    SZoneAndDst rules;
    if (!readZoneAndDst(zone, rules) || !rules.dstEnable)
        return false;
    // The end is a daylight wall clock: an hour further east than the zone itself.
    utc = getDstWindow(rules).end - rules.offset - 3600;
    return true;
}

} // namespace FileFindTimes
} // namespace Onvif
} // namespace RPC
