#include "OnvifFramework/Utility/OnvifLogFile.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace RPC {
namespace Onvif {

namespace {

std::string joinPath(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

// Size of path in bytes, or -1 when it does not exist (or cannot be read).
long long fileSize(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<long long>(st.st_size);
}

// Creates path empty. 'e' keeps the descriptor out of children the host may fork.
void createEmpty(const std::string& path)
{
    if (FILE* f = std::fopen(path.c_str(), "wbe"))
        std::fclose(f);
}

// The local calendar day that lies daysBack days before now. Midday keeps a DST shift
// from pushing the result into a neighbouring day.
struct tm dayBefore(time_t now, int daysBack)
{
    struct tm day {};
    localtime_r(&now, &day);
    day.tm_hour = 12;
    day.tm_min = 0;
    day.tm_sec = 0;
    day.tm_isdst = -1;
    day.tm_mday -= daysBack;
    std::mktime(&day);   // normalises month and year
    return day;
}

} // namespace

std::string COnvifLogFile::fileName(int pid, const struct tm& day, int counter)
{
    char buf[96];
    if (counter > 0) {
        std::snprintf(buf, sizeof buf, "TarvoLogInfo_%d_%04d%02d%02d(%d).log", pid,
                      day.tm_year + 1900, day.tm_mon + 1, day.tm_mday, counter);
    } else {
        std::snprintf(buf, sizeof buf, "TarvoLogInfo_%d_%04d%02d%02d.log", pid,
                      day.tm_year + 1900, day.tm_mon + 1, day.tm_mday);
    }
    return buf;
}

void COnvifLogFile::removeOldLogs(const std::string& dir, int pid, time_t now) const
{
    for (int back = kKeepDays; back < kKeepDays + kSweepDays; ++back) {
        const struct tm day = dayBefore(now, back);
        for (int counter = 0; counter <= kSweepMaxCounter; ++counter)
            ::unlink(joinPath(dir, fileName(pid, day, counter)).c_str());   // absent is fine
    }
}

bool COnvifLogFile::append(const std::string& dir, time_t now, const char* data, size_t len)
{
    // Recreated every time so that a directory removed while the host runs comes back.
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    const int pid = static_cast<int>(::getpid());
    struct tm today {};
    localtime_r(&now, &today);

    const std::string basePath = joinPath(dir, fileName(pid, today, 0));
    std::string current;
    if (fileSize(basePath) < 0) {
        // First line of the day (or of this process): start again from the base file.
        m_iCounter = 0;
        removeOldLogs(dir, pid, now);
        createEmpty(basePath);
        current = basePath;
    } else {
        current = joinPath(dir, fileName(pid, today, m_iCounter));
        const long long size = fileSize(current);
        if (size >= 0 && size + kRotateHeadroom >= kRotateSize) {
            ++m_iCounter;
            current = joinPath(dir, fileName(pid, today, m_iCounter));
            removeOldLogs(dir, pid, now);
            createEmpty(current);
        }
    }

    FILE* f = std::fopen(current.c_str(), "abe");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, len, f) == len;
    const bool flushed = std::fflush(f) == 0;
    std::fclose(f);
    return ok && flushed;
}

} // namespace Onvif
} // namespace RPC
