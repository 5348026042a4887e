#pragma once
// The "rtsp" member of a device description: how the device's RTSP server behaves.
#include "OnvifSim/SimDevice.h"

#include <json/value.h>

#include <map>
#include <string>

namespace OnvifSim {

struct CMulticastGroup {
    std::string address;   // empty: a default group in 239.0.0.0/8
    int port = 0;          // 0: a default port
    int ttl = -1;          // -1: the server's multicastTtl
};

struct CRtspOptions {
    bool enabled = true;
    unsigned short port = 0;                 // 0: any free loopback port
    int sessionTimeoutSeconds = 60;
    bool authenticate = true;                // false: no credentials asked even when the SOAP side asks
    std::string multicastInterface = "127.0.0.1";
    int multicastTtl = 1;
    std::map<std::string, CMulticastGroup> multicast;   // by profile token
    bool benchmarkClip = false;              // H.264 profiles stream the 4 Mbit/s clip
    bool replayIgnoresSpeed = false;         // replay at 1x whatever Speed or Scale a PLAY asks for
    ERtspFault fault = ERtspFault::None;
};

// Reads description["rtsp"] (absent: the defaults). False with "rtsp.<member>: reason".
bool ParseRtspOptions(const Json::Value& description, CRtspOptions& out, std::string& error);
bool ParseRtspFault(const std::string& name, ERtspFault& out);

} // namespace OnvifSim
