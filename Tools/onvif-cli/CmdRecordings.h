#pragma once
// What the recordings and playback commands share: finding the recordings of a span
// through the host's finder, and telling the library the device's zone for local times.
#include <json/json.h>

#include <string>

#include "CliHost.h"
#include "Commands.h"
#include "RecordingTimes.h"

namespace OnvifCli {

// The file records of args' span (times already checked), in the finder's order.
bool findRecordings(CCliHost& host, const RecordingArgs& args, Json::Value& records, std::string* error);
// Local times are converted with the zone the host gave the library for the device: the CLI
// reads the device's zone and daylight-saving rule and writes them back with its own clock,
// as a recorder does when it takes a device on. note says which zone that is.
bool adoptDeviceZone(CCliHost& host, std::string& note, std::string* error);

} // namespace OnvifCli
