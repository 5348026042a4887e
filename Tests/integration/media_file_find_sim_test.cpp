// The recording finder as a host uses it, against the simulated recorder: the three search
// types, UTC and local spans (across the end of daylight saving), results that take several
// polls or never come, recordings of other channels and streams, devices that do not name
// their sources by profile, the family searched by camera address, and refused conditions.
#include <gtest/gtest.h>

#include <memory>

#include "Components/MediaFileFind/OnvifFileFindTimes.h"
#include "Components/MediaFileFind/OnvifMediaFileFind.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifDstRule.h"
#include "OnvifFramework/Utility/OnvifTimeZone.h"
#include "onvif_media_test_support.h"
#include "recording_sim_support.h"

using namespace RecordingTest;

namespace {

struct FinderDeleter {
    void operator()(Zentar::Storage::IMediaFileFind* f) const { f->destroy(); }
};
using FinderPtr = std::unique_ptr<Zentar::Storage::IMediaFileFind, FinderDeleter>;

Json::Value utcCondition(int channel, const char* from, const char* to, const char* stream = nullptr)
{
    Json::Value c;
    c["Channel"] = channel;
    c["StartTimeRealUTC"] = from;
    c["EndTimeRealUTC"] = to;
    if (stream)
        c["VideoStream"] = stream;
    return c;
}

class FileFindAgainstRecorder : public RecorderFixture {
protected:
    FinderPtr finder()
    {
        Zentar::Component::CClientContextScope scope(m_client, 1);
        auto* f = dynamic_cast<Zentar::Storage::IMediaFileFind*>(
            Zentar::Component::getComponentInstance("MediaFileFind", "Onvif", nullptr));
        EXPECT_NE(f, nullptr);
        return FinderPtr(f);
    }

    // Every record of one search, read in batches of two.
    Json::Value find(const Json::Value& condition, bool* found = nullptr)
    {
        FinderPtr f = finder();
        // The address family pauses between polls; shortened so tests do not wait.
        if (auto* own = dynamic_cast<RPC::Onvif::COnvifMediaFileFind*>(f.get()))
            own->setRuiWangPollPauseMs(10);
        Json::Value all(Json::arrayValue);
        const bool ok = f && f->findFile(condition);
        if (found)
            *found = ok;
        if (!ok)
            return all;
        uint32_t count = 0;
        EXPECT_TRUE(f->getCount(count));
        for (Json::Value batch; f->findNextFile(2, batch) && !batch["infos"].empty();)
            for (const Json::Value& record : batch["infos"])
                all.append(record);
        EXPECT_EQ(count, all.size());
        EXPECT_TRUE(f->close());
        return all;
    }

