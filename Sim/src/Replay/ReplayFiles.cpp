#include "Replay/ReplayFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace OnvifSim {

bool ReadSmallFile(const std::string& path, size_t maxBytes, std::string& text, std::string& reason)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = std::string("cannot open file (") + strerror(errno) + ")";
        return false;
    }
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0) {
        reason = "cannot read file";
        return false;
    }
    if (static_cast<unsigned long long>(size) > maxBytes) {
        reason = "file larger than " + std::to_string(maxBytes) + " bytes";
        return false;
    }
    in.seekg(0, std::ios::beg);
    text.assign(static_cast<size_t>(size), '\0');
    if (size > 0 && !in.read(&text[0], size)) {
        reason = "cannot read file";
        return false;
    }
    return true;
}

} // namespace OnvifSim
