// Every command of the PTZ and imaging service objects against a recorded-style device
// answer: what reached the device (element by element, namespaces included) and the result
// keys the caller gets; the same command against an answer without its response element
// fails. Then the rules a flat row cannot show: the continuous move's zoom and time-out
// rules, required keys, empty lists.
#include <gtest/gtest.h>

#include <set>

#include "onvif_ptz_test_support.h"

using namespace PtzTest;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

struct RowCase {
    const char* service;   // "PTZ" or "Imaging"
    const char* command;
    std::string request;
    const char* element;   // local name of the request element
    Pairs sent;            // sentAt() path -> text
    std::string answer;
    Pairs result;          // path in the result -> JSON ("null": absent)
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.service << "/" << c.command; }

std::string empty(const std::string& response) { return "<tptz:" + response + "/>"; }

const char* kGeneric = "http://www.onvif.org/ver10/tptz/PanTiltSpaces/PositionGenericSpace";
const char* kFov = "http://www.onvif.org/ver10/tptz/PanTiltSpaces/TranslationSpaceFov";

const std::string kNode =
    "token=\"N1\" FixedHomePosition=\"false\"><tt:Name>Dome</tt:Name><tt:SupportedPTZSpaces>"
    "<tt:AbsolutePanTiltPositionSpace><tt:URI>pos</tt:URI><tt:XRange><tt:Min>-1</tt:Min><tt:Max>1</tt:Max></tt:XRange>"
    "<tt:YRange><tt:Min>-0.5</tt:Min><tt:Max>1</tt:Max></tt:YRange></tt:AbsolutePanTiltPositionSpace>"
    "<tt:AbsoluteZoomPositionSpace><tt:URI>zoom</tt:URI><tt:XRange><tt:Min>0</tt:Min><tt:Max>1</tt:Max></tt:XRange>"
    "</tt:AbsoluteZoomPositionSpace><tt:PanTiltSpeedSpace><tt:URI>speed</tt:URI><tt:XRange><tt:Min>0</tt:Min>"
    "<tt:Max>1</tt:Max></tt:XRange></tt:PanTiltSpeedSpace></tt:SupportedPTZSpaces>"
    "<tt:MaximumNumberOfPresets>32</tt:MaximumNumberOfPresets><tt:HomeSupported>true</tt:HomeSupported>"
    "<tt:AuxiliaryCommands>tt:Wiper|On</tt:AuxiliaryCommands><tt:AuxiliaryCommands>tt:Wiper|Off</tt:AuxiliaryCommands>"
    "<tt:Extension><tt:SupportedPresetTour><tt:MaximumNumberOfPresetTours>8</tt:MaximumNumberOfPresetTours>"
    "</tt:SupportedPresetTour></tt:Extension>";

const std::string kConfiguration =
    "token=\"C1\"><tt:Name>ptz</tt:Name><tt:UseCount>2</tt:UseCount><tt:NodeToken>N1</tt:NodeToken>"
    "<tt:DefaultAbsolutePantTiltPositionSpace>pos</tt:DefaultAbsolutePantTiltPositionSpace>"
    "<tt:DefaultPTZSpeed><tt:PanTilt x=\"0.5\" y=\"0.25\"/><tt:Zoom x=\"1\"/></tt:DefaultPTZSpeed>"
    "<tt:DefaultPTZTimeout>PT10S</tt:DefaultPTZTimeout><tt:PanTiltLimits><tt:Range><tt:URI>pos</tt:URI>"
    "<tt:XRange><tt:Min>-1</tt:Min><tt:Max>1</tt:Max></tt:XRange><tt:YRange><tt:Min>-1</tt:Min><tt:Max>0.5</tt:Max>"
    "</tt:YRange></tt:Range></tt:PanTiltLimits>";

Pairs kNodeResult(const std::string& base)
{
    return {{base + "/token", "\"N1\""},
            {base + "/FixedHomePosition", "false"},
            {base + "/Name", "\"Dome\""},
            {base + "/SupportedPTZSpaces/AbsolutePanTiltPositionSpace/0/URI", "\"pos\""},
            {base + "/SupportedPTZSpaces/AbsolutePanTiltPositionSpace/0/YRange/Min", "-0.5"},
            {base + "/SupportedPTZSpaces/AbsoluteZoomPositionSpace/0/XRange/Max", "1.0"},
            {base + "/SupportedPTZSpaces/AbsoluteZoomPositionSpace/0/YRange", "null"},
            {base + "/SupportedPTZSpaces/PanTiltSpeedSpace/0/URI", "\"speed\""},
            {base + "/SupportedPTZSpaces/RelativeZoomTranslationSpace", "null"},
            {base + "/MaximumNumberOfPresets", "32"},
            {base + "/HomeSupported", "true"},
            {base + "/AuxiliaryCommands/1", "\"tt:Wiper|Off\""},
            {base + "/Extension/SupportedPresetTour/MaximumNumberOfPresetTours", "8"}};
}

Pairs kConfigurationResult(const std::string& base)
{
    return {{base + "/token", "\"C1\""},
            {base + "/UseCount", "2"},
            {base + "/NodeToken", "\"N1\""},
            {base + "/DefaultAbsolutePantTiltPositionSpace", "\"pos\""},
            {base + "/DefaultPTZSpeed/PanTilt/y", "0.25"},
            {base + "/DefaultPTZSpeed/Zoom/x", "1.0"},
            {base + "/DefaultPTZTimeout", "\"PT10S\""},
            {base + "/PanTiltLimits/Range/YRange/Max", "0.5"},
            {base + "/ZoomLimits", "null"}};
}

