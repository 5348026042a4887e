// The pure conversions of the composites: profile grouping, quality scales, codec names,
// image-size names, stream set-up to Media2 protocol, Media2 -> Media records, clock offset.
#include <gtest/gtest.h>

#include "OnvifFramework/FunctionScripts/OnvifEncoderConversions.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/FunctionScripts/OnvifProfileGrouping.h"
#include "OnvifFramework/FunctionScripts/OnvifStreamSetup.h"

using namespace RPC::Onvif;

namespace {

Json::Value parse(const std::string& text)
{
    Json::Value v;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &v, &errors)) << errors;
    return v;
}

// A profile summary: token, video source token, video encoder token ("" = absent).
Json::Value profile(const std::string& token, const std::string& source, const std::string& encoder)
{
    Json::Value p;
    p["token"] = token;
    if (!source.empty())
        p["VideoSourceConfiguration"]["SourceToken"] = source;
    if (!encoder.empty())
        p["VideoEncoderConfiguration"]["token"] = encoder;
    p["Multicast"]["Port"] = 0;
    return p;
}

// The grouped tokens as "ch0: a b | ch1: c".
std::string layout(const Json::Value& channels)
{
    std::string out;
    for (Json::ArrayIndex c = 0; c < channels.size(); ++c) {
        out += (c ? " | " : "") + std::string("ch") + std::to_string(c) + ":";
        for (const Json::Value& p : channels[c])
            out += " " + p["token"].asString();
    }
    return out;
}

} // namespace

TEST(ScriptsProfileGrouping, ChannelsFollowSourcesAndDropDuplicatesAndIncompleteProfiles)
{
    struct Case {
        const char* name;
        std::vector<Json::Value> profiles;
        const char* expected;
    } cases[] = {
        {"two sources, two streams each",
         {profile("p1", "vs1", "e1"), profile("p2", "vs1", "e2"), profile("p3", "vs2", "e3"), profile("p4", "vs2", "e4")},
         "ch0: p1 p2 | ch1: p3 p4"},
        {"repeated encoder token in one channel is one stream",
         {profile("p1", "vs1", "e1"), profile("p2", "vs1", "e1"), profile("p3", "vs1", "e2")},
         "ch0: p1 p3"},
        {"same encoder token in another channel is kept",
         {profile("p1", "vs1", "e1"), profile("p2", "vs2", "e1")},
         "ch0: p1 | ch1: p2"},
        {"first profile without encoder: channel starts with the next",
         {profile("p0", "vs1", ""), profile("p1", "vs1", "e1"), profile("p2", "vs1", "e2")},
         "ch0: p1 p2"},
        {"profile without source is dropped",
         {profile("p0", "", "e0"), profile("p1", "vs1", "e1")},
         "ch0: p1"},
        {"interleaved sources keep device order per channel",
         {profile("a", "vs2", "e1"), profile("b", "vs1", "e2"), profile("c", "vs2", "e3")},
         "ch0: a c | ch1: b"},
        {"nothing usable", {profile("p0", "", ""), profile("p1", "vs1", "")}, ""},
    };
    for (const Case& c : cases) {
        Json::Value list(Json::arrayValue);
        for (const Json::Value& p : c.profiles)
            list.append(p);
        EXPECT_EQ(layout(groupProfilesIntoChannels(list)), c.expected) << c.name;
    }
}

TEST(ScriptsProfileGrouping, EntriesKeepOnlyMembersWithValues)
{
    Json::Value p = profile("p1", "vs1", "e1");
    p["VideoEncoderConfiguration"]["Encoding"] = "H264";
    p["AudioEncoderConfiguration"]["token"] = "";
    p["PTZConfiguration"] = Json::Value(Json::objectValue);
    Json::Value list(Json::arrayValue);
    list.append(p);

    const Json::Value entry = groupProfilesIntoChannels(list)[0][0];
    EXPECT_EQ(entry["VideoEncoderConfiguration"]["Encoding"].asString(), "H264");
    EXPECT_EQ(entry["Multicast"]["Port"].asInt(), 0);
    EXPECT_FALSE(entry.isMember("AudioEncoderConfiguration"));
    EXPECT_FALSE(entry.isMember("PTZConfiguration"));
}

