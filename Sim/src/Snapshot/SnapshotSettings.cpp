#include "Snapshot/SnapshotSettings.h"

#include "Description/JsonFields.h"

namespace OnvifSim {

bool ReadSnapshotSettings(const CDeviceDescription& description, CSnapshotSettings& out, std::string& error)
{
    error.clear();
    out = CSnapshotSettings();
    if (description.authMode == EAuthMode::None)
        out.auth = ESnapshotAuth::None;
    const Json::Value& json = description.raw["snapshot"];
    if (json.isNull())
        return true;
    if (!json.isObject()) {
        error = "snapshot: must be an object";
        return false;
    }
    for (const auto& key : json.getMemberNames())
        if (key != "auth" && key != "progressive" && key != "comment") {
            error = "snapshot." + key + ": unknown member";
            return false;
        }
    CJsonFields f(json, "snapshot", error);
    static const char* const names[] = {"basic", "digest", "either", "none"};
    static const ESnapshotAuth values[] = {ESnapshotAuth::Basic, ESnapshotAuth::Digest, ESnapshotAuth::Either,
                                           ESnapshotAuth::None};
    f.choice("auth", out.auth, names, values);
    f.boolean("progressive", out.progressive);
    return f.ok();
}

} // namespace OnvifSim
