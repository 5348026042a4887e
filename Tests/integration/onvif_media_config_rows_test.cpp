// The configuration, OSD, mask and capability commands of both media services against
// recorded-style answers (the harness and the coverage check are shared with
// onvif_media_rows_test.cpp), and the rules of the few that are not plain rows.
#include <gtest/gtest.h>

#include "onvif_media_test_support.h"

using namespace MediaTest;

namespace MediaTest {

namespace {

const std::string kOsdRecord =
    "<tt:VideoSourceConfigurationToken>VSC1</tt:VideoSourceConfigurationToken><tt:Type>Text</tt:Type>"
    "<tt:Position><tt:Type>Custom</tt:Type><tt:Pos x=\"-0.5\" y=\"0.75\"/></tt:Position>"
    "<tt:TextString IsPersistentText=\"True\"><tt:Type>Plain</tt:Type><tt:FontSize>32</tt:FontSize>"
    "<tt:PlainText>Gate 3</tt:PlainText></tt:TextString>";

const std::string kOsdOptions =
    "<tt:MaximumNumberOfOSDs Total=\"4\" PlainText=\"3\" DateAndTime=\"1\"/><tt:Type>Text</tt:Type>"
    "<tt:Type>Image</tt:Type><tt:PositionOption>UpperLeft</tt:PositionOption>"
    "<tt:PositionOption>Custom</tt:PositionOption><tt:TextOption><tt:Type>Plain</tt:Type>"
    "<tt:Type>DateAndTime</tt:Type><tt:FontSizeRange><tt:Min>16</tt:Min><tt:Max>64</tt:Max></tt:FontSizeRange>"
    "<tt:DateFormat>yyyy-MM-dd</tt:DateFormat><tt:DateFormat>dd/MM/yyyy</tt:DateFormat>"
    "<tt:TimeFormat>HH:mm:ss</tt:TimeFormat><tt:FontColor><tt:Color><tt:ColorList X=\"16\" Y=\"128\" Z=\"128\"/>"
    "</tt:Color><tt:Transparent><tt:Min>0</tt:Min><tt:Max>2</tt:Max></tt:Transparent></tt:FontColor></tt:TextOption>";

const std::vector<std::pair<std::string, std::string>> kOsdOptionsResult = {
    {"OSDOptions/MaximumNumberOfOSDs/Total", "4"},
    {"OSDOptions/MaximumNumberOfOSDs/DateAndTime", "1"},
    {"OSDOptions/MaximumNumberOfOSDs/Image", "null"},
    {"OSDOptions/Type", "[\"Text\",\"Image\"]"},
    {"OSDOptions/PositionOption/1", "\"Custom\""},
    {"OSDOptions/TextOption/FontSizeRange/Max", "64"},
    {"OSDOptions/TextOption/DateFormat", "[\"yyyy-MM-dd\",\"dd/MM/yyyy\"]"},
    {"OSDOptions/TextOption/FontColor/Color/ColorList/0/Y", "128.0"},
    {"OSDOptions/TextOption/FontColor/Transparent/Max", "2"}};

const char* kOsdRequest = R"({"OSD":{"token":"OSD9","VideoSourceConfigurationToken":"VSC1","Type":"Text",
    "Position":{"Type":"Custom","Pos":{"x":-0.5,"y":0.25}},"TextString":{"Type":"Plain","FontSize":32,
    "PlainText":"Gate 3"}}})";
const std::vector<std::pair<std::string, std::string>> kOsdSent = {
    {"@token", "OSD9"}, {"VideoSourceConfigurationToken", "VSC1"}, {"Type[1]", "Custom"}, {"@x", "-0.5"},
    {"@y", "0.25"}, {"FontSize", "32"}, {"PlainText", "Gate 3"}};

const std::string kAnalytics =
    "<tt:Name>va</tt:Name><tt:UseCount>1</tt:UseCount><tt:AnalyticsEngineConfiguration>"
    "<tt:AnalyticsModule Name=\"MyCellMotion\" Type=\"tt:CellMotionEngine\"><tt:Parameters>"
    "<tt:SimpleItem Name=\"Sensitivity\" Value=\"60\"/></tt:Parameters></tt:AnalyticsModule>"
    "</tt:AnalyticsEngineConfiguration><tt:RuleEngineConfiguration><tt:Rule Name=\"MyMotion\" "
    "Type=\"tt:CellMotionDetector\"><tt:Parameters><tt:SimpleItem Name=\"MinCount\" Value=\"5\"/>"
    "</tt:Parameters></tt:Rule></tt:RuleEngineConfiguration>";
