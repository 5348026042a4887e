#pragma once
// The device's web server answer at /onvif/snapshot?token=PROFILE (the address
// GetSnapshotUri hands out): a JPEG of the profile's video encoder resolution, behind
// Basic, Digest, either or no authentication as the description's "snapshot" object says.
#include "Auth/HttpDigest.h"
#include "Device/DeviceState.h"
#include "Http/HttpMessage.h"

#include <string>

namespace OnvifSim {

bool IsSnapshotPath(const std::string& path);

// Serves one request for the snapshot path; fills the log entry's user and method.
// anyProfile: a replayed device's picture, whatever profile the recorded address names
// (the first profile of the device's own media stands in for it).
CHttpAnswer ServeSnapshot(CDeviceState& state, CHttpDigest& digest, const CHttpRequest& http,
                          CRecordedRequest& entry, bool anyProfile = false);

} // namespace OnvifSim
