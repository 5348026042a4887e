// One discovery pass against many devices: runs `onvif-sim --count N` with a WS-Discovery
// responder per device on 127.0.0.(100+i) in a child process, then times a unicast
// (loopback-mode) pass of the library's discovery until every device has been reported,
// and the CPU the library's process spent on it.
//
//   discovery_bench [--devices 64] [--passes 5]
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "Discovery/Onvif/RPCOnvifDeviceDiscovery.h"
#include "OnvifFramework/Utility/OnvifLog.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

class CCounter : public Zentar::NetApp::IDiscoveryReceiver {
public:
    void onDiscovery(const Json::Value& report) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_count += report.size();
        if (m_count >= m_wanted && m_done == Clock::time_point())
            m_done = Clock::now();
        m_changed.notify_all();
    }
    void reset(size_t wanted)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_count = 0;
        m_wanted = wanted;
        m_done = Clock::time_point();
    }
    // The time the last wanted report came, or none after timeoutMs.
    bool wait(int timeoutMs, Clock::time_point& done)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_count >= m_wanted; });
        done = m_done;
        return m_count >= m_wanted;
    }
    size_t count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_count;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    size_t m_count = 0, m_wanted = 0;
    Clock::time_point m_done;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    int devices = 64, passes = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--devices" && value >= 1 && value <= 150)
            devices = value;
        else if (name == "--passes" && value >= 1 && value <= 50)
            passes = value;
        else {
            std::fprintf(stderr, "usage: discovery_bench [--devices 1..150] [--passes 1..50]\n");
            return 2;
        }
    }
    RPC::Onvif::setLogPrinterLevel(1);
    const std::string port = std::to_string(20000 + getpid() % 20000);
    const std::string device = std::string(ONVIF_SIM_DEVICES_DIR) + "/camera-1ch-media.json";
    const std::string count = std::to_string(devices);
    const char* simArgs[] = {ONVIF_SIM_PATH, "--device", device.c_str(), "--count", count.c_str(), "--discovery-port",
                             port.c_str(), "--discovery-address", "127.0.0.100", nullptr};
    int out[2];
    if (pipe(out) != 0)
        return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t sim = 0;
    const int spawned = posix_spawn(&sim, ONVIF_SIM_PATH, &actions, nullptr, const_cast<char**>(simArgs), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s\n", ONVIF_SIM_PATH);
        return 1;
    }
    FILE* lines = fdopen(out[0], "r");
    char line[256];
    int ready = 0;
    while (ready < devices && std::fgets(line, sizeof line, lines))
        ++ready;
    std::fclose(lines);

    int status = 0;
    if (ready == devices) {
        RPC::Onvif::CRPCOnvifDeviceDiscovery discovery;
        CCounter counter;
        discovery.attach(&counter, 0);
        discovery.setTimeout(500);
        Json::Value targets;
        targets["Addresses"].append("127.0.0.100-127.0.0." + std::to_string(99 + devices));
        targets["Port"] = std::atoi(port.c_str());
        discovery.setProbeTargets(targets);
        std::printf("discovery pass, %d devices on loopback (unicast Probes, quiet period 500 ms)\n", devices);
        std::printf("%6s %14s %14s %12s %10s\n", "pass", "all found ms", "pass end ms", "CPU ms", "reports");
        for (int pass = 1; pass <= passes; ++pass) {
            counter.reset(static_cast<size_t>(devices));
            const double cpuBefore = cpuSeconds();
            const Clock::time_point start = Clock::now();
            discovery.start(10);
            Clock::time_point found;
            const bool all = counter.wait(10000, found);
            discovery.waitIdle(15000);
            const Clock::time_point end = Clock::now();
            const double cpu = (cpuSeconds() - cpuBefore) * 1000;
            auto ms = [&](Clock::time_point t) {
                return std::chrono::duration<double, std::milli>(t - start).count();
            };
            std::printf("%6d %14.1f %14.1f %12.1f %10zu\n", pass, all ? ms(found) : -1.0, ms(end), cpu,
                        counter.count());
            if (!all)
                status = 1;
        }
        discovery.detach(&counter);
    } else {
        std::fprintf(stderr, "the simulator started %d of %d devices\n", ready, devices);
        status = 1;
    }
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    return status;
}
