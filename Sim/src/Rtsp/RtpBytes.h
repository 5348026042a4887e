#pragma once
// Big-endian writers for the RTP and RTCP packets the server builds.
#include <cstdint>
#include <string>

namespace OnvifSim {

inline void Put16(std::string& out, uint32_t v)
{
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
}

inline void Put32(std::string& out, uint32_t v)
{
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}

} // namespace OnvifSim
