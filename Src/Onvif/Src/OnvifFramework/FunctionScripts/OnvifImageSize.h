#pragma once
// The host names its resolutions ("D1", "720P", "1080P", ...) rather than giving width and
// height; this maps a device resolution to that name.
#include <string>

namespace RPC {
namespace Onvif {

class CResolutionFilter {
public:
    // The name of width x height; "" for a size that is not positive; "%dx%d" when no
    // name fits (logged, so new sizes seen in the field can be added to the table).
    static std::string proc(int width, int height);
};

} // namespace Onvif
} // namespace RPC