    std::string replayUrl(const char* recording) const
    {
        return "rtsp://127.0.0.1:" + std::to_string(m_device->rtspPort()) + "/replay/" + recording;
    }
};

// "start-end" of each record (the times' clock part), or the URL's recording.
std::vector<std::string> spans(const Json::Value& records, const char* startKey, const char* endKey)
{
    std::vector<std::string> out;
    for (const Json::Value& r : records)
        out.push_back(r[startKey].asString() + "/" + r[endKey].asString());
    return out;
}

TEST_F(FileFindAgainstRecorder, EverySearchTypeFindsTheHistoryOfTheStream)
{
    startRecorder(ShippedRecorder());
    const struct {
        int searchType;
        std::vector<std::string> spans;
        const char* why;
    } cases[] = {
        // The recording search knows the recording, not its gap.
        {1, {"2026-03-01T09:00:00Z/2026-03-01T12:00:00Z"}, "recordings"},
        {0, {"2026-03-01T09:00:00Z/2026-03-01T10:00:00Z", "2026-03-01T11:00:00Z/2026-03-01T12:00:00Z"}, "events"},
        {2, {"2026-03-01T09:00:00Z/2026-03-01T10:00:00Z", "2026-03-01T11:00:00Z/2026-03-01T12:00:00Z"},
         "events first"},
    };
    for (const auto& c : cases) {
        setSearchType(c.searchType);
        const Json::Value records = find(utcCondition(1, "2026-03-01T09:00:00Z", "2026-03-01T12:00:00Z", "Main"));
        EXPECT_EQ(c.spans, spans(records, "StartTimeRealUTC", "EndTimeRealUTC")) << c.why;
        for (const Json::Value& r : records) {
            EXPECT_EQ(replayUrl("Rec_100"), r["Url"].asString()) << c.why;
            EXPECT_EQ(1, r["Channel"].asInt()) << c.why;
            EXPECT_EQ("Main", r["VideoStream"].asString()) << c.why;
        }
    }
    // Without a stream every stream of the channel is searched, main first.
    setSearchType(1);
    const Json::Value both = find(utcCondition(0, "2026-03-01T09:00:00Z", "2026-03-01T12:00:00Z"));
    ASSERT_EQ(2u, both.size());
    EXPECT_EQ(replayUrl("Rec_000"), both[0]["Url"].asString());
    EXPECT_EQ("Extra1", both[1]["VideoStream"].asString());
    EXPECT_EQ(replayUrl("Rec_001"), both[1]["Url"].asString());
}

TEST_F(FileFindAgainstRecorder, EventsFirstFallsBackToRecordingsWhenTheDeviceHasNoEventSearch)
{
    startRecorder(ShippedRecorder());
    OnvifSim::CSimFault fault;
    fault.operation = "FindEvents";
    fault.kind = OnvifSim::EFaultKind::SoapFault;
    fault.code = "Receiver";
    fault.subcodes = {"ActionNotSupported"};
    m_device->addFault(fault);
    setSearchType(2);
    const Json::Value records = find(utcCondition(0, "2026-03-01T09:30:00Z", "2026-03-01T09:40:00Z", "Main"));
    EXPECT_EQ((std::vector<std::string>{"2026-03-01T09:30:00Z/2026-03-01T09:40:00Z"}),
              spans(records, "StartTimeRealUTC", "EndTimeRealUTC"));
    setSearchType(0);
    bool found = true;
    find(utcCondition(0, "2026-03-01T09:30:00Z", "2026-03-01T09:40:00Z", "Main"), &found);
    EXPECT_FALSE(found) << "events only: the failed search fails the find";
}

TEST_F(FileFindAgainstRecorder, ResultsThatTakeSeveralPolls)
{
    Json::Value json = ShippedRecorder();
    json["recordings"]["resultsAfterPolls"] = 6;
    startRecorder(json);
    setSearchType(1);
    EXPECT_EQ(1u, find(utcCondition(0, "2026-03-01T09:00:00Z", "2026-03-01T12:00:00Z", "Main")).size());
    EXPECT_EQ(7, m_device->count("GetRecordingSearchResults"));
    EXPECT_EQ(1, m_device->count("EndSearch"));
}

TEST_F(FileFindAgainstRecorder, NineEmptyRepliesEndTheSearch)
{
    Json::Value json = ShippedRecorder();
    json["recordings"]["resultsAfterPolls"] = 50;
    startRecorder(json);
    setSearchType(1);
    bool found = false;
    const Json::Value none = find(utcCondition(0, "2026-03-01T09:00:00Z", "2026-03-01T12:00:00Z", "Main"), &found);
    EXPECT_TRUE(found) << "nine empty replies end the search with what it found";
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(9, m_device->count("GetRecordingSearchResults"));
}

TEST_F(FileFindAgainstRecorder, RecordingsOfOtherChannelsAndStreamsAreSkipped)
{
    Json::Value json = ShippedRecorder();
    json["recordings"]["ignoreScope"] = true;   // the device lists everything it holds
    startRecorder(json);
    setSearchType(1);
    const Json::Value records = find(utcCondition(1, "2026-03-01T20:00:00Z", "2026-03-01T21:00:00Z", "Extra1"));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(replayUrl("Rec_101"), records[0]["Url"].asString());
    EXPECT_EQ("Extra1", records[0]["VideoStream"].asString());
}

TEST_F(FileFindAgainstRecorder, SourcesNotNamedByProfileGiveOneMainRecord)
{
    Json::Value json = ShippedRecorder();
    json["recordings"]["ignoreScope"] = true;
    Json::Value items(Json::arrayValue);
    for (int channel = 1; channel <= 2; ++channel) {
        Json::Value item;
        item["channel"] = channel;
        item["source"] = "Camera-" + std::to_string(channel);
        items.append(item);
    }
    json["recordings"]["items"] = items;
    startRecorder(json);
    setSearchType(1);
    const Json::Value records = find(utcCondition(1, "2026-03-01T20:00:00Z", "2026-03-01T21:00:00Z", "Main"));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(replayUrl("Rec_100"), records[0]["Url"].asString()) << "the last recording listed";
    EXPECT_EQ(0, records[0]["Channel"].asInt());
    EXPECT_EQ("Main", records[0]["VideoStream"].asString());
}

// Local spans in the device's zone (one hour east, European summer time) over the night
// summer time ends: the event history's file is split where the hour repeats.
TEST_F(FileFindAgainstRecorder, LocalSpansAcrossTheEndOfDaylightSaving)
{
    const int year = Zentar::Infra::CTime::getCurrentTime().getYear();
    Json::Value zone = MediaTest::parseJson(R"({"DSTEnable":true,"DSTStart":{"Month":3,"Week":5,"Wday":0,"Hour":2},
        "DSTEnd":{"Month":10,"Week":5,"Wday":0,"Hour":3}})");
    zone["TimeZone"] = RPC::Onvif::findTimeZoneByOffset(3600);
    time_t dstEnd = 0;
    ASSERT_TRUE(RPC::Onvif::FileFindTimes::dstEndUtc(zone, dstEnd));
    const std::string day = RPC::Onvif::FileFindTimes::utcText(dstEnd).substr(0, 10);
    ASSERT_EQ(std::to_string(year), day.substr(0, 4));

