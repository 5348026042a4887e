// The device clock offset: the device's UTC time minus the local clock, in seconds.
#include <ctime>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifEncoderConversions.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (no time-zone or locale involved).
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool field(const Json::Value& group, const char* name, int lo, int hi, int& out)
{
    double v = 0;
    if (!group.isObject() || !readNumber(group.get(name, Json::Value()), v) || v < lo || v > hi)
        return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

bool timeDifferenceFromReply(const Json::Value& reply, long long nowUtc, int& seconds)
{
    if (!reply.isObject() || !reply["SystemDateAndTime"].isObject())
        return false;
    const Json::Value& utc = reply["SystemDateAndTime"].get("UTCDateTime", Json::Value());
    if (!utc.isObject())
        return false;
    const Json::Value& date = utc.get("Date", Json::Value());
    const Json::Value& time = utc.get("Time", Json::Value());
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    // A device that has never been set reports zeros; that is no clock to follow.
    if (!field(date, "Year", 1970, 9999, year) || !field(date, "Month", 1, 12, month) ||
        !field(date, "Day", 1, 31, day) || !field(time, "Hour", 0, 23, hour) ||
        !field(time, "Minute", 0, 59, minute) || !field(time, "Second", 0, 60, second))
        return false;
    const long long device = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400LL +
                             hour * 3600LL + minute * 60LL + second;
    seconds = static_cast<int>(device - nowUtc);
    return true;
}

bool getSystemDateAndTime(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return commonOpList(info, request, result, "Device", "DeviceManagement", "GetSystemDateAndTime");
}

bool measureTimeDifference(const ServerInfo& info, const std::string& deviceXAddr, int& seconds)
{
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!deviceXAddr.empty())
        request["XAddr"] = deviceXAddr;
    if (!getSystemDateAndTime(info, request, result))
        return false;
    if (!timeDifferenceFromReply(result, static_cast<long long>(::time(nullptr)), seconds)) {
        ONVIF_LOG(LOG_WARN, "remoteIP<%s>, no usable device time\n", info.address.c_str());
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
