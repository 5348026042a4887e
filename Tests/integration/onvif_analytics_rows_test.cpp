// The analytics service object against recorded-style answers: every row, the rule and
// module records with their element items, and the names that send nothing.
#include <gtest/gtest.h>

#include <set>

#include "OnvifProtocolCore/VideoAnalytics/OnvifVideoAnalytics.h"
#include "onvif_media_test_support.h"

using namespace MediaTest;

namespace
{

const char kCellRule[] =
    "<tan:Rule Name=\"Motion1\" Type=\"tt:CellMotionDetector\"><tt:Parameters>"
    "<tt:SimpleItem Name=\"MinCount\" Value=\"5\"/><tt:SimpleItem Name=\"ActiveCells\" Value=\"0P8A8A==\"/>"
    "</tt:Parameters></tan:Rule>";
const char kTamperRule[] =
    "<tan:Rule Name=\"Tamper\" Type=\"tt:TamperDetector\"><tt:Parameters><tt:ElementItem Name=\"Field\">"
    "<tt:PolygonConfiguration><tt:Polygon><tt:Point x=\"-1\" y=\"-1\"/><tt:Point x=\"-1\" y=\"1\"/>"
    "<tt:Point x=\"1\" y=\"1\"/><tt:Point x=\"1\" y=\"-0.5\"/></tt:Polygon></tt:PolygonConfiguration>"
    "</tt:ElementItem></tt:Parameters></tan:Rule>";
// A rule of another type: only its simple items are read.
const char kLineRule[] =
    "<tan:Rule Name=\"Line\" Type=\"tt:LineDetector\"><tt:Parameters><tt:SimpleItem Name=\"Direction\" "
    "Value=\"Any\"/><tt:ElementItem Name=\"Field\"><tt:PolygonConfiguration><tt:Polygon><tt:Point x=\"0\" y=\"0\"/>"
    "</tt:Polygon></tt:PolygonConfiguration></tt:ElementItem></tt:Parameters></tan:Rule>";

const char kRuleRequest[] =
    R"({"ConfigurationToken":"VA1","Rule":[{"Name":"Motion1","Type":"tt:CellMotionDetector",
        "Parameters":{"SimpleItem":[{"Name":"MinCount","Value":"5"},{"Name":"ActiveCells","Value":"0P8A8A=="}]}}]})";

