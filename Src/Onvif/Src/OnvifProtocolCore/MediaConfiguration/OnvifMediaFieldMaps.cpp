#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"

namespace RPC {
namespace Onvif {
namespace MediaFields {

using namespace CommonFields;

// ---- Profile summary -------------------------------------------------------------------
// What the information centre keeps of each profile. The multicast port is always there
// (0 without multicast) so that callers can test it without a presence check.

const OnvifField kMediaProfileSummary[] = {
    textField("token", "@token"),
    textField("VideoEncoderConfiguration.token", "VideoEncoderConfiguration/@token"),
    textField("VideoEncoderConfiguration.Encoding", "VideoEncoderConfiguration/Encoding"),
    textField("VideoSourceConfiguration.token", "VideoSourceConfiguration/@token"),
    textField("VideoSourceConfiguration.SourceToken", "VideoSourceConfiguration/SourceToken"),
    textField("Multicast.Address.IPv4Address", "VideoEncoderConfiguration/Multicast/Address/IPv4Address"),
    intField("Multicast.Port", "VideoEncoderConfiguration/Multicast/Port").always(),
    textField("AudioSourceConfiguration.token", "AudioSourceConfiguration/@token"),
    textField("AudioEncoderConfiguration.token", "AudioEncoderConfiguration/@token"),
    textField("AudioEncoderConfiguration.Encoding", "AudioEncoderConfiguration/Encoding"),
    textField("PTZConfiguration.token", "PTZConfiguration/@token"),
    textField("PTZConfiguration.NodeToken", "PTZConfiguration/NodeToken"),
    textField("PTZConfiguration.DefaultAbsolutePantTiltPositionSpace",
              "PTZConfiguration/DefaultAbsolutePantTiltPositionSpace"),
    textField("PTZConfiguration.DefaultAbsoluteZoomPositionSpace", "PTZConfiguration/DefaultAbsoluteZoomPositionSpace"),
    textField("VideoAnalyticsConfiguration.token", "VideoAnalyticsConfiguration/@token"),
    textField("AudioOutputConfiguration.token", "Extension/AudioOutputConfiguration/@token"),
    textField("AudioDecoderConfiguration.token", "Extension/AudioDecoderConfiguration/@token"),
    {},
};

// ---- Full profile --------------------------------------------------------------------

namespace {

const OnvifField kProfileHead[] = {textField("Name", "Name"), textField("token", "@token"),
                                   boolField("fixed", "@fixed"), {}};
const OnvifField kMetadataFlags[] = {boolField("PTZStatus.Status", "PTZStatus/Status"),
                                     boolField("PTZStatus.Position", "PTZStatus/Position"),
                                     boolField("Analytics", "Analytics"), {}};

struct CFullProfileMap : COnvifFieldMap {
    CFullProfileMap() : COnvifFieldMap(NUMBERS_AS_INT_FLAGS_ANY_CASE)
    {
        const std::string key = "Profile", path = "./Profile";
        add(key, path, {kProfileHead})
            .add(key + ".VideoSourceConfiguration", path + "/VideoSourceConfiguration", {kVideoSourceCfg})
            .add(key + ".AudioSourceConfiguration", path + "/AudioSourceConfiguration", {kAudioSourceCfg})
            .add(key + ".VideoEncoderConfiguration", path + "/VideoEncoderConfiguration",
                 {kVideoEncoderHead, kVideoEncoderCodecs, kMulticastLists, kSessionTimeout})
            .add(key + ".AudioEncoderConfiguration", path + "/AudioEncoderConfiguration",
                 {kAudioEncoderCore, kMulticastLists, kSessionTimeout})
            .add(key + ".VideoAnalyticsConfiguration", path + "/VideoAnalyticsConfiguration",
                 {kConfigurationHead, kAnalyticsEngine, kRuleEngine})
            .add(key + ".PTZConfiguration", path + "/PTZConfiguration",
                 {kConfigurationHead, kPtzConfigurationSpaces, kPtzConfigurationLimits})
            .add(key + ".PTZConfiguration.DefaultPTZSpeed", path + "/PTZConfiguration/DefaultPTZSpeed",
                 {kPtzPanTilt, kPtzZoom})
            .add(key + ".MetadataConfiguration", path + "/MetadataConfiguration",
                 {kConfigurationHead, kMetadataFlags, kAnalyticsEngine, kMulticastLists, kSessionTimeout});
    }
};

} // namespace

const OnvifField* fullProfile()
{
    return fieldsOf<CFullProfileMap>();
}

int forcePersistence(CSOAPMessage& request, const Json::Value&)
{
    return request.set("./trt:ForcePersistence", true);
}

} // namespace MediaFields
} // namespace Onvif
} // namespace RPC
