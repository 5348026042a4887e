// The pure rules of the device-query components, the time client's record conversions
// and the stream source's address handling.
#include <gtest/gtest.h>

#include <cstring>

#include "Components/DeviceQuery/OnvifEncode.h"
#include "Components/DeviceQuery/OnvifLogicDeviceManager.h"
#include "Components/DeviceQuery/OnvifMagicBox.h"
#include "Components/DeviceQuery/OnvifMediaManager.h"
#include "Components/StreamSource/OnvifStreamSource.h"
#include "Components/TimeClient/OnvifTimeClient.h"

using namespace RPC::Onvif;

namespace {

Json::Value scope(const char* text)
{
    Json::Value record(Json::objectValue);
    record["MarketAreaScope"] = text;
    return record;
}

TEST(MagicBoxMarketArea, ScopeNumbersBecomeAreas)
{
    struct Case {
        const char* scope;
        bool ok;
        int area;
    } cases[] = {
        {"onvif://www.onvif.org/extension/unique_identifier/1", true, 1},
        {"onvif://www.onvif.org/extension/unique_identifier/0", true, 0},
        {"onvif://www.onvif.org/extension/unique_identifier/7", true, 2},
        {"onvif://www.onvif.org/extension/unique_identifier/-3", true, 2},
        {"onvif://www.onvif.org/extension/unique_identifier/1a", false, 2},
        {"onvif://www.onvif.org/extension/unique_identifier/", false, 2},
        {"onvif://www.onvif.org/extension/unique_identifier/1 2", false, 2},
        {"onvif://www.onvif.org/location/country/1", false, 2},
    };
    for (const Case& c : cases) {
        int area = -1;
        EXPECT_EQ(COnvifMagicBox::marketAreaFromScope(scope(c.scope), area), c.ok) << c.scope;
        EXPECT_EQ(area, c.area) << c.scope;
    }
    int area = -1;
    EXPECT_FALSE(COnvifMagicBox::marketAreaFromScope(Json::Value(Json::objectValue), area));
    Json::Value nullScope(Json::objectValue);
    nullScope["MarketAreaScope"] = Json::Value();
    EXPECT_FALSE(COnvifMagicBox::marketAreaFromScope(nullScope, area));
}

TEST(MediaManagerTransports, OrderAndHttpsVariant)
{
    Json::Value all(Json::objectValue);
    all["RTPMulticast"] = true;
    all["RTP_RTSP_TCP"] = true;
    all["RTSPStreaming"] = true;
    const Json::Value plain = COnvifMediaManager::transportTypes(all, false);
    ASSERT_EQ(plain.size(), 4u);
    EXPECT_EQ(plain[0].asString(), "RtspMulticast");
    EXPECT_EQ(plain[1].asString(), "RTSP");
    EXPECT_EQ(plain[2].asString(), "RtspUnicast");
    EXPECT_EQ(plain[3].asString(), "RtspOverHttp");
    EXPECT_EQ(COnvifMediaManager::transportTypes(all, true)[3].asString(), "RtspOverHttps");

    Json::Value rtspOnly(Json::objectValue);
    rtspOnly["RTSPStreaming"] = "true";   // devices that answer with text are read alike
    rtspOnly["RTPMulticast"] = false;
    const Json::Value some = COnvifMediaManager::transportTypes(rtspOnly, true);
    ASSERT_EQ(some.size(), 2u);
    EXPECT_EQ(some[0].asString(), "RtspUnicast");
    EXPECT_EQ(some[1].asString(), "RtspOverHttps");
    EXPECT_EQ(COnvifMediaManager::transportTypes(Json::Value(), false).size(), 0u);
}

TEST(EncodeCaps, ExtraStreamsPerChannel)
{
    Json::Value channels(Json::arrayValue);
    channels[0].append("a");
    channels[0].append("b");
    channels[1].append("c");
    channels[2] = Json::Value(Json::arrayValue);
    const Json::Value caps = COnvifEncode::extraStreamCaps(channels);
    ASSERT_EQ(caps["VideoEncodeDevices"].size(), 3u);
    EXPECT_EQ(caps["VideoEncodeDevices"][0]["MaxExtraStream"].asInt(), 1);
    EXPECT_EQ(caps["VideoEncodeDevices"][1]["MaxExtraStream"].asInt(), 0);
    EXPECT_EQ(caps["VideoEncodeDevices"][2]["MaxExtraStream"].asInt(), 0);
}

TEST(LogicDeviceProfileSummary, KeepsOnlyWhatTheDeviceStated)
{
    Json::Value media(Json::objectValue);
    media["token"] = "p1";
    media["Name"] = "Main";
    media["VideoEncoderConfiguration"]["Encoding"] = "H264";
    media["VideoEncoderConfiguration"]["Resolution"]["Width"] = 1920;
    media["VideoEncoderConfiguration"]["Resolution"]["Height"] = 1080;
    media["VideoEncoderConfiguration"]["RateControl"]["FrameRateLimit"] = 25;
    const Json::Value full = COnvifLogicDeviceManager::profileSummary(media);
    EXPECT_EQ(full["ProfileToken"].asString(), "p1");
    EXPECT_EQ(full["Width"].asInt(), 1920);
    EXPECT_EQ(full["FrameRate"].asInt(), 25);
    EXPECT_FALSE(full.isMember("Bitrate"));

    Json::Value media2(Json::objectValue);
    media2["token"] = "p2";
    media2["VideoEncoderConfiguration"]["Encoding"] = "H265";
    const Json::Value bare = COnvifLogicDeviceManager::profileSummary(media2);
    EXPECT_EQ(bare["Encoding"].asString(), "H265");
    EXPECT_FALSE(bare.isMember("Width"));
    EXPECT_FALSE(bare.isMember("Name"));
}

// ---- time client ------------------------------------------------------------------------

Json::Value deviceClock(const char* tz, bool dst)
{
    Json::Value clock(Json::objectValue);
    clock["DaylightSavings"] = dst;
    clock["UTCDateTime"]["Date"]["Year"] = 2026;
    clock["UTCDateTime"]["Date"]["Month"] = 7;
    clock["UTCDateTime"]["Date"]["Day"] = 1;
    clock["UTCDateTime"]["Time"]["Hour"] = 12;
    clock["UTCDateTime"]["Time"]["Minute"] = 30;
    clock["UTCDateTime"]["Time"]["Second"] = 5;
    if (tz)
        clock["TimeZone"]["TZ"] = tz;
    return clock;
}

const uint64_t kJuly1st = 1782909005; // 2026-07-01T12:30:05Z

TEST(TimeClientRecords, DeviceClockToHostRecords)
{
    struct Case {
        const char* tz;
        bool ok;
        int zoneIndex;
    } cases[] = {
        {"GMT+05:30", true, 8},
        {"IST-5:30", true, 8},
        {"<+1245>-12:45", true, 39},
        {"GMT+00:30", false, 0},   // 1800 s is no zone of the host's table
        {nullptr, false, 0},       // no TZ text at all
    };
    for (const Case& c : cases) {
        COnvifTimeClient::HostTimeRecord time;
        COnvifTimeClient::HostDstRecord dst;
        EXPECT_EQ(COnvifTimeClient::fromDeviceClock(deviceClock(c.tz, false), time, dst), c.ok) << (c.tz ? c.tz : "none");
        // The seconds are filled even when the zone cannot be read.
        EXPECT_EQ(time.utcSeconds, kJuly1st);
        if (c.ok) {
            EXPECT_EQ(time.zoneIndex, c.zoneIndex);
        }
    }
}

TEST(TimeClientRecords, DaylightRulesTakeTheDeviceYearAndTheLastWeek)
{
    COnvifTimeClient::HostTimeRecord time;
    COnvifTimeClient::HostDstRecord dst;
    ASSERT_TRUE(COnvifTimeClient::fromDeviceClock(deviceClock("CET-1CEST,M3.5.0/2,M10.5.0/3", true), time, dst));
    EXPECT_EQ(time.zoneIndex, 1);
    EXPECT_EQ(time.dstInEffect, 1);
    EXPECT_EQ(dst.enable, 1);
    EXPECT_EQ(dst.start.year, 2026);
    EXPECT_EQ(dst.start.month, 3);
    EXPECT_EQ(dst.start.week, -1);   // week 5 is the month's last
    EXPECT_EQ(dst.start.hour, 2);
    EXPECT_EQ(dst.end.month, 10);
    EXPECT_EQ(dst.end.hour, 3);
}

COnvifTimeClient::HostDstRecord rules(int startWeek, int endWeek)
{
    COnvifTimeClient::HostDstRecord dst;
    std::memset(&dst, 0, sizeof dst);
    dst.start = {2026, 3, startWeek, 0, 2, 0, 0, 0};
    dst.end = {2026, 10, endWeek, 0, 3, 0, 0, 0};
    dst.enable = 1;
    return dst;
}

TEST(TimeClientRecords, ClockRequestCarriesZoneAndUsableRules)
{
    COnvifTimeClient::HostTimeRecord time;
    std::memset(&time, 0, sizeof time);
    time.utcSeconds = kJuly1st;
    time.zoneIndex = 8;
    time.dstInEffect = 1;
    Json::Value request;
    const auto lastWeek = rules(-1, 2);
    ASSERT_TRUE(COnvifTimeClient::toClockRequest(time, &lastWeek, request));
    EXPECT_EQ(request["DateTimeType"].asString(), "Manual");
    EXPECT_TRUE(request["DaylightSavings"].asBool());
    EXPECT_EQ(request["Date"]["Month"].asInt(), 7);
    EXPECT_EQ(request["Time"]["Minute"].asInt(), 30);
    EXPECT_EQ(request["Time"]["Zone"].asInt(), 19800);
    EXPECT_EQ(request["DSTStart"]["Week"].asInt(), 5);
    EXPECT_EQ(request["DSTEnd"]["Week"].asInt(), 2);
    EXPECT_TRUE(request["DSTStart"].isMember("WDay"));

    const auto weekZero = rules(0, 2);
    ASSERT_TRUE(COnvifTimeClient::toClockRequest(time, &weekZero, request));
    EXPECT_FALSE(request.isMember("DSTStart"));
    EXPECT_FALSE(request.isMember("DSTEnd"));

    time.zoneIndex = 40;
    EXPECT_FALSE(COnvifTimeClient::toClockRequest(time, nullptr, request));
}

TEST(TimeClientRecords, StoredZoneConfigurationSpellsWday)
{
    COnvifTimeClient::HostTimeRecord time;
    std::memset(&time, 0, sizeof time);
    time.zoneIndex = 13;
    time.dstInEffect = 1;
    const Json::Value on = COnvifTimeClient::zoneConfig(time, rules(-1, 1));
    EXPECT_EQ(on["TimeZone"].asInt(), 13);
    EXPECT_EQ(on["DSTEnable"].asInt(), 1);
    EXPECT_EQ(on["DSTStart"]["Week"].asInt(), 5);
    EXPECT_TRUE(on["DSTStart"].isMember("Wday"));
    EXPECT_FALSE(on["DSTStart"].isMember("WDay"));
    time.dstInEffect = 0;
    const Json::Value off = COnvifTimeClient::zoneConfig(time, rules(-1, 1));
    EXPECT_EQ(off["DSTEnable"].asInt(), 0);
    EXPECT_FALSE(off.isMember("DSTStart"));
}

// ---- stream source ------------------------------------------------------------------------

TEST(StreamSourceAddress, WebSchemesBecomeRtspWithTheirPort)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"http://10.0.0.5/media/stream1", "rtsp://10.0.0.5:80/media/stream1"},
        {"https://10.0.0.5:8443/media", "rtsp://10.0.0.5:8443/media"},
        {"https://10.0.0.5", "rtsp://10.0.0.5:443"},
        {"http://[fe80::1]/x", "rtsp://[fe80::1]:80/x"},
        {"http://[fe80::1]:8080/x", "rtsp://[fe80::1]:8080/x"},
        {"rtsp://10.0.0.5:554/a?b=c", "rtsp://10.0.0.5:554/a?b=c"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(COnvifStreamSource::rtspUrlFromDeviceUri(c.in), c.out) << c.in;
}

