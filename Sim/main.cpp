// onvif-sim: runs simulated ONVIF devices on loopback until SIGINT or SIGTERM.
//   onvif-sim --device FILE [--port N] [--count N] [--https] [--listen 127.0.0.1|::1]
//             [--discovery-port N [--discovery-address A] [--multicast] [--discovery-habit H ...]]
//   onvif-sim --replay DIR [--keep-addresses] [--cycle-variants] [--rtsp-port N] [--port N] [--count N] [--https]
#include "OnvifSim/SimServer.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <fstream>
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
    app.add_option("--rtsp-port", replay.rtspPort,
                   "port for rewritten rtsp:// addresses (0: the device's own RTSP server)")
        ->needs(replayOption);
    app.add_option("--port", port, "first port (0: any free port)")->check(CLI::Range(0u, 65535u));
    app.add_option("--count", count, "copies of the device on consecutive ports")->check(CLI::Range(1u, 1000u));
    app.add_flag("--https", https, "serve HTTPS with a self-signed certificate");
    std::string certOut;
    app.add_option("--cert-out", certOut,
                   "write the HTTPS certificate (PEM) to this file, for clients that verify certificates");
    std::string listen = "127.0.0.1";
    app.add_option("--listen", listen, "loopback address to listen on: 127.0.0.1 (default) or ::1")
        ->check(CLI::IsMember({"127.0.0.1", "::1"}));
    OnvifSim::CDiscoveryOptions discovery;
    unsigned discoveryPort = 0;
    std::vector<std::string> habits;
    auto* discoveryOption = app.add_option("--discovery-port", discoveryPort,
                                           "answer WS-Discovery Probes on this UDP port (3702 is the standard)")
                                ->check(CLI::Range(1u, 65535u));
    app.add_option("--discovery-address", discovery.address,
                   "address the first device answers from; device i answers from it plus i (127.0.0.1)")
        ->needs(discoveryOption);
    app.add_flag("--multicast", discovery.multicast, "also answer on 239.255.255.250 (private network stacks only)")
        ->needs(discoveryOption);
    app.add_option("--discovery-habit", habits, "slow, duplicate, garbage, severalXAddrs, noScopes")
        ->needs(discoveryOption);
    app.add_option("--discovery-delay", discovery.delayMs, "delay of the slow habit in ms (500)")
        ->check(CLI::Range(0, 60000))->needs(discoveryOption);
    CLI11_PARSE(app, argc, argv);
    discovery.port = static_cast<unsigned short>(discoveryPort);
    discovery.habits.insert(habits.begin(), habits.end());
    const bool listenGiven = app.count("--listen") > 0;
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
    std::vector<std::string> urls;
    for (unsigned i = 0; i < count; ++i) {
        unsigned short p = port == 0 ? 0 : static_cast<unsigned short>(port + i);
        // With discovery each device answers from an address of its own; on loopback it
        // serves there too, so that what it advertises is where it is.
        OnvifSim::CDiscoveryOptions own = discovery;
        std::string bind = listen;
        OnvifSim::CDeviceDescription described = description;
        if (discoveryPort != 0) {
            if (!OnvifSim::OffsetIPv4(discovery.address, i, own.address)) {
                std::cerr << "onvif-sim: --discovery-address " << discovery.address << " plus " << i
                          << " is not an IPv4 address\n";
                return 2;
            }
            if (!listenGiven && own.address.rfind("127.", 0) == 0)
                bind = own.address;
            OnvifSim::UseNetworkAddress(described, own.address);
        }
        auto device = replayDir.empty() ? server.addDevice(described, &error, p, bind)
                                        : server.addReplayDevice(replayDir, replay, &error, p);
        if (device && discoveryPort != 0 && !server.addDiscovery(device, own, &error))
            device = nullptr;
        if (!device) {
            std::cerr << "onvif-sim: " << error << "\n";
            return 1;
        }
        urls.push_back(device->serviceUrl("device"));
    }
    // The certificate is on disk before the addresses show: whoever waits for them may use it.
    if (!certOut.empty()) {
        const std::string pem = server.tlsCertificatePem();
        std::ofstream out(certOut, std::ios::binary | std::ios::trunc);
        if (pem.empty() || !(out << pem) || !out.flush()) {
            std::cerr << "onvif-sim: " << (pem.empty() ? "no HTTPS device, no certificate for " : "cannot write ")
                      << certOut << "\n";
            server.stop();
            return 1;
        }
    }
    for (const std::string& url : urls)
        std::cout << url << std::endl;
    int received = 0;
    sigwait(&signals, &received);
    std::cerr << "onvif-sim: stopping on signal " << received << "\n";
    server.stop();
    return 0;
}
