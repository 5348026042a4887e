// Malformed and mistaken media requests get the fault a device sends, never a crash or a
// hang; the device answers normally afterwards.
#include "SimTestClient.h"

#include <gtest/gtest.h>

using namespace SimTest;

namespace {

const char* kTrt = "http://www.onvif.org/ver10/media/wsdl";
const char* kTr2 = "http://www.onvif.org/ver20/media/wsdl";

struct CBadCall {
    const char* ns;
    const char* operation;
    const char* inner;
    std::vector<std::string> subcodes;
};

TEST(SimMediaFaults, MalformedRequestsGetFaults)
{
    Json::Value json = BaseDescription();
    json["auth"]["mode"] = "none";
    json["services"]["media2"] = Json::nullValue;
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CSimServer server;
    auto device = StartDevice(server, json);
    ASSERT_TRUE(device);
    using V = std::vector<std::string>;
    const V arg{"InvalidArgVal"}, noProfile{"InvalidArgVal", "NoProfile"}, noConfig{"InvalidArgVal", "NoConfig"},
        modify{"InvalidArgVal", "ConfigModify"};
    const CBadCall cases[] = {
        {kTrt, "GetProfile", "", arg},
        {kTrt, "GetProfile", "<m:ProfileToken>nope</m:ProfileToken>", noProfile},
        {kTrt, "GetProfile", "<m:ProfileToken></m:ProfileToken>", noProfile},
        {kTrt, "GetStreamUri", "<m:StreamSetup><t:Stream>RTP-Unicast</t:Stream></m:StreamSetup>", arg},
        {kTrt, "GetSnapshotUri", "<m:ProfileToken>nope</m:ProfileToken>", noProfile},
        {kTrt, "DeleteProfile", "", arg},
        {kTrt, "AddVideoEncoderConfiguration", "<m:ProfileToken>Profile_1</m:ProfileToken>", arg},
        {kTrt, "AddVideoEncoderConfiguration",
         "<m:ProfileToken>Profile_1</m:ProfileToken><m:ConfigurationToken>nope</m:ConfigurationToken>", noConfig},
        {kTrt, "AddAudioSourceConfiguration",
         "<m:ProfileToken>nope</m:ProfileToken><m:ConfigurationToken>x</m:ConfigurationToken>", noProfile},
        {kTrt, "RemoveVideoAnalyticsConfiguration", "", arg},
        {kTrt, "GetVideoEncoderConfiguration", "", arg},
        {kTrt, "GetVideoSourceConfiguration", "<m:ConfigurationToken>nope</m:ConfigurationToken>", noConfig},
        {kTrt, "GetCompatibleAudioEncoderConfigurations", "<m:ProfileToken>nope</m:ProfileToken>", noProfile},
        {kTrt, "GetVideoEncoderConfigurationOptions", "<m:ConfigurationToken>nope</m:ConfigurationToken>", noConfig},
        {kTrt, "GetGuaranteedNumberOfVideoEncoderInstances", "", arg},
        {kTrt, "SetVideoEncoderConfiguration", "<m:ForcePersistence>true</m:ForcePersistence>", arg},
        {kTrt, "SetVideoEncoderConfiguration", "<m:Configuration token=\"nope\"/>", noConfig},
        {kTrt, "SetVideoEncoderConfiguration",
         "<m:Configuration token=\"VideoEncoder_1\"><t:Resolution><t:Width>1e400</t:Width></t:Resolution>"
         "</m:Configuration>", modify},
        {kTrt, "SetVideoEncoderConfiguration",
         "<m:Configuration token=\"VideoEncoder_1\"><t:RateControl><t:FrameRateLimit>99999999999</t:FrameRateLimit>"
         "</t:RateControl></m:Configuration>", modify},
        {kTrt, "SetAudioEncoderConfiguration", "<m:Configuration token=\"nope\"/>", noConfig},
        {kTrt, "CreateProfile", "<m:Name></m:Name>", arg},
        {kTrt, "SetSynchronizationPoint", "<m:ProfileToken>nope</m:ProfileToken>", noProfile},
        {kTr2, "GetProfiles", "<m:Token>nope</m:Token>", noProfile},
        {kTr2, "GetStreamUri", "<m:Protocol>RtspUnicast</m:Protocol>", arg},
        {kTr2, "AddConfiguration",
         "<m:ProfileToken>Profile_1</m:ProfileToken><m:Configuration><m:Type>Teleporter</m:Type></m:Configuration>",
         noConfig},
        {kTr2, "AddConfiguration",
         "<m:ProfileToken>Profile_1</m:ProfileToken><m:Configuration><m:Type>VideoEncoder</m:Type></m:Configuration>",
         arg},
        {kTr2, "RemoveConfiguration", "<m:ProfileToken>Profile_1</m:ProfileToken>", arg},
        {kTr2, "CreateProfile",
         "<m:Name>x</m:Name><m:Configuration><m:Type>VideoSource</m:Type><m:Token>nope</m:Token></m:Configuration>",
         noConfig},
        {kTr2, "DeleteProfile", "<m:Token>nope</m:Token>", noProfile},
        {kTr2, "SetVideoEncoderConfiguration",
         "<m:Configuration token=\"VideoEncoder_1\" GovLength=\"many\"></m:Configuration>", modify},
        {kTr2, "GetVideoEncoderConfigurations", "<m:ProfileToken>nope</m:ProfileToken>", noProfile},
    };
    for (const auto& c : cases) {
        std::string body = Envelope("<m:" + std::string(c.operation) + " xmlns:m=\"" + c.ns +
                                    "\" xmlns:t=\"http://www.onvif.org/ver10/schema\">" + c.inner + "</m:" +
                                    c.operation + ">");
        CReply reply = Post(device->serviceUrl(c.ns == kTrt ? "media" : "media2"), body);
        EXPECT_EQ(reply.status, 400) << c.operation << " " << c.inner << "\n" << reply.body;
        EXPECT_EQ(FaultSubcodes(reply.body), c.subcodes) << c.operation << " " << c.inner;
    }
    // A refused Media2 create leaves no profile behind, and the device still answers.
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(Post(device->serviceUrl("media"), Envelope("<m:GetProfiles xmlns:m=\"" + std::string(kTrt) +
                                                                    "\"/>")).body, doc));
    EXPECT_EQ(doc.select_nodes("//*[local-name()='Profiles']").size(), 2u);
    OnvifSim::SetLogEnabled(true);
}

} // namespace
