#include "NetFramework/TlsSettings.h"

#include "Infra/LogSink.h"

#include <arpa/inet.h>

#include <atomic>
#include <mutex>
#include <set>

namespace Zentar {
namespace NetFramework {

namespace {

// Hosts remembered for the once-only note; past this many a recorder is cycling through
// names and the set would only grow, so it starts over (the note then repeats, once).
constexpr size_t kMaxNotedHosts = 4096;

std::mutex g_mutex;
TlsClientSettings g_settings;
std::set<std::string> g_noted;
std::atomic<UnverifiedTlsNotice> g_notice{nullptr};

} // namespace

void setTlsClientSettings(const TlsClientSettings& settings)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_settings = settings;
}

TlsClientSettings getTlsClientSettings()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_settings;
}

void noteUnverifiedTls(const std::string& host)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_noted.size() >= kMaxNotedHosts)
            g_noted.clear();
        if (!g_noted.insert(host).second)
            return;
    }
    UnverifiedTlsNotice notice = g_notice.load();
    if (notice != nullptr)
        notice(host.c_str());
    else
        Infra::logFilter(Infra::kLogWarning, "TLS certificate of %s is not verified (VerifyTLS is off)",
                         host.c_str());
}

void setUnverifiedTlsNotice(UnverifiedTlsNotice notice) { g_notice.store(notice); }

void forgetUnverifiedTlsNotes()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_noted.clear();
}

bool isIpLiteral(const std::string& host)
{
    std::string bare = host;
    if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, bare.c_str(), buffer) == 1 || inet_pton(AF_INET6, bare.c_str(), buffer) == 1;
}

} // namespace NetFramework
} // namespace Zentar
