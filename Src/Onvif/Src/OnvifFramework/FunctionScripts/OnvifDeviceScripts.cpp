// Composites of the device service: service addresses, identity, scopes, clock, reboot.
#include <cstdio>
#include <cstdlib>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifProfileGrouping.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

bool callDevice(const ServerInfo& info, Json::Value& request, Json::Value& result, const char* command)
{
    return commonOpList(info, request, result, "Device", "DeviceManagement", command);
}

// The first address learnt for a name is kept, as in the information centre.
void addServiceAddress(Json::Value& services, const std::string& name, const std::string& xaddr)
{
    if (name.empty() || xaddr.empty())
        return;
    Json::Value& entry = services["Service"][name];
    if (textMember(entry, "XAddr").empty())
        entry["XAddr"] = xaddr;
}

// Capability groups that carry a service address ("Media": {"XAddr": ...}).
void collectCapabilityAddresses(const Json::Value& group, Json::Value& services)
{
    if (!group.isObject())
        return;
    for (const std::string& name : group.getMemberNames())
        addServiceAddress(services, name, textMember(group[name], "XAddr"));
}

const char* const kUniqueIdScope = "onvif://www.onvif.org/extension/unique_identifier/";

} // namespace

bool getServices(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!callDevice(info, request, result, "GetServices"))
        return false;
    Json::Value services(Json::objectValue);
    services["Service"] = Json::Value(Json::objectValue);
    const Json::Value& list = result.get("Service", Json::Value());
    if (list.isArray()) {
        for (const Json::Value& service : list)
            addServiceAddress(services, textMember(service, "ServiceType"), textMember(service, "XAddr"));
    }
    return COnvifInfoCenter::instance()->setCapsInfo(info, services, true);
}

bool getCapabilities(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!callDevice(info, request, result, "GetCapabilities"))
        return false;
    Json::Value services(Json::objectValue);
    services["Service"] = Json::Value(Json::objectValue);
    const Json::Value& caps = result.get("Capabilities", Json::Value());
    collectCapabilityAddresses(caps, services);
    if (caps.isObject())
        collectCapabilityAddresses(caps.get("Extension", Json::Value()), services);
    return COnvifInfoCenter::instance()->setCapsInfo(info, services, true);
}

bool getDeviceInformation(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!callDevice(info, request, result, "GetDeviceInfomation"))
        return false;
    return COnvifInfoCenter::instance()->setDeviceInfo(info, result, true);
}

bool getScopes(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!callDevice(info, request, result, "GetScopes"))
        return false;
    Json::Value market(Json::objectValue);
    const Json::Value& scopes = result.get("Scopes", Json::Value());
    if (scopes.isArray()) {
        for (const Json::Value& scope : scopes) {
            const std::string item = textMember(scope, "ScopeItem");
            if (item.find(kUniqueIdScope) != std::string::npos) {
                market["MarketAreaScope"] = item;
                break;
            }
        }
    }
    return COnvifInfoCenter::instance()->setMarketAreaScope(info, market, true);
}

bool reboot(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "Reboot");
}

bool startFirmwareUpgrade(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return callDevice(info, request, result, "StartFirmwareUpgrade");
}

std::string makeTimeZoneText(int zoneSeconds, bool posix)
{
    // POSIX counts west of UTC as positive; the "GMT" form states the offset east.
    const int east = zoneSeconds;
    const int shown = posix ? -east : east;
    const int minutes = std::abs(shown) / 60;
    char text[32];
    snprintf(text, sizeof(text), "%s%c%02d:%02d", posix ? "UTC" : "GMT", shown < 0 ? '-' : '+', minutes / 60,
             minutes % 60);
    return text;
}

namespace {

// ",Mm.w.d/hh:mm:ss,Mm.w.d/hh:mm:ss" for the host's "DSTStart" and "DSTEnd" (week 5 is
// the month's last), "" when the request carries no complete rule pair.
std::string dstRuleText(const Json::Value& request)
{
    const Json::Value& start = request.get("DSTStart", Json::Value());
    const Json::Value& end = request.get("DSTEnd", Json::Value());
    if (!start.isObject() || !end.isObject())
        return "";
    std::string text = "DST";
    for (const Json::Value* rule : {&start, &end}) {
        char part[64];
        snprintf(part, sizeof part, ",M%d.%d.%d/%02d:%02d:%02d", (*rule)["Month"].asInt(), (*rule)["Week"].asInt(),
                 (*rule)["WDay"].asInt(), (*rule)["Hour"].asInt(), (*rule)["Minute"].asInt(),
                 (*rule)["Second"].asInt());
        text += part;
    }
    return text;
}

// The ONVIF clock record from the host's {"Date", "Time"} (UTC fields, zone in seconds).
Json::Value clockRecord(const Json::Value& request, const std::string& zoneText)
{
    Json::Value clock(Json::objectValue);
    clock["DateTimeType"] = "Manual";
    const Json::Value& daylight = request.get("DaylightSavings", Json::Value());
    clock["DaylightSavings"] = daylight.isBool() && daylight.asBool();
    if (!zoneText.empty())
        clock["TimeZone"]["TZ"] = zoneText;
    const Json::Value& date = request.get("Date", Json::Value());
    const Json::Value& time = request.get("Time", Json::Value());
    for (const char* name : {"Year", "Month", "Day"}) {
        if (date.isObject() && date[name].isNumeric())
            clock["UTCDateTime"]["Date"][name] = date[name].asInt();
    }
    for (const char* name : {"Hour", "Minute", "Second"}) {
        if (time.isObject() && time[name].isNumeric())
            clock["UTCDateTime"]["Time"][name] = time[name].asInt();
    }
    return clock;
}

} // namespace

bool setSystemDateAndTime(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!request.isObject()) {
        ONVIF_ERRLN();
        return false;
    }
    const Json::Value& time = request.get("Time", Json::Value());
    const bool haveZone = time.isObject() && time["Zone"].isNumeric();
    const int zone = haveZone ? time["Zone"].asInt() : 0;

    // A record already in the device's form is sent as it is.
    const bool hostForm = !request.isMember("SystemDateAndTime");
    const std::string rules = haveZone ? dstRuleText(request) : "";
    if (hostForm)
        request["SystemDateAndTime"] = clockRecord(request, haveZone ? makeTimeZoneText(zone, false) + rules : "");
    bool ok = callDevice(info, request, result, "SetSystemDateAndTime");
    if (!ok && hostForm && haveZone) {
        // Devices differ in the zone text they accept; try the other spelling once.
        const std::string other = makeTimeZoneText(zone, true) + rules;
        ONVIF_LOG(LOG_INFO, "set TimeZone again [%s]!!!!\n", other.c_str());
        request["SystemDateAndTime"]["TimeZone"]["TZ"] = other;
        ok = callDevice(info, request, result, "SetSystemDateAndTime");
    }
    if (ok && haveZone)
        setTimeZoneAll(info, zone);
    return ok;
}

} // namespace Onvif
} // namespace RPC
