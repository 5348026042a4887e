#include "OnvifProtocolCore/MediaConfiguration/OnvifOthersMediaCfg.h"

#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
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

// ---- Service capabilities --------------------------------------------------------------

const OnvifField kProfileCaps[] = {intField("MaximumNumberOfProfiles", "@MaximumNumberOfProfiles"), {}};
const OnvifField kStreamingCaps[] = {
    boolField("RTPMulticast", "@RTPMulticast"),
    boolField("RTP_TCP", "@RTP_TCP"),
    boolField("RTP_RTSP_TCP", "@RTP_RTSP_TCP"),
    boolField("NonAggregateControl", "@NonAggregateControl"),
    boolField("NoRTSPStreaming", "@NoRTSPStreaming"),
    {},
};
const OnvifField kServiceCaps[] = {
    boolField("SnapshotUri", "@SnapshotUri"),
    boolField("Rotation", "@Rotation"),
    boolField("VideoSourceMode", "@VideoSourceMode"),
    boolField("OSD", "@OSD"),
    boolField("TemporaryOSDText", "@TemporaryOSDText"),
    boolField("EXICompression", "@EXICompression"),
    {},
};
struct CServiceCapabilitiesMap : COnvifFieldMap {
    CServiceCapabilitiesMap() : COnvifFieldMap(NUMBERS_AS_INT_FLAGS_ANY_CASE)
    {
        add("Capabilities.ProfileCapabilities", "./Capabilities/ProfileCapabilities", {kProfileCaps});
        add("Capabilities.StreamingCapabilities", "./Capabilities/StreamingCapabilities", {kStreamingCaps});
        add("Capabilities", "./Capabilities", {kServiceCaps});
    }
};

// Media2 states RTSP streaming outright; Media only says when a device lacks it. RTP over
// RTSP is the one transport every Media device must serve, so it is there unless denied,
// and callers read both services' capabilities alike.
int rtspStreamingAnswer(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    const Json::Value* denied = findKey(rsp, "Capabilities.StreamingCapabilities.NoRTSPStreaming");
    makeKey(rsp, "Capabilities.StreamingCapabilities.RTSPStreaming") = !(denied && denied->isBool() && denied->asBool());
    return 0;
}

// ---- OSDs and analytics configurations ---------------------------------------------------

const OnvifField kOSDTokenIn[] = {textField("OSDToken", "./OSDToken"), {}};
const OnvifField kOSDTokenOut[] = {textField("OSDToken", "./OSDToken"), {}};
struct COsdIn : COnvifFieldMap {
    COsdIn() { addRequest("OSD", "./trt:OSD", {kOsd}); }
};
// Flags in any letter case; OSD positions and colours keep their fractions.
struct COsdOut : COnvifFieldMap {
    COsdOut() : COnvifFieldMap(FLAGS_ANY_CASE) { add("OSD", "./OSD", {kOsd}); }
};
struct COsdsOut : COnvifFieldMap {
    COsdsOut() : COnvifFieldMap(FLAGS_ANY_CASE) { addList("OSDs", "./OSDs", {kOsd}); }
};
struct COsdOptionsOut : COnvifFieldMap {
    COsdOptionsOut() : COnvifFieldMap(FLAGS_ANY_CASE) { add("OSDOptions", "./OSDOptions", {kOsdOptions}); }
};

constexpr OnvifService kTrt{"trt", Namespaces::kMedia};

const OnvifOperation kRows[] = {
    kTrt("GetStreamUri").out(kMediaUriOut).writes(streamSetup).reads(mediaUri),
    kTrt("GetSnapShotUri", "GetSnapshotUri").in(kProfileTokenIn).out(kMediaUriOut).reads(mediaUri),
    kTrt("StartMulticastStreaming").in(kProfileTokenIn),
    kTrt("StopMulticastStreaming").in(kProfileTokenIn),
    kTrt("SetSynchronizationPoints", "SetSynchronizationPoint").in(kProfileTokenIn),
    kTrt("GetMediaServiceCapabilities", "GetServiceCapabilities").out(fieldsOf<CServiceCapabilitiesMap>())
        .reads(rtspStreamingAnswer),

    kTrt("GetOSDOptions").in(kConfigurationTokenIn).out(fieldsOf<COsdOptionsOut>()),
    kTrt("GetOSDs").in(kConfigurationTokenIn).out(fieldsOf<COsdsOut>()),
    kTrt("GetOSD").in(kOSDTokenIn).out(fieldsOf<COsdOut>()),
    kTrt("CreateOSD").in(fieldsOf<COsdIn>()).out(kOSDTokenOut),
    kTrt("SetOSD").in(fieldsOf<COsdIn>()),
    kTrt("DeleteOSD").in(kOSDTokenIn),

    kTrt("GetVideoAnalyticsCfgs", "GetVideoAnalyticsConfigurations").reads(readAnalyticsConfigurations),
    kTrt("GetCompatibleVideoAnalyticsCfgs", "GetCompatibleVideoAnalyticsConfigurations").in(kProfileTokenIn)
        .reads(readAnalyticsConfigurations),
};

} // namespace

const COnvifOperationTable& COnvifOthersMediaCfg::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
