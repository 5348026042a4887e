#pragma once
// Where the CLI's own output goes. The library echoes its log lines to standard output;
// the CLI keeps its own copy of the original standard output and sends descriptor 1 to
// stderr (with --log-level) or to /dev/null, so results and JSON stay clean.
#include <json/json.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace OnvifCli {

class COutput {
public:
    // Call once, before the library is loaded or used.
    static void redirectLibraryOutput(bool showLogLines);
    static void print(const std::string& text);            // to the user's standard output
    static void printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void printJson(const Json::Value& value);
    static void error(const std::string& sentence);       // one line to stderr

private:
    static FILE* out();
};

// Prints "  ... <what> (N s)" on stderr every second while alive, once it has lived a
// second, so a slow device never looks like a hung tool.
class CProgressLine {
public:
    explicit CProgressLine(std::string what);
    ~CProgressLine();
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

private:
    std::string m_what;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};

// Milliseconds since construction.
class CStopwatch {
public:
    CStopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double ms() const
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

} // namespace OnvifCli
