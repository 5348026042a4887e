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

// The members of wanted whose value differs from what the device reads now (records
// compared member by member). A value the host left alone is not sent back: the 0..100
// scale is not exact both ways on every range, so re-sending it could move it.
Json::Value changedOnly(const Json::Value& wanted, const Json::Value& current)
{
    Json::Value changed(Json::objectValue);
    if (!wanted.isObject())
        return changed;
    for (const std::string& name : wanted.getMemberNames()) {
        const Json::Value& now = current.isObject() ? current[name] : Json::Value::nullSingleton();
        if (wanted[name].isObject()) {
            Json::Value inner = changedOnly(wanted[name], now);
            if (!inner.empty())
                changed[name] = inner;
        } else if (wanted[name] != now) {
            changed[name] = wanted[name];
        }
    }
    return changed;
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
    Json::Value current;
    if (!readImaging(*m_serverInfo, "Image", table, current))
        return false;
    Json::Value request = imagingRequest(table);
    request["ImagingSettings"] = changedOnly(
        table.isObject() ? table.get("ImagingSettings", Json::Value(Json::objectValue)) : Json::Value(),
        current["ImagingSettings"]);
    return request["ImagingSettings"].empty() || writeImaging(*m_serverInfo, "Image", request);
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
    Json::Value current;
    if (!readImaging(*m_serverInfo, "VideoColor", table, current))
        return false;
    Json::Value request = imagingRequest(table);
    Json::Value wanted(Json::objectValue);
    for (const auto& c : kVideoColor)
        if (table.isObject() && table.isMember(c.host))
            wanted[c.device] = table[c.host];
    request["ImagingSettings"] = changedOnly(wanted, current["ImagingSettings"]);
    return request["ImagingSettings"].empty() || writeImaging(*m_serverInfo, "VideoColor", request);
}

} // namespace Onvif
} // namespace RPC