const std::vector<std::pair<std::string, std::string>> kAnalyticsResult = {
    {"Configurations/0/token", "\"VAC1\""},
    {"Configurations/0/UseCount", "1"},
    {"Configurations/0/AnalyticsEngineConfiguration/AnalyticsModule/0/Type", "\"tt:CellMotionEngine\""},
    {"Configurations/0/AnalyticsEngineConfiguration/AnalyticsModule/0/Parameters/SimpleItem/0/Value", "\"60\""},
    {"Configurations/0/RuleEngineConfiguration/Rule/0/Name", "\"MyMotion\""}};

const std::string kAudioOptions =
    "<tr2:Options><tt:Encoding>PCMU</tt:Encoding><tt:BitrateList><tt:Items>64</tt:Items></tt:BitrateList>"
    "<tt:SampleRateList><tt:Items>8</tt:Items></tt:SampleRateList></tr2:Options>"
    "<tr2:Options><tt:Encoding>AAC</tt:Encoding><tt:BitrateList><tt:Items>32</tt:Items><tt:Items>64</tt:Items>"
    "</tt:BitrateList><tt:SampleRateList><tt:Items>16</tt:Items><tt:Items>48</tt:Items></tt:SampleRateList>"
    "</tr2:Options>";
const std::vector<std::pair<std::string, std::string>> kAudioOptionsResult = {
    {"Options/0/Encoding", "\"PCMU\""}, {"Options/0/BitrateList/Items", "[64]"},
    {"Options/1/SampleRateList/Items", "[16,48]"}};

const char* kTokens = R"({"ConfigurationToken":"C7","ProfileToken":"P1"})";
const std::vector<std::pair<std::string, std::string>> kTokensSent = {{"ConfigurationToken", "C7"},
                                                                      {"ProfileToken", "P1"}};

const char* kMaskRequest = R"({"MaskToken":"M1","Mask":{"ConfigurationToken":"VSC1","Type":"Color","Enabled":true,
    "Color":{"X":16,"Y":128,"Z":128},"Polygon":{"Point":[{"x":-1,"y":1},{"x":0.5,"y":1},{"x":0.5,"y":0.5}]}}})";
const std::vector<std::pair<std::string, std::string>> kMaskSent = {
    {"ConfigurationToken", "VSC1"}, {"Type", "Color"}, {"Enabled", "true"}, {"@X", "16"}, {"@x", "-1"}};

