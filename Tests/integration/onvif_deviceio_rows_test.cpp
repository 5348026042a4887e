// The device IO service object against recorded-style answers: its own operations at the
// DeviceIO address and the relay operations its IO area sends to the device service.
#include <gtest/gtest.h>

#include <set>

#include "OnvifProtocolCore/DeviceIOService/OnvifDeviceIOService.h"
#include "onvif_media_test_support.h"

using namespace MediaTest;

namespace {

const std::vector<RowCase> kCases = {
    {"DeviceIOService", "GetServiceCapabilities", "{}", "tmd:GetServiceCapabilities", {},
     "<tmd:GetServiceCapabilitiesResponse><tmd:Capabilities VideoSources=\"2\" VideoOutputs=\"0\" AudioSources=\"1\" "
     "AudioOutputs=\"1\" RelayOutputs=\"2\" DigitalInputs=\"2\" DigitalInputOptions=\"True\"/>"
     "</tmd:GetServiceCapabilitiesResponse>",
     {{"Capabilities/VideoSources", "2"},
      {"Capabilities/AudioOutputs", "1"},
      {"Capabilities/RelayOutputs", "2"},
      {"Capabilities/SerialPorts", "null"},
      {"Capabilities/DigitalInputOptions", "true"}}},
    {"DeviceIOService", "GetDigitalInputs", "{}", "tmd:GetDigitalInputs", {},
     "<tmd:GetDigitalInputsResponse><tmd:DigitalInputs token=\"DI1\" IdleState=\"closed\"/>"
     "<tmd:DigitalInputs token=\"DI2\"/></tmd:GetDigitalInputsResponse>",
     {{"DigitalInputs/0/token", "\"DI1\""}, {"DigitalInputs/0/IdleState", "\"closed\""},
      {"DigitalInputs/1/token", "\"DI2\""}, {"DigitalInputs/1/IdleState", "null"}}},
    {"DeviceIOService", "GetRelayOutputs", "{}", "tds:GetRelayOutputs", {},
     "<tds:GetRelayOutputsResponse><tds:RelayOutputs token=\"R1\"><tt:Properties><tt:Mode>Monostable</tt:Mode>"
     "<tt:DelayTime>PT1M5S</tt:DelayTime><tt:IdleState>closed</tt:IdleState></tt:Properties></tds:RelayOutputs>"
     "<tds:RelayOutputs token=\"R2\"><tt:Properties><tt:Mode>Bistable</tt:Mode><tt:DelayTime>PT0S</tt:DelayTime>"
     "<tt:IdleState>open</tt:IdleState></tt:Properties></tds:RelayOutputs></tds:GetRelayOutputsResponse>",
     {{"RelayOutputs/0/token", "\"R1\""}, {"RelayOutputs/0/mode", "\"Monostable\""},
      {"RelayOutputs/0/delaytime", "\"PT1M5S\""}, {"RelayOutputs/1/idlestate", "\"open\""}}},
    {"DeviceIOService", "SetRelayOutputSettings",
     R"({"token":"R1","mode":"Monostable","delaytime":"PT65S","idlestate":"closed"})", "tds:SetRelayOutputSettings",
     {{"RelayOutputToken", "R1"}, {"Mode", "Monostable"}, {"DelayTime", "PT65S"}, {"IdleState", "closed"}},
     emptyAnswer("tds:SetRelayOutputSettingsResponse"), {}},
    {"DeviceIOService", "SetRelayOutputState", R"({"token":"R2","LogicalState":"active"})",
     "tds:SetRelayOutputState", {{"RelayOutputToken", "R2"}, {"LogicalState", "active"}},
     emptyAnswer("tds:SetRelayOutputStateResponse"), {}},
};

class DeviceIORows : public ::testing::TestWithParam<RowCase> {};

TEST_P(DeviceIORows, SendsTheRequestAndReadsTheAnswer)
{
    expectRowSendsAndReads(GetParam());
}

TEST_P(DeviceIORows, FailsWhenTheAnswerLacksTheResponseElement)
{
    expectRowFailsWithoutResponse(GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllCommands, DeviceIORows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RowCase>& info) { return std::string(info.param.command); });

// The relay settings are children of the device service's own element, in its namespace.
TEST(DeviceIORules, RelaySettingsTravelInTheDeviceNamespace)
{
    Exchange ex = runCommand("DeviceIOService", "SetRelayOutputSettings", R"({"token":"R1","mode":"Bistable"})",
                             emptyAnswer("tds:SetRelayOutputSettingsResponse"));
    ASSERT_EQ(0, ex.ret);
    EXPECT_NE(std::string::npos, ex.body().find("<tds:Properties><tt:Mode>Bistable</tt:Mode></tds:Properties>"))
        << ex.body();
}

TEST(DeviceIORowsCoverage, EveryCommandHasExactlyOneCase)
{
    const COnvifDeviceIOService service(mediaLogin());
    std::multiset<std::string> covered;
    for (const RowCase& c : kCases)
        covered.insert(c.command);
    size_t commands = 0;
    for (const COnvifOperationTable* table : service.getOperationTables()) {
        for (const std::string& command : table->commands()) {
            EXPECT_EQ(1u, covered.count(command)) << command;
            ++commands;
        }
    }
    EXPECT_EQ(covered.size(), commands);
}

} // namespace
