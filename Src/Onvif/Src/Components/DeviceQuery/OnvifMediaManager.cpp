#include "Components/DeviceQuery/OnvifMediaManager.h"

#include "Components/DeviceQuery/OnvifChannelQuery.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {
bool flagSet(const Json::Value& record, const char* name)
{
    const Json::Value& value = record.isObject() ? record[name] : Json::Value();
    return (value.isBool() && value.asBool()) || (value.isString() && value.asString() == "true");
}
} // namespace

COnvifMediaManager::COnvifMediaManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

Json::Value COnvifMediaManager::transportTypes(const Json::Value& streaming, bool https)
{
    Json::Value list(Json::arrayValue);
    if (flagSet(streaming, "RTPMulticast"))
        list.append("RtspMulticast");
    if (flagSet(streaming, "RTP_RTSP_TCP"))
        list.append("RTSP");
    if (flagSet(streaming, "RTSPStreaming")) {
        list.append("RtspUnicast");
        list.append(https ? "RtspOverHttps" : "RtspOverHttp");
    }
    return list;
}

bool COnvifMediaManager::getCaps(const Json::Value& names, Json::Value& caps)
{
    if (!names.isArray() || names.size() != 1 || !names[0].isString() || names[0].asString() != "MediaTransportType") {
        ONVIF_ERRLN();
        return false;
    }
    Json::Value mediaCaps(Json::objectValue);
    if (!COnvifInfoCenter::instance()->getMediaCaps(*m_serverInfo, mediaCaps, true)) {
        ONVIF_ERRLN();
        return false;
    }
    const Json::Value& capabilities = mediaCaps.isObject() ? mediaCaps["Capabilities"] : Json::Value();
    const Json::Value& streaming = capabilities.isObject() ? capabilities["StreamingCapabilities"] : Json::Value();
    if (!caps.isObject())
        caps = Json::Value(Json::objectValue);
    caps["MediaTransportType"] = transportTypes(streaming, m_serverInfo->https);
    ONVIF_LOG(LOG_DEBUG, "IP:<%s>, caps:%s\n", m_serverInfo->address.c_str(), caps.toStyledString().c_str());
    return true;
}

bool COnvifMediaManager::getAudioInEx(Json::Value& channels)
{
    Json::Value grouped;
    if (!readGroupedProfiles(*m_serverInfo, grouped)) {
        ONVIF_LOG(LOG_INFO, "get profiles failed\n");
        return false;
    }
    channels = channelsWithFirstProfileMember(grouped, "AudioSourceConfiguration", "token");
    return true;
}

} // namespace Onvif
} // namespace RPC
