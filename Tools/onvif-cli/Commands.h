#pragma once
// The CLI's commands. Each returns what it found as JSON (for --json) and as readable
// text; a failure carries one sentence a user can act on.
#include <json/json.h>

#include <functional>
#include <string>

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

// The device's alarms, one line each, for a while: pull or push mode.
struct EventsArgs {
    bool push = false;
    int seconds = 10;
};
// Listens on a logged-in device; each alarm also goes to onAlarm as it comes ({"Time",
// "Event", "Index", "Action": "start"/"stop"}). data: {"Mode", "Seconds", "Alarms"[]}.
CommandResult listenForEvents(CCliHost& host, const EventsArgs& args,
                              const std::function<void(const Json::Value&)>& onAlarm = nullptr);
// Logs in and prints as it goes; the exit code.
int runEvents(CCliHost& host, const EventsArgs& args, bool json);

// Logs in, runs every command this build supports, prints a section per step and a summary.
// The process exit code: 0 when every step passed.
int runTour(CCliHost& host, bool json);

// Prints one command's result (text or JSON) and gives its exit code.
int printResult(const CommandResult& result, bool json);

} // namespace OnvifCli
