#pragma once
// Which media service answers a composite. Composites that differ only in their commands
// are rows of one table and run through runMediaOp; the rules of each pattern live here.
#include <json/json.h>

#include "Component/ServerInfo.h"

namespace RPC {
namespace Onvif {

enum class EMediaPattern {
    MediaOnly,       // the operation exists only in Media
    Either,          // Media2 when selected, else Media; no second try
    Media2Fallback,  // Media2 when selected, then Media with the original request on failure
    Media2Only,      // the operation exists only in Media2
};

struct COnvifMediaOp {
    const char* name;            // the composite, for log lines
    EMediaPattern pattern;
    const char* mediaCommand;    // command of the "MediaCfg" object; null when Media lacks it
    const char* media2Command;   // command of the "Media2" object; null when Media2 lacks it
    // Adds what only Media2 takes to the request (runs on a copy kept apart from the
    // request Media would see). May be null.
    void (*toMedia2Request)(Json::Value& request);
    // Brings a Media2 reply into the Media shape. May be null.
    void (*fromMedia2Result)(const Json::Value& request, Json::Value& result);
    const char* fallbackLog;     // level-5 line before Media is tried after Media2 failed
};

// Whether the login's composites use Media2 (the "MediaType" option, else the device).
bool isMedia2Selected(const Zentar::Component::ServerInfo& info);

// Runs op by its pattern. The request is left as the caller gave it plus what the chosen
// service stamps on it (address, time offset); Media2-only members never reach Media.
bool runMediaOp(const Zentar::Component::ServerInfo& info, Json::Value& request, Json::Value& result,
                const COnvifMediaOp& op);

// The two services' address types and object names.
bool callMedia(const Zentar::Component::ServerInfo& info, Json::Value& request, Json::Value& result,
               const char* command);
bool callMedia2(const Zentar::Component::ServerInfo& info, Json::Value& request, Json::Value& result,
                const char* command);

} // namespace Onvif
} // namespace RPC
