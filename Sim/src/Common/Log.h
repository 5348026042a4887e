#pragma once
// One line per noteworthy event (refused request, bad input, start/stop) on stderr.
#include <string>

namespace OnvifSim {

void LogLine(const std::string& text);

} // namespace OnvifSim
