#include "Components/DeviceQuery/OnvifChannelQuery.h"

#include "OnvifFramework/FunctionScripts/OnvifProfileGrouping.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"

namespace RPC {
namespace Onvif {

bool readGroupedProfiles(const Zentar::Component::ServerInfo& info, Json::Value& channels)
{
    Json::Value request(Json::objectValue);
    if (!COnvifInfoCenter::instance()->getProfile(info, request) || !request["Profiles"].isArray())
        return false;
    channels = request["Profiles"];
    return true;
}

Json::Value channelsWithFirstProfileMember(const Json::Value& channels, const char* group, const char* name)
{
    Json::Value list(Json::arrayValue);
    for (Json::ArrayIndex c = 0; c < channels.size(); ++c) {
        const Json::Value& channel = channels[c];
        if (channel.isArray() && !channel.empty() && !textMember(channel[0], group, name).empty())
            list.append(static_cast<int>(c));
    }
    return list;
}

bool readDeviceIOCount(const Zentar::Component::ServerInfo& info, const char* member, int& count)
{
    Json::Value caps(Json::objectValue);
    if (!COnvifInfoCenter::instance()->getDeviceIOCaps(info, caps, true) || !caps.isObject())
        return false;
    const Json::Value& capabilities = caps["Capabilities"];
    if (!capabilities.isObject() || !capabilities[member].isInt())
        return false;
    count = capabilities[member].asInt();
    return true;
}

} // namespace Onvif
} // namespace RPC