    Json::Value json = ShippedRecorder();
    json["recordings"]["from"] = RPC::Onvif::FileFindTimes::utcText(dstEnd - 6 * 3600);
    json["recordings"]["until"] = RPC::Onvif::FileFindTimes::utcText(dstEnd + 6 * 3600);
    json["recordings"]["gaps"] = Json::Value(Json::arrayValue);
    startRecorder(json);
    ASSERT_TRUE(RPC::Onvif::COnvifInfoCenter::instance()->setZoneAndDSTCfg(m_info, zone, true));

    Json::Value local;
    local["Channel"] = 0;
    local["VideoStream"] = "Main";
    local["StartTime"] = day + " 00:00:00";
    local["EndTime"] = day + " 05:00:00";
    setSearchType(0);
    EXPECT_EQ((std::vector<std::string>{day + " 00:00:00/" + day + " 02:59:59", day + " 02:00:00/" + day + " 05:00:00"}),
              spans(find(local), "StartTime", "EndTime"));
    setSearchType(1);
    EXPECT_EQ((std::vector<std::string>{day + " 00:00:00/" + day + " 05:00:00"}), spans(find(local), "StartTime", "EndTime"));
    // The same night in UTC: five hours from 22:00 the day before, in one piece.
    setSearchType(0);
    const std::string before = RPC::Onvif::FileFindTimes::utcText(dstEnd - 3 * 3600);
    const std::string after = RPC::Onvif::FileFindTimes::utcText(dstEnd + 3 * 3600);
    EXPECT_EQ((std::vector<std::string>{before + "/" + after}),
              spans(find(utcCondition(0, before.c_str(), after.c_str(), "Main")), "StartTimeRealUTC", "EndTimeRealUTC"));
}

TEST_F(FileFindAgainstRecorder, CamerasOfTheAddressFamilyAreFoundByTheirAddress)
{
    Json::Value json = ShippedRecorder();
    Json::Value items(Json::arrayValue);
    const char* addresses[] = {"192.168.1.64", "192.168.1.65"};
    for (int channel = 1; channel <= 2; ++channel) {
        Json::Value item;
        item["channel"] = channel;
        item["description"] = addresses[channel - 1];
        items.append(item);
    }
    json["recordings"]["items"] = items;
    startRecorder(json);
    Json::Value condition = utcCondition(0, "2026-03-01T09:00:00Z", "2026-03-01T12:00:00Z");
    condition["IPAddress"] = "192.168.1.65";
    const Json::Value records = find(condition);
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(replayUrl("Rec_100"), records[0]["Url"].asString());
    condition["IPAddress"] = "192.168.1.99";
    bool found = true;
    find(condition, &found);
    EXPECT_FALSE(found);
}

TEST_F(FileFindAgainstRecorder, RefusedConditionsSendNothing)
{
    startRecorder(ShippedRecorder());
    FinderPtr f = finder();
    uint32_t count = 0;
    Json::Value records;
    EXPECT_FALSE(f->getCount(count)) << "nothing searched yet";
    EXPECT_FALSE(f->findNextFile(5, records)) << "nothing open yet";
    const int before = m_device->requestCount();
    Json::Value noChannel = utcCondition(0, "2026-03-01T09:00:00Z", "2026-03-01T12:00:00Z");
    noChannel.removeMember("Channel");
    EXPECT_FALSE(f->findFile(noChannel));
    EXPECT_FALSE(f->findFile(utcCondition(0, "2026-03-01T12:00:00Z", "2026-03-01T09:00:00Z")));
    EXPECT_FALSE(f->findFile(utcCondition(0, "yesterday", "2026-03-01T09:00:00Z")));
    EXPECT_EQ(before, m_device->requestCount());
    EXPECT_FALSE(f->findFile(utcCondition(5, "2026-03-01T09:00:00Z", "2026-03-01T12:00:00Z"))) << "no channel 5";

    setSearchType(1);
    ASSERT_TRUE(f->findFile(utcCondition(0, "2026-03-01T09:00:00Z", "2026-03-01T12:00:00Z", "Main")));
    EXPECT_FALSE(f->findFile(utcCondition(0, "2026-03-01T09:00:00Z", "2026-03-01T12:00:00Z"))) << "not closed";
    ASSERT_TRUE(f->findNextFile(5, records));
    EXPECT_EQ(1u, records["infos"].size());
    ASSERT_TRUE(f->findNextFile(5, records));
    EXPECT_TRUE(records["infos"].empty());
    EXPECT_TRUE(f->close());
    EXPECT_FALSE(f->findNextFile(5, records));
}

} // namespace
