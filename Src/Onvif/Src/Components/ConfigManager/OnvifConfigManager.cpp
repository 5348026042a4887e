#include "Components/ConfigManager/OnvifConfigManager.h"

#include <cstdlib>
#include <cstring>

#include "Components/ConfigManager/OnvifConfigNameRow.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
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
    using M = COnvifConfigManager;
    using Row = NameRow;
    // Every configuration name. The network pages are each one pair of composites; "Web",
    // "Https" and "RTSP" are one member of the device's protocol list, and a set names the
    // protocol its port belongs to.
    static const Row kNames[] = {
        Row::method("Base", &M::getBaseInfo, nullptr),
        Row::method("Capability", &M::getCapabilityInfo, nullptr),
        Row::method("Encode", &M::getConfigEncode, &M::setConfigEncode),
        Row::method("Image", &M::getConfigImage, &M::setConfigImage),
        Row::method("VideoColor", &M::getConfigVideoColor, &M::setConfigVideoColor),
        Row::method("VideoWidget", &M::getConfigVideoWidget, &M::setConfigVideoWidget),
        Row::method("ChannelTitle", &M::getConfigChannelTitle, &M::setConfigChannelTitle),
        Row::method("MotionDetect", &M::getConfigMotionDetect, &M::setConfigMotionDetect),
        Row::script("Network", getConfigNetwork, setConfigNetwork, nullptr, nullptr,
                    "getConfig fail! argu[Network], remote IP:[%s]\n",
                    "setConfig fail! argu[Network], remote IP:[%s]\n"),
        Row::script("IPv6", getConfigIPv6, setConfigIPv6, nullptr, nullptr,
                    "getConfig fail! argu[IPv6], remote IP:[%s]\n", "setConfig fail! argu[IPv6], remote IP:[%s]\n"),
        Row::method("ExAlarm", &M::getConfigAlarmOut, &M::setConfigAlarmOut),
        Row::method("Alarm", &M::getConfigAlarmOut, &M::setConfigAlarmOut),
        Row::script("Web", getConfigDevicePort, setConfigDevicePort, "HTTP", "HTTP",
                    "getConfig:Web fail! argu[Web], remote IP:[%s]\n",
                    "setConfig:Web fail! argu[Web], remote IP:[%s]\n"),
        Row::script("Https", getConfigDevicePort, setConfigDevicePort, "HTTPS", "HTTPS",
                    "getConfig:Https fail! argu[Https], remote IP:[%s]\n",
                    "setConfig:Https fail! argu[Https], remote IP:[%s]\n"),
        Row::script("RTSP", getConfigDevicePort, setConfigDevicePort, "RTSP", "RTSP",
                    "getConfig:RTSP fail! argu[RTSP], remote IP:[%s]\n",
                    "setConfig:RTSP fail! argu[RTSP], remote IP:[%s]\n"),
    };
    for (const NameRow& row : kNames)
        if (name == row.name)
            return &row;
    return nullptr;
}

bool COnvifConfigManager::runGet(const NameRow& row, Json::Value& table)
{
    return row.get ? (this->*row.get)(table) : getByScript(row, table);
}

bool COnvifConfigManager::runSet(const NameRow& row, Json::Value& table)
{
    return row.set ? (this->*row.set)(table) : setByScript(row, table);
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
    if (!row || !row->readable()) {
        ONVIF_LOG(LOG_WARN, "getConfig fail! argu[%s] not impl!, remote ip:<%s>\n", key.c_str(), ip);
        return false;
    }
    if (!runGet(*row, table))
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
    if (!row || !row->writable()) {
        ONVIF_LOG(LOG_WARN, "setConfig fail! argu[%s] not impl! remote IP:[%s]\n", key.c_str(), ip);
        return false;
    }
    return runSet(*row, copy);
}

void COnvifConfigManager::clearOSDCfg()
{
    std::lock_guard<std::mutex> lock(m_osdMutex);
    m_osdCfg.clear();
}

} // namespace Onvif
} // namespace RPC
