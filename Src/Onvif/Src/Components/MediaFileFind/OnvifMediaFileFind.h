#pragma once
// The host's recording finder for an ONVIF recorder (or a camera with storage): a search by
// channel, stream and time span becomes one ONVIF search per stream of the channel
// (recordings, or the recording-state events of the recorder's history), whose results
// become file records, each with the replay address of its recording.
//
// The library option "RecordingSearchType" picks the search: 1 recordings, 0 events, 2 events
// and, when they give nothing, recordings. A condition with "IPAddress" searches the device
// family that keeps one recording per camera and names it by the camera's address.
//
// The ONVIF exchanges run on the calling thread without the finder's lock held; close() from
// another thread stops a search between two of them.
#include <json/json.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Component/ServerInfo.h"
#include "IMediaFileFind.h"
#include "Infra/Mutex.h"

namespace RPC {
namespace Onvif {

class COnvifMediaFileFind : public Zentar::Storage::IMediaFileFind {
public:
    explicit COnvifMediaFileFind(std::shared_ptr<const Zentar::Component::ServerInfo> serverInfo);
    ~COnvifMediaFileFind() override;

    bool findFile(const Json::Value& condition) override;
    bool findNextFile(uint32_t count, Json::Value& records) override;
    bool close() override;
    bool getCount(uint32_t& count) override;
    void destroy() override;

    // Find types of a condition.
    enum { kFindRefused = 0, kFindLocal = 1, kFindUtc = 2 };
    // The find type a condition asks for, kFindRefused when it cannot be searched.
    static int checkCondition(const Json::Value& condition);
    // "MediaProfile" followed by a decimal number n names channel n / 100, stream n % 100.
    static bool parseSourceToken(const std::string& token, int& channel, int& stream);
    // "Main" for stream 0, "Extra<n>" for stream n.
    static std::string streamName(int stream);

    // The pause between two result polls of the address-searching family (tests shorten it).
    void setRuiWangPollPauseMs(int ms) { m_ruiWangPauseMs = ms; }

    // One stream's search: what was asked, in the device's UTC and in the host's form.
    struct SSearch {
        int findType = kFindUtc;
        int channel = 0;
        std::string videoStream;     // "Main", "Extra1", ...; "" for any
        std::string startPoint;      // UTC texts sent to the device
        std::string endPoint;
        std::string start;           // the span in the condition's own form
        std::string end;
        Json::Value zone;            // the device's zone and daylight saving; null: none known
        Json::Value scope;           // "Scope" of the Find request
        bool ruiWang = false;
    };

private:
    bool searchFile(const Json::Value& condition, int findType, std::vector<Json::Value>& files);
    bool searchRuiWangFile(const Json::Value& condition, SSearch& search, std::vector<Json::Value>& files);
    bool searchStream(SSearch& search, std::vector<Json::Value>& files);
    bool offersRecordingSearch();
    // The device's zone and daylight saving as the host set them; null when it did not.
    Json::Value deviceZone();
    void setSpan(SSearch& search, const Json::Value& condition, int findType, const Json::Value& zone);

    // Recording search (OnvifRecordingLookup.cpp).
    bool lookupRecordingsRecord(SSearch& search, std::vector<Json::Value>& files);
    bool getRecordingSource(const std::string& recordingToken, std::string& sourceToken);
    // Event search (OnvifEventLookup.cpp).
    bool lookupEventsRecord(SSearch& search, std::vector<Json::Value>& files);
    void saveRecordFile(const SSearch& search, const std::string& recordingToken, const std::string& fromUtc,
                        const std::string& toUtc, std::vector<Json::Value>& files);

    // One ONVIF search: the Find operation, its results polled until the first page that
    // holds any (page is that reply, or the last one), and its end. False when the device
    // refuses the Find, fails a poll or answers out of protocol.
    struct SSearchSteps {
        const char* find;          // "FindRecordings", "FindEvents"
        const char* findFailLog;
        const char* results;       // "GetRecordingSearchResults", ...
        const char* listKey;       // the list in "ResultList"
        const char* resultsFailLog;
    };
    bool runSearch(const SSearchSteps& steps, const Json::Value& request, bool pause, Json::Value& page);
    bool pollResults(const SSearchSteps& steps, const std::string& token, bool pause, Json::Value& page);
    void endSearch(const std::string& token);

    // A file record of the search for [fromUtc, toUtc], clipped to the span asked for.
    bool makeRecord(const SSearch& search, const std::string& recordingToken, const std::string& fromUtc,
                    const std::string& toUtc, const std::string& videoStream, int channel, Json::Value& record);
    std::string buildIndextoReplayUrl(const std::string& recordingToken);
    bool running() const { return m_running.load(); }

    std::shared_ptr<const Zentar::Component::ServerInfo> m_serverInfo;

    mutable Zentar::Infra::CMutex m_mutex;
    bool m_findOpen = false;
    bool m_hasResults = false;
    std::atomic<bool> m_running{false};
    Json::Value m_condition;
    int m_findType = kFindRefused;
    int m_channel = 0;
    std::vector<Json::Value> m_files;
    uint32_t m_currentPos = 0;

    // Used by the running search only (one at a time).
    std::map<std::string, std::string> m_replayUrls;
    Json::Value m_recordingJobs;   // GetRecordingJobs of this search, asked once
    int m_ruiWangPauseMs = 500;
};

} // namespace Onvif
} // namespace RPC
