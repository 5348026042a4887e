#include "Common/DataDirs.h"

#include "OnvifSim/SimServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace OnvifSim {
namespace {

bool IsDirectory(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ExecutableDir()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string exe(path, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

} // namespace

std::string SimDataDir(const std::string& kind)
{
    const bool media = kind == "media";
    if (const char* env = std::getenv(media ? "ONVIF_SIM_MEDIA_DIR" : "ONVIF_SIM_DEVICES_DIR"); env && *env)
        return env;
    const std::string built = media ? ONVIF_SIM_MEDIA_DIR : ONVIF_SIM_DEVICES_DIR;
    if (IsDirectory(built))
        return built;
    return ExecutableDir() + "/../share/onvif-client/" + kind;
}

std::string DevicesDir()
{
    return SimDataDir("devices");
}

} // namespace OnvifSim
