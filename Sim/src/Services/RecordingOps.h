#pragma once
// What the recording, search and replay services share: the recording records they
// write and the faults they refuse with.
#include "Services/ServiceHandler.h"

#include <json/value.h>

#include <string>

namespace OnvifSim {

// The recording of a token, or the fault a recorder sends (ter:InvalidArgVal ter:NoRecording).
Json::Value& RequireRecording(Json::Value& model, const std::string& token);

// tt:RecordingInformation (inside `node`) and tt:TrackInformation of a recording's video.
void WriteRecordingInformation(CCallContext& ctx, Json::Value& model, const Json::Value& recording, CXmlNode node);
void WriteTrackInformation(CXmlNode node, const Json::Value& recording);
// tt:RecordingSourceInformation of a recording.
void WriteRecordingSource(CCallContext& ctx, const Json::Value& recording, CXmlNode node);

// A positive decimal count (MaxMatches, MaxResults, Priority); false for anything else.
bool ReadCount(const std::string& text, int& value);

// Capabilities elements for GetServices.
void WriteSearchCapabilities(CCallContext& ctx, CXmlNode parent);
void WriteReplayCapabilities(CCallContext& ctx, CXmlNode parent);
void WriteRecordingCapabilities(CCallContext& ctx, CXmlNode parent);

} // namespace OnvifSim
