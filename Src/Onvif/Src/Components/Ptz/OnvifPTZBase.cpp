#include "Components/Ptz/OnvifPTZBase.h"

#include <cstring>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifPtzTables.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

COnvifPTZBase::COnvifPTZBase(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

bool COnvifPTZBase::initTable(int channel, const Json::Value& entries, const char* array, const char* maxKey)
{
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    Json::Value profile(Json::objectValue);
    profile["RemoteChannel"] = channel;
    profile["StreamType"] = 0;
    if (!centre->getProfile(*m_serverInfo, profile) || !profile.isMember("PTZConfiguration")) {
        ONVIF_LOG(LOG_WARN, "Profile PTZConfiguration missed\n");
        return false;
    }
    Json::Value node(Json::objectValue);
    node["NodeToken"] = memberText(profile, "PTZConfiguration", "NodeToken");
    if (!centre->getPTZNode(*m_serverInfo, node, true)) {
        ONVIF_LOG(LOG_INFO, "get node failed\n");
        return false;
    }
    const Json::Value& limit = node.get(maxKey, 0);
    const int max = limit.isIntegral() ? limit.asInt() : 0;
    Json::Value table = PtzTables::emptyTable(memberText(profile, "token"), array);
    for (const Json::Value& entry : entries.isArray() ? entries : Json::Value(Json::arrayValue)) {
        int index = 0;
        if (!memberInt(entry, "Index", index) || index < 1 || index > max)
            continue;   // a number the dome cannot have any more
        Json::Value slot = entry;
        if (!slot.isMember("Enable"))
            slot["Enable"] = true;
        table[array][static_cast<Json::ArrayIndex>(index - 1)] = slot;
    }
    return std::strcmp(array, "Tour") == 0 ? centre->storeTours(*m_serverInfo, table, true)
                                           : centre->storePresets(*m_serverInfo, table, true);
}

bool COnvifPTZBase::initPresets(int channel, const Json::Value& presets)
{
    ONVIF_LOG(LOG_TRACE, "initPresets, channel:%d, presets:%s\n", channel, presets.toStyledString().c_str());
    return initTable(channel, presets, "Preset", "PresetMax");
}

bool COnvifPTZBase::initTours(int channel, const Json::Value& tours)
{
    ONVIF_LOG(LOG_TRACE, "initTours, channel:%d, tours:%s\n", channel, tours.toStyledString().c_str());
    return initTable(channel, tours, "Tour", "TourMax");
}

bool storePtzNumber(const Zentar::Component::ServerInfo& info, bool tour, int channel, int index, const char* name)
{
    Json::Value request(Json::objectValue);
    request["RemoteChannel"] = channel;
    request["Index"] = index;
    request["Name"] = name ? name : "";
    Json::Value result(Json::objectValue);
    return tour ? RPC::Onvif::setTour(info, request, result) : RPC::Onvif::setPreset(info, request, result);
}

bool COnvifPTZBase::setPreset(int channel, int index, const char* name, const Json::Value&)
{
    ONVIF_LOG(LOG_TRACE, "setPreset, channel:%d, index:%d, name:%s\n", channel, index, name ? name : "");
    return storePtzNumber(*m_serverInfo, false, channel, index, name);
}

bool COnvifPTZBase::setTour(int channel, int index, const char* name, const Json::Value&)
{
    ONVIF_LOG(LOG_TRACE, "setTour, channel:%d, index:%d, name:%s\n", channel, index, name ? name : "");
    return storePtzNumber(*m_serverInfo, true, channel, index, name);
}

} // namespace Onvif
} // namespace RPC
