#include "OnvifProtocolCore/MediaConfiguration/OnvifOthersMediaCfg.h"

#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace CommonFields;

// Without a profile the request goes out bare and the device's fault decides; with one,
// a missing set-up means plain unicast RTP over RTSP, what every device serves.
int streamSetup(CSOAPMessage& request, const Json::Value& req)
{
    const std::string token = textOr(req, "ProfileToken", "");
    if (token.empty())
        return 0;
    const std::string stream = textOr(req, "StreamSetup.Stream", "RTP-Unicast");
    const std::string protocol = textOr(req, "StreamSetup.Transport.Protocol", "RTSP");
    request.set("./trt:StreamSetup", static_cast<const char*>(nullptr));
    request.set("./trt:StreamSetup/tt:Stream", stream.c_str());
    request.set("./trt:StreamSetup/tt:Transport", static_cast<const char*>(nullptr));
    request.set("./trt:StreamSetup/tt:Transport/tt:Protocol", protocol.c_str());
    request.set("./trt:ProfileToken", token.c_str());
    return request.getLastError() == 0 ? 0 : -1;
}

const OnvifField kMediaUriOut[] = {
    boolField("MediaUri.InvalidAfterConnect", "./MediaUri/InvalidAfterConnect"),
    boolField("MediaUri.InvalidAfterReboot", "./MediaUri/InvalidAfterReboot"),
    textField("MediaUri.Timeout", "./MediaUri/Timeout"),
    {},
};

int mediaUri(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    return readMediaUri(response, "./MediaUri/Uri", rsp);
}

constexpr OnvifService kTrt{"trt", Namespaces::kMedia};

const OnvifOperation kRows[] = {
    kTrt("GetStreamUri").out(kMediaUriOut).writes(streamSetup).reads(mediaUri),
    kTrt("GetSnapShotUri", "GetSnapshotUri").in(kProfileTokenIn).out(kMediaUriOut).reads(mediaUri),
    kTrt("StartMulticastStreaming").in(kProfileTokenIn),
    kTrt("StopMulticastStreaming").in(kProfileTokenIn),
    kTrt("SetSynchronizationPoints", "SetSynchronizationPoint").in(kProfileTokenIn),
};

} // namespace

const COnvifOperationTable& COnvifOthersMediaCfg::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
