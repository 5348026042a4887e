// The special rules of the media services: the profile list of a real-looking device,
// refused credentials, the long GetProfiles time-out, stream set-up defaults, the codec
// group of an encoder set-up, the full profile record, and dispatch by command name.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "onvif_media_test_support.h"

using namespace MediaTest;

namespace {

// Three profiles on two video sources; the third (a metadata-only profile) has no
// video encoder, as many cameras list one.
const char* kThreeProfiles = R"(
<trt:GetProfilesResponse>
  <trt:Profiles token="Profile_1" fixed="true"><tt:Name>mainStream</tt:Name>
    <tt:VideoSourceConfiguration token="VideoSourceToken"><tt:Name>VideoSourceConfig</tt:Name>
      <tt:UseCount>2</tt:UseCount><tt:SourceToken>VideoSource_1</tt:SourceToken>
      <tt:Bounds x="0" y="0" width="2560" height="1440"/></tt:VideoSourceConfiguration>
    <tt:VideoEncoderConfiguration token="VideoEncoderToken_1"><tt:Name>VideoEncoder_1</tt:Name>
      <tt:UseCount>1</tt:UseCount><tt:Encoding>H264</tt:Encoding>
      <tt:Resolution><tt:Width>2560</tt:Width><tt:Height>1440</tt:Height></tt:Resolution>
      <tt:Quality>3</tt:Quality>
      <tt:Multicast><tt:Address><tt:Type>IPv4</tt:Type><tt:IPv4Address>239.1.1.1</tt:IPv4Address></tt:Address>
        <tt:Port>8860</tt:Port><tt:TTL>128</tt:TTL><tt:AutoStart>false</tt:AutoStart></tt:Multicast>
      <tt:SessionTimeout>PT5S</tt:SessionTimeout></tt:VideoEncoderConfiguration>
  </trt:Profiles>
  <trt:Profiles token="Profile_2" fixed="true"><tt:Name>subStream</tt:Name>
    <tt:VideoSourceConfiguration token="VideoSourceToken"><tt:Name>VideoSourceConfig</tt:Name>
      <tt:UseCount>2</tt:UseCount><tt:SourceToken>VideoSource_1</tt:SourceToken>
      <tt:Bounds x="0" y="0" width="2560" height="1440"/></tt:VideoSourceConfiguration>
    <tt:VideoEncoderConfiguration token="VideoEncoderToken_2"><tt:Name>VideoEncoder_2</tt:Name>
      <tt:UseCount>1</tt:UseCount><tt:Encoding>H264</tt:Encoding>
      <tt:Resolution><tt:Width>640</tt:Width><tt:Height>360</tt:Height></tt:Resolution>
      <tt:Quality>3</tt:Quality></tt:VideoEncoderConfiguration>
  </trt:Profiles>
  <trt:Profiles token="Profile_3" fixed="false"><tt:Name>thermalMeta</tt:Name>
    <tt:VideoSourceConfiguration token="VideoSourceToken2"><tt:Name>VideoSourceConfig2</tt:Name>
      <tt:UseCount>1</tt:UseCount><tt:SourceToken>VideoSource_2</tt:SourceToken>
      <tt:Bounds x="0" y="0" width="384" height="288"/></tt:VideoSourceConfiguration>
    <tt:MetadataConfiguration token="MetaToken"><tt:Name>Meta</tt:Name><tt:UseCount>1</tt:UseCount>
      <tt:Multicast><tt:Address><tt:Type>IPv4</tt:Type><tt:IPv4Address>0.0.0.0</tt:IPv4Address></tt:Address>
      <tt:Port>0</tt:Port><tt:TTL>0</tt:TTL><tt:AutoStart>false</tt:AutoStart></tt:Multicast>
      <tt:SessionTimeout>PT5S</tt:SessionTimeout></tt:MetadataConfiguration>
  </trt:Profiles>
</trt:GetProfilesResponse>)";

