// What the recording finder and the playback source read from the host before anything goes
// to a device: search conditions, recording source names, playback paths and time texts.
#include <gtest/gtest.h>

#include <sstream>

#include "Components/MediaFileFind/OnvifFileFindTimes.h"
#include "Components/MediaFileFind/OnvifMediaFileFind.h"
#include "Components/RecordingStreamSource/OnvifRecordingStreamSource.h"
#include "OnvifFramework/Utility/OnvifTimeZone.h"

using RPC::Onvif::COnvifMediaFileFind;
using RPC::Onvif::COnvifRecordingStreamSource;
namespace Times = RPC::Onvif::FileFindTimes;

namespace {

Json::Value parse(const std::string& text)
{
    Json::Value v;
    std::istringstream in(text);
    EXPECT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &v, nullptr)) << text;
    return v;
}

TEST(RecordingFindCondition, FindTypeComesFromTheSpanGiven)
{
    const struct {
        const char* condition;
        int findType;
        const char* why;
    } cases[] = {
        {R"({"Channel":0,"StartTimeRealUTC":"2026-12-06T10:00:00Z","EndTimeRealUTC":"2026-12-06T11:00:00Z"})", 2, "UTC"},
        {R"({"Channel":1,"StartTime":"2026-12-06 10:00:00","EndTime":"2026-12-06 11:00:00"})", 1, "local"},
        {R"({"Channel":0,"StartTimeRealUTC":"2026-12-06T10:00:00Z","EndTimeRealUTC":"2026-12-06T11:00:00Z",
            "StartTime":"x","EndTime":"y"})", 2, "the UTC pair wins"},
        {R"({"Channel":0,"StartTime":"2026-12-06 10:00:00"})", 0, "a local start alone"},
        {R"({"Channel":0,"StartTimeRealUTC":"2026-12-06T10:00:00Z","StartTime":"2026-12-06 10:00:00"})", 0,
         "half of each pair"},
        {R"({"StartTimeRealUTC":"2026-12-06T10:00:00Z","EndTimeRealUTC":"2026-12-06T11:00:00Z"})", 0, "no channel"},
        {R"({"Channel":"0","StartTimeRealUTC":"2026-12-06T10:00:00Z","EndTimeRealUTC":"2026-12-06T11:00:00Z"})", 0,
         "channel as text"},
        {R"({"Channel":0,"StartTimeRealUTC":"2026-12-06T11:00:00Z","EndTimeRealUTC":"2026-12-06T10:00:00Z"})", 0,
         "end before start"},
        {R"({"Channel":0,"StartTimeRealUTC":"2026-12-06 10:00:00","EndTimeRealUTC":"2026-12-06T11:00:00Z"})", 0,
         "a local text in the UTC pair"},
        {R"({"Channel":0,"StartTime":"2026-02-30 10:00:00","EndTime":"2026-03-01 10:00:00"})", 0, "30 February"},
        {R"({"Channel":0,"StartTime":10,"EndTime":20})", 0, "numbers"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.findType, COnvifMediaFileFind::checkCondition(parse(c.condition))) << c.why;
}

TEST(RecordingFindCondition, SourceTokensNameChannelAndStream)
{
    const struct {
        const char* token;
        bool named;
        int channel, stream;
    } cases[] = {
        {"MediaProfile000", true, 0, 0}, {"MediaProfile001", true, 0, 1}, {"MediaProfile1502", true, 15, 2},
        {"MediaProfile7", true, 0, 7},   {"MediaProfile", false, 0, 0},   {"MediaProfile12a", false, 0, 0},
        {"Profile_101", false, 0, 0},    {"mediaprofile100", false, 0, 0}, {"MediaProfile-100", false, 0, 0},
    };
    for (const auto& c : cases) {
        int channel = -1, stream = -1;
        ASSERT_EQ(c.named, COnvifMediaFileFind::parseSourceToken(c.token, channel, stream)) << c.token;
        if (c.named) {
            EXPECT_EQ(c.channel, channel) << c.token;
            EXPECT_EQ(c.stream, stream) << c.token;
        }
    }
    EXPECT_EQ("Main", COnvifMediaFileFind::streamName(0));
    EXPECT_EQ("Extra2", COnvifMediaFileFind::streamName(2));
}

