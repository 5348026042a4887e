#pragma once
// Field maps only the Media (ver10) service reads: the profile summary of GetProfiles, the
// full profile of GetProfile and CreateProfile, and the hook its Set operations share.
#include <json/json.h>

#include "OnvifFramework/Utility/OnvifFieldMap.h"

namespace RPC {
namespace Onvif {
namespace MediaFields {

// Profile summary of GetProfiles, one record per "./Profiles" element.
extern const OnvifField kMediaProfileSummary[];

// The full profile of GetProfile and CreateProfile, under "Profile".
const OnvifField* fullProfile();

// Request hook shared by the Set operations: devices keep the change across reboots.
int forcePersistence(CSOAPMessage& request, const Json::Value& req);

} // namespace MediaFields
} // namespace Onvif
} // namespace RPC
