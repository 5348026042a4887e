#pragma once
// Action names of the services a replayed device may answer for, from their WSDLs.
#include <string>

namespace OnvifSim {

bool IsKnownAction(const std::string& service, const std::string& action);
// The longest known action of the service that `name` starts with (and is longer than);
// empty when there is none.
std::string LongestKnownActionPrefix(const std::string& service, const std::string& name);

} // namespace OnvifSim
