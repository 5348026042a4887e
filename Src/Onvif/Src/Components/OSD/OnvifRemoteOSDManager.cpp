#include "Components/OSD/OnvifRemoteOSDManager.h"

#include "Components/OSD/OnvifOSDOptions.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

COnvifRemoteOSDManager::COnvifRemoteOSDManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

bool COnvifRemoteOSDManager::getCaps(const Json::Value& request, Json::Value& caps)
{
    if (memberText(request, "CapName") != "FontSize") {
        ONVIF_LOG(LOG_WARN, "invaild param!\n");
        return false;
    }
    int channel = 0;
    memberInt(request, "Channel", channel);
    Json::Value options;
    if (!readChannelOSDOptions(*m_serverInfo, channel, options, "getOSDOptions fail!\n"))
        return false;
    const Json::Value& range = options["OSDOptions"]["TextOption"]["FontSizeRange"];
    caps = Json::Value(Json::objectValue);
    caps["Support"] = range.isObject() && range["Min"].isInt() && range["Max"].isInt();
    if (caps["Support"].asBool()) {
        caps["SupportMinSize"] = range["Min"];
        caps["SupportMaxSize"] = range["Max"];
    }
    return true;
}

bool COnvifRemoteOSDManager::getOSDs(int channel, Json::Value& osds)
{
    Json::Value request(Json::objectValue);
    std::string token;
    if (!readChannelSourceConfiguration(*m_serverInfo, channel, token))
        return false;
    request["ConfigurationToken"] = token;
    Json::Value result(Json::objectValue);
    if (!RPC::Onvif::getOSDs(*m_serverInfo, request, result))
        return false;
    // A source with no OSD answers without the list.
    osds = result.isMember("OSDs") && result["OSDs"].isArray() ? result["OSDs"] : Json::Value(Json::arrayValue);
    return true;
}

bool COnvifRemoteOSDManager::osdRequest(int channel, const Json::Value& osd, Json::Value& request)
{
    if (!osd.isObject()) {
        ONVIF_ERRLN();
        return false;
    }
    std::string token;
    if (!readChannelSourceConfiguration(*m_serverInfo, channel, token))
        return false;
    request = Json::Value(Json::objectValue);
    request["OSD"] = osd;
    if (memberText(osd, "VideoSourceConfigurationToken").empty())
        request["OSD"]["VideoSourceConfigurationToken"] = token;
    return true;
}

bool COnvifRemoteOSDManager::createOSD(int channel, const Json::Value& osd, std::string& token)
{
    Json::Value request;
    Json::Value result(Json::objectValue);
    if (!osdRequest(channel, osd, request) || !RPC::Onvif::createOSD(*m_serverInfo, request, result))
        return false;
    token = memberText(result, "OSDToken");
    return true;
}

bool COnvifRemoteOSDManager::setOSD(int channel, const Json::Value& osd)
{
    Json::Value request;
    Json::Value result(Json::objectValue);
    return osdRequest(channel, osd, request) && RPC::Onvif::setOSD(*m_serverInfo, request, result);
}

bool COnvifRemoteOSDManager::deleteOSD(int channel, const std::string& token)
{
    Json::Value request(Json::objectValue);
    Json::Value result(Json::objectValue);
    request["OSDToken"] = token;
    return !token.empty() && RPC::Onvif::deleteOSD(*m_serverInfo, request, result);
}

} // namespace Onvif
} // namespace RPC
