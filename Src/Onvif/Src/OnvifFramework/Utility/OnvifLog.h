#pragma once
// The library's one logging entry point. Every line goes to standard output (unless the
// host turned that off) and to a per-process, per-day file that rotates at 2 MiB so a
// chatty camera cannot fill the disk; files older than a week are swept away.
#include <ctime>
#include <functional>
#include <string>

namespace RPC {
namespace Onvif {

enum { LOG_FATAL = 0, LOG_ERROR = 1, LOG_WARN = 2, LOG_INFO = 3, LOG_TRACE = 4, LOG_DEBUG = 5 };

// Returned by onvifLogPrint when the level is above the threshold and nothing was done.
constexpr unsigned int kLogFiltered = 4294967295u;

// Formats one line and writes it. Returns 0 when the line was produced (a file that cannot
// be created or written is skipped silently: logging must never take the caller down), and
// kLogFiltered when the level filtered it out. Null file, function or format count as "".
unsigned int onvifLogPrint(const char* file, const char* function, int line, int level,
                           const char* format, ...) __attribute__((format(printf, 5, 6)));

// The threshold: lines whose level is above it are dropped. Returns the level; default 2.
int setLogPrinterLevel(int level);
int getLogPrinterLevel();

// Where the day's files go; empty = "TarvolinLOG" beside the host executable.
void setLogDirectory(const std::string& dir);
// The time source for the timestamp, the day's file name and old-log removal;
// empty = time(nullptr). Lets tests (and hosts with their own clock) pin the date.
void setLogClock(std::function<time_t()> clock);
// Whether lines are echoed to standard output; default true.
void setLogToStdout(bool on);

} // namespace Onvif
} // namespace RPC

// The level is checked before the arguments are evaluated: many lines print a styled JSON
// record, and building it for a line that is then dropped costs more than the work it
// describes (an online probe, say).
#define ONVIF_LOG(level, ...)                                                                   \
    ((level) > ::RPC::Onvif::getLogPrinterLevel()                                               \
         ? ::RPC::Onvif::kLogFiltered                                                           \
         : ::RPC::Onvif::onvifLogPrint(__FILE__, __FUNCTION__, __LINE__, (level), __VA_ARGS__))
#define ONVIF_ERRLN() ONVIF_LOG(::RPC::Onvif::LOG_ERROR, "[ERRLN]\n")
