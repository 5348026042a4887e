#include "Components/DeviceQuery/OnvifEncode.h"

#include "Components/DeviceQuery/OnvifChannelQuery.h"
#include "Components/DeviceQuery/OnvifEncoderCaps.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

COnvifEncode::COnvifEncode(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

Json::Value COnvifEncode::extraStreamCaps(const Json::Value& channels)
{
    Json::Value caps(Json::objectValue);
    caps["VideoEncodeDevices"] = Json::Value(Json::arrayValue);
    for (Json::ArrayIndex c = 0; c < channels.size(); ++c) {
        const int streams = channels[c].isArray() ? static_cast<int>(channels[c].size()) : 0;
        caps["VideoEncodeDevices"][c]["MaxExtraStream"] = streams > 0 ? streams - 1 : 0;
    }
    return caps;
}

bool COnvifEncode::getCaps(Json::Value& caps)
{
    Json::Value channels;
    if (!readGroupedProfiles(*m_serverInfo, channels)) {
        ONVIF_LOG(LOG_INFO, "getProfile failed.\n");
        return false;
    }
    caps = extraStreamCaps(channels);
    ONVIF_LOG(LOG_TRACE, "caps:%s\n", caps.toStyledString().c_str());
    return true;
}

bool COnvifEncode::getConfigCaps(int channel, Json::Value& caps)
{
    return readEncoderCapability(*m_serverInfo, channel, caps);
}

} // namespace Onvif
} // namespace RPC