const std::vector<RowCase> kCases = {
    // ---- Media2 configurations ------------------------------------------------------------
    {"Media2", "GetVideoEncoderCfgs", kTokens, "tr2:GetVideoEncoderConfigurations", kTokensSent,
     "<tr2:GetVideoEncoderConfigurationsResponse><tr2:Configurations token=\"VE1\" GovLength=\"50\" Profile=\"Main\">"
     "<tt:Name>ve</tt:Name><tt:UseCount>2</tt:UseCount><tt:Encoding>MPV4-ES</tt:Encoding><tt:Resolution>"
     "<tt:Width>1280</tt:Width><tt:Height>720</tt:Height></tt:Resolution><tt:RateControl ConstantBitRate=\"TRUE\">"
     "<tt:FrameRateLimit>25.000000</tt:FrameRateLimit><tt:BitrateLimit>2048</tt:BitrateLimit></tt:RateControl>"
     "<tt:Multicast><tt:Address><tt:Type>IPv4</tt:Type><tt:IPv4Address>239.1.1.1</tt:IPv4Address></tt:Address>"
     "<tt:Port>5004</tt:Port><tt:TTL>2</tt:TTL><tt:AutoStart>False</tt:AutoStart></tt:Multicast>"
     "<tt:Quality>4.5</tt:Quality></tr2:Configurations></tr2:GetVideoEncoderConfigurationsResponse>",
     {{"Configurations/0/token", "\"VE1\""},
      {"Configurations/0/Encoding", "\"MPEG4\""},
      {"Configurations/0/GovLength", "50"},
      {"Configurations/0/Profile", "\"Main\""},
      {"Configurations/0/Resolution/Height", "720"},
      {"Configurations/0/RateControl/ConstantBitRate", "true"},
      {"Configurations/0/RateControl/FrameRateLimit", "25"},
      {"Configurations/0/Quality", "4"},
      {"Configurations/0/Multicast/AutoStart", "false"},
      {"Configurations/0/Multicast/Address/IPv4Address", "\"239.1.1.1\""}}},
    {"Media2", "GetVideoEncoderCfgOptions", kTokens, "tr2:GetVideoEncoderConfigurationOptions", kTokensSent,
     "<tr2:GetVideoEncoderConfigurationOptionsResponse><tr2:Options GovLengthRange=\"1 150\" "
     "FrameRatesSupported=\"1 5 12.5 25\" ProfilesSupported=\"Main High\" ConstantBitRateSupported=\"true\">"
     "<tt:Encoding>H264</tt:Encoding><tt:QualityRange><tt:Min>0</tt:Min><tt:Max>10</tt:Max></tt:QualityRange>"
     "<tt:ResolutionsAvailable><tt:Width>1920</tt:Width><tt:Height>1080</tt:Height></tt:ResolutionsAvailable>"
     "<tt:ResolutionsAvailable><tt:Width>640</tt:Width><tt:Height>360</tt:Height></tt:ResolutionsAvailable>"
     "<tt:BitrateRange><tt:Min>64</tt:Min><tt:Max>8192</tt:Max></tt:BitrateRange></tr2:Options>"
     "<tr2:Options><tt:Encoding>MPV4-ES</tt:Encoding></tr2:Options></tr2:GetVideoEncoderConfigurationOptionsResponse>",
     {{"Options/0/GovLengthRange", "\"1 150\""},
      {"Options/0/FrameRatesSupported", "\"1 5 12.5 25\""},
      {"Options/0/ProfilesSupported", "\"Main High\""},
      {"Options/0/ConstantBitRateSupported", "true"},
      {"Options/0/QualityRange/Max", "10"},
      {"Options/0/ResolutionsAvailable/1/Height", "360"},
      {"Options/0/BitrateRange/Max", "8192"},
      {"Options/1/Encoding", "\"MPEG4\""}}},
    {"Media2", "SetVideoEncoderCfg",
     R"({"FPSUseInt":true,"ForcePersistence":true,"Configuration":{"Token":"VE1","GovLength":50,"Profile":"Main",
        "Name":"ve","UseCount":1,"Encoding":"MPEG4","Resolution":{"Width":1280,"Height":720},
        "RateControl":{"ConstantBitRate":false,"FrameRateLimit":12.5,"BitrateLimit":1024},"Quality":3.5,
        "Multicast":{"Address":{"Type":"IPv4","IPv4Address":"239.1.1.1"},"Port":5004,"TTL":2,"AutoStart":false}}})",
     "tr2:SetVideoEncoderConfiguration",
     {{"@token", "VE1"}, {"@GovLength", "50"}, {"@Profile", "Main"}, {"Encoding", "MPV4-ES"}, {"Width", "1280"},
      {"@ConstantBitRate", "false"}, {"FrameRateLimit", "12"}, {"BitrateLimit", "1024"}, {"Port", "5004"},
      {"Quality", "3.5"}, {"ForcePersistence", "<absent>"}},
     emptyAnswer("tr2:SetVideoEncoderConfigurationResponse"), {}},
    {"Media2", "GetAudioEncoderCfgs", kTokens, "tr2:GetAudioEncoderConfigurations", kTokensSent,
     "<tr2:GetAudioEncoderConfigurationsResponse><tr2:Configurations token=\"AE1\"><tt:Name>ae</tt:Name>"
     "<tt:UseCount>1</tt:UseCount><tt:Encoding>PCMU</tt:Encoding><tt:Multicast><tt:Port>5006</tt:Port>"
     "<tt:AutoStart>true</tt:AutoStart></tt:Multicast><tt:Bitrate>64</tt:Bitrate><tt:SampleRate>8</tt:SampleRate>"
     "</tr2:Configurations></tr2:GetAudioEncoderConfigurationsResponse>",
     {{"Configurations/0/token", "\"AE1\""}, {"Configurations/0/Encoding", "\"PCMU\""},
      {"Configurations/0/SampleRate", "8"}, {"Configurations/0/Multicast/AutoStart", "true"}}},
    {"Media2", "GetAudioEncoderCfgOptions", kTokens, "tr2:GetAudioEncoderConfigurationOptions", kTokensSent,
     "<tr2:GetAudioEncoderConfigurationOptionsResponse>" + kAudioOptions +
         "</tr2:GetAudioEncoderConfigurationOptionsResponse>",
     kAudioOptionsResult},
    {"Media2", "SetAudioEncoderCfg",
     R"({"Configuration":{"token":"AE1","Name":"ae","UseCount":1,"Encoding":"AAC","Bitrate":64,"SampleRate":16,
        "Multicast":{"Port":5006,"TTL":1,"AutoStart":false}}})",
     "tr2:SetAudioEncoderConfiguration",
     {{"@token", "AE1"}, {"Encoding", "AAC"}, {"Bitrate", "64"}, {"SampleRate", "16"}, {"Port", "5006"}},
     emptyAnswer("tr2:SetAudioEncoderConfigurationResponse"), {}},
    {"Media2", "GetVideoSourceCfgs", kTokens, "tr2:GetVideoSourceConfigurations", kTokensSent,
     "<tr2:GetVideoSourceConfigurationsResponse><tr2:Configurations token=\"VSC1\"><tt:Name>vs</tt:Name>"
     "<tt:UseCount>2</tt:UseCount><tt:SourceToken>VS1</tt:SourceToken>"
     "<tt:Bounds x=\"0\" y=\"0\" width=\"2560\" height=\"1440\"/></tr2:Configurations>"
     "</tr2:GetVideoSourceConfigurationsResponse>",
     {{"Configurations/0/SourceToken", "\"VS1\""}, {"Configurations/0/Bounds/width", "2560"}}},
    {"Media2", "GetAudioSourceCfgs", "{}", "tr2:GetAudioSourceConfigurations", {{"ConfigurationToken", "<absent>"}},
     "<tr2:GetAudioSourceConfigurationsResponse><tr2:Configurations token=\"ASC1\"><tt:Name>as</tt:Name>"
     "<tt:UseCount>1</tt:UseCount><tt:SourceToken>AS1</tt:SourceToken></tr2:Configurations>"
     "</tr2:GetAudioSourceConfigurationsResponse>",
     {{"Configurations/0/token", "\"ASC1\""}, {"Configurations/0/SourceToken", "\"AS1\""}}},
    {"Media2", "GetAudioSourceCfgOptions", kTokens, "tr2:GetAudioSourceConfigurationOptions", kTokensSent,
     "<tr2:GetAudioSourceConfigurationOptionsResponse><tr2:Options><tt:InputTokensAvailable>AS1"
     "</tt:InputTokensAvailable><tt:InputTokensAvailable>AS2</tt:InputTokensAvailable></tr2:Options>"
     "</tr2:GetAudioSourceConfigurationOptionsResponse>",
     {{"Options/InputTokensAvailable", "[\"AS1\",\"AS2\"]"}}},
    {"Media2", "GetAudioDecoderCfgOptions", kTokens, "tr2:GetAudioDecoderConfigurationOptions", kTokensSent,
     "<tr2:GetAudioDecoderConfigurationOptionsResponse>" + kAudioOptions +
         "</tr2:GetAudioDecoderConfigurationOptionsResponse>",
     kAudioOptionsResult},
    {"Media2", "GetVideoAnalyticsCfgs", kTokens, "tr2:GetAnalyticsConfigurations", kTokensSent,
     "<tr2:GetAnalyticsConfigurationsResponse><tr2:Configurations token=\"VAC1\">" + kAnalytics +
         "</tr2:Configurations></tr2:GetAnalyticsConfigurationsResponse>",
     kAnalyticsResult},

    // ---- Media2 OSDs and masks --------------------------------------------------------------
    {"Media2", "GetOSDOptions", R"({"ConfigurationToken":"VSC1"})", "tr2:GetOSDOptions",
     {{"ConfigurationToken", "VSC1"}},
     "<tr2:GetOSDOptionsResponse><tr2:OSDOptions>" + kOsdOptions + "</tr2:OSDOptions></tr2:GetOSDOptionsResponse>",
     kOsdOptionsResult},
    {"Media2", "GetOSDs", R"({"OSDToken":"OSD1","ConfigurationToken":"VSC1"})", "tr2:GetOSDs",
     {{"OSDToken", "OSD1"}, {"ConfigurationToken", "VSC1"}},
     "<tr2:GetOSDsResponse><tr2:OSDs token=\"OSD1\">" + kOsdRecord + "</tr2:OSDs></tr2:GetOSDsResponse>",
     {{"OSDs/0/token", "\"OSD1\""},
      {"OSDs/0/Position/Pos/y", "0.75"},
      {"OSDs/0/TextString/IsPersistentText", "true"},   // "True": flags in any letter case
      {"OSDs/0/TextString/PlainText", "\"Gate 3\""}}},
    {"Media2", "CreateOSD", kOsdRequest, "tr2:CreateOSD", kOsdSent,
     "<tr2:CreateOSDResponse><tr2:OSDToken>OSD9</tr2:OSDToken></tr2:CreateOSDResponse>",
     {{"OSDToken", "\"OSD9\""}}},
    {"Media2", "SetOSD", kOsdRequest, "tr2:SetOSD", kOsdSent, emptyAnswer("tr2:SetOSDResponse"), {}},
    {"Media2", "DeleteOSD", R"({"OSDToken":"OSD9"})", "tr2:DeleteOSD", {{"OSDToken", "OSD9"}},
     emptyAnswer("tr2:DeleteOSDResponse"), {}},
    {"Media2", "GetMaskOptions", R"({"ConfigurationToken":"VSC1"})", "tr2:GetMaskOptions",
     {{"ConfigurationToken", "VSC1"}},
     "<tr2:GetMaskOptionsResponse><tr2:Options RectangleOnly=\"TRUE\"><tr2:MaxMasks>4</tr2:MaxMasks>"
     "<tr2:MaxPoints>8</tr2:MaxPoints><tr2:Types>Color</tr2:Types><tr2:Types>Pixelated</tr2:Types>"
     "<tr2:Color><tt:ColorList X=\"16\" Y=\"128\" Z=\"128\"/></tr2:Color></tr2:Options></tr2:GetMaskOptionsResponse>",
     {{"Options/MaxMasks", "4"},
      {"Options/Types", "[\"Color\",\"Pixelated\"]"},
      {"Options/RectangleOnly", "true"},
      {"Options/SingleColorOnly", "null"},
      {"Options/Color/ColorList/0/X", "16.0"}}},
    {"Media2", "GetMasks", R"({"Token":"M1","ConfigurationToken":"VSC1"})", "tr2:GetMasks",
     {{"Token", "M1"}, {"ConfigurationToken", "VSC1"}},
     "<tr2:GetMasksResponse><tr2:Masks token=\"M1\"><tr2:ConfigurationToken>VSC1</tr2:ConfigurationToken>"
     "<tr2:Polygon><tt:Point x=\"-1\" y=\"1\"/><tt:Point x=\"0.5\" y=\"1\"/><tt:Point x=\"0.5\" y=\"0.25\"/>"
     "</tr2:Polygon><tr2:Type>Color</tr2:Type><tr2:Color X=\"16\" Y=\"128\" Z=\"128\"/>"
     "<tr2:Enabled>true</tr2:Enabled></tr2:Masks></tr2:GetMasksResponse>",
     {{"Masks/0/token", "\"M1\""},
      {"Masks/0/Polygon/Point/2/y", "0.25"},   // coordinates keep their fractions
      {"Masks/0/Polygon/Point/0/x", "-1.0"},
      {"Masks/0/Color/Y", "128.0"},
      {"Masks/0/Enabled", "true"}}},
    {"Media2", "CreateMask", kMaskRequest, "tr2:CreateMask", kMaskSent,
     "<tr2:CreateMaskResponse><tr2:Token>M2</tr2:Token></tr2:CreateMaskResponse>", {{"Token", "\"M2\""}}},
    {"Media2", "SetMask", kMaskRequest, "tr2:SetMask", {{"@token", "M1"}, {"Type", "Color"}},
     emptyAnswer("tr2:SetMaskResponse"), {}},
    {"Media2", "DeleteMask", R"({"Token":"M1"})", "tr2:DeleteMask", {{"Token", "M1"}},
     emptyAnswer("tr2:DeleteMaskResponse"), {}},

    // ---- Media (ver10) ---------------------------------------------------------------------
    {"Media", "GetMediaServiceCapabilities", "{}", "trt:GetServiceCapabilities", {},
     "<trt:GetServiceCapabilitiesResponse><trt:Capabilities SnapshotUri=\"true\" OSD=\"true\">"
     "<trt:ProfileCapabilities MaximumNumberOfProfiles=\"6\"/>"
     "<trt:StreamingCapabilities RTPMulticast=\"true\" RTP_TCP=\"false\" RTP_RTSP_TCP=\"true\"/>"
     "</trt:Capabilities></trt:GetServiceCapabilitiesResponse>",
     {{"Capabilities/SnapshotUri", "true"},
      {"Capabilities/ProfileCapabilities/MaximumNumberOfProfiles", "6"},
      {"Capabilities/StreamingCapabilities/RTPMulticast", "true"},
      {"Capabilities/StreamingCapabilities/RTP_RTSP_TCP", "true"},
      {"Capabilities/StreamingCapabilities/RTSPStreaming", "true"}}},
    {"Media", "GetOSDOptions", R"({"ConfigurationToken":"VSC1"})", "trt:GetOSDOptions", {{"ConfigurationToken", "VSC1"}},
     "<trt:GetOSDOptionsResponse><trt:OSDOptions>" + kOsdOptions + "</trt:OSDOptions></trt:GetOSDOptionsResponse>",
     kOsdOptionsResult},
    {"Media", "GetOSDs", R"({"ConfigurationToken":"VSC1"})", "trt:GetOSDs", {{"ConfigurationToken", "VSC1"}},
     "<trt:GetOSDsResponse><trt:OSDs token=\"OSD1\">" + kOsdRecord + "</trt:OSDs><trt:OSDs token=\"OSD2\">"
     "<tt:Type>Image</tt:Type><tt:Image><tt:ImgPath>http://h/logo.png</tt:ImgPath></tt:Image></trt:OSDs>"
     "</trt:GetOSDsResponse>",
     {{"OSDs/0/Type", "\"Text\""}, {"OSDs/1/Image/ImgPath", "\"http://h/logo.png\""}, {"OSDs/1/TextString", "null"}}},
    {"Media", "GetOSD", R"({"OSDToken":"OSD1"})", "trt:GetOSD", {{"OSDToken", "OSD1"}},
     "<trt:GetOSDResponse><trt:OSD token=\"OSD1\">" + kOsdRecord + "</trt:OSD></trt:GetOSDResponse>",
     {{"OSD/token", "\"OSD1\""}, {"OSD/TextString/FontSize", "32"}}},
    {"Media", "CreateOSD", kOsdRequest, "trt:CreateOSD", kOsdSent,
     "<trt:CreateOSDResponse><trt:OSDToken>OSD9</trt:OSDToken></trt:CreateOSDResponse>", {{"OSDToken", "\"OSD9\""}}},
    {"Media", "SetOSD", kOsdRequest, "trt:SetOSD", kOsdSent, emptyAnswer("trt:SetOSDResponse"), {}},
    {"Media", "DeleteOSD", R"({"OSDToken":"OSD9"})", "trt:DeleteOSD", {{"OSDToken", "OSD9"}},
     emptyAnswer("trt:DeleteOSDResponse"), {}},
    {"Media", "GetVideoAnalyticsCfgs", "{}", "trt:GetVideoAnalyticsConfigurations", {},
     "<trt:GetVideoAnalyticsConfigurationsResponse><trt:Configurations token=\"VAC1\">" + kAnalytics +
         "</trt:Configurations></trt:GetVideoAnalyticsConfigurationsResponse>",
     kAnalyticsResult},
    {"Media", "GetCompatibleVideoAnalyticsCfgs", R"({"ProfileToken":"P1"})",
     "trt:GetCompatibleVideoAnalyticsConfigurations", {{"ProfileToken", "P1"}},
     "<trt:GetCompatibleVideoAnalyticsConfigurationsResponse><trt:Configurations token=\"VAC1\">" + kAnalytics +
         "</trt:Configurations></trt:GetCompatibleVideoAnalyticsConfigurationsResponse>",
     kAnalyticsResult},
    {"Media", "GetAudioDecoderCfgOptions", kTokens, "trt:GetAudioDecoderConfigurationOptions", kTokensSent,
     "<trt:GetAudioDecoderConfigurationOptionsResponse><trt:Options><tt:G711DecOptions><tt:Bitrate>"
     "<tt:Items>64</tt:Items></tt:Bitrate><tt:SampleRateRange><tt:Items>8</tt:Items></tt:SampleRateRange>"
     "</tt:G711DecOptions><tt:AACDecOptions><tt:Bitrate><tt:Items>32</tt:Items><tt:Items>64</tt:Items></tt:Bitrate>"
     "<tt:SampleRateRange><tt:Items>16</tt:Items><tt:Items>48</tt:Items></tt:SampleRateRange></tt:AACDecOptions>"
     "</trt:Options></trt:GetAudioDecoderConfigurationOptionsResponse>",
     {{"Options/0/Encoding", "\"AAC\""}, {"Options/0/SampleRateList/Items", "[16,48]"},
      {"Options/1/Encoding", "\"G711\""}, {"Options/1/BitrateList/Items", "[64]"}, {"Decoders", "null"}}},
};

} // namespace

