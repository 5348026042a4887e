// What live video costs the client: CPU seconds per stream-second for N concurrent
// 4 Mbit/s H.264 streams (720p, 25 fps) from the simulator on loopback, the CPU to set up
// one session, and frames lost; then ffmpeg ingesting the same streams (-c copy -f null)
// for a ratio. The simulator runs in a child process so that only the client is measured.
//
//   rtsp_ingest_bench [--streams N] [--transport tcp|udp] [--seconds S] [--no-ffmpeg]
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Base/RTSPClient/ExpRtspClient.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "Packaging/NativeFrame.h"

namespace {

double cpuSeconds(int who)
{
    struct rusage usage {};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The simulator in a child: one camera whose H.264 profile streams the benchmark clip.
// Writes the stream address to the pipe and waits to be killed.
pid_t startSimulator(std::string& url)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        OnvifSim::SetLogEnabled(false);
        OnvifSim::CSimServer server(2);
        OnvifSim::CDeviceDescription description;
        std::string error;
        if (!OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description, error))
            _exit(2);
        description.raw["rtsp"]["benchmarkClip"] = true;
        description.raw["rtsp"]["auth"] = "none";
        auto device = server.addDevice(description, &error);
        if (!device)
            _exit(3);
        const std::string address = device->rtspUrl("Profile_1") + "\n";
        if (write(fds[1], address.data(), address.size()) < 0)
            _exit(4);
        close(fds[1]);
        for (;;)
            pause();
    }
    close(fds[1]);
    char buffer[512] = {};
    ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
    close(fds[0]);
    if (n <= 0)
        return -1;
    url.assign(buffer, static_cast<size_t>(n));
    url.erase(url.find_last_not_of("\r\n") + 1);
    return pid;
}

struct StreamCounter {
    std::atomic<long long> frames{0};
    std::atomic<long long> bytes{0};
    std::atomic<int> ends{0};
    std::atomic<double> firstFrameCpu{-1.0};
};

struct ClientRun {
    double cpuPerStreamSecond = 0;
    double setupCpuMs = 0;
    long long frames = 0;
    long long expectedFrames = 0;
    double megabitPerSecond = 0;
    int ended = 0;
};

