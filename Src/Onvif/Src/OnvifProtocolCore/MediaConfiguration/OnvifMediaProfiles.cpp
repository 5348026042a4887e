#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaProfiles.h"

#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaFieldMaps.h"

namespace RPC {
namespace Onvif {

namespace {

using MediaFields::kEnd;
using Namespaces::kMedia;

#define IN(key, path) {key, path, FIELD_TEXT, FIELD_DEFAULT, nullptr, nullptr}

const OnvifField kProfileTokenIn[] = {IN("ProfileToken", "./trt:ProfileToken"), kEnd};
const OnvifField kProfileAndConfigurationIn[] = {IN("ProfileToken", "./trt:ProfileToken"),
                                                 IN("ConfigurationToken", "./trt:ConfigurationToken"), kEnd};
const OnvifField kCreateProfileIn[] = {IN("Name", "./trt:Name"), IN("Token", "./trt:Token"), kEnd};
// AddPTZCfgToProfile takes the profile record itself (its token and its PTZ configuration).
const OnvifField kAddPtzIn[] = {IN("token", "/trt:AddPTZConfiguration/trt:ProfileToken"),
                                IN("PTZConfiguration.token", "/trt:AddPTZConfiguration/trt:ConfigurationToken"), kEnd};
#undef IN

const OnvifField kProfilesOut[] = {
    {"Profiles", "./trt:Profiles", FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, MediaFields::kMediaProfileSummary},
    kEnd};

// A row whose answer carries nothing the caller needs.
#define PLAIN(command, op, in)                                                                       \
    {                                                                                                \
        command, {op, "/trt:" op, kMedia, in, nullptr, OP_DEFAULT, nullptr, nullptr, nullptr}, nullptr \
    }

const OnvifCommandRow kRows[] = {
    // Bad credentials show here first (the login reads the profiles), hence UNAUTH.
    {"GetProfiles",
     {"GetProfiles", "/trt:GetProfiles", kMedia, nullptr, kProfilesOut, OP_UNAUTH_INFO, &kGetProfilesTimeouts,
      nullptr, nullptr},
     nullptr},
    {"GetProfile",
     {"GetProfile", "/trt:GetProfile", kMedia, kProfileTokenIn, MediaFields::fullProfile().fields(), OP_DEFAULT,
      nullptr, nullptr, MediaFields::fullProfileFlags},
     nullptr},
    {"CreateProfile",
     {"CreateProfile", "/trt:CreateProfile", kMedia, kCreateProfileIn, MediaFields::fullProfile().fields(),
      OP_DEFAULT, nullptr, nullptr, MediaFields::fullProfileFlags},
     nullptr},
    PLAIN("DeleteProfile", "DeleteProfile", kProfileTokenIn),

    PLAIN("AddVideoSourceCfgToProfile", "AddVideoSourceConfiguration", kProfileAndConfigurationIn),
    PLAIN("AddAudioSourceCfgToProfile", "AddAudioSourceConfiguration", kProfileAndConfigurationIn),
    PLAIN("AddVideoEncodeCfgToProfile", "AddVideoEncoderConfiguration", kProfileAndConfigurationIn),
    PLAIN("AddAudioEncodeCfgToProfile", "AddAudioEncoderConfiguration", kProfileAndConfigurationIn),
    {"AddPTZCfgToProfile",
     {"AddPTZConfiguration", "/trt:AddPTZConfiguration", kMedia, kAddPtzIn, nullptr, OP_LOG_RESPONSE_FAIL, nullptr,
      nullptr, nullptr},
     nullptr},
    PLAIN("AddVideoAnalyticsCfgToProfile", "AddVideoAnalyticsConfiguration", kProfileAndConfigurationIn),
    PLAIN("AddMediadataCfgToProfile", "AddMetadataConfiguration", kProfileAndConfigurationIn),
    PLAIN("AddAudioOutputCfgToProfile", "AddAudioOutputConfiguration", kProfileAndConfigurationIn),
    PLAIN("AddAudioDecoderCfgToProfile", "AddAudioDecoderConfiguration", kProfileAndConfigurationIn),

    PLAIN("RemoveVideoSourceCfgFromProfile", "RemoveVideoSourceConfiguration", kProfileTokenIn),
    PLAIN("RemoveVideoEncodeCfgFromProfile", "RemoveVideoEncoderConfiguration", kProfileTokenIn),
    PLAIN("RemoveAudioSourceCfgFromProfile", "RemoveAudioSourceConfiguration", kProfileTokenIn),
    PLAIN("RemoveAudioEncodeCfgFromProfile", "RemoveAudioEncoderConfiguration", kProfileTokenIn),
    PLAIN("RemovePTZCfgFromProfile", "RemovePTZConfiguration", kProfileTokenIn),
    PLAIN("RemoveVideoAnalyticsCfgFromProfile", "RemoveVideoAnalyticsConfiguration", kProfileTokenIn),
    PLAIN("RemoveMediadataCfgFromProfile", "RemoveMetadataConfiguration", kProfileTokenIn),
    PLAIN("RemoveAudioOutputCfgFromProfile", "RemoveAudioOutputConfiguration", kProfileTokenIn),
    PLAIN("RemoveAudioDecoderCfgFromProfile", "RemoveAudioDecoderConfiguration", kProfileTokenIn),
};
#undef PLAIN

} // namespace

const COnvifCommandTable& COnvifMediaProfiles::commandTable()
{
    static const COnvifCommandTable table(kRows, sizeof kRows / sizeof kRows[0]);
    return table;
}

} // namespace Onvif
} // namespace RPC
