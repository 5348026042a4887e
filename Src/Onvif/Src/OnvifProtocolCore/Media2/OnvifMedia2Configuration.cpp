#include "OnvifProtocolCore/Media2/OnvifMedia2Configuration.h"

#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"

namespace RPC {
namespace Onvif {

namespace {

// Everything the media service states about itself is an attribute.
const OnvifField kProfileCaps[] = {
    intField("MaximumNumberOfProfiles", "@MaximumNumberOfProfiles"),
    textField("ConfigurationsSupported", "@ConfigurationsSupported"),
    {},
};
const OnvifField kStreamingCaps[] = {
    boolField("RTSPStreaming", "@RTSPStreaming"),
    boolField("RTPMulticast", "@RTPMulticast"),
    boolField("RTP_RTSP_TCP", "@RTP_RTSP_TCP"),
    boolField("NonAggregateControl", "@NonAggregateControl"),
    textField("RTSPWebSocketUri", "@RTSPWebSocketUri"),
    boolField("AutoStartMulticast", "@AutoStartMulticast"),
    {},
};
const OnvifField kServiceCaps[] = {
    boolField("SnapshotUri", "@SnapshotUri"),
    boolField("Rotation", "@Rotation"),
    boolField("VideoSourceMode", "@VideoSourceMode"),
    boolField("OSD", "@OSD"),
    boolField("TemporaryOSDText", "@TemporaryOSDText"),
    {},
};
struct CServiceCapabilitiesMap : COnvifFieldMap {
    CServiceCapabilitiesMap()
    {
        add("Capabilities.ProfileCapabilities", "./Capabilities/ProfileCapabilities", {kProfileCaps});
        add("Capabilities.StreamingCapabilities", "./Capabilities/StreamingCapabilities", {kStreamingCaps});
        add("Capabilities", "./Capabilities", {kServiceCaps});
    }
};

constexpr OnvifService kTr2{"tr2", Namespaces::kMedia2};

const OnvifOperation kRows[] = {
    kTr2("GetMediaServiceCapabilities", "GetServiceCapabilities").out(fieldsOf<CServiceCapabilitiesMap>()),
};

} // namespace

const COnvifOperationTable& COnvifMedia2Configuration::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
