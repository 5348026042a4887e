#pragma once
// manifest.json of a replay folder:
//   {"responses": {"<service>.<Action>[Suffix]": {"status": N, "contentType": "..."}},
//    "auth": {...}, "users": [...], "name": "..."}
// Everything but "responses" is read as a device description would be, so a replayed
// device takes the same authentication, transfer and fault habits.
//
// Folders made by other capture tools carry members of their own (a capture date, the
// vendor) or entries this simulator cannot use. Such a member or entry is left out with a
// warning ("<path>: <member>: <reason>; ignored") instead of refusing the whole folder;
// only a manifest that cannot be read as a JSON object is refused.
#include "OnvifSim/DeviceDescription.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace OnvifSim {

struct CManifestEntry {
    int status = 200;
    std::string contentType = "application/soap+xml; charset=utf-8";
};

struct CReplayManifest {
    std::map<std::string, CManifestEntry> responses;   // by file name without ".xml"
    CDeviceDescription description;
    std::vector<std::string> warnings;                 // one line per member or entry left out
};

// `answers` are the answer names in the folder ("events.PullMessagesMotion"); an entry
// naming none of them is left out. Errors read "<path>: <reason>".
bool ReadReplayManifest(const std::string& path, const std::set<std::string>& answers, CReplayManifest& out,
                        std::string& error);
// The same for a folder without a manifest: defaults throughout, no authentication.
bool DefaultReplayManifest(const std::string& source, CReplayManifest& out, std::string& error);

} // namespace OnvifSim
