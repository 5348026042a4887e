#pragma once
// The recordings of a simulated recorder, read from the description's "recordings" member.
// Each recording holds one channel's stream over a span of the device clock, with gaps
// where nothing was recorded; its video is the clip the stream's encoder would stream.
//
// The state lives as JSON in CDeviceState::serviceData["recordings"], so a factory reset
// brings back the described recordings:
//   recordings[] {token, channel (0-based), stream, profile, source (the job's source token),
//                 name, segments [[from, until], ...] (device-clock seconds, ascending, apart),
//                 video {encoding, width, height, frameRate, bitrate}, content,
//                 and what is known of the camera: description, location, address, sourceId}
//   jobs[]       {token, recording, source, mode (Active|Idle), priority}
//   habits       {resultsAfterPolls, ignoreScope, keepAliveSeconds}
//   searches     {token: search (RecordingSearches.h)}, next {search, recording, job}
//   sessionTimeout  replay sessions, seconds
// Times in the description are xs:dateTime texts or offsets from the device clock when the
// recordings are first looked at: "now", "-24h", "-90m", "-30s".
#include "Device/DeviceState.h"

#include <json/value.h>

#include <string>

namespace OnvifSim {

// Builds the recordings from a whole description (media included); `now` anchors the
// relative times. False with a reason naming the member.
bool BuildRecordingModel(const Json::Value& description, long long now, Json::Value& model, std::string& error);

// The running state, built on first use.
Json::Value& RecordingModel(CDeviceState& state);
Json::Value* FindRecording(Json::Value& model, const std::string& token);
Json::Value* FindJob(Json::Value& model, const std::string& token);

// First and last recorded second of a recording; false when it holds nothing.
bool RecordingSpan(const Json::Value& recording, long long& from, long long& until);

// The name of the video track every recording has.
constexpr const char* kVideoTrackToken = "VIDEO001";

} // namespace OnvifSim
