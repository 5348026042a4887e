#include "Components/DeviceQuery/OnvifLogicDeviceManager.h"

#include <cstring>

#include "Components/DeviceQuery/OnvifChannelQuery.h"
#include "OnvifFramework/FunctionScripts/OnvifProfileGrouping.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

COnvifLogicDeviceManager::COnvifLogicDeviceManager(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

bool COnvifLogicDeviceManager::getCameraAll(Json::Value& cameras)
{
    Json::Value channels;
    if (!readGroupedProfiles(*m_serverInfo, channels)) {
        ONVIF_LOG(LOG_INFO, "getProfile failed.\n");
        return false;
    }
    cameras = Json::Value(Json::arrayValue);
    for (Json::ArrayIndex c = 0; c < channels.size(); ++c) {
        if (!channels[c].isArray() || channels[c].empty())
            continue;
        Json::Value camera(Json::objectValue);
        camera["Enable"] = true;
        camera["UniqueChannel"] = static_cast<int>(c);
        cameras.append(camera);
    }
    ONVIF_LOG(LOG_TRACE, "cameras:%s\n", cameras.toStyledString().c_str());
    return true;
}

bool COnvifLogicDeviceManager::getVideoChannelsInfo(const char* type, Json::Value& info)
{
    if (!type || (std::strcmp(type, "Input") != 0 && std::strcmp(type, "All") != 0))
        return false;
    Json::Value channels;
    if (!readGroupedProfiles(*m_serverInfo, channels)) {
        ONVIF_LOG(LOG_INFO, "getProfile failed.\n");
        return false;
    }
    // A channel counts as a PTZ channel when its main profile can be steered absolutely.
    Json::Value ptz(Json::arrayValue);
    for (Json::ArrayIndex c = 0; c < channels.size(); ++c) {
        const Json::Value& channel = channels[c];
        if (!channel.isArray() || channel.empty())
            continue;
        if (!textMember(channel[0], "PTZConfiguration", "token").empty() &&
            !textMember(channel[0], "PTZConfiguration", "DefaultAbsolutePantTiltPositionSpace").empty())
            ptz.append(static_cast<int>(c));
    }
    if (!info.isObject())
        info = Json::Value(Json::objectValue);
    info["Input"]["SD"] = ptz;
    ONVIF_LOG(LOG_TRACE, "info:%s\n", info.toStyledString().c_str());
    return true;
}

int COnvifLogicDeviceManager::deviceIOCount(const char* member, const char* logFormat)
{
    int count = 0;
    if (!readDeviceIOCount(*m_serverInfo, member, count))
        return -1;
    ONVIF_LOG(LOG_TRACE, logFormat, count);
    return count < 0 ? 0 : count;
}

bool COnvifLogicDeviceManager::getVideoInputChannels(int& count)
{
    count = deviceIOCount("VideoSources", "getDeviceIOCaps-VideoSources:%d\n");
    if (count >= 0)
        return true;
    // Devices without the device-IO service: one input per channel of the profiles.
    Json::Value channels;
    if (!readGroupedProfiles(*m_serverInfo, channels)) {
        ONVIF_LOG(LOG_WARN, "get profile failed\n");
        count = 0;
        return true;
    }
    count = static_cast<int>(channels.size());
    return true;
}

bool COnvifLogicDeviceManager::getVideoOutputChannels(int& count)
{
    count = deviceIOCount("VideoOutputs", "getDeviceIOCaps-VideoOutputs:%d\n");
    if (count < 0)
        count = 0;
    return true;
}

Json::Value COnvifLogicDeviceManager::profileSummary(const Json::Value& profile)
{
    // Media2 profile lists name the encoder only; Media lists also carry its settings.
    // Members the device did not state are left out rather than shown as 0.
    const Json::Value& encoder = profile.isObject() ? profile["VideoEncoderConfiguration"] : Json::Value();
    Json::Value summary(Json::objectValue);
    auto text = [&summary](const char* key, const std::string& value) {
        if (!value.empty())
            summary[key] = value;
    };
    auto number = [&summary, &encoder](const char* key, const char* group, const char* name) {
        const Json::Value& g = encoder.isObject() ? encoder[group] : Json::Value();
        const Json::Value& v = g.isObject() ? g[name] : Json::Value();
        if (v.isNumeric() && v.asInt() > 0)
            summary[key] = v.asInt();
    };
    text("ProfileToken", textMember(profile, "token"));
    text("Name", textMember(profile, "Name"));
    text("Encoding", textMember(encoder, "Encoding"));
    number("Width", "Resolution", "Width");
    number("Height", "Resolution", "Height");
    number("FrameRate", "RateControl", "FrameRateLimit");
    number("Bitrate", "RateControl", "BitrateLimit");
    return summary;
}

bool COnvifLogicDeviceManager::getChannelProfiles(Json::Value& channels)
{
    Json::Value grouped;
    if (!readGroupedProfiles(*m_serverInfo, grouped)) {
        ONVIF_LOG(LOG_INFO, "getProfile failed.\n");
        return false;
    }
    channels = Json::Value(Json::arrayValue);
    for (const Json::Value& channel : grouped) {
        Json::Value streams(Json::arrayValue);
        if (channel.isArray()) {
            for (const Json::Value& profile : channel)
                streams.append(profileSummary(profile));
        }
        channels.append(streams);
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
