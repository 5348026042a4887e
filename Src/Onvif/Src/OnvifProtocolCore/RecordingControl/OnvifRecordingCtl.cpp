#include "OnvifProtocolCore/RecordingControl/OnvifRecordingCtl.h"

#include <string>

#include "OnvifFramework/Utility/OnvifFieldMap.h"
#include "OnvifFramework/Utility/OnvifNamespaces.h"
#include "OnvifFramework/Utility/OnvifRecordingFields.h"

namespace RPC {
namespace Onvif {

namespace {

using namespace RecordingFields;

// ---- Requests ----------------------------------------------------------------------------

const OnvifField kRecordingTokenIn[] = {textField("RecordingToken", "./RecordingToken"), {}};
const OnvifField kTrackTokensIn[] = {textField("RecordingToken", "./RecordingToken"),
                                     textField("TrackToken", "./TrackToken"), {}};
const OnvifField kJobTokenIn[] = {textField("JobToken", "./JobToken"), {}};
const OnvifField kJobModeIn[] = {textField("JobToken", "./JobToken"), textField("Mode", "./Mode"), {}};

const OnvifField kTrackConfiguration[] = {textField("TrackType", "TrackType"),
                                          textField("Description", "Description"), {}};

struct CCreateRecordingIn : COnvifFieldMap {
    CCreateRecordingIn()
    {
        addRequest("RecordingConfiguration", "./RecordingConfiguration", {kRecordingSource, kRecordingContent});
    }
};
struct CSetRecordingIn : COnvifFieldMap {
    CSetRecordingIn()
    {
        add("", "", {kRecordingTokenIn});
        addRequest("RecordingConfiguration", "./RecordingConfiguration", {kRecordingSource, kRecordingContent});
    }
};
struct CCreateTrackIn : COnvifFieldMap {
    CCreateTrackIn()
    {
        add("", "", {kRecordingTokenIn});
        addRequest("TrackConfiguration", "./TrackConfiguration", {kTrackConfiguration});
    }
};
struct CSetTrackIn : COnvifFieldMap {
    CSetTrackIn()
    {
        add("", "", {kTrackTokensIn});
        addRequest("TrackConfiguration", "./TrackConfiguration", {kTrackConfiguration});
    }
};

// The job's own values; its sources follow from writeJobConfiguration.
const OnvifField kJobHead[] = {
    textField("RecordingToken", "RecordingToken"),
    textField("Mode", "Mode"),
    intField("Priority", "Priority"),
    {},
};
struct CCreateJobIn : COnvifFieldMap {
    CCreateJobIn() { addRequest("JobConfiguration", "./JobConfiguration", {kJobHead}); }
};
struct CSetJobIn : COnvifFieldMap {
    CSetJobIn()
    {
        add("", "", {kJobTokenIn});
        addRequest("JobConfiguration", "./JobConfiguration", {kJobHead});
    }
};

// ---- Answers -------------------------------------------------------------------------------

struct CRecordingConfigurationParts : COnvifFieldMap {
    CRecordingConfigurationParts() { add("Configuration", "Configuration", {kRecordingSource, kRecordingContent}); }
};
const OnvifField kTrackItem[] = {
    textField("TrackToken", "TrackToken"),
    textField("Configuration.TrackType", "Configuration/TrackType"),
    textField("Configuration.Description", "Configuration/Description"),
    {},
};
const OnvifField kRecordingItemHead[] = {
    textField("RecordingToken", "RecordingToken"),
    recordListField("Tracks.Track", "Tracks/Track", kTrackItem),
    {},
};
struct CRecordingsMap : COnvifFieldMap {
    CRecordingsMap()
    {
        addList("RecordingItem", "./RecordingItem", {kRecordingItemHead, fieldsOf<CRecordingConfigurationParts>()});
    }
};

struct CRecordingConfigurationMap : COnvifFieldMap {
    CRecordingConfigurationMap()
    {
        add("RecordingConfiguration", "./RecordingConfiguration", {kRecordingSource, kRecordingContent});
    }
};
struct CTrackConfigurationMap : COnvifFieldMap {
    CTrackConfigurationMap() { add("TrackConfiguration", "./TrackConfiguration", {kTrackConfiguration}); }
};

const OnvifField kRecordingTokenOut[] = {textField("RecordingToken", "./RecordingToken"), {}};
const OnvifField kTrackTokenOut[] = {textField("TrackToken", "./TrackToken"), {}};
const OnvifField kJobToken[] = {textField("JobToken", "JobToken"), {}};

struct CJobConfigurationMap : COnvifFieldMap {
    CJobConfigurationMap() { add("JobConfiguration", "./JobConfiguration", {kJobConfiguration}); }
};
struct CCreatedJobMap : COnvifFieldMap {
    CCreatedJobMap()
    {
        add("", ".", {kJobToken});
        add("JobConfiguration", "./JobConfiguration", {kJobConfiguration});
    }
};

// Jobs nest three lists deep (job, source, track), one more than a path's two slots: each
// job is read on its own, its index written into the path.
int readRecordingJobs(CSOAPMessage& response, const Json::Value&, Json::Value& rsp)
{
    const int count = response.getArraySize("./JobItem");
    if (count <= 0)
        return 0;
    Json::Value jobs(Json::arrayValue);
    for (int k = 0; k < count; ++k) {
        const std::string item = "./JobItem[" + std::to_string(k) + "]";
        COnvifFieldMap map;
        map.add("", item, {kJobToken});
        map.add("JobConfiguration", item + "/JobConfiguration", {kJobConfiguration});
        Json::Value job(Json::objectValue);
        readFields(response, map.fields(), job);
        jobs.append(job);
    }
    rsp["JobItem"] = jobs;
    return 0;
}

// A job state's tracks are items of one "Tracks" element.
const OnvifField kStateSource[] = {
    textField("SourceToken.Token", "SourceToken/Token"),
    textField("SourceToken.Type", "SourceToken/@Type"),
    textField("State", "State"),
    recordListField("Tracks", "Tracks/Track", kJobTrack),
    {},
};
const OnvifField kJobState[] = {
    textField("RecordingToken", "RecordingToken"),
    textField("State", "State"),
    recordListField("Sources", "Sources", kStateSource),
    {},
};
struct CJobStateMap : COnvifFieldMap {
    CJobStateMap() { add("State", "./State", {kJobState}); }
};

// Spare counts are attributes of the job and track options.
const OnvifField kOptions[] = {
    textField("Job.Spare", "Job/@Spare"),
    textField("Job.CompatibleSources", "Job/@CompatibleSources"),
    textField("Track.SpareTotal", "Track/@SpareTotal"),
    textField("Track.SpareVideo", "Track/@SpareVideo"),
    textField("Track.SpareAudio", "Track/@SpareAudio"),
    textField("Track.SpareMetadata", "Track/@SpareMetadata"),
    {},
};
struct COptionsMap : COnvifFieldMap {
    COptionsMap() { add("Options", "./Options", {kOptions}); }
};

const OnvifField kCapabilities[] = {
    boolField("DynamicRecordings", "@DynamicRecordings"),
    boolField("DynamicTracks", "@DynamicTracks"),
    textField("Encoding", "@Encoding"),
    textField("MaxRate", "@MaxRate"),
    textField("MaxTotalRate", "@MaxTotalRate"),
    textField("MaxRecordings", "@MaxRecordings"),
    textField("MaxRecordingJobs", "@MaxRecordingJobs"),
    textField("Options", "@Options"),
    {},
};
struct CCapabilitiesMap : COnvifFieldMap {
    CCapabilitiesMap() : COnvifFieldMap(FLAGS_ANY_CASE) { add("Capabilities", "./Capabilities", {kCapabilities}); }
};

constexpr OnvifService kTrc{"trc", Namespaces::kRecordingCtl};

OnvifOperation controlRow(const char* command, const char* operation = nullptr)
{
    return kTrc(command, operation ? operation : command).flag(OP_LOG_RESPONSE_FAIL);
}

const OnvifOperation kRows[] = {
    controlRow("GetRecordings").out(fieldsOf<CRecordingsMap>()),
    controlRow("CreateRecording").in(fieldsOf<CCreateRecordingIn>()).out(kRecordingTokenOut),
    controlRow("DeleteRecording").in(kRecordingTokenIn),
    controlRow("CreateRecordingJob")
        .in(fieldsOf<CCreateJobIn>())
        .writes(&writeJobConfiguration)
        .out(fieldsOf<CCreatedJobMap>())
        .failText("CreateRecordingResponse fail\n"),
    controlRow("DeleteRecordingJob").in(kJobTokenIn),
    controlRow("GetRecordingJobs").reads(&readRecordingJobs),
    controlRow("SetRecordingJobConfiguration")
        .in(fieldsOf<CSetJobIn>())
        .writes(&writeJobConfiguration)
        .out(fieldsOf<CJobConfigurationMap>()),
    controlRow("GetRecordingJobConfiguration").in(kJobTokenIn).out(fieldsOf<CJobConfigurationMap>()),
    controlRow("SetRecordingJobMode").in(kJobModeIn).failText("SetRecordingJobModeResponse fail!\n"),
    controlRow("GetRecordingJobState").in(kJobTokenIn).out(fieldsOf<CJobStateMap>())
        .failText("GetRecordingJobStateResponse fail!\n"),
    controlRow("GetRecordingOptions").in(kRecordingTokenIn).out(fieldsOf<COptionsMap>())
        .failText("GetRecordingOptionsResponse fail!\n"),
    controlRow("SetRecordingConfiguration").in(fieldsOf<CSetRecordingIn>())
        .failText("SetRecordingConfigurationResponse fail!\n"),
    controlRow("GetRecordingConfiguration").in(kRecordingTokenIn).out(fieldsOf<CRecordingConfigurationMap>())
        .failText("GetRecordingConfigurationResponse fail!\n"),
    controlRow("CreateTrack").in(fieldsOf<CCreateTrackIn>()).out(kTrackTokenOut),
    controlRow("DeleteTrack").in(kTrackTokensIn),
    controlRow("GetTrackConfiguration").in(kTrackTokensIn).out(fieldsOf<CTrackConfigurationMap>()),
    controlRow("SetTrackConfiguration").in(fieldsOf<CSetTrackIn>()),
    controlRow("Capabilities", "GetServiceCapabilities").out(fieldsOf<CCapabilitiesMap>()),
};

} // namespace

const COnvifOperationTable& COnvifRecordingCtl::operationTable()
{
    static const COnvifOperationTable table(kRows);
    return table;
}

} // namespace Onvif
} // namespace RPC
