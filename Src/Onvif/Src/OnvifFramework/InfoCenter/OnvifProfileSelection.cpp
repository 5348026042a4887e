// The grouped media profiles (slot 2): channel c is the c-th distinct video source, stream
// s the s-th profile of that source. Components address profiles by (channel, stream) or
// by token; this is where those numbers become profile records.
#include <string>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifCacheSlot.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {
namespace {

bool inRange(int index, const Json::Value& array) { return array.isArray() && index >= 0 && index < static_cast<int>(array.size()); }

// The selection rules on the cached channel array; request is replaced on success.
bool selectProfile(const Json::Value& channels, Json::Value& request)
{
    int channel = 0;
    int stream = 0;
    const bool hasChannel = request.isMember("RemoteChannel");
    if (hasChannel && request.isMember("StreamType")) {
        if (memberInt(request, "RemoteChannel", channel) && memberInt(request, "StreamType", stream) &&
            inRange(channel, channels) && inRange(stream, channels[channel]) && !channels[channel][stream].empty()) {
            request = channels[channel][stream];
            return true;
        }
        return false;
    }
    const std::string token = memberText(request, "ProfileToken");
    if (!token.empty()) {
        for (const Json::Value& group : channels) {
            if (!group.isArray())
                continue;
            for (const Json::Value& profile : group) {
                if (memberText(profile, "token") == token) {
                    request = profile;
                    return true;
                }
            }
        }
        return false;
    }
    if (!hasChannel) {
        if (channels.empty())
            return false;
        request["Profiles"] = channels;
        return true;
    }
    if (memberInt(request, "RemoteChannel", channel) && inRange(channel, channels) && channels[channel].isArray() &&
        !channels[channel].empty()) {
        request = channels[channel];
        return true;
    }
    return false;
}

} // namespace

bool COnvifInfoCenter::getProfile(const ServerInfo& info, Json::Value& request)
{
    if (!request.isObject()) {
        ONVIF_ERRLN();
        return false;
    }
    if (!isSlotValid(info, INFO_SLOT_PROFILES, true)) {
        Json::Value fillRequest(Json::objectValue);
        Json::Value fillResult(Json::objectValue);
        if (!getProfiles(info, fillRequest, fillResult))
            return false;
    }
    // Select inside the slot so that only the chosen profile is copied out: every PTZ
    // press and stream start asks for one, and the device may have dozens.
    bool selected = false;
    withSlot(info, INFO_SLOT_PROFILES, [&](CacheSlot& s, uint64_t) {
        const Json::Value& channels = s.side(true);
        selected = selectProfile(channels.isArray() ? channels : Json::Value(Json::arrayValue), request);
    });
    if (!selected) {
        ONVIF_ERRLN();
        return false;
    }
    return true;
}

int COnvifInfoCenter::getProfileCount(const ServerInfo& info, int channel)
{
    if (!isSlotValid(info, INFO_SLOT_PROFILES, true)) {
        Json::Value fillRequest(Json::objectValue);
        Json::Value fillResult(Json::objectValue);
        if (!getProfiles(info, fillRequest, fillResult))
            return 0;
    }
    int count = 0;
    withSlot(info, INFO_SLOT_PROFILES, [&](CacheSlot& s, uint64_t) {
        const Json::Value& channels = s.side(true);
        if (inRange(channel, channels) && channels[channel].isArray())
            count = static_cast<int>(channels[channel].size());
    });
    return count;
}

bool COnvifInfoCenter::fillProfile(const ServerInfo& info, int channel, int streamType, const std::string& configName)
{
    Json::Value profile(Json::objectValue);
    profile["RemoteChannel"] = channel;
    profile["StreamType"] = streamType;
    if (!getProfile(info, profile)) {
        ONVIF_LOG(LOG_WARN, "getProfile failed\n");
        return false;
    }
    // Only analytics are ever added on demand; other kinds are what the device gave.
    if (configName != "VideoAnalyticsConfiguration" || profile.isMember("VideoAnalyticsConfiguration"))
        return true;

    const std::string profileToken = memberText(profile, "token");
    Json::Value request(Json::objectValue);
    request["ProfileToken"] = profileToken;
    Json::Value compatible(Json::objectValue);
    if (!getCompatibleVideoAnalyticsCfgs(info, request, compatible)) {
        ONVIF_LOG(LOG_WARN, "getCompatibleVideoAnalyticsCfg failed\n");
        return false;
    }
    const Json::Value& list = compatible.isObject() ? compatible["Configurations"] : Json::Value::nullSingleton();
    if (!list.isArray() || list.empty()) {
        ONVIF_LOG(LOG_WARN, "VideoAnalytics Token list is empty\n");
        return false;
    }
    Json::Value add(Json::objectValue);
    add["ProfileToken"] = profileToken;
    add["ConfigurationToken"] = memberText(list[0], "token");
    Json::Value added(Json::objectValue);
    if (!addVideoAnalyticsCfgToProfile(info, add, added)) {
        ONVIF_LOG(LOG_WARN, "add VideoAnalytics Token failed\n");
        return false;
    }
    Json::Value refresh(Json::objectValue);
    Json::Value refreshed(Json::objectValue);
    if (!getProfiles(info, refresh, refreshed)) {
        ONVIF_LOG(LOG_WARN, "getProfiles failed\n");
        return false;
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
