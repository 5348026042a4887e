#pragma once
// Whole-file reads with a size limit, for recorded answers and manifests.
#include <string>

namespace OnvifSim {

// False with a reason ("cannot open file", "larger than N bytes") on failure.
bool ReadSmallFile(const std::string& path, size_t maxBytes, std::string& text, std::string& reason);

} // namespace OnvifSim
