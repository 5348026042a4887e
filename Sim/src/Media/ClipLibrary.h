#pragma once
// The clips of Sim/media, listed in its clips.json, loaded on first use and kept for the
// life of the process (tests start many devices; each clip is read once).
#include "Media/Clip.h"

#include <string>

namespace OnvifSim {

// Directory of the committed clips.
std::string MediaDir();

// The clip of `codec` ("H264", "H265", "JPEG", "AAC", "PCMU") nearest in size to
// width x height; `benchmark` picks the high-bit-rate H.264 clip. Null with *error when no
// clip of that codec exists or the files cannot be read.
CClipPtr FindClip(const std::string& codec, int width, int height, bool benchmark, std::string* error = nullptr);

} // namespace OnvifSim
