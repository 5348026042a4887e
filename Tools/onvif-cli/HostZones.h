#pragma once
// The host's own zone table (the index is what the host stores; the library maps it to
// the device's time-zone text). A recorder ships the same 40 rows in its UI.
#include <string>

namespace OnvifCli {

constexpr int kHostZoneCount = 40;

// "GMT+05:30" for index 8; "" outside 0..39.
std::string hostZoneName(int index);
// Seconds east of UTC of a valid index, 0 otherwise.
int hostZoneOffset(int index);
// Index of a name such as "GMT+05:30" (also "UTC+05:30", "+05:30"), or -1.
int hostZoneIndex(const std::string& name);

} // namespace OnvifCli