const std::string kTourSpots =
    "<tt:TourSpot><tt:PresetDetail><tt:PresetToken>1</tt:PresetToken></tt:PresetDetail>"
    "<tt:Speed><tt:PanTilt x=\"0.5\" y=\"0.5\"/></tt:Speed><tt:StayTime>PT5S</tt:StayTime></tt:TourSpot>"
    "<tt:TourSpot><tt:PresetDetail><tt:Home>true</tt:Home></tt:PresetDetail>"
    "<tt:StayTime>PT10S</tt:StayTime></tt:TourSpot>"
    "<tt:TourSpot><tt:PresetDetail><tt:PTZPosition><tt:PanTilt x=\"0.2\" y=\"0.3\"/><tt:Zoom x=\"0.4\"/>"
    "</tt:PTZPosition></tt:PresetDetail><tt:StayTime>PT1S</tt:StayTime></tt:TourSpot>";

const std::string kTourHead =
    "<tt:Name>Round</tt:Name><tt:Status><tt:State>Touring</tt:State></tt:Status><tt:AutoStart>false</tt:AutoStart>"
    "<tt:StartingCondition><tt:RecurringTime>2</tt:RecurringTime><tt:Direction>Forward</tt:Direction>"
    "</tt:StartingCondition>";

const std::string kImagingSettings =
    "<tt:BacklightCompensation><tt:Mode>OFF</tt:Mode></tt:BacklightCompensation><tt:Brightness>128</tt:Brightness>"
    "<tt:Exposure><tt:Mode>AUTO</tt:Mode><tt:Window bottom=\"1\" top=\"0.1\" right=\"1\" left=\"0\"/>"
    "<tt:Iris>2.5</tt:Iris></tt:Exposure><tt:Focus><tt:AutoFocusMode>MANUAL</tt:AutoFocusMode>"
    "<tt:NearLimit>0.5</tt:NearLimit></tt:Focus><tt:IrCutFilter>AUTO</tt:IrCutFilter>"
    "<tt:WhiteBalance><tt:Mode>MANUAL</tt:Mode><tt:CrGain>40</tt:CrGain></tt:WhiteBalance>";

