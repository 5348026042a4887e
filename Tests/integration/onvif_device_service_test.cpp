// Every operation row of the device management service against a loopback device that
// answers as the ONVIF device WSDL describes: the request element and the children that
// really arrived, how the request was signed, and the keys of the result.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "DeviceAnswers.h"
#include "LoopbackHttpServer.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifCapabilities.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifDeviceManagement.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifSystem.h"
#include "onvif_device_service_support.h"

using namespace OnvifTest;
using namespace DeviceServiceTest;
using RPC::Onvif::COnvifDeviceManagement;

namespace {

const RowCase kRows[] = {
    // ---- Capabilities ----------------------------------------------------------------
    {"GetCapabilities", "{}",
     "<tds:GetCapabilitiesResponse><tds:Capabilities>"
     "<tt:Analytics><tt:XAddr>http://10.1.1.9/onvif/analytics</tt:XAddr></tt:Analytics>"
     "<tt:Device><tt:XAddr>http://10.1.1.9/onvif/device_service</tt:XAddr></tt:Device>"
     "<tt:Events><tt:XAddr>http://10.1.1.9/onvif/events</tt:XAddr></tt:Events>"
     "<tt:Imaging><tt:XAddr>http://10.1.1.9/onvif/imaging</tt:XAddr></tt:Imaging>"
     "<tt:Media><tt:XAddr>http://10.1.1.9/onvif/media</tt:XAddr></tt:Media>"
     "<tt:PTZ><tt:XAddr>http://10.1.1.9/onvif/ptz</tt:XAddr></tt:PTZ>"
     "<tt:Extension><tt:DeviceIO><tt:XAddr>http://10.1.1.9/onvif/deviceio</tt:XAddr></tt:DeviceIO>"
     "<tt:Recording><tt:XAddr>http://10.1.1.9/onvif/recording</tt:XAddr></tt:Recording>"
     "<tt:Search><tt:XAddr>http://10.1.1.9/onvif/search</tt:XAddr></tt:Search>"
     "<tt:Replay><tt:XAddr>http://10.1.1.9/onvif/replay</tt:XAddr></tt:Replay></tt:Extension>"
     "</tds:Capabilities></tds:GetCapabilitiesResponse>",
     "GetCapabilities", {{"Category", "All"}},
     R"({"Capabilities":{"Device":{"XAddr":"http://10.1.1.9/onvif/device_service"},
        "Events":{"XAddr":"http://10.1.1.9/onvif/events"},"Media":{"XAddr":"http://10.1.1.9/onvif/media"},
        "PTZ":{"XAddr":"http://10.1.1.9/onvif/ptz"},"Imaging":{"XAddr":"http://10.1.1.9/onvif/imaging"},
        "Analytics":{"XAddr":"http://10.1.1.9/onvif/analytics"},
        "Extension":{"DeviceIO":{"XAddr":"http://10.1.1.9/onvif/deviceio"},
          "Recording":{"XAddr":"http://10.1.1.9/onvif/recording"},
          "Search":{"XAddr":"http://10.1.1.9/onvif/search"},"Replay":{"XAddr":"http://10.1.1.9/onvif/replay"}}}})",
     ANONYMOUS, DEVICE_NS},
    // A device that answers in a default namespace instead of a prefix.
    {"GetWsdlUrl", "{}",
     "<GetWsdlUrlResponse xmlns=\"http://www.onvif.org/ver10/device/wsdl\">"
     "<WsdlUrl>http://www.onvif.org/ver10/device/wsdl/devicemgmt.wsdl</WsdlUrl></GetWsdlUrlResponse>",
     "GetWsdlUrl", {}, R"({"WsdlUrl":"http://www.onvif.org/ver10/device/wsdl/devicemgmt.wsdl"})", SIGNED, DEVICE_NS},
    {"GetServices", R"({"IncludeCapability":true})",
     "<tds:GetServicesResponse>"
     "<tds:Service><tds:Namespace>http://www.onvif.org/ver10/device/wsdl</tds:Namespace>"
     "<tds:XAddr>http://10.1.1.9/onvif/device_service</tds:XAddr>"
     "<tds:Capabilities><tds:Capabilities><tds:System FirmwareUpgrade=\"true\"/></tds:Capabilities>"
     "</tds:Capabilities>"
     "<tds:Version><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor></tds:Version></tds:Service>"
     "<tds:Service><tds:Namespace>http://www.onvif.org/ver10/deviceIO/wsdl</tds:Namespace>"
     "<tds:XAddr>http://10.1.1.9/onvif/deviceio</tds:XAddr>"
     "<tds:Version><tt:Major>19</tt:Major><tt:Minor>6</tt:Minor></tds:Version></tds:Service>"
     "</tds:GetServicesResponse>",
     "GetServices", {{"IncludeCapability", "true"}},
     R"({"Service":[
        {"Namespace":"http://www.onvif.org/ver10/device/wsdl","XAddr":"http://10.1.1.9/onvif/device_service",
         "ServiceType":"Device","Version":{"Major":2,"Minor":60}},
        {"Namespace":"http://www.onvif.org/ver10/deviceIO/wsdl","XAddr":"http://10.1.1.9/onvif/deviceio",
         "ServiceType":"DeviceIO","Version":{"Major":19,"Minor":6}}]})",
     ANONYMOUS, DEVICE_NS},
    {"GetServiceCapabilities", "{}",
     "<tds:GetServiceCapabilitiesResponse><tds:Capabilities>"
     "<tds:Network IPFilter=\"true\" ZeroConfiguration=\"false\" IPVersion6=\"true\" NTP=\"2\" "
     "Dot1XConfigurations=\"1\" DHCPv6=\"true\"/>"
     "<tds:Security TLS1.0=\"false\" TLS1.1=\"true\" TLS1.2=\"true\" X.509Token=\"true\" UsernameToken=\"true\" "
     "HttpDigest=\"true\" SupportedEAPMethods=\"13 25\"/>"
     "<tds:System DiscoveryBye=\"true\" FirmwareUpgrade=\"true\" HttpFirmwareUpgrade=\"true\"/>"
     "<tds:Misc AuxiliaryCommands=\"tt:Wiper|On tt:IRLamp|Auto\"/>"
     "</tds:Capabilities></tds:GetServiceCapabilitiesResponse>",
     "GetServiceCapabilities", {},
     R"({"Capabilities":{
        "Network":{"IPFilter":true,"ZeroConfiguration":false,"IPVersion6":true,"NTP":2,"Dot1XConfigurations":1,
                   "DHCPv6":true,"DynDNS":false},
        "Security":{"TLS1_x002e0":false,"TLS1_x002e1":true,"TLS1_x002e2":true,"X_x002e509Token":true,
                    "UsernameToken":true,"HttpDigest":true,"RELToken":false,"SupportedEAPMethods":"13 25"},
        "System":{"DiscoveryBye":true,"FirmwareUpgrade":true,"HttpFirmwareUpgrade":true,"SystemBackup":false},
        "Misc":{"AuxiliaryCommands":"tt:Wiper|On tt:IRLamp|Auto"}}})",
     SIGNED, DEVICE_NS},
    {"SendMgmtAuxiliaryCommand", R"({"AuxiliaryCommand":"tt:Wiper|On"})",
     "<tds:SendAuxiliaryCommandResponse><tds:AuxiliaryCommandResponse>tt:Wiper|On</tds:AuxiliaryCommandResponse>"
     "</tds:SendAuxiliaryCommandResponse>",
     "SendAuxiliaryCommand", {{"AuxiliaryCommand", "tt:Wiper|On"}}, R"({"AuxiliaryCommandResponse":"tt:Wiper|On"})",
     SIGNED, DEVICE_NS},

    // ---- System ----------------------------------------------------------------------
    {"GetDeviceInfomation", "{}",
     "<tds:GetDeviceInformationResponse><tds:Manufacturer>Acme</tds:Manufacturer><tds:Model>IPC-4K</tds:Model>"
     "<tds:FirmwareVersion>V5.2.1</tds:FirmwareVersion><tds:SerialNumber>SN0042</tds:SerialNumber>"
     "<tds:HardwareId>HW7</tds:HardwareId></tds:GetDeviceInformationResponse>",
     "GetDeviceInformation", {},
     R"({"Manufacturer":"Acme","Model":"IPC-4K","FirmwareVersion":"V5.2.1","SerialNumber":"SN0042",
        "HardwareId":"HW7"})",
     SIGNED, DEVICE_NS},
    {"GetSystemDateAndTime", "{}",
     "<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:DateTimeType>NTP</tt:DateTimeType>"
     "<tt:DaylightSavings>true</tt:DaylightSavings><tt:TimeZone><tt:TZ>CET-1CEST,M3.5.0,M10.5.0/3</tt:TZ>"
     "</tt:TimeZone><tt:UTCDateTime><tt:Time><tt:Hour>22</tt:Hour><tt:Minute>5</tt:Minute><tt:Second>59</tt:Second>"
     "</tt:Time><tt:Date><tt:Year>2023</tt:Year><tt:Month>12</tt:Month><tt:Day>31</tt:Day></tt:Date>"
     "</tt:UTCDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>",
     "GetSystemDateAndTime", {},
     R"({"SystemDateAndTime":{"DateTimeType":"NTP","DaylightSavings":true,
        "TimeZone":{"TZ":"CET-1CEST,M3.5.0,M10.5.0/3"},
        "UTCDateTime":{"Time":{"Hour":22,"Minute":5,"Second":59},"Date":{"Year":2023,"Month":12,"Day":31}}}})",
     ANONYMOUS, DEVICE_NS},
    {"SetSystemDateAndTime",
     R"({"SystemDateAndTime":{"DateTimeType":"Manual","DaylightSavings":false,"TimeZone":{"TZ":"CST-8"},
        "UTCDateTime":{"Time":{"Hour":4,"Minute":30,"Second":0},"Date":{"Year":2024,"Month":2,"Day":29}}}})",
     "<tds:SetSystemDateAndTimeResponse/>", "SetSystemDateAndTime",
     {{"DateTimeType", "Manual"}, {"DaylightSavings", "false"}, {"TZ", "CST-8"}, {"Hour", "4"}, {"Minute", "30"},
      {"Second", "0"}, {"Year", "2024"}, {"Month", "2"}, {"Day", "29"}},
     "{}", SIGNED, DEVICE_NS},
    {"StartFirmwareUpgrade", "{}",
     "<tds:StartFirmwareUpgradeResponse><tds:UploadUri>http://10.1.1.9/upload/fw</tds:UploadUri>"
     "<tds:UploadDelay>PT5S</tds:UploadDelay><tds:ExpectedDownTime>PT2M</tds:ExpectedDownTime>"
     "</tds:StartFirmwareUpgradeResponse>",
     "StartFirmwareUpgrade", {},
     R"({"UploadUri":"http://10.1.1.9/upload/fw","UploadDelay":"PT5S","ExpectedDownTime":"PT2M"})", SIGNED,
     DEVICE_NS},
    {"Reboot", "{}",
     "<tds:SystemRebootResponse><tds:Message>Rebooting in 30 seconds</tds:Message></tds:SystemRebootResponse>",
     "SystemReboot", {}, "{}", SIGNED, FULL_NS},
    {"SetSystemFactoryDefault", R"({"FactoryDefault":"Hard"})", "<tds:SetSystemFactoryDefaultResponse/>",
     "SetSystemFactoryDefault", {{"FactoryDefault", "Hard"}}, "{}", SIGNED, FULL_NS},
    {"GetScopes", "{}",
     "<tds:GetScopesResponse>"
     "<tds:Scopes><tt:ScopeDef>Fixed</tt:ScopeDef><tt:ScopeItem>onvif://www.onvif.org/type/video_encoder"
     "</tt:ScopeItem></tds:Scopes>"
     "<tds:Scopes><tt:ScopeDef>Configurable</tt:ScopeDef><tt:ScopeItem>onvif://www.onvif.org/name/Gate"
     "</tt:ScopeItem></tds:Scopes></tds:GetScopesResponse>",
     "GetScopes", {},
     R"({"Scopes":[{"ScopeDef":"Fixed","ScopeItem":"onvif://www.onvif.org/type/video_encoder"},
                   {"ScopeDef":"Configurable","ScopeItem":"onvif://www.onvif.org/name/Gate"}]})",
     SIGNED, DEVICE_NS},
    {"SetScopes", R"({"Scopes":["onvif://www.onvif.org/name/Gate","onvif://www.onvif.org/location/North"]})",
     "<tds:SetScopesResponse/>", "SetScopes",
     {{"Scopes", "onvif://www.onvif.org/name/Gate|onvif://www.onvif.org/location/North"}}, "{}", SIGNED, DEVICE_NS},
    {"AddScopes", R"({"Scopes":["onvif://www.onvif.org/location/Dock"]})", "<tds:AddScopesResponse/>", "AddScopes",
     {{"Scopes", "onvif://www.onvif.org/location/Dock"}}, "{}", SIGNED, DEVICE_NS},
    {"RemoveScopes", R"({"Scopes":["onvif://www.onvif.org/location/Dock"]})",
     "<tds:RemoveScopesResponse><tds:ScopeItem>onvif://www.onvif.org/location/Dock</tds:ScopeItem>"
     "</tds:RemoveScopesResponse>",
     "RemoveScopes", {{"Scopes", "onvif://www.onvif.org/location/Dock"}}, "{}", SIGNED, DEVICE_NS},
    {"GetSystemUris", "{}",
     "<tds:GetSystemUrisResponse><tds:SystemLogUris>"
     "<tt:SystemLog><tt:Type>System</tt:Type><tt:Uri>http://10.1.1.9/log/system</tt:Uri></tt:SystemLog>"
     "<tt:SystemLog><tt:Type>Access</tt:Type><tt:Uri>http://10.1.1.9/log/access</tt:Uri></tt:SystemLog>"
     "</tds:SystemLogUris><tds:SupportInfoUri>http://10.1.1.9/support</tds:SupportInfoUri>"
     "<tds:SystemBackupUri>http://10.1.1.9/backup</tds:SystemBackupUri></tds:GetSystemUrisResponse>",
     "GetSystemUris", {},
     R"({"SupportInfoUri":"http://10.1.1.9/support","SystemBackupUri":"http://10.1.1.9/backup",
        "SystemLogUris":[{"Type":"System","Uri":"http://10.1.1.9/log/system"},
                         {"Type":"Access","Uri":"http://10.1.1.9/log/access"}]})",
     SIGNED, DEVICE_NS},
    {"GetSystemBackup", "{}",
     "<tds:GetSystemBackupResponse xmlns:xop=\"http://www.w3.org/2004/08/xop/include\" "
     "xmlns:xmime=\"http://www.w3.org/2005/05/xmlmime\">"
     "<tds:BackupFiles><tt:Name>config.tgz</tt:Name><tt:Data xmime:contentType=\"application/gzip\">"
     "<xop:Include href=\"cid:backup-0@device\"/></tt:Data></tds:BackupFiles>"
     "<tds:BackupFiles><tt:Name>users.bin</tt:Name><tt:Data><xop:Include href=\"cid:backup-1@device\"/>"
     "</tt:Data></tds:BackupFiles></tds:GetSystemBackupResponse>",
     "GetSystemBackup", {},
     R"({"BackupFiles":[{"Name":"config.tgz","Include":"","Data":{"contentType":"application/gzip"}},
                        {"Name":"users.bin","Include":""}]})",
     SIGNED, DEVICE_NS},
    {"RestoreSystem",
     R"({"BackupFiles":[{"Name":"config.tgz","Data":{"Include":"cid:restore-0","contentType":"application/gzip"}}]})",
     "<tds:RestoreSystemResponse/>", "RestoreSystem", {{"Name", "config.tgz"}, {"Include", "cid:restore-0"}}, "{}",
     SIGNED, DEVICE_NS},
    {"StartSystemRestore", "{}",
     "<tds:StartSystemRestoreResponse><tds:UploadUri>http://10.1.1.9/restore</tds:UploadUri>"
     "<tds:ExpectedDownTime>PT1M</tds:ExpectedDownTime></tds:StartSystemRestoreResponse>",
     "StartSystemRestore", {}, R"({"UploadUri":"http://10.1.1.9/restore","ExpectedDownTime":"PT1M"})", SIGNED,
     DEVICE_NS},
    // Both forms at once: an attachment reference and the text.
    {"GetSystemLog", R"({"LogType":"Access"})",
     "<tds:GetSystemLogResponse xmlns:xop=\"http://www.w3.org/2004/08/xop/include\"><tds:SystemLog>"
     "<tt:Binary contentType=\"text/plain\"><xop:Include href=\"cid:log@device\">log-part</xop:Include></tt:Binary>"
     "<tt:String>login admin 10:02</tt:String></tds:SystemLog></tds:GetSystemLogResponse>",
     "GetSystemLog", {{"LogType", "Access"}},
     R"({"SystemLog":{"Binary":{"Include":"log-part","contentType":"text/plain"},"String":"login admin 10:02"}})",
     SIGNED, DEVICE_NS},
    {"GetSystemSupportInfo", "{}",
     "<tds:GetSystemSupportInformationResponse><tds:SupportInformation><tt:String>uptime 12d</tt:String>"
     "</tds:SupportInformation></tds:GetSystemSupportInformationResponse>",
     "GetSystemSupportInformation", {}, R"({"SupportInformation":{"String":"uptime 12d"}})", SIGNED, DEVICE_NS},
    {"GetDiscoveryMode", "{}",
     "<tds:GetDiscoveryModeResponse><tds:DiscoveryMode>NonDiscoverable</tds:DiscoveryMode>"
     "</tds:GetDiscoveryModeResponse>",
     "GetDiscoveryMode", {}, R"({"DiscoveryMode":"NonDiscoverable"})", SIGNED, DEVICE_NS},
    {"SetDiscoveryMode", R"({"DiscoveryMode":"Discoverable"})", "<tds:SetDiscoveryModeResponse/>",
     "SetDiscoveryMode", {{"DiscoveryMode", "Discoverable"}}, "{}", SIGNED, DEVICE_NS},
    {"GetRemoteDiscoveryMode", "{}",
     "<tds:GetRemoteDiscoveryModeResponse><tds:RemoteDiscoveryMode>Discoverable</tds:RemoteDiscoveryMode>"
     "</tds:GetRemoteDiscoveryModeResponse>",
     "GetRemoteDiscoveryMode", {}, R"({"RemoteDiscoveryMode":"Discoverable"})", SIGNED, DEVICE_NS},
    {"SetRemoteDiscoveryMode", R"({"RemoteDiscoveryMode":"NonDiscoverable"})",
     "<tds:SetRemoteDiscoveryModeResponse/>", "SetRemoteDiscoveryMode", {{"RemoteDiscoveryMode", "NonDiscoverable"}},
     "{}", SIGNED, DEVICE_NS},
    {"GetDPAddresses", "{}",
     "<tds:GetDPAddressesResponse>"
     "<tds:DPAddress><tt:Type>IPv4</tt:Type><tt:IPv4Address>192.0.2.20</tt:IPv4Address></tds:DPAddress>"
     "<tds:DPAddress><tt:Type>DNS</tt:Type><tt:DNSname>dp.example.net</tt:DNSname></tds:DPAddress>"
     "</tds:GetDPAddressesResponse>",
     "GetDPAddresses", {},
     R"({"DPAddress":[{"Type":"IPv4","IPv4Address":["192.0.2.20"]},{"Type":"DNS","DNSname":["dp.example.net"]}]})",
     SIGNED, DEVICE_NS},
    {"SetDPAddresses",
     R"({"DPAddress":[{"Type":"IPv4","IPv4Address":["192.0.2.20"]},{"Type":"DNS","DNSname":["dp.example.net"]}]})",
     "<tds:SetDPAddressesResponse/>", "SetDPAddresses",
     {{"Type", "IPv4|DNS"}, {"IPv4Address", "192.0.2.20"}, {"DNSname", "dp.example.net"}}, "{}", SIGNED, DEVICE_NS},
};

