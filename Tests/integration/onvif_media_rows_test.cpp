// Every command of the media service objects against a recorded-style device answer:
// the request element and its key children that reached the device, and the result
// keys the caller gets. The same command against an answer without its response
// element must fail.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "onvif_media_test_support.h"

using namespace MediaTest;

namespace {

std::string empty(const std::string& qualifiedResponse)
{
    return emptyAnswer(qualifiedResponse);
}

const char* kProfileAndConfig = R"({"ProfileToken":"P1","ConfigurationToken":"C7"})";
const std::vector<std::pair<std::string, std::string>> kSentProfileAndConfig = {{"ProfileToken", "P1"},
                                                                                {"ConfigurationToken", "C7"}};

#define ADD_CASE(command, op)                                                                                     \
    RowCase{"Media", command, kProfileAndConfig, "trt:" op, kSentProfileAndConfig, empty("trt:" op "Response"), {}}
#define REMOVE_CASE(command, op)                                                                                \
    RowCase{"Media", command, R"({"ProfileToken":"P1"})", "trt:" op, {{"ProfileToken", "P1"}},                 \
            empty("ns1:" op "Response"), {}}

const std::string kProfileAnswer =
    "<trt:GetProfilesResponse><trt:Profiles token=\"P1\" fixed=\"true\"><tt:Name>main</tt:Name>"
    "<tt:VideoSourceConfiguration token=\"VSC1\"><tt:Name>vs</tt:Name><tt:UseCount>2</tt:UseCount>"
    "<tt:SourceToken>VS1</tt:SourceToken><tt:Bounds x=\"0\" y=\"0\" width=\"1920\" height=\"1080\"/>"
    "</tt:VideoSourceConfiguration>"
    "<tt:AudioSourceConfiguration token=\"ASC1\"><tt:Name>as</tt:Name><tt:UseCount>1</tt:UseCount>"
    "<tt:SourceToken>AS1</tt:SourceToken></tt:AudioSourceConfiguration>"
    "<tt:VideoEncoderConfiguration token=\"VEC1\"><tt:Name>ve</tt:Name><tt:UseCount>1</tt:UseCount>"
    "<tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>1920</tt:Width><tt:Height>1080</tt:Height>"
    "</tt:Resolution><tt:Quality>5</tt:Quality><tt:Multicast><tt:Address><tt:Type>IPv4</tt:Type>"
    "<tt:IPv4Address>239.0.0.1</tt:IPv4Address></tt:Address><tt:Port>5000</tt:Port><tt:TTL>5</tt:TTL>"
    "<tt:AutoStart>false</tt:AutoStart></tt:Multicast><tt:SessionTimeout>PT60S</tt:SessionTimeout>"
    "</tt:VideoEncoderConfiguration>"
    "<tt:AudioEncoderConfiguration token=\"AEC1\"><tt:Name>ae</tt:Name><tt:UseCount>1</tt:UseCount>"
    "<tt:Encoding>G711</tt:Encoding><tt:Bitrate>64</tt:Bitrate><tt:SampleRate>8</tt:SampleRate>"
    "</tt:AudioEncoderConfiguration>"
    "<tt:PTZConfiguration token=\"PTZ1\"><tt:Name>ptz</tt:Name><tt:UseCount>1</tt:UseCount>"
    "<tt:NodeToken>N1</tt:NodeToken><tt:DefaultAbsolutePantTiltPositionSpace>"
    "http://www.onvif.org/ver10/tptz/PanTiltSpaces/PositionGenericSpace</tt:DefaultAbsolutePantTiltPositionSpace>"
    "</tt:PTZConfiguration>"
    "<tt:VideoAnalyticsConfiguration token=\"VAC1\"><tt:Name>va</tt:Name><tt:UseCount>1</tt:UseCount>"
    "</tt:VideoAnalyticsConfiguration>"
    "<tt:Extension><tt:AudioOutputConfiguration token=\"AOC1\"><tt:Name>ao</tt:Name></tt:AudioOutputConfiguration>"
    "<tt:AudioDecoderConfiguration token=\"ADC1\"><tt:Name>ad</tt:Name></tt:AudioDecoderConfiguration>"
    "</tt:Extension></trt:Profiles></trt:GetProfilesResponse>";

const std::string kVideoEncoderAnswer =
    "<ns1:GetVideoEncoderConfigurationResponse><ns1:Configuration token=\"VEC1\"><ns2:Name>ve</ns2:Name>"
    "<ns2:UseCount>1</ns2:UseCount><ns2:Encoding>H264</ns2:Encoding><ns2:Resolution><ns2:Width>1280</ns2:Width>"
    "<ns2:Height>720</ns2:Height></ns2:Resolution><ns2:Quality>4.5</ns2:Quality><ns2:RateControl>"
    "<ns2:FrameRateLimit>25</ns2:FrameRateLimit><ns2:EncodingInterval>1</ns2:EncodingInterval>"
    "<ns2:BitrateLimit>2048</ns2:BitrateLimit></ns2:RateControl><ns2:H264><ns2:GovLength>50</ns2:GovLength>"
    "<ns2:H264Profile>Main</ns2:H264Profile></ns2:H264><ns2:Multicast><ns2:Address><ns2:Type>IPv4</ns2:Type>"
    "<ns2:IPv4Address>239.0.0.2</ns2:IPv4Address></ns2:Address><ns2:Port>5002</ns2:Port><ns2:TTL>3</ns2:TTL>"
    "<ns2:AutoStart>true</ns2:AutoStart></ns2:Multicast><ns2:SessionTimeout>PT30S</ns2:SessionTimeout>"
    "</ns1:Configuration></ns1:GetVideoEncoderConfigurationResponse>";

const std::string kEncoderListAnswer =
    "<trt:GetVideoEncoderConfigurationsResponse>"
    "<trt:Configurations token=\"VEC1\"><tt:Name>main</tt:Name><tt:UseCount>1</tt:UseCount>"
    "<tt:Encoding>H264</tt:Encoding><tt:Quality>3</tt:Quality><tt:Multicast><tt:Address><tt:Type>IPv4</tt:Type>"
    "<tt:IPv4Address>239.0.0.1</tt:IPv4Address></tt:Address><tt:Port>5000</tt:Port></tt:Multicast>"
    "</trt:Configurations>"
    "<trt:Configurations token=\"VEC2\"><tt:Name>sub</tt:Name><tt:Encoding>JPEG</tt:Encoding>"
    "</trt:Configurations></trt:GetVideoEncoderConfigurationsResponse>";

const std::string kEncoderOptionsAnswer =
    "<trt:GetVideoEncoderConfigurationOptionsResponse><trt:Options><tt:QualityRange><tt:Min>1</tt:Min>"
    "<tt:Max>10</tt:Max></tt:QualityRange>"
    "<tt:JPEG><tt:ResolutionsAvailable><tt:Width>640</tt:Width><tt:Height>480</tt:Height></tt:ResolutionsAvailable>"
    "<tt:FrameRateRange><tt:Min>1</tt:Min><tt:Max>15</tt:Max></tt:FrameRateRange></tt:JPEG>"
    "<tt:H264><tt:ResolutionsAvailable><tt:Width>1920</tt:Width><tt:Height>1080</tt:Height></tt:ResolutionsAvailable>"
    "<tt:ResolutionsAvailable><tt:Width>1280</tt:Width><tt:Height>720</tt:Height></tt:ResolutionsAvailable>"
    "<tt:GovLengthRange><tt:Min>1</tt:Min><tt:Max>150</tt:Max></tt:GovLengthRange>"
    "<tt:FrameRateRange><tt:Min>1</tt:Min><tt:Max>30</tt:Max></tt:FrameRateRange>"
    "<tt:EncodingIntervalRange><tt:Min>1</tt:Min><tt:Max>1</tt:Max></tt:EncodingIntervalRange>"
    "<tt:H264ProfilesSupported>Baseline</tt:H264ProfilesSupported>"
    "<tt:H264ProfilesSupported>Main</tt:H264ProfilesSupported></tt:H264>"
    "<tt:Extension><tt:H264><tt:BitrateRange><tt:Min>64</tt:Min><tt:Max>16384</tt:Max></tt:BitrateRange>"
    "</tt:H264></tt:Extension></trt:Options></trt:GetVideoEncoderConfigurationOptionsResponse>";

const std::string kVideoSourcesAnswer =
    "<trt:GetVideoSourcesResponse><trt:VideoSources token=\"VS1\"><tt:Framerate>25</tt:Framerate>"
    "<tt:Resolution><tt:Width>1920</tt:Width><tt:Height>1080</tt:Height></tt:Resolution><tt:Imaging>"
    "<tt:BacklightCompensation><tt:Mode>OFF</tt:Mode><tt:Level>0</tt:Level></tt:BacklightCompensation>"
    "<tt:Brightness>50</tt:Brightness><tt:Exposure><tt:Mode>AUTO</tt:Mode>"
    "<tt:Window bottom=\"1\" top=\"0\" right=\"1\" left=\"0\"/><tt:MaxGain>100</tt:MaxGain></tt:Exposure>"
    "<tt:Focus><tt:AutoFocusMode>AUTO</tt:AutoFocusMode><tt:FarLimit>0.5</tt:FarLimit></tt:Focus>"
    "</tt:Imaging></trt:VideoSources></trt:GetVideoSourcesResponse>";

std::string sourceConfig(const std::string& element)
{
    return "<" + element + " token=\"VSC1\"><tt:Name>vs</tt:Name><tt:UseCount>2</tt:UseCount>"
           "<tt:SourceToken>VS1</tt:SourceToken><tt:Bounds x=\"0\" y=\"8\" width=\"1920\" height=\"1072\"/></" +
           element + ">";
}

const std::string kAudioEncoderAnswer =
    "<trt:GetAudioEncoderConfigurationResponse><trt:Configuration token=\"AEC1\"><tt:Name>ae</tt:Name>"
    "<tt:UseCount>1</tt:UseCount><tt:Encoding>G711</tt:Encoding><tt:Bitrate>64</tt:Bitrate>"
    "<tt:SampleRate>8</tt:SampleRate><tt:Multicast><tt:Address><tt:Type>IPv6</tt:Type>"
    "<tt:IPv6Address>ff15::1</tt:IPv6Address></tt:Address><tt:Port>5004</tt:Port><tt:TTL>1</tt:TTL>"
    "<tt:AutoStart>false</tt:AutoStart></tt:Multicast><tt:SessionTimeout>PT60S</tt:SessionTimeout>"
    "</trt:Configuration></trt:GetAudioEncoderConfigurationResponse>";

std::string audioEncoderList(const std::string& response)
{
    return "<trt:" + response + "><trt:Configurations token=\"AEC1\"><tt:Name>ae</tt:Name><tt:UseCount>1</tt:UseCount>"
           "<tt:Encoding>AAC</tt:Encoding><tt:Bitrate>32</tt:Bitrate><tt:SampleRate>16</tt:SampleRate>"
           "<tt:Multicast><tt:Port>5006</tt:Port><tt:AutoStart>false</tt:AutoStart></tt:Multicast>"
           "<tt:SessionTimeout>PT60S</tt:SessionTimeout></trt:Configurations></trt:" + response + ">";
}

std::string audioSourceConfig(const std::string& element)
{
    return "<" + element + " token=\"ASC1\"><tt:Name>as</tt:Name><tt:UseCount>1</tt:UseCount>"
           "<tt:SourceToken>AS1</tt:SourceToken></" + element + ">";
}

const std::vector<RowCase> kCases = {
    // ---- Media profiles --------------------------------------------------------------
    {"Media", "GetProfiles", "{}", "trt:GetProfiles", {}, kProfileAnswer,
     {{"Profiles/0/token", "\"P1\""},
      {"Profiles/0/VideoEncoderConfiguration/token", "\"VEC1\""},
      {"Profiles/0/VideoEncoderConfiguration/Encoding", "\"H264\""},
      {"Profiles/0/VideoSourceConfiguration/SourceToken", "\"VS1\""},
      {"Profiles/0/Multicast/Address/IPv4Address", "\"239.0.0.1\""},
      {"Profiles/0/Multicast/Port", "5000"},
      {"Profiles/0/AudioEncoderConfiguration/Encoding", "\"G711\""},
      {"Profiles/0/PTZConfiguration/NodeToken", "\"N1\""},
      {"Profiles/0/PTZConfiguration/DefaultAbsolutePantTiltPositionSpace",
       "\"http://www.onvif.org/ver10/tptz/PanTiltSpaces/PositionGenericSpace\""},
      {"Profiles/0/VideoAnalyticsConfiguration/token", "\"VAC1\""},
      {"Profiles/0/AudioOutputConfiguration/token", "\"AOC1\""},
      {"Profiles/0/AudioDecoderConfiguration/token", "\"ADC1\""}}},
    {"Media", "GetProfile", R"({"ProfileToken":"P1"})", "trt:GetProfile", {{"ProfileToken", "P1"}},
     "<trt:GetProfileResponse><trt:Profile token=\"P1\" fixed=\"false\"><tt:Name>main</tt:Name>"
     "<tt:VideoEncoderConfiguration token=\"VEC1\"><tt:Encoding>H264</tt:Encoding></tt:VideoEncoderConfiguration>"
     "</trt:Profile></trt:GetProfileResponse>",
     {{"Profile/token", "\"P1\""}, {"Profile/fixed", "false"}, {"Profile/VideoEncoderConfiguration/Encoding", "\"H264\""},
      {"Profile/VideoSourceConfiguration", "null"}}},
    {"Media", "CreateProfile", R"({"Name":"record","Token":"P9"})", "trt:CreateProfile",
     {{"Name", "record"}, {"Token", "P9"}},
     "<trt:CreateProfileResponse><trt:Profile token=\"P9\" fixed=\"false\"><tt:Name>record</tt:Name></trt:Profile>"
     "</trt:CreateProfileResponse>",
     {{"Profile/token", "\"P9\""}, {"Profile/Name", "\"record\""}, {"Profile/fixed", "false"}}},
    {"Media", "DeleteProfile", R"({"ProfileToken":"P9"})", "trt:DeleteProfile", {{"ProfileToken", "P9"}},
     empty("trt:DeleteProfileResponse"), {}},
    ADD_CASE("AddVideoSourceCfgToProfile", "AddVideoSourceConfiguration"),
    ADD_CASE("AddAudioSourceCfgToProfile", "AddAudioSourceConfiguration"),
    ADD_CASE("AddVideoEncodeCfgToProfile", "AddVideoEncoderConfiguration"),
    ADD_CASE("AddAudioEncodeCfgToProfile", "AddAudioEncoderConfiguration"),
    {"Media", "AddPTZCfgToProfile", R"({"token":"P1","PTZConfiguration":{"token":"PTZ1"}})", "trt:AddPTZConfiguration",
     {{"ProfileToken", "P1"}, {"ConfigurationToken", "PTZ1"}}, empty("trt:AddPTZConfigurationResponse"), {}},
    ADD_CASE("AddVideoAnalyticsCfgToProfile", "AddVideoAnalyticsConfiguration"),
    ADD_CASE("AddMediadataCfgToProfile", "AddMetadataConfiguration"),
    ADD_CASE("AddAudioOutputCfgToProfile", "AddAudioOutputConfiguration"),
    ADD_CASE("AddAudioDecoderCfgToProfile", "AddAudioDecoderConfiguration"),
    REMOVE_CASE("RemoveVideoSourceCfgFromProfile", "RemoveVideoSourceConfiguration"),
    REMOVE_CASE("RemoveVideoEncodeCfgFromProfile", "RemoveVideoEncoderConfiguration"),
    REMOVE_CASE("RemoveAudioSourceCfgFromProfile", "RemoveAudioSourceConfiguration"),
    REMOVE_CASE("RemoveAudioEncodeCfgFromProfile", "RemoveAudioEncoderConfiguration"),
    REMOVE_CASE("RemovePTZCfgFromProfile", "RemovePTZConfiguration"),
    REMOVE_CASE("RemoveVideoAnalyticsCfgFromProfile", "RemoveVideoAnalyticsConfiguration"),
    REMOVE_CASE("RemoveMediadataCfgFromProfile", "RemoveMetadataConfiguration"),
    REMOVE_CASE("RemoveAudioOutputCfgFromProfile", "RemoveAudioOutputConfiguration"),
    REMOVE_CASE("RemoveAudioDecoderCfgFromProfile", "RemoveAudioDecoderConfiguration"),

    // ---- Media streams (one answer in a default namespace) -----------------------------------
    {"Media", "GetStreamUri",
     R"({"ProfileToken":"P1","StreamSetup":{"Stream":"RTP-Multicast","Transport":{"Protocol":"UDP"}}})",
     "trt:GetStreamUri", {{"Stream", "RTP-Multicast"}, {"Protocol", "UDP"}, {"ProfileToken", "P1"}},
     "<GetStreamUriResponse xmlns=\"http://www.onvif.org/ver10/media/wsdl\"><MediaUri>"
     "<tt:Uri>rtsp://192.0.2.7/stream1</tt:Uri><tt:InvalidAfterConnect>false</tt:InvalidAfterConnect>"
     "<tt:InvalidAfterReboot>true</tt:InvalidAfterReboot><tt:Timeout>PT60S</tt:Timeout></MediaUri>"
     "</GetStreamUriResponse>",
     {{"MediaUri/Uri", "\"rtsp://192.0.2.7/stream1\""}, {"MediaUri/InvalidAfterConnect", "false"},
      {"MediaUri/InvalidAfterReboot", "true"}, {"MediaUri/Timeout", "\"PT60S\""}}},
    {"Media", "GetSnapShotUri", R"({"ProfileToken":"P1"})", "trt:GetSnapshotUri", {{"ProfileToken", "P1"}},
     "<trt:GetSnapshotUriResponse><trt:MediaUri><tt:Uri>http://192.0.2.7/snap.jpg</tt:Uri>"
     "<tt:InvalidAfterConnect>false</tt:InvalidAfterConnect><tt:InvalidAfterReboot>false</tt:InvalidAfterReboot>"
     "<tt:Timeout>PT0S</tt:Timeout></trt:MediaUri></trt:GetSnapshotUriResponse>",
     {{"MediaUri/Uri", "\"http://192.0.2.7/snap.jpg\""}, {"MediaUri/Timeout", "\"PT0S\""}}},
    {"Media", "StartMulticastStreaming", R"({"ProfileToken":"P1"})", "trt:StartMulticastStreaming",
     {{"ProfileToken", "P1"}}, empty("trt:StartMulticastStreamingResponse"), {}},
    {"Media", "StopMulticastStreaming", R"({"ProfileToken":"P1"})", "trt:StopMulticastStreaming",
     {{"ProfileToken", "P1"}}, empty("trt:StopMulticastStreamingResponse"), {}},
    {"Media", "SetSynchronizationPoints", R"({"ProfileToken":"P1"})", "trt:SetSynchronizationPoint",
     {{"ProfileToken", "P1"}}, empty("trt:SetSynchronizationPointResponse"), {}},

    // ---- Video configurations ------------------------------------------------------------
    {"Media", "GetVideoEncoderCfg", R"({"VideoConfigurationToken":"VEC1"})", "trt:GetVideoEncoderConfiguration",
     {{"ConfigurationToken", "VEC1"}}, kVideoEncoderAnswer,
     {{"Configuration/token", "\"VEC1\""}, {"Configuration/Resolution/Width", "1280"},
      {"Configuration/Quality", "4.5"}, {"Configuration/RateControl/BitrateLimit", "2048"},
      {"Configuration/H264/H264Profile", "\"Main\""}, {"Configuration/MPEG4", "null"},
      {"Configuration/Multicast/Address/IPv4Address", "\"239.0.0.2\""}, {"Configuration/Multicast/AutoStart", "true"},
      {"Configuration/SessionTimeout", "\"PT30S\""}}},
    {"Media", "SetVideoEncoderCfg",
     R"({"Configuration":{"Name":"ve","UseCount":1,"token":"VEC1","Encoding":"H264",
        "Resolution":{"Width":1280,"Height":720},"Quality":4,"RateControl":{"FrameRateLimit":25,"BitrateLimit":2048},
        "H264":{"GovLength":50,"H264Profile":"Main"},"Multicast":{"Port":5002,"AutoStart":false}}})",
     "trt:SetVideoEncoderConfiguration",
     {{"@token", "VEC1"}, {"Encoding", "H264"}, {"Width", "1280"}, {"Quality", "4"}, {"FrameRateLimit", "25"},
      {"GovLength", "50"}, {"H264Profile", "Main"}, {"Port", "5002"}, {"AutoStart", "false"},
      {"ForcePersistence", "true"}},
     empty("trt:SetVideoEncoderConfigurationResponse"), {}},
    {"Media", "GetVideoEncoderCfgOptions", R"({"VideoConfigurationToken":"VEC1","ProfileToken":"P1"})",
     "trt:GetVideoEncoderConfigurationOptions", {{"ConfigurationToken", "VEC1"}, {"ProfileToken", "P1"}},
     kEncoderOptionsAnswer,
     {{"Options/QualityRange/Max", "10"}, {"Options/JPEG/ResolutionsAvailable/0/Width", "640"},
      {"Options/JPEG/FrameRateRange/Max", "15"}, {"Options/H264/ResolutionsAvailable/1/Height", "720"},
      {"Options/H264/GovLengthRange/Max", "150"}, {"Options/H264/EncodingIntervalRange/Min", "1"},
      {"Options/H264/H264ProfilesSupported/1", "\"Main\""}, {"Options/H264/BitrateRange/Max", "16384"},
      {"Options/MPEG4", "null"}}},
    {"Media", "GetVideoEncoderCfgs", "{}", "trt:GetVideoEncoderConfigurations", {}, kEncoderListAnswer,
     {{"Configurations/0/token", "\"VEC1\""}, {"Configurations/0/Quality", "3.0"},
      {"Configurations/0/Multicast/Address/IPv4Address/0", "\"239.0.0.1\""}, {"Configurations/1/Encoding", "\"JPEG\""},
      {"Configurations/1/Multicast", "null"}}},
    {"Media", "GetCompatibleVideoEncoderCfgs", R"({"ProfileToken":"P1"})", "trt:GetCompatibleVideoEncoderConfigurations",
     {{"ProfileToken", "P1"}},
     "<trt:GetCompatibleVideoEncoderConfigurationsResponse><trt:Configurations token=\"VEC3\">"
     "<tt:Name>third</tt:Name><tt:Encoding>MPEG4</tt:Encoding><tt:MPEG4><tt:GovLength>30</tt:GovLength>"
     "<tt:Mpeg4Profile>SP</tt:Mpeg4Profile></tt:MPEG4></trt:Configurations>"
     "</trt:GetCompatibleVideoEncoderConfigurationsResponse>",
     {{"Configurations/0/token", "\"VEC3\""}, {"Configurations/0/MPEG4/Mpeg4Profile", "\"SP\""},
      {"Configurations/0/MPEG4/GovLength", "30"}}},
    {"Media", "GetGuaranteedNumberOfVideoEncoderInstances", R"({"ConfigurationToken":"VSC1"})",
     "trt:GetGuaranteedNumberOfVideoEncoderInstances", {{"ConfigurationToken", "VSC1"}},
     "<trt:GetGuaranteedNumberOfVideoEncoderInstancesResponse><trt:TotalNumber>4</trt:TotalNumber>"
     "<trt:JPEG>2</trt:JPEG><trt:H264>4</trt:H264></trt:GetGuaranteedNumberOfVideoEncoderInstancesResponse>",
     {{"TotalNumber", "4"}, {"JPEG", "2"}, {"H264", "4"}, {"MPEG4", "null"}}},
    {"Media", "GetVideoSources", "{}", "trt:GetVideoSources", {}, kVideoSourcesAnswer,
     {{"VideoSources/0/token", "\"VS1\""}, {"VideoSources/0/Framerate", "25.0"},
      {"VideoSources/0/Resolution/Width", "1920"}, {"VideoSources/0/Imaging/Brightness", "50.0"},
      {"VideoSources/0/Imaging/BacklightCompensation/Mode", "\"OFF\""},
      {"VideoSources/0/Imaging/Exposure/Window/bottom", "1.0"}, {"VideoSources/0/Imaging/Exposure/MaxGain", "100.0"},
      {"VideoSources/0/Imaging/Focus/FarLimit", "0.5"}}},
    {"Media", "GetVideoSourceCfgs", "{}", "trt:GetVideoSourceConfigurations", {},
     "<trt:GetVideoSourceConfigurationsResponse>" + sourceConfig("trt:Configurations") +
         "</trt:GetVideoSourceConfigurationsResponse>",
     {{"Configurations/0/token", "\"VSC1\""}, {"Configurations/0/SourceToken", "\"VS1\""},
      {"Configurations/0/UseCount", "2"}, {"Configurations/0/Bounds/y", "8"}, {"Configurations/0/Bounds/height", "1072"}}},
    {"Media", "GetVideoSourceCfg", R"({"ConfigurationToken":"VSC1"})", "trt:GetVideoSourceConfiguration",
     {{"ConfigurationToken", "VSC1"}},
     "<ns1:GetVideoSourceConfigurationResponse>" + sourceConfig("ns1:Configuration") +
         "</ns1:GetVideoSourceConfigurationResponse>",
     {{"Configuration/Name", "\"vs\""}, {"Configuration/Bounds/width", "1920"}}},
    {"Media", "GetCompatibleVideoSourceCfgs", R"({"ProfileToken":"P1"})",
     "trt:GetCompatibleVideoSourceConfigurations", {{"ProfileToken", "P1"}},
     "<trt:GetCompatibleVideoSourceConfigurationsResponse><trt:Configurations token=\"VSC2\">"
     "<tt:Name>vs2</tt:Name><tt:SourceToken>VS2</tt:SourceToken><tt:Bounds><tt:x>0</tt:x><tt:y>0</tt:y>"
     "<tt:width>1280</tt:width><tt:height>720</tt:height></tt:Bounds></trt:Configurations>"
     "</trt:GetCompatibleVideoSourceConfigurationsResponse>",
     {{"Configurations/0/token", "\"VSC2\""}, {"Configurations/0/Bounds/width", "1280"}}},
    {"Media", "SetVideoSourceCfg",
     R"({"Configuration":{"Name":"vs","token":"VSC1","SourceToken":"VS1",
        "Bounds":{"x":0,"y":0,"width":1280,"height":720}}})",
     "trt:SetVideoSourceConfiguration",
     {{"@token", "VSC1"}, {"SourceToken", "VS1"}, {"@width", "1280"}, {"@height", "720"}, {"ForcePersistence", "true"}},
     empty("trt:SetVideoSourceConfigurationResponse"), {}},
    {"Media", "GetVideoSourceCfgOptions", R"({"ConfigurationToken":"VSC1","ProfileToken":"P1"})",
     "trt:GetVideoSourceConfigurationOptions", {{"ConfigurationToken", "VSC1"}, {"ProfileToken", "P1"}},
     "<trt:GetVideoSourceConfigurationOptionsResponse><trt:Options><tt:BoundsRange>"
     "<tt:XRange><tt:Min>0</tt:Min><tt:Max>0</tt:Max></tt:XRange><tt:YRange><tt:Min>0</tt:Min><tt:Max>0</tt:Max>"
     "</tt:YRange><tt:WidthRange><tt:Min>320</tt:Min><tt:Max>1920</tt:Max></tt:WidthRange><tt:HeightRange>"
     "<tt:Min>240</tt:Min><tt:Max>1080</tt:Max></tt:HeightRange></tt:BoundsRange>"
     "<tt:VideoSourceTokensAvailable>VS1</tt:VideoSourceTokensAvailable>"
     "<tt:VideoSourceTokensAvailable>VS2</tt:VideoSourceTokensAvailable></trt:Options>"
     "</trt:GetVideoSourceConfigurationOptionsResponse>",
     {{"Options/BoundsRange/WidthRange/Max", "1920"}, {"Options/BoundsRange/HeightRange/Min", "240"},
      {"Options/VideoSourceTokensAvailable/1", "\"VS2\""}}},

    // ---- Audio configurations ------------------------------------------------------------
    {"Media", "GetAudioSources", "{}", "trt:GetAudioSources", {},
     "<trt:GetAudioSourcesResponse><trt:AudioSources token=\"AS1\"><tt:Channels>1</tt:Channels></trt:AudioSources>"
     "<trt:AudioSources token=\"AS2\"><tt:Channels>2</tt:Channels></trt:AudioSources></trt:GetAudioSourcesResponse>",
     {{"AudioSources/0/Token", "\"AS1\""}, {"AudioSources/1/Channels", "2"}}},
    {"Media", "GetAudioEncoderCfg", R"({"AudioConfigurationToken":"AEC1"})", "trt:GetAudioEncoderConfiguration",
     {{"ConfigurationToken", "AEC1"}}, kAudioEncoderAnswer,
     {{"Configuration/token", "\"AEC1\""}, {"Configuration/Encoding", "\"G711\""}, {"Configuration/SampleRate", "8"},
      {"Configuration/Multicast/Address/IPv6Address", "\"ff15::1\""}, {"Configuration/Multicast/AutoStart", "false"},
      {"Configuration/SessionTimeout", "\"PT60S\""}}},
    {"Media", "GetAudioEncoderCfgs", "{}", "trt:GetAudioEncoderConfigurations", {},
     audioEncoderList("GetAudioEncoderConfigurationsResponse"),
     {{"Configurations/0/Encoding", "\"AAC\""}, {"Configurations/0/Bitrate", "32"},
      {"Configurations/0/Multicast/Port", "5006"}, {"Configurations/0/Multicast/AutoStart", "false"},
      {"Configurations/0/SessionTimeout", "\"PT60S\""}}},
    // The compatible list reads the flag and the time-out as numbers: the schema's spelling
    // leaves them out.
    {"Media", "GetCompatibleAudioEncoderCfgs", R"({"ProfileToken":"P1"})",
     "trt:GetCompatibleAudioEncoderConfigurations", {{"ProfileToken", "P1"}},
     audioEncoderList("GetCompatibleAudioEncoderConfigurationsResponse"),
     {{"Configurations/0/token", "\"AEC1\""}, {"Configurations/0/Multicast/Port", "5006"},
      {"Configurations/0/Multicast/AutoStart", "null"}, {"Configurations/0/SessionTimeout", "null"}}},
    {"Media", "SetAudioEncoderCfg",
     R"({"Configuration":{"Name":"ae","token":"AEC1","Encoding":"G711","Bitrate":64,"SampleRate":8,
        "Multicast":{"Port":5004,"AutoStart":true},"SessionTimeout":"PT60S"}})",
     "trt:SetAudioEncoderConfiguration",
     {{"@token", "AEC1"}, {"Encoding", "G711"}, {"Bitrate", "64"}, {"SampleRate", "8"}, {"Port", "5004"},
      {"AutoStart", "1"}, {"SessionTimeout", "PT60S"}, {"ForcePersistence", "true"}},
     empty("trt:SetAudioEncoderConfigurationResponse"), {}},
    {"Media", "GetAudioEncoderCfgOptions", R"({"ConfigurationToken":"AEC1"})",
     "trt:GetAudioEncoderConfigurationOptions", {{"ConfigurationToken", "AEC1"}},
     "<trt:GetAudioEncoderConfigurationOptionsResponse><trt:Options>"
     "<tt:Options><tt:Encoding>G711</tt:Encoding><tt:BitrateList><tt:Items>64</tt:Items></tt:BitrateList>"
     "<tt:SampleRateList><tt:Items>8</tt:Items></tt:SampleRateList></tt:Options>"
     "<tt:Options><tt:Encoding>AAC</tt:Encoding><tt:BitrateList><tt:Items>32</tt:Items><tt:Items>64</tt:Items>"
     "</tt:BitrateList><tt:SampleRateList><tt:Items>16</tt:Items><tt:Items>48</tt:Items></tt:SampleRateList>"
     "</tt:Options></trt:Options></trt:GetAudioEncoderConfigurationOptionsResponse>",
     {{"Options/0/Encoding", "\"G711\""}, {"Options/1/BitrateList/Items", "[32,64]"},
      {"Options/1/SampleRateList/Items/1", "48"}}},
    {"Media", "GetAudioSourceCfgs", "{}", "trt:GetAudioSourceConfigurations", {},
     "<trt:GetAudioSourceConfigurationsResponse>" + audioSourceConfig("trt:Configurations") +
         "</trt:GetAudioSourceConfigurationsResponse>",
     {{"Configurations/0/token", "\"ASC1\""}, {"Configurations/0/SourceToken", "\"AS1\""}}},
    {"Media", "GetAudioSourceCfg", R"({"ConfigurationToken":"ASC1"})", "trt:GetAudioSourceConfiguration",
     {{"ConfigurationToken", "ASC1"}},
     "<trt:GetAudioSourceConfigurationResponse>" + audioSourceConfig("trt:Configuration") +
         "</trt:GetAudioSourceConfigurationResponse>",
     {{"Configuration/Name", "\"as\""}, {"Configuration/UseCount", "1"}}},
    {"Media", "GetCompatibleAudioSourceCfgs", R"({"ProfileToken":"P1"})",
     "trt:GetCompatibleAudioSourceConfigurations", {{"ProfileToken", "P1"}},
     "<ns1:GetCompatibleAudioSourceConfigurationsResponse>" + audioSourceConfig("ns1:Configurations") +
         "</ns1:GetCompatibleAudioSourceConfigurationsResponse>",
     {{"Configurations/0/SourceToken", "\"AS1\""}}},
    {"Media", "SetAudioSourceCfg", R"({"Configuration":{"Name":"as","token":"ASC1","SourceToken":"AS1"}})",
     "trt:SetAudioSourceConfiguration", {{"@token", "ASC1"}, {"Name", "as"}, {"SourceToken", "AS1"}},
     empty("trt:SetAudioSourceConfigurationResponse"), {}},
    {"Media", "GetAudioSourceCfgOptions", R"({"ConfigurationToken":"ASC1","ProfileToken":"P1"})",
     "trt:GetAudioSourceConfigurationOptions", {{"ConfigurationToken", "ASC1"}, {"ProfileToken", "P1"}},
     "<trt:GetAudioSourceConfigurationOptionsResponse><trt:Options>"
     "<tt:InputTokensAvailable>AS1</tt:InputTokensAvailable><tt:InputTokensAvailable>AS2</tt:InputTokensAvailable>"
     "</trt:Options></trt:GetAudioSourceConfigurationOptionsResponse>",
     {{"AudioSourceOptions/InputTokensAvailable", "[\"AS1\",\"AS2\"]"}}},

    // ---- Media2 profiles and streams -------------------------------------------------------
    {"Media2", "GetProfiles", R"({"Token":"P1"})", "tr2:GetProfiles", {{"Token", "P1"}, {"Type", "All"}},
     "<ns3:GetProfilesResponse><ns3:Profiles token=\"P1\" fixed=\"true\"><ns3:Name>main</ns3:Name>"
     "<ns3:Configurations><ns3:VideoSource token=\"VSC1\"><ns2:Name>vs</ns2:Name>"
     "<ns2:SourceToken>VS1</ns2:SourceToken></ns3:VideoSource>"
     "<ns3:VideoEncoder token=\"VEC1\"><ns2:Name>ve</ns2:Name><ns2:Encoding>MPV4-ES</ns2:Encoding>"
     "</ns3:VideoEncoder><ns3:AudioEncoder token=\"AEC1\"><ns2:Encoding>PCMU</ns2:Encoding></ns3:AudioEncoder>"
     "<ns3:PTZ token=\"PTZ1\"><ns2:NodeToken>N1</ns2:NodeToken></ns3:PTZ>"
     "<ns3:Analytics token=\"VAC1\"/><ns3:AudioOutput token=\"AOC1\"/><ns3:AudioDecoder token=\"ADC1\"/>"
     "</ns3:Configurations></ns3:Profiles></ns3:GetProfilesResponse>",
     {{"Profiles/0/token", "\"P1\""}, {"Profiles/0/VideoEncoderConfiguration/Encoding", "\"MPEG4\""},
      {"Profiles/0/VideoSourceConfiguration/SourceToken", "\"VS1\""}, {"Profiles/0/Multicast/Port", "0"},
      {"Profiles/0/Multicast/Address", "null"}, {"Profiles/0/AudioEncoderConfiguration/Encoding", "\"PCMU\""},
      {"Profiles/0/PTZConfiguration/NodeToken", "\"N1\""}, {"Profiles/0/VideoAnalyticsConfiguration/token", "\"VAC1\""},
      {"Profiles/0/AudioOutputConfiguration/token", "\"AOC1\""},
      {"Profiles/0/AudioDecoderConfiguration/token", "\"ADC1\""}}},
    {"Media2", "CreateProfile",
     R"({"Name":"rec","Configuration":[{"Type":"VideoSource","Token":"VSC1"},{"Type":"VideoEncoder","Token":"VEC1"}]})",
     "tr2:CreateProfile", {{"Name", "rec"}, {"Type[0]", "VideoSource"}, {"Token[0]", "VSC1"},
                           {"Type[1]", "VideoEncoder"}, {"Token[1]", "VEC1"}},
     "<tr2:CreateProfileResponse><tr2:Token>P10</tr2:Token></tr2:CreateProfileResponse>",
     {{"ProfileToken", "\"P10\""}}},
    {"Media2", "DeleteProfile", R"({"ProfileToken":"P10"})", "tr2:DeleteProfile", {{"Token", "P10"}},
     empty("tr2:DeleteProfileResponse"), {}},
    {"Media2", "AddConfiguration",
     R"({"ProfileToken":"P1","Name":"main","Configuration":[{"Type":"AudioEncoder","Token":"AEC1"}]})",
     "tr2:AddConfiguration", {{"ProfileToken", "P1"}, {"Name", "main"}, {"Type", "AudioEncoder"}, {"Token", "AEC1"}},
     empty("tr2:AddConfigurationResponse"), {}},
    {"Media2", "RemoveConfiguration", R"({"ProfileToken":"P1","Configuration":[{"Type":"PTZ"}]})",
     "tr2:RemoveConfiguration", {{"ProfileToken", "P1"}, {"Type", "PTZ"}}, empty("ns3:RemoveConfigurationResponse"),
     {}},
    {"Media2", "GetStreamUri", R"({"ProfileToken":"P1","Protocol":"RtspOverHttp"})", "tr2:GetStreamUri",
     {{"Protocol", "RtspOverHttp"}, {"ProfileToken", "P1"}},
     "<tr2:GetStreamUriResponse><tr2:Uri>rtsp://192.0.2.7/media2/1</tr2:Uri></tr2:GetStreamUriResponse>",
     {{"MediaUri/Uri", "\"rtsp://192.0.2.7/media2/1\""}, {"MediaUri/InvalidAfterConnect", "null"}}},
    {"Media2", "GetSnapShotUri", R"({"ProfileToken":"P1"})", "tr2:GetSnapshotUri", {{"ProfileToken", "P1"}},
     "<GetSnapshotUriResponse xmlns=\"http://www.onvif.org/ver20/media/wsdl\"><Uri>http://192.0.2.7/s.jpg</Uri>"
     "</GetSnapshotUriResponse>",
     {{"MediaUri/Uri", "\"http://192.0.2.7/s.jpg\""}}},
    {"Media2", "StartMulticastStreaming", R"({"ProfileToken":"P1"})", "tr2:StartMulticastStreaming",
     {{"ProfileToken", "P1"}}, empty("tr2:StartMulticastStreamingResponse"), {}},
    {"Media2", "StopMulticastStreaming", R"({"ProfileToken":"P1"})", "tr2:StopMulticastStreaming",
     {{"ProfileToken", "P1"}}, empty("tr2:StopMulticastStreamingResponse"), {}},
    {"Media2", "SetSynchronizationPoints", R"({"ProfileToken":"P1"})", "tr2:SetSynchronizationPoint",
     {{"ProfileToken", "P1"}}, empty("tr2:SetSynchronizationPointResponse"), {}},
    {"Media2", "GetMediaServiceCapabilities", "{}", "tr2:GetServiceCapabilities", {},
     "<tr2:GetServiceCapabilitiesResponse><tr2:Capabilities SnapshotUri=\"true\" OSD=\"false\">"
     "<tr2:ProfileCapabilities MaximumNumberOfProfiles=\"8\" ConfigurationsSupported=\"VideoSource VideoEncoder\"/>"
     "<tr2:StreamingCapabilities RTSPStreaming=\"true\" RTP_RTSP_TCP=\"true\" RTSPWebSocketUri=\"ws://h/ws\"/>"
     "</tr2:Capabilities></tr2:GetServiceCapabilitiesResponse>",
     {{"Capabilities/SnapshotUri", "true"},
      {"Capabilities/OSD", "false"},
      {"Capabilities/Rotation", "null"},
      {"Capabilities/ProfileCapabilities/MaximumNumberOfProfiles", "8"},
      {"Capabilities/ProfileCapabilities/ConfigurationsSupported", "\"VideoSource VideoEncoder\""},
      {"Capabilities/StreamingCapabilities/RTP_RTSP_TCP", "true"},
      {"Capabilities/StreamingCapabilities/RTPMulticast", "null"},
      {"Capabilities/StreamingCapabilities/RTSPWebSocketUri", "\"ws://h/ws\""}}},
};

class MediaRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(MediaRows, SendsTheRequestAndReadsTheAnswer)
{
    expectRowSendsAndReads(GetParam());
}

TEST_P(MediaRows, FailsWhenTheAnswerLacksTheResponseElement)
{
    expectRowFailsWithoutResponse(GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllCommands, MediaRows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RowCase>& info) {
                             return std::string(info.param.service) + "_" + info.param.command;
                         });

// A command added to a service object without a case here (or in the configuration row
// cases) would go untested. Names registered without an exchange must answer at once.
TEST(MediaRowsCoverage, EveryCommandOfBothMediaServicesHasACase)
{
    const COnvifMediaCfg media(mediaLogin());
    const COnvifMedia2 media2(mediaLogin());
    const struct {
        const char* service;
        const COnvifProtoCore& object;
    } services[] = {{"Media", media}, {"Media2", media2}};
    std::multiset<std::string> covered;
    for (const std::vector<RowCase>* cases : {&kCases, &mediaConfigurationRowCases()})
        for (const auto& c : *cases)
            covered.insert(std::string(c.service) + "/" + c.command);
    size_t withExchange = 0;
    for (const auto& s : services) {
        for (const COnvifOperationTable* table : s.object.getOperationTables()) {
            for (const std::string& command : table->commands()) {
                const std::string name = std::string(s.service) + "/" + command;
                if (table->find(command)->sendsNothing) {
                    Exchange ex = runCommand(s.service, command.c_str(), "{}", "<tt:AnythingResponse/>");
                    EXPECT_EQ(-1, ex.ret) << name;
                    EXPECT_TRUE(ex.requests.empty()) << name << " must not reach the device";
                    EXPECT_EQ(0u, covered.count(name)) << name;
                    continue;
                }
                EXPECT_EQ(1u, covered.count(name)) << name;
                ++withExchange;
            }
        }
    }
    EXPECT_EQ(covered.size(), withExchange) << "every case runs a registered command";
}

} // namespace
