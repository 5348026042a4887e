#pragma once
// The CLI's commands. Each returns what it found as JSON (for --json) and as readable
// text; a failure carries one sentence a user can act on.
#include <json/json.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "CliHost.h"

namespace OnvifCli {

struct CommandResult {
    bool ok = false;
    Json::Value data{Json::objectValue};
    std::string text;
    std::string error;
};

CommandResult runInfo(CCliHost& host);
CommandResult runTimeGet(CCliHost& host);
// utc: "yyyy-mm-ddThh:mm:ssZ" or "" for now; zone: "GMT+08:00" or "" for the device's own.
CommandResult runTimeSet(CCliHost& host, const std::string& utc, const std::string& zone);
CommandResult runProfiles(CCliHost& host);
// transport: "tcp", "udp", "multicast" or "http".
CommandResult runStreamUri(CCliHost& host, int channel, int stream, const std::string& transport);

struct StreamArgs {
    int channel = 0;
    int stream = 0;
    std::string url;            // --url: any RTSP address, no ONVIF
    std::string transport = "tcp";
    int seconds = 5;
    std::string outPath;        // -o: the elementary stream
    bool statusLines = true;    // the live line on stderr
};

CommandResult runStream(CCliHost& host, const StreamArgs& args);
CommandResult runStreamUrl(const CliOptions& options, const StreamArgs& args);

// One picture of a channel; outPath empty: not written.
CommandResult runSnapshot(CCliHost& host, int channel, const std::string& outPath);

// Encoder settings of one stream in the host's vocabulary, with what the encoder can do.
CommandResult runEncoderGet(CCliHost& host, int channel, int stream);
struct EncoderChange {
    std::string codec;   // "H.264", "h265", "MJPEG", ...
    int width = 0, height = 0;
    int fps = 0, bitrate = 0, gop = 0, quality = 0;   // 0: unchanged; quality 1..6
};
// Changes the given values, leaves the rest as the device has them, and reads back.
CommandResult runEncoderSet(CCliHost& host, int channel, int stream, const EncoderChange& change);

// OSDs of a channel's picture: list, add a text (or the date and time), remove one.
CommandResult runOsdList(CCliHost& host, int channel);
// position: "upper-left", "upper-right", "lower-left", "lower-right" or "x,y" in -1..1.
CommandResult runOsdAdd(CCliHost& host, int channel, const std::string& text, const std::string& position,
                        bool dateTime);
CommandResult runOsdRemove(CCliHost& host, int channel, const std::string& token);

// Alarm inputs and relay outputs; switch a relay on or off.
CommandResult runIoList(CCliHost& host);
CommandResult runIoRelay(CCliHost& host, const std::string& token, bool on);
// ptz CHANNEL COMMAND: "status", "move", "goto", "point", "preset", "tour", "aux".
struct PtzArgs {
    int channel = 0;
    std::string command;
    double pan = 0, tilt = 0, zoom = 0;   // move: speeds -1..1; goto: host position
    double seconds = 1;                   // move: how long before the stop
    double x = 0.5, y = 0.5;              // point: fractions of the picture from the top left
    std::string action = "list";          // preset: list|set|goto|remove; tour: list|start|stop
    int number = 0;                       // preset or tour number, from 1
    std::string name;                     // preset name; aux: the switch
    bool on = true;                       // aux
};
CommandResult runPtz(CCliHost& host, const PtzArgs& args);
// The tour's PTZ step: the first dome moves and stops, a preset is stored, left and recalled.
CommandResult runPtzTour(CCliHost& host);

// imaging CHANNEL [set --brightness ...]: the picture settings on the host's 0..100 scale.
struct ImagingArgs {
    int channel = 0;
    bool set = false;
    std::map<std::string, double> values;   // "Brightness", "Contrast", "Saturation", "Sharpness"
};
CommandResult runImaging(CCliHost& host, const ImagingArgs& args);
// focus CHANNEL near|far|stop.
CommandResult runFocus(CCliHost& host, int channel, const std::string& direction);

// network: the IPv4 settings of every interface; network set changes one interface.
struct NetworkArgs {
    int interfaceIndex = 0;     // eth<n>
    std::string ip;             // empty: unchanged
    std::string mask;
    std::string gateway;
    std::string dhcp;           // "on", "off" or empty
    std::vector<std::string> dns;
};
CommandResult runNetwork(CCliHost& host);
CommandResult runNetworkSet(CCliHost& host, const NetworkArgs& args);
// ports: HTTP, HTTPS and RTSP; a port of 0 is left unchanged.
CommandResult runPorts(CCliHost& host);
CommandResult runPortsSet(CCliHost& host, int http, int rtsp, int https);

// users; level: "Administrator", "Operator" or "User".
CommandResult runUsers(CCliHost& host);
CommandResult runUserAdd(CCliHost& host, const std::string& name, const std::string& level,
                         const std::string& password);
CommandResult runUserRemove(CCliHost& host, const std::string& name);
CommandResult runUserPassword(CCliHost& host, const std::string& name, const std::string& password);

// upgrade: sends the image, follows its progress (a bar on stderr when progressBar) and
// the device's reboot.
CommandResult runUpgrade(CCliHost& host, const std::string& path, bool progressBar);

// Recordings of a channel between two times, and playback of one of them. Times are UTC
// ("2026-12-06T10:00:00Z") or, with local, the device's local time.
struct RecordingArgs {
    int channel = 0;
    int stream = -1;            // -1: every stream of the channel
    std::string from;
    std::string to;             // playback: optional, the first recording after from
    bool local = false;
};
struct PlaybackArgs : RecordingArgs {
    double speed = 1.0;
    int seconds = 10;
    int seekAfter = -1;         // seconds into the playback; -1: no seek
    std::string seekTo;
    std::string outPath;        // -o: the elementary stream
    bool statusLines = true;
};
// The arguments' mistakes in one sentence, before anything is sent; "" when usable.
std::string checkRecordingArgs(const RecordingArgs& args, bool needTo);
std::string checkPlaybackArgs(const PlaybackArgs& args);
CommandResult runRecordings(CCliHost& host, const RecordingArgs& args);
CommandResult runPlayback(CCliHost& host, const PlaybackArgs& args);
// The device's alarms, one line each, for a while: pull or push mode.
struct EventsArgs {
    bool push = false;
    int seconds = 10;
    // Stop listening early once this many alarm reports have come (0: listen the whole time).
    unsigned enoughAlarms = 0;
};
// Listens on a logged-in device; each alarm also goes to onAlarm as it comes ({"Time",
// "Event", "Index", "Action": "start"/"stop"}). data: {"Mode", "Seconds", "Alarms"[]}.
CommandResult listenForEvents(CCliHost& host, const EventsArgs& args,
                              const std::function<void(const Json::Value&)>& onAlarm = nullptr);
// Logs in and prints as it goes; the exit code.
int runEvents(CCliHost& host, const EventsArgs& args, bool json);
// config get NAME[CHANNEL]: a host configuration table as JSON; config set NAME[CHANNEL]
// FILE|-: writes the table of FILE (or standard input) and reads back what the device holds.
CommandResult runConfigGet(CCliHost& host, const std::string& name);
CommandResult runConfigSet(CCliHost& host, const std::string& name, const std::string& path);
// The tour's configuration step: every name read; on the embedded simulator "VideoColor[0]"
// and "MotionDetect[0]" written back with one change each and checked.
CommandResult runConfigTour(CCliHost& host);

// Logs in, runs every command this build supports, prints a section per step and a summary.
// The process exit code: 0 when every step passed.
int runTour(CCliHost& host, bool json);

// discover: one WS-Discovery pass; readdress: a pass, then the found device OLD moves.
struct DiscoverArgs {
    int seconds = 3;
    std::vector<std::string> interfaces;   // local IPv4 addresses; none: every interface
    std::vector<std::string> targets;      // unicast addresses or ranges instead of the group
    int probePort = 3702;
    std::string oldAddress, ip, mask = "255.255.255.0", gateway;
};
CommandResult runDiscover(const CliOptions& options, const DiscoverArgs& args);
CommandResult runReaddress(const CliOptions& options, const DiscoverArgs& args);

// talk CHANNEL --file WAV [--codec pcmu|pcma]: the file's audio to the channel's speaker.
CommandResult runTalk(CCliHost& host, int channel, const std::string& path, const std::string& codec);

// Prints one command's result (text or JSON) and gives its exit code.
int printResult(const CommandResult& result, bool json);

} // namespace OnvifCli
