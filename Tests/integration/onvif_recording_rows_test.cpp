// The recording search, replay and recording control service objects against
// recorded-style answers: every command once through the shared row harness, and the
// rules of the operations whose messages nest deeper than a row's field list.
#include <gtest/gtest.h>

#include <set>

#include "OnvifProtocolCore/RecordingControl/OnvifRecordingCtl.h"
#include "OnvifProtocolCore/RecordingSearch/OnvifRecordingResearch.h"
#include "OnvifProtocolCore/ReplayControl/OnvifReplayCtl.h"
#include "onvif_media_test_support.h"

using namespace MediaTest;

namespace {

// The answer's first element declares the recording namespaces (the shared envelope
// declares the media ones only).
std::string ns(const std::string& answer)
{
    const size_t end = answer.find_first_of(" />", 1);
    return answer.substr(0, end) +
           " xmlns:trc=\"http://www.onvif.org/ver10/recording/wsdl\""
           " xmlns:tse=\"http://www.onvif.org/ver10/search/wsdl\""
           " xmlns:trp=\"http://www.onvif.org/ver10/replay/wsdl\""
           " xmlns:wsnt=\"http://docs.oasis-open.org/wsn/b-2\" xmlns:wsa=\"http://www.w3.org/2005/08/addressing\"" +
           answer.substr(end);
}

const std::string kRecordingInformation =
    "<tt:RecordingToken>Rec_000</tt:RecordingToken><tt:Source><tt:SourceId>rtsp://cam1</tt:SourceId>"
    "<tt:Name>CAM 1</tt:Name><tt:Location>Gate</tt:Location><tt:Description>192.168.1.64</tt:Description>"
    "<tt:Address>http://192.168.1.64/onvif</tt:Address></tt:Source>"
    "<tt:EarliestRecording>2026-12-05T10:00:00Z</tt:EarliestRecording>"
    "<tt:LatestRecording>2026-12-06T10:00:00Z</tt:LatestRecording><tt:Content>CAM 1 main</tt:Content>"
    "<tt:Track><tt:TrackToken>VIDEO001</tt:TrackToken><tt:TrackType>Video</tt:TrackType>"
    "<tt:Description>video</tt:Description><tt:DataFrom>2026-12-05T10:00:00Z</tt:DataFrom>"
    "<tt:DataTo>2026-12-06T10:00:00Z</tt:DataTo></tt:Track><tt:Track><tt:TrackToken>AUDIO001</tt:TrackToken>"
    "<tt:TrackType>Audio</tt:TrackType></tt:Track><tt:RecordingStatus>Recording</tt:RecordingStatus>";

const std::string kJobConfiguration =
    "<tt:RecordingToken>Rec_000</tt:RecordingToken><tt:Mode>Active</tt:Mode><tt:Priority>5</tt:Priority>"
    "<tt:Source><tt:SourceToken Type=\"http://www.onvif.org/ver10/schema/Profile\"><tt:Token>MediaProfile000"
    "</tt:Token></tt:SourceToken><tt:AutoCreateReceiver>True</tt:AutoCreateReceiver><tt:Tracks>"
    "<tt:SourceTag>V</tt:SourceTag><tt:Destination>VIDEO001</tt:Destination></tt:Tracks><tt:Tracks>"
    "<tt:SourceTag>A</tt:SourceTag><tt:Destination>AUDIO001</tt:Destination></tt:Tracks></tt:Source>";

const std::vector<std::pair<std::string, std::string>> kJobResult = {
    {"JobConfiguration/RecordingToken", "\"Rec_000\""},
    {"JobConfiguration/Priority", "5"},
    {"JobConfiguration/Source/0/SourceToken/Token", "\"MediaProfile000\""},
    {"JobConfiguration/Source/0/SourceToken/Type", "\"http://www.onvif.org/ver10/schema/Profile\""},
    {"JobConfiguration/Source/0/AutoCreateReceiver", "true"},
    {"JobConfiguration/Source/0/Tracks/1/Destination", "\"AUDIO001\""}};

const char* kJobRequest = R"({"JobConfiguration":{"RecordingToken":"Rec_000","Mode":"Idle","Priority":2,
    "Source":[{"SourceToken":{"Token":"MediaProfile000"},"AutoCreateReceiver":false,
    "Tracks":[{"SourceTag":"V","Destination":"VIDEO001"}]}]}})";

const char* kScopeRequest = R"({"Scope":{"IncludedSources":[{"Token":"MediaProfile000",
    "Type":"http://www.onvif.org/ver10/schema/Profile"}]},"MaxMatches":10,"KeepAliveTime":"PT30S"})";

