// One library instance and many cameras: runs `onvif-sim --count N` in a child process,
// logs one client into every device through the asynchronous login (the process-wide
// limit on logins in flight applies), then keeps them online for a while, polling each
// device's online state the way a recorder's health check does.
//
// Reports the wall time to log all devices in, resident memory per logged-in device,
// the library's CPU while idle (per device per minute and in total), and the threads of
// the process before, during and after.
//
//   scale_bench [--devices 1000] [--idle-seconds 60] [--poll-ms 1000]
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Component/FactoryRegistry.h"
#include "Components/Client/OnvifClient.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimServer.h"

extern char** environ;

using namespace RPC::Onvif;
using Clock = std::chrono::steady_clock;

namespace {

struct Options {
    int devices = 1000;
    int idleSeconds = 60;
    int pollMs = 1000;
};

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--devices" && value >= 1 && value <= 1000)
            options.devices = value;
        else if (name == "--idle-seconds" && value >= 0 && value <= 600)
            options.idleSeconds = value;
        else if (name == "--poll-ms" && value >= 100 && value <= 60000)
            options.pollMs = value;
        else
            return false;
    }
    return argc % 2 == 1;
}

// One line of /proc/<pid>/status, as a number ("VmRSS:  1234 kB" gives 1234).
long procStatus(const std::string& pid, const char* key)
{
    std::ifstream in("/proc/" + pid + "/status");
    std::string line;
    const size_t keyLength = std::strlen(key);
    while (std::getline(in, line)) {
        if (line.compare(0, keyLength, key) == 0 && line.size() > keyLength && line[keyLength] == ':')
            return std::atol(line.c_str() + keyLength + 1);
    }
    return -1;
}