TEST(MediaProfilesList, ThreeProfilesOnTwoSourcesOneWithoutEncoder)
{
    Exchange ex = runCommand("Media", "GetProfiles", "{}", kThreeProfiles);
    ASSERT_EQ(0, ex.ret);
    const Json::Value& profiles = ex.rsp["Profiles"];
    ASSERT_TRUE(profiles.isArray());
    ASSERT_EQ(3u, profiles.size());

    const char* tokens[] = {"Profile_1", "Profile_2", "Profile_3"};
    const char* sources[] = {"VideoSource_1", "VideoSource_1", "VideoSource_2"};
    for (Json::ArrayIndex i = 0; i < 3; ++i) {
        EXPECT_EQ(tokens[i], at(profiles[i], "token").asString());
        EXPECT_EQ(sources[i], at(profiles[i], "VideoSourceConfiguration/SourceToken").asString());
        EXPECT_TRUE(at(profiles[i], "Multicast/Port").isInt()) << "always present";
    }
    EXPECT_EQ("VideoEncoderToken_2", at(profiles[1], "VideoEncoderConfiguration/token").asString());
    EXPECT_EQ(8860, at(profiles[0], "Multicast/Port").asInt());
    EXPECT_EQ("239.1.1.1", at(profiles[0], "Multicast/Address/IPv4Address").asString());
    EXPECT_EQ(0, at(profiles[1], "Multicast/Port").asInt());
    EXPECT_TRUE(at(profiles[1], "Multicast/Address").isNull());

    // The metadata multicast block must not pass for the video encoder's.
    EXPECT_FALSE(profiles[2].isMember("VideoEncoderConfiguration"));
    EXPECT_TRUE(at(profiles[2], "Multicast/Address").isNull());
    EXPECT_EQ(0, at(profiles[2], "Multicast/Port").asInt());
    EXPECT_FALSE(profiles[2].isMember("AudioEncoderConfiguration"));
}

// ---- Refused credentials -------------------------------------------------------------------

struct UnauthCase {
    const char* service;
    const char* command;
    int status;
    bool expectUnauth;
};

void PrintTo(const UnauthCase& c, std::ostream* os)
{
    *os << c.service << "/" << c.command << " HTTP " << c.status;
}

class MediaUnauth : public ::testing::TestWithParam<UnauthCase> {};

TEST_P(MediaUnauth, OnlyGetProfilesReportsARefusal)
{
    const UnauthCase& c = GetParam();
    Json::Value req;
    req["ProfileToken"] = "P1";
    Exchange ex = runCommand(c.service, c.command, req, notAuthorizedFault(c.status));
    EXPECT_EQ(-1, ex.ret);
    EXPECT_EQ(1u, ex.requests.size()) << "the default authentication type never retries";
    if (c.expectUnauth)
        EXPECT_EQ("UNAUTH", ex.rsp.get("errorInfo", "").asString());
    else
        EXPECT_FALSE(ex.rsp.isMember("errorInfo")) << ex.rsp.toStyledString();
    EXPECT_FALSE(ex.rsp.isMember("Profiles"));
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, MediaUnauth,
    ::testing::Values(UnauthCase{"Media", "GetProfiles", 401, true}, UnauthCase{"Media", "GetProfiles", 400, true},
                      UnauthCase{"Media", "GetProfiles", 500, false}, UnauthCase{"Media2", "GetProfiles", 401, true},
                      UnauthCase{"Media2", "GetProfiles", 400, true}, UnauthCase{"Media2", "GetProfiles", 500, false},
                      UnauthCase{"Media", "GetStreamUri", 401, false}, UnauthCase{"Media2", "GetStreamUri", 401, false},
                      UnauthCase{"Media", "GetVideoEncoderCfg", 401, false}),
    [](const ::testing::TestParamInfo<UnauthCase>& info) {
        return std::string(info.param.service) + info.param.command + std::to_string(info.param.status);
    });

// ---- The long GetProfiles time-out ---------------------------------------------------------

class MediaSlowDevice : public ::testing::Test {
protected:
    // The global receive time-out is cut to 300 ms; the device takes three times that.
    void SetUp() override { ASSERT_TRUE(COnvifBaseComm::instance()->setSOAPTimeout(2000, 2000, 300)); }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }

    static Exchange runSlow(const char* service, const char* command, const std::string& answer)
    {
        LoopbackHttpServer server([&](const HttpRequest&, size_t) {
            std::this_thread::sleep_for(std::chrono::milliseconds(900));
            return HttpReply::soap(200, mediaEnvelope(answer));
        });
        Json::Value req;
        req["XAddr"] = server.url("/onvif/media");
        req["ProfileToken"] = "P1";
        Exchange ex;
        if (std::string(service) == "Media2")
            ex.ret = COnvifMedia2(mediaLogin()).execute(command, req, ex.rsp);
        else
            ex.ret = COnvifMediaCfg(mediaLogin()).execute(command, req, ex.rsp);
        ex.requests = server.requests();
        return ex;
    }
};

