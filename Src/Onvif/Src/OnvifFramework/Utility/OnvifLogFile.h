#pragma once
// Picks the file a log line goes to and keeps the log directory bounded: one base file per
// process and day, rotated into "(1)", "(2)", ... copies near 2 MiB, and the files of a
// week to roughly a month ago removed whenever a new file is started.
#include <cstddef>
#include <ctime>
#include <string>

namespace RPC {
namespace Onvif {

class COnvifLogFile {
public:
    // A file is rotated once its size plus this headroom reaches kRotateSize, so a typical
    // line still fits below 2 MiB.
    static constexpr long long kRotateSize = 2097152;
    static constexpr long long kRotateHeadroom = 1024;
    // Old logs are those of the days [kKeepDays, kKeepDays + kSweepDays) before today.
    static constexpr int kKeepDays = 7;
    static constexpr int kSweepDays = 30;
    // Rotated copies 1..kSweepMaxCounter of an old day are removed with its base file.
    static constexpr int kSweepMaxCounter = 9;

    // Appends data to the right file in dir for the local day of now, creating dir and
    // rotating as needed. Returns false when the file could not be written. Not thread-safe:
    // the caller serialises calls (the rotation counter is shared state).
    bool append(const std::string& dir, time_t now, const char* data, size_t len);

    // "TarvoLogInfo_<pid>_<yyyyMMdd>.log", or with "(counter)" before ".log" when counter > 0.
    static std::string fileName(int pid, const struct tm& day, int counter);

private:
    void removeOldLogs(const std::string& dir, int pid, time_t now) const;

    int m_iCounter = 0;
};

} // namespace Onvif
} // namespace RPC
