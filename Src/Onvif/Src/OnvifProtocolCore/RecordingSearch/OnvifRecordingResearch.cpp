#include "OnvifProtocolCore/RecordingSearch/OnvifRecordingResearch.h"

#include "OnvifFramework/Utility/OnvifCommonFields.h"
#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"
#include "OnvifFramework/Utility/OnvifRecordingFields.h"

namespace RPC {
namespace Onvif {

namespace {

using RecordingFields::kRecordingInformation;
using RecordingFields::kRecordingSource;
using RecordingFields::kTrackInformation;

// ---- Requests ----------------------------------------------------------------------------
// Parts in the order the schema gives a Find request's children: the span, the scope, the
// operation's own filter, then the limits. Paths whose first step has no prefix go out in
// the search namespace.

const OnvifField kSpanIn[] = {textField("StartPoint", "./StartPoint"), textField("EndPoint", "./EndPoint"), {}};

const OnvifField kSourceReferenceIn[] = {textField("Token", "tt:Token"), textField("Type", "@Type"), {}};
const OnvifField kScopeIn[] = {
    recordListField("Scope.IncludedSources", "./Scope/tt:IncludedSources", kSourceReferenceIn),
    textListField("Scope.IncludedRecordings", "./Scope/tt:IncludedRecordings[%d]"),
    textField("Scope.RecordingInformationFilter", "./Scope/tt:RecordingInformationFilter"),
    {},
};

const OnvifField kLimitsIn[] = {
    intField("MaxMatches", "./MaxMatches"),
    textField("KeepAliveTime", "./KeepAliveTime"),
    {},
};

const OnvifField kEventFilterIn[] = {
    textField("SearchFilter", "./SearchFilter"),
    boolField("IncludeStartState", "./IncludeStartState"),
    {},
};
const OnvifField kEnterOrExitIn[] = {textField("SearchFilter.EnterOrExit", "./SearchFilter/tt:EnterOrExit"), {}};
const OnvifField kMetadataFilterIn[] = {
    textField("MetadataFilter.MetadataStreamFilter", "./MetadataFilter/tt:MetadataStreamFilter"), {}};

// A device reads an empty recording token as a recording named "": such entries are left out.
int dropEmptyRecordings(Json::Value& req)
{
    Json::Value* list = findKey(req, "Scope.IncludedRecordings");
    if (!list || !list->isArray())
        return 0;
    Json::Value kept(Json::arrayValue);
    for (const Json::Value& item : *list)
        if (!(item.isString() && item.asString().empty()))
            kept.append(item);
    *list = kept;
    return 0;
}

struct CFindRecordingsIn : COnvifFieldMap {
    CFindRecordingsIn() { add("", "", {kScopeIn, kLimitsIn}); }
};
struct CFindEventsIn : COnvifFieldMap {
    CFindEventsIn() { add("", "", {kSpanIn, kScopeIn, kEventFilterIn, kLimitsIn}); }
};
struct CFindPtzPositionIn : COnvifFieldMap {
    CFindPtzPositionIn()
    {
        add("", "", {kSpanIn, kScopeIn});
        const std::initializer_list<const OnvifField*> position = {CommonFields::kPtzPanTilt, CommonFields::kPtzZoom};
        addRequest("SearchFilter.MinPosition", "./SearchFilter/tt:MinPosition", position);
        addRequest("SearchFilter.MaxPosition", "./SearchFilter/tt:MaxPosition", position);
        add("", "", {kEnterOrExitIn, kLimitsIn});
    }
};
struct CFindMetadataIn : COnvifFieldMap {
    CFindMetadataIn() { add("", "", {kSpanIn, kScopeIn, kMetadataFilterIn, kLimitsIn}); }
};

const OnvifField kResultsIn[] = {
    textField("SearchToken", "./SearchToken"),
    intField("MinResults", "./MinResults"),
    intField("MaxResults", "./MaxResults"),
    textField("WaitTime", "./WaitTime"),
    {},
};
const OnvifField kSearchTokenIn[] = {textField("SearchToken", "./SearchToken"), {}};
const OnvifField kRecordingTokenIn[] = {textField("RecordingToken", "./RecordingToken"), {}};
const OnvifField kMediaAttributesIn[] = {
    textListField("RecordingTokens", "./RecordingTokens[%d]"),
    textField("Time", "./Time"),
    {},
};

// ---- Answers -------------------------------------------------------------------------------

const OnvifField kSearchTokenOut[] = {textField("SearchToken", "./SearchToken"), {}};
const OnvifField kSearchState[] = {textField("SearchState", "SearchState"), {}};

struct CRecordingResultsMap : COnvifFieldMap {
    CRecordingResultsMap()
    {
        add("ResultList", "./ResultList", {kSearchState});
        addList("ResultList.RecordingInformation", "./ResultList/RecordingInformation",
                {kRecordingInformation, kRecordingSource});
    }
};
struct CRecordingInformationMap : COnvifFieldMap {
    CRecordingInformationMap()
    {
        add("RecordingInformation", "./RecordingInformation", {kRecordingInformation, kRecordingSource});
    }
};

// The notification a recording event carries: one source item (the recording) and one data
// item (for recording state events "IsRecording").
const OnvifField kEventResult[] = {
    textField("RecordingToken", "RecordingToken"),
    textField("TrackToken", "TrackToken"),
    textField("Time", "Time"),
    textField("Event.SubscriptionReference.Address", "Event/SubscriptionReference/Address"),
    textField("Event.ProducerReference.Address", "Event/ProducerReference/Address"),
    textField("Event.Topic", "Event/Topic"),
    textField("Event.Dialect", "Event/Topic/@Dialect"),
    textField("Event.Message.Message.Source.SimpleItem.Name", "Event/Message/Message/Source/SimpleItem/@Name"),
    textField("Event.Message.Message.Source.SimpleItem.Value", "Event/Message/Message/Source/SimpleItem/@Value"),
    textField("Event.Message.Message.Data.SimpleItem.Name", "Event/Message/Message/Data/SimpleItem/@Name"),
    textField("Event.Message.Message.Data.SimpleItem.Value", "Event/Message/Message/Data/SimpleItem/@Value"),
    textField("StartStateEvent", "StartStateEvent"),
    {},
};
struct CEventResultsMap : COnvifFieldMap {
    CEventResultsMap()
    {
        add("ResultList", "./ResultList", {kSearchState});
        addList("ResultList.Result", "./ResultList/Result", {kEventResult});
    }
};

// A position or metadata result names where it was found; a position result also what.
const OnvifField kFoundAt[] = {
    textField("RecordingToken", "RecordingToken"),
    textField("TrackToken", "TrackToken"),
    textField("Time", "Time"),
    {},
};
struct CPositionParts : COnvifFieldMap {
    CPositionParts() { add("Position", "Position", {CommonFields::kPtzPanTilt, CommonFields::kPtzZoom}); }
};
struct CPtzResultsMap : COnvifFieldMap {
    CPtzResultsMap()
    {
        add("ResultList", "./ResultList", {kSearchState});
        addList("ResultList.Result", "./ResultList/Result", {kFoundAt, fieldsOf<CPositionParts>()});
    }
};
struct CMetadataResultsMap : COnvifFieldMap {
    CMetadataResultsMap()
    {
        add("ResultList", "./ResultList", {kSearchState});
        addList("ResultList.Result", "./ResultList/Result", {kFoundAt});
    }
};

const OnvifField kSummary[] = {
    textField("DataFrom", "DataFrom"),
    textField("DataUntil", "DataUntil"),
    intField("NumberRecordings", "NumberRecordings"),
    {},
};
struct CSummaryMap : COnvifFieldMap {
    CSummaryMap() { add("Summary", "./Summary", {kSummary}); }
};

const OnvifField kMediaKindAttributes[] = {
    intField("VideoAttributes.Bitrate", "VideoAttributes/Bitrate"),
    intField("VideoAttributes.Width", "VideoAttributes/Width"),
    intField("VideoAttributes.Height", "VideoAttributes/Height"),
    textField("VideoAttributes.Encoding", "VideoAttributes/Encoding"),
    textField("VideoAttributes.Framerate", "VideoAttributes/Framerate"),
    textField("AudioAttributes.Bitrate", "AudioAttributes/Bitrate"),
    textField("AudioAttributes.Encoding", "AudioAttributes/Encoding"),
    textField("AudioAttributes.Samplerate", "AudioAttributes/Samplerate"),
    textField("MetadataAttributes.CanContainPTZ", "MetadataAttributes/CanContainPTZ"),
    textField("MetadataAttributes.CanContainAnalytics", "MetadataAttributes/CanContainAnalytics"),
    textField("MetadataAttributes.CanContainNotifications", "MetadataAttributes/CanContainNotifications"),
    textField("MetadataAttributes.PtzSpaces", "MetadataAttributes/PtzSpaces"),
    {},
};
struct CTrackAttributesParts : COnvifFieldMap {
    CTrackAttributesParts()
    {
        add("TrackInformation", "TrackInformation", {kTrackInformation});
        add("", "", {kMediaKindAttributes});
    }
};
// Each recording's tracks nest in the list of recordings.
struct CMediaAttributesMap : COnvifFieldMap {
    CMediaAttributesMap()
    {
        static const OnvifField kMediaAttributes[] = {
            textField("RecordingToken", "RecordingToken"),
            recordListField("TrackAttributes", "TrackAttributes", fieldsOf<CTrackAttributesParts>()),
            textField("From", "From"),
            textField("Until", "Until"),
            {},
        };
        addList("MediaAttributes", "./MediaAttributes", {kMediaAttributes});
    }
};

const OnvifField kStateOut[] = {textField("State", "./State"), {}};
const OnvifField kEndpointOut[] = {textField("Endpoint", "./Endpoint"), {}};

const OnvifField kCapabilities[] = {
    boolField("MetadataSearch", "@MetadataSearch"),
    boolField("GeneralStartEvents", "@GeneralStartEvents"),
    {},
};
struct CCapabilitiesMap : COnvifFieldMap {
    CCapabilitiesMap() : COnvifFieldMap(FLAGS_ANY_CASE) { add("Capabilities", "./Capabilities", {kCapabilities}); }
};

// Devices answer an event search page only when it is full or their wait time is over.
constexpr OnvifTimeouts kEventResultsTimeouts{2000, 2000, 5000, 9000};

constexpr OnvifService kTse{"tse", Namespaces::kRecordingSearch};

OnvifOperation searchRow(const char* command)
{
    return kTse(command).flag(OP_LOG_RESPONSE_FAIL);
}

OnvifOperation findRow(const char* command, const OnvifField* fields)
{
    return searchRow(command).in(fields).prepares(&dropEmptyRecordings).out(kSearchTokenOut);
}

const OnvifOperation kRows[] = {
    findRow("FindEvents", fieldsOf<CFindEventsIn>()),
    searchRow("GetEventSearchResults").in(kResultsIn).out(fieldsOf<CEventResultsMap>()).waits(&kEventResultsTimeouts),
    searchRow("GetRecordingInformation").in(kRecordingTokenIn).out(fieldsOf<CRecordingInformationMap>()),
    findRow("FindRecordings", fieldsOf<CFindRecordingsIn>()),
    searchRow("GetRecordingSearchResults").in(kResultsIn).out(fieldsOf<CRecordingResultsMap>()),
    searchRow("EndSearch").in(kSearchTokenIn).out(kEndpointOut),
    searchRow("GetRecordingSummary").out(fieldsOf<CSummaryMap>()),
    searchRow("GetMediaAttributes").in(kMediaAttributesIn).out(fieldsOf<CMediaAttributesMap>()),
    findRow("FindPTZPosition", fieldsOf<CFindPtzPositionIn>()),
    searchRow("GetPTZPositionSearchResults").in(kResultsIn).out(fieldsOf<CPtzResultsMap>()),
    findRow("FindMetadata", fieldsOf<CFindMetadataIn>()),
    searchRow("GetMetadataSearchResults").in(kResultsIn).out(fieldsOf<CMetadataResultsMap>()),
    searchRow("GetSearchState").in(kSearchTokenIn).out(kStateOut),
    searchRow("GetServiceCapabilities").out(fieldsOf<CCapabilitiesMap>()),
};

} // namespace

const COnvifOperationTable& COnvifRecordingResearch::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