const std::vector<RowCase> kCases = {
    // ---- replay
    {"ReplayControl", "GetReplayUri",
     R"({"RecordingToken":"Rec_000","StreamSetup":{"Stream":"RTP-Unicast","Transport":{"Protocol":"RTSP"}}})",
     "trp:GetReplayUri", {{"Stream", "RTP-Unicast"}, {"Protocol", "RTSP"}, {"RecordingToken", "Rec_000"}},
     ns("<trp:GetReplayUriResponse><trp:Uri>rtsp://10.0.0.2:554/replay/Rec_000</trp:Uri></trp:GetReplayUriResponse>"),
     {{"Uri", "\"rtsp://10.0.0.2:554/replay/Rec_000\""}}},
    {"ReplayControl", "SetReplayConfiguration", R"({"Configuration":{"SessionTimeout":"PT60S"}})",
     "trp:SetReplayConfiguration", {{"SessionTimeout", "PT60S"}}, ns("<trp:SetReplayConfigurationResponse/>"), {}},
    {"ReplayControl", "GetReplayConfiguration", "{}", "trp:GetReplayConfiguration", {},
     ns("<trp:GetReplayConfigurationResponse><trp:Configuration><tt:SessionTimeout>PT30S</tt:SessionTimeout>"
        "</trp:Configuration></trp:GetReplayConfigurationResponse>"),
     {{"Configuration/SessionTimeout", "\"PT30S\""}}},
    {"ReplayControl", "GetReplayServiceCapabilities", "{}", "trp:GetServiceCapabilities", {},
     ns("<trp:GetServiceCapabilitiesResponse><trp:Capabilities ReversePlayback=\"TRUE\" "
        "SessionTimeoutRange=\"1 60\" RTP_RTSP_TCP=\"false\"/></trp:GetServiceCapabilitiesResponse>"),
     {{"Capabilities/ReversePlayback", "true"}, {"Capabilities/SessionTimeoutRange", "\"1 60\""},
      {"Capabilities/RTP_USCORERTSP_USCORETCP", "false"}}},
    // ---- search
    {"RecordingSearch", "FindEvents",
     R"({"StartPoint":"2026-12-06T00:00:00Z","EndPoint":"2026-12-06T10:00:00Z","IncludeStartState":true,
        "Scope":{"IncludedRecordings":["Rec_000"]},"SearchFilter":"tns1:RecordingHistory","KeepAliveTime":"PT30S"})",
     "tse:FindEvents",
     {{"StartPoint", "2026-12-06T00:00:00Z"}, {"EndPoint", "2026-12-06T10:00:00Z"}, {"IncludedRecordings", "Rec_000"},
      {"SearchFilter", "tns1:RecordingHistory"}, {"IncludeStartState", "true"}, {"MaxMatches", "<absent>"}},
     ns("<tse:FindEventsResponse><tse:SearchToken>S1</tse:SearchToken></tse:FindEventsResponse>"),
     {{"SearchToken", "\"S1\""}}},
    {"RecordingSearch", "GetEventSearchResults", R"({"SearchToken":"S1","MinResults":1,"MaxResults":8,"WaitTime":"PT4S"})",
     "tse:GetEventSearchResults", {{"SearchToken", "S1"}, {"MinResults", "1"}, {"MaxResults", "8"}, {"WaitTime", "PT4S"}},
     ns("<tse:GetEventSearchResultsResponse><tse:ResultList><tt:SearchState>Searching</tt:SearchState><tt:Result>"
        "<tt:RecordingToken>Rec_000</tt:RecordingToken><tt:TrackToken>VIDEO001</tt:TrackToken>"
        "<tt:Time>2026-12-06T01:00:00Z</tt:Time><tt:Event><wsnt:Topic Dialect=\"http://www.onvif.org/ver10/tev/"
        "topicExpression/ConcreteSet\">tns1:RecordingHistory/Recording/State</wsnt:Topic><wsnt:Message>"
        "<tt:Message UtcTime=\"2026-12-06T01:00:00Z\"><tt:Source><tt:SimpleItem Name=\"RecordingToken\" "
        "Value=\"Rec_000\"/></tt:Source><tt:Data><tt:SimpleItem Name=\"IsRecording\" Value=\"true\"/></tt:Data>"
        "</tt:Message></wsnt:Message></tt:Event><tt:StartStateEvent>false</tt:StartStateEvent></tt:Result>"
        "</tse:ResultList></tse:GetEventSearchResultsResponse>"),
     {{"ResultList/SearchState", "\"Searching\""},
      {"ResultList/Result/0/Time", "\"2026-12-06T01:00:00Z\""},
      {"ResultList/Result/0/Event/Topic", "\"tns1:RecordingHistory/Recording/State\""},
      {"ResultList/Result/0/Event/Dialect", "\"http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet\""},
      {"ResultList/Result/0/Event/Message/Message/Source/SimpleItem/Value", "\"Rec_000\""},
      {"ResultList/Result/0/Event/Message/Message/Data/SimpleItem/Name", "\"IsRecording\""},
      {"ResultList/Result/0/Event/Message/Message/Data/SimpleItem/Value", "\"true\""},
      {"ResultList/Result/0/StartStateEvent", "\"false\""}}},
    {"RecordingSearch", "GetRecordingInformation", R"({"RecordingToken":"Rec_000"})",
     "tse:GetRecordingInformation", {{"RecordingToken", "Rec_000"}},
     ns("<tse:GetRecordingInformationResponse><tse:RecordingInformation>" + kRecordingInformation +
        "</tse:RecordingInformation></tse:GetRecordingInformationResponse>"),
     {{"RecordingInformation/Source/Description", "\"192.168.1.64\""},
      {"RecordingInformation/Track/0/DataTo", "\"2026-12-06T10:00:00Z\""},
      {"RecordingInformation/Track/1/TrackType", "\"Audio\""},
      {"RecordingInformation/Track/1/DataFrom", "null"},
      {"RecordingInformation/RecordingStatus", "\"Recording\""}}},
    {"RecordingSearch", "FindRecordings", kScopeRequest, "tse:FindRecordings",
     {{"Token", "MediaProfile000"}, {"MaxMatches", "10"},
      {"KeepAliveTime", "PT30S"}},
     ns("<tse:FindRecordingsResponse><tse:SearchToken>S2</tse:SearchToken></tse:FindRecordingsResponse>"),
     {{"SearchToken", "\"S2\""}}},
    {"RecordingSearch", "GetRecordingSearchResults", R"({"SearchToken":"S2","WaitTime":"PT4S"})",
     "tse:GetRecordingSearchResults", {{"SearchToken", "S2"}, {"WaitTime", "PT4S"}, {"MaxResults", "<absent>"}},
     ns("<tse:GetRecordingSearchResultsResponse><tse:ResultList><tt:SearchState>Completed</tt:SearchState>"
        "<tt:RecordingInformation>" + kRecordingInformation + "</tt:RecordingInformation><tt:RecordingInformation>"
        "<tt:RecordingToken>Rec_001</tt:RecordingToken></tt:RecordingInformation></tse:ResultList>"
        "</tse:GetRecordingSearchResultsResponse>"),
     {{"ResultList/SearchState", "\"Completed\""},
      {"ResultList/RecordingInformation/0/EarliestRecording", "\"2026-12-05T10:00:00Z\""},
      {"ResultList/RecordingInformation/0/Source/Name", "\"CAM 1\""},
      {"ResultList/RecordingInformation/0/Track/1/TrackToken", "\"AUDIO001\""},
      {"ResultList/RecordingInformation/1/RecordingToken", "\"Rec_001\""},
      {"ResultList/RecordingInformation/1/Track", "null"}}},
    {"RecordingSearch", "EndSearch", R"({"SearchToken":"S2"})", "tse:EndSearch", {{"SearchToken", "S2"}},
     ns("<tse:EndSearchResponse><tse:Endpoint>2026-12-06T10:00:00Z</tse:Endpoint></tse:EndSearchResponse>"),
     {{"Endpoint", "\"2026-12-06T10:00:00Z\""}}},
    {"RecordingSearch", "GetRecordingSummary", "{}", "tse:GetRecordingSummary", {},
     ns("<tse:GetRecordingSummaryResponse><tse:Summary><tt:DataFrom>2026-12-05T10:00:00Z</tt:DataFrom>"
        "<tt:DataUntil>2026-12-06T10:00:00Z</tt:DataUntil><tt:NumberRecordings>4</tt:NumberRecordings>"
        "</tse:Summary></tse:GetRecordingSummaryResponse>"),
     {{"Summary/DataFrom", "\"2026-12-05T10:00:00Z\""}, {"Summary/NumberRecordings", "4"}}},
    {"RecordingSearch", "GetMediaAttributes", R"({"RecordingTokens":["Rec_000","Rec_001"],"Time":"2026-12-06T01:00:00Z"})",
     "tse:GetMediaAttributes", {{"RecordingTokens", "Rec_000"}, {"RecordingTokens[1]", "Rec_001"}, {"Time", "2026-12-06T01:00:00Z"}},
     ns("<tse:GetMediaAttributesResponse><tse:MediaAttributes><tt:RecordingToken>Rec_000</tt:RecordingToken>"
        "<tt:TrackAttributes><tt:TrackInformation><tt:TrackToken>VIDEO001</tt:TrackToken><tt:TrackType>Video"
        "</tt:TrackType></tt:TrackInformation><tt:VideoAttributes><tt:Bitrate>4096</tt:Bitrate><tt:Width>1920</tt:Width>"
        "<tt:Height>1080</tt:Height><tt:Encoding>H264</tt:Encoding><tt:Framerate>25</tt:Framerate></tt:VideoAttributes>"
        "</tt:TrackAttributes><tt:TrackAttributes><tt:TrackInformation><tt:TrackToken>AUDIO001</tt:TrackToken>"
        "</tt:TrackInformation><tt:AudioAttributes><tt:Encoding>G711</tt:Encoding><tt:Samplerate>8</tt:Samplerate>"
        "</tt:AudioAttributes></tt:TrackAttributes><tt:From>2026-12-05T10:00:00Z</tt:From>"
        "<tt:Until>2026-12-06T10:00:00Z</tt:Until></tse:MediaAttributes></tse:GetMediaAttributesResponse>"),
     {{"MediaAttributes/0/RecordingToken", "\"Rec_000\""},
      {"MediaAttributes/0/TrackAttributes/0/TrackInformation/TrackType", "\"Video\""},
      {"MediaAttributes/0/TrackAttributes/0/VideoAttributes/Width", "1920"},
      {"MediaAttributes/0/TrackAttributes/0/VideoAttributes/Framerate", "\"25\""},
      {"MediaAttributes/0/TrackAttributes/1/AudioAttributes/Samplerate", "\"8\""},
      {"MediaAttributes/0/Until", "\"2026-12-06T10:00:00Z\""}}},
    {"RecordingSearch", "FindPTZPosition",
     R"({"StartPoint":"2026-12-06T00:00:00Z","SearchFilter":{"MinPosition":{"PanTilt":{"x":-0.5,"y":-0.25}},
        "MaxPosition":{"PanTilt":{"x":0.5,"y":0.25},"Zoom":{"x":1}},"EnterOrExit":"Enter"}})",
     "tse:FindPTZPosition", {{"StartPoint", "2026-12-06T00:00:00Z"}, {"@x", "-0.5"}, {"EnterOrExit", "Enter"}},
     ns("<tse:FindPTZPositionResponse><tse:SearchToken>S3</tse:SearchToken></tse:FindPTZPositionResponse>"),
     {{"SearchToken", "\"S3\""}}},
    {"RecordingSearch", "GetPTZPositionSearchResults", R"({"SearchToken":"S3"})", "tse:GetPTZPositionSearchResults",
     {{"SearchToken", "S3"}},
     ns("<tse:GetPTZPositionSearchResultsResponse><tse:ResultList><tt:SearchState>Completed</tt:SearchState>"
        "<tt:Result><tt:RecordingToken>Rec_000</tt:RecordingToken><tt:Time>2026-12-06T02:00:00Z</tt:Time>"
        "<tt:Position><tt:PanTilt x=\"0.25\" y=\"-0.5\"/><tt:Zoom x=\"0.1\"/></tt:Position></tt:Result>"
        "</tse:ResultList></tse:GetPTZPositionSearchResultsResponse>"),
     {{"ResultList/SearchState", "\"Completed\""}, {"ResultList/Result/0/Time", "\"2026-12-06T02:00:00Z\""},
      {"ResultList/Result/0/Position/PanTilt/y", "-0.5"}, {"ResultList/Result/0/Position/Zoom/x", "0.1"}}},
    {"RecordingSearch", "FindMetadata",
     R"({"StartPoint":"2026-12-06T00:00:00Z","MetadataFilter":{"MetadataStreamFilter":"//tt:Object"}})",
     "tse:FindMetadata", {{"MetadataStreamFilter", "//tt:Object"}},
     ns("<tse:FindMetadataResponse><tse:SearchToken>S4</tse:SearchToken></tse:FindMetadataResponse>"),
     {{"SearchToken", "\"S4\""}}},
    {"RecordingSearch", "GetMetadataSearchResults", R"({"SearchToken":"S4","MaxResults":1})",
     "tse:GetMetadataSearchResults", {{"MaxResults", "1"}},
     ns("<tse:GetMetadataSearchResultsResponse><tse:ResultList><tt:SearchState>Searching</tt:SearchState>"
        "<tt:Result><tt:RecordingToken>Rec_001</tt:RecordingToken><tt:TrackToken>META</tt:TrackToken>"
        "<tt:Time>2026-12-06T03:00:00Z</tt:Time></tt:Result></tse:ResultList></tse:GetMetadataSearchResultsResponse>"),
     {{"ResultList/SearchState", "\"Searching\""}, {"ResultList/Result/0/TrackToken", "\"META\""}}},
    {"RecordingSearch", "GetSearchState", R"({"SearchToken":"S4"})", "tse:GetSearchState", {{"SearchToken", "S4"}},
     ns("<tse:GetSearchStateResponse><tse:State>Queued</tse:State></tse:GetSearchStateResponse>"),
     {{"State", "\"Queued\""}}},
    {"RecordingSearch", "GetServiceCapabilities", "{}", "tse:GetServiceCapabilities", {},
     ns("<tse:GetServiceCapabilitiesResponse><tse:Capabilities MetadataSearch=\"false\" GeneralStartEvents=\"true\"/>"
        "</tse:GetServiceCapabilitiesResponse>"),
     {{"Capabilities/MetadataSearch", "false"}, {"Capabilities/GeneralStartEvents", "true"}}},
    // ---- recording control
    {"RecordingControl", "GetRecordings", "{}", "trc:GetRecordings", {},
     ns("<trc:GetRecordingsResponse><trc:RecordingItem><tt:RecordingToken>Rec_000</tt:RecordingToken>"
        "<tt:Configuration><tt:Source><tt:SourceId>rtsp://cam1</tt:SourceId><tt:Name>CAM 1</tt:Name></tt:Source>"
        "<tt:Content>main</tt:Content><tt:MaximumRetentionTime>P7D</tt:MaximumRetentionTime></tt:Configuration>"
        "<tt:Tracks><tt:Track><tt:TrackToken>VIDEO001</tt:TrackToken><tt:Configuration><tt:TrackType>Video"
        "</tt:TrackType><tt:Description>v</tt:Description></tt:Configuration></tt:Track><tt:Track><tt:TrackToken>"
        "AUDIO001</tt:TrackToken></tt:Track></tt:Tracks></trc:RecordingItem><trc:RecordingItem><tt:RecordingToken>"
        "Rec_100</tt:RecordingToken></trc:RecordingItem></trc:GetRecordingsResponse>"),
     {{"RecordingItem/0/Configuration/Source/Name", "\"CAM 1\""},
      {"RecordingItem/0/Configuration/MaximumRetentionTime", "\"P7D\""},
      {"RecordingItem/0/Tracks/Track/0/Configuration/TrackType", "\"Video\""},
      {"RecordingItem/0/Tracks/Track/1/TrackToken", "\"AUDIO001\""},
      {"RecordingItem/1/RecordingToken", "\"Rec_100\""}}},
    {"RecordingControl", "CreateRecording",
     R"({"RecordingConfiguration":{"Source":{"SourceId":"rtsp://cam2","Name":"CAM 2"},"Content":"c",
        "MaximumRetentionTime":"PT0S"}})",
     "trc:CreateRecording", {{"SourceId", "rtsp://cam2"}, {"Name", "CAM 2"}, {"Content", "c"}, {"MaximumRetentionTime", "PT0S"}},
     ns("<trc:CreateRecordingResponse><trc:RecordingToken>Rec_200</trc:RecordingToken></trc:CreateRecordingResponse>"),
     {{"RecordingToken", "\"Rec_200\""}}},
    {"RecordingControl", "DeleteRecording", R"({"RecordingToken":"Rec_200"})", "trc:DeleteRecording",
     {{"RecordingToken", "Rec_200"}}, ns("<trc:DeleteRecordingResponse/>"), {}},
    {"RecordingControl", "CreateRecordingJob", kJobRequest, "trc:CreateRecordingJob",
     {{"RecordingToken", "Rec_000"}, {"Mode", "Idle"}, {"Priority", "2"}, {"Token", "MediaProfile000"},
      {"AutoCreateReceiver", "false"}, {"Destination", "VIDEO001"}},
     ns("<trc:CreateRecordingJobResponse><trc:JobToken>Job_1</trc:JobToken><trc:JobConfiguration>" + kJobConfiguration +
        "</trc:JobConfiguration></trc:CreateRecordingJobResponse>"),
     [] {
         auto r = kJobResult;
         r.push_back({"JobToken", "\"Job_1\""});
         return r;
     }()},
    {"RecordingControl", "DeleteRecordingJob", R"({"JobToken":"Job_1"})", "trc:DeleteRecordingJob",
     {{"JobToken", "Job_1"}}, ns("<trc:DeleteRecordingJobResponse/>"), {}},
    {"RecordingControl", "GetRecordingJobs", "{}", "trc:GetRecordingJobs", {},
     ns("<trc:GetRecordingJobsResponse><trc:JobItem><tt:JobToken>Job_1</tt:JobToken><tt:JobConfiguration>" +
        kJobConfiguration + "</tt:JobConfiguration></trc:JobItem></trc:GetRecordingJobsResponse>"),
     {{"JobItem/0/JobToken", "\"Job_1\""},
      {"JobItem/0/JobConfiguration/Source/0/SourceToken/Token", "\"MediaProfile000\""},
      {"JobItem/0/JobConfiguration/Source/0/Tracks/0/SourceTag", "\"V\""}}},
    {"RecordingControl", "SetRecordingJobConfiguration",
     R"({"JobToken":"Job_1","JobConfiguration":{"RecordingToken":"Rec_000","Mode":"Active"}})",
     "trc:SetRecordingJobConfiguration", {{"JobToken", "Job_1"}, {"Mode", "Active"}, {"Priority", "<absent>"}},
     ns("<trc:SetRecordingJobConfigurationResponse><trc:JobConfiguration>" + kJobConfiguration +
        "</trc:JobConfiguration></trc:SetRecordingJobConfigurationResponse>"),
     kJobResult},
    {"RecordingControl", "GetRecordingJobConfiguration", R"({"JobToken":"Job_1"})", "trc:GetRecordingJobConfiguration",
     {{"JobToken", "Job_1"}},
     ns("<trc:GetRecordingJobConfigurationResponse><trc:JobConfiguration>" + kJobConfiguration +
        "</trc:JobConfiguration></trc:GetRecordingJobConfigurationResponse>"),
     kJobResult},
    {"RecordingControl", "SetRecordingJobMode", R"({"JobToken":"Job_1","Mode":"Idle"})", "trc:SetRecordingJobMode",
     {{"JobToken", "Job_1"}, {"Mode", "Idle"}}, ns("<trc:SetRecordingJobModeResponse/>"), {}},
    {"RecordingControl", "GetRecordingJobState", R"({"JobToken":"Job_1"})", "trc:GetRecordingJobState",
     {{"JobToken", "Job_1"}},
     ns("<trc:GetRecordingJobStateResponse><trc:State><tt:RecordingToken>Rec_000</tt:RecordingToken>"
        "<tt:State>Active</tt:State><tt:Sources><tt:SourceToken Type=\"http://www.onvif.org/ver10/schema/Profile\">"
        "<tt:Token>MediaProfile000</tt:Token></tt:SourceToken><tt:State>Active</tt:State><tt:Tracks><tt:Track>"
        "<tt:SourceTag>V</tt:SourceTag><tt:Destination>VIDEO001</tt:Destination><tt:State>Active</tt:State>"
        "</tt:Track></tt:Tracks></tt:Sources></trc:State></trc:GetRecordingJobStateResponse>"),
     {{"State/State", "\"Active\""}, {"State/Sources/0/SourceToken/Token", "\"MediaProfile000\""},
      {"State/Sources/0/State", "\"Active\""}, {"State/Sources/0/Tracks/0/Destination", "\"VIDEO001\""}}},
    {"RecordingControl", "GetRecordingOptions", R"({"RecordingToken":"Rec_000"})", "trc:GetRecordingOptions",
     {{"RecordingToken", "Rec_000"}},
     ns("<trc:GetRecordingOptionsResponse><trc:Options><tt:Job Spare=\"2\" CompatibleSources=\"MediaProfile000\"/>"
        "<tt:Track SpareTotal=\"3\" SpareVideo=\"1\" SpareAudio=\"1\" SpareMetadata=\"1\"/></trc:Options>"
        "</trc:GetRecordingOptionsResponse>"),
     {{"Options/Job/Spare", "\"2\""}, {"Options/Job/CompatibleSources", "\"MediaProfile000\""},
      {"Options/Track/SpareMetadata", "\"1\""}}},
    {"RecordingControl", "SetRecordingConfiguration",
     R"({"RecordingToken":"Rec_000","RecordingConfiguration":{"Content":"new","MaximumRetentionTime":"P1D"}})",
     "trc:SetRecordingConfiguration", {{"RecordingToken", "Rec_000"}, {"Content", "new"}, {"SourceId", "<absent>"}},
     ns("<trc:SetRecordingConfigurationResponse/>"), {}},
    {"RecordingControl", "GetRecordingConfiguration", R"({"RecordingToken":"Rec_000"})",
     "trc:GetRecordingConfiguration", {{"RecordingToken", "Rec_000"}},
     ns("<trc:GetRecordingConfigurationResponse><trc:RecordingConfiguration><tt:Source><tt:Address>"
        "http://192.168.1.64/onvif</tt:Address></tt:Source><tt:Content>main</tt:Content>"
        "</trc:RecordingConfiguration></trc:GetRecordingConfigurationResponse>"),
     {{"RecordingConfiguration/Source/Address", "\"http://192.168.1.64/onvif\""},
      {"RecordingConfiguration/Content", "\"main\""}, {"RecordingConfiguration/MaximumRetentionTime", "null"}}},
    {"RecordingControl", "CreateTrack",
     R"({"RecordingToken":"Rec_000","TrackConfiguration":{"TrackType":"Metadata","Description":"md"}})",
     "trc:CreateTrack", {{"RecordingToken", "Rec_000"}, {"TrackType", "Metadata"}, {"Description", "md"}},
     ns("<trc:CreateTrackResponse><trc:TrackToken>META001</trc:TrackToken></trc:CreateTrackResponse>"),
     {{"TrackToken", "\"META001\""}}},
    {"RecordingControl", "DeleteTrack", R"({"RecordingToken":"Rec_000"})", "trc:DeleteTrack",
     {{"RecordingToken", "Rec_000"}, {"TrackToken", "<absent>"}}, ns("<trc:DeleteTrackResponse/>"), {}},
    {"RecordingControl", "GetTrackConfiguration", R"({"RecordingToken":"Rec_000","TrackToken":"VIDEO001"})",
     "trc:GetTrackConfiguration", {{"TrackToken", "VIDEO001"}},
     ns("<trc:GetTrackConfigurationResponse><trc:TrackConfiguration><tt:TrackType>Video</tt:TrackType>"
        "<tt:Description>v</tt:Description></trc:TrackConfiguration></trc:GetTrackConfigurationResponse>"),
     {{"TrackConfiguration/TrackType", "\"Video\""}, {"TrackConfiguration/Description", "\"v\""}}},
    {"RecordingControl", "SetTrackConfiguration",
     R"({"RecordingToken":"Rec_000","TrackToken":"VIDEO001","TrackConfiguration":{"Description":"front"}})",
     "trc:SetTrackConfiguration", {{"TrackToken", "VIDEO001"}, {"Description", "front"}, {"TrackType", "<absent>"}},
     ns("<trc:SetTrackConfigurationResponse/>"), {}},
    {"RecordingControl", "Capabilities", "{}", "trc:GetServiceCapabilities", {},
     ns("<trc:GetServiceCapabilitiesResponse><trc:Capabilities DynamicRecordings=\"true\" DynamicTracks=\"False\" "
        "Encoding=\"H264 G711\" MaxRecordings=\"16\" MaxRecordingJobs=\"16\"/></trc:GetServiceCapabilitiesResponse>"),
     {{"Capabilities/DynamicRecordings", "true"}, {"Capabilities/DynamicTracks", "false"},
      {"Capabilities/Encoding", "\"H264 G711\""}, {"Capabilities/MaxRecordings", "\"16\""},
      {"Capabilities/MaxRate", "null"}}},
};

class RecordingRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(RecordingRows, SendsTheRequestAndReadsTheAnswer)
{
    expectRowSendsAndReads(GetParam());
}

TEST_P(RecordingRows, FailsWhenTheAnswerLacksTheResponseElement)
{
    expectRowFailsWithoutResponse(GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllCommands, RecordingRows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RowCase>& info) {
                             return std::string(info.param.service) + "_" + info.param.command;
                         });

TEST(RecordingRowsCoverage, EveryCommandOfTheThreeServicesHasExactlyOneCase)
{
    const COnvifReplayCtl replay(mediaLogin());
    const COnvifRecordingResearch search(mediaLogin());
    const COnvifRecordingCtl control(mediaLogin());
    std::multiset<std::string> covered;
    for (const RowCase& c : kCases)
        covered.insert(std::string(c.service) + "/" + c.command);
    size_t commands = 0;
    for (const COnvifProtoCore* service : {static_cast<const COnvifProtoCore*>(&replay),
                                           static_cast<const COnvifProtoCore*>(&search),
                                           static_cast<const COnvifProtoCore*>(&control)}) {
        for (const COnvifOperationTable* table : service->getOperationTables()) {
            for (const std::string& command : table->commands()) {
                EXPECT_EQ(1u, covered.count(std::string(service->getServiceName()) + "/" + command)) << command;
                ++commands;
            }
        }
    }
    EXPECT_EQ(36u, commands);
    EXPECT_EQ(covered.size(), commands);
}

