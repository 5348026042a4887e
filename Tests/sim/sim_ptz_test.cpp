// The simulated dome at the wire: the faults a client meets at a dome's limits, a tour
// that cannot start, and description members that cannot describe a dome.
#include "SimTestClient.h"

#include <gtest/gtest.h>

using namespace SimTest;

namespace {

const char* kPtz = "http://www.onvif.org/ver20/ptz/wsdl";

std::string PtzCall(const std::string& operation, const std::string& inner)
{
    return Envelope("<p:" + operation + " xmlns:p=\"" + kPtz + "\" xmlns:t=\"http://www.onvif.org/ver10/schema\">" +
                    inner + "</p:" + operation + ">");
}

Json::Value Dome(int maxPresets, int maxTours)
{
    Json::Value d = BaseDescription();
    d["services"] = Json::Value(Json::arrayValue);
    for (const char* s : {"device", "media", "ptz"})
        d["services"].append(s);
    Json::Value node;
    node["channel"] = 1;
    node["token"] = "N1";
    node["maxPresets"] = maxPresets;
    node["maxTours"] = maxTours;
    d["ptz"]["nodes"].append(node);
    return d;
}

class SimPtz : public ::testing::Test {
protected:
    CReply call(const std::string& operation, const std::string& inner)
    {
        return Post(m_device->serviceUrl("ptz"), PtzCall(operation, inner), DigestAs("op", "oppw"));
    }
    void start(const Json::Value& description)
    {
        OnvifSim::SetLogEnabled(false);
        m_device = StartDevice(m_server, description);
        ASSERT_TRUE(m_device);
        // The profiles exist once the media state is read.
        Post(m_device->serviceUrl("media"),
             Envelope("<m:GetProfiles xmlns:m=\"http://www.onvif.org/ver10/media/wsdl\"/>"), DigestAs("op", "oppw"));
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

TEST_F(SimPtz, PresetsBeyondTheMaximumAreRefusedWithTheDevicesFault)
{
    start(Dome(2, 0));
    const std::string set = "<p:ProfileToken>Profile_1</p:ProfileToken>";
    EXPECT_EQ(call("SetPreset", set).status, 200);
    EXPECT_EQ(call("SetPreset", set).status, 200);
    const CReply third = call("SetPreset", set);
    EXPECT_EQ(third.status, 500) << third.body;
    EXPECT_EQ(FaultSubcodes(third.body), (std::vector<std::string>{"Action", "TooManyPresets"}));
    // Moving a preset that exists is no new preset.
    EXPECT_EQ(call("SetPreset", set + "<p:PresetToken>1</p:PresetToken>").status, 200);
    const CReply unknown = call("GotoPreset", set + "<p:PresetToken>9</p:PresetToken>");
    EXPECT_EQ(FaultSubcodes(unknown.body), (std::vector<std::string>{"InvalidArgVal", "NoToken"}));
    const CReply tours = call("CreatePresetTour", set);
    EXPECT_EQ(FaultSubcodes(tours.body), (std::vector<std::string>{"ActionNotSupported"}));
}

TEST_F(SimPtz, MovesOutsideTheLimitsAndEmptyToursAreRefused)
{
    Json::Value d = Dome(4, 1);
    d["ptz"]["nodes"][0]["tiltLimits"][0] = -0.5;
    d["ptz"]["nodes"][0]["tiltLimits"][1] = 0.5;
    start(d);
    const std::string profile = "<p:ProfileToken>Profile_1</p:ProfileToken>";
    const CReply tooLow = call("AbsoluteMove", profile + "<p:Position><t:PanTilt x=\"0\" y=\"-0.9\"/></p:Position>");
    EXPECT_EQ(FaultSubcodes(tooLow.body), (std::vector<std::string>{"InvalidArgVal", "InvalidPosition"}));
    const CReply fast = call("ContinuousMove", profile + "<p:Velocity><t:PanTilt x=\"2\" y=\"0\"/></p:Velocity>");
    EXPECT_EQ(FaultSubcodes(fast.body), (std::vector<std::string>{"InvalidArgVal", "InvalidVelocity"}));
    const CReply created = call("CreatePresetTour", profile);
    ASSERT_EQ(created.status, 200) << created.body;
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(created.body, doc));
    const std::string tour = Text(doc, "PresetTourToken");
    const CReply start = call("OperatePresetTour", profile + "<p:PresetTourToken>" + tour +
                                                      "</p:PresetTourToken><p:Operation>Start</p:Operation>");
    EXPECT_EQ(FaultSubcodes(start.body), (std::vector<std::string>{"Action", "ActivationFailed"}));
    EXPECT_EQ(FaultSubcodes(call("CreatePresetTour", profile).body),
              (std::vector<std::string>{"Action", "TooManyPresetTours"}));
}

TEST(SimPtzDescription, MembersThatCannotDescribeADomeAreRefused)
{
    const struct {
        const char* member;
        Json::Value value;
        const char* error;
    } cases[] = {
        {"channel", 3, "ptz.nodes[0].channel"},
        {"maxPresets", 0, "ptz.nodes[0].maxPresets"},
        {"presetTokens", "letters", "ptz.nodes[0].presetTokens"},
        {"tiltLimits", Json::Value(Json::arrayValue), "ptz.nodes[0].tiltLimits"},
        {"speed", 1, "ptz.nodes[0].speed: unknown member"},
    };
    for (const auto& c : cases) {
        Json::Value d = Dome(4, 1);
        d["ptz"]["nodes"][0][c.member] = c.value;
        OnvifSim::CDeviceDescription out;
        std::string error;
        EXPECT_FALSE(OnvifSim::LoadDescription(d, out, error)) << c.member;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    Json::Value d = Dome(4, 1);
    d["imaging"]["ranges"]["Brightness"][0] = 10;
    d["imaging"]["ranges"]["Brightness"][1] = 5;
    OnvifSim::CDeviceDescription out;
    std::string error;
    EXPECT_FALSE(OnvifSim::LoadDescription(d, out, error));
    EXPECT_NE(error.find("imaging.ranges.Brightness"), std::string::npos) << error;
}

} // namespace
