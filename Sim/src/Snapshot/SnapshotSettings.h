#pragma once
// How a device guards and shapes its snapshot pictures: the description's "snapshot"
// object, {"auth": "basic" | "digest" | "either" | "none", "progressive": false}.
#include "OnvifSim/DeviceDescription.h"

#include <string>

namespace OnvifSim {

enum class ESnapshotAuth { Basic, Digest, Either, None };

struct CSnapshotSettings {
    // Without a "snapshot" object a device with authentication takes either kind.
    ESnapshotAuth auth = ESnapshotAuth::Either;
    bool progressive = false; // SOF2 pictures, which some players cannot show
};

// False with a reason naming the member ("snapshot.auth: ...").
bool ReadSnapshotSettings(const CDeviceDescription& description, CSnapshotSettings& out, std::string& error);

} // namespace OnvifSim
