#include "CliOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <iostream>

namespace OnvifCli {

namespace {
FILE* g_out = nullptr;
}

FILE* COutput::out() { return g_out ? g_out : stdout; }

void COutput::redirectLibraryOutput(bool showLogLines)
{
    if (g_out)
        return;
    fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    if (saved < 0)
        return;
    g_out = fdopen(saved, "w");
    if (!g_out) {
        close(saved);
        return;
    }
    const int target = showLogLines ? dup(STDERR_FILENO) : open("/dev/null", O_WRONLY);
    if (target >= 0) {
        dup2(target, STDOUT_FILENO);
        close(target);
    }
}

void COutput::print(const std::string& text)
{
    fputs(text.c_str(), out());
    fflush(out());
}

void COutput::printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vfprintf(out(), format, args);
    va_end(args);
    fflush(out());
}

void COutput::printJson(const Json::Value& value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    print(Json::writeString(builder, value) + "\n");
}

void COutput::error(const std::string& sentence)
{
    std::cerr << "onvif-cli: " << sentence << std::endl;
}

CProgressLine::CProgressLine(std::string what) : m_what(std::move(what))
{
    m_thread = std::thread([this] {
        std::unique_lock<std::mutex> lock(m_mutex);
        // Bounded: at most ten minutes of progress lines, whatever the caller does.
        for (int seconds = 1; seconds <= 600; ++seconds) {
            if (m_wake.wait_for(lock, std::chrono::seconds(1), [this] { return m_done; }))
                return;
            std::cerr << "  ... " << m_what << " (" << seconds << " s)" << std::endl;
        }
    });
}

CProgressLine::~CProgressLine()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

} // namespace OnvifCli
