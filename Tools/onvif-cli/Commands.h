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

// Logs in, runs every command this build supports, prints a section per step and a summary.
// The process exit code: 0 when every step passed.
int runTour(CCliHost& host, bool json);

// Prints one command's result (text or JSON) and gives its exit code.
int printResult(const CommandResult& result, bool json);

} // namespace OnvifCli
