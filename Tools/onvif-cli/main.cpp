// onvif-cli: a small host on the OnvifClient library. Without --host it plays with the
// embedded simulator, so every command works on a machine without a camera.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <map>
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
    app.add_option("--host", options.host, "device address: host name, IPv4 or IPv6; none: the embedded simulator");
    app.add_option("--port", options.port, "device HTTP(S) port")->check(CLI::Range(1, 65535));
    app.add_option("--media-port", options.mediaPort, "RTSP port when the device sits behind a port mapping")
        ->check(CLI::Range(0, 65535));
    app.add_option("--user", options.user, "user name");
    app.add_option("--password", options.password, "password");
    app.add_flag("--https", options.https, "talk HTTPS to the device");
    auto* verifyTls = app.add_flag("--verify-tls", options.verifyTls,
                                   "refuse TLS peers whose certificate or host name does not check out");
    app.add_option("--ca", options.caFile, "with --verify-tls: PEM file of trusted certificates")
        ->check(CLI::ExistingFile)
        ->needs(verifyTls);
    app.add_option("--auth", options.auth, "wsse (default), digest (HTTP digest only) or auto (WS-Security, then digest)")
        ->check(CLI::IsMember({"wsse", "digest", "auto"}));
    app.add_option("--timeout", options.timeoutMs, "answer time-out in milliseconds")->check(CLI::Range(100, 120000));
    app.add_option("--log-level", options.logLevel, "show library log lines up to this level (0-5) on stderr")
        ->check(CLI::Range(0, 5));
    app.add_flag("--json", options.json, "print JSON instead of text");
    auto* sim = app.add_option("--sim", options.simDevice,
                   "without --host: the simulated device to start, a description of Sim/devices such as "
                   "recorder-2ch-playback (default: camera-2ch-media2-h265)");
    auto* replay = app.add_option("--replay", options.replay,
                                  "serve this replay folder (onvif-capture's) with the embedded simulator");
    app.add_flag("--replayed", options.replayed,
                 "the device is a replay (onvif-sim --replay): the tour skips what needs a live device");
    replay->excludes("--host");
    replay->excludes(sim);

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
    streamCmd->add_option("-o,--output", streamArgs.outPath,
                          "write the elementary stream (H.264/H.265 Annex B or JPEG)");
    auto* snapshotCmd = app.add_subcommand("snapshot", "one JPEG picture of a channel");
    int snapChannel = 0;
    std::string snapOut;
    snapshotCmd->add_option("CHANNEL", snapChannel, "channel, from 0")->check(CLI::NonNegativeNumber);
    snapshotCmd->add_option("-o,--output", snapOut, "write the JPEG to this file");
    auto* encoderCmd = app.add_subcommand("encoder", "a stream's encoder settings and options, or change them");
    int encChannel = 0;
    int encStream = 0;
    std::string encAction = "get";
    std::string encResolution;
    EncoderChange encChange;
    encoderCmd->add_option("CHANNEL", encChannel, "channel, from 0")->required()->check(CLI::NonNegativeNumber);
    encoderCmd->add_option("STREAM", encStream, "stream of the channel, from 0")->required()->check(CLI::NonNegativeNumber);
    encoderCmd->add_option("action", encAction, "get (default) or set")->check(CLI::IsMember({"get", "set"}));
    encoderCmd->add_option("--codec", encChange.codec, "H.264, H.265, MJPG or MPEG4");
    encoderCmd->add_option("--resolution", encResolution, "WIDTHxHEIGHT, e.g. 1280x720");
    encoderCmd->add_option("--fps", encChange.fps, "frame rate limit")->check(CLI::Range(1, 240));
    encoderCmd->add_option("--bitrate", encChange.bitrate, "bit rate limit in kbit/s")->check(CLI::Range(1, 1000000));
    encoderCmd->add_option("--gop", encChange.gop, "GOP length in frames")->check(CLI::Range(1, 10000));
    encoderCmd->add_option("--quality", encChange.quality, "quality 1 (lowest) to 6 (highest)")->check(CLI::Range(1, 6));
    auto* osdCmd = app.add_subcommand("osd", "a channel's on-screen texts: list, add or remove");
    int osdChannel = 0;
    std::string osdAction = "list";
    std::string osdToken;
    std::string osdText;
    std::string osdPosition = "upper-left";
    bool osdDateTime = false;
    osdCmd->add_option("CHANNEL", osdChannel, "channel, from 0")->required()->check(CLI::NonNegativeNumber);
    osdCmd->add_option("action", osdAction, "list (default), add or remove")
        ->check(CLI::IsMember({"list", "add", "remove"}));
    osdCmd->add_option("TOKEN", osdToken, "the OSD to remove");
    osdCmd->add_option("--text", osdText, "the text to show (add)");
    osdCmd->add_flag("--date-time", osdDateTime, "show the date and time instead of a text (add)");
    osdCmd->add_option("--position", osdPosition, "upper-left, upper-right, lower-left, lower-right or x,y in -1..1");
    auto* ioCmd = app.add_subcommand("io", "alarm inputs and relay outputs, or switch a relay");
    std::string ioAction = "list";
    std::string ioToken;
    std::string ioState;
    ioCmd->add_option("action", ioAction, "list (default) or relay")->check(CLI::IsMember({"list", "relay"}));
    ioCmd->add_option("TOKEN", ioToken, "the relay to switch");
    ioCmd->add_option("STATE", ioState, "on or off")->check(CLI::IsMember({"on", "off"}));
    auto* recordingsCmd = app.add_subcommand("recordings", "a channel's recordings between two times, with their "
                                                           "replay addresses");
    RecordingArgs recordingArgs;
    recordingsCmd->add_option("CHANNEL", recordingArgs.channel, "channel, from 0")->required()->check(CLI::NonNegativeNumber);
    recordingsCmd->add_option("--from", recordingArgs.from, "start, ISO 8601 in UTC: 2026-12-06T10:00:00Z");
    recordingsCmd->add_option("--to", recordingArgs.to, "end, as --from");
    recordingsCmd->add_option("--stream", recordingArgs.stream, "only this stream of the channel (0: main)")
        ->check(CLI::NonNegativeNumber);
    recordingsCmd->add_flag("--local", recordingArgs.local,
                            "times are the device's local time (2026-12-06T11:00:00); the device's zone is written "
                            "back to it with its own clock, as a recorder does");
    auto* playbackCmd = app.add_subcommand("playback", "play a channel's recording from a time, optionally faster, "
                                                       "with a seek, into a file");
    PlaybackArgs playbackArgs;
    playbackCmd->add_option("CHANNEL", playbackArgs.channel, "channel, from 0")->required()->check(CLI::NonNegativeNumber);
    playbackCmd->add_option("--from", playbackArgs.from, "where to start, ISO 8601 in UTC: 2026-12-06T10:00:00Z");
    playbackCmd->add_option("--to", playbackArgs.to, "where to stop (default: the end of that recording)");
    playbackCmd->add_option("--stream", playbackArgs.stream, "the stream to play (0: main)")->check(CLI::NonNegativeNumber);
    playbackCmd->add_option("--speed", playbackArgs.speed, "recording seconds per second, e.g. 4");
    playbackCmd->add_option("--seconds", playbackArgs.seconds, "how long to play")->check(CLI::Range(1, 3600));
    playbackCmd->add_option("--seek-after", playbackArgs.seekAfter, "seconds into the playback to seek")
        ->check(CLI::Range(1, 3600));
    playbackCmd->add_option("--seek-to", playbackArgs.seekTo, "the time to seek to, as --from");
    playbackCmd->add_option("-o,--output", playbackArgs.outPath, "write the elementary stream (H.264/H.265 Annex B)");
    playbackCmd->add_flag("--local", playbackArgs.local, "times are the device's local time, as for recordings");
    auto* eventsCmd = app.add_subcommand("events", "print the device's alarms as they happen");
    EventsArgs eventsArgs;
    auto* pullFlag = eventsCmd->add_flag("--pull", "poll the device (the default)");
    eventsCmd->add_flag("--push", eventsArgs.push, "let the device post to a notification server on a free port")
        ->excludes(pullFlag);
    eventsCmd->add_option("--seconds", eventsArgs.seconds, "how long to listen")->check(CLI::Range(1, 86400));
    auto* tour = app.add_subcommand("tour", "log in and try everything, with a report");

    auto* ptzCmd = app.add_subcommand("ptz", "steer a dome: status, move, goto, point, preset, tour, aux");
    PtzArgs ptzArgs;
    ptzCmd->fallthrough();
    ptzCmd->require_subcommand(1);
    ptzCmd->add_option("CHANNEL", ptzArgs.channel, "channel, from 0")->required()->check(CLI::NonNegativeNumber);
    ptzCmd->add_subcommand("status", "position (host coordinates) and whether it moves");
    auto* ptzMove = ptzCmd->add_subcommand("move", "move at speeds -1..1 for a while, then stop");
    ptzMove->add_option("--pan", ptzArgs.pan, "pan speed")->check(CLI::Range(-1.0, 1.0));
    ptzMove->add_option("--tilt", ptzArgs.tilt, "tilt speed")->check(CLI::Range(-1.0, 1.0));
    ptzMove->add_option("--zoom", ptzArgs.zoom, "zoom speed")->check(CLI::Range(-1.0, 1.0));
    ptzMove->add_option("--seconds", ptzArgs.seconds, "how long before the stop")->check(CLI::Range(0.1, 60.0));
    auto* ptzGoto = ptzCmd->add_subcommand("goto", "go to a position: pan and tilt -1..1 (0 at the back), zoom 0..1");
    ptzGoto->add_option("--pan", ptzArgs.pan, "pan")->check(CLI::Range(-1.0, 1.0));
    ptzGoto->add_option("--tilt", ptzArgs.tilt, "tilt")->check(CLI::Range(-1.0, 1.0));
    ptzGoto->add_option("--zoom", ptzArgs.zoom, "zoom")->check(CLI::Range(0.0, 1.0));
    auto* ptzPoint = ptzCmd->add_subcommand("point", "bring a point of the picture to its centre");
    ptzPoint->add_option("--x", ptzArgs.x, "from the left edge, 0..1")->check(CLI::Range(0.0, 1.0));
    ptzPoint->add_option("--y", ptzArgs.y, "from the top edge, 0..1")->check(CLI::Range(0.0, 1.0));
    ptzPoint->add_option("--zoom", ptzArgs.zoom, "zoom change")->check(CLI::Range(-1.0, 1.0));
    auto* ptzPreset = ptzCmd->add_subcommand("preset", "presets: list, set N [NAME], goto N, remove N");
    ptzPreset->add_option("ACTION", ptzArgs.action, "list, set, goto or remove")
        ->check(CLI::IsMember({"list", "set", "goto", "remove"}));
    ptzPreset->add_option("N", ptzArgs.number, "preset number, from 1")->check(CLI::NonNegativeNumber);
    ptzPreset->add_option("NAME", ptzArgs.name, "name of a preset being set");
    auto* ptzTour = ptzCmd->add_subcommand("tour", "preset tours: list, start N, stop N");
    ptzTour->add_option("ACTION", ptzArgs.action, "list, start or stop")
        ->check(CLI::IsMember({"list", "start", "stop"}));
    ptzTour->add_option("N", ptzArgs.number, "tour number, from 1")->check(CLI::NonNegativeNumber);
    auto* ptzAux = ptzCmd->add_subcommand("aux", "switch an auxiliary: Wiper, IRLamp, Iris, RainBrush");
    std::string auxState = "on";
    ptzAux->add_option("NAME", ptzArgs.name, "the switch")->required();
    ptzAux->add_option("STATE", auxState, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    for (auto* sub : ptzCmd->get_subcommands({}))
        sub->fallthrough();

    auto* imagingCmd = app.add_subcommand("imaging", "picture settings on the 0..100 scale, or change them with `set`");
    ImagingArgs imagingArgs;
    imagingCmd->fallthrough();
    imagingCmd->add_option("CHANNEL", imagingArgs.channel, "channel, from 0")
        ->required()
        ->check(CLI::NonNegativeNumber);
    auto* imagingSet = imagingCmd->add_subcommand("set", "change colour values (0..100), then read them back");
    imagingSet->fallthrough();
    const std::pair<const char*, const char*> colours[] = {
        {"--brightness", "Brightness"}, {"--contrast", "Contrast"}, {"--saturation", "Saturation"},
        {"--sharpness", "Sharpness"}};
    std::map<std::string, double> colourValues;
    for (const auto& [flag, key] : colours) {
        imagingSet->add_option_function<double>(flag, [&colourValues, key = std::string(key)](double v) {
            colourValues[key] = v;
        }, std::string(key) + " on the host's scale (the ends of the device's range are 0 and 100)");
    }
    auto* configCmd = app.add_subcommand("config", "a host configuration table by name: config get|set NAME[CHANNEL]");
    std::string configAction, configName, configFile;
    configCmd->add_option("ACTION", configAction, "get or set")->required()->check(CLI::IsMember({"get", "set"}));
    configCmd->add_option("NAME", configName, "Encode[0], VideoColor[0], MotionDetect[0], Network, ...")->required();
    configCmd->add_option("FILE", configFile, "set: the JSON table, or - for standard input");
    auto* focusCmd = app.add_subcommand("focus", "move the lens of a dome's channel: near, far, stop");
    int focusChannel = 0;
    std::string focusDirection;
    focusCmd->add_option("CHANNEL", focusChannel, "channel, from 0")->required()->check(CLI::NonNegativeNumber);
    focusCmd->add_option("DIRECTION", focusDirection, "near, far or stop")
        ->required()
        ->check(CLI::IsMember({"near", "far", "stop"}));
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

    DiscoverArgs discoverArgs;
    auto* discoverCmd = app.add_subcommand("discover", "find devices with WS-Discovery; readdress one of them");
    discoverCmd->add_option("--seconds", discoverArgs.seconds, "how long to listen (3)")->check(CLI::Range(1, 600));
    discoverCmd->add_option("--interface", discoverArgs.interfaces, "probe only on this local IPv4 address");
    discoverCmd->add_option("--target", discoverArgs.targets,
                            "probe these addresses or ranges by unicast instead of the multicast group");
    discoverCmd->add_option("--probe-port", discoverArgs.probePort, "UDP port of the Probes (3702)")
        ->check(CLI::Range(1, 65535));
    auto* readdressCmd = discoverCmd->add_subcommand("readdress", "give a found device a new IPv4 address");
    readdressCmd->add_option("OLD", discoverArgs.oldAddress, "the address it answers from")->required();
    readdressCmd->add_option("--ip", discoverArgs.ip, "its new address")->required();
    readdressCmd->add_option("--mask", discoverArgs.mask, "its new subnet mask (255.255.255.0)");
    readdressCmd->add_option("--gateway", discoverArgs.gateway, "its new default gateway");
    auto* talkCmd = app.add_subcommand("talk", "send a WAV file to a channel's speaker (the audio back channel)");
    int talkChannel = 0;
    std::string talkFile, talkCodec = "pcmu";
    talkCmd->add_option("CHANNEL", talkChannel, "channel, from 0")->required()->check(CLI::NonNegativeNumber);
    talkCmd->add_option("--file", talkFile, "16-bit PCM WAV file")->required();
    talkCmd->add_option("--codec", talkCodec, "pcmu (default) or pcma")->check(CLI::IsMember({"pcmu", "pcma"}));

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
    playbackArgs.statusLines = !options.json;
    // Times are checked before anything reaches the device.
    const std::string timeError = *recordingsCmd ? checkRecordingArgs(recordingArgs, true)
                                  : *playbackCmd ? checkPlaybackArgs(playbackArgs)
                                                 : std::string();
    if (!timeError.empty()) {
        COutput::error(timeError);
        return 2;
    }
    // A bare RTSP address needs no device session.
    if (*streamCmd && !streamArgs.url.empty())
        return printResult(runStreamUrl(options, streamArgs), options.json);
    // Discovery looks for devices; it needs none to start with.
    if (*discoverCmd)
        return printResult(*readdressCmd ? runReaddress(options, discoverArgs) : runDiscover(options, discoverArgs),
                           options.json);
    CCliHost host(options);
    std::string error;
    if (!host.prepare(&error)) {
        COutput::error(error);
        return 1;
    }
    if (!options.replay.empty() && !options.json)
        COutput::printf("Replaying %s with the embedded simulator at %s.\n", options.replay.c_str(),
                        host.deviceLabel().c_str());
    else if (host.embedded() && !options.json)
        COutput::printf("No --host given: using the embedded simulator at %s (%s).\n", host.deviceLabel().c_str(),
                        host.embeddedName().c_str());
    else if (host.embedded() && options.replay.empty())
        COutput::error("no --host given: using the embedded simulator at " + host.deviceLabel());

    if (*tour)
        return runTour(host, options.json);
    if (*eventsCmd)
        return runEvents(host, eventsArgs, options.json);
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
    if (*recordingsCmd)
        return withLogin(host, [&] { return runRecordings(host, recordingArgs); }, options.json);
    if (*playbackCmd)
        return withLogin(host, [&] { return runPlayback(host, playbackArgs); }, options.json, false);
    if (*snapshotCmd)
        return withLogin(host, [&] { return runSnapshot(host, snapChannel, snapOut); }, options.json);
    if (*ptzCmd) {
        ptzArgs.command = ptzCmd->get_subcommands().front()->get_name();
        ptzArgs.on = auxState == "on";
        if ((ptzArgs.command == "preset" && ptzArgs.action != "list") ||
            (ptzArgs.command == "tour" && ptzArgs.action != "list")) {
            if (ptzArgs.number < 1) {
                COutput::error("`" + ptzArgs.command + " " + ptzArgs.action + "` needs a number from 1.");
                return 2;
            }
        }
        return withLogin(host, [&] { return runPtz(host, ptzArgs); }, options.json, ptzArgs.command != "move");
    }
    if (*imagingCmd) {
        imagingArgs.set = static_cast<bool>(*imagingSet);
        imagingArgs.values = colourValues;
        return withLogin(host, [&] { return runImaging(host, imagingArgs); }, options.json);
    }
    if (*configCmd) {
        if (configAction == "set" && configFile.empty()) {
            COutput::error("`config set` needs the table: a JSON file, or - for standard input.");
            return 2;
        }
        return withLogin(host, [&] {
            return configAction == "set" ? runConfigSet(host, configName, configFile) : runConfigGet(host, configName);
        }, options.json);
    }
    if (*focusCmd)
        return withLogin(host, [&] { return runFocus(host, focusChannel, focusDirection); }, options.json);
    if (*streamUri)
        return withLogin(host, [&] { return runStreamUri(host, channel, stream, transport); }, options.json);
    if (*encoderCmd) {
        if (!encResolution.empty() &&
            (std::sscanf(encResolution.c_str(), "%dx%d", &encChange.width, &encChange.height) != 2 ||
             encChange.width <= 0 || encChange.height <= 0)) {
            COutput::error("--resolution takes WIDTHxHEIGHT, such as 1280x720.");
            return 2;
        }
        return withLogin(host, [&] {
            return encAction == "set" ? runEncoderSet(host, encChannel, encStream, encChange)
                                      : runEncoderGet(host, encChannel, encStream);
        }, options.json);
    }
    if (*osdCmd) {
        if ((osdAction == "remove" && osdToken.empty()) || (osdAction == "add" && osdText.empty() && !osdDateTime)) {
            COutput::error(osdAction == "remove" ? "osd CHANNEL remove needs the OSD's TOKEN."
                                                 : "osd CHANNEL add needs --text TEXT or --date-time.");
            return 2;
        }
        return withLogin(host, [&] {
            return osdAction == "add"      ? runOsdAdd(host, osdChannel, osdText, osdPosition, osdDateTime)
                   : osdAction == "remove" ? runOsdRemove(host, osdChannel, osdToken)
                                           : runOsdList(host, osdChannel);
        }, options.json);
    }
    if (*ioCmd) {
        if (ioAction == "relay" && (ioToken.empty() || ioState.empty())) {
            COutput::error("io relay needs the relay's TOKEN and on or off.");
            return 2;
        }
        return withLogin(host, [&] {
            return ioAction == "relay" ? runIoRelay(host, ioToken, ioState == "on") : runIoList(host);
        }, options.json);
    }
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
    if (*talkCmd)
        return withLogin(host, [&] { return runTalk(host, talkChannel, talkFile, talkCodec); }, options.json);
    if (*upgradeCmd)
        // The progress bar replaces the waiting line.
        return withLogin(host, [&] { return runUpgrade(host, imagePath, !options.json); }, options.json, false);
    return 2;
}
