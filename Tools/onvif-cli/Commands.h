#pragma once
// The CLI's commands. Each returns what it found as JSON (for --json) and as readable
// text; a failure carries one sentence a user can act on.
#include <json/json.h>

#include <functional>
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

// Logs in, runs every command this build supports, prints a section per step and a summary.
// The process exit code: 0 when every step passed.
int runTour(CCliHost& host, bool json);

// Prints one command's result (text or JSON) and gives its exit code.
int printResult(const CommandResult& result, bool json);

} // namespace OnvifCli
