#pragma once
#include "OnvifSim/SimTypes.h"

#include <string>

namespace OnvifSim {

// What one authentication mechanism concluded about a request.
struct CAuthOutcome {
    bool present = false;     // the request carried credentials of this kind
    bool ok = false;
    bool stale = false;       // digest: right credentials, but an expired or unknown server nonce
    std::string user;
    EUserLevel level = EUserLevel::Anonymous;
    std::string method;       // "wsse", "digest", "basic"
    std::string why;          // reason for a refusal, for the log
};

} // namespace OnvifSim