const std::vector<RowCase> kCases = {
    // ---- Moving --------------------------------------------------------------------------
    {"PTZ", "ContinuousMove",
     R"({"ContinuousMove":{"ProfileToken":"P1","Velocity":{"PanTilt":{"x":0.5,"y":-0.25},"Zoom":{"x":0}},
         "Timeout":"PT5S"}})",
     "ContinuousMove",
     {{"ProfileToken", "P1"}, {"Velocity/PanTilt/@x", "0.5"}, {"Velocity/PanTilt/@y", "-0.25"},
      {"Velocity/Zoom", "<absent>"}, {"Timeout", "PT5S"}},
     empty("ContinuousMoveResponse"), {}},
    {"PTZ", "PTZStop", R"({"Stop":{"ProfileToken":"P1","PanTilt":true,"Zoom":false}})", "Stop",
     {{"ProfileToken", "P1"}, {"PanTilt", "true"}, {"Zoom", "false"}}, empty("StopResponse"), {}},
    {"PTZ", "AbsoluteMove",
     std::string(R"({"AbsoluteMove":{"ProfileToken":"P1","Position":{"PanTilt":{"x":0.75,"y":0.1,"space":")") +
         kGeneric +
         R"("},"Zoom":{"x":0.3}},"Speed":{"PanTilt":{"x":1,"y":1},"Zoom":{"x":0.5}}}})",
     "AbsoluteMove",
     {{"ProfileToken", "P1"}, {"Position/PanTilt/@x", "0.75"}, {"Position/PanTilt/@space", kGeneric},
      {"Position/Zoom/@x", "0.3"}, {"Speed/PanTilt/@y", "1"}, {"Speed/Zoom/@x", "0.5"}},
     empty("AbsoluteMoveResponse"), {}},
    {"PTZ", "RelativeMove",
     R"({"RelativeMove":{"ProfileToken":"P1","Translation":{"PanTilt":{"x":0.1,"y":-0.1},"Zoom":{"x":0.05,
         "space":"zs"}},"Speed":{"Zoom":{"x":1,"space":"speed"}}}})",
     "RelativeMove",
     {{"Translation/PanTilt/@x", "0.1"}, {"Translation/Zoom/@space", "zs"}, {"Speed/Zoom/@space", "speed"},
      {"Speed/PanTilt", "<absent>"}},
     empty("RelativeMoveResponse"), {}},
    {"PTZ", "Relative3D",
     std::string(R"({"RelativeMove":{"ProfileToken":"P1","Translation":{"PanTilt":{"x":0,"y":1,"space":")") + kFov +
         R"("},"Zoom":{"x":0.2,"space":"zs"}},"Speed":{"PanTilt":{"x":1,"y":1,"space":"ss"},"Zoom":{"x":1}}}})",
     "RelativeMove",
     {{"Translation/PanTilt/@x", "0"}, {"Translation/PanTilt/@space", kFov}, {"Translation/Zoom/@x", "0.2"},
      {"Translation/Zoom/@space", "<absent>"}, {"Speed/PanTilt/@space", "<absent>"}, {"Speed/Zoom/@x", "1"}},
     empty("RelativeMoveResponse"), {}},
    {"PTZ", "GotoHomePosition", R"({"ProfileToken":"P1","Speed":{"PanTilt":{"x":0.5,"y":0.5}}})", "GotoHomePosition",
     {{"ProfileToken", "P1"}, {"Speed/PanTilt/@x", "0.5"}}, empty("GotoHomePositionResponse"), {}},
    {"PTZ", "SetHomePosition", R"({"ProfileToken":"P1"})", "SetHomePosition", {{"ProfileToken", "P1"}},
     empty("SetHomePositionResponse"), {}},
    {"PTZ", "GetPTZStatus", R"({"GetStatus":{"ProfileToken":"P1"}})", "GetStatus", {{"ProfileToken", "P1"}},
     std::string("<tptz:GetStatusResponse><tptz:PTZStatus><tt:Position><tt:PanTilt x=\"0.5\" y=\"-0.2\" space=\"") +
         kGeneric + "\"/><tt:Zoom x=\"0.1\"/></tt:Position><tt:MoveStatus><tt:PanTilt>MOVING</tt:PanTilt>"
                    "<tt:Zoom>IDLE</tt:Zoom></tt:MoveStatus><tt:UtcTime>2024-01-02T03:04:05Z</tt:UtcTime>"
                    "</tptz:PTZStatus></tptz:GetStatusResponse>",
     {{"PTZStatus/Position/PanTilt/x", "0.5"}, {"PTZStatus/Position/PanTilt/y", "-0.2"},
      {"PTZStatus/Position/PanTilt/space", std::string("\"") + kGeneric + "\""}, {"PTZStatus/Position/Zoom/x", "0.1"},
      {"PTZStatus/MoveStatus/PanTilt", "\"Moving\""}, {"PTZStatus/MoveStatus/Zoom", "\"Idle\""},
      {"PTZStatus/UtcTime", "\"2024-01-02T03:04:05Z\""}, {"PTZStatus/Error", "null"}}},
    {"PTZ", "SendAuxiliaryCommand", R"({"ProfileToken":"P1","AuxiliaryData":"tt:Wiper|On"})", "SendAuxiliaryCommand",
     {{"ProfileToken", "P1"}, {"AuxiliaryData", "tt:Wiper|On"}},
     "<tptz:SendAuxiliaryCommandResponse><tptz:AuxiliaryResponse>Wiper on</tptz:AuxiliaryResponse>"
     "</tptz:SendAuxiliaryCommandResponse>",
     {{"AuxiliaryResponse", "\"Wiper on\""}}},

    // ---- Presets ---------------------------------------------------------------------------
    {"PTZ", "SetPTZPreset", R"({"SetPreset":{"ProfileToken":"P1","PresetName":"Gate","PresetToken":"3"}})", "SetPreset",
     {{"ProfileToken", "P1"}, {"PresetName", "Gate"}, {"PresetToken", "3"}},
     "<ns1:SetPresetResponse><ns1:PresetToken>3</ns1:PresetToken></ns1:SetPresetResponse>",
     {{"PresetToken", "\"3\""}}},
    {"PTZ", "GotoPTZPreset",
     R"({"GotoPreset":{"ProfileToken":"P1","PresetToken":"3","Speed":{"PanTilt":{"x":1,"y":1},"Zoom":{"x":0.5}}}})",
     "GotoPreset", {{"ProfileToken", "P1"}, {"PresetToken", "3"}, {"Speed/PanTilt/@y", "1"}, {"Speed/Zoom/@x", "0.5"}},
     empty("GotoPresetResponse"), {}},
    {"PTZ", "RemovePTZPreset", R"({"RemovePreset":{"ProfileToken":"P1","PresetToken":"3"}})", "RemovePreset",
     {{"ProfileToken", "P1"}, {"PresetToken", "3"}}, empty("RemovePresetResponse"), {}},
    {"PTZ", "GetPTZPresets", R"({"GetPresets":{"ProfileToken":"P1"}})", "GetPresets", {{"ProfileToken", "P1"}},
     "<tptz:GetPresetsResponse><tptz:Preset token=\"1\"><tt:Name>Gate</tt:Name><tt:PTZPosition>"
     "<ns2:PanTilt x=\"0.25\" y=\"-0.5\"/><ns2:Zoom x=\"0.75\"/></tt:PTZPosition></tptz:Preset>"
     "<tptz:Preset token=\"Door\"><tt:Name>Door</tt:Name></tptz:Preset></tptz:GetPresetsResponse>",
     {{"Preset/0/token", "\"1\""}, {"Preset/0/Name", "\"Gate\""}, {"Preset/0/Position/PanTilt/x", "0.25"},
      {"Preset/0/Position/PanTilt/y", "-0.5"}, {"Preset/0/Position/Zoom/x", "0.75"}, {"Preset/1/token", "\"Door\""},
      {"Preset/1/Position", "null"}}},

    // ---- Tours -----------------------------------------------------------------------------
    {"PTZ", "GetPresetTours", R"({"GetTours":{"ProfileToken":"P1"}})", "GetPresetTours", {{"ProfileToken", "P1"}},
     "<tptz:GetPresetToursResponse><tptz:PresetTour token=\"T1\">" + kTourHead + kTourSpots +
         "</tptz:PresetTour><tptz:PresetTour token=\"T2\"><tt:Name>Empty</tt:Name></tptz:PresetTour>"
         "</tptz:GetPresetToursResponse>",
     {{"PresetTour/0/Token", "\"T1\""}, {"PresetTour/0/Name", "\"Round\""},
      {"PresetTour/0/Status/State", "\"Touring\""},
      {"PresetTour/0/AutoStart", "false"}, {"PresetTour/0/StartingCondition/RecurringTime", "2"},
      {"PresetTour/0/StartingCondition/Direction", "\"Forward\""},
      {"PresetTour/0/TourSpot/0/PresetDetail/PresetToken", "\"1\""}, {"PresetTour/0/TourSpot/0/Speed/PanTilt/x", "0.5"},
      {"PresetTour/0/TourSpot/1/StayTime", "\"PT10S\""}, {"PresetTour/0/TourSpot/3", "null"},
      {"PresetTour/1/Token", "\"T2\""}, {"PresetTour/1/TourSpot", "null"}}},
    {"PTZ", "GetPresetTour", R"({"GetPresetTour":{"ProfileToken":"P1","PresetTourToken":"T1"}})", "GetPresetTour",
     {{"ProfileToken", "P1"}, {"PresetTourToken", "T1"}},
     "<tptz:GetPresetTourResponse><tptz:PresetTour token=\"T1\"><tt:Name>Round</tt:Name><tt:Status>"
     "<tt:State>Touring</tt:State><tt:CurrentTourSpot><tt:PresetDetail><tt:PresetToken>2</tt:PresetToken>"
     "</tt:PresetDetail><tt:Speed><tt:Zoom x=\"0.5\"/></tt:Speed><tt:StayTime>PT3S</tt:StayTime></tt:CurrentTourSpot>"
     "</tt:Status><tt:AutoStart>true</tt:AutoStart>" +
         kTourSpots + "</tptz:PresetTour></tptz:GetPresetTourResponse>",
     {{"PresetTour/Token", "\"T1\""}, {"PresetTour/AutoStart", "true"},
      {"PresetTour/Status/CurrentTourSpot/PresetDetail/PresetToken", "\"2\""},
      {"PresetTour/Status/CurrentTourSpot/Speed/Zoom/x", "0.5"},
      {"PresetTour/Status/CurrentTourSpot/StayTime", "\"PT3S\""}, {"PresetTour/TourSpot/1/PresetDetail/Home", "true"},
      {"PresetTour/TourSpot/2/PresetDetail/PTZPosition/Zoom/x", "0.4"},
      {"PresetTour/TourSpot/2/PresetDetail/PTZPosition/PanTilt/y", "0.3"}}},
    {"PTZ", "GetPresetTourOptions", R"({"GetTourOptions":{"ProfileToken":"P1","PresetTourToken":"T1"}})",
     "GetPresetTourOptions", {{"ProfileToken", "P1"}, {"PresetTourToken", "T1"}},
     "<tptz:GetPresetTourOptionsResponse><tptz:Options><tt:AutoStart>true</tt:AutoStart><tt:StartingCondition>"
     "<tt:RecurringTime><tt:Min>1</tt:Min><tt:Max>10</tt:Max></tt:RecurringTime><tt:Direction>Forward</tt:Direction>"
     "<tt:Direction>Backward</tt:Direction></tt:StartingCondition><tt:TourSpot><tt:PresetDetail>"
     "<tt:Home>true</tt:Home><tt:PanTiltPositionSpace><tt:URI>pos</tt:URI><tt:XRange><tt:Min>-1</tt:Min>"
     "<tt:Max>1</tt:Max></tt:XRange><tt:YRange><tt:Min>-0.5</tt:Min><tt:Max>0.5</tt:Max></tt:YRange>"
     "</tt:PanTiltPositionSpace><tt:ZoomPositionSpace><tt:URI>z</tt:URI><tt:XRange><tt:Min>0</tt:Min><tt:Max>1</tt:Max>"
     "</tt:XRange></tt:ZoomPositionSpace></tt:PresetDetail></tt:TourSpot></tptz:Options>"
     "</tptz:GetPresetTourOptionsResponse>",
     {{"Options/AutoStart", "true"}, {"Options/StartingCondition/RecurringTime/Max", "10"},
      {"Options/StartingCondition/Direction/1", "\"Backward\""}, {"Options/TourSpot/PresetDetail/Home", "true"},
      {"Options/TourSpot/PresetDetail/PanTiltPositionSpace/YRange/Min", "-0.5"},
      {"Options/TourSpot/PresetDetail/ZoomPositionSpace/XRange/Max", "1.0"}}},
    {"PTZ", "CreatePresetTour", R"({"CreateTour":{"ProfileToken":"P1"}})", "CreatePresetTour", {{"ProfileToken", "P1"}},
     "<tptz:CreatePresetTourResponse><tptz:PresetTourToken>T3</tptz:PresetTourToken></tptz:CreatePresetTourResponse>",
     {{"PresetTourToken", "\"T3\""}}},
    {"PTZ", "ModifyPresetTour",
     R"({"ModifyTour":{"ProfileToken":"P1","Tour":{"Token":"T1","Name":"Round","AutoStart":false,"TourSpot":[
         {"PresetDetail":{"PresetToken":"1"},"StayTime":"PT5S"},{},
         {"PresetDetail":{"PresetToken":"2"},"Speed":{"PanTilt":{"x":0.5,"y":0.5}},"StayTime":"PT7S"}]}}})",
     "ModifyPresetTour",
     {{"ProfileToken", "P1"}, {"PresetTour/@token", "T1"}, {"PresetTour/Name", "Round"},
      {"PresetTour/AutoStart", "false"}, {"PresetTour/TourSpot[0]/PresetDetail/PresetToken", "1"},
      {"PresetTour/TourSpot[0]/StayTime", "PT5S"}, {"PresetTour/TourSpot[1]/PresetDetail/PresetToken", "2"},
      {"PresetTour/TourSpot[1]/Speed/PanTilt/@x", "0.5"}, {"PresetTour/TourSpot[1]/StayTime", "PT7S"},
      {"PresetTour/TourSpot[2]", "<absent>"}},
     empty("ModifyPresetTourResponse"), {}},
    {"PTZ", "OperatePresetTour", R"({"OperateTour":{"ProfileToken":"P1","TourToken":"T1","Operation":"Start"}})",
     "OperatePresetTour", {{"ProfileToken", "P1"}, {"PresetTourToken", "T1"}, {"Operation", "Start"}},
     empty("OperatePresetTourResponse"), {}},
    {"PTZ", "RemovePresetTour", R"({"RemoveTour":{"ProfileToken":"P1","PresetTourToken":"T1"}})", "RemovePresetTour",
     {{"ProfileToken", "P1"}, {"PresetTourToken", "T1"}}, empty("RemovePresetTourResponse"), {}},

    // ---- Nodes, configurations, capabilities ------------------------------------------------
    {"PTZ", "GetPTZServiceCapabilities", "{}", "GetServiceCapabilities", {},
     "<tptz:GetServiceCapabilitiesResponse><tptz:Capabilities EFlip=\"true\" Reverse=\"false\" "
     "GetCompatibleConfigurations=\"true\"/></tptz:GetServiceCapabilitiesResponse>",
     {{"EFlip", "true"}, {"Reverse", "false"}, {"GetCompatibleConfigurations", "true"}}},
    {"PTZ", "GetPTZNodes", "{}", "GetNodes", {},
     "<tptz:GetNodesResponse><tptz:PTZNode " + kNode + "</tptz:PTZNode><tptz:PTZNode token=\"N2\">"
         "<tt:Name>Fixed</tt:Name></tptz:PTZNode></tptz:GetNodesResponse>",
     [] {
         Pairs r = kNodeResult("PTZNode/0");
         r.push_back({"PTZNode/1/token", "\"N2\""});
         r.push_back({"PTZNode/1/SupportedPTZSpaces", "null"});
         return r;
     }()},
    {"PTZ", "GetPTZNode", R"({"NodeToken":"N1"})", "GetNode", {{"NodeToken", "N1"}},
     "<tptz:GetNodeResponse><tptz:PTZNode " + kNode + "</tptz:PTZNode></tptz:GetNodeResponse>", kNodeResult("PTZNode")},
    {"PTZ", "GetPTZCfgs", "{}", "GetConfigurations", {},
     "<tptz:GetConfigurationsResponse><tptz:PTZConfiguration " + kConfiguration +
         "</tptz:PTZConfiguration></tptz:GetConfigurationsResponse>",
     kConfigurationResult("PTZConfiguration/0")},
    {"PTZ", "GetPTZCfg", R"({"PTZConfigurationToken":"C1"})", "GetConfiguration", {{"PTZConfigurationToken", "C1"}},
     "<tptz:GetConfigurationResponse><tptz:PTZConfiguration " + kConfiguration +
         "</tptz:PTZConfiguration></tptz:GetConfigurationResponse>",
     kConfigurationResult("PTZConfiguration")},
    {"PTZ", "GetPTZCompatibleCfgs", R"({"ProfileToken":"P1"})", "GetCompatibleConfigurations", {{"ProfileToken", "P1"}},
     "<tptz:GetCompatibleConfigurationsResponse><tptz:PTZConfiguration " + kConfiguration +
         "</tptz:PTZConfiguration></tptz:GetCompatibleConfigurationsResponse>",
     kConfigurationResult("PTZConfiguration/0")},
    {"PTZ", "SetPTZCfg",
     R"({"PTZConfiguration":{"token":"C1","Name":"ptz","UseCount":1,"NodeToken":"N1","DefaultPTZSpeed":{"PanTilt":
         {"x":1,"y":0.5},"Zoom":{"x":1}},"DefaultPTZTimeout":"PT10S","PanTiltLimits":{"Range":{"URI":"pos","XRange":
         {"Min":-1,"Max":1},"YRange":{"Min":-1,"Max":1}}}},"ForcePersistence":true})",
     "SetConfiguration",
     {{"PTZConfiguration/@token", "C1"}, {"PTZConfiguration/Name", "ptz"}, {"PTZConfiguration/NodeToken", "N1"},
      {"PTZConfiguration/DefaultPTZSpeed/PanTilt/@y", "0.5"}, {"PTZConfiguration/DefaultPTZTimeout", "PT10S"},
      {"PTZConfiguration/PanTiltLimits/Range/XRange/Min", "-1"}, {"ForcePersistence", "true"}},
     empty("SetConfigurationResponse"), {}},
    {"PTZ", "GetPTZCfgOptions", R"({"ConfigurationToken":"C1"})", "GetConfigurationOptions",
     {{"ConfigurationToken", "C1"}},
     "<tptz:GetConfigurationOptionsResponse><tptz:PTZConfigurationOptions><tt:Spaces>"
     "<tt:AbsolutePanTiltPositionSpace><tt:URI>pos</tt:URI><tt:XRange><tt:Min>-1</tt:Min><tt:Max>1</tt:Max></tt:XRange>"
     "<tt:YRange><tt:Min>-0.5</tt:Min><tt:Max>1</tt:Max></tt:YRange></tt:AbsolutePanTiltPositionSpace>"
     "<tt:ContinuousZoomVelocitySpace><tt:URI>zv</tt:URI><tt:XRange><tt:Min>-1</tt:Min><tt:Max>1</tt:Max></tt:XRange>"
     "</tt:ContinuousZoomVelocitySpace></tt:Spaces><tt:PTZTimeout><tt:Min>PT1S</tt:Min><tt:Max>PT60S</tt:Max>"
     "</tt:PTZTimeout><tt:PTControlDirection><tt:EFlip><tt:Mode>OFF</tt:Mode><tt:Mode>ON</tt:Mode></tt:EFlip>"
     "</tt:PTControlDirection></tptz:PTZConfigurationOptions></tptz:GetConfigurationOptionsResponse>",
     {{"PTZConfigurationOptions/Spaces/AbsolutePanTiltPositionSpace/0/YRange/Min", "-0.5"},
      {"PTZConfigurationOptions/Spaces/ContinuousZoomVelocitySpace/0/URI", "\"zv\""},
      {"PTZConfigurationOptions/PTZTimeout/Max", "\"PT60S\""},
      {"PTZConfigurationOptions/PTControlDirection/EFlip/Mode/1", "\"ON\""},
      {"PTZConfigurationOptions/PTControlDirection/Reverse", "null"}}},

    // ---- Imaging ---------------------------------------------------------------------------
    {"Imaging", "GetOptions", R"({"VideoSourceToken":"VS1"})", "GetOptions", {{"VideoSourceToken", "VS1"}},
     "<timg:GetOptionsResponse><timg:ImagingOptions><tt:Brightness><tt:Min>0</tt:Min><tt:Max>255</tt:Max>"
     "</tt:Brightness><tt:Exposure><tt:Mode>AUTO</tt:Mode><tt:Mode>MANUAL</tt:Mode><tt:Iris><tt:Min>0</tt:Min>"
     "<tt:Max>10</tt:Max></tt:Iris></tt:Exposure><tt:Focus><tt:AutoFocusModes>AUTO</tt:AutoFocusModes>"
     "<tt:AutoFocusModes>MANUAL</tt:AutoFocusModes></tt:Focus><tt:IrCutFilterModes>ON</tt:IrCutFilterModes>"
     "<tt:WhiteBalance><tt:YrGain><tt:Min>0</tt:Min><tt:Max>100</tt:Max></tt:YrGain></tt:WhiteBalance>"
     "</timg:ImagingOptions></timg:GetOptionsResponse>",
     {{"ImagingOptions/Brightness/Max", "255.0"}, {"ImagingOptions/Exposure/Mode/1", "\"MANUAL\""},
      {"ImagingOptions/Exposure/Iris/Max", "10.0"}, {"ImagingOptions/Focus/AutoFocusModes/1", "\"MANUAL\""},
      {"ImagingOptions/IrCutFilterModes/0", "\"ON\""}, {"ImagingOptions/WhiteBalance/YrGain/Max", "100.0"},
      {"ImagingOptions/Contrast", "null"}}},
    {"Imaging", "GetImagingSettings", R"({"VideoSourceToken":"VS1"})", "GetImagingSettings",
     {{"VideoSourceToken", "VS1"}},
     "<timg:GetImagingSettingsResponse><timg:ImagingSettings>" + kImagingSettings +
         "</timg:ImagingSettings></timg:GetImagingSettingsResponse>",
     {{"ImagingSettings/Brightness", "128.0"}, {"ImagingSettings/BacklightCompensation/Mode", "\"OFF\""},
      {"ImagingSettings/Exposure/Window/top", "0.1"}, {"ImagingSettings/Exposure/Iris", "2.5"},
      {"ImagingSettings/Focus/AutoFocusMode", "\"MANUAL\""}, {"ImagingSettings/Focus/NearLimit", "0.5"},
      {"ImagingSettings/IrCutFilter", "\"AUTO\""}, {"ImagingSettings/WhiteBalance/CrGain", "40.0"},
      {"ImagingSettings/Contrast", "null"}}},
    {"Imaging", "SetImagingSettings",
     R"({"VideoSourceToken":"VS1","ImagingSettings":{"Brightness":60,"Exposure":{"Mode":"MANUAL","Iris":2.5},
         "Focus":{"AutoFocusMode":"MANUAL"},"WhiteBalance":{"Mode":"AUTO"}},"ForcePersistence":true})",
     "SetImagingSettings",
     {{"VideoSourceToken", "VS1"}, {"ImagingSettings/Brightness", "60"}, {"ImagingSettings/Exposure/Mode", "MANUAL"},
      {"ImagingSettings/Exposure/Iris", "2.5"}, {"ImagingSettings/Focus/AutoFocusMode", "MANUAL"},
      {"ImagingSettings/WhiteBalance/Mode", "AUTO"}, {"ImagingSettings/Contrast", "<absent>"},
      {"ForcePersistence", "true"}},
     "<timg:SetImagingSettingsResponse/>", {}},
    {"Imaging", "GetStatus", R"({"VideoSourceToken":"VS1"})", "GetStatus", {{"VideoSourceToken", "VS1"}},
     "<timg:GetStatusResponse><timg:Status><tt:FocusStatus20><tt:Position>0.4</tt:Position>"
     "<tt:MoveStatus>MOVING</tt:MoveStatus></tt:FocusStatus20></timg:Status></timg:GetStatusResponse>",
     {{"Status/FocusStatus20/Position", "0.4"}, {"Status/FocusStatus20/MoveStatus", "\"MOVING\""},
      {"Status/FocusStatus20/Error", "null"}}},
    {"Imaging", "GetMoveOptions", R"({"VideoSourceToken":"VS1"})", "GetMoveOptions", {{"VideoSourceToken", "VS1"}},
     "<timg:GetMoveOptionsResponse><timg:MoveOptions><tt:Absolute><tt:Position><tt:Min>0</tt:Min><tt:Max>1</tt:Max>"
     "</tt:Position></tt:Absolute><tt:Continuous><tt:Speed><tt:Min>-2</tt:Min><tt:Max>2</tt:Max></tt:Speed>"
     "</tt:Continuous></timg:MoveOptions></timg:GetMoveOptionsResponse>",
     {{"MoveOptions/Absolute/Position/Max", "1.0"}, {"MoveOptions/Continuous/Speed/Min", "-2.0"},
      {"MoveOptions/Relative", "null"}}},
    {"Imaging", "Move", R"({"Move":{"VideoSourceToken":"VS1","Focus":{"Continuous":{"Speed":-0.5}}}})", "Move",
     {{"VideoSourceToken", "VS1"}, {"Focus/Continuous/Speed", "-0.5"}, {"Focus/Absolute", "<absent>"}},
     "<timg:MoveResponse/>", {}},
    {"Imaging", "Stop", R"({"VideoSourceToken":"VS1"})", "Stop", {{"VideoSourceToken", "VS1"}}, "<timg:StopResponse/>",
     {}},
    {"Imaging", "GetImageServiceCapabilities", "{}", "GetServiceCapabilities", {},
     "<timg:GetServiceCapabilitiesResponse><timg:Capabilities ImageStabilization=\"TRUE\"/>"
     "</timg:GetServiceCapabilitiesResponse>",
     {{"Capabilities/ImageStabilization", "true"}}},
};

class PtzRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(PtzRows, SendsTheRequestAndReadsTheAnswer)
{
    const RowCase& c = GetParam();
    Exchange ex = runService(c.service, c.command, c.request, c.answer);
    ASSERT_EQ(0, ex.ret) << c.command;
    ASSERT_EQ(1u, ex.requests.size());
    const std::string body = ex.body();
    const std::string ns = std::string(c.service) == "Imaging" ? kImagingNs : kPtzNs;
    EXPECT_EQ(std::string(c.element) + " " + ns, [&] {
        pugi::xml_document doc;
        doc.load_string(body.c_str());
        pugi::xml_node op = doc.document_element().last_child().first_child();
        return localName(op) + " " + namespaceOf(op);
    }()) << body;
    for (const auto& s : c.sent)
        EXPECT_EQ(s.second, sentAt(body, s.first)) << s.first << " in " << body;
    for (const auto& r : c.result)
        EXPECT_EQ(parseJson(r.second), at(ex.rsp, r.first)) << r.first << " in " << ex.rsp.toStyledString();
}

TEST_P(PtzRows, FailsWhenTheAnswerLacksTheResponseElement)
{
    const RowCase& c = GetParam();
    Exchange ex = runService(c.service, c.command, c.request, "<tt:SomethingElseResponse/>");
    EXPECT_EQ(-1, ex.ret) << c.command;
    EXPECT_EQ(1u, ex.requests.size());
}