class DeviceServiceRows : public DeviceServiceFixture, public ::testing::WithParamInterface<RowCase> {};

TEST_P(DeviceServiceRows, SendsTheElementAndReadsTheAnswer)
{
    expectRowSentAndRead(GetParam(), [](const RPC::Onvif::COnvifLoginInfo& login, const char* name,
                                        const Json::Value& req, Json::Value& rsp) {
        COnvifDeviceManagement device(login);
        return device.execute(name, req, rsp);
    });
}

INSTANTIATE_TEST_SUITE_P(AllRows, DeviceServiceRows, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<RowCase>& info) { return std::string(info.param.name); });

// Every registered name reaches a device: a name missing from the tables would give -2
// before anything is sent.
TEST_F(DeviceServiceFixture, EveryNameOfBothAreasIsRegistered)
{
    const char* names[] = {"GetCapabilities", "GetWsdlUrl", "GetServices", "GetServiceCapabilities",
                           "SendMgmtAuxiliaryCommand", "GetDeviceInfomation", "GetSystemDateAndTime",
                           "SetSystemDateAndTime", "UpgradeSystemFirmware", "StartFirmwareUpgrade", "Reboot",
                           "SetSystemFactoryDefault", "GetScopes", "SetScopes", "AddScopes", "RemoveScopes",
                           "GetSystemUris", "GetSystemBackup", "RestoreSystem", "StartSystemRestore",
                           "GetSystemLog", "GetSystemSupportInfo", "GetDiscoveryMode", "SetDiscoveryMode",
                           "GetRemoteDiscoveryMode", "SetRemoteDiscoveryMode", "GetDPAddresses", "SetDPAddresses"};
    LoopbackHttpServer server([](const HttpRequest&, size_t) { return notAuthorizedFault(500); });
    COnvifDeviceManagement device(loginFor(server));
    for (const char* name : names) {
        Json::Value rsp;
        EXPECT_EQ(-1, device.execute(name, Json::Value(Json::objectValue), rsp)) << name << ": no XAddr fails";
    }
    EXPECT_EQ(0u, server.requestCount()) << "nothing is sent without an address";
    Json::Value rsp;
    EXPECT_EQ(-2, device.execute("GetDeviceInformation", requestFor(server), rsp)) << "only the registered spelling";
    EXPECT_EQ(-2, device.execute("SendAuxiliaryCommand", requestFor(server), rsp));
    EXPECT_EQ(-3, device.execute(nullptr, requestFor(server), rsp));
    EXPECT_EQ(0u, server.requestCount());
    EXPECT_STREQ("DeviceManagement", device.getServiceName());
}

// ... and every name of the capabilities and system areas has a row case above, exactly
// one (the other areas have their own files). The firmware upload needs an image in memory;
// DeviceServiceRules.FirmwareTravelsAsAnAttachment runs it.
TEST_F(DeviceServiceFixture, EveryCommandOfTheServiceHasACase)
{
    const COnvifDeviceManagement device(RPC::Onvif::COnvifLoginInfo{});
    std::set<std::string> all;
    for (const RPC::Onvif::COnvifOperationTable* table : device.getOperationTables())
        for (const std::string& command : table->commands())
            EXPECT_TRUE(all.insert(command).second) << command << " is in two areas";

    std::multiset<std::string> covered = {"UpgradeSystemFirmware"};
    for (const RowCase& c : kRows)
        covered.insert(c.name);
    std::set<std::string> commands;
    for (const RPC::Onvif::COnvifOperationTable* table :
         {&RPC::Onvif::COnvifCapabilities::operationTable(), &RPC::Onvif::COnvifSystem::operationTable()})
        for (const std::string& command : table->commands())
            commands.insert(command);
    for (const std::string& command : commands)
        EXPECT_EQ(1u, covered.count(command)) << command;
    EXPECT_EQ(covered.size(), commands.size());
}

} // namespace