ClientRun runClients(const std::string& url, int streams, int transport, int seconds)
{
    Zentar::Component::ServerInfo info;
    info.address = "127.0.0.1";
    std::vector<StreamCounter> counters(static_cast<size_t>(streams));
    std::vector<RPC::CExpRtspClient*> clients;
    ClientRun run;

    // Set-up cost: one session alone, from start to its first frame.
    const double setupStart = cpuSeconds(RUSAGE_SELF);
    for (int i = 0; i < streams; ++i) {
        auto* client = new RPC::CExpRtspClient(info, transport);
        StreamCounter& counter = counters[static_cast<size_t>(i)];
        client->attach(&counter, [&counter](Zentar::Stream::CMediaFrame& frame) {
            if (!frame.valid()) {
                ++counter.ends;
                return;
            }
            if (counter.firstFrameCpu.load() < 0)
                counter.firstFrameCpu = cpuSeconds(RUSAGE_SELF);
            const uint8_t kind = frame.getKind();
            if (kind == RPC::NativeFrame::kKindVideoKey || kind == RPC::NativeFrame::kKindVideoDelta) {
                ++counter.frames;
                counter.bytes += static_cast<long long>(frame.size());
            }
        });
        client->startRtspClient(url);
        clients.push_back(client);
        if (i == 0) {
            for (int wait = 0; wait < 500 && counters[0].firstFrameCpu.load() < 0; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            run.setupCpuMs = (counters[0].firstFrameCpu.load() - setupStart) * 1000.0;
        }
    }
    // Let every session reach PLAY, then measure a steady window.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    long long framesBefore = 0;
    long long bytesBefore = 0;
    for (auto& c : counters) {
        framesBefore += c.frames;
        bytesBefore += c.bytes;
    }
    const double cpuStart = cpuSeconds(RUSAGE_SELF);
    const double wallStart = now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuStart;
    const double wall = now() - wallStart;
    long long framesAfter = 0;
    long long bytesAfter = 0;
    for (auto& c : counters) {
        framesAfter += c.frames;
        bytesAfter += c.bytes;
        run.ended += c.ends;
    }
    for (auto* client : clients)
        client->Close();
    run.cpuPerStreamSecond = cpu / (wall * streams);
    run.frames = framesAfter - framesBefore;
    run.expectedFrames = static_cast<long long>(25.0 * wall * streams + 0.5);
    run.megabitPerSecond = static_cast<double>(bytesAfter - bytesBefore) * 8.0 / 1e6 / wall / streams;
    return run;
}

// ffmpeg copying the same streams to nowhere; CPU of all its processes per stream-second.
double runFfmpeg(const std::string& url, int streams, const char* transport, int seconds)
{
    const std::string duration = std::to_string(seconds + 2);
    std::vector<pid_t> children;
    const double wallStart = now();
    for (int i = 0; i < streams; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            execlp("ffmpeg", "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-rtsp_transport", transport,
                   "-i", url.c_str(), "-t", duration.c_str(), "-c", "copy", "-f", "null", "-", static_cast<char*>(nullptr));
            _exit(127);
        }
        children.push_back(pid);
    }
    double cpu = 0;
    for (pid_t pid : children) {
        int status = 0;
        struct rusage usage {};
        if (wait4(pid, &status, 0, &usage) == pid) {
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                return -1;
            cpu += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        }
    }
    const double wall = now() - wallStart;
    return cpu / (wall * streams);
}

} // namespace

int main(int argc, char** argv)
{
    int streams = 1;
    int seconds = 10;
    std::string transport = "tcp";
    bool ffmpeg = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--streams" && i + 1 < argc)
            streams = std::max(1, std::min(256, std::atoi(argv[++i])));
        else if (arg == "--seconds" && i + 1 < argc)
            seconds = std::max(1, std::min(600, std::atoi(argv[++i])));
        else if (arg == "--transport" && i + 1 < argc)
            transport = argv[++i];
        else if (arg == "--no-ffmpeg")
            ffmpeg = false;
    }
    if (transport != "tcp" && transport != "udp") {
        std::fprintf(stderr, "--transport tcp|udp\n");
        return 2;
    }
    std::string url;
    const pid_t sim = startSimulator(url);
    if (sim < 0) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    RPC::Onvif::setLogPrinterLevel(0);
    RPC::Onvif::setLogToStdout(false);
    const ClientRun client = runClients(url, streams, transport == "tcp" ? 0 : 1, seconds);
    const double ffmpegCpu = ffmpeg ? runFfmpeg(url, streams, transport.c_str(), seconds) : -1;
    kill(sim, SIGKILL);
    waitpid(sim, nullptr, 0);

    std::printf("transport=%s streams=%d seconds=%d\n", transport.c_str(), streams, seconds);
    std::printf("  client: %.4f CPU s per stream-second (%.2f %% of a core per stream), %.2f Mbit/s per stream\n",
                client.cpuPerStreamSecond, client.cpuPerStreamSecond * 100.0, client.megabitPerSecond);
    std::printf("  client: set-up of one session %.2f ms CPU; frames %lld of %lld expected (%+lld); ended early: %d\n",
                client.setupCpuMs, client.frames, client.expectedFrames, client.frames - client.expectedFrames,
                client.ended);
    if (ffmpegCpu > 0)
        std::printf("  ffmpeg: %.4f CPU s per stream-second; client/ffmpeg = %.2f\n", ffmpegCpu,
                    client.cpuPerStreamSecond / ffmpegCpu);
    else if (ffmpeg)
        std::printf("  ffmpeg: did not run (is it installed?)\n");
    return 0;
}
