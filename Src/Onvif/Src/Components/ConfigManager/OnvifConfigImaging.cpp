// "Image" and "VideoColor": the picture settings through the imaging composites, which
// already express every value on the host's 0..100 scale.
#include "Components/ConfigManager/OnvifConfigManager.h"

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
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
    const Json::Value& head = table.isArray() && !table.empty() ? table[0] : table;
    Json::Value request(Json::objectValue);
    request["RemoteChannel"] = head.isObject() ? head.get("RemoteChannel", 0) : Json::Value(0);
    request["StreamType"] = head.isObject() ? head.get("StreamType", 0) : Json::Value(0);
    return request;
}

bool readImaging(const ServerInfo& info, const char* name, const Json::Value& table, Json::Value& result)
{
    Json::Value request = imagingRequest(table);
    result = Json::Value(Json::objectValue);
    if (getImagingCfg(info, request, result))
        return true;
    ONVIF_LOG(LOG_WARN, "getConfig fail! argu[%s]\n", name);
    ONVIF_ERRLN();
    return false;
}

bool writeImaging(const ServerInfo& info, const char* name, Json::Value& request)
{
    Json::Value result(Json::objectValue);
    if (setImagingCfg(info, request, result))
        return true;
    ONVIF_LOG(LOG_WARN, "setConfig fail! argu[%s]\n", name);
    ONVIF_ERRLN();
    return false;
}

} // namespace

bool COnvifConfigManager::getConfigImage(Json::Value& table)
{
    Json::Value result;
    if (!readImaging(*m_serverInfo, "Image", table, result))
        return false;
    if (!table.isObject())
        table = Json::Value(Json::objectValue);
    for (const std::string& member : result.getMemberNames())
        table[member] = result[member];
    return true;
}

bool COnvifConfigManager::setConfigImage(Json::Value& table)
{
    Json::Value request = imagingRequest(table);
    request["ImagingSettings"] =
        table.isObject() ? table.get("ImagingSettings", Json::Value(Json::objectValue)) : Json::Value();
    return writeImaging(*m_serverInfo, "Image", request);
}

bool COnvifConfigManager::getConfigVideoColor(Json::Value& table)
{
    Json::Value result;
    if (!readImaging(*m_serverInfo, "VideoColor", table, result))
        return false;
    if (!table.isObject())
        table = Json::Value(Json::objectValue);
    for (const auto& c : kVideoColor)
        if (result["ImagingSettings"].isMember(c.device))
            table[c.host] = result["ImagingSettings"][c.device];
    return true;
}

bool COnvifConfigManager::setConfigVideoColor(Json::Value& table)
{
    Json::Value request = imagingRequest(table);
    for (const auto& c : kVideoColor)
        if (table.isObject() && table.isMember(c.host))
            request["ImagingSettings"][c.device] = table[c.host];
    return writeImaging(*m_serverInfo, "VideoColor", request);
}

} // namespace Onvif
} // namespace RPC
