#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaProfiles.h"

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace CommonFields;

const OnvifField kCreateProfileIn[] = {textField("Name", "./Name"), textField("Token", "./Token"), {}};
// AddPTZCfgToProfile takes the profile record itself (its token and its PTZ configuration).
const OnvifField kAddPtzIn[] = {textField("token", "./ProfileToken"),
                                textField("PTZConfiguration.token", "./ConfigurationToken"), {}};

struct CProfilesMap : COnvifFieldMap {
    CProfilesMap() { addList("Profiles", "./trt:Profiles", {MediaFields::kMediaProfileSummary}); }
};

constexpr OnvifService kTrt{"trt", Namespaces::kMedia};

// Operations without response fields only need the device to acknowledge.
const OnvifOperation kRows[] = {
    // Bad credentials show here first (the login reads the profiles), hence UNAUTH.
    kTrt("GetProfiles").out(fieldsOf<CProfilesMap>()).flag(OP_UNAUTH_INFO).waits(&kGetProfilesTimeouts),
    kTrt("GetProfile").in(kProfileTokenIn).out(MediaFields::fullProfile()),
    kTrt("CreateProfile").in(kCreateProfileIn).out(MediaFields::fullProfile()),
    kTrt("DeleteProfile").in(kProfileTokenIn),

    kTrt("AddVideoSourceCfgToProfile", "AddVideoSourceConfiguration").in(kProfileAndConfigurationTokenIn),
    kTrt("AddAudioSourceCfgToProfile", "AddAudioSourceConfiguration").in(kProfileAndConfigurationTokenIn),
    kTrt("AddVideoEncodeCfgToProfile", "AddVideoEncoderConfiguration").in(kProfileAndConfigurationTokenIn),
    kTrt("AddAudioEncodeCfgToProfile", "AddAudioEncoderConfiguration").in(kProfileAndConfigurationTokenIn),
    kTrt("AddPTZCfgToProfile", "AddPTZConfiguration").in(kAddPtzIn).flag(OP_LOG_RESPONSE_FAIL),
    kTrt("AddVideoAnalyticsCfgToProfile", "AddVideoAnalyticsConfiguration").in(kProfileAndConfigurationTokenIn),
    kTrt("AddMediadataCfgToProfile", "AddMetadataConfiguration").in(kProfileAndConfigurationTokenIn),
    kTrt("AddAudioOutputCfgToProfile", "AddAudioOutputConfiguration").in(kProfileAndConfigurationTokenIn),
    kTrt("AddAudioDecoderCfgToProfile", "AddAudioDecoderConfiguration").in(kProfileAndConfigurationTokenIn),

    kTrt("RemoveVideoSourceCfgFromProfile", "RemoveVideoSourceConfiguration").in(kProfileTokenIn),
    kTrt("RemoveVideoEncodeCfgFromProfile", "RemoveVideoEncoderConfiguration").in(kProfileTokenIn),
    kTrt("RemoveAudioSourceCfgFromProfile", "RemoveAudioSourceConfiguration").in(kProfileTokenIn),
    kTrt("RemoveAudioEncodeCfgFromProfile", "RemoveAudioEncoderConfiguration").in(kProfileTokenIn),
    kTrt("RemovePTZCfgFromProfile", "RemovePTZConfiguration").in(kProfileTokenIn),
    kTrt("RemoveVideoAnalyticsCfgFromProfile", "RemoveVideoAnalyticsConfiguration").in(kProfileTokenIn),
    kTrt("RemoveMediadataCfgFromProfile", "RemoveMetadataConfiguration").in(kProfileTokenIn),
    kTrt("RemoveAudioOutputCfgFromProfile", "RemoveAudioOutputConfiguration").in(kProfileTokenIn),
    kTrt("RemoveAudioDecoderCfgFromProfile", "RemoveAudioDecoderConfiguration").in(kProfileTokenIn),
};

} // namespace

const COnvifOperationTable& COnvifMediaProfiles::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
