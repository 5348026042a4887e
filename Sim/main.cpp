// onvif-sim: runs simulated ONVIF devices on loopback until SIGINT or SIGTERM.
//   onvif-sim --device FILE [--port N] [--count N] [--https] [--listen 127.0.0.1|::1]
//   onvif-sim --replay DIR [--keep-addresses] [--cycle-variants] [--rtsp-port N] [--port N] [--count N] [--https]
#include "OnvifSim/SimServer.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <iostream>

int main(int argc, char** argv)
{
    CLI::App app{"Simulated ONVIF device(s) on 127.0.0.1"};
    std::string file;
    unsigned port = 0;
    unsigned count = 1;
    bool https = false;
    std::string replayDir;
    OnvifSim::CReplayOptions replay;
    auto* source = app.add_option_group("source", "what the device is");
    source->add_option("--device", file, "device description (JSON)");
    auto* replayOption = source->add_option("--replay", replayDir, "folder of recorded answers");
    source->require_option(1);
    app.add_flag("--keep-addresses", replay.keepAddresses, "serve recorded addresses unchanged")->needs(replayOption);
    app.add_flag("--cycle-variants", replay.cycleVariants, "answer with each variant in turn")->needs(replayOption);
    app.add_option("--rtsp-port", replay.rtspPort, "port for rewritten rtsp:// addresses (0: as recorded)")
        ->needs(replayOption);
    app.add_option("--port", port, "first port (0: any free port)")->check(CLI::Range(0u, 65535u));
    app.add_option("--count", count, "copies of the device on consecutive ports")->check(CLI::Range(1u, 1000u));
    app.add_flag("--https", https, "serve HTTPS with a self-signed certificate");
    std::string listen = "127.0.0.1";
    app.add_option("--listen", listen, "loopback address to listen on: 127.0.0.1 (default) or ::1")
        ->check(CLI::IsMember({"127.0.0.1", "::1"}));
    CLI11_PARSE(app, argc, argv);
    if (port != 0 && port + count - 1 > 65535) {
        std::cerr << "onvif-sim: --port " << port << " with --count " << count << " runs past port 65535\n";
        return 2;
    }

    OnvifSim::CDeviceDescription description;
    std::string error;
    replay.https = https;
    if (replayDir.empty() && !OnvifSim::LoadDescriptionFile(file, description, error)) {
        std::cerr << "onvif-sim: " << error << "\n";
        return 1;
    }
    description.https = description.https || https;

    // Block the stop signals before any thread starts so only sigwait below sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    OnvifSim::CSimServer server(count > 8 ? 4 : 2);
    for (unsigned i = 0; i < count; ++i) {
        unsigned short p = port == 0 ? 0 : static_cast<unsigned short>(port + i);
        auto device = replayDir.empty() ? server.addDevice(description, &error, p, listen)
                                        : server.addReplayDevice(replayDir, replay, &error, p);
        if (!device) {
            std::cerr << "onvif-sim: " << error << "\n";
            return 1;
        }
        std::cout << device->serviceUrl("device") << std::endl;
    }
    int received = 0;
    sigwait(&signals, &received);
    std::cerr << "onvif-sim: stopping on signal " << received << "\n";
    server.stop();
    return 0;
}
