#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

#include <cctype>
#include <string>

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

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
const OnvifField kAnalyticsEngine[] = {
    recordListField("AnalyticsEngineConfiguration.AnalyticsModule", "AnalyticsEngineConfiguration/AnalyticsModule",
                    kConfig),
    {}};
const OnvifField kRuleEngine[] = {
    recordListField("RuleEngineConfiguration.Rule", "RuleEngineConfiguration/Rule", kConfig), {}};
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

bool isTrueInAnyCase(const std::string& text)
{
    static const char kTrue[] = "true";
    if (text.size() != sizeof kTrue - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != kTrue[i])
            return false;
    return true;
}

} // namespace

const COnvifFieldMap& fullProfile()
{
    static const CFullProfileMap map;
    return map;
}

int fullProfileFlags(CSOAPMessage&, const Json::Value&, Json::Value& rsp)
{
    for (const std::string& key : fullProfile().textFlags()) {
        Json::Value* v = findKey(rsp, key);
        if (v && v->isString())
            *v = isTrueInAnyCase(v->asString());
    }
    return 0;
}

int forcePersistence(CSOAPMessage& request, const Json::Value&)
{
    return request.set("./trt:ForcePersistence", true);
}

} // namespace MediaFields
} // namespace Onvif
} // namespace RPC