TEST_F(MediaSlowDevice, GetProfilesOutwaitsTheGlobalReceiveTimeout)
{
    Exchange media = runSlow("Media", "GetProfiles", kThreeProfiles);
    EXPECT_EQ(0, media.ret);
    EXPECT_EQ(3u, media.rsp["Profiles"].size());

    Exchange media2 = runSlow("Media2", "GetProfiles", "<tr2:GetProfilesResponse/>");
    EXPECT_EQ(0, media2.ret);

    Exchange uri = runSlow("Media", "GetSnapShotUri",
                           "<trt:GetSnapshotUriResponse><trt:MediaUri><tt:Uri>http://x/</tt:Uri></trt:MediaUri>"
                           "</trt:GetSnapshotUriResponse>");
    EXPECT_EQ(-1, uri.ret) << "an ordinary operation keeps the global time-out";
}

// ---- Stream set-up ---------------------------------------------------------------------------

const char* kUriAnswer = "<trt:GetStreamUriResponse><trt:MediaUri><tt:Uri>rtsp://192.0.2.7/1</tt:Uri>"
                         "</trt:MediaUri></trt:GetStreamUriResponse>";

TEST(MediaStreamUri, SetUpOnlyWithAProfileAndDefaultsToUnicastOverRtsp)
{
    Exchange bare = runCommand("Media", "GetStreamUri", "{}", kUriAnswer);
    ASSERT_EQ(0, bare.ret);
    EXPECT_EQ(std::string::npos, bare.body().find("StreamSetup")) << bare.body();
    EXPECT_EQ(std::string::npos, bare.body().find("ProfileToken"));

    Exchange defaults = runCommand("Media", "GetStreamUri", R"({"ProfileToken":"P2"})", kUriAnswer);
    ASSERT_EQ(0, defaults.ret);
    EXPECT_EQ("RTP-Unicast", elementText(defaults.body(), "Stream"));
    EXPECT_EQ("RTSP", elementText(defaults.body(), "Protocol"));
    EXPECT_EQ("P2", elementText(defaults.body(), "ProfileToken"));
    EXPECT_EQ("rtsp://192.0.2.7/1", at(defaults.rsp, "MediaUri/Uri").asString());
    EXPECT_FALSE(defaults.rsp["MediaUri"].isMember("InvalidAfterConnect")) << "absent in the answer";

    const char* media2Answer = "<tr2:GetStreamUriResponse><tr2:Uri>rtsp://x/</tr2:Uri></tr2:GetStreamUriResponse>";
    Exchange media2Bare = runCommand("Media2", "GetStreamUri", R"({"Protocol":"RTSP"})", media2Answer);
    ASSERT_EQ(0, media2Bare.ret);
    EXPECT_EQ(std::string::npos, media2Bare.body().find("Protocol")) << "no profile, no protocol";
    Exchange media2NoProtocol = runCommand("Media2", "GetStreamUri", R"({"ProfileToken":"P1"})", media2Answer);
    EXPECT_EQ(std::string::npos, media2NoProtocol.body().find("Protocol"));
    EXPECT_EQ("P1", elementText(media2NoProtocol.body(), "ProfileToken"));
}

