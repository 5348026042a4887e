// onvif-cli: a small host on the OnvifClient library. Without --host it plays with the
// embedded simulator, so every command works on a machine without a camera.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "CliHost.h"
#include "CliOutput.h"
#include "Commands.h"

using namespace OnvifCli;

namespace {

// Commands that need a logged-in device run through here: one sentence when login fails.
int withLogin(CCliHost& host, const std::function<CommandResult()>& command, bool json, bool progress = true)
{
    std::string error;
    if (!host.login(&error)) {
        CommandResult failed;
        failed.error = error;
        return printResult(failed, json);
    }
    CommandResult result;
    if (progress) {
        CProgressLine line("waiting for " + host.deviceLabel());
        result = command();
    } else {
        result = command();
    }
    return printResult(result, json);
}

} // namespace

int main(int argc, char** argv)
{
    CliOptions options;
    CLI::App app{"onvif-cli: talk to an ONVIF camera or recorder through the OnvifClient library.\n"
                 "Without --host it starts a simulated 2-channel camera on loopback."};
    app.require_subcommand(1);
    // Device options may follow the command too: "onvif-cli profiles --json".
    app.fallthrough();
    app.add_option("--host", options.host, "device address (IPv4); none: the embedded simulator");
    app.add_option("--port", options.port, "device HTTP(S) port")->check(CLI::Range(1, 65535));
    app.add_option("--media-port", options.mediaPort, "RTSP port when the device sits behind a port mapping")
        ->check(CLI::Range(0, 65535));
    app.add_option("--user", options.user, "user name");
    app.add_option("--password", options.password, "password");
    app.add_flag("--https", options.https, "talk HTTPS to the device");
    app.add_option("--timeout", options.timeoutMs, "answer time-out in milliseconds")->check(CLI::Range(100, 120000));
    app.add_option("--log-level", options.logLevel, "show library log lines up to this level (0-5) on stderr")
        ->check(CLI::Range(0, 5));
    app.add_flag("--json", options.json, "print JSON instead of text");

    auto* info = app.add_subcommand("info", "identity, capabilities and channels");
    auto* time = app.add_subcommand("time", "read the device clock, or set it");
    std::string timeAction = "get";
    std::string utc;
    std::string zone;
    time->add_option("action", timeAction, "get (default) or set")->check(CLI::IsMember({"get", "set"}));
    time->add_option("--utc", utc, "UTC time to set, e.g. 2026-12-05T10:00:00Z (default: now)");
    time->add_option("--zone", zone, "zone to set, e.g. GMT+08:00 (default: keep the device's)");
    auto* profiles = app.add_subcommand("profiles", "channels and streams as the host numbers them");
    auto* streamUri = app.add_subcommand("stream-uri", "the RTSP address of a channel's stream");
    int channel = 0;
    int stream = 0;
    std::string transport = "tcp";
    streamUri->add_option("CHANNEL", channel, "channel, from 0")->required()->check(CLI::NonNegativeNumber);
    streamUri->add_option("STREAM", stream, "stream of the channel, from 0 (0: main)")
        ->required()
        ->check(CLI::NonNegativeNumber);
    streamUri->add_option("--transport", transport, "tcp, udp, multicast or http")
        ->check(CLI::IsMember({"tcp", "udp", "multicast", "http"}));
    auto* streamCmd = app.add_subcommand("stream", "receive live video for a while, optionally into a file");
    StreamArgs streamArgs;
    streamCmd->add_option("CHANNEL", streamArgs.channel, "channel, from 0")->check(CLI::NonNegativeNumber);
    streamCmd->add_option("STREAM", streamArgs.stream, "stream of the channel, from 0")->check(CLI::NonNegativeNumber);
    streamCmd->add_option("--url", streamArgs.url, "any RTSP address, without ONVIF");
    streamCmd->add_option("--transport", streamArgs.transport, "tcp, udp, multicast or http")
        ->check(CLI::IsMember({"tcp", "udp", "multicast", "http"}));
    streamCmd->add_option("--seconds", streamArgs.seconds, "how long to receive")->check(CLI::Range(1, 3600));
    streamCmd->add_option("-o,--output", streamArgs.outPath, "write the elementary stream (H.264/H.265 Annex B or JPEG)");
    auto* snapshotCmd = app.add_subcommand("snapshot", "one JPEG picture of a channel");
    int snapChannel = 0;
    std::string snapOut;
    snapshotCmd->add_option("CHANNEL", snapChannel, "channel, from 0")->check(CLI::NonNegativeNumber);
    snapshotCmd->add_option("-o,--output", snapOut, "write the JPEG to this file");
    auto* tour = app.add_subcommand("tour", "log in and try everything, with a report");

    auto* network = app.add_subcommand("network", "the device's IPv4 settings, or change them (network set)");
    std::string networkAction = "show";
    NetworkArgs networkArgs;
    network->add_option("action", networkAction, "show (default) or set")->check(CLI::IsMember({"show", "set"}));
    network->add_option("--interface", networkArgs.interfaceIndex, "which interface, from 0")
        ->check(CLI::NonNegativeNumber);
    network->add_option("--ip", networkArgs.ip, "IPv4 address");
    network->add_option("--mask", networkArgs.mask, "subnet mask, e.g. 255.255.255.0");
    network->add_option("--gateway", networkArgs.gateway, "default gateway");
    network->add_option("--dhcp", networkArgs.dhcp, "on or off")->check(CLI::IsMember({"on", "off"}));
    network->add_option("--dns", networkArgs.dns, "DNS servers");
    auto* ports = app.add_subcommand("ports", "the HTTP, HTTPS and RTSP ports, or change them (ports set)");
    std::string portsAction = "show";
    int httpPort = 0, rtspPort = 0, httpsPort = 0;
    ports->add_option("action", portsAction, "show (default) or set")->check(CLI::IsMember({"show", "set"}));
    ports->add_option("--http", httpPort, "HTTP port")->check(CLI::Range(1, 65535));
    ports->add_option("--rtsp", rtspPort, "RTSP port")->check(CLI::Range(1, 65535));
    ports->add_option("--https", httpsPort, "HTTPS port")->check(CLI::Range(1, 65535));
    auto* usersCmd = app.add_subcommand("users", "the device's accounts: list, add, remove, password");
    std::string usersAction = "list";
    std::string userName, userLevel = "User", userPassword;
    usersCmd->add_option("action", usersAction, "list (default), add, remove or password")
        ->check(CLI::IsMember({"list", "add", "remove", "password"}));
    usersCmd->add_option("NAME", userName, "the account");
    usersCmd->add_option("--level", userLevel, "Administrator, Operator or User")
        ->check(CLI::IsMember({"Administrator", "Operator", "User"}));
    // After the command, --password is the account's; the login's goes before it
    // ("onvif-cli --password LOGIN users add NAME --password NEW").
    usersCmd->add_option("--password,--user-password", userPassword, "the account's (new) password");
    auto* upgradeCmd = app.add_subcommand("upgrade", "send a firmware image and follow it to the reboot");
    std::string imagePath;
    upgradeCmd->add_option("FILE", imagePath, "the firmware image")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // A mistyped command line gets the usage, not just the complaint.
        std::cerr << app.help() << std::endl;
        return app.exit(e);
    }

    COutput::redirectLibraryOutput(options.logLevel >= 0);
    streamArgs.statusLines = !options.json;
    // A bare RTSP address needs no device session.
    if (*streamCmd && !streamArgs.url.empty())
        return printResult(runStreamUrl(options, streamArgs), options.json);
    CCliHost host(options);
    std::string error;
    if (!host.prepare(&error)) {
        COutput::error(error);
        return 1;
    }
    if (host.embedded() && !options.json)
        COutput::printf("No --host given: using the embedded simulator at %s (a 2-channel camera).\n",
                        host.deviceLabel().c_str());
    else if (host.embedded())
        COutput::error("no --host given: using the embedded simulator at " + host.deviceLabel());

    if (*tour)
        return runTour(host, options.json);
    if (*info)
        return withLogin(host, [&] { return runInfo(host); }, options.json);
    if (*time)
        return withLogin(
            host, [&] { return timeAction == "set" ? runTimeSet(host, utc, zone) : runTimeGet(host); }, options.json);
    if (*profiles)
        return withLogin(host, [&] { return runProfiles(host); }, options.json);
    if (*streamCmd) {
        // The stream prints its own status line every second.
        return withLogin(host, [&] { return runStream(host, streamArgs); }, options.json, false);
    }
    if (*snapshotCmd)
        return withLogin(host, [&] { return runSnapshot(host, snapChannel, snapOut); }, options.json);
    if (*streamUri)
        return withLogin(host, [&] { return runStreamUri(host, channel, stream, transport); }, options.json);
    if (*network)
        return withLogin(
            host, [&] { return networkAction == "set" ? runNetworkSet(host, networkArgs) : runNetwork(host); },
            options.json);
    if (*ports)
        return withLogin(
            host, [&] { return portsAction == "set" ? runPortsSet(host, httpPort, rtspPort, httpsPort) : runPorts(host); },
            options.json);
    if (*usersCmd) {
        if (usersAction != "list" && userName.empty()) {
            COutput::error("users " + usersAction + " needs the account's NAME");
            return 2;
        }
        return withLogin(host, [&] {
            if (usersAction == "add")
                return runUserAdd(host, userName, userLevel, userPassword);
            if (usersAction == "remove")
                return runUserRemove(host, userName);
            if (usersAction == "password")
                return runUserPassword(host, userName, userPassword);
            return runUsers(host);
        }, options.json);
    }
    if (*upgradeCmd)
        // The progress bar replaces the waiting line.
        return withLogin(host, [&] { return runUpgrade(host, imagePath, !options.json); }, options.json, false);
    return 2;
}
