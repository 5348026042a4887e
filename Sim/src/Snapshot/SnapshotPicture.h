#pragma once
// The picture a snapshot request gets: colour bars of the profile's resolution with the
// device's clock (HHMMSS), the profile token and a picture counter painted as blocks, so
// successive pictures and different profiles differ. The costly transform of the bars is
// done once per resolution and kept.
#include <cstdint>
#include <string>

namespace OnvifSim {

struct CSnapshotPictureRequest {
    int width = 0;
    int height = 0;
    bool progressive = false;
    std::string token;
    long long deviceTime = 0; // seconds since 1970, device clock
    uint32_t sequence = 0;    // pictures taken so far
};

// Empty when the size is not one the encoder takes (1..4096 each way).
std::string MakeSnapshotPicture(const CSnapshotPictureRequest& request);

} // namespace OnvifSim
