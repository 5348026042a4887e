// "ExAlarm" and "Alarm": the device's relay outputs as the host's alarm outputs. A relay
// whose idle state is open is a normally-open ("NO") output; its delay time is the latch
// in seconds.
#include "Components/ConfigManager/OnvifConfigManager.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"

namespace RPC
{
namespace Onvif
{

namespace
{

int durationSeconds(const std::string& text)
{
    return durationToSeconds(text.c_str());
}

Json::Value hostAlarmOut(const Json::Value& relay)
{
    Json::Value out(Json::objectValue);
    out["Name"] = relay.get("token", "");
    out["SensorType"] = memberText(relay, "idlestate") == "open" ? "NO" : "NC";
    out["EventHandler"]["AlarmOutLatch"] = durationSeconds(memberText(relay, "delaytime"));
    return out;
}

bool readRelays(const ServerInfo& info, Json::Value& relays)
{
    Json::Value request(Json::objectValue), result(Json::objectValue);
    if (!getRelayOutputs(info, request, result)) {
        ONVIF_LOG(LOG_WARN, "getConfigScopes failed!\n");
        return false;
    }
    relays = result.get("RelayOutputs", Json::Value(Json::arrayValue));
    return true;
}

} // namespace

bool COnvifConfigManager::getConfigAlarmOut(Json::Value& table)
{
    Json::Value relays;
    if (!readRelays(*m_serverInfo, relays))
        return false;
    int channel = -1;
    if (table.isObject() && table.isMember("RemoteChannel") && !memberInt(table, "RemoteChannel", channel))
        channel = -1;
    if (channel < 0) {
        table = Json::Value(Json::arrayValue);
        for (const Json::Value& relay : relays)
            table.append(hostAlarmOut(relay));
        return true;
    }
    if (channel >= static_cast<int>(relays.size())) {
        ONVIF_LOG(LOG_WARN, "alarm output %d of %u not found\n", channel, relays.size());
        return false;
    }
    table = hostAlarmOut(relays[channel]);
    return true;
}

bool COnvifConfigManager::setConfigAlarmOut(Json::Value& table)
{
    Json::Value relays;
    if (!table.isObject() || !readRelays(*m_serverInfo, relays) || relays.empty()) {
        ONVIF_LOG(LOG_WARN, "setConfigScopes failed!\n");
        return false;
    }
    // The relay the table names, else the one its channel points at, else the first.
    const std::string name = memberText(table, "Name");
    int channel = -1;
    memberInt(table, "RemoteChannel", channel);
    const Json::Value* relay =
        channel >= 0 && channel < static_cast<int>(relays.size()) ? &relays[channel] : &relays[0];
    for (const Json::Value& r : relays)
        if (!name.empty() && memberText(r, "token") == name)
            relay = &r;
    const Json::Value& handler = table["EventHandler"];
    Json::Value request(Json::objectValue), result(Json::objectValue);
    request["token"] = (*relay)["token"];
    request["mode"] = (*relay)["mode"];
    const int latch = handler.isObject() ? handler.get("AlarmOutLatch", -1).asInt()
                                         : durationSeconds(memberText(*relay, "delaytime"));
    request["delaytime"] = latch >= 0 ? Json::Value(secondsToDuration(latch)) : (*relay)["delaytime"];
    request["idlestate"] = memberText(table, "SensorType") == "NC" ? "closed" : "open";
    if (!setRelayOutputSettings(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_WARN, "setConfigScopes failed!\n");
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