const std::vector<RowCase> kCases = {
    {"VideoAnalytics",
     "GetServiceCapabilities",
     "{}",
     "tan:GetServiceCapabilities",
     {},
     "<tan:GetServiceCapabilitiesResponse><tan:Capabilities RuleSupport=\"true\" AnalyticsModuleSupport=\"TRUE\" "
     "CellBasedSceneDescriptionSupported=\"false\"/></tan:GetServiceCapabilitiesResponse>",
     {{"Capabilities/RuleSupport", "true"},
      {"Capabilities/AnalyticsModuleSupport", "true"},
      {"Capabilities/CellBasedSceneDescriptionSupported", "false"}}},
    {"VideoAnalytics",
     "GetSupportedRules",
     R"({"ConfigurationToken":"VA1"})",
     "tan:GetSupportedRules",
     {{"ConfigurationToken", "VA1"}},
     "<tan:GetSupportedRulesResponse><tan:SupportedRules/></tan:GetSupportedRulesResponse>",
     {}},
    {"VideoAnalytics",
     "GetRules",
     R"({"ConfigurationToken":"VA1"})",
     "tan:GetRules",
     {{"ConfigurationToken", "VA1"}},
     std::string("<tan:GetRulesResponse>") + kCellRule + kTamperRule + kLineRule + "</tan:GetRulesResponse>",
     {{"Rule/0/Name", "\"Motion1\""},
      {"Rule/0/Type", "\"tt:CellMotionDetector\""},
      {"Rule/0/Parameters/SimpleItem/1/Value", "\"0P8A8A==\""},
      {"Rule/1/Parameters/ElementItem/0/Name", "\"Field\""},
      {"Rule/1/Parameters/ElementItem/0/PolygonConfiguration/Polygon/3/y", "-0.5"},
      {"Rule/2/Parameters/SimpleItem/0/Value", "\"Any\""},
      {"Rule/2/Parameters/ElementItem", "null"}}},
    {"VideoAnalytics",
     "CreateRules",
     kRuleRequest,
     "tan:CreateRules",
     {{"ConfigurationToken", "VA1"}},
     emptyAnswer("tan:CreateRulesResponse"),
     {}},
    {"VideoAnalytics",
     "ModifyRules",
     kRuleRequest,
     "tan:ModifyRules",
     {{"ConfigurationToken", "VA1"}},
     emptyAnswer("tan:ModifyRulesResponse"),
     {}},
    {"VideoAnalytics",
     "DeleteRules",
     R"({"ConfigurationToken":"VA1","RuleName":["Motion1","Tamper"]})",
     "tan:DeleteRules",
     {{"ConfigurationToken", "VA1"}, {"RuleName[0]", "Motion1"}, {"RuleName[1]", "Tamper"}},
     emptyAnswer("tan:DeleteRulesResponse"),
     {}},
    {"VideoAnalytics",
     "GetSupportedAnalyticsModules",
     R"({"ConfigurationToken":"VA1"})",
     "tan:GetSupportedAnalyticsModules",
     {{"ConfigurationToken", "VA1"}},
     "<tan:GetSupportedAnalyticsModulesResponse><tan:SupportedAnalyticsModules>"
     "<tt:AnalyticsModuleContentSchemaLocation>http://example/cell.xsd</tt:AnalyticsModuleContentSchemaLocation>"
     "<tt:AnalyticsModuleDescription Name=\"tt:CellMotionEngine\"><tt:Parameters>"
     "<tt:SimpleItemDescription Name=\"Sensitivity\" Type=\"xs:integer\"/>"
     "<tt:ElementItemDescription Name=\"Layout\" Type=\"tt:CellLayout\"/></tt:Parameters>"
     "<tt:Messages IsProperty=\"true\"><tt:Source><tt:SimpleItemDescription Name=\"VideoSourceConfigurationToken\" "
     "Type=\"tt:ReferenceToken\"/></tt:Source><tt:Data><tt:SimpleItemDescription Name=\"IsMotion\" "
     "Type=\"xs:boolean\"/></tt:Data></tt:Messages></tt:AnalyticsModuleDescription>"
     "</tan:SupportedAnalyticsModules></tan:GetSupportedAnalyticsModulesResponse>",
     {{"SupportedAnalyticsModules/AnalyticsModuleContentSchemaLocation/0", "\"http://example/cell.xsd\""},
      {"SupportedAnalyticsModules/AnalyticsModuleDescription/0/Name", "\"tt:CellMotionEngine\""},
      {"SupportedAnalyticsModules/AnalyticsModuleDescription/0/Parameters/SimpleItemDescription/0/Type",
       "\"xs:integer\""},
      {"SupportedAnalyticsModules/AnalyticsModuleDescription/0/Parameters/ElementItemDescription/0/Name", "\"Layout\""},
      {"SupportedAnalyticsModules/AnalyticsModuleDescription/0/Messages/0/IsProperty", "true"},
      {"SupportedAnalyticsModules/AnalyticsModuleDescription/0/Messages/0/Data/SimpleItemDescription/0/Name",
       "\"IsMotion\""}}},
    {"VideoAnalytics",
     "GetAnalyticsModules",
     R"({"ConfigurationToken":"VA1"})",
     "tan:GetAnalyticsModules",
     {{"ConfigurationToken", "VA1"}},
     "<tan:GetAnalyticsModulesResponse><tan:AnalyticsModule Name=\"Cell\" Type=\"tt:CellMotionEngine\">"
     "<tt:Parameters><tt:SimpleItem Name=\"Sensitivity\" Value=\"60\"/><tt:ElementItem Name=\"Layout\">"
     "<tt:CellLayout Columns=\"16\" Rows=\"12\"><tt:Transformation><tt:Translate x=\"-1\" y=\"-1\"/>"
     "<tt:Scale x=\"0.125\" y=\"0.166667\"/></tt:Transformation></tt:CellLayout></tt:ElementItem>"
     "</tt:Parameters></tan:AnalyticsModule></tan:GetAnalyticsModulesResponse>",
     {{"AnalyticsModule/0/Name", "\"Cell\""},
      {"AnalyticsModule/0/Parameters/SimpleItem/0/Value", "\"60\""},
      {"AnalyticsModule/0/Parameters/ElementItem/0/CellLayout/Columns", "16"},
      {"AnalyticsModule/0/Parameters/ElementItem/0/CellLayout/Rows", "12"},
      {"AnalyticsModule/0/Parameters/ElementItem/0/CellLayout/Transformation/Scale/x", "0.125"},
      {"AnalyticsModule/0/Parameters/ElementItem/0/CellLayout/Transformation/Translate/y", "-1.0"}}},
    {"VideoAnalytics",
     "ModifyAnalyticsModules",
     R"({"ConfigurationToken":"VA1","AnalyticsModule":[{"Name":"Cell","Type":"tt:CellMotionEngine",
         "Parameters":{"SimpleItem":[{"Name":"Sensitivity","Value":"70"}],"ElementItem":[{"Name":"Layout"}]}}]})",
     "tan:ModifyAnalyticsModules",
     {{"ConfigurationToken", "VA1"}, {"@Value", "70"}},
     emptyAnswer("tan:ModifyAnalyticsModulesResponse"),
     {}},
};

