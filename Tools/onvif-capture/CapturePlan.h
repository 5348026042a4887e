#pragma once
// The operations a capture sends: every read-only row of the library's operation tables,
// once per ONVIF operation and service, with the tokens each one needs. Nothing here is a
// second list of operations: a row the library gains is captured from then on.
#include <json/json.h>

#include <string>
#include <vector>

#include "OnvifFramework/Utility/OnvifOperation.h"

namespace OnvifCapture {

// A request key the row writes from a token of an earlier answer.
struct CTokenRole {
    std::string key;    // "ProfileToken", "ConfigurationToken", "OSDToken" ...
    std::string kind;   // "Profile", "VideoEncoderConfiguration", "OSD" ...; empty: unknown
    // The operation means nothing without it (GetProfile, GetStreamUri, GetCompatible...);
    // lists and options are asked without the tokens no answer named.
    bool required = false;
};

struct CPlannedOperation {
    const RPC::Onvif::OnvifOperation* row = nullptr;
    std::string ns;                  // the request element's namespace
    std::string service;             // file name part: "device", "media", "media2" ...
    std::vector<CTokenRole> roles;   // what the row writes into its request, from earlier answers
    // A list, which answers everything when asked without tokens; a device that insists is
    // asked again with them.
    bool plainFirst = false;

    std::string name() const { return service + "." + row->operation; }
};

// Only reads: the operation's name starts with "Get", and it is not one that hands over
// whole files this tool cannot clean (backups, logs, support bundles).
bool IsCapturedOperation(const std::string& operation);

// The kind of token a configuration token of this operation names:
// "GetVideoEncoderConfigurationOptions" -> "VideoEncoderConfiguration"; OSDs and masks
// belong to a video source configuration. Empty when the name says nothing.
std::string ConfigurationKindOf(const std::string& operation);

// "device", "media" ... for a service namespace; empty for one a replay folder has no name for.
std::string ServiceKeyOf(const std::string& ns);

// The request record a row takes `keys` from: the keys themselves, or the member the row
// names for its parameters holding them.
Json::Value RequestFor(const RPC::Onvif::OnvifOperation& row, const Json::Value& keys);

// The plan, in the order of the library's service table and rows.
std::vector<CPlannedOperation> PlanCapture();

} // namespace OnvifCapture