// User plus system CPU of a process, in milliseconds (fields 14 and 15 of /proc/<pid>/stat).
double processCpuMs(const std::string& pid)
{
    std::ifstream in("/proc/" + pid + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            utime = std::strtoull(field.c_str(), nullptr, 10);
        if (index == 15) {
            stime = std::strtoull(field.c_str(), nullptr, 10);
            break;
        }
    }
    return static_cast<double>(utime + stime) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The simulator as a child process; its stdout names each device's service address.
class CSimProcess {
public:
    ~CSimProcess() { stop(); }

    bool start(int count, std::vector<unsigned short>& ports)
    {
        int out[2];
        if (pipe(out) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string device = OnvifSim::DevicesDir() + "/camera-1ch-media.json";
        const std::string countText = std::to_string(count);
        const char* argv[] = {ONVIF_SIM_PATH, "--device", device.c_str(), "--count", countText.c_str(), nullptr};
        const int spawned = posix_spawn(&m_pid, ONVIF_SIM_PATH, &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (spawned != 0) {
            close(out[0]);
            m_pid = 0;
            return false;
        }
        // "http://127.0.0.1:PORT/onvif/device_service", one line per device.
        FILE* lines = fdopen(out[0], "r");
        char line[256];
        while (static_cast<int>(ports.size()) < count && std::fgets(line, sizeof line, lines)) {
            const char* colon = std::strrchr(line, ':');
            if (colon)
                ports.push_back(static_cast<unsigned short>(std::atoi(colon + 1)));
        }
        std::fclose(lines);
        return static_cast<int>(ports.size()) == count;
    }

    std::string pid() const { return std::to_string(m_pid); }

    void stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = 0;
        }
    }

private:
    pid_t m_pid = 0;
};

struct ClientDeleter {
    void operator()(COnvifClient* client) const
    {
        if (client)
            client->destroy();
    }
};
using ClientPtr = std::unique_ptr<COnvifClient, ClientDeleter>;

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: scale_bench [--devices 1..1000] [--idle-seconds 0..600] [--poll-ms 100..60000]\n");
        return 2;
    }
    // Each device takes a listening socket in the child and a kept-alive connection here.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    setLogToStdout(false);
    initOnvifComponentLibrary();
    const std::string self = "self";

    CSimProcess sim;
    std::vector<unsigned short> ports;
    if (!sim.start(options.devices, ports)) {
        std::fprintf(stderr, "scale_bench: onvif-sim did not start %d devices\n", options.devices);
        return 1;
    }
    OnvifSim::CDeviceDescription description;
    std::string error;
    if (!OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description, error)) {
        std::fprintf(stderr, "scale_bench: %s\n", error.c_str());
        return 1;
    }

    const long rssBeforeKb = procStatus(self, "VmRSS");
    const long threadsBefore = procStatus(self, "Threads");
    std::vector<ClientPtr> clients;
    for (unsigned short port : ports) {
        ServerInfo info;
        info.address = "127.0.0.1";
        info.port = port;
        info.userName = description.users.at(0).name;
        info.password = description.users.at(0).password;
        info.loginMode = 1;
        auto* unknown = Zentar::Component::getComponentInstance("Client", "Onvif", &info);
        clients.emplace_back(dynamic_cast<COnvifClient*>(unknown));
    }

    // Log in: ask every client not yet online; a refusal for too many logins in flight
    // is retried on the next pass, as a recorder's scheduler would.
    const double cpuLoginStartMs = processCpuMs(self);
    const Clock::time_point loginStart = Clock::now();
    std::vector<bool> online(clients.size(), false);
    size_t onlineCount = 0, refusals = 0, failures = 0;
    long threadsPeak = threadsBefore;
    while (onlineCount < clients.size() && secondsSince(loginStart) < 120) {
        for (size_t i = 0; i < clients.size(); ++i) {
            if (online[i])
                continue;
            if (clients[i]->getOnlineState()) {
                online[i] = true;
                ++onlineCount;
                continue;
            }
            if (clients[i]->login())
                continue;
            const uint32_t code = Zentar::Infra::getLastError();
            if (code == ONVIF_ERR_TOO_MANY_LOGINS)
                ++refusals;
            else if (code != ONVIF_ERR_LOGIN_PENDING)
                ++failures;   // an earlier attempt failed; this call started a new one
        }
        threadsPeak = std::max(threadsPeak, procStatus(self, "Threads"));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double loginSeconds = secondsSince(loginStart);
    const double loginCpuMs = processCpuMs(self) - cpuLoginStartMs;
    const long rssLoggedInKb = procStatus(self, "VmRSS");
    const long threadsLoggedIn = procStatus(self, "Threads");

    // Idle: every poll period the host asks each device whether it is online; the
    // library answers from its cache and probes each device at most every 5 s.
    const double cpuIdleStartMs = processCpuMs(self);
    const double simCpuIdleStartMs = processCpuMs(sim.pid());
    const Clock::time_point idleStart = Clock::now();
    size_t offlineAnswers = 0, polls = 0;
    while (secondsSince(idleStart) < options.idleSeconds) {
        const Clock::time_point pass = Clock::now();
        for (auto& client : clients) {
            offlineAnswers += client->getOnlineState() ? 0 : 1;
            ++polls;
        }
        threadsPeak = std::max(threadsPeak, procStatus(self, "Threads"));
        std::this_thread::sleep_until(pass + std::chrono::milliseconds(options.pollMs));
    }
    const double idleSeconds = secondsSince(idleStart);
    const double idleCpuMs = processCpuMs(self) - cpuIdleStartMs;
    const double simIdleCpuMs = processCpuMs(sim.pid()) - simCpuIdleStartMs;
    const long rssIdleKb = procStatus(self, "VmRSS");

    const double devices = static_cast<double>(clients.size());
    std::printf("devices                          %zu (online %zu)\n", clients.size(), onlineCount);
    std::printf("log all in (wall)                %.2f s (target < 10 s)\n", loginSeconds);
    std::printf("  client CPU for the logins      %.0f ms (%.2f ms per device)\n", loginCpuMs, loginCpuMs / devices);
    std::printf("  refused: too many in flight    %zu calls; failed attempts %zu\n", refusals, failures);
    std::printf("memory per logged-in device      %.1f KB (RSS %ld -> %ld KB; target < 100 KB)\n",
                static_cast<double>(rssLoggedInKb - rssBeforeKb) / devices, rssBeforeKb, rssLoggedInKb);
    std::printf("memory after idle                %ld KB\n", rssIdleKb);
    if (idleSeconds > 0) {
        const double percentOfCore = idleCpuMs / (idleSeconds * 1000.0) * 100.0;
        std::printf("idle CPU (library + host polls)  %.2f%% of one core in total (target < 2%%)\n", percentOfCore);
        std::printf("  per device per minute          %.2f ms\n", idleCpuMs / devices / (idleSeconds / 60.0));
        std::printf("  polls %zu, answered offline %zu; simulator CPU %.2f%% of one core\n", polls, offlineAnswers,
                    simIdleCpuMs / (idleSeconds * 1000.0) * 100.0);
    }
    std::printf("threads                          before %ld, logged in %ld, peak %ld\n", threadsBefore,
                threadsLoggedIn, threadsPeak);

    const bool allOnline = onlineCount == clients.size();
    clients.clear();
    sim.stop();
    return allOnline ? 0 : 1;
}