TEST(MediaStreamUri, LongUriIsCutTo255AndMissingUriFails)
{
    const std::string longUri = "rtsp://192.0.2.7/" + std::string(300 - 17, 'a');
    ASSERT_EQ(300u, longUri.size());
    Exchange media = runCommand("Media", "GetStreamUri", R"({"ProfileToken":"P1"})",
                                "<trt:GetStreamUriResponse><trt:MediaUri><tt:Uri>" + longUri +
                                    "</tt:Uri></trt:MediaUri></trt:GetStreamUriResponse>");
    ASSERT_EQ(0, media.ret);
    EXPECT_EQ(longUri.substr(0, 255), at(media.rsp, "MediaUri/Uri").asString());

    Exchange media2 = runCommand("Media2", "GetSnapShotUri", R"({"ProfileToken":"P1"})",
                                 "<tr2:GetSnapshotUriResponse><tr2:Uri>" + longUri +
                                     "</tr2:Uri></tr2:GetSnapshotUriResponse>");
    ASSERT_EQ(0, media2.ret);
    EXPECT_EQ(255u, at(media2.rsp, "MediaUri/Uri").asString().size());

    Exchange noUri = runCommand("Media", "GetSnapShotUri", R"({"ProfileToken":"P1"})",
                                "<trt:GetSnapshotUriResponse><trt:MediaUri/></trt:GetSnapshotUriResponse>");
    EXPECT_EQ(-1, noUri.ret);
}

// ---- Encoder set-up ---------------------------------------------------------------------------

TEST(MediaSetVideoEncoder, OnlyTheConfiguredCodecGroupGoesOutBeforeMulticast)
{
    const struct {
        const char* encoding;
        bool h264, mpeg4;
    } cases[] = {{"JPEG", false, false}, {"H264", true, false}, {"MPEG4", false, true}, {"H265", false, false}};
    for (const auto& c : cases) {
        Json::Value req = parseJson(R"({"Configuration":{"token":"VEC1","H264":{"GovLength":50,"H264Profile":"Main"},
            "MPEG4":{"GovLength":30,"MPEG4Profile":"SP"},"Multicast":{"Port":5000},"SessionTimeout":"PT5S"}})");
        req["Configuration"]["Encoding"] = c.encoding;
        Exchange ex = runCommand("Media", "SetVideoEncoderCfg", req,
                                 HttpReply::soap(200, mediaEnvelope("<trt:SetVideoEncoderConfigurationResponse/>")));
        ASSERT_EQ(0, ex.ret) << c.encoding;
        const std::string body = ex.body();
        EXPECT_EQ(c.h264, body.find("<tt:H264>") != std::string::npos) << c.encoding << body;
        EXPECT_EQ(c.mpeg4, body.find("<tt:MPEG4>") != std::string::npos) << c.encoding << body;
        if (c.mpeg4) {
            EXPECT_EQ("SP", elementText(body, "MPEG4Profile"));
        }
        const size_t group = std::min(body.find("<tt:H264>"), body.find("<tt:MPEG4>"));
        if (c.h264 || c.mpeg4) {
            EXPECT_LT(group, body.find("<tt:Multicast>")) << "schema order";
        }
        EXPECT_LT(body.find("<tt:Multicast>"), body.find("<tt:SessionTimeout>"));
        EXPECT_EQ("true", elementText(body, "ForcePersistence")) << c.encoding;
    }
}

TEST(MediaSetVideoEncoder, ForcePersistenceEvenForAnEmptyConfiguration)
{
    Exchange ex = runCommand("Media", "SetVideoEncoderCfg", Json::Value(Json::objectValue),
                             HttpReply::soap(200, mediaEnvelope("<trt:SetVideoEncoderConfigurationResponse/>")));
    EXPECT_EQ(0, ex.ret);
    EXPECT_EQ("true", elementText(ex.body(), "ForcePersistence"));
    EXPECT_EQ(std::string::npos, ex.body().find("<trt:Configuration")) << "no empty elements";
}

// ---- The full profile ----------------------------------------------------------------------

