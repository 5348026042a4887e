#include "OnvifFramework/Utility/OnvifLog.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include <sys/syscall.h>
#include <unistd.h>

#include "Infra/LogRedact.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLogFile.h"

namespace RPC {
namespace Onvif {

namespace {

// A whole line, header included, never exceeds this; longer text is cut, not dropped.
constexpr size_t kMaxLineBytes = 10240;
constexpr const char* kModuleTag = "QX_3rd";
constexpr const char* kDefaultDirName = "TarvolinLOG";

// Plain atomics with constant initialisers: usable before any constructor has run, and the
// filtered path costs one load.
std::atomic<int> s_threshold{LOG_WARN};
std::atomic<bool> s_toStdout{true};

using ClockPtr = std::shared_ptr<const std::function<time_t()>>;

class CLogState {
public:
    std::mutex m_settingsLock;      // guards the two settings below
    std::string m_strDirectory;     // empty = beside the executable
    ClockPtr m_clock;               // null = time(nullptr)

    std::mutex m_writeLock;         // one whole line at a time, and the rotation state
    COnvifLogFile m_file;
};

// Deliberately never destroyed: threads still logging while the host unloads or exits
// must not find it gone.
CLogState& state()
{
    static CLogState* s = new CLogState;
    return *s;
}

const std::string& defaultDirectory()
{
    static const std::string dir = [] {
        char exe[4096];
        const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n <= 0)
            return std::string(kDefaultDirName);
        const std::string path(exe, static_cast<size_t>(n));
        const size_t slash = path.rfind('/');
        if (slash == std::string::npos)
            return std::string(kDefaultDirName);
        return path.substr(0, slash + 1) + kDefaultDirName;
    }();
    return dir;
}

const char* levelName(int level)
{
    static const char* const kNames[] = {"Fatal", "Error", "Warn", "Info", "Trace", "Debug"};
    if (level < 0 || level >= static_cast<int>(sizeof kNames / sizeof kNames[0]))
        return "Unknown";
    return kNames[level];
}

// Source paths may come from either kind of build machine, so cut at both separators.
const char* baseFileName(const char* file)
{
    if (!file)
        return "";
    const char* cut = file;
    for (const char* p = file; *p; ++p) {
        if (*p == '\\' || *p == '/')
            cut = p + 1;
    }
    return cut;
}

// "RPC::Onvif::COnvifClient::tryToLogin" -> "tryToLogin": the class is in the file name.
const char* shortFunctionName(const char* function)
{
    if (!function)
        return "";
    const char* colon = std::strrchr(function, ':');
    return colon ? colon + 1 : function;
}

time_t readClock()
{
    ClockPtr clock;
    {
        std::lock_guard<std::mutex> lock(state().m_settingsLock);
        clock = state().m_clock;
    }
    // Called outside the lock so that a clock which itself logs cannot deadlock.
    if (clock && *clock) {
        try {
            return (*clock)();
        } catch (...) {
        }
    }
    return std::time(nullptr);
}

std::string currentDirectory()
{
    std::lock_guard<std::mutex> lock(state().m_settingsLock);
    return state().m_strDirectory.empty() ? defaultDirectory() : state().m_strDirectory;
}

// Builds header + message into out (kMaxLineBytes + 1 bytes); returns the line length.
size_t formatLine(char* out, time_t now, const char* file, const char* function, int line,
                  int level, const char* format, va_list args)
{
    struct tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local) == 0)
        stamp[0] = '\0';
    const char* space = std::strchr(stamp, ' ');
    const char* clockTime = space ? space + 1 : stamp;

    const int tid = static_cast<int>(::syscall(SYS_gettid));
    const size_t capacity = kMaxLineBytes + 1;
    int n = std::snprintf(out, capacity, "%s[%s-%d]%s TID:%d %s %s:%d|", clockTime, kModuleTag,
                          kOnvifInterfaceVersion, levelName(level), tid, baseFileName(file),
                          shortFunctionName(function), line);
    size_t used = n < 0 ? 0 : std::min(static_cast<size_t>(n), kMaxLineBytes);
    out[used] = '\0';
    if (format && used < kMaxLineBytes) {
        n = std::vsnprintf(out + used, capacity - used, format, args);
        if (n > 0)
            used += std::min(static_cast<size_t>(n), kMaxLineBytes - used);
        out[used] = '\0';
    }
    return used;
}

// Lines print whole requests, records and URLs; credentials in them are masked here, once
// for every caller, so that a new log line cannot leak what an old one was careful about.
// The mask may lengthen the line: it is cut to the limit again.
size_t redactLine(char* text, size_t len)
{
    if (!Zentar::Infra::mayHoldSecrets(text, len))
        return len;
    const std::string masked = Zentar::Infra::redactSecrets(std::string(text, len));
    len = std::min(masked.size(), kMaxLineBytes);
    std::memcpy(text, masked.data(), len);
    text[len] = '\0';
    return len;
}

} // namespace

unsigned int onvifLogPrint(const char* file, const char* function, int line, int level,
                           const char* format, ...)
{
    if (level > s_threshold.load(std::memory_order_relaxed))
        return kLogFiltered;

    try {
        const time_t now = readClock();
        const std::string dir = currentDirectory();

        char text[kMaxLineBytes + 1];
        va_list args;
        va_start(args, format);
        size_t len = formatLine(text, now, file, function, line, level, format, args);
        va_end(args);
        len = redactLine(text, len);

        CLogState& s = state();
        std::lock_guard<std::mutex> lock(s.m_writeLock);
        if (s_toStdout.load(std::memory_order_relaxed)) {
            std::fwrite(text, 1, len, stdout);
            std::fflush(stdout);
        }
        s.m_file.append(dir, now, text, len);   // a failed write is skipped on purpose
    } catch (...) {
        // Out of memory while logging: losing the line beats taking the caller down.
    }
    return 0;
}

int setLogPrinterLevel(int level)
{
    s_threshold.store(level, std::memory_order_relaxed);
    return level;
}

int getLogPrinterLevel()
{
    return s_threshold.load(std::memory_order_relaxed);
}

void setLogDirectory(const std::string& dir)
{
    std::lock_guard<std::mutex> lock(state().m_settingsLock);
    state().m_strDirectory = dir;
}

void setLogClock(std::function<time_t()> clock)
{
    ClockPtr next = clock ? std::make_shared<const std::function<time_t()>>(std::move(clock)) : nullptr;
    std::lock_guard<std::mutex> lock(state().m_settingsLock);
    state().m_clock = std::move(next);
}

void setLogToStdout(bool on)
{
    s_toStdout.store(on, std::memory_order_relaxed);
}

} // namespace Onvif
} // namespace RPC