INSTANTIATE_TEST_SUITE_P(AllCommands, PtzRows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RowCase>& info) {
                             return std::string(info.param.service) + "_" + info.param.command;
                         });

TEST(PtzRowsCoverage, EveryCommandOfBothServicesHasACase)
{
    const COnvifPTZControl ptz(mediaLogin());
    const COnvifImagingCfg imaging(mediaLogin());
    const struct {
        const char* service;
        const COnvifProtoCore& object;
    } services[] = {{"PTZ", ptz}, {"Imaging", imaging}};
    std::set<std::string> covered;
    for (const auto& c : kCases)
        covered.insert(std::string(c.service) + "/" + c.command);
    size_t total = 0;
    for (const auto& s : services) {
        for (const COnvifOperationTable* table : s.object.getOperationTables()) {
            for (const std::string& command : table->commands()) {
                EXPECT_TRUE(covered.count(std::string(s.service) + "/" + command)) << s.service << "/" << command;
                ++total;
            }
        }
    }
    EXPECT_EQ(kCases.size(), total) << "every case runs a registered command";
    EXPECT_EQ(36u, total) << "28 PTZ operations and 8 imaging commands";
}

// ---- The continuous move's own rules ------------------------------------------------------

const HttpReply kMoveAnswer = HttpReply::soap(200, ptzEnvelope(empty("ContinuousMoveResponse")));

