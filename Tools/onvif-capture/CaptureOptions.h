#pragma once
// What the user asked onvif-capture for on the command line.
#include <string>

namespace OnvifCapture {

struct CCaptureOptions {
    std::string dir;             // the folder the answers go to: new, or empty
    std::string host;            // host name, IPv4 or IPv6 literal
    int port = 0;                // 0: 80, or 443 with https
    std::string user;
    std::string password;
    bool https = false;
    std::string auth = "wsse";   // "wsse", "digest" or "auto" (WS-Security, then digest on a refusal)
    int timeoutMs = 15000;       // longest wait for one answer
};

} // namespace OnvifCapture
