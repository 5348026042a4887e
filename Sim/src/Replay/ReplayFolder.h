#pragma once
// A recorded device read from its folder, checked as a whole: a folder that is missing,
// empty, holds a file that is not an answer, or has a bad manifest is refused with
// "<file>: <reason>" instead of a device that answers wrongly later.
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
};

bool LoadReplayFolder(const std::string& dir, CReplayFolder& out, std::string& error);

} // namespace OnvifSim
