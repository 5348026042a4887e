// Pull mode at rest: the library's CPU time per pulling device per minute while the devices
// raise nothing, with many devices at once. The simulated cameras run in a child process,
// so that the CPU measured (getrusage of this process) is the library's alone.
//
//   pull_idle_bench [--devices 200] [--seconds 60] [--warmup 15]
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "OnvifFramework/EventCenter/PullpointEventHandler.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace RPC::Onvif;

namespace {

struct Options {
    int devices = 200;
    int seconds = 60;
    int warmup = 15;
};

Options parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--devices")
            o.devices = std::clamp(value, 1, 1000);
        else if (name == "--seconds")
            o.seconds = std::clamp(value, 5, 600);
        else if (name == "--warmup")
            o.warmup = std::clamp(value, 1, 120);
    }
    return o;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The child: the cameras, one port each, told to the parent one per line; they run until the
// parent closes the stop pipe.
[[noreturn]] void runCameras(int devices, int portsOut, int stopIn)
{
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CDeviceDescription description;
    std::string error;
    if (!OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description, error))
        _exit(1);
    {
        OnvifSim::CSimServer server(2);
        std::vector<std::shared_ptr<OnvifSim::CSimDevice>> cameras;
        for (int i = 0; i < devices; ++i) {
            auto device = server.addDevice(description, &error);
            if (!device)
                _exit(1);
            cameras.push_back(device);
            const std::string line = std::to_string(device->port()) + "\n";
            if (write(portsOut, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                _exit(1);
        }
        close(portsOut);
        char byte;
        while (read(stopIn, &byte, 1) > 0) {
        }
        // That every worker really pulled all along: the pulls the cameras answered.
        long pulls = 0, pullPoints = 0;
        for (const auto& camera : cameras) {
            pulls += camera->count("PullMessages");
            pullPoints += camera->count("CreatePullPointSubscription");
        }
        std::fprintf(stderr, "cameras: %ld pull points created, %ld pulls answered\n", pullPoints, pulls);
        cameras.clear();
        server.stop();
    }
    _exit(0);
}

} // namespace

int main(int argc, char** argv)
{
    const Options o = parse(argc, argv);
    int ports[2], stop[2];
    if (pipe(ports) != 0 || pipe(stop) != 0)
        return 1;
    const pid_t child = fork();
    if (child < 0)
        return 1;
    if (child == 0) {
        close(ports[0]);
        close(stop[1]);
        runCameras(o.devices, ports[1], stop[0]);
    }
    close(ports[1]);
    close(stop[0]);

    setLogToStdout(false);
    setLogPrinterLevel(0);
    std::vector<std::unique_ptr<CPullpointEventHandler>> workers;
    FILE* in = fdopen(ports[0], "r");
    int port = 0;
    while (in && std::fscanf(in, "%d", &port) == 1) {
        auto info = std::make_shared<Zentar::Component::ServerInfo>();
        info->address = "127.0.0.1";
        info->port = static_cast<uint16_t>(port);
        info->userName = "admin";
        info->password = "admin123";
        workers.push_back(std::make_unique<CPullpointEventHandler>(info));
        workers.back()->attach(&workers, [](const std::string&, int, int, const Json::Value&, const Json::Value&) {});
        workers.back()->start();
    }
    if (static_cast<int>(workers.size()) != o.devices) {
        std::fprintf(stderr, "only %zu of %d cameras started\n", workers.size(), o.devices);
        kill(child, SIGTERM);
        return 1;
    }

    // Every worker has logged in, read the topics and holds a waiting pull by now.
    std::this_thread::sleep_for(std::chrono::seconds(o.warmup));
    const double before = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(o.seconds));
    const double cpu = cpuSeconds() - before;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const auto stopStart = std::chrono::steady_clock::now();
    workers.clear();
    const double stopSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - stopStart).count();
    close(stop[1]);
    int status = 0;
    waitpid(child, &status, 0);

    const double perDeviceMinute = cpu / o.devices / (wall / 60.0);
    std::printf("%d pulling devices at rest for %.1f s: %.3f s CPU in all, %.3f ms CPU per device per minute "
                "(%.4f%% of one core per device); stopping all took %.2f s\n",
                o.devices, wall, cpu, perDeviceMinute * 1000.0, perDeviceMinute / 60.0 * 100.0, stopSeconds);
    return 0;
}
