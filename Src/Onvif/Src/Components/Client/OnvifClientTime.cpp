// Setting the device clock from the host's time and zone.
#include "Components/Client/OnvifClient.h"

#include <strings.h>

#include <ctime>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {
constexpr int kDefaultZoneSeconds = 28800;   // the host's "unknown zone" means UTC+8

// Devices that keep local time in their UTC field: the time we send must be shifted by
// what the device will subtract again.
struct ClockQuirk {
    const char* manufacturer;
    const char* model;   // nullptr: every model of that maker
    int addSeconds;
};
const ClockQuirk kClockQuirks[] = {
    {"hikvision", "DS-2CD8264FWD-EI", 28800},
    {"h.264", nullptr, 28800},
    {"siqura", nullptr, 28800},
    {"Network Digital Video", "HIHD_64", 57600},
};

int quirkSeconds(const std::string& manufacturer, const std::string& model)
{
    for (const ClockQuirk& q : kClockQuirks) {
        if (strcasecmp(manufacturer.c_str(), q.manufacturer) == 0 &&
            (!q.model || strcasecmp(model.c_str(), q.model) == 0))
            return q.addSeconds;
    }
    return 0;
}
} // namespace

bool COnvifClient::setCurrentTime(time_t time, int zoneSeconds)
{
    const ServerInfo& info = *m_serverInfo;
    time_t seconds = time != 0 ? time : ::time(nullptr);
    int zone = zoneSeconds == -1 ? kDefaultZoneSeconds : zoneSeconds;
    time_t utc = seconds - zone;

    std::string manufacturer, model;
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    centre->getDeviceInfoField(manufacturer, info, "Manufacturer");
    centre->getDeviceInfoField(model, info, "Model");
    utc += quirkSeconds(manufacturer, model);

    struct tm tm {};
    if (!gmtime_r(&utc, &tm)) {
        ONVIF_ERRLN();
        return false;
    }
    Json::Value request, result;
    request["Date"]["Year"] = tm.tm_year + 1900;
    request["Date"]["Month"] = tm.tm_mon + 1;
    request["Date"]["Day"] = tm.tm_mday;
    request["Time"]["Hour"] = tm.tm_hour;
    request["Time"]["Minute"] = tm.tm_min;
    request["Time"]["Second"] = tm.tm_sec;
    request["Time"]["Zone"] = zone;
    request["Manufacture"] = manufacturer;
    if (!setSystemDateAndTime(info, request, result)) {
        ONVIF_LOG(LOG_WARN, "setSystemDateAndTime failed\n");
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
