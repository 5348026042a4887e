// The simulated recorder's recordings: its search service (searches that queue, page and
// expire, recording-state event histories), its replay addresses and its recording control.
#include <gtest/gtest.h>


#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "RecorderTestDevice.h"
#include "SimTestClient.h"

using namespace SimTest;

namespace {

const char kSearch[] = "http://www.onvif.org/ver10/search/wsdl";
const char kReplay[] = "http://www.onvif.org/ver10/replay/wsdl";
const char kRecording[] = "http://www.onvif.org/ver10/recording/wsdl";

class RecorderSim : public ::testing::Test {
protected:
    void SetUp() override { start(FixedRecorderDescription()); }

    void start(const Json::Value& json)
    {
        OnvifSim::SetLogEnabled(false);
        m_device = StartDevice(m_server, json);
        ASSERT_TRUE(m_device);
    }

    pugi::xml_node call(const char* ns, const char* service, const std::string& operation,
                        const std::string& inner = "", const char* user = "admin", const char* password = "admin123")
    {
        CReply reply = Post(m_device->serviceUrl(service), Call(ns, operation, inner), DigestAs(user, password));
        m_last = reply.body;
        m_status = reply.status;
        m_doc.reset();
        ParseXml(reply.body, m_doc);
        return m_doc.document_element();
    }
    pugi::xml_node search(const std::string& operation, const std::string& inner = "")
    {
        return call(kSearch, "search", operation, inner);
    }
    std::string token(const std::string& findOperation, const std::string& inner)
    {
        return Text(search(findOperation, inner), "SearchToken");
    }
    std::vector<std::string> texts(const char* local)
    {
        std::vector<std::string> out;
        for (pugi::xpath_node n : m_doc.select_nodes(("//*[local-name()='" + std::string(local) + "']").c_str()))
            out.push_back(n.node().text().get());
        return out;
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    pugi::xml_document m_doc;
    std::string m_last;
    long m_status = 0;
};

TEST_F(RecorderSim, RecordingSearchQueuesThenPagesThenCompletes)
{
    const std::string t = token("FindRecordings", "<m:KeepAliveTime>PT10S</m:KeepAliveTime>");
    ASSERT_FALSE(t.empty()) << m_last;
    const std::string poll = "<m:SearchToken>" + t + "</m:SearchToken><m:MaxResults>3</m:MaxResults>";
    // Two polls go by before the first results (the description's resultsAfterPolls).
    const char* expected[][2] = {{"Queued", "0"}, {"Searching", "0"}, {"Searching", "3"}, {"Completed", "1"}};
    for (const auto& e : expected) {
        search("GetRecordingSearchResults", poll);
        EXPECT_EQ(e[0], Text(m_doc, "SearchState")) << m_last;
        EXPECT_EQ(std::stoul(e[1]), texts("RecordingInformation").size()) << m_last;
    }
    search("GetSearchState", "<m:SearchToken>" + t + "</m:SearchToken>");
    EXPECT_EQ("Completed", Text(m_doc, "State"));
    search("EndSearch", "<m:SearchToken>" + t + "</m:SearchToken>");
    EXPECT_FALSE(Text(m_doc, "Endpoint").empty()) << m_last;
    search("GetRecordingSearchResults", poll);
    EXPECT_EQ((std::vector<std::string>{"InvalidArgVal", "InvalidToken"}), FaultSubcodes(m_last));
}

TEST_F(RecorderSim, RecordingInformationSpansTheHistoryAndNamesTheSource)
{
    const std::string t = token("FindRecordings", "<m:Scope><t:IncludedSources><t:Token>MediaProfile101</t:Token>"
                                                  "</t:IncludedSources></m:Scope>");
    for (int i = 0; i < 3; ++i)
        search("GetRecordingSearchResults", "<m:SearchToken>" + t + "</m:SearchToken>");
    EXPECT_EQ((std::vector<std::string>{"Rec_101"}), texts("RecordingToken")) << m_last;
    EXPECT_EQ("2026-03-01T00:00:00Z", Text(m_doc, "EarliestRecording"));
    EXPECT_EQ("2026-03-02T00:00:00Z", Text(m_doc, "LatestRecording"));
    EXPECT_EQ("Yard", Text(m_doc, "Name"));
    EXPECT_EQ("Recording", Text(m_doc, "RecordingStatus"));

    search("GetRecordingSummary");
    EXPECT_EQ("4", Text(m_doc, "NumberRecordings")) << m_last;
    search("GetMediaAttributes", "<m:RecordingTokens>Rec_000</m:RecordingTokens><m:Time>2026-03-01T12:00:00Z</m:Time>");
    EXPECT_EQ("1920", Text(m_doc, "Width")) << m_last;
    EXPECT_EQ("H264", Text(m_doc, "Encoding"));
    search("GetRecordingInformation", "<m:RecordingToken>Rec_999</m:RecordingToken>");
    EXPECT_EQ((std::vector<std::string>{"InvalidArgVal", "NoRecording"}), FaultSubcodes(m_last));
}

TEST_F(RecorderSim, EventHistoryReportsEachStartAndStopInTheSpan)
{
    const std::string scope = "<m:Scope><t:IncludedRecordings>Rec_000</t:IncludedRecordings></m:Scope>";
    const std::string t = token("FindEvents", "<m:StartPoint>2026-03-01T09:00:00Z</m:StartPoint>"
                                              "<m:EndPoint>2026-03-01T12:00:00Z</m:EndPoint>" + scope +
                                              "<m:IncludeStartState>true</m:IncludeStartState>");
    for (int i = 0; i < 3; ++i)
        search("GetEventSearchResults", "<m:SearchToken>" + t + "</m:SearchToken>");
    EXPECT_EQ("Completed", Text(m_doc, "SearchState")) << m_last;
    // Recording at 09:00 already (the start state), off at the gap, on again after it.
    EXPECT_EQ((std::vector<std::string>{"2026-03-01T09:00:00Z", "2026-03-01T10:00:00Z", "2026-03-01T11:00:00Z"}),
              texts("Time"));
    EXPECT_EQ((std::vector<std::string>{"true", "false", "false"}), texts("StartStateEvent"));
    std::vector<std::string> states;
    for (pugi::xpath_node n : m_doc.select_nodes("//*[local-name()='Data']/*[local-name()='SimpleItem']"))
        states.push_back(std::string(n.node().attribute("Name").value()) + "=" + n.node().attribute("Value").value());
    EXPECT_EQ((std::vector<std::string>{"IsRecording=true", "IsRecording=false", "IsRecording=true"}), states);
    EXPECT_NE(std::string::npos, m_last.find("RecordingHistory/Recording/State")) << m_last;

    // Backwards (the end before the start): the same changes, latest first, no start state.
    const std::string back = token("FindEvents", "<m:StartPoint>2026-03-01T12:00:00Z</m:StartPoint>"
                                                 "<m:EndPoint>2026-03-01T09:00:00Z</m:EndPoint>" + scope +
                                                 "<m:IncludeStartState>true</m:IncludeStartState>");
    for (int i = 0; i < 3; ++i)
        search("GetEventSearchResults", "<m:SearchToken>" + back + "</m:SearchToken>");
    EXPECT_EQ((std::vector<std::string>{"2026-03-01T11:00:00Z", "2026-03-01T10:00:00Z"}), texts("Time"));
}

TEST_F(RecorderSim, SearchesExpireAfterTheirKeepAlive)
{
    const std::string t = token("FindRecordings", "<m:KeepAliveTime>PT5S</m:KeepAliveTime>");
    search("GetRecordingSearchResults", "<m:SearchToken>" + t + "</m:SearchToken>");
    EXPECT_EQ("Queued", Text(m_doc, "SearchState"));
    m_device->jumpClock(6);
    search("GetRecordingSearchResults", "<m:SearchToken>" + t + "</m:SearchToken>");
    EXPECT_EQ((std::vector<std::string>{"InvalidArgVal", "InvalidToken"}), FaultSubcodes(m_last));
    search("FindRecordings", "<m:KeepAliveTime>soon</m:KeepAliveTime>");
    EXPECT_EQ((std::vector<std::string>{"InvalidArgVal"}), FaultSubcodes(m_last));
}

TEST_F(RecorderSim, ReplayAddressesPointAtTheRtspServer)
{
    call(kReplay, "replay", "GetReplayUri",
         "<m:StreamSetup><t:Stream>RTP-Unicast</t:Stream><t:Transport><t:Protocol>RTSP</t:Protocol></t:Transport>"
         "</m:StreamSetup><m:RecordingToken>Rec_100</m:RecordingToken>");
    EXPECT_EQ("rtsp://127.0.0.1:" + std::to_string(m_device->rtspPort()) + "/replay/Rec_100", Text(m_doc, "Uri"))
        << m_last;
    call(kReplay, "replay", "GetReplayUri",
         "<m:StreamSetup><t:Stream>RTP-Multicast</t:Stream></m:StreamSetup><m:RecordingToken>Rec_100</m:RecordingToken>");
    EXPECT_EQ((std::vector<std::string>{"InvalidArgVal", "InvalidStreamSetup"}), FaultSubcodes(m_last));
    call(kReplay, "replay", "SetReplayConfiguration",
         "<m:Configuration><t:SessionTimeout>PT2M</t:SessionTimeout></m:Configuration>");
    call(kReplay, "replay", "GetReplayConfiguration");
    EXPECT_EQ("PT120S", Text(m_doc, "SessionTimeout")) << m_last;
}

TEST_F(RecorderSim, RecordingControlCreatesJobsAndReportsTheirState)
{
    const char* rec = kRecording;
    call(rec, "recording", "CreateRecording",
         "<m:RecordingConfiguration><t:Source><t:Name>Door</t:Name><t:Description>192.168.1.70</t:Description>"
         "</t:Source><t:Content>door</t:Content><t:MaximumRetentionTime>P7D</t:MaximumRetentionTime>"
         "</m:RecordingConfiguration>",
         "viewer", "view123");
    EXPECT_EQ((std::vector<std::string>{"NotAuthorized"}), FaultSubcodes(m_last)) << "viewers only look";
    call(rec, "recording", "CreateRecording",
         "<m:RecordingConfiguration><t:Source><t:Name>Door</t:Name><t:Description>192.168.1.70</t:Description>"
         "</t:Source><t:Content>door</t:Content><t:MaximumRetentionTime>P7D</t:MaximumRetentionTime>"
         "</m:RecordingConfiguration>");
    const std::string recording = Text(m_doc, "RecordingToken");
    ASSERT_FALSE(recording.empty()) << m_last;
    call(rec, "recording", "CreateRecordingJob",
         "<m:JobConfiguration><t:RecordingToken>" + recording + "</t:RecordingToken><t:Mode>Active</t:Mode>"
         "<t:Priority>2</t:Priority><t:Source><t:SourceToken><t:Token>MediaProfile100</t:Token></t:SourceToken>"
         "</t:Source></m:JobConfiguration>");
    const std::string job = Text(m_doc, "JobToken");
    ASSERT_FALSE(job.empty()) << m_last;
    call(rec, "recording", "SetRecordingJobMode", "<m:JobToken>" + job + "</m:JobToken><m:Mode>Idle</m:Mode>");
    call(rec, "recording", "GetRecordingJobState", "<m:JobToken>" + job + "</m:JobToken>");
    // The response's State holds the job's, its source's and its track's.
    EXPECT_EQ((std::vector<std::string>{"", "Idle", "Idle", "Idle"}), texts("State")) << m_last;
    call(rec, "recording", "SetRecordingJobMode", "<m:JobToken>" + job + "</m:JobToken><m:Mode>Paused</m:Mode>");
    EXPECT_EQ((std::vector<std::string>{"InvalidArgVal", "BadMode"}), FaultSubcodes(m_last));
    call(rec, "recording", "GetRecordingJobs");
    EXPECT_EQ(5u, texts("JobToken").size()) << m_last;

    call(rec, "recording", "DeleteRecording", "<m:RecordingToken>" + recording + "</m:RecordingToken>");
    call(rec, "recording", "GetRecordingJobs");
    EXPECT_EQ(4u, texts("JobToken").size()) << "the deleted recording's job goes with it";
    call(rec, "recording", "GetRecordingJobState", "<m:JobToken>" + job + "</m:JobToken>");
    EXPECT_EQ((std::vector<std::string>{"InvalidArgVal", "NoRecordingJob"}), FaultSubcodes(m_last));
}

TEST(RecorderSimDescription, BadRecordingMembersAreRefusedWithTheirPath)
{
    struct Case {
        const char* member;
        Json::Value value;
        const char* expected;
    };
    auto items = [](int channel) {
        Json::Value list(Json::arrayValue);
        Json::Value item;
        item["channel"] = channel;
        list.append(item);
        return list;
    };
    Json::Value badGap(Json::arrayValue);
    badGap.append(Json::Value(Json::arrayValue));
    const std::vector<Case> cases = {
        {"until", "-30h", "recordings.items[0]: ends before it starts"},
        {"from", "yesterday", "recordings.from:"},
        {"gaps", badGap, "recordings.gaps[0]:"},
        {"items", items(3), "recordings.items[0].channel:"},
        {"resultsAfterPolls", -1, "recordings.resultsAfterPolls:"},
    };
    for (const Case& c : cases) {
        Json::Value json = FixedRecorderDescription();
        json["recordings"][c.member] = c.value;
        if (std::string(c.member) == "until")
            json["recordings"]["items"] = items(1);
        OnvifSim::CDeviceDescription d;
        std::string error;
        EXPECT_FALSE(OnvifSim::LoadDescription(json, d, error)) << c.member;
        EXPECT_NE(std::string::npos, error.find(c.expected)) << c.member << ": " << error;
    }
}

} // namespace