const std::vector<RowCase>& mediaConfigurationRowCases()
{
    return kCases;
}

} // namespace MediaTest

namespace {

class MediaConfigurationRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(MediaConfigurationRows, SendsTheRequestAndReadsTheAnswer)
{
    expectRowSendsAndReads(GetParam());
}

TEST_P(MediaConfigurationRows, FailsWhenTheAnswerLacksTheResponseElement)
{
    expectRowFailsWithoutResponse(GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllCommands, MediaConfigurationRows, ::testing::ValuesIn(mediaConfigurationRowCases()),
                         [](const ::testing::TestParamInfo<RowCase>& info) {
                             return std::string(info.param.service) + "_" + info.param.command;
                         });

// A device validating against the schema refuses elements out of order: the quality
// comes after the multicast settings, and a whole frame rate is written as one.
TEST(MediaConfigurationRules, Media2EncoderSetFollowsTheSchemaOrder)
{
    const char* request = R"({"FPSUseInt":false,"Configuration":{"Token":"VE1","Name":"ve","Encoding":"H264",
        "RateControl":{"FrameRateLimit":12.5},"Quality":3,"Multicast":{"Port":5004}}})";
    Exchange ex = runCommand("Media2", "SetVideoEncoderCfg", request,
                             emptyAnswer("tr2:SetVideoEncoderConfigurationResponse"));
    ASSERT_EQ(0, ex.ret);
    const std::string body = ex.body();
    EXPECT_EQ("12.5", sentValue(body, "FrameRateLimit")) << "FPSUseInt false keeps the fraction";
    EXPECT_EQ("H264", sentValue(body, "Encoding"));
    EXPECT_LT(body.find("Encoding>"), body.find("RateControl"));
    EXPECT_LT(body.find("RateControl"), body.find("Multicast"));
    EXPECT_LT(body.find("Multicast"), body.find("Quality>"));
}

