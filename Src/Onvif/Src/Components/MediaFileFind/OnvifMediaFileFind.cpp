#include "Components/MediaFileFind/OnvifMediaFileFind.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Components/MediaFileFind/OnvifFileFindTimes.h"
#include "Infra/LastError.h"
#include "Infra/Thread.h"
#include "OnvifFramework/FunctionScripts/OnvifRecordingScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifUtilities.h"

namespace RPC {
namespace Onvif {

using namespace FileFindTimes;

namespace {

const char kProfileSourceType[] = "http://www.onvif.org/ver10/schema/Profile";

// The condition's span as two texts of its find type, end not before start.
bool spanOf(const Json::Value& condition, const char* startKey, const char* endKey, bool utc)
{
    const Json::Value& a = condition[startKey];
    const Json::Value& b = condition[endKey];
    time_t from = 0, to = 0;
    if (!a.isString() || !b.isString())
        return false;
    const bool readable = utc ? parseUtcText(a.asString(), from) && parseUtcText(b.asString(), to)
                              : parseLocalText(a.asString(), from) && parseLocalText(b.asString(), to);
    return readable && from <= to;
}

} // namespace

COnvifMediaFileFind::COnvifMediaFileFind(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo)
    : m_serverInfo(std::move(serverInfo))
{
}

COnvifMediaFileFind::~COnvifMediaFileFind()
{
    m_running = false;
}

void COnvifMediaFileFind::destroy()
{
    delete this;
}

int COnvifMediaFileFind::checkCondition(const Json::Value& condition)
{
    if (!condition.isObject() || !condition["Channel"].isInt())
        return kFindRefused;
    int findType = kFindRefused;
    if (condition.isMember("StartTimeRealUTC") && condition.isMember("EndTimeRealUTC"))
        findType = spanOf(condition, "StartTimeRealUTC", "EndTimeRealUTC", true) ? kFindUtc : kFindRefused;
    else if (condition.isMember("StartTime") && condition.isMember("EndTime"))
        findType = spanOf(condition, "StartTime", "EndTime", false) ? kFindLocal : kFindRefused;
    ONVIF_LOG(LOG_INFO, "findType:%d\n", findType);
    return findType;
}

bool COnvifMediaFileFind::parseSourceToken(const std::string& token, int& channel, int& stream)
{
    static const char kPrefix[] = "MediaProfile";
    const size_t prefix = sizeof kPrefix - 1;
    if (token.compare(0, prefix, kPrefix) != 0 || token.size() == prefix || token.size() > prefix + 9)
        return false;
    for (size_t i = prefix; i < token.size(); ++i)
        if (token[i] < '0' || token[i] > '9')
            return false;
    const long n = std::strtol(token.c_str() + prefix, nullptr, 10);
    channel = static_cast<int>(n / 100);
    stream = static_cast<int>(n % 100);
    return true;
}

std::string COnvifMediaFileFind::streamName(int stream)
{
    return stream == 0 ? "Main" : "Extra" + std::to_string(stream);
}

bool COnvifMediaFileFind::findFile(const Json::Value& condition)
{
    const std::string conditionText = condition.toStyledString();
    ONVIF_LOG(LOG_INFO, "condition:%s\n", conditionText.c_str());
    const int findType = checkCondition(condition);
    {
        Zentar::Infra::CGuard guard(m_mutex);
        if (m_findOpen) {
            ONVIF_LOG(LOG_WARN, "find File process is opend,not closed\n");
            return false;
        }
        if (findType == kFindRefused) {
            ONVIF_LOG(LOG_WARN, "condition error condition:%s\n", conditionText.c_str());
            return false;
        }
        m_findOpen = true;
        m_hasResults = false;
        m_running = true;
        m_condition = condition;
        m_findType = findType;
        m_channel = condition["Channel"].asInt();
        m_files.clear();
        m_currentPos = 0;
    }
    m_replayUrls.clear();
    m_recordingJobs = Json::Value();
    std::vector<Json::Value> files;
    bool ok = false;
    if (!offersRecordingSearch()) {
        // A camera without storage: the host hears "not supported" rather than a failure.
        ONVIF_LOG(LOG_WARN, "device<%s> offers no recording search\n", m_serverInfo->address.c_str());
        Zentar::Infra::setLastError(ONVIF_ERR_NOT_SUPPORTED);
    } else if (condition.isMember("IPAddress")) {
        SSearch search;
        search.channel = m_channel;
        setSpan(search, condition, findType, deviceZone());
        ok = searchRuiWangFile(condition, search, files);
    } else {
        ok = searchFile(condition, findType, files);
    }
    Zentar::Infra::CGuard guard(m_mutex);
    if (!ok || !m_running) {
        ONVIF_LOG(LOG_WARN, "searchFile failed!\n");
        m_findOpen = false;
        m_running = false;
        return false;
    }
    m_files = std::move(files);
    m_hasResults = true;
    m_running = false;
    return true;
}

bool COnvifMediaFileFind::getCount(uint32_t& count)
{
    Zentar::Infra::CGuard guard(m_mutex);
    if (!m_hasResults) {
        ONVIF_LOG(LOG_WARN, "search process is running\n");
        return false;
    }
    count = static_cast<uint32_t>(m_files.size());
    return true;
}

bool COnvifMediaFileFind::findNextFile(uint32_t count, Json::Value& records)
{
    Zentar::Infra::CGuard guard(m_mutex);
    if (!m_findOpen) {
        ONVIF_LOG(LOG_WARN, "the find process is closed\n");
        return false;
    }
    if (!m_hasResults) {
        ONVIF_LOG(LOG_WARN, "first,using findFile,and then using findNextFile\n");
        return false;
    }
    Json::Value items(Json::arrayValue);
    while (count-- > 0 && m_currentPos < m_files.size())
        items.append(m_files[m_currentPos++]);
    records = Json::Value(Json::objectValue);
    records["infos"] = items;
    ONVIF_LOG(LOG_INFO, "m_fileNum = %u, m_currentPos= %u,items = %s\n", static_cast<unsigned>(m_files.size()),
              m_currentPos, items.toStyledString().c_str());
    return true;
}

bool COnvifMediaFileFind::close()
{
    Zentar::Infra::CGuard guard(m_mutex);
    m_running = false;
    m_findOpen = false;
    m_hasResults = false;
    m_files.clear();
    m_currentPos = 0;
    m_condition = Json::Value();
    return true;
}

bool COnvifMediaFileFind::searchFile(const Json::Value& condition, int findType, std::vector<Json::Value>& files)
{
    const int channel = condition["Channel"].asInt();
    if (channel < 0) {
        ONVIF_LOG(LOG_WARN, "Channel invalid\n");
        return false;
    }
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    Json::Value profiles(Json::objectValue);
    if (!centre->getProfile(*m_serverInfo, profiles)) {
        ONVIF_LOG(LOG_WARN, "getprofile failed,ip = %s\n", m_serverInfo->address.c_str());
        return false;
    }
    const Json::Value& channels = profiles["Profiles"];
    if (!channels.isArray() || channel >= static_cast<int>(channels.size())) {
        ONVIF_LOG(LOG_WARN, "channel error<%d>,ip = %s\n", channel, m_serverInfo->address.c_str());
        return false;
    }
    const Json::Value& streams = channels[channel];
    int first = 0;
    int size = static_cast<int>(streams.size());
    const std::string wanted = condition["VideoStream"].isString() ? condition["VideoStream"].asString() : "";
    if (wanted == "Main") {
        size = size > 0 ? 1 : 0;
    } else if (wanted.compare(0, 5, "Extra") == 0) {
        first = std::atoi(wanted.c_str() + 5);
        size = first > 0 && first < size ? 1 : 0;
    }
    ONVIF_LOG(LOG_INFO, "parser stream, iStart:%d, iSize:%d\n", first, size);

    const Json::Value zone = deviceZone();
    for (int i = first; i < first + size && running(); ++i) {
        SSearch search;
        search.channel = channel;
        search.videoStream = streamName(i);
        setSpan(search, condition, findType, zone);
        Json::Value source;
        source["Token"] = streams[i]["token"];
        source["Type"] = kProfileSourceType;
        search.scope["IncludedSources"].append(source);
        if (!searchStream(search, files))
            return false;
    }
    return true;
}

bool COnvifMediaFileFind::offersRecordingSearch()
{
    Json::Value request(Json::objectValue);
    request["ServiceAddrType"] = "Search";
    return COnvifInfoCenter::instance()->getDeviceCapsInfo(*m_serverInfo, request, true) &&
           request["XAddr"].isString() && !request["XAddr"].asString().empty();
}

Json::Value COnvifMediaFileFind::deviceZone()
{
    Json::Value zone;
    if (!COnvifInfoCenter::instance()->getZoneAndDSTCfg(*m_serverInfo, zone, true))
        return Json::Value();
    ONVIF_LOG(LOG_INFO, "cfgZoneAndDST:%s\n", zone.toStyledString().c_str());
    return zone;
}

void COnvifMediaFileFind::setSpan(SSearch& search, const Json::Value& condition, int findType,
                                  const Json::Value& zone)
{
    const bool utc = findType == kFindUtc;
    search.findType = findType;
    search.start = condition[utc ? "StartTimeRealUTC" : "StartTime"].asString();
    search.end = condition[utc ? "EndTimeRealUTC" : "EndTime"].asString();
    search.zone = zone;
    // Local spans go to the device in UTC, by the device's own zone when the host set it.
    const Json::Value* rules = zone.isNull() ? nullptr : &zone;
    search.startPoint = utc ? search.start : toUtcText(search.start, rules, false);
    search.endPoint = utc ? search.end : toUtcText(search.end, rules, true);
}

bool COnvifMediaFileFind::searchStream(SSearch& search, std::vector<Json::Value>& files)
{
    switch (COnvifBaseComm::instance()->getRecordingSearchType()) {
    case 1:
        return lookupRecordingsRecord(search, files);
    case 2: {
        // Event histories are the finer answer; devices without them still list recordings.
        const size_t before = files.size();
        if (lookupEventsRecord(search, files) && files.size() > before)
            return true;
        return lookupRecordingsRecord(search, files);
    }
    default:
        return lookupEventsRecord(search, files);
    }
}

bool COnvifMediaFileFind::runSearch(const SSearchSteps& steps, const Json::Value& request, bool pause,
                                    Json::Value& page)
{
    Json::Value find = request;
    Json::Value found(Json::objectValue);
    const std::string token =
        recordingOp(*m_serverInfo, steps.find, find, found) && found["SearchToken"].isString()
            ? found["SearchToken"].asString()
            : "";
    if (token.empty()) {
        ONVIF_LOG(LOG_WARN, "%s\n", steps.findFailLog);
        return false;
    }
    const bool answered = pollResults(steps, token, pause, page);
    endSearch(token);
    return answered;
}

bool COnvifMediaFileFind::pollResults(const SSearchSteps& steps, const std::string& token, bool pause,
                                      Json::Value& page)
{
    // Devices with nothing to report answer "Searching" for ever; this many empty pages in a
    // row end the search with nothing found.
    const int kMaxEmptyReplies = 9;
    std::string state = "Searching";
    int empty = 0;
    while (running()) {
        if (state == "Completed") {
            ONVIF_LOG(LOG_INFO, "search Completed\n");
            return true;
        }
        if (pause) {
            ONVIF_LOG(LOG_INFO, "RuiWangDevice getEventSearchResults sleep!\n");
            Zentar::Infra::CThread::sleep(m_ruiWangPauseMs);
        }
        Json::Value request(Json::objectValue);
        request["SearchToken"] = token;
        request["WaitTime"] = secondsToDuration(4);
        page = Json::Value(Json::objectValue);
        if (!recordingOp(*m_serverInfo, steps.results, request, page)) {
            ONVIF_LOG(LOG_WARN, "%s\n", steps.resultsFailLog);
            return false;
        }
        const Json::Value& reported = page["ResultList"]["SearchState"];
        if (!reported.isString()) {
            ONVIF_LOG(LOG_WARN, "onvif server response error,not conform to protocol\n");
            return false;
        }
        state = reported.asString();
        const Json::Value& list = page["ResultList"][steps.listKey];
        if (list.isArray() && !list.empty())
            return true;
        if (++empty >= kMaxEmptyReplies) {
            ONVIF_LOG(LOG_INFO, "there are not any result return\n");
            return true;
        }
    }
    return false;
}

void COnvifMediaFileFind::endSearch(const std::string& token)
{
    Json::Value request(Json::objectValue);
    request["SearchToken"] = token;
    Json::Value result(Json::objectValue);
    if (!recordingOp(*m_serverInfo, "EndSearch", request, result))
        ONVIF_LOG(LOG_INFO, "EndSearch %s not answered; the device drops it after its keep-alive\n", token.c_str());
}

bool COnvifMediaFileFind::makeRecord(const SSearch& search, const std::string& recordingToken,
                                     const std::string& fromUtc, const std::string& toUtc,
                                     const std::string& videoStream, int channel, Json::Value& record)
{
    const bool utc = search.findType == kFindUtc;
    const Json::Value* zone = search.zone.isNull() ? nullptr : &search.zone;
    const std::string from = utc ? fromUtc : toLocalText(fromUtc, zone, false);
    const std::string to = utc ? toUtc : toLocalText(toUtc, zone, true);
    time_t a = 0, b = 0, lo = 0, hi = 0;
    const bool readable = utc ? parseUtcText(from, a) && parseUtcText(to, b) && parseUtcText(search.start, lo) &&
                                    parseUtcText(search.end, hi)
                              : parseLocalText(from, a) && parseLocalText(to, b) && parseLocalText(search.start, lo) &&
                                    parseLocalText(search.end, hi);
    // Clipped to the span asked for; a recording beside it gives no record.
    if (!readable || b < lo || a > hi)
        return false;
    record = Json::Value(Json::objectValue);
    record["Url"] = buildIndextoReplayUrl(recordingToken);
    record["VideoStream"] = videoStream;
    record["Channel"] = channel;
    record[utc ? "StartTimeRealUTC" : "StartTime"] = a < lo ? search.start : from;
    record[utc ? "EndTimeRealUTC" : "EndTime"] = b > hi ? search.end : to;
    return true;
}

std::string COnvifMediaFileFind::buildIndextoReplayUrl(const std::string& recordingToken)
{
    auto it = m_replayUrls.find(recordingToken);
    if (it != m_replayUrls.end())
        return it->second;
    Json::Value request(Json::objectValue);
    request["RecordingToken"] = recordingToken;
    request["StreamSetup"]["Stream"] = "RTP-Unicast";
    request["StreamSetup"]["Transport"]["Protocol"] = "RTSP";
    std::string url;
    if (COnvifInfoCenter::instance()->getReplayUrl(url, *m_serverInfo, request))
        m_replayUrls[recordingToken] = url;
    return url;
}

} // namespace Onvif
} // namespace RPC
