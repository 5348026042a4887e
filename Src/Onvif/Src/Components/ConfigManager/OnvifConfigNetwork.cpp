// The network tables: each is one get script and one set script of the network area, with
// the texts logged when they fail. "Web", "Https" and "RTSP" are one member of the
// device's protocol list, and a set names the protocol its port belongs to.
#include "Components/ConfigManager/OnvifConfigManager.h"

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

struct COnvifConfigManager::ScriptRow {
    using Script = bool (*)(const ServerInfo&, Json::Value&, Json::Value&);
    const char* name;
    Script get;
    Script set;
    const char* member;        // the table is this member of the get script's result; nullptr: all of it
    const char* protocol;      // set: the network protocol the table's port belongs to
    const char* getFailText;   // with the device address
    const char* setFailText;
};

const COnvifConfigManager::ScriptRow* COnvifConfigManager::findScriptName(const std::string& name)
{
    static const ScriptRow kRows[] = {
        {"Network", getConfigNetwork, setConfigNetwork, nullptr, nullptr,
         "getConfig fail! argu[Network], remote IP:[%s]\n", "setConfig fail! argu[Network], remote IP:[%s]\n"},
        {"IPv6", getConfigIPv6, setConfigIPv6, nullptr, nullptr, "getConfig fail! argu[IPv6], remote IP:[%s]\n",
         "setConfig fail! argu[IPv6], remote IP:[%s]\n"},
        {"Web", getConfigDevicePort, setConfigDevicePort, "HTTP", "HTTP",
         "getConfig:Web fail! argu[Web], remote IP:[%s]\n", "setConfig:Web fail! argu[Web], remote IP:[%s]\n"},
        {"Https", getConfigDevicePort, setConfigDevicePort, "HTTPS", "HTTPS",
         "getConfig:Https fail! argu[Https], remote IP:[%s]\n", "setConfig:Https fail! argu[Https], remote IP:[%s]\n"},
        {"RTSP", getConfigDevicePort, setConfigDevicePort, "RTSP", "RTSP",
         "getConfig:RTSP fail! argu[RTSP], remote IP:[%s]\n", "setConfig:RTSP fail! argu[RTSP], remote IP:[%s]\n"},
    };
    for (const ScriptRow& row : kRows)
        if (name == row.name)
            return &row;
    return nullptr;
}

bool COnvifConfigManager::getByScript(const ScriptRow& row, Json::Value& table)
{
    Json::Value request = table.isObject() ? table : Json::Value(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!row.get(*m_serverInfo, request, result) || (row.member && !result.isMember(row.member))) {
        ONVIF_LOG(LOG_WARN, row.getFailText, m_serverInfo->address.c_str());
        return false;
    }
    table = row.member ? result[row.member] : result;
    return true;
}

bool COnvifConfigManager::setByScript(const ScriptRow& row, Json::Value& table)
{
    if (!table.isObject()) {
        ONVIF_LOG(LOG_WARN, row.setFailText, m_serverInfo->address.c_str());
        return false;
    }
    if (row.protocol)
        table["Name"] = row.protocol;
    Json::Value result(Json::objectValue);
    if (!row.set(*m_serverInfo, table, result)) {
        ONVIF_LOG(LOG_WARN, row.setFailText, m_serverInfo->address.c_str());
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
