#pragma once
// The platform's own log output, used by the low layers (threads, timers, registry)
// that sit below the client's real logging. Lines go to stderr, one write per line so
// concurrent threads never interleave inside a line.
//
// Levels: 0 Fatal, 1 Error, 2 Warning, 3 Info, 4 Trace, 5 Debug. A message is written
// when its level is <= the threshold (default 2).

namespace Zentar {
namespace Infra {

enum PlatformLogLevel {
    kLogFatal = 0,
    kLogError = 1,
    kLogWarning = 2,
    kLogInfo = 3,
    kLogTrace = 4,
    kLogDebug = 5,
};

void logFilter(int level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void logError(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

void setPlatformLogLevel(int level);
int getPlatformLogLevel();

} // namespace Infra
} // namespace Zentar
