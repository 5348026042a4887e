#include "OnvifProtocolCore/MediaConfiguration/OnvifOthersMediaCfg.h"

#include <string>

#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

namespace RPC {
namespace Onvif {

namespace {

using MediaFields::kEnd;
using Namespaces::kMedia;

const OnvifField kProfileTokenIn[] = {{"ProfileToken", "./trt:ProfileToken", FIELD_TEXT, 0, nullptr, nullptr}, kEnd};

// Without a profile the request goes out bare and the device's fault decides; with one,
// a missing set-up means plain unicast RTP over RTSP, what every device serves.
int streamSetup(CSOAPMessage& request, const Json::Value& req)
{
    const std::string token = MediaFields::textOr(req, "ProfileToken", "");
    if (token.empty())
        return 0;
    const std::string stream = MediaFields::textOr(req, "StreamSetup.Stream", "RTP-Unicast");
    const std::string protocol = MediaFields::textOr(req, "StreamSetup.Transport.Protocol", "RTSP");
    request.set("./trt:StreamSetup", static_cast<const char*>(nullptr));
    request.set("./trt:StreamSetup/tt:Stream", stream.c_str());
    request.set("./trt:StreamSetup/tt:Transport", static_cast<const char*>(nullptr));
    request.set("./trt:StreamSetup/tt:Transport/tt:Protocol", protocol.c_str());
    request.set("./trt:ProfileToken", token.c_str());
    return request.getLastError() == 0 ? 0 : -1;
}

const OnvifField kMediaUriOut[] = {
    {"MediaUri.InvalidAfterConnect", "./MediaUri/InvalidAfterConnect", FIELD_BOOL, 0, nullptr, nullptr},
    {"MediaUri.InvalidAfterReboot", "./MediaUri/InvalidAfterReboot", FIELD_BOOL, 0, nullptr, nullptr},
    {"MediaUri.Timeout", "./MediaUri/Timeout", FIELD_TEXT, 0, nullptr, nullptr},
    kEnd};

int mediaUri(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    return MediaFields::readMediaUri(response, "./MediaUri/Uri", rsp);
}

#define PLAIN(command, op)                                                                                        \
    {                                                                                                             \
        command, {op, "/trt:" op, kMedia, kProfileTokenIn, nullptr, OP_DEFAULT, nullptr, nullptr, nullptr}, nullptr \
    }

const OnvifCommandRow kRows[] = {
    {"GetStreamUri",
     {"GetStreamUri", "/trt:GetStreamUri", kMedia, nullptr, kMediaUriOut, OP_DEFAULT, nullptr, streamSetup, mediaUri},
     nullptr},
    {"GetSnapShotUri",
     {"GetSnapshotUri", "/trt:GetSnapshotUri", kMedia, kProfileTokenIn, kMediaUriOut, OP_DEFAULT, nullptr, nullptr,
      mediaUri},
     nullptr},
    PLAIN("StartMulticastStreaming", "StartMulticastStreaming"),
    PLAIN("StopMulticastStreaming", "StopMulticastStreaming"),
    PLAIN("SetSynchronizationPoints", "SetSynchronizationPoint"),
};
#undef PLAIN

} // namespace

const COnvifCommandTable& COnvifOthersMediaCfg::commandTable()
{
    static const COnvifCommandTable table(kRows, sizeof kRows / sizeof kRows[0]);
    return table;
}

} // namespace Onvif
} // namespace RPC
