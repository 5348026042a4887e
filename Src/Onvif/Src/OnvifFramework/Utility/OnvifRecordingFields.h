#pragma once
// The ONVIF schema types the recording services share (recording control, recording
// search), described once as relative field lists (see OnvifCommonFields.h for the form):
// keys are relative to the type's record, paths to the type's element.
#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {
namespace RecordingFields {

// tt:RecordingSourceInformation as the member "Source" of a record: "Source"."SourceId",
// "Name", "Location", "Description", "Address".
extern const OnvifField kRecordingSource[];
// tt:TrackInformation: "TrackToken", "TrackType", "Description", "DataFrom", "DataTo".
extern const OnvifField kTrackInformation[];
// tt:RecordingInformation apart from its source (bind both): "RecordingToken",
// "EarliestRecording", "LatestRecording", "Content", "Track"[j] (track information),
// "RecordingStatus".
extern const OnvifField kRecordingInformation[];
// tt:RecordingConfiguration apart from its source: "Content", "MaximumRetentionTime".
extern const OnvifField kRecordingContent[];
// tt:RecordingJobConfiguration: "RecordingToken", "Mode", "Priority" (int), "Source"[i]
// {"SourceToken"."Token", "SourceToken"."Type", "AutoCreateReceiver" (bool), "Tracks"[j]
// {"SourceTag", "Destination"}}.
extern const OnvifField kJobConfiguration[];
// tt:RecordingJobTrack: "SourceTag", "Destination".
extern const OnvifField kJobTrack[];

// The job configuration of a request ("JobConfiguration" with its sources and their
// tracks) under "./trc:JobConfiguration"; the sources nest a list in a list, more than a
// field list writes.
int writeJobConfiguration(CSOAPMessage& request, const Json::Value& req);

} // namespace RecordingFields
} // namespace Onvif
} // namespace RPC