TEST(MediaConfigurationRules, RefusalsBeforeAnythingIsSent)
{
    struct Case {
        const char* service;
        const char* command;
        const char* request;
        int expected;
    } cases[] = {
        {"Media2", "SetMask", R"({"Mask":{"Type":"Color"}})", -1},             // no MaskToken
        {"Media2", "CreateMask", R"({"Mask":{"Polygon":{"Point":[3]}}})", -1},  // a point that is no record
        {"Media2", "CreateOSD", R"({"OSD":{"TextString":{"FontSize":"big"}}})", -1},
        {"Media2", "GetMetadataCfgs", "{}", -1},                                 // registered, not implemented
        {"Media2", "SetVideoSourceMode", "{}", -1},
    };
    for (const Case& c : cases) {
        Exchange ex = runCommand(c.service, c.command, c.request, "<tt:AnyResponse/>");
        EXPECT_EQ(c.expected, ex.ret) << c.command;
        EXPECT_TRUE(ex.requests.empty()) << c.command;
    }
}

// Media only says when RTSP streaming is missing; callers read "RTSPStreaming" as Media2 says it.
TEST(MediaConfigurationRules, MediaCapabilitiesDenyRtspOnlyWhenTheDeviceSaysSo)
{
    for (const char* denied : {"true", "false"}) {
        const std::string answer = std::string("<trt:GetServiceCapabilitiesResponse><trt:Capabilities>"
                                               "<trt:StreamingCapabilities NoRTSPStreaming=\"") +
                                   denied + "\"/></trt:Capabilities></trt:GetServiceCapabilitiesResponse>";
        Exchange ex = runCommand("Media", "GetMediaServiceCapabilities", "{}", answer);
        ASSERT_EQ(0, ex.ret);
        EXPECT_EQ(std::string(denied) == "false", at(ex.rsp, "Capabilities/StreamingCapabilities/RTSPStreaming").asBool())
            << denied;
    }
}

} // namespace