class AnalyticsRows : public ::testing::TestWithParam<RowCase>
{
};

TEST_P(AnalyticsRows, SendsTheRequestAndReadsTheAnswer)
{
    expectRowSendsAndReads(GetParam());
}

TEST_P(AnalyticsRows, FailsWhenTheAnswerLacksTheResponseElement)
{
    expectRowFailsWithoutResponse(GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllCommands, AnalyticsRows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RowCase>& info) { return std::string(info.param.command); });

// Rules go out whole: name, type, simple items in order, and a tamper field point by point.
TEST(AnalyticsRules, RulesAreWrittenWithTheirItemsAndATamperFieldPointByPoint)
{
    Exchange ex = runCommand("VideoAnalytics", "CreateRules",
                             R"({"ConfigurationToken":"VA1","Rule":[
        {"Name":"Motion1","Type":"tt:CellMotionDetector","Parameters":{"SimpleItem":[
            {"Name":"MinCount","Value":"5"},{"Name":"ActiveCells","Value":"0P8A8A=="}]}},
        {"Name":"Tamper","Type":"tt:TamperDetector","Parameters":{"ElementItem":[{"Name":"Field",
            "PolygonConfiguration":{"Polygon":[{"x":-1,"y":-1},{"x":-1,"y":1},{"x":1,"y":1},{"x":1,"y":-0.5}]}}]}}]})",
                             emptyAnswer("tan:CreateRulesResponse"));
    ASSERT_EQ(0, ex.ret);
    const std::string body = ex.body();
    for (const char* expected :
         {"Name=\"Motion1\"", "Type=\"tt:CellMotionDetector\"", "Name=\"ActiveCells\" Value=\"0P8A8A==\"",
          "Name=\"Tamper\"", "<tt:ElementItem Name=\"Field\"><tt:PolygonConfiguration><tt:Polygon>"})
        EXPECT_NE(std::string::npos, body.find(expected)) << expected << " in " << body;
    size_t points = 0;
    for (size_t at = body.find("<tt:Point "); at != std::string::npos; at = body.find("<tt:Point ", at + 1))
        ++points;
    EXPECT_EQ(4u, points) << body;
    EXPECT_NE(std::string::npos, body.find("y=\"-0.5")) << body;
    EXPECT_LT(body.find("Name=\"MinCount\""), body.find("Name=\"ActiveCells\"")) << "items keep their order";
}

TEST(AnalyticsRules, ModulesAreWrittenWithoutTheirLayoutAndAnEmptyRuleListIsRefused)
{
    Exchange ex = runCommand("VideoAnalytics", "ModifyAnalyticsModules",
                             R"({"ConfigurationToken":"VA1","AnalyticsModule":[{"Name":"Cell",
        "Type":"tt:CellMotionEngine","Parameters":{"ElementItem":[{"Name":"Layout","CellLayout":{"Columns":4}}]}}]})",
                             emptyAnswer("tan:ModifyAnalyticsModulesResponse"));
    ASSERT_EQ(0, ex.ret);
    EXPECT_EQ(std::string::npos, ex.body().find("ElementItem")) << ex.body();

    Exchange none = runCommand("VideoAnalytics", "CreateRules", R"({"ConfigurationToken":"VA1","Rule":[]})",
                               emptyAnswer("tan:CreateRulesResponse"));
    EXPECT_EQ(-1, none.ret);
    EXPECT_TRUE(none.requests.empty());
}

TEST(AnalyticsRowsCoverage, EveryCommandHasACaseOrSendsNothing)
{
    const RPC::Onvif::COnvifVideoAnalytics service(mediaLogin());
    std::multiset<std::string> covered;
    for (const RowCase& c : kCases)
        covered.insert(c.command);
    size_t withExchange = 0;
    for (const COnvifOperationTable* table : service.getOperationTables()) {
        for (const std::string& command : table->commands()) {
            if (table->find(command)->sendsNothing) {
                Exchange ex = runCommand("VideoAnalytics", command.c_str(), "{}", "<tan:AnythingResponse/>");
                EXPECT_EQ(-1, ex.ret) << command;
                EXPECT_TRUE(ex.requests.empty()) << command << " must not reach the device";
                continue;
            }
            EXPECT_EQ(1u, covered.count(command)) << command;
            ++withExchange;
        }
    }
    EXPECT_EQ(covered.size(), withExchange);
    EXPECT_EQ(11u, service.getOperationTables()[0]->size());
}

} // namespace