// ---- rules of the messages that nest deeper than a field list ---------------------------

TEST(RecordingRules, ReplayAddressRequestCarriesTheStreamSetupEvenWhenEmpty)
{
    Exchange ex = runCommand("ReplayControl", "GetReplayUri", "{}",
                             ns("<trp:GetReplayUriResponse><trp:Uri>rtsp://x/r</trp:Uri></trp:GetReplayUriResponse>"));
    ASSERT_EQ(0, ex.ret);
    EXPECT_NE(std::string::npos,
              ex.body().find("<trp:StreamSetup><tt:Stream/><tt:Transport><tt:Protocol/></tt:Transport>"
                             "</trp:StreamSetup><trp:RecordingToken/>"))
        << ex.body();
}

// Recordings in order, an empty one left out; sources with their type when given.
TEST(RecordingRules, ScopeListsGoOutInOrder)
{
    Exchange ex = runCommand(
        "RecordingSearch", "FindRecordings",
        R"({"Scope":{"IncludedSources":[{"Token":"P0"},{"Token":"P1","Type":"T"}],"IncludedRecordings":["R1","","R2"]}})",
        ns("<tse:FindRecordingsResponse><tse:SearchToken>S</tse:SearchToken></tse:FindRecordingsResponse>"));
    ASSERT_EQ(0, ex.ret);
    EXPECT_EQ((std::vector<std::string>{"P0", "P1"}), elementTexts(ex.body(), "Token"));
    EXPECT_EQ((std::vector<std::string>{"R1", "R2"}), elementTexts(ex.body(), "IncludedRecordings"));
    EXPECT_NE(std::string::npos, ex.body().find("<tse:Scope><tt:IncludedSources><tt:Token>P0</tt:Token>"
                                                "</tt:IncludedSources><tt:IncludedSources Type=\"T\">"))
        << ex.body();
}