TEST(ScriptsProfileGrouping, OddShapesGiveNoChannelsAndNoThrow)
{
    EXPECT_TRUE(groupProfilesIntoChannels(Json::Value("text")).empty());
    Json::Value list(Json::arrayValue);
    list.append(Json::Value(5));
    list.append(parse(R"({"VideoSourceConfiguration": "vs1", "VideoEncoderConfiguration": {"token": 7}})"));
    EXPECT_TRUE(groupProfilesIntoChannels(list).empty());
}

TEST(ScriptsQuality, HostToDevice)
{
    struct Case {
        int host;
        double min, max;
        int device;
    } cases[] = {
        {6, 0, 100, 100}, {1, 0, 100, 0}, {3, 0, 100, 40}, {4, 0, 100, 60},
        {1, 1, 10, 1},    {3, 1, 10, 5},  {6, 1, 10, 10},  {6, 5, 5, 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qualityToDevice(c.host, c.min, c.max), c.device) << c.host << " in " << c.min << ".." << c.max;
}

TEST(ScriptsQuality, DeviceToHost)
{
    struct Case {
        double device, min, max;
        int host;
    } cases[] = {
        {50, 0, 100, 3},  {100, 0, 100, 6}, {0, 0, 100, 1},   {-5, 0, 100, 6},  // below range reads as max
        {5, 1, 10, 3},    {7, 7, 7, 6},     {3, 3, 3, 3},     {0, 0, 0, 1},     // flat range: max clamped
        {4, 10, 1, 6},    {250, 0, 100, 6},                                       // inverted range; above range
    };
    for (const Case& c : cases)
        EXPECT_EQ(qualityToHost(c.device, c.min, c.max), c.host) << c.device << " in " << c.min << ".." << c.max;
}

TEST(ScriptsCompression, VideoAndAudioNames)
{
    const std::pair<const char*, const char*> video[] = {
        {"H264", "H.264"}, {"JPEG", "MJPG"}, {"H265", "H.265"}, {"MPEG4", "MPEG4"}};
    for (const auto& v : video) {
        EXPECT_EQ(videoCompressionToHost(v.first), v.second);
        EXPECT_EQ(videoCompressionToDevice(v.second), v.first);
    }
    const std::pair<const char*, const char*> audio[] = {
        {"G711", "G.711Mu"}, {"PCMU", "G.711Mu"}, {"MP4A-LATM", "AAC"}, {"AAC", "AAC"},
        {"G726", "G.726"},   {"G726-32", "G.726"}, {"L16", "L16"}};
    for (const auto& a : audio)
        EXPECT_EQ(audioCompressionToHost(a.first), a.second) << a.first;
}

TEST(ScriptsImageSize, NamesOfResolutions)
{
    struct Case {
        int w, h;
        const char* name;
    } cases[] = {
        {720, 576, "D1"},     {704, 480, "D1"},      {352, 480, "HD1"},    {704, 240, "BCIF"},
        {384, 288, "CIF"},    {176, 120, "QCIF"},    {640, 368, "VGA"},    {320, 192, "QVGA"},
        {480, 480, "SVCD"},   {160, 112, "QQVGA"},   {800, 592, "SVGA"},   {1024, 576, "XVGA"},
        {1280, 800, "WXGA"},  {1280, 1024, "SXGA"},  {1600, 1024, "WSXGA"}, {1600, 1200, "UXGA"},
        {1920, 1200, "WUXGA"}, {240, 192, "LTF"},    {1280, 720, "720P"},  {1920, 1080, "1080P"},
        {1920, 1072, "1080P"}, {1280, 960, "1_3M"},  {1872, 1408, "2_5M"}, {3744, 1408, "5M"},
        {2048, 1536, "3M"},   {2432, 2050, "5_0M"},  {1216, 1024, "1_2M"}, {1408, 1024, "1408_1024"},
        {3296, 2472, "8M"},   {2560, 1920, "2560_1920"}, {960, 480, "960H"}, {768, 576, "960H"},
        {960, 720, "960_720"}, {640, 360, "NHD"},    {320, 180, "QNHD"},   {160, 90, "QQNHD"},
        {1000, 1000, "1000x1000"}, {1920, 1088, "1920x1088"}, {0, 1080, ""}, {1920, 0, ""}, {-4, -4, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WxH2ImageSizeStr(c.w, c.h, "any"), c.name) << c.w << "x" << c.h;
}

TEST(ScriptsStreamSetup, Media2ProtocolOfStreamSetup)
{
    struct Case {
        const char* request;
        bool ok;
        const char* protocol;
    } cases[] = {
        {R"({"StreamSetup": {"Stream": "RTP-Unicast", "Transport": {"Protocol": "UDP"}}})", true, "RtspUnicast"},
        {R"({"StreamSetup": {"Stream": "RTP-Unicast", "Transport": {"Protocol": "TCP"}}})", true, "RTSP"},
        {R"({"StreamSetup": {"Stream": "RTP-Unicast", "Transport": {"Protocol": "RTSP"}}})", true, "RTSP"},
        {R"({"StreamSetup": {"Stream": "RTP-Unicast", "Transport": {"Protocol": "HTTP"}}})", true, "RtspOverHttp"},
        {R"({"StreamSetup": {"Stream": "RTP-Unicast", "Transport": {"Protocol": "SCTP"}}})", false, ""},
        {R"({"StreamSetup": {"Stream": "RTP-Unicast"}})", true, ""},
        {R"({"StreamSetup": {"Stream": "RTP-Multicast", "Transport": {"Protocol": "UDP"}}})", true, "RtspMulticast"},
        {R"({"StreamSetup": {"Stream": "RTP-Broadcast"}})", false, ""},
        {R"({"StreamSetup": {"Transport": {"Protocol": "HTTP"}}})", true, ""},
        {R"({"ProfileToken": "p1"})", true, ""},
    };
    for (const Case& c : cases) {
        std::string protocol = "stale";
        EXPECT_EQ(media2ProtocolFromSetup(parse(c.request), protocol), c.ok) << c.request;
        if (c.ok) {
            EXPECT_EQ(protocol, c.protocol) << c.request;
        }
    }
}

TEST(ScriptsMedia2Rebuild, VideoEncoderConfigurationTakesTheMediaShape)
{
    const Json::Value media2 = parse(R"({
        "token": "venc1", "Name": "main", "UseCount": 2, "Encoding": "H264", "GovLength": 50, "Profile": "High",
        "Resolution": {"Width": 1920, "Height": 1080}, "Quality": 4.5,
        "RateControl": {"FrameRateLimit": 25, "BitrateLimit": 4096, "ConstantBitRate": true},
        "Multicast": {"Address": {"Type": "IPv4", "IPv4Address": "239.0.0.1"}, "Port": 5000, "TTL": 3, "AutoStart": false}})");
    const Json::Value media = media2VideoConfigToMedia(media2);
    EXPECT_EQ(media["VideoConfigurationToken"].asString(), "venc1");
    const Json::Value& cfg = media["Configuration"];
    EXPECT_EQ(cfg["Name"].asString(), "main");
    EXPECT_EQ(cfg["UseCount"].asInt(), 2);
    EXPECT_EQ(cfg["Resolution"]["Width"].asInt(), 1920);
    EXPECT_DOUBLE_EQ(cfg["Quality"].asDouble(), 4.5);
    EXPECT_TRUE(cfg["RateControl"]["ConstantBitRate"].asBool());
    EXPECT_EQ(cfg["RateControl"]["BitrateLimit"].asInt(), 4096);
    EXPECT_EQ(cfg["H264"]["GovLength"].asInt(), 50);
    EXPECT_EQ(cfg["H264"]["H264Profile"].asString(), "High");
    EXPECT_FALSE(cfg.isMember("GovLength"));
    EXPECT_EQ(cfg["Multicast"]["Address"]["IPv4Address"].asString(), "239.0.0.1");
    EXPECT_EQ(cfg["Multicast"]["Port"].asInt(), 5000);

    // JPEG has no codec group at all.
    Json::Value jpeg = media2;
    jpeg["Encoding"] = "JPEG";
    EXPECT_FALSE(media2VideoConfigToMedia(jpeg)["Configuration"].isMember("JPEG"));
}

TEST(ScriptsMedia2Rebuild, VideoEncoderOptionsOneGroupPerEncoding)
{
    const Json::Value media2 = parse(R"([
        {"Encoding": "H264", "FrameRatesSupported": "25 5 12.5 1", "GovLengthRange": "1 250",
         "ProfilesSupported": "Main High", "ConstantBitRateSupported": true,
         "QualityRange": {"Min": 0, "Max": 100}, "BitrateRange": {"Min": 64, "Max": 8192},
         "ResolutionsAvailable": [{"Width": 1920, "Height": 1080}, {"Width": 1280, "Height": 720}]},
        {"Encoding": "JPEG", "FrameRatesSupported": [1, 10], "QualityRange": {"Min": 1, "Max": 10},
         "ResolutionsAvailable": [{"Width": 640, "Height": 480}]},
        {"Encoding": "H264", "FrameRatesSupported": "60"},
        {"Encoding": ""}, 7])");
    const Json::Value media = media2VideoOptionsToMedia(media2);
    ASSERT_EQ(media.getMemberNames(), (std::vector<std::string>{"H264", "JPEG"}));
    const Json::Value& h264 = media["H264"];
    EXPECT_DOUBLE_EQ(h264["FrameRateRange"]["Min"].asDouble(), 1);
    EXPECT_DOUBLE_EQ(h264["FrameRateRange"]["Max"].asDouble(), 25);   // the first H264 entry describes it
    EXPECT_EQ(h264["GovLengthRange"]["Max"].asInt(), 250);
    EXPECT_EQ(h264["H264ProfilesSupported"], parse(R"(["Main", "High"])"));
    EXPECT_TRUE(h264["ConstantBitRateSupported"].asBool());
    EXPECT_EQ(h264["ResolutionsAvailable"].size(), 2u);
    EXPECT_EQ(h264["BitrateRange"]["Max"].asInt(), 8192);
    EXPECT_EQ(media["JPEG"]["FrameRateRange"]["Max"].asInt(), 10);
    EXPECT_FALSE(media["JPEG"].isMember("GovLengthRange"));
}