const char* kFullProfile = R"(
<ns1:GetProfileResponse><ns1:Profile token="P1" fixed="TRUE"><ns2:Name>main</ns2:Name>
  <ns2:VideoEncoderConfiguration token="VEC1"><ns2:Encoding>H264</ns2:Encoding><ns2:Quality>5</ns2:Quality>
    <ns2:Multicast><ns2:Address><ns2:Type>IPv4</ns2:Type><ns2:IPv4Address>239.0.0.1</ns2:IPv4Address>
      <ns2:IPv4Address>239.0.0.2</ns2:IPv4Address></ns2:Address><ns2:Port>5000</ns2:Port>
      <ns2:AutoStart>True</ns2:AutoStart></ns2:Multicast></ns2:VideoEncoderConfiguration>
  <ns2:VideoAnalyticsConfiguration token="VAC1"><ns2:Name>va</ns2:Name>
    <ns2:AnalyticsEngineConfiguration>
      <ns2:AnalyticsModule Name="Cell" Type="tt:CellMotionEngine"><ns2:Parameters>
        <ns2:SimpleItem Name="Sensitivity" Value="60"/><ns2:SimpleItem Name="Layout" Value="grid"/>
      </ns2:Parameters></ns2:AnalyticsModule>
    </ns2:AnalyticsEngineConfiguration>
    <ns2:RuleEngineConfiguration>
      <ns2:Rule Name="Motion" Type="tt:CellMotionDetector"><ns2:Parameters>
        <ns2:SimpleItem Name="MinCount" Value="5"/></ns2:Parameters></ns2:Rule>
      <ns2:Rule Name="Line" Type="tt:LineDetector"/>
    </ns2:RuleEngineConfiguration></ns2:VideoAnalyticsConfiguration>
  <ns2:PTZConfiguration token="PTZ1"><ns2:NodeToken>N1</ns2:NodeToken>
    <ns2:DefaultPTZSpeed><ns2:PanTilt x="1" y="1" space="http://ps"/><ns2:Zoom x="1"/></ns2:DefaultPTZSpeed>
    <ns2:DefaultPTZTimeout>PT10S</ns2:DefaultPTZTimeout>
    <ns2:PanTiltLimits><ns2:Range><ns2:URI>http://lim</ns2:URI><ns2:XRange><ns2:Min>-1</ns2:Min><ns2:Max>1</ns2:Max>
      </ns2:XRange></ns2:Range></ns2:PanTiltLimits></ns2:PTZConfiguration>
  <ns2:MetadataConfiguration token="MD1"><ns2:PTZStatus><ns2:Status>false</ns2:Status>
    <ns2:Position>TRUE</ns2:Position></ns2:PTZStatus><ns2:Analytics>yes</ns2:Analytics></ns2:MetadataConfiguration>
</ns1:Profile></ns1:GetProfileResponse>)";

