// The finder's recording search: the device lists its recordings of the stream's source,
// and the first one of the asked channel and stream that overlaps the span becomes the file.
#include "Components/MediaFileFind/OnvifMediaFileFind.h"
#include "OnvifFramework/FunctionScripts/OnvifRecordingScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

namespace {
// What a recorder reports for a recording that holds nothing.
const char kEpoch[] = "1970-01-01T00:00:00Z";
} // namespace

bool COnvifMediaFileFind::getRecordingSource(const std::string& recordingToken, std::string& sourceToken)
{
    if (m_recordingJobs.isNull()) {
        Json::Value request(Json::objectValue);
        Json::Value result(Json::objectValue);
        if (!recordingOp(*m_serverInfo, "GetRecordingJobs", request, result)) {
            ONVIF_LOG(LOG_WARN, "getRecordingJobs fail\n");
            return false;
        }
        m_recordingJobs = result["JobItem"];
    }
    if (!m_recordingJobs.isArray() || m_recordingJobs.empty()) {
        ONVIF_LOG(LOG_WARN, "getRecordingJobs is Null\n");
        return false;
    }
    for (const Json::Value& job : m_recordingJobs) {
        if (textOr(job, "JobConfiguration.RecordingToken", "") != recordingToken)
            continue;
        const Json::Value* sources = findKey(job, "JobConfiguration.Source");
        if (sources && sources->isArray() && !sources->empty()) {
            sourceToken = textOr((*sources)[0], "SourceToken.Token", "");
            return !sourceToken.empty();
        }
    }
    return false;
}

bool COnvifMediaFileFind::lookupRecordingsRecord(SSearch& search, std::vector<Json::Value>& files)
{
    static const SSearchSteps kSteps = {"FindRecordings", "COnvifMediaFileFind::search findRecordings fail",
                                        "GetRecordingSearchResults", "RecordingInformation",
                                        "getRecordingsSearchResults fail"};
    Json::Value request(Json::objectValue);
    request["Scope"] = search.scope;
    request["KeepAliveTime"] = "PT30S";
    Json::Value page;
    if (!runSearch(kSteps, request, false, page)) {
        ONVIF_LOG(LOG_WARN, "getResult failed,searchResultInfo = \n%s\n", page.toStyledString().c_str());
        return false;
    }
    const Json::Value* entries = findKey(page, "ResultList.RecordingInformation");
    if (!entries || !entries->isArray())
        return true;
    bool anyProfileSource = false;
    int previousChannel = -1, previousStream = -1;
    const Json::Value* last = nullptr;
    for (const Json::Value& entry : *entries) {
        const std::string recording = textOr(entry, "RecordingToken", "");
        const std::string earliest = textOr(entry, "EarliestRecording", "");
        const std::string latest = textOr(entry, "LatestRecording", "");
        if (earliest == kEpoch && latest == kEpoch)
            continue;
        last = &entry;
        std::string source;
        int channel = 0, stream = 0;
        if (!getRecordingSource(recording, source) || !parseSourceToken(source, channel, stream))
            continue;
        anyProfileSource = true;
        if (channel == previousChannel && stream == previousStream)
            continue;
        previousChannel = channel;
        previousStream = stream;
        if (channel != search.channel || (!search.videoStream.empty() && streamName(stream) != search.videoStream))
            continue;
        Json::Value record;
        if (makeRecord(search, recording, earliest, latest, streamName(stream), channel, record)) {
            files.push_back(record);
            return true;
        }
    }
    // A device that does not name its sources by profile: its last recording stands for the
    // device's one channel.
    Json::Value record;
    if (!anyProfileSource && last &&
        makeRecord(search, textOr(*last, "RecordingToken", ""), textOr(*last, "EarliestRecording", ""),
                   textOr(*last, "LatestRecording", ""), streamName(0), 0, record)) {
        search.channel = 0;
        files.push_back(record);
    }
    return true;
}

} // namespace Onvif
} // namespace RPC
