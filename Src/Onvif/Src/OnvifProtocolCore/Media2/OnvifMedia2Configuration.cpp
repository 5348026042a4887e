#include "OnvifProtocolCore/Media2/OnvifMedia2Configuration.h"

#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

namespace RPC {
namespace Onvif {

namespace {

using MediaFields::kEnd;
using Namespaces::kMedia2;

#define CAP(key, path, type) {"Capabilities." key, "./Capabilities/" path, FIELD_##type, FIELD_DEFAULT, nullptr, nullptr}

// Everything the media service states about itself is an attribute.
const OnvifField kServiceCapabilitiesOut[] = {
    CAP("ProfileCapabilities.MaximumNumberOfProfiles", "ProfileCapabilities/@MaximumNumberOfProfiles", INT),
    CAP("ProfileCapabilities.ConfigurationsSupported", "ProfileCapabilities/@ConfigurationsSupported", TEXT),
    CAP("StreamingCapabilities.RTSPStreaming", "StreamingCapabilities/@RTSPStreaming", BOOL),
    CAP("StreamingCapabilities.RTPMulticast", "StreamingCapabilities/@RTPMulticast", BOOL),
    CAP("StreamingCapabilities.RTP_RTSP_TCP", "StreamingCapabilities/@RTP_RTSP_TCP", BOOL),
    CAP("StreamingCapabilities.NonAggregateControl", "StreamingCapabilities/@NonAggregateControl", BOOL),
    CAP("StreamingCapabilities.RTSPWebSocketUri", "StreamingCapabilities/@RTSPWebSocketUri", TEXT),
    CAP("StreamingCapabilities.AutoStartMulticast", "StreamingCapabilities/@AutoStartMulticast", BOOL),
    CAP("SnapshotUri", "@SnapshotUri", BOOL),
    CAP("Rotation", "@Rotation", BOOL),
    CAP("VideoSourceMode", "@VideoSourceMode", BOOL),
    CAP("OSD", "@OSD", BOOL),
    CAP("TemporaryOSDText", "@TemporaryOSDText", BOOL),
    kEnd};
#undef CAP

const OnvifCommandRow kRows[] = {
    {"GetMediaServiceCapabilities",
     {"GetServiceCapabilities", "/tr2:GetServiceCapabilities", kMedia2, nullptr, kServiceCapabilitiesOut, OP_DEFAULT,
      nullptr, nullptr, nullptr},
     nullptr},
};

} // namespace

const COnvifCommandTable& COnvifMedia2Configuration::commandTable()
{
    static const COnvifCommandTable table(kRows, sizeof kRows / sizeof kRows[0]);
    return table;
}

} // namespace Onvif
} // namespace RPC
