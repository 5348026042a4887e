#include "Components/ConfigManager/OnvifConfigManager.h"

#include <cstdlib>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {

std::string splitNameAndChann(const std::string& text, Json::Value& table)
{
    const size_t open = text.find('[');
    const size_t close = text.find(']');
    if (open == std::string::npos || close == std::string::npos || close < open + 2) {
        ONVIF_LOG(Onvif::LOG_WARN, "cannot find [ or ],or position is wrong\n");
        return text;
    }
    const int channel = std::atoi(text.substr(open + 1, close - open - 1).c_str());
    if (table.isArray() && !table.empty() && table[0].isObject())
        table[0]["RemoteChannel"] = channel;
    else if (table.isObject() || table.isNull())
        table["RemoteChannel"] = channel;
    return text.substr(0, open);
}

namespace Onvif {

namespace {

using Script = bool (*)(const ServerInfo&, Json::Value&, Json::Value&);

struct ConfigRow {
    const char* name;
    Script get;
    Script set;
    const char* member;        // the table is this member of the get script's result; nullptr: all of it
    const char* protocol;      // set: the network protocol the table's port belongs to
    const char* getFailText;   // with the device address
    const char* setFailText;
};

const ConfigRow kRows[] = {
    {"Network", getConfigNetwork, setConfigNetwork, nullptr, nullptr, "getConfig fail! argu[Network], remote IP:[%s]\n",
     "setConfig fail! argu[Network], remote IP:[%s]\n"},
    {"IPv6", getConfigIPv6, setConfigIPv6, nullptr, nullptr, "getConfig fail! argu[IPv6], remote IP:[%s]\n",
     "setConfig fail! argu[IPv6], remote IP:[%s]\n"},
    {"Web", getConfigDevicePort, setConfigDevicePort, "HTTP", "HTTP", "getConfig:Web fail! argu[Web], remote IP:[%s]\n",
     "setConfig:Web fail! argu[Web], remote IP:[%s]\n"},
    {"Https", getConfigDevicePort, setConfigDevicePort, "HTTPS", "HTTPS",
     "getConfig:Https fail! argu[Https], remote IP:[%s]\n", "setConfig:Https fail! argu[Https], remote IP:[%s]\n"},
    {"RTSP", getConfigDevicePort, setConfigDevicePort, "RTSP", "RTSP",
     "getConfig:RTSP fail! argu[RTSP], remote IP:[%s]\n", "setConfig:RTSP fail! argu[RTSP], remote IP:[%s]\n"},
};

const ConfigRow* findRow(const std::string& name)
{
    for (const ConfigRow& row : kRows)
        if (name == row.name)
            return &row;
    return nullptr;
}

} // namespace

COnvifConfigManager::COnvifConfigManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

bool COnvifConfigManager::getConfig(const char* name, Json::Value& table)
{
    if (!name) {
        ONVIF_LOG(LOG_INFO, "getConfig falied, name = NULL\n");
        return false;
    }
    const char* address = m_serverInfo->address.c_str();
    if (getLogPrinterLevel() >= LOG_TRACE)
        ONVIF_LOG(LOG_TRACE, "ConfigManager[%p] getConfig, remote IP:<%s>, The Key:<%s>, table:%s\n",
                  static_cast<void*>(this), address, name, table.toStyledString().c_str());
    const ConfigRow* row = findRow(splitNameAndChann(name, table));
    if (!row) {
        ONVIF_LOG(LOG_WARN, "getConfig fail! argu[%s] not impl!, remote ip:<%s>\n", name, address);
        return false;
    }
    Json::Value request = table.isObject() ? table : Json::Value(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!row->get(*m_serverInfo, request, result) || (row->member && !result.isMember(row->member))) {
        ONVIF_LOG(LOG_WARN, row->getFailText, address);
        return false;
    }
    table = row->member ? result[row->member] : result;
    if (getLogPrinterLevel() >= LOG_DEBUG)
        ONVIF_LOG(LOG_DEBUG, "ConfigManager[%p] getConfig, remote IP:<%s>, The Key:<%s>, and obtained configration "
                             "table:\n<%s>\n",
                  static_cast<void*>(this), address, name, table.toStyledString().c_str());
    return true;
}

bool COnvifConfigManager::setConfig(const char* name, const Json::Value& table, const Json::Value&)
{
    if (!name)
        return false;
    const char* address = m_serverInfo->address.c_str();
    if (getLogPrinterLevel() >= LOG_TRACE)
        ONVIF_LOG(LOG_TRACE, "ConfigManager[%p] setConfig, remote IP:<%s>, The Key:<%s>,table:%s\n",
                  static_cast<void*>(this), address, name, table.toStyledString().c_str());
    Json::Value request = table;
    const ConfigRow* row = findRow(splitNameAndChann(name, request));
    if (!row) {
        ONVIF_LOG(LOG_WARN, "setConfig fail! argu[%s] not impl! remote IP:[%s]\n", name, address);
        return false;
    }
    if (!request.isObject()) {
        ONVIF_LOG(LOG_WARN, row->setFailText, address);
        return false;
    }
    if (row->protocol)
        request["Name"] = row->protocol;
    Json::Value result(Json::objectValue);
    if (!row->set(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_WARN, row->setFailText, address);
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