TEST(StreamSourceAddress, TransportsAndTheirSetup)
{
    struct Case {
        int protocol;
        const char* stream;   // nullptr: no set-up at all
        const char* transport;
    } cases[] = {
        {0, "RTP-Unicast", "RTSP"}, {1, "RTP-Unicast", "UDP"}, {3, "RTP-Multicast", "UDP"},
        {4, "RTP-Unicast", "HTTP"}, {5, "RTP-Unicast", "HTTP"}, {7, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        const Json::Value setup = COnvifStreamSource::streamSetupFor(c.protocol);
        if (!c.stream) {
            EXPECT_TRUE(setup.isNull()) << c.protocol;
            continue;
        }
        EXPECT_EQ(setup["StreamSetup"]["Stream"].asString(), c.stream) << c.protocol;
        EXPECT_EQ(setup["StreamSetup"]["Transport"]["Protocol"].asString(), c.transport) << c.protocol;
    }
    EXPECT_EQ(COnvifStreamSource::protocolFromRecord(0), 0);
    EXPECT_EQ(COnvifStreamSource::protocolFromRecord(255), 0);
    EXPECT_EQ(COnvifStreamSource::protocolFromRecord(2), 3);
    EXPECT_EQ(COnvifStreamSource::protocolFromRecord(1), 1);
    EXPECT_EQ(COnvifStreamSource::protocolFromRecord(9), 1);
}

TEST(StreamSourceOptionsTest, TypesAreCheckedAndHalfRangesIgnored)
{
    auto info = std::make_shared<Zentar::Component::ServerInfo>();
    COnvifStreamSource source(info, 0, 1, 0, 1);
    Json::Value options(Json::objectValue);
    options["Audio"] = Json::Value();
    options["SockRecvBufSize"] = 1048576u;
    options["UDPPortRange"]["Min"] = 20000;   // no "Max": ignored
    options["UDPConnectMode"] = "false";      // text, not bool: ignored
    options["RTSPCheckTransEnable"] = true;
    ASSERT_TRUE(source.setOptions(options));
    StreamSourceOptions o = source.options();
    EXPECT_FALSE(o.audioOn);
    EXPECT_EQ(o.sockRecvBufSize, 1048576u);
    EXPECT_EQ(o.udpPortMin, 0);
    EXPECT_TRUE(o.udpConnectMode);
    EXPECT_TRUE(o.rtspCheckTransEnable);

    Json::Value again(Json::objectValue);
    again["UDPPortRange"]["Min"] = 20000;
    again["UDPPortRange"]["Max"] = 20100;
    ASSERT_TRUE(source.setOptions(again));
    o = source.options();
    EXPECT_TRUE(o.audioOn);   // "Audio" absent switches audio back on
    EXPECT_EQ(o.udpPortMin, 20000);
    EXPECT_EQ(o.udpPortMax, 20100);
}

} // namespace
