#pragma once
// The recording control service object of one device ("RecordingControl"): recordings,
// their tracks and the jobs that fill them.
//
// Names served by execute, with their request keys and result keys:
// - "GetRecordings" -> "RecordingItem"[i] {"RecordingToken", "Configuration" {"Source".…,
//   "Content", "MaximumRetentionTime"}, "Tracks"."Track"[j] {"TrackToken",
//   "Configuration"."TrackType", "Configuration"."Description"}}.
// - "CreateRecording": "RecordingConfiguration" -> "RecordingToken"; "DeleteRecording":
//   "RecordingToken"; "GetRecordingConfiguration": "RecordingToken" -> "RecordingConfiguration";
//   "SetRecordingConfiguration": "RecordingToken", "RecordingConfiguration".
// - "CreateTrack": "RecordingToken", "TrackConfiguration" {"TrackType", "Description"} ->
//   "TrackToken"; "DeleteTrack", "GetTrackConfiguration" (-> "TrackConfiguration"),
//   "SetTrackConfiguration": "RecordingToken", "TrackToken" (and "TrackConfiguration").
// - "CreateRecordingJob": "JobConfiguration" -> "JobToken", "JobConfiguration";
//   "DeleteRecordingJob", "GetRecordingJobConfiguration", "GetRecordingJobState": "JobToken";
//   "SetRecordingJobConfiguration": "JobToken", "JobConfiguration"; "SetRecordingJobMode":
//   "JobToken", "Mode"; "GetRecordingJobs" -> "JobItem"[i] {"JobToken", "JobConfiguration"}.
//   A job configuration is {"RecordingToken", "Mode", "Priority", "Source"[i] {"SourceToken"
//   {"Token", "Type"}, "AutoCreateReceiver", "Tracks"[j] {"SourceTag", "Destination"}}}; a
//   job state {"RecordingToken", "State", "Sources"[i] {"SourceToken", "State", "Tracks"[j]}}.
// - "GetRecordingOptions": "RecordingToken" -> "Options"."Job" {"Spare", "CompatibleSources"},
//   "Options"."Track" {"SpareTotal", "SpareVideo", "SpareAudio", "SpareMetadata"}.
// - "Capabilities" (the service's GetServiceCapabilities) -> "Capabilities" {"DynamicRecordings",
//   "DynamicTracks", "Encoding", "MaxRate", "MaxTotalRate", "MaxRecordings", "MaxRecordingJobs",
//   "Options"}.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifRecordingCtl : public COnvifProtoCore {
public:
    explicit COnvifRecordingCtl(const COnvifLoginInfo& login) : COnvifProtoCore(login, &operationTable()) {}
    const char* getServiceName() const override { return "RecordingControl"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
