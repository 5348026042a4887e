#pragma once
// manifest.json of a replay folder:
//   {"responses": {"<service>.<Action>[Suffix]": {"status": N, "contentType": "..."}},
//    "auth": {...}, "users": [...], "name": "..."}
// Everything but "responses" is read as a device description would be, so a replayed
// device takes the same authentication, transfer and fault habits.
#include "OnvifSim/DeviceDescription.h"

#include <map>
#include <set>
#include <string>

namespace OnvifSim {

struct CManifestEntry {
    int status = 200;
    std::string contentType = "application/soap+xml; charset=utf-8";
};

struct CReplayManifest {
    std::map<std::string, CManifestEntry> responses;   // by file name without ".xml"
    CDeviceDescription description;
};

// `answers` are the answer names in the folder ("events.PullMessagesMotion"); an entry
// naming none of them is refused. Errors read "<path>: <member>: <reason>".
bool ReadReplayManifest(const std::string& path, const std::set<std::string>& answers, CReplayManifest& out,
                        std::string& error);
// The same for a folder without a manifest: defaults throughout, no authentication.
bool DefaultReplayManifest(const std::string& source, CReplayManifest& out, std::string& error);

} // namespace OnvifSim