TEST(PtzContinuousMove, ZoomDecidesWhichVelocitiesGoOnTheWire)
{
    const struct {
        const char* velocity;
        const char* panTiltX;   // sentAt of Velocity/PanTilt/@x
        const char* zoomX;
        bool zoomFirst;
    } cases[] = {
        {R"({"PanTilt":{"x":0.5,"y":0}})", "0.5", "<absent>", false},                      // no zoom at all
        {R"({"PanTilt":{"x":0.5,"y":0},"Zoom":{"x":0}})", "0.5", "<absent>", false},       // zoom 0: pan/tilt only
        {R"({"PanTilt":{"x":0,"y":0},"Zoom":{"x":-0.5}})", "<absent>", "-0.5", true},      // zoom-only move
        {R"({"PanTilt":{"x":0,"y":0.3},"Zoom":{"x":0.5}})", "0", "0.5", true},             // both, zoom first
    };
    for (const auto& c : cases) {
        Json::Value req;
        req["ContinuousMove"]["ProfileToken"] = "P1";
        req["ContinuousMove"]["Velocity"] = parseJson(c.velocity);
        Exchange ex = runService("PTZ", "ContinuousMove", req, kMoveAnswer);
        ASSERT_EQ(0, ex.ret) << c.velocity;
        const std::string body = ex.body();
        EXPECT_EQ(c.panTiltX, sentAt(body, "Velocity/PanTilt/@x")) << c.velocity;
        EXPECT_EQ(c.zoomX, sentAt(body, "Velocity/Zoom/@x")) << c.velocity;
        if (c.zoomFirst && sentAt(body, "Velocity/PanTilt") != "<absent>") {
            EXPECT_LT(body.find(":Zoom"), body.find(":PanTilt")) << body;
        }
    }
}

