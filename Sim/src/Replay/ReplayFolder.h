#pragma once
// A recorded device read from its folder. Folders come from other capture tools too, so a
// file or manifest member this simulator cannot use is skipped with one warning line each
// ("<file>: <reason>; skipped") and the rest is served. A folder that is missing, holds no
// usable answer, or whose manifest is not a JSON object is refused with "<file>: <reason>".
#include "OnvifSim/DeviceDescription.h"
#include "Replay/AddressRewrite.h"

#include <map>
#include <string>
#include <vector>

namespace OnvifSim {

struct CReplayAnswer {
    std::string file;          // path, for log lines
    int status = 200;
    std::string contentType;
    std::string body;          // bytes as recorded
    std::vector<CAddressSpan> addresses;
};

struct CReplayAction {
    // Suffix -> answer; "" is the plain file, and std::map order is the cycling order.
    std::map<std::string, CReplayAnswer> variants;
};

struct CReplayFolder {
    CDeviceDescription description;
    std::map<std::string, CReplayAction> actions;   // by "<service>.<Action>"
    std::vector<std::string> warnings;              // what was skipped, one line each (also logged)
};

bool LoadReplayFolder(const std::string& dir, CReplayFolder& out, std::string& error);

} // namespace OnvifSim
