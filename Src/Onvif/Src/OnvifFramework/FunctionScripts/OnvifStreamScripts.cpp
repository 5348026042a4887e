// Composites of streams: URIs, multicast and synchronisation points.
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifMediaSelect.h"
#include "OnvifFramework/FunctionScripts/OnvifProfileGrouping.h"
#include "OnvifFramework/FunctionScripts/OnvifStreamSetup.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

bool media2ProtocolFromSetup(const Json::Value& request, std::string& protocol)
{
    protocol.clear();
    const Json::Value& setup = request.isObject() ? request.get("StreamSetup", Json::Value()) : Json::Value();
    if (!setup.isObject() || !setup.isMember("Stream"))
        return true;
    const std::string stream = textMember(setup, "Stream");
    if (stream == "RTP-Multicast") {
        protocol = "RtspMulticast";
        return true;
    }
    if (stream != "RTP-Unicast")
        return false;
    const Json::Value& transport = setup.get("Transport", Json::Value());
    if (!transport.isObject() || !transport.isMember("Protocol"))
        return true;
    const std::string transportProtocol = textMember(transport, "Protocol");
    if (transportProtocol == "UDP")
        protocol = "RtspUnicast";
    else if (transportProtocol == "TCP" || transportProtocol == "RTSP")
        protocol = "RTSP";
    else if (transportProtocol == "HTTP")
        protocol = "RtspOverHttp";
    else
        return false;
    return true;
}

namespace {

using P = EMediaPattern;

const COnvifMediaOp kSnapshotUri = {"getSnapshotUri", P::Either, "GetSnapShotUri", "GetSnapShotUri",
                                    nullptr, nullptr, nullptr};
const COnvifMediaOp kStartMulticast = {"startMulticastStreaming", P::Either, "StartMulticastStreaming",
                                       "StartMulticastStreaming", nullptr, nullptr, nullptr};
const COnvifMediaOp kStopMulticast = {"stopMulticastStreaming", P::Either, "StopMulticastStreaming",
                                      "StopMulticastStreaming", nullptr, nullptr, nullptr};
const COnvifMediaOp kSyncPoints = {"setSynchronizationPoints", P::Either, "SetSynchronizationPoints",
                                   "SetSynchronizationPoints", nullptr, nullptr, nullptr};

} // namespace

bool getStreamUri(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    if (!request.isNull() && !request.isObject()) {
        ONVIF_ERRLN();
        return false;
    }
    if (!isMedia2Selected(info))
        return callMedia(info, request, result, "GetStreamUri");

    std::string protocol;
    if (!media2ProtocolFromSetup(request, protocol)) {
        ONVIF_LOG(LOG_WARN, "getStreamUri: stream set-up not expressible in Media2\n");
        return false;
    }
    Json::Value media2Request = request;
    if (!protocol.empty())
        media2Request["Protocol"] = protocol;
    const Json::Value untouched = result;
    if (callMedia2(info, media2Request, result, "GetStreamUri"))
        return true;
    ONVIF_LOG(LOG_WARN, "getStreamUri media2 failed, try media!\n");
    result = untouched;
    return callMedia(info, request, result, "GetStreamUri");
}

bool getSnapshotUri(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kSnapshotUri);
}

bool startMulticastStreaming(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kStartMulticast);
}

bool stopMulticastStreaming(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kStopMulticast);
}

bool setSynchronizationPoints(const ServerInfo& info, Json::Value& request, Json::Value& result)
{
    return runMediaOp(info, request, result, kSyncPoints);
}

} // namespace Onvif
} // namespace RPC