TEST(PtzContinuousMove, ANegativeTimeoutMeansTheDevicesDefault)
{
    const struct {
        const char* timeout;
        const char* sent;
    } cases[] = {{"-1", "<absent>"}, {"\"PT3S\"", "PT3S"}, {"\"\"", "<absent>"}, {"null", "<absent>"}};
    for (const auto& c : cases) {
        Json::Value req;
        req["ContinuousMove"]["ProfileToken"] = "P1";
        req["ContinuousMove"]["Velocity"]["PanTilt"]["x"] = 0.1;
        req["ContinuousMove"]["Timeout"] = parseJson(c.timeout);
        Exchange ex = runService("PTZ", "ContinuousMove", req, kMoveAnswer);
        ASSERT_EQ(0, ex.ret) << c.timeout;
        EXPECT_EQ(c.sent, sentAt(ex.body(), "Timeout")) << c.timeout;
    }
}

// ---- Requests the device never sees --------------------------------------------------------

TEST(PtzRequests, AMissingRequiredKeyFailsBeforeSending)
{
    const struct {
        const char* command;
        const char* request;
    } cases[] = {
        {"SetHomePosition", "{}"},
        {"GetPTZStatus", R"({"GetStatus":{}})"},
        {"GetPTZStatus", R"({"ProfileToken":"P1"})"},   // at the top level, not in "GetStatus"
        {"GotoPTZPreset", R"({"GotoPreset":{"ProfileToken":"P1"}})"},
        {"OperatePresetTour", R"({"OperateTour":{"ProfileToken":"P1","TourToken":"T1"}})"},
        {"RemovePresetTour", R"({"RemoveTour":{"ProfileToken":"P1"}})"},
        {"GetPTZNode", "{}"},
        {"SendAuxiliaryCommand", R"({"ProfileToken":"P1"})"},
        {"ContinuousMove", R"({"ContinuousMove":"P1"})"},   // the request object is not a record
    };
    for (const auto& c : cases) {
        Exchange ex = runService("PTZ", c.command, c.request, empty("AnyResponse"));
        EXPECT_EQ(-1, ex.ret) << c.command << " " << c.request;
        EXPECT_TRUE(ex.requests.empty()) << c.command << " " << c.request;
    }
    Exchange unknown = runService("PTZ", "Zoom", "{}", empty("ZoomResponse"));
    EXPECT_EQ(-2, unknown.ret);
    EXPECT_TRUE(unknown.requests.empty());
}