TEST(RecordingRules, ResultsWithoutRecordingsGiveOnlyTheState)
{
    Exchange ex = runCommand("RecordingSearch", "GetRecordingSearchResults", R"({"SearchToken":"S"})",
                             ns("<tse:GetRecordingSearchResultsResponse><tse:ResultList><tt:SearchState>Searching"
                                "</tt:SearchState></tse:ResultList></tse:GetRecordingSearchResultsResponse>"));
    ASSERT_EQ(0, ex.ret);
    EXPECT_EQ(parseJson(R"({"ResultList":{"SearchState":"Searching"}})"), ex.rsp);
}

TEST(RecordingRules, EveryJobOfTheListKeepsItsOwnSources)
{
    const std::string job2 =
        "<trc:JobItem><tt:JobToken>Job_2</tt:JobToken><tt:JobConfiguration><tt:RecordingToken>Rec_100"
        "</tt:RecordingToken><tt:Source><tt:SourceToken><tt:Token>MediaProfile100</tt:Token></tt:SourceToken>"
        "</tt:Source></tt:JobConfiguration></trc:JobItem>";
    Exchange ex = runCommand("RecordingControl", "GetRecordingJobs", "{}",
                             ns("<trc:GetRecordingJobsResponse><trc:JobItem><tt:JobToken>Job_1</tt:JobToken>"
                                "<tt:JobConfiguration>" + kJobConfiguration + "</tt:JobConfiguration></trc:JobItem>" +
                                job2 + "</trc:GetRecordingJobsResponse>"));
    ASSERT_EQ(0, ex.ret);
    ASSERT_EQ(2u, ex.rsp["JobItem"].size());
    EXPECT_EQ("MediaProfile000", at(ex.rsp, "JobItem/0/JobConfiguration/Source/0/SourceToken/Token").asString());
    EXPECT_EQ(2u, at(ex.rsp, "JobItem/0/JobConfiguration/Source/0/Tracks").size());
    EXPECT_EQ("Job_2", at(ex.rsp, "JobItem/1/JobToken").asString());
    EXPECT_EQ("MediaProfile100", at(ex.rsp, "JobItem/1/JobConfiguration/Source/0/SourceToken/Token").asString());
    EXPECT_TRUE(at(ex.rsp, "JobItem/1/JobConfiguration/Source/0/Tracks").isNull());
}

