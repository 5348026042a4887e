#pragma once
// What a simulated device is: identity, services, habits and initial state, read from a
// JSON description. The loader validates everything up front so a bad file fails with
// "file: reason" instead of a device that misbehaves later.
#include "OnvifSim/SimTypes.h"

#include <json/value.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace OnvifSim {

struct CDeviceIdentity {
    std::string manufacturer = "SimVision";
    std::string model = "SIM-1000";
    std::string firmwareVersion = "1.0.0";
    std::string serialNumber = "SIM0000001";
    std::string hardwareId = "SIMHW-1";
};

struct CDeviceDescription {
    std::string source = "<json>";                 // file name for messages
    std::string name;                              // free text for logs
    CDeviceIdentity identity;
    std::map<std::string, std::string> services;   // service key ("device", "media"...) -> path
    std::map<std::string, std::string> prefixes;   // namespace URI -> prefix; empty prefix: default xmlns
    bool defaultNamespaces = false;                // "default" style: no prefixes at all
    std::vector<CSimUser> users;
    long long clockOffsetSeconds = 0;
    std::string timezone = "UTC0";
    bool daylightSavings = false;
    bool ntp = false;                              // DateTimeType NTP instead of Manual
    EAuthMode authMode = EAuthMode::Either;
    std::set<std::string> anonymousOperations{"GetSystemDateAndTime"};
    ERefusalStyle refusalStyle = ERefusalStyle::Http401;
    bool htmlRefusalBody = false;                  // a 401 carrying an HTML page instead of a fault
    std::vector<std::string> challenges{"Digest MD5"};  // "Digest MD5", "Digest SHA-256", "Basic"
    std::string realm = "onvif-sim";
    int wsseToleranceSeconds = 300;
    int digestNonceLifetimeSeconds = 300;
    bool faultStatusAlways500 = false;             // false: Sender faults 400, Receiver faults 500
    ETransfer transfer = ETransfer::ContentLength;
    bool https = false;
    std::string advertisedHost;                    // empty: taken from the request's Host header
    std::vector<CScope> scopes;
    std::vector<CSimFault> faults;
    int keepAliveSeconds = 60;
    // Writes an answer's header block and body in two writes with Nagle's algorithm on, as
    // many embedded servers do; a client that delays its acknowledgements waits for them.
    bool splitWrites = false;
    // Members other services read for themselves (channels, profiles, recordings ...).
    Json::Value raw;
};

// Load and validate. On failure returns false and sets error to "source: reason".
bool LoadDescriptionFile(const std::string& path, CDeviceDescription& out, std::string& error);
bool LoadDescription(const Json::Value& json, CDeviceDescription& out, std::string& error,
                     const std::string& source = "<json>");

// Presets: "tt", "ns", "onvif", "default". Returns false for an unknown preset name.
bool PrefixPreset(const std::string& preset, std::map<std::string, std::string>& out);

// Fault entries are shared by descriptions and the control API.
bool ParseSimFault(const Json::Value& json, CSimFault& out, std::string& error);

} // namespace OnvifSim