TEST(PtzAnswers, NoPresetsLeaveNoPresetArray)
{
    Exchange ex = runService("PTZ", "GetPTZPresets", R"({"GetPresets":{"ProfileToken":"P1"}})",
                             "<tptz:GetPresetsResponse/>");
    EXPECT_EQ(0, ex.ret);
    EXPECT_FALSE(ex.rsp.isMember("Preset")) << ex.rsp.toStyledString();
}

TEST(PtzAnswers, AConfigurationIsWrittenInTheSchemasOrder)
{
    Exchange ex = runService("PTZ", "SetPTZCfg",
                             R"({"PTZConfiguration":{"token":"C1","NodeToken":"N1","DefaultPTZTimeout":"PT5S",
                                 "DefaultPTZSpeed":{"PanTilt":{"x":1,"y":1}},"ZoomLimits":{"Range":{"URI":"z"}}}})",
                             empty("SetConfigurationResponse"));
    ASSERT_EQ(0, ex.ret);
    const std::string body = ex.body();
    EXPECT_LT(body.find("NodeToken>"), body.find("DefaultPTZSpeed>"));
    EXPECT_LT(body.find("DefaultPTZSpeed>"), body.find("DefaultPTZTimeout>"));
    EXPECT_LT(body.find("DefaultPTZTimeout>"), body.find("ZoomLimits>"));
}

} // namespace
