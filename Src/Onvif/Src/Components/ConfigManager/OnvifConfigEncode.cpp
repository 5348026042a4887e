// The configuration manager's encoder pages: "Base" (who the device is), "Capability" (what
// a channel's encoders can do) and "Encode" (what they do, per stream, read and written in
// the host's vocabulary).
#include "Components/ConfigManager/OnvifConfigManager.h"
#include "Components/DeviceQuery/OnvifEncoderCaps.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

bool channelOf(const Json::Value& table, int& channel)
{
    if (!table.isObject() || !memberInt(table, "RemoteChannel", channel)) {
        ONVIF_ERRLN();
        return false;
    }
    return true;
}

Json::Value streamRequest(int channel, int stream)
{
    Json::Value request(Json::objectValue);
    request["RemoteChannel"] = channel;
    request["StreamType"] = stream;
    return request;
}

} // namespace

bool COnvifConfigManager::getBaseInfo(Json::Value& table)
{
    Json::Value information(Json::objectValue);
    if (!COnvifInfoCenter::instance()->getDeviceInfo(*m_serverInfo, information, true)) {
        ONVIF_ERRLN();
        return false;
    }
    if (!table.isObject())
        table = Json::Value(Json::objectValue);
    for (const std::string& name : information.getMemberNames())
        table[name] = information[name];
    table["ModelName"] = information.get("Model", "");
    return true;
}

bool COnvifConfigManager::getCapabilityInfo(Json::Value& table)
{
    int channel = 0;
    if (!channelOf(table, channel))
        return false;
    Json::Value caps;
    if (!readEncoderCapability(*m_serverInfo, channel, caps))
        return false;
    for (const std::string& name : caps.getMemberNames())
        table[name] = caps[name];
    return true;
}

bool COnvifConfigManager::readStreamEncode(int channel, int stream, Json::Value& format)
{
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    Json::Value video = streamRequest(channel, stream);
    format = Json::Value(Json::objectValue);
    if (!centre->getVideoEncodeCfgInfo(*m_serverInfo, video, true) || !video.isObject()) {
        format["VideoEnable"] = false;
        return false;
    }
    format = video;
    Json::Value audio = streamRequest(channel, stream);
    if (centre->getAudioEncodeCfgInfo(*m_serverInfo, audio, true) && audio.isObject()) {
        format["AudioEnable"] = audio.get("AudioEnable", false);
        format["Audio"] = audio.get("Audio", Json::Value(Json::objectValue));
    }
    return true;
}

bool COnvifConfigManager::getConfigEncode(Json::Value& table)
{
    int channel = 0;
    if (table.isArray() || !channelOf(table, channel))
        return false;
    Json::Value main;
    const bool mainRead = readStreamEncode(channel, 0, main);
    table["MainFormat"] = Json::Value(Json::arrayValue);
    table["MainFormat"].append(main);
    if (!mainRead) {
        ONVIF_LOG(LOG_WARN, "getConfigEncode main-stream fail!\n");
        return false;
    }
    table["ExtraFormat"] = Json::Value(Json::arrayValue);
    const int streams = COnvifInfoCenter::instance()->getProfileCount(*m_serverInfo, channel);
    for (int stream = 1; stream < streams; ++stream) {
        Json::Value extra;
        readStreamEncode(channel, stream, extra);   // an unreadable extra stream stays disabled
        table["ExtraFormat"].append(extra);
    }
    table["SnapFormat"] = Json::Value(Json::arrayValue);
    for (int i = 0; i < 3; ++i)
        table["SnapFormat"].append("");
    return true;
}

bool COnvifConfigManager::setConfigEncode(Json::Value& table)
{
    int channel = 0;
    if (!channelOf(table, channel))
        return false;
    bool ok = true;
    const Json::Value& extras = table["ExtraFormat"];
    const int extraCount = extras.isArray() ? static_cast<int>(extras.size()) : 0;
    for (int stream = 0; stream <= extraCount; ++stream) {
        const Json::Value& format = stream == 0 ? table["MainFormat"][0] : extras[stream - 1];
        if (!format.isObject())
            continue;
        // The video when enabled, the audio when the format names it at all.
        const struct {
            bool wanted;
            bool (*set)(const ServerInfo&, Json::Value&, Json::Value&);
            const char* failure;
        } parts[] = {
            {format.get("VideoEnable", false).asBool(), &setVideoEncoderCfg,
             "set VideoEncoderCfg failed. Channel:%d, Stream:%d\n"},
            {format.isMember("AudioEnable"), &setAudioEncoderCfg, "set AudioEncoderCfg failed. Channel:%d, Stream:%d\n"},
        };
        for (const auto& part : parts) {
            if (!part.wanted)
                continue;
            Json::Value request = format;
            Json::Value result(Json::objectValue);
            request["RemoteChannel"] = channel;
            request["StreamType"] = stream;
            if (!part.set(*m_serverInfo, request, result)) {
                ONVIF_LOG(LOG_WARN, part.failure, channel, stream);
                ok = false;
            }
        }
    }
    COnvifInfoCenter::instance()->setCacheValid(*m_serverInfo, INFO_SLOT_VIDEO_ENCODER_OPTIONS, 0);
    if (!ok)
        ONVIF_LOG(LOG_WARN, "setConfig fail! argu[Encode], remote IP:[%s]\n", m_serverInfo->address.c_str());
    return ok;
}

} // namespace Onvif
} // namespace RPC
