// The simulated analytics service at the wire: rules kept in state and shown by Media too,
// the grid of the description, and the faults a client meets with bad rules.
#include "SimTestClient.h"

#include <gtest/gtest.h>

using namespace SimTest;

namespace
{

const char* kAnalytics = "http://www.onvif.org/ver20/analytics/wsdl";
const char kConfig[] = "<a:ConfigurationToken>VideoAnalyticsConfig_1</a:ConfigurationToken>";

std::string CellRule(const std::string& name, const std::string& cells)
{
    return "<a:Rule Name=\"" + name +
           "\" Type=\"t:CellMotionDetector\"><t:Parameters>"
           "<t:SimpleItem Name=\"MinCount\" Value=\"2\"/><t:SimpleItem Name=\"ActiveCells\" Value=\"" +
           cells + "\"/></t:Parameters></a:Rule>";
}

class SimAnalytics : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OnvifSim::SetLogEnabled(false);
        Json::Value d = BaseDescription();
        d["services"] = Json::Value(Json::arrayValue);
        for (const char* s : {"device", "media", "analytics"})
            d["services"].append(s);
        d["media"]["motionGrid"]["columns"] = 8;
        d["media"]["motionGrid"]["rows"] = 4;
        m_device = StartDevice(m_server, d);
        ASSERT_TRUE(m_device);
    }
    CReply call(const std::string& operation, const std::string& inner)
    {
        return Post(m_device->serviceUrl("analytics"),
                    Envelope("<a:" + operation + " xmlns:a=\"" + kAnalytics +
                             "\" xmlns:t=\"http://www.onvif.org/ver10/schema\">" + inner + "</a:" + operation + ">"),
                    DigestAs("op", "oppw"));
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

TEST_F(SimAnalytics, RulesAreKeptAndTheGridIsTheDescribedOne)
{
    const CReply modules = call("GetAnalyticsModules", kConfig);
    ASSERT_EQ(200, modules.status) << modules.body;
    EXPECT_NE(std::string::npos, modules.body.find("Columns=\"8\" Rows=\"4\"")) << modules.body;
    // 32 cells: four bytes of 0xFF, one PackBits run.
    const CReply rules = call("GetRules", kConfig);
    EXPECT_NE(std::string::npos, rules.body.find("Value=\"/f8=\"")) << rules.body;

    ASSERT_EQ(200, call("CreateRules", kConfig + CellRule("Door", "AQ8A")).status); // literal 0x0F 0x00
    const CReply media = Post(m_device->serviceUrl("media"),
                              Envelope("<m:GetVideoAnalyticsConfigurations xmlns:m=\"http://www.onvif.org/ver10/media/"
                                       "wsdl\"/>"),
                              DigestAs("op", "oppw"));
    EXPECT_NE(std::string::npos, media.body.find("Name=\"Door\"")) << "Media shows the same rules";
    ASSERT_EQ(200, call("DeleteRules", std::string(kConfig) + "<a:RuleName>Door</a:RuleName>").status);
    EXPECT_EQ(std::string::npos, call("GetRules", kConfig).body.find("Door"));
}

TEST_F(SimAnalytics, BadRulesAndModulesAreRefusedWithTheDevicesFaults)
{
    const struct {
        const char* name;
        std::string operation, inner;
        std::vector<std::string> subcodes;
    } cases[] = {
        {"unknown configuration",
         "GetRules",
         "<a:ConfigurationToken>VA9</a:ConfigurationToken>",
         {"InvalidArgVal", "NoConfig"}},
        {"cells not base64", "CreateRules", kConfig + CellRule("A", "!!!"), {"InvalidArgVal", "InvalidRule"}},
        {"more cells than the grid",
         "CreateRules",
         kConfig + CellRule("A", "BP8AAAAA"),
         {"InvalidArgVal", "InvalidRule"}},
        {"a name in use",
         "CreateRules",
         kConfig + CellRule("MyMotionDetectorRule", "/f8="),
         {"InvalidArgs", "RuleAlreadyExistent"}},
        {"modify an unknown rule",
         "ModifyRules",
         kConfig + CellRule("Nope", "/f8="),
         {"InvalidArgs", "RuleNotExistent"}},
        {"delete an unknown rule",
         "DeleteRules",
         std::string(kConfig) + "<a:RuleName>Nope</a:RuleName>",
         {"InvalidArgs", "RuleNotExistent"}},
        {"unsupported type",
         "CreateRules",
         std::string(kConfig) + "<a:Rule Name=\"L\" Type=\"t:LineDetector\"><t:Parameters/></a:Rule>",
         {"InvalidArgVal", "RuleNotSupported"}},
        {"sensitivity out of range",
         "ModifyAnalyticsModules",
         std::string(kConfig) + "<a:AnalyticsModule Name=\"MyCellMotionModule\" Type=\"t:CellMotionEngine\">"
                                "<t:Parameters><t:SimpleItem Name=\"Sensitivity\" Value=\"101\"/></t:Parameters>"
                                "</a:AnalyticsModule>",
         {"InvalidArgVal", "ConfigModify"}},
    };
    for (const auto& c : cases) {
        const CReply reply = call(c.operation, c.inner);
        EXPECT_GE(reply.status, 400) << c.name;
        EXPECT_EQ(c.subcodes, FaultSubcodes(reply.body)) << c.name << ": " << reply.body;
    }
    std::string many = kConfig;
    for (int i = 0; i < 8; ++i)
        many += CellRule("R" + std::to_string(i), "/f8=");
    EXPECT_EQ((std::vector<std::string>{"Action", "TooManyRules"}), FaultSubcodes(call("CreateRules", many).body));
    EXPECT_NE(std::string::npos, call("GetRules", kConfig).body.find("MyMotionDetectorRule")) << "nothing changed";
}

} // namespace
