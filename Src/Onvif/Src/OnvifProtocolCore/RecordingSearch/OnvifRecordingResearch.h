#pragma once
// The recording search service object of one device ("RecordingSearch"): searches for
// recordings, recording events, PTZ positions and metadata, their results page by page,
// and what the device knows about its recordings. Searches in progress (their tokens and
// keep-alive) are the caller's: the object keeps no state.
//
// Names served by execute, with their request keys and result keys:
// - "FindRecordings": "Scope" ("IncludedSources"[i] {"Token", "Type"}, "IncludedRecordings"[i],
//   "RecordingInformationFilter"), "MaxMatches", "KeepAliveTime" -> "SearchToken".
// - "FindEvents": "StartPoint", "EndPoint", "Scope", "SearchFilter" (text),
//   "IncludeStartState", "MaxMatches", "KeepAliveTime" -> "SearchToken".
// - "FindPTZPosition": the same with "SearchFilter"."MinPosition"/"MaxPosition" (PTZ vectors)
//   and "SearchFilter"."EnterOrExit"; "FindMetadata": with "MetadataFilter"."MetadataStreamFilter".
// - "GetRecordingSearchResults", "GetEventSearchResults", "GetPTZPositionSearchResults",
//   "GetMetadataSearchResults": "SearchToken", "MinResults", "MaxResults", "WaitTime" ->
//   "ResultList"."SearchState" and "ResultList"."RecordingInformation"[i] or "ResultList"."Result"[i].
//   An event result carries "RecordingToken", "TrackToken", "Time", "StartStateEvent" and
//   "Event" {"SubscriptionReference"."Address", "ProducerReference"."Address", "Topic",
//   "Dialect", "Message"."Message"."Source"/"Data"."SimpleItem" {"Name", "Value"}}.
// - "GetRecordingInformation": "RecordingToken" -> "RecordingInformation".
// - "GetRecordingSummary" -> "Summary" {"DataFrom", "DataUntil", "NumberRecordings"}.
// - "GetMediaAttributes": "RecordingTokens"[i], "Time" -> "MediaAttributes"[i].
// - "GetSearchState": "SearchToken" -> "State"; "EndSearch": "SearchToken" -> "Endpoint".
// - "GetServiceCapabilities" -> "Capabilities" {"MetadataSearch", "GeneralStartEvents"}.
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifRecordingResearch : public COnvifProtoCore {
public:
    explicit COnvifRecordingResearch(const COnvifLoginInfo& login) : COnvifProtoCore(login, &operationTable()) {}
    const char* getServiceName() const override { return "RecordingSearch"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
