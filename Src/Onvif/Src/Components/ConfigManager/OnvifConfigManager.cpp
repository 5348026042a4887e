#include "Components/ConfigManager/OnvifConfigManager.h"

#include <cstdlib>
#include <cstring>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {

std::string splitNameAndChann(const char* text, Json::Value& table)
{
    const std::string name = text ? text : "";
    const size_t open = name.find('['), close = name.find(']');
    if (open == std::string::npos || close == std::string::npos || close <= open + 1) {
        ONVIF_LOG(Onvif::LOG_WARN, "cannot find [ or ],or position is wrong\n");
        return name;
    }
    const int channel = std::atoi(name.substr(open + 1, close - open - 1).c_str());
    Json::Value& target = table.isArray() && !table.empty() ? table[0] : table;
    if (!target.isObject())
        target = Json::Value(Json::objectValue);
    target["RemoteChannel"] = channel;
    return name.substr(0, open);
}

namespace Onvif {

namespace {

// The host's colour names and the imaging settings they stand for.
const struct {
    const char* host;
    const char* device;
} kVideoColor[] = {{"Brightness", "Brightness"}, {"Contrast", "Contrast"}, {"Saturation", "ColorSaturation"},
                   {"Sharpness", "Sharpness"}};

// The channel and stream an imaging composite works on, from the table.
Json::Value imagingRequest(const Json::Value& table)
{
    Json::Value request(Json::objectValue);
    request["RemoteChannel"] = table.get("RemoteChannel", 0);
    request["StreamType"] = table.get("StreamType", 0);
    return request;
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
    if (!table.isObject() && !table.isArray())
        table = Json::Value(Json::objectValue);
    const std::string key = splitNameAndChann(name, table);
    const char* address = m_serverInfo->address.c_str();
    ONVIF_LOG(LOG_TRACE, "ConfigManager[%p] getConfig, remote IP:<%s>, The Key:<%s>, table:%s\n",
              static_cast<void*>(this), address, key.c_str(), table.toStyledString().c_str());
    if (key != "Image" && key != "VideoColor") {
        ONVIF_LOG(LOG_WARN, "getConfig fail! argu[%s] not impl!, remote ip:<%s>\n", key.c_str(), address);
        return false;
    }
    Json::Value request = imagingRequest(table);
    Json::Value result(Json::objectValue);
    if (!getImagingCfg(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_WARN, "getConfig fail! argu[%s]\n", key.c_str());
        ONVIF_ERRLN();
        return false;
    }
    if (key == "Image") {
        for (const std::string& member : result.getMemberNames())
            table[member] = result[member];
    } else {
        for (const auto& c : kVideoColor)
            if (result["ImagingSettings"].isMember(c.device))
                table[c.host] = result["ImagingSettings"][c.device];
    }
    ONVIF_LOG(LOG_DEBUG,
              "ConfigManager[%p] getConfig, remote IP:<%s>, The Key:<%s>, and obtained configration table:\n<%s>\n",
              static_cast<void*>(this), address, key.c_str(), table.toStyledString().c_str());
    return true;
}

bool COnvifConfigManager::setConfig(const char* name, const Json::Value& table, Json::Value&)
{
    Json::Value copy = table.isObject() ? table : Json::Value(Json::objectValue);
    const std::string key = splitNameAndChann(name, copy);
    const char* address = m_serverInfo->address.c_str();
    ONVIF_LOG(LOG_TRACE, "ConfigManager[%p] setConfig, remote IP:<%s>, The Key:<%s>,table:%s\n",
              static_cast<void*>(this), address, key.c_str(), copy.toStyledString().c_str());
    if (key != "Image" && key != "VideoColor") {
        ONVIF_LOG(LOG_WARN, "setConfig fail! argu[%s] not impl! remote IP:[%s]\n", key.c_str(), address);
        return false;
    }
    Json::Value request = imagingRequest(copy);
    if (key == "Image") {
        request["ImagingSettings"] = copy.get("ImagingSettings", Json::Value(Json::objectValue));
    } else {
        for (const auto& c : kVideoColor)
            if (copy.isMember(c.host))
                request["ImagingSettings"][c.device] = copy[c.host];
    }
    Json::Value result(Json::objectValue);
    if (!setImagingCfg(*m_serverInfo, request, result)) {
        ONVIF_LOG(LOG_WARN, "setConfig fail! argu[%s]\n", key.c_str());
        ONVIF_ERRLN();
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