TEST(RecordingRules, JobSourcesNestTheirTracks)
{
    Exchange ex = runCommand(
        "RecordingControl", "CreateRecordingJob",
        R"({"JobConfiguration":{"RecordingToken":"R","Mode":"Active","Source":[
            {"SourceToken":{"Token":"S0"},"Tracks":[{"SourceTag":"a","Destination":"A"},{"SourceTag":"b"}]},
            {"SourceToken":{"Token":"S1"},"AutoCreateReceiver":true}]}})",
        ns("<trc:CreateRecordingJobResponse><trc:JobToken>J</trc:JobToken></trc:CreateRecordingJobResponse>"));
    ASSERT_EQ(0, ex.ret);
    const std::string body = ex.body();
    EXPECT_NE(std::string::npos,
              body.find("<tt:Source><tt:SourceToken><tt:Token>S0</tt:Token></tt:SourceToken><tt:Tracks>"
                        "<tt:SourceTag>a</tt:SourceTag><tt:Destination>A</tt:Destination></tt:Tracks><tt:Tracks>"
                        "<tt:SourceTag>b</tt:SourceTag></tt:Tracks></tt:Source><tt:Source><tt:SourceToken>"
                        "<tt:Token>S1</tt:Token></tt:SourceToken><tt:AutoCreateReceiver>true</tt:AutoCreateReceiver>"
                        "</tt:Source>"))
        << body;
    // The job's own values come before its sources, as the schema orders them.
    EXPECT_LT(body.find("<tt:Mode>"), body.find("<tt:Source>"));

    Exchange bad = runCommand("RecordingControl", "CreateRecordingJob", R"({"JobConfiguration":{"Source":"S0"}})",
                              ns("<trc:CreateRecordingJobResponse/>"));
    EXPECT_EQ(-1, bad.ret);
    EXPECT_TRUE(bad.requests.empty());
}

} // namespace
