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
extern const OnvifField kPtzVector[];           // tt:PTZVector / tt:PTZSpeed: PanTilt x, y, space; Zoom x, space
extern const OnvifField kPtzConfiguration[];    // tt:PTZConfiguration after its head, without the default speed
extern const OnvifField kOsd[];                 // tt:OSDConfiguration
extern const OnvifField kRelayOutput[];         // tt:RelayOutput

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
