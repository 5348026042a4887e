// URIs and media requests derived from a (channel, stream) pair: each finds the profile,
// asks the device through a script and, behind a port mapping, rewrites the answer so
// the host can reach it.
#include <string>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/InfoCenter/OnvifJsonAccess.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {
namespace {

using Script = bool (*)(const Zentar::Component::ServerInfo&, Json::Value&, Json::Value&);

// The profile token of (channel, streamType); false when there is no such profile.
bool profileTokenOf(COnvifInfoCenter& centre, const Zentar::Component::ServerInfo& info, int channel,
                    int streamType, std::string& token)
{
    Json::Value profile(Json::objectValue);
    profile["RemoteChannel"] = channel;
    profile["StreamType"] = streamType;
    if (!centre.getProfile(info, profile))
        return false;
    token = memberText(profile, "token");
    return true;
}

// Maps a device URI when the login goes through a port mapping.
std::string mapped(const Zentar::Component::ServerInfo& info, const std::string& uri, bool useLoginPort)
{
    if (info.mediaPort == 0 || uri.empty())
        return uri;
    std::string out;
    COnvifInfoCenter::handleMapSteamURL(info, uri, out, useLoginPort);
    return out;
}

bool profileScript(COnvifInfoCenter& centre, const Zentar::Component::ServerInfo& info, int channel, int streamType,
                   Script script)
{
    std::string token;
    if (!profileTokenOf(centre, info, channel, streamType, token))
        return false;
    Json::Value request(Json::objectValue);
    request["ProfileToken"] = token;
    Json::Value result(Json::objectValue);
    return script(info, request, result);
}

} // namespace

bool COnvifInfoCenter::getSnapUrl(std::string& url, const ServerInfo& info, int channel)
{
    url.clear();
    std::string token;
    if (!profileTokenOf(*this, info, channel, 0, token))
        return false;
    Json::Value request(Json::objectValue);
    request["ProfileToken"] = token;
    Json::Value result(Json::objectValue);
    if (!getSnapshotUri(info, request, result)) {
        ONVIF_LOG(LOG_INFO, "getSnapUrl err!\n");
        return false;
    }
    // Snapshots are plain HTTP on the login's own port.
    url = mapped(info, memberText(result, "MediaUri", "Uri"), true);
    return !url.empty();
}

bool COnvifInfoCenter::getStreamUrl(std::string& url, const ServerInfo& info, int channel, int streamType,
                                    const Json::Value& setup)
{
    url.clear();
    std::string token;
    if (!profileTokenOf(*this, info, channel, streamType, token))
        return false;
    Json::Value request = setup.isObject() ? setup : Json::Value(Json::objectValue);
    request["ProfileToken"] = token;
    Json::Value result(Json::objectValue);
    if (!getStreamUri(info, request, result))
        return false;
    url = mapped(info, memberText(result, "MediaUri", "Uri"), false);
    return !url.empty();
}

bool COnvifInfoCenter::getReplayUrl(std::string& url, const ServerInfo& info, const Json::Value& request)
{
    url.clear();
    Json::Value replayRequest = request.isObject() ? request : Json::Value(Json::objectValue);
    Json::Value result(Json::objectValue);
    if (!commonOpList(info, replayRequest, result, "Replay", "ReplayControl", "GetReplayUri")) {
        ONVIF_LOG(LOG_WARN, "getReplayUri fail!\n");
        return false;
    }
    url = mapped(info, memberText(result, "Uri"), false);
    return !url.empty();
}

bool COnvifInfoCenter::setSynchronizationPoint(const ServerInfo& info, int channel, int streamType)
{
    return profileScript(*this, info, channel, streamType, &setSynchronizationPoints);
}

bool COnvifInfoCenter::startMulticastStream(const ServerInfo& info, int channel, int streamType)
{
    if (profileScript(*this, info, channel, streamType, &startMulticastStreaming))
        return true;
    ONVIF_LOG(LOG_INFO, "StartMulticastStreaming err!\n");
    return false;
}

bool COnvifInfoCenter::stopMulticastStream(const ServerInfo& info, int channel, int streamType)
{
    if (profileScript(*this, info, channel, streamType, &stopMulticastStreaming))
        return true;
    ONVIF_LOG(LOG_INFO, "StopMulticastStreaming err!\n");
    return false;
}

} // namespace Onvif
} // namespace RPC
