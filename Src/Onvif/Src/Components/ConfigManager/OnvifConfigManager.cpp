#include "Components/ConfigManager/OnvifConfigManager.h"

#include <cstdlib>
#include <cstring>

#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {

std::string splitNameAndChann(const char* text, Json::Value& table)
{
    const std::string name = text ? text : "";
    const size_t open = name.find('[');
    const size_t close = name.find(']', open == std::string::npos ? 0 : open);
    if (open == std::string::npos || close == std::string::npos || close <= open + 1) {
        ONVIF_LOG(Onvif::LOG_WARN, "cannot find [ or ],or position is wrong\n");
        return name;
    }
    const int channel = std::atoi(name.substr(open + 1, close - open - 1).c_str());
    if (table.isArray() && !table.empty())
        table[0]["RemoteChannel"] = channel;
    else if (table.isObject() || table.isNull())
        table["RemoteChannel"] = channel;
    return name.substr(0, open);
}

namespace Onvif {

namespace {

std::string styled(const Json::Value& table)
{
    return getLogPrinterLevel() >= LOG_TRACE ? table.toStyledString() : std::string();
}

} // namespace

COnvifConfigManager::COnvifConfigManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

const COnvifConfigManager::NameRow* COnvifConfigManager::findName(const std::string& name)
{
    static const NameRow kNames[] = {
        {"Base", &COnvifConfigManager::getBaseInfo, nullptr},
        {"Capability", &COnvifConfigManager::getCapabilityInfo, nullptr},
        {"Encode", &COnvifConfigManager::getConfigEncode, &COnvifConfigManager::setConfigEncode},
        {"Image", &COnvifConfigManager::getConfigImage, &COnvifConfigManager::setConfigImage},
        {"VideoColor", &COnvifConfigManager::getConfigVideoColor, &COnvifConfigManager::setConfigVideoColor},
    };
    for (const NameRow& row : kNames)
        if (name == row.name)
            return &row;
    return nullptr;
}

bool COnvifConfigManager::getConfig(const char* name, Json::Value& table)
{
    if (!name) {
        ONVIF_LOG(LOG_INFO, "getConfig falied, name = NULL\n");
        return false;
    }
    const char* ip = m_serverInfo->address.c_str();
    ONVIF_LOG(LOG_TRACE, "ConfigManager[%p] getConfig, remote IP:<%s>, The Key:<%s>, table:%s\n",
              static_cast<void*>(this), ip, name, styled(table).c_str());
    const std::string key = splitNameAndChann(name, table);
    const NameRow* row = findName(key);
    const ScriptRow* script = row ? nullptr : findScriptName(key);
    if (!row && !script) {
        ONVIF_LOG(LOG_WARN, "getConfig fail! argu[%s] not impl!, remote ip:<%s>\n", key.c_str(), ip);
        return false;
    }
    if (!(row ? (this->*row->get)(table) : getByScript(*script, table)))
        return false;
    if (getLogPrinterLevel() >= LOG_DEBUG)
        ONVIF_LOG(LOG_DEBUG, "ConfigManager[%p] getConfig, remote IP:<%s>, The Key:<%s>, and obtained configration "
                             "table:\n<%s>\n",
                  static_cast<void*>(this), ip, key.c_str(), table.toStyledString().c_str());
    return true;
}

bool COnvifConfigManager::setConfig(const char* name, const Json::Value& table, int)
{
    const char* ip = m_serverInfo->address.c_str();
    if (!name) {
        ONVIF_ERRLN();
        return false;
    }
    ONVIF_LOG(LOG_TRACE, "ConfigManager[%p] setConfig, remote IP:<%s>, The Key:<%s>,table:%s\n",
              static_cast<void*>(this), ip, name, styled(table).c_str());
    Json::Value copy = table;
    const std::string key = splitNameAndChann(name, copy);
    const NameRow* row = findName(key);
    const ScriptRow* script = row ? nullptr : findScriptName(key);
    if ((!row || !row->set) && !script) {
        ONVIF_LOG(LOG_WARN, "setConfig fail! argu[%s] not impl! remote IP:[%s]\n", key.c_str(), ip);
        return false;
    }
    return row ? (this->*row->set)(copy) : setByScript(*script, copy);
}

} // namespace Onvif
} // namespace RPC