TEST(ScriptsClockOffset, DeviceUtcMinusNow)
{
    const Json::Value reply = parse(R"({"SystemDateAndTime": {"UTCDateTime": {
        "Date": {"Year": 2024, "Month": 3, "Day": 1}, "Time": {"Hour": 12, "Minute": 0, "Second": 30}}}})");
    int seconds = 0;
    // 2024-03-01T12:00:00Z is 1709294400.
    ASSERT_TRUE(timeDifferenceFromReply(reply, 1709294400LL, seconds));
    EXPECT_EQ(seconds, 30);
    ASSERT_TRUE(timeDifferenceFromReply(reply, 1709294400LL + 3600, seconds));
    EXPECT_EQ(seconds, 30 - 3600);

    Json::Value unset = reply;
    unset["SystemDateAndTime"]["UTCDateTime"]["Date"]["Year"] = 0;
    EXPECT_FALSE(timeDifferenceFromReply(unset, 0, seconds));
    EXPECT_FALSE(timeDifferenceFromReply(parse(R"({"SystemDateAndTime": "now"})"), 0, seconds));
    EXPECT_FALSE(timeDifferenceFromReply(Json::Value(3), 0, seconds));
}

TEST(ScriptsClockOffset, ZoneTexts)
{
    EXPECT_EQ(makeTimeZoneText(28800, false), "GMT+08:00");
    EXPECT_EQ(makeTimeZoneText(28800, true), "UTC-08:00");
    EXPECT_EQ(makeTimeZoneText(-12600, false), "GMT-03:30");
    EXPECT_EQ(makeTimeZoneText(-12600, true), "UTC+03:30");
    EXPECT_EQ(makeTimeZoneText(20700, false), "GMT+05:45");
    EXPECT_EQ(makeTimeZoneText(0, true), "UTC+00:00");
}
