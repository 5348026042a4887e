#include "Common/Log.h"

#include "OnvifSim/SimServer.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace OnvifSim {
namespace {
std::atomic<bool> g_enabled{true};
std::mutex g_mutex;
} // namespace

void SetLogEnabled(bool enabled) { g_enabled = enabled; }

void LogLine(const std::string& text)
{
    if (!g_enabled)
        return;
    std::lock_guard<std::mutex> lock(g_mutex);
    fprintf(stderr, "[onvif-sim] %s\n", text.c_str());
}

} // namespace OnvifSim
