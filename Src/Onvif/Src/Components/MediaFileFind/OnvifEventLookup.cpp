// The finder's event search: the device's history of recording state changes over the span,
// each start opening a file and each stop closing it; and the family of devices that keep a
// recording per camera and are searched by the camera's address.
#include <cctype>

#include "Components/MediaFileFind/OnvifFileFindTimes.h"
#include "Components/MediaFileFind/OnvifMediaFileFind.h"
#include "OnvifFramework/FunctionScripts/OnvifRecordingScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

using namespace FileFindTimes;

namespace {

bool isTrueText(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text == "true" || text == "1";
}

// The data item of a state event: "IsRecording" for recording history; motion history
// ("State", "IsMotion") for the devices searched by camera address.
bool stateOf(const Json::Value& result, bool anyStateItem, bool& on)
{
    const std::string name = textOr(result, "Event.Message.Message.Data.SimpleItem.Name", "");
    const bool wanted = name == "IsRecording" || (anyStateItem && (name == "State" || name == "IsMotion"));
    if (wanted)
        on = isTrueText(textOr(result, "Event.Message.Message.Data.SimpleItem.Value", ""));
    return wanted;
}

} // namespace

// In local time a file crossing the end of daylight saving would run through the hour that
// is lived twice: it is split there, so each part reads forwards.
void COnvifMediaFileFind::saveRecordFile(const SSearch& search, const std::string& recordingToken,
                                         const std::string& fromUtc, const std::string& toUtc,
                                         std::vector<Json::Value>& files)
{
    time_t from = 0, to = 0, dstEnd = 0;
    Json::Value record;
    if (search.findType == kFindLocal && !search.zone.isNull() && dstEndUtc(search.zone, dstEnd) &&
        parseUtcText(fromUtc, from) && parseUtcText(toUtc, to) && from < dstEnd && dstEnd < to) {
        ONVIF_LOG(LOG_INFO, "to DST split, dstUtcEndSec[%ld], file strat[%s]-[%ld], end[%s]-[%ld]!\n",
                  static_cast<long>(dstEnd), fromUtc.c_str(), static_cast<long>(from), toUtc.c_str(),
                  static_cast<long>(to));
        if (makeRecord(search, recordingToken, fromUtc, utcText(dstEnd - 1), search.videoStream, search.channel,
                       record))
            files.push_back(record);
        if (makeRecord(search, recordingToken, utcText(dstEnd), toUtc, search.videoStream, search.channel, record))
            files.push_back(record);
        return;
    }
    if (makeRecord(search, recordingToken, fromUtc, toUtc, search.videoStream, search.channel, record))
        files.push_back(record);
}

bool COnvifMediaFileFind::lookupEventsRecord(SSearch& search, std::vector<Json::Value>& files)
{
    Json::Value request(Json::objectValue);
    request["StartPoint"] = search.startPoint;
    request["EndPoint"] = search.endPoint;
    request["Scope"] = search.scope;
    if (search.ruiWang)
        request["SearchFilter"] = "VideoMotion";
    request["IncludeStartState"] = true;
    request["KeepAliveTime"] = "PT30S";
    static const SSearchSteps kSteps = {"FindEvents", "COnvifMediaFileFind::search  findEvents fail",
                                        "GetEventSearchResults", "Result", "getEventSearchResults fail"};
    Json::Value page;
    if (!runSearch(kSteps, request, search.ruiWang, page))
        return false;
    const Json::Value* results = findKey(page, "ResultList.Result");
    if (!results || !results->isArray())
        return true;
    std::string openFrom;
    std::string openRecording;
    for (const Json::Value& result : *results) {
        bool on = false;
        if (!stateOf(result, search.ruiWang, on))
            continue;
        const std::string time = textOr(result, "Time", "");
        const std::string recording = textOr(result, "RecordingToken", "");
        if (on) {
            if (openFrom.empty()) {
                openFrom = time;
                openRecording = recording;
            }
            continue;
        }
        // A stop without its start: the recording was on when the span began.
        saveRecordFile(search, recording, openFrom.empty() ? search.startPoint : openFrom, time, files);
        openFrom.clear();
    }
    // Still recording when the history ends: the file runs to the end of the span.
    if (!openFrom.empty())
        saveRecordFile(search, openRecording, openFrom, search.endPoint, files);
    return true;
}

bool COnvifMediaFileFind::searchRuiWangFile(const Json::Value& condition, SSearch& search,
                                            std::vector<Json::Value>& files)
{
    const std::string address = condition["IPAddress"].isString() ? condition["IPAddress"].asString() : "";
    ONVIF_LOG(LOG_INFO, "to search strIPAddress:[%s]\n", address.c_str());
    Json::Value request(Json::objectValue);
    Json::Value recordings(Json::objectValue);
    if (!recordingOp(*m_serverInfo, "GetRecordings", request, recordings))
        return false;
    std::string recording;
    const Json::Value& items = recordings["RecordingItem"];
    for (Json::ArrayIndex i = 0; items.isArray() && i < items.size() && recording.empty(); ++i) {
        const std::string described = textOr(items[i], "Configuration.Source.Description", "");
        ONVIF_LOG(LOG_INFO, "index = %d, strIPTempAddress[%s]!!!\n", static_cast<int>(i), described.c_str());
        if (!address.empty() && described == address)
            recording = textOr(items[i], "RecordingToken", "");
    }
    if (recording.empty()) {
        ONVIF_LOG(LOG_WARN, "COnvifMediaFileFind::findFile invaild ip<%s>\n", address.c_str());
        return false;
    }
    search.videoStream = streamName(0);
    search.scope = Json::Value(Json::objectValue);
    search.scope["IncludedRecordings"].append(recording);
    search.ruiWang = true;
    return lookupEventsRecord(search, files);
}

} // namespace Onvif
} // namespace RPC
