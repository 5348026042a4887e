// The video encoder composites over Media against a scripted camera: what the host reads
// and what reaches the device when the host changes the encoding.
#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "CannedDevice.h"
#include "DeviceAnswers.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"

using namespace OnvifTest;
using namespace RPC::Onvif;

namespace {

const char* const kEncoderConfiguration =
    "<trt:GetVideoEncoderConfigurationResponse xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\">"
    "<trt:Configuration token=\"venc0\"><tt:Name>enc</tt:Name><tt:UseCount>1</tt:UseCount>"
    "<tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>1920</tt:Width><tt:Height>1072</tt:Height>"
    "</tt:Resolution><tt:Quality>50</tt:Quality><tt:RateControl><tt:FrameRateLimit>25</tt:FrameRateLimit>"
    "<tt:EncodingInterval>1</tt:EncodingInterval><tt:BitrateLimit>4096</tt:BitrateLimit></tt:RateControl>"
    "<tt:H264><tt:GovLength>50</tt:GovLength><tt:H264Profile>Main</tt:H264Profile></tt:H264>"
    "<tt:Multicast><tt:Address><tt:Type>IPv4</tt:Type><tt:IPv4Address>239.0.0.9</tt:IPv4Address></tt:Address>"
    "<tt:Port>5000</tt:Port><tt:TTL>1</tt:TTL><tt:AutoStart>false</tt:AutoStart></tt:Multicast>"
    "<tt:SessionTimeout>PT60S</tt:SessionTimeout></trt:Configuration></trt:GetVideoEncoderConfigurationResponse>";

const char* const kEncoderOptions =
    "<trt:GetVideoEncoderConfigurationOptionsResponse xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\">"
    "<trt:Options><tt:QualityRange><tt:Min>0</tt:Min><tt:Max>100</tt:Max></tt:QualityRange><tt:H264>"
    "<tt:ResolutionsAvailable><tt:Width>1920</tt:Width><tt:Height>1072</tt:Height></tt:ResolutionsAvailable>"
    "<tt:ResolutionsAvailable><tt:Width>1280</tt:Width><tt:Height>720</tt:Height></tt:ResolutionsAvailable>"
    "<tt:GovLengthRange><tt:Min>1</tt:Min><tt:Max>100</tt:Max></tt:GovLengthRange>"
    "<tt:FrameRateRange><tt:Min>1</tt:Min><tt:Max>25</tt:Max></tt:FrameRateRange>"
    "<tt:EncodingIntervalRange><tt:Min>1</tt:Min><tt:Max>4</tt:Max></tt:EncodingIntervalRange>"
    "<tt:H264ProfilesSupported>Baseline</tt:H264ProfilesSupported>"
    "<tt:H264ProfilesSupported>Main</tt:H264ProfilesSupported></tt:H264></trt:Options>"
    "</trt:GetVideoEncoderConfigurationOptionsResponse>";

class ScriptsEncoderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        COnvifBaseComm::instance()->resetOptions();
        m_device.loadDefaultCamera();
        m_device.answer("GetVideoEncoderConfiguration", kEncoderConfiguration);
        m_device.answer("GetVideoEncoderConfigurationOptions", kEncoderOptions);
        m_device.answer("GetDeviceInformation",
                        "<tds:GetDeviceInformationResponse><tds:Manufacturer>Acme</tds:Manufacturer>"
                        "<tds:Model>C1</tds:Model></tds:GetDeviceInformationResponse>");
        m_device.answer("SetVideoEncoderConfiguration", "<trt:SetVideoEncoderConfigurationResponse "
                                                        "xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\"/>");
    }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }

    ServerInfo info() const
    {
        ServerInfo s;
        s.address = "127.0.0.1";
        s.port = static_cast<uint16_t>(m_device.port());
        s.userName = "admin";
        s.password = "Pa55word!";
        return s;
    }

    CannedDevice m_device;
};

} // namespace

TEST_F(ScriptsEncoderTest, ConfigurationReadsInHostTermsAndIsKeptOnBothSides)
{
    Json::Value request, result;
    request["VideoConfigurationToken"] = "venc0";
    ASSERT_TRUE(getVideoEncoderCfg(info(), request, result));
    EXPECT_EQ(result["Video"]["Compression"].asString(), "H.264");
    EXPECT_EQ(result["Video"]["ImageSizeStr"].asString(), "1080P");
    EXPECT_EQ(result["Video"]["Quality"].asInt(), 3);
    EXPECT_EQ(result["Video"]["GOP"].asInt(), 50);

    // The options were kept too: the host capability form is in the centre.
    Json::Value caps;
    caps["VideoConfigurationToken"] = "venc0";
    ASSERT_TRUE(COnvifInfoCenter::instance()->getVideoEncodeCapsInfo(info(), caps, true));
    EXPECT_EQ(caps["ResolutionTypes"][1].asString(), "720P");
    EXPECT_EQ(caps["FPSMax"].asInt(), 25);
}

TEST_F(ScriptsEncoderTest, HostChangeReachesTheDeviceWithinItsRanges)
{
    std::mutex mutex;
    std::string sent;
    m_device.override("SetVideoEncoderConfiguration", [&](const HttpRequest& r) {
        std::lock_guard<std::mutex> lock(mutex);
        sent = r.body;
        return HttpReply::soap(200, soapEnvelope("<trt:SetVideoEncoderConfigurationResponse "
                                                 "xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\"/>"));
    });
    Json::Value request, result;
    request["VideoConfigurationToken"] = "venc0";
    request["Video"]["ImageSizeStr"] = "720P";
    request["Video"]["Quality"] = 6;
    request["Video"]["BitRateControl"] = "VBR";
    request["Video"]["FPS"] = 60;
    request["Video"]["GOP"] = 30;
    ASSERT_TRUE(setVideoEncoderCfg(info(), request, result));

    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(elementText(sent, "Width"), "1280");
    EXPECT_EQ(elementText(sent, "Height"), "720");
    EXPECT_EQ(elementText(sent, "Quality").substr(0, 3), "100");
    EXPECT_EQ(elementText(sent, "FrameRateLimit"), "25");
    EXPECT_EQ(elementText(sent, "GovLength"), "30");
    EXPECT_EQ(elementText(sent, "IPv4Address"), "239.0.0.9");
    EXPECT_EQ(elementText(sent, "ForcePersistence"), "true");
    EXPECT_NE(sent.find("token=\"venc0\""), std::string::npos);
    EXPECT_FALSE(COnvifInfoCenter::instance()->isKeyValid(info(), INFO_SLOT_VIDEO_ENCODER_CFG, "venc0", false));
}

TEST_F(ScriptsEncoderTest, UnreadableConfigurationSendsNoChange)
{
    m_device.answer("GetVideoEncoderConfiguration", "");
    Json::Value request, result;
    request["VideoConfigurationToken"] = "venc0";
    request["Video"]["FPS"] = 10;
    EXPECT_FALSE(setVideoEncoderCfg(info(), request, result));
    EXPECT_EQ(m_device.count("SetVideoEncoderConfiguration"), 0u);
}