TEST(MediaFullProfile, FlagsInAnyCaseNumbersAsIntegersRepeatedElementsAsArrays)
{
    Exchange ex = runCommand("Media", "GetProfile", R"({"ProfileToken":"P1"})", kFullProfile);
    ASSERT_EQ(0, ex.ret);
    const Json::Value& p = ex.rsp["Profile"];
    const std::pair<const char*, const char*> expected[] = {
        {"fixed", "true"},
        {"VideoEncoderConfiguration/Quality", "5"},
        {"VideoEncoderConfiguration/Multicast/Address/IPv4Address", R"(["239.0.0.1","239.0.0.2"])"},
        {"VideoEncoderConfiguration/Multicast/AutoStart", "true"},
        {"VideoAnalyticsConfiguration/AnalyticsEngineConfiguration/AnalyticsModule/0/Type", "\"tt:CellMotionEngine\""},
        {"VideoAnalyticsConfiguration/AnalyticsEngineConfiguration/AnalyticsModule/0/Parameters/SimpleItem/1",
         R"({"Name":"Layout","Value":"grid"})"},
        {"VideoAnalyticsConfiguration/RuleEngineConfiguration/Rule/0/Parameters/SimpleItem/0/Value", "\"5\""},
        {"VideoAnalyticsConfiguration/RuleEngineConfiguration/Rule/1", R"({"Name":"Line","Type":"tt:LineDetector"})"},
        {"PTZConfiguration/DefaultPTZSpeed/PanTilt", R"({"x":1,"y":1,"space":"http://ps"})"},
        {"PTZConfiguration/DefaultPTZTimeout", "\"PT10S\""},
        {"PTZConfiguration/PanTiltLimits/Range/XRange", R"({"Min":-1,"Max":1})"},
        {"MetadataConfiguration/PTZStatus", R"({"Status":false,"Position":true})"},
        {"MetadataConfiguration/Analytics", "false"},
        {"AudioEncoderConfiguration", "null"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(parseJson(e.second), at(p, e.first)) << e.first << " in " << p.toStyledString();
}

// ---- What an operator reads when the answer is not the expected one ------------------------

// What the library logged while `run` ran.
std::string loggedDuring(const std::function<void()>& run)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("onvif_media_log_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    setLogDirectory(dir.string());
    run();
    setLogDirectory("");
    std::string text;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::ifstream in(entry.path());
        text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::remove_all(dir);
    return text;
}

TEST(MediaFailText, OwnTextOnlyWhenTheAnswerLacksTheResponseElement)
{
    const std::string wrongAnswer = loggedDuring([] {
        Exchange ex = runCommand("Media", "GetVideoEncoderCfg", R"({"VideoConfigurationToken":"V"})",
                                 "<trt:GetVideoEncoderConfigurationsResponse/>");
        EXPECT_EQ(-1, ex.ret);
    });
    EXPECT_NE(std::string::npos, wrongAnswer.find("GetVideoEncoderConfiguration fail!")) << wrongAnswer;

    const std::string refused = loggedDuring([] {
        Exchange ex = runCommand("Media", "GetVideoEncoderCfg", parseJson(R"({"VideoConfigurationToken":"V"})"),
                                 HttpReply::soap(500, soapFault("ter:InvalidArgVal", "No such configuration")));
        EXPECT_EQ(-1, ex.ret);
    });
    EXPECT_EQ(std::string::npos, refused.find("fail!")) << "a fault is not a missing response element";

    const std::string ptz = loggedDuring([] {
        EXPECT_EQ(-1, runCommand("Media", "AddPTZCfgToProfile", R"({"token":"P1"})", "<trt:Other/>").ret);
    });
    EXPECT_NE(std::string::npos, ptz.find("AddPTZConfigurationResponse fail")) << ptz;
}

// ---- Dispatch -------------------------------------------------------------------------------------

TEST(MediaDispatch, UnknownNullAndMalformedRequests)
{
    COnvifMediaCfg media(mediaLogin());
    COnvifMedia2 media2(mediaLogin());
    Json::Value req, rsp;
    req["XAddr"] = "http://127.0.0.1:9/onvif/media";
    EXPECT_EQ(ONVIF_EXEC_UNKNOWN, media.execute("GetMasks", req, rsp)) << "masks exist only in Media2";
    EXPECT_EQ(ONVIF_EXEC_UNKNOWN, media2.execute("GetVideoEncoderCfg", req, rsp));
    EXPECT_EQ(ONVIF_EXEC_NULL_NAME, media.execute(nullptr, req, rsp));
    EXPECT_EQ(ONVIF_EXEC_NULL_NAME, media2.execute(nullptr, req, rsp));
    EXPECT_STREQ("MediaCfg", media.getServiceName());
    EXPECT_STREQ("Media2", media2.getServiceName());

    LoopbackHttpServer server([](const HttpRequest&, size_t) { return HttpReply::soap(500, "unused"); });
    // Commands of every area, so each child is reached through the service object.
    for (const char* command : {"GetProfiles", "GetStreamUri", "GetVideoEncoderCfg", "GetAudioSources"}) {
        Json::Value noAddress, out;
        EXPECT_EQ(-1, media.execute(command, noAddress, out)) << command;
        Json::Value notARecord = Json::Value("XAddr"), out2;
        EXPECT_EQ(-1, media.execute(command, notARecord, out2)) << command;
        Json::Value ok;
        ok["XAddr"] = server.url();
        Json::Value arrayResult(Json::arrayValue);
        EXPECT_EQ(-1, media.execute(command, ok, arrayResult)) << command << ": a result that is not a record";
    }
    EXPECT_EQ(0u, server.requestCount()) << "nothing may be sent for a malformed request";
}

TEST(MediaDispatch, Media2ConfigurationListMustBeAList)
{
    LoopbackHttpServer server([](const HttpRequest&, size_t) {
        return HttpReply::soap(200, mediaEnvelope("<tr2:AddConfigurationResponse/>"));
    });
    const char* bad[] = {R"({"ProfileToken":"P1","Configuration":{"Type":"PTZ"}})",
                         R"({"ProfileToken":"P1","Configuration":[{"Token":"no type"}]})",
                         R"({"ProfileToken":"P1","Configuration":["PTZ"]})"};
    for (const char* json : bad) {
        Json::Value req = parseJson(json), rsp;
        req["XAddr"] = server.url();
        EXPECT_EQ(-1, COnvifMedia2(mediaLogin()).execute("AddConfiguration", req, rsp)) << json;
    }
    EXPECT_EQ(0u, server.requestCount());
}

} // namespace
