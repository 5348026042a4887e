#include "Infra/LogSink.h"

#include "Infra/LogRedact.h"
#include "Infra/Thread.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <ctime>
#include <sys/time.h>
#include <unistd.h>

namespace Zentar {
namespace Infra {

namespace {

std::atomic<int> g_threshold{kLogWarning};

const char kLevelLetters[] = "FEWITD";

// Formats the header and message into one buffer and hands it to the kernel in a
// single write(), which is what keeps concurrent lines whole.
void writeLine(int level, const char* fmt, va_list args)
{
    char line[2048];
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm local;
    localtime_r(&tv.tv_sec, &local);

    const char letter = (level >= 0 && level <= kLogDebug) ? kLevelLetters[level] : '?';
    int used = snprintf(line, sizeof(line), "[%02d:%02d:%02d.%03d %c zentar %d] ", local.tm_hour,
                        local.tm_min, local.tm_sec, static_cast<int>(tv.tv_usec / 1000), letter,
                        CThread::getCurrentThreadID());
    if (used < 0) {
        return;
    }
    size_t pos = static_cast<size_t>(used);
    const size_t room = sizeof(line) - 1; // keep one byte for the newline
    if (pos < room) {
        int body = vsnprintf(line + pos, room - pos, fmt, args);
        if (body > 0) {
            pos += static_cast<size_t>(body);
        }
    }
    if (pos > room - 1) {
        pos = room - 1; // message was truncated
    }
    if (pos > 0 && line[pos - 1] == '\n') {
        --pos; // callers sometimes add their own newline
    }
    // Session lines name URLs and answers that may carry credentials.
    if (mayHoldSecrets(line, pos)) {
        const std::string masked = redactSecrets(std::string(line, pos));
        pos = std::min(masked.size(), room - 1);
        memcpy(line, masked.data(), pos);
    }
    line[pos++] = '\n';
    ssize_t ignored = write(STDERR_FILENO, line, pos);
    (void)ignored;
}

} // namespace

void logFilter(int level, const char* fmt, ...)
{
    if (fmt == nullptr || level > g_threshold.load(std::memory_order_relaxed)) {
        return;
    }
    va_list args;
    va_start(args, fmt);
    writeLine(level, fmt, args);
    va_end(args);
}

void logError(const char* fmt, ...)
{
    if (fmt == nullptr || kLogError > g_threshold.load(std::memory_order_relaxed)) {
        return;
    }
    va_list args;
    va_start(args, fmt);
    writeLine(kLogError, fmt, args);
    va_end(args);
}

void setPlatformLogLevel(int level) { g_threshold.store(level, std::memory_order_relaxed); }

int getPlatformLogLevel() { return g_threshold.load(std::memory_order_relaxed); }

} // namespace Infra
} // namespace Zentar
