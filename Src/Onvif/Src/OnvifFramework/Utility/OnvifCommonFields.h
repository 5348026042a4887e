#pragma once
// The request and response fields every service's rows share: the tokens that address a
// profile or configuration, and the ONVIF schema types that recur across services.
//
// Token maps are request fields whose first step takes the operation's own prefix
// ("./ProfileToken" goes out as "./trt:ProfileToken", "./tr2:ProfileToken", ...). Type
// descriptions are relative (paths from the type's element, keys from its record) and are
// bound where an operation meets them with COnvifFieldMap (OnvifFieldMap.h).
#include <cstddef>

#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {
namespace CommonFields {

// ---- Request tokens ------------------------------------------------------------------
extern const OnvifField kProfileTokenIn[];                  // "ProfileToken"
extern const OnvifField kConfigurationTokenIn[];            // "ConfigurationToken"
extern const OnvifField kProfileAndConfigurationTokenIn[];  // ProfileToken, then ConfigurationToken
extern const OnvifField kConfigurationAndProfileTokenIn[];  // ConfigurationToken, then ProfileToken

// ---- Recurring schema types (relative descriptions) ----------------------------------
extern const OnvifField kConfigurationHead[];   // tt:ConfigurationEntity: Name, UseCount, @token
extern const OnvifField kRange[];               // tt:IntRange: "Min", "Max" (integers)
// tt:VideoEncoderConfiguration (Media ver10): the head up to the rate control, then the
// MPEG-4 and H.264 groups as an answer carries them.
extern const OnvifField kVideoEncoderHead[];
extern const OnvifField kVideoEncoderCodecs[];
extern const OnvifField kMulticastSingle[];     // tt:MulticastConfiguration, one address of each kind
extern const OnvifField kMulticastLists[];      // the same with the addresses as arrays
extern const OnvifField kSessionTimeout[];
extern const OnvifField kNetworkHost[];         // tt:NetworkHost: "Type" and lists of IPv4, IPv6, DNS names
extern const OnvifField kAudioEncoderCore[];    // Name, UseCount, token, Encoding, Bitrate, SampleRate
extern const OnvifField kVideoSourceCfg[];      // with "Bounds" from the attributes
extern const OnvifField kAudioSourceCfg[];
extern const OnvifField kConfig[];              // tt:Config: analytics modules and rules
// tt:VideoAnalyticsConfiguration after its head: the modules and the rules as lists.
extern const OnvifField kAnalyticsEngine[];     // "AnalyticsEngineConfiguration"."AnalyticsModule"[i]
extern const OnvifField kRuleEngine[];          // "RuleEngineConfiguration"."Rule"[i]
// tt:AudioEncoder2ConfigurationOptions (also Media2's audio decoder options): "Encoding",
// "BitrateList"."Items"[i], "SampleRateList"."Items"[i] (as texts; audioOptionNumbers makes
// them numbers).
extern const OnvifField kAudioCodecOptions[];
extern const OnvifField kFloatRange[];          // tt:FloatRange: "Min", "Max" (doubles)
// tt:PTZVector and tt:PTZSpeed, {kPtzPanTilt, kPtzZoom}: PanTilt x, y, space; Zoom x, space.
extern const OnvifField kPtzPanTilt[];
extern const OnvifField kPtzZoom[];
// tt:PTZConfiguration after its head: node and default spaces, then (after the default
// speed, in the schema's order) the time-out and the limits.
extern const OnvifField kPtzConfigurationSpaces[];
extern const OnvifField kPtzConfigurationLimits[];
// tt:ImagingSettings20 (and the Media ver10 source's tt:ImagingSettings, a subset), in the
// schema's element order so that a Set writes it as devices expect.
extern const OnvifField kImagingSettings[];
extern const OnvifField kOsd[];                 // tt:OSDConfiguration
extern const OnvifField kOsdOptions[];          // tt:OSDConfigurationOptions
extern const OnvifField kColor[];               // tt:Color: "X", "Y", "Z", "Colorspace"
extern const OnvifField kColorOptions[];        // tt:ColorOptions: "ColorList"[i] or "ColorspaceRange"[i]
extern const OnvifField kRelayOutput[];         // tt:RelayOutput: "token", "mode", "delaytime", "idlestate"

// ---- Answer hooks shared by services --------------------------------------------------
// Bit rates and sample rates of "Options"[i] are numbers to every caller.
int audioOptionNumbers(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp);
// "Configurations"[i] of tt:VideoAnalyticsConfiguration, each with its modules and rules.
int readAnalyticsConfigurations(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp);
// Media2 names MPEG-4 video "MPV4-ES"; every caller knows it as "MPEG4", as in Media.
// Renames the member "Encoding" of each record of the array at listKey.
void media2EncodingsToMedia(Json::Value& rsp, const char* listKey, const char* encodingKey = "Encoding");

// ---- Media URIs -----------------------------------------------------------------------
// GetProfiles of both media services: devices with many profiles are slow to build the
// list, so the answer gets far longer than the usual receive time-out.
inline constexpr OnvifTimeouts kGetProfilesTimeouts{2000, 2000, 30000, 34000};

// Longest media URI kept; the rest of a longer one is cut off.
constexpr size_t kMediaUriBufferSize = 256;

// Reads a URI as the media URI result keeps it ("MediaUri"."Uri", at most 255
// characters). -1 when the answer has no URI.
int readMediaUri(CSOAPMessage& response, const char* path, Json::Value& rsp);

} // namespace CommonFields
} // namespace Onvif
} // namespace RPC
