#pragma once
// Where the shipped device descriptions and media clips are: the source tree while we
// build and test, the installed share directory once packaged.
#include <string>

namespace OnvifSim {

// kind is "devices" or "media". In order: the environment variable
// ONVIF_SIM_DEVICES_DIR / ONVIF_SIM_MEDIA_DIR; the source tree the build came from, when
// it still exists; <executable>/../share/onvif-client/<kind>.
std::string SimDataDir(const std::string& kind);

} // namespace OnvifSim