TEST(RecordingPlayPath, SpanChannelAndFormFromTheHostsPath)
{
    const struct {
        const char* path;
        bool ok;
        const char* start;
        const char* end;
        int channel;
        int type;
    } cases[] = {
        {"2026-12-06T10:00:00Z;2026-12-06T11:00:00Z;RemoteChan:3;Times", true, "2026-12-06T10:00:00Z",
         "2026-12-06T11:00:00Z", 3, COnvifRecordingStreamSource::kReplayUtc},
        {"2026-12-06 10:00:00;2026-12-06 11:00:00;RemoteChan:0;Times1", true, "2026-12-06 10:00:00",
         "2026-12-06 11:00:00", 0, COnvifRecordingStreamSource::kReplayLocal},
        // A UTC start with a local end is read as local: both must be UTC for the UTC form.
        {"2026-12-06T10:00:00Z;2026-12-06 11:00:00;RemoteChan:1", true, "2026-12-06T10:00:00Z", "2026-12-06 11:00:00",
         1, COnvifRecordingStreamSource::kReplayLocal},
        {"2026-12-06T10:00:00Z;2026-12-06T11:00:00Z", false, "", "", 0, 0},
        {"2026-12-06T10:00:00Z;Times;RemoteChan:1", false, "", "", 1, 0},
        {"", false, "", "", 0, 0},
    };
    for (const auto& c : cases) {
        COnvifRecordingStreamSource::SPlayPath p;
        ASSERT_EQ(c.ok, COnvifRecordingStreamSource::parsePlayPath(c.path, p)) << c.path;
        EXPECT_EQ(c.channel, p.channel) << c.path;
        if (!c.ok)
            continue;
        EXPECT_EQ(c.start, p.start) << c.path;
        EXPECT_EQ(c.end, p.end) << c.path;
        EXPECT_EQ(c.type, p.replayType) << c.path;
    }
}

TEST(RecordingFindTimes, DeviceTextsAreReadWhateverTheirFraction)
{
    time_t t = 0;
    ASSERT_TRUE(Times::parseUtcText("2026-12-06T10:00:00Z", t));
    EXPECT_EQ(1796551200, t);
    for (const char* same : {"2026-12-06T10:00:00.000Z", "2026-12-06T10:00:00", "2026-12-06T10:00:00.5Z"}) {
        time_t other = 0;
        EXPECT_TRUE(Times::parseUtcText(same, other)) << same;
        EXPECT_EQ(t, other) << same;
    }
    for (const char* bad : {"2026-12-06 10:00:00", "2026-12-06T10:00:00+01:00", "2026-13-06T10:00:00Z", "",
                            "2026-12-06T24:00:00Z"})
        EXPECT_FALSE(Times::parseUtcText(bad, t)) << bad;
    EXPECT_EQ("2026-12-06T10:00:00Z", Times::utcText(1796551200));
}

// A zone one hour east with the European rule: summer time from the last Sunday of March
// to the last Sunday of October, this machine's current year.
TEST(RecordingFindTimes, LocalTextsFollowTheDevicesDaylightSaving)
{
    Json::Value zone = parse(R"({"TimeZone":0,"DSTEnable":true,
        "DSTStart":{"Month":3,"Week":5,"Wday":0,"Hour":2},"DSTEnd":{"Month":10,"Week":5,"Wday":0,"Hour":3}})");
    const int index = RPC::Onvif::findTimeZoneByOffset(3600);
    ASSERT_GE(index, 0) << "no GMT+01:00 row in the zone table";
    zone["TimeZone"] = index;
    time_t end = 0;
    ASSERT_TRUE(Times::dstEndUtc(zone, end));
    const std::string endUtc = Times::utcText(end);
    EXPECT_EQ("01:00:00Z", endUtc.substr(11)) << "03:00 summer time is 01:00 UTC";
    EXPECT_EQ("-10-", endUtc.substr(4, 4));
    // The last second of summer time and the first of winter time read an hour apart.
    EXPECT_EQ("02:59:59", Times::toLocalText(Times::utcText(end - 1), &zone, false).substr(11));
    EXPECT_EQ("02:00:00", Times::toLocalText(endUtc, &zone, false).substr(11));
    EXPECT_EQ(Times::utcText(end - 3600), Times::toUtcText(endUtc.substr(0, 10) + " 02:00:00", &zone, false))
        << "the repeated hour's first pass, for the start of a span";
    EXPECT_EQ("", Times::toLocalText("not a time", &zone, false));
    Json::Value noDst = zone;
    noDst["DSTEnable"] = false;
    EXPECT_FALSE(Times::dstEndUtc(noDst, end));
}

} // namespace
