#pragma once
// What the user asked for on the command line.
#include <string>

namespace OnvifCli {

struct CliOptions {
    std::string host;          // empty: the embedded simulator
    int port = 80;
    int mediaPort = 0;
    std::string user = "admin";
    std::string password;
    bool https = false;
    bool verifyTls = false;    // check TLS certificates and host names (the library's "VerifyTLS")
    std::string caFile;        // trusted certificates for that check (PEM); empty: the system's
    int timeoutMs = 5000;
    std::string auth = "wsse"; // "wsse", "digest" or "auto": the library's "AuthType" 0, 1, 2
    int logLevel = -1;         // -1: library lines go to its log file only
    bool json = false;
    std::string simDevice;     // the embedded simulator's description (Sim/devices); empty: the 2-channel camera
    std::string replay;        // a replay folder the embedded simulator serves instead of its camera
    bool replayed = false;     // the device named by --host is a replay (onvif-sim --replay)
};

} // namespace OnvifCli
