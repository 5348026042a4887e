// Every operation row of the network and security areas of the device service against a
// loopback device answering as the ONVIF device WSDL describes: the request element, the
// children that really arrived and the keys of the result; then the operations that
// execute() does not offer by name, and the rules of those two areas.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "DeviceAnswers.h"
#include "LoopbackHttpServer.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifDeviceManagement.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifNetwork.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifSecurity.h"
#include "onvif_device_service_support.h"

using namespace OnvifTest;
using namespace DeviceServiceTest;
using RPC::Onvif::COnvifDeviceManagement;
using RPC::Onvif::COnvifLoginInfo;
using RPC::Onvif::COnvifNetwork;
using RPC::Onvif::COnvifOperationTable;
using RPC::Onvif::COnvifSecurity;

namespace {

const RowCase kNetworkRows[] = {
    {"GetHostname", "{}",
     "<tds:GetHostnameResponse><tds:HostnameInformation><tt:FromDHCP>false</tt:FromDHCP><tt:Name>gate-cam</tt:Name>"
     "</tds:HostnameInformation></tds:GetHostnameResponse>",
     "GetHostname", {}, R"({"HostnameInformation":{"FromDHCP":false,"Name":"gate-cam"}})", SIGNED, DEVICE_NS},
    {"GetNTPSettings", "{}",
     "<tds:GetNTPResponse><tds:NTPInformation><tt:FromDHCP>false</tt:FromDHCP>"
     "<tt:NTPManual><tt:Type>IPv4</tt:Type><tt:IPv4Address>192.0.2.123</tt:IPv4Address></tt:NTPManual>"
     "<tt:NTPManual><tt:Type>DNS</tt:Type><tt:DNSname>pool.ntp.example</tt:DNSname></tt:NTPManual>"
     "</tds:NTPInformation></tds:GetNTPResponse>",
     "GetNTP", {},
     R"({"NTPInformation":{"FromDHCP":false,"NTPManual":[{"Type":"IPv4","IPv4Address":["192.0.2.123"]},
        {"Type":"DNS","DNSname":["pool.ntp.example"]}]}})",
     SIGNED, DEVICE_NS},
    // The second interface has no IPv6 element and so no "IPv6" key.
    {"GetNetworkinterfaces", "{}",
     "<tds:GetNetworkInterfacesResponse>"
     "<tds:NetworkInterfaces token=\"eth0\"><tt:Enabled>true</tt:Enabled>"
     "<tt:Info><tt:Name>eth0</tt:Name><tt:HwAddress>00:11:22:33:44:55</tt:HwAddress><tt:MTU>1500</tt:MTU></tt:Info>"
     "<tt:Link><tt:AdminSettings><tt:AutoNegotiation>true</tt:AutoNegotiation><tt:Speed>100</tt:Speed>"
     "<tt:Duplex>Full</tt:Duplex></tt:AdminSettings><tt:OperSettings><tt:AutoNegotiation>true</tt:AutoNegotiation>"
     "<tt:Speed>100</tt:Speed><tt:Duplex>Full</tt:Duplex></tt:OperSettings><tt:InterfaceType>6</tt:InterfaceType>"
     "</tt:Link>"
     "<tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config>"
     "<tt:Manual><tt:Address>192.168.1.64</tt:Address><tt:PrefixLength>24</tt:PrefixLength></tt:Manual>"
     "<tt:Manual><tt:Address>10.0.0.64</tt:Address><tt:PrefixLength>8</tt:PrefixLength></tt:Manual>"
     "<tt:LinkLocal><tt:Address>169.254.1.2</tt:Address><tt:PrefixLength>16</tt:PrefixLength></tt:LinkLocal>"
     "<tt:DHCP>false</tt:DHCP></tt:Config></tt:IPv4>"
     "<tt:IPv6><tt:Enabled>true</tt:Enabled><tt:Config><tt:AcceptRouterAdvert>false</tt:AcceptRouterAdvert>"
     "<tt:DHCP>Off</tt:DHCP><tt:LinkLocal><tt:Address>fe80::211:22ff:fe33:4455</tt:Address>"
     "<tt:PrefixLength>64</tt:PrefixLength></tt:LinkLocal>"
     "<tt:FromRA><tt:Address>2001:db8::64</tt:Address><tt:PrefixLength>64</tt:PrefixLength></tt:FromRA>"
     "</tt:Config></tt:IPv6></tds:NetworkInterfaces>"
     "<tds:NetworkInterfaces token=\"wlan0\"><tt:Enabled>false</tt:Enabled>"
     "<tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config><tt:FromDHCP><tt:Address>10.9.8.7</tt:Address>"
     "<tt:PrefixLength>16</tt:PrefixLength></tt:FromDHCP><tt:DHCP>true</tt:DHCP></tt:Config></tt:IPv4>"
     "</tds:NetworkInterfaces></tds:GetNetworkInterfacesResponse>",
     "GetNetworkInterfaces", {},
     R"({"NetworkInterfaces":[
        {"token":"eth0","Enabled":true,"Info":{"Name":"eth0","HwAddress":"00:11:22:33:44:55","MTU":"1500"},
         "Link":{"AdminSettings":{"AutoNegotiation":true,"Speed":100,"Duplex":"Full"},
                 "OperSettings":{"AutoNegotiation":true,"Speed":100,"Duplex":"Full"},"InterfaceType":6},
         "IPv4":{"Enabled":true,"Config":{"DHCP":false,
            "Manual":[{"Address":"192.168.1.64","PrefixLength":24},{"Address":"10.0.0.64","PrefixLength":8}],
            "LinkLocal":{"Address":"169.254.1.2","PrefixLength":16}}},
         "IPv6":{"Enabled":true,"Config":{"AcceptRouterAdvert":false,"DHCP":"Off",
            "LinkLocal":[{"Address":"fe80::211:22ff:fe33:4455","PrefixLength":64}],
            "FromRA":[{"Address":"2001:db8::64","PrefixLength":64}]}}},
        {"token":"wlan0","Enabled":false,
         "IPv4":{"Enabled":true,"Config":{"DHCP":true,"FromDHCP":{"Address":"10.9.8.7","PrefixLength":16}}}}]})",
     SIGNED, FULL_NS},
    {"SetNetworkInterfaces",
     R"({"InterfaceToken":"eth0","NetworkInterface":{"Enabled":true,"MTU":1400,
        "IPv4":{"Enabled":true,"DHCP":false,"Manual":[{"Address":"10.1.2.3","PrefixLength":16}]},
        "IPv6":{"Enabled":false,"DHCP":"Off","Manual":[{"Address":"2001:db8::9","PrefixLength":64}]}}})",
     "<tds:SetNetworkInterfacesResponse><tds:RebootNeeded>true</tds:RebootNeeded></tds:SetNetworkInterfacesResponse>",
     "SetNetworkInterfaces",
     {{"InterfaceToken", "eth0"}, {"MTU", "1400"}, {"Address", "10.1.2.3|2001:db8::9"}, {"PrefixLength", "16|64"},
      {"DHCP", "false|Off"}, {"Enabled", "true|true|false"}},
     R"({"RebootNeeded":true})", SIGNED, FULL_NS},
    {"GetDNSSettings", "{}",
     "<tds:GetDNSResponse><tds:DNSInformation><tt:FromDHCP>false</tt:FromDHCP>"
     "<tt:SearchDomain>site.example</tt:SearchDomain><tt:SearchDomain>corp.example</tt:SearchDomain>"
     "<tt:DNSManual><tt:Type>IPv4</tt:Type><tt:IPv4Address>192.0.2.53</tt:IPv4Address></tt:DNSManual>"
     "</tds:DNSInformation></tds:GetDNSResponse>",
     "GetDNS", {},
     R"({"DNSInformation":{"FromDHCP":false,"SearchDomain":["site.example","corp.example"],
        "DNSManual":[{"Type":"IPv4","IPv4Address":["192.0.2.53"]}]}})",
     SIGNED, DEVICE_NS},
    {"SetDNSSettings",
     R"({"FromDHCP":false,"SearchDomain":["site.example"],
        "DNSManual":[{"Type":"IPv4","IPv4Address":["192.0.2.53"]},{"Type":"IPv4","IPv4Address":["192.0.2.54"]}]})",
     "<tds:SetDNSResponse/>", "SetDNS",
     {{"FromDHCP", "false"}, {"SearchDomain", "site.example"}, {"Type", "IPv4|IPv4"},
      {"IPv4Address", "192.0.2.53|192.0.2.54"}},
     "{}", SIGNED, DEVICE_NS},
    {"SetNTPSettings",
     R"({"FromDHCP":false,"NTPManual":[{"Type":"DNS","DNSname":["pool.ntp.example"]},
        {"Type":"IPv4","IPv4Address":["192.0.2.123","192.0.2.124"]}]})",
     "<tds:SetNTPResponse/>", "SetNTP",
     {{"FromDHCP", "false"}, {"Type", "DNS|IPv4"}, {"DNSname", "pool.ntp.example"},
      {"IPv4Address", "192.0.2.123|192.0.2.124"}},
     "{}", SIGNED, DEVICE_NS},
    {"GetDynamicDNSSettings", "{}",
     "<tds:GetDynamicDNSResponse><tds:DynamicDNSInformation><tt:Type>ClientUpdates</tt:Type>"
     "<tt:Name>cam7.dyn.example</tt:Name><tt:TTL>PT1H</tt:TTL></tds:DynamicDNSInformation>"
     "</tds:GetDynamicDNSResponse>",
     "GetDynamicDNS", {},
     R"({"DynamicDNSInformation":{"Type":"ClientUpdates","TTL":"PT1H","Name":["cam7.dyn.example"]}})", SIGNED,
     DEVICE_NS},
    {"SetDynamicDNSSettings", R"({"Type":"ClientUpdates","TTL":"PT30M","Name":["cam7.dyn.example"]})",
     "<tds:SetDynamicDNSResponse/>", "SetDynamicDNS",
     {{"Type", "ClientUpdates"}, {"TTL", "PT30M"}, {"Name", "cam7.dyn.example"}}, "{}", SIGNED, DEVICE_NS},
    // The second protocol lists more ports than the first.
    {"GetNetworkProtocols", "{}",
     "<tds:GetNetworkProtocolsResponse>"
     "<tds:NetworkProtocols><tt:Name>HTTP</tt:Name><tt:Enabled>true</tt:Enabled><tt:Port>80</tt:Port>"
     "</tds:NetworkProtocols>"
     "<tds:NetworkProtocols><tt:Name>RTSP</tt:Name><tt:Enabled>true</tt:Enabled><tt:Port>554</tt:Port>"
     "<tt:Port>8554</tt:Port><tt:Port>10554</tt:Port></tds:NetworkProtocols>"
     "<tds:NetworkProtocols><tt:Name>HTTPS</tt:Name><tt:Enabled>false</tt:Enabled><tt:Port>443</tt:Port>"
     "</tds:NetworkProtocols></tds:GetNetworkProtocolsResponse>",
     "GetNetworkProtocols", {},
     R"({"NetworkProtocols":[{"Name":"HTTP","Enabled":true,"Port":[80]},
        {"Name":"RTSP","Enabled":true,"Port":[554,8554,10554]},{"Name":"HTTPS","Enabled":false,"Port":[443]}]})",
     SIGNED, DEVICE_NS},
    {"SetNetworkProtocols",
     R"({"NetworkProtocols":[{"Name":"HTTP","Enabled":true,"Port":[8080]},
        {"Name":"RTSP","Enabled":true,"Port":[554,8554]}]})",
     "<tds:SetNetworkProtocolsResponse/>", "SetNetworkProtocols",
     {{"Name", "HTTP|RTSP"}, {"Enabled", "true|true"}, {"Port", "8080|554|8554"}}, "{}", SIGNED, DEVICE_NS},
    {"GetNetworkDefaultGateway", "{}",
     "<tds:GetNetworkDefaultGatewayResponse><tds:NetworkGateway><tt:IPv4Address>192.168.1.1</tt:IPv4Address>"
     "<tt:IPv6Address>2001:db8::1</tt:IPv6Address></tds:NetworkGateway></tds:GetNetworkDefaultGatewayResponse>",
     "GetNetworkDefaultGateway", {},
     R"({"NetworkGateway":{"IPv4Address":["192.168.1.1"],"IPv6Address":["2001:db8::1"]}})", SIGNED, DEVICE_NS},
    {"SetNetworkDefaultGateway", R"({"IPv4Address":["10.1.0.1"]})", "<tds:SetNetworkDefaultGatewayResponse/>",
     "SetNetworkDefaultGateway", {{"IPv4Address", "10.1.0.1"}, {"IPv6Address", ""}}, "{}", SIGNED, DEVICE_NS},
    {"GetZeroCfg", "{}",
     "<tds:GetZeroConfigurationResponse><tds:ZeroConfiguration><tt:InterfaceToken>eth0</tt:InterfaceToken>"
     "<tt:Enabled>true</tt:Enabled><tt:Addresses>169.254.7.9</tt:Addresses></tds:ZeroConfiguration>"
     "</tds:GetZeroConfigurationResponse>",
     "GetZeroConfiguration", {},
     R"({"ZeroConfiguration":{"InterfaceToken":"eth0","Enabled":true,"Addresses":["169.254.7.9"]}})", SIGNED,
     DEVICE_NS},
    {"SetZeroCfg", R"({"InterfaceToken":"eth0","Enabled":false})", "<tds:SetZeroConfigurationResponse/>",
     "SetZeroConfiguration", {{"InterfaceToken", "eth0"}, {"Enabled", "false"}}, "{}", SIGNED, DEVICE_NS},
    {"GetIPAddressFilter", "{}",
     "<tds:GetIPAddressFilterResponse><tds:IPAddressFilter><tt:Type>Allow</tt:Type>"
     "<tt:IPv4Address><tt:Address>10.0.0.0</tt:Address><tt:PrefixLength>8</tt:PrefixLength></tt:IPv4Address>"
     "</tds:IPAddressFilter></tds:GetIPAddressFilterResponse>",
     "GetIPAddressFilter", {},
     R"({"IPAddressFilter":{"Type":"Allow","IPv4Address":[{"Address":"10.0.0.0","PrefixLength":8}]}})", SIGNED,
     DEVICE_NS},
    {"SetIPAddressFilter",
     R"({"IPAddressFilter":{"Type":"Deny","IPv4Address":[{"Address":"10.0.0.0","PrefixLength":8}],
        "IPv6Address":[{"Address":"2001:db8::","PrefixLength":32}]}})",
     "<tds:SetIPAddressFilterResponse/>", "SetIPAddressFilter",
     {{"Type", "Deny"}, {"Address", "10.0.0.0|2001:db8::"}, {"PrefixLength", "8|32"}}, "{}", SIGNED, DEVICE_NS},
    {"AddIPAddressFilter",
     R"({"IPAddressFilter":{"Type":"Allow","IPv4Address":[{"Address":"192.0.2.0","PrefixLength":24}]}})",
     "<tds:AddIPAddressFilterResponse/>", "AddIPAddressFilter",
     {{"Type", "Allow"}, {"Address", "192.0.2.0"}, {"PrefixLength", "24"}}, "{}", SIGNED, DEVICE_NS},
    {"RemoveIPAddressFilter",
     R"({"IPAddressFilter":{"Type":"Allow","IPv4Address":[{"Address":"192.0.2.0","PrefixLength":24}]}})",
     "<tds:RemoveIPAddressFilterResponse/>", "RemoveIPAddressFilter",
     {{"Type", "Allow"}, {"Address", "192.0.2.0"}}, "{}", SIGNED, DEVICE_NS},
    {"SetHostnameFromDHCP", R"({"FromDHCP":true})",
     "<tds:SetHostnameFromDHCPResponse><tds:RebootNeeded>false</tds:RebootNeeded></tds:SetHostnameFromDHCPResponse>",
     "SetHostnameFromDHCP", {{"FromDHCP", "true"}}, R"({"RebootNeeded":false})", SIGNED, DEVICE_NS},
    {"GetDot11Capabilities", "{}",
     "<tds:GetDot11CapabilitiesResponse><tt:TKIP>true</tt:TKIP><tt:ScanAvailableNetworks>true"
     "</tt:ScanAvailableNetworks><tt:MultipleConfiguration>false</tt:MultipleConfiguration>"
     "<tt:AdHocStationMode>false</tt:AdHocStationMode><tt:WEP>false</tt:WEP></tds:GetDot11CapabilitiesResponse>",
     "GetDot11Capabilities", {},
     R"({"TKIP":true,"ScanAvailableNetworks":true,"MultipleConfiguration":false,"AdHocStationMode":false,
        "WEP":false})",
     SIGNED, DEVICE_NS},
    {"GetDot11Status", R"({"InterfaceToken":"wlan0"})",
     "<tds:GetDot11StatusResponse><tds:Status><tt:SSID>796172</tt:SSID><tt:BSSID>00:11:22:33:44:66</tt:BSSID>"
     "<tt:ActiveConfigAlias>yard</tt:ActiveConfigAlias></tds:Status></tds:GetDot11StatusResponse>",
     "GetDot11Status", {{"InterfaceToken", "wlan0"}},
     R"({"Status":{"SSID":"796172","BSSID":"00:11:22:33:44:66","ActiveConfigAlias":"yard"}})", SIGNED, DEVICE_NS},
    {"ScanAvailableDot11Networks", R"({"InterfaceToken":"wlan0"})",
     "<tds:ScanAvailableDot11NetworksResponse><tds:Networks><tt:SSID>796172</tt:SSID>"
     "<tt:AuthAndMangementSuite>PSK</tt:AuthAndMangementSuite><tt:PairCipher>CCMP</tt:PairCipher>"
     "<tt:PairCipher>TKIP</tt:PairCipher><tt:SignalStrength>Good</tt:SignalStrength></tds:Networks>"
     "</tds:ScanAvailableDot11NetworksResponse>",
     "ScanAvailableDot11Networks", {{"InterfaceToken", "wlan0"}},
     R"({"Networks":[{"SSID":"796172","AuthAndMangementSuite":["PSK"],"PairCipher":["CCMP","TKIP"],
        "SignalStrength":"Good"}]})",
     SIGNED, DEVICE_NS},
};

const RowCase kSecurityRows[] = {
    {"GetAccessPolicy", "{}",
     "<tds:GetAccessPolicyResponse><tds:PolicyFile contentType=\"text/xml\"><tt:Data>cG9saWN5</tt:Data>"
     "</tds:PolicyFile></tds:GetAccessPolicyResponse>",
     "GetAccessPolicy", {}, R"({"PolicyFile":{"Data":"cG9saWN5","contentType":"text/xml"}})", SIGNED, DEVICE_NS},
    {"SetAccessPolicy", R"({"PolicyFile":{"Data":"cG9saWN5","contentType":"text/xml"}})",
     "<tds:SetAccessPolicyResponse/>", "SetAccessPolicy", {{"Data", "cG9saWN5"}}, "{}", SIGNED, DEVICE_NS},
    {"GetUsers", "{}",
     "<tds:GetUsersResponse><tds:User><tt:Username>admin</tt:Username><tt:UserLevel>Administrator</tt:UserLevel>"
     "</tds:User><tds:User><tt:Username>nvr</tt:Username><tt:UserLevel>Operator</tt:UserLevel></tds:User>"
     "</tds:GetUsersResponse>",
     "GetUsers", {},
     R"({"User":[{"Username":"admin","UserLevel":"Administrator"},{"Username":"nvr","UserLevel":"Operator"}]})",
     SIGNED, DEVICE_NS},
    {"CreateUsers",
     R"({"User":[{"Username":"nvr","Password":"Rec0rder!","UserLevel":"Operator"},
        {"Username":"view","Password":"","UserLevel":"User"}]})",
     "<tds:CreateUsersResponse/>", "CreateUsers",
     {{"Username", "nvr|view"}, {"Password", "Rec0rder!"}, {"UserLevel", "Operator|User"}}, "{}", SIGNED,
     DEVICE_NS},
    {"DeleteUsers", R"({"Username":["nvr","view"]})", "<tds:DeleteUsersResponse/>", "DeleteUsers",
     {{"Username", "nvr|view"}}, "{}", SIGNED, DEVICE_NS},
    {"SetUser", R"({"User":[{"Username":"nvr","Password":"N3w!","UserLevel":"User"}]})", "<tds:SetUserResponse/>",
     "SetUser", {{"Username", "nvr"}, {"Password", "N3w!"}, {"UserLevel", "User"}}, "{}", SIGNED, DEVICE_NS},
    {"CreateDot1XConfiguration",
     R"({"Dot1XConfiguration":{"Dot1XConfigurationToken":"d1","Identity":"cam7","EAPMethod":13,
        "CACertificateID":["ca1","ca2"],"EAPMethodConfiguration":{"TLSConfiguration":{"CertificateID":"c9"}}}})",
     "<tds:CreateDot1XConfigurationResponse/>", "CreateDot1XConfiguration",
     {{"Dot1XConfigurationToken", "d1"}, {"Identity", "cam7"}, {"EAPMethod", "13"}, {"CACertificateID", "ca1|ca2"},
      {"CertificateID", "c9"}},
     "{}", SIGNED, DEVICE_NS},
    {"SetDot1XConfiguration",
     R"({"Dot1XConfiguration":{"Dot1XConfigurationToken":"d1","Identity":"cam8","AnonymousID":"anon",
        "EAPMethod":25,"EAPMethodConfiguration":{"Password":"p"}}})",
     "<tds:SetDot1XConfigurationResponse/>", "SetDot1XConfiguration",
     {{"Identity", "cam8"}, {"AnonymousID", "anon"}, {"EAPMethod", "25"}, {"Password", "p"}}, "{}", SIGNED,
     DEVICE_NS},
    {"GetDot1XConfiguration", R"({"Dot1XConfigurationToken":"d1"})",
     "<tds:GetDot1XConfigurationResponse><tds:Dot1XConfiguration><tt:Dot1XConfigurationToken>d1"
     "</tt:Dot1XConfigurationToken><tt:Identity>cam7</tt:Identity><tt:EAPMethod>13</tt:EAPMethod>"
     "<tt:CACertificateID>ca1</tt:CACertificateID><tt:EAPMethodConfiguration><tt:TLSConfiguration>"
     "<tt:CertificateID>c9</tt:CertificateID></tt:TLSConfiguration></tt:EAPMethodConfiguration>"
     "</tds:Dot1XConfiguration></tds:GetDot1XConfigurationResponse>",
     "GetDot1XConfiguration", {{"Dot1XConfigurationToken", "d1"}},
     R"({"Dot1XConfiguration":{"Dot1XConfigurationToken":"d1","Identity":"cam7","EAPMethod":13,
        "CACertificateID":["ca1"],"EAPMethodConfiguration":{"TLSConfiguration":{"CertificateID":"c9"}}}})",
     SIGNED, DEVICE_NS},
    {"GetDot1XConfigurations", "{}",
     "<tds:GetDot1XConfigurationsResponse><tds:Dot1XConfiguration><tt:Dot1XConfigurationToken>d1"
     "</tt:Dot1XConfigurationToken><tt:Identity>cam7</tt:Identity><tt:EAPMethod>13</tt:EAPMethod>"
     "</tds:Dot1XConfiguration><tds:Dot1XConfiguration><tt:Dot1XConfigurationToken>d2</tt:Dot1XConfigurationToken>"
     "<tt:Identity>cam8</tt:Identity><tt:EAPMethod>25</tt:EAPMethod><tt:EAPMethodConfiguration>"
     "<tt:Password>p</tt:Password></tt:EAPMethodConfiguration></tds:Dot1XConfiguration>"
     "</tds:GetDot1XConfigurationsResponse>",
     "GetDot1XConfigurations", {},
     R"({"Dot1XConfiguration":[{"Dot1XConfigurationToken":"d1","Identity":"cam7","EAPMethod":13},
        {"Dot1XConfigurationToken":"d2","Identity":"cam8","EAPMethod":25,
         "EAPMethodConfiguration":{"Password":"p"}}]})",
     SIGNED, DEVICE_NS},
    {"DeleteDot1XConfigurations", R"({"Dot1XConfigurationToken":["d1","d2"]})",
     "<tds:DeleteDot1XConfigurationResponse/>", "DeleteDot1XConfiguration", {{"Dot1XConfigurationToken", "d1|d2"}},
     "{}", SIGNED, DEVICE_NS},
    {"CreateCertificate",
     R"({"CertificateID":"c9","Subject":"CN=cam7","ValidNotBefore":"2025-01-01T00:00:00Z",
        "ValidNotAfter":"2035-01-01T00:00:00Z"})",
     "<tds:CreateCertificateResponse><tds:NvtCertificate><tt:CertificateID>c9</tt:CertificateID>"
     "<tt:Certificate contentType=\"application/pkix-cert\"><tt:Data>MIIB</tt:Data></tt:Certificate>"
     "</tds:NvtCertificate></tds:CreateCertificateResponse>",
     "CreateCertificate",
     {{"CertificateID", "c9"}, {"Subject", "CN=cam7"}, {"ValidNotBefore", "2025-01-01T00:00:00Z"},
      {"ValidNotAfter", "2035-01-01T00:00:00Z"}},
     R"({"NvtCertificate":{"CertificateID":"c9","Certificate":{"Data":"MIIB","contentType":"application/pkix-cert"}}})",
     SIGNED, DEVICE_NS},
    {"GetCertificates", "{}",
     "<tds:GetCertificatesResponse><tds:NvtCertificate><tt:CertificateID>c9</tt:CertificateID>"
     "<tt:Certificate><tt:Data>MIIB</tt:Data></tt:Certificate></tds:NvtCertificate></tds:GetCertificatesResponse>",
     "GetCertificates", {}, R"({"NvtCertificate":[{"CertificateID":"c9","Certificate":{"Data":"MIIB"}}]})", SIGNED,
     DEVICE_NS},
    {"GetCACertificates", "{}",
     "<tds:GetCACertificatesResponse><tds:CACertificate><tt:CertificateID>ca1</tt:CertificateID>"
     "<tt:Certificate contentType=\"application/pkix-cert\"><tt:Data>MIIC</tt:Data></tt:Certificate>"
     "</tds:CACertificate></tds:GetCACertificatesResponse>",
     "GetCACertificates", {},
     R"({"CACertificate":[{"CertificateID":"ca1","Certificate":{"Data":"MIIC","contentType":"application/pkix-cert"}}]})",
     SIGNED, DEVICE_NS},
    {"GetCertificatesStatus", "{}",
     "<tds:GetCertificatesStatusResponse><tds:CACertificate><tt:CertificateID>c9</tt:CertificateID>"
     "<tt:Status>true</tt:Status></tds:CACertificate></tds:GetCertificatesStatusResponse>",
     "GetCertificatesStatus", {}, R"({"CACertificate":[{"CertificateID":"c9","Status":true}]})", SIGNED, DEVICE_NS},
    {"SetCertificatesStatus",
     R"({"CertificateStatus":[{"CertificateID":"c9","Status":true},{"CertificateID":"c8","Status":false}]})",
     "<tds:SetCertificatesStatusResponse/>", "SetCertificatesStatus",
     {{"CertificateID", "c9|c8"}, {"Status", "true|false"}}, "{}", SIGNED, DEVICE_NS},
    {"GetPkcs10Request", R"({"CertificateID":"c9","Subject":"CN=cam7"})",
     "<tds:GetPkcs10RequestResponse><tds:Pkcs10Request><tt:Data>MIIR</tt:Data></tds:Pkcs10Request>"
     "</tds:GetPkcs10RequestResponse>",
     "GetPkcs10Request", {{"CertificateID", "c9"}, {"Subject", "CN=cam7"}}, "{}", SIGNED, DEVICE_NS},
    {"GetClientCertificateMode", "{}",
     "<tds:GetClientCertificateModeResponse><tds:Enabled>true</tds:Enabled></tds:GetClientCertificateModeResponse>",
     "GetClientCertificateMode", {}, R"({"Enabled":true})", SIGNED, DEVICE_NS},
    {"SetClientCertificateMode", R"({"Enabled":false})", "<tds:SetClientCertificateModeResponse/>",
     "SetClientCertificateMode", {{"Enabled", "false"}}, "{}", SIGNED, DEVICE_NS},
    {"LoadCACertificates", "{}", "<tds:LoadCACertificatesResponse/>", "LoadCACertificates", {}, "{}", SIGNED,
     DEVICE_NS},
    {"DeleteCertificates", R"({"CertificateID":["c8","c9"]})", "<tds:DeleteCertificatesResponse/>",
     "DeleteCertificates", {{"CertificateID", "c8|c9"}}, "{}", SIGNED, DEVICE_NS},
    {"GetRemoteUser", "{}",
     "<tds:GetRemoteUserResponse><tds:RemoteUser><tt:Username>up</tt:Username>"
     "<tt:UseDerivedPassword>true</tt:UseDerivedPassword></tds:RemoteUser></tds:GetRemoteUserResponse>",
     "GetRemoteUser", {}, R"({"Username":"up","UseDerivedPassword":true})", SIGNED, DEVICE_NS},
    {"SetRemoteUser", R"({"Username":"up","Password":"x","UseDerivedPassword":false})",
     "<tds:SetRemoteUserResponse/>", "SetRemoteUser",
     {{"Username", "up"}, {"Password", "x"}, {"UseDerivedPassword", "false"}}, "{}", SIGNED, DEVICE_NS},
    {"GetEndpointReference", "{}",
     "<tds:GetEndpointReferenceResponse><tds:GUID>urn:uuid:0f6e0a8e-1b2c-4d3e-8f90-a1b2c3d4e5f6</tds:GUID>"
     "</tds:GetEndpointReferenceResponse>",
     "GetEndpointReference", {}, R"({"GUID":"urn:uuid:0f6e0a8e-1b2c-4d3e-8f90-a1b2c3d4e5f6"})", SIGNED, DEVICE_NS},
};

int runThroughDevice(const COnvifLoginInfo& login, const char* name, const Json::Value& req, Json::Value& rsp)
{
    COnvifDeviceManagement device(login);
    return device.execute(name, req, rsp);
}

class NetworkRows : public DeviceServiceFixture, public ::testing::WithParamInterface<RowCase> {};
class SecurityRows : public DeviceServiceFixture, public ::testing::WithParamInterface<RowCase> {};

TEST_P(NetworkRows, SendsTheElementAndReadsTheAnswer)
{
    expectRowSentAndRead(GetParam(), runThroughDevice);
}

TEST_P(SecurityRows, SendsTheElementAndReadsTheAnswer)
{
    expectRowSentAndRead(GetParam(), runThroughDevice);
}

std::string caseName(const ::testing::TestParamInfo<RowCase>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(AllRows, NetworkRows, ::testing::ValuesIn(kNetworkRows), caseName);
INSTANTIATE_TEST_SUITE_P(AllRows, SecurityRows, ::testing::ValuesIn(kSecurityRows), caseName);

// Each area's names have one case each, and the device object reaches every one of them.
TEST_F(DeviceServiceFixture, EveryNetworkAndSecurityCommandHasACase)
{
    const struct {
        const COnvifOperationTable& table;
        const RowCase* begin;
        const RowCase* end;
    } areas[] = {
        {COnvifNetwork::operationTable(), std::begin(kNetworkRows), std::end(kNetworkRows)},
        {COnvifSecurity::operationTable(), std::begin(kSecurityRows), std::end(kSecurityRows)},
    };
    const COnvifDeviceManagement device(COnvifLoginInfo{});
    std::set<const COnvifOperationTable*> reached;
    for (const COnvifOperationTable* table : device.getOperationTables())
        reached.insert(table);
    for (const auto& area : areas) {
        EXPECT_EQ(1u, reached.count(&area.table)) << "the device object asks this area";
        std::multiset<std::string> covered;
        for (const RowCase* c = area.begin; c != area.end; ++c)
            covered.insert(c->name);
        for (const std::string& command : area.table.commands())
            EXPECT_EQ(1u, covered.count(command)) << command;
        EXPECT_EQ(covered.size(), area.table.size());
    }
}

// SetHostname and three certificate operations are rows, but not names execute() knows;
// the scripts run them from the area's second table.
TEST_F(DeviceServiceFixture, UnlistedOperationsAreUnknownByNameButRunDirectly)
{
    const struct {
        const COnvifOperationTable& table;
        const char* name;
        const char* request;
        const char* answer;
        const char* element;
        const char* child;
        const char* text;
        const char* result;
    } cases[] = {
        {COnvifNetwork::unlistedOperations(), "SetHostname", R"({"Name":"gate-cam"})", "<tds:SetHostnameResponse/>",
         "SetHostname", "Name", "gate-cam", "{}"},
        {COnvifSecurity::unlistedOperations(), "LoadCertificates", R"({"CertificateID":"c9"})",
         "<tds:LoadCertificatesResponse/>", "LoadCertificates", "CertificateID", "c9", "{}"},
        {COnvifSecurity::unlistedOperations(), "LoadCertificateWithPrivateKey", "{}",
         "<tds:LoadCertificateWithPrivateKeyResponse/>", "LoadCertificateWithPrivateKey", "CertificateID", "", "{}"},
        {COnvifSecurity::unlistedOperations(), "GetCertificateInformation", R"({"CertificateID":"c9"})",
         "<tds:GetCertificateInformationResponse><tds:CertificateInformation><tt:CertificateID>c9</tt:CertificateID>"
         "<tt:IssuerDN>CN=ca</tt:IssuerDN><tt:KeyUsage Critical=\"true\">digitalSignature</tt:KeyUsage>"
         "<tt:KeyLength>2048</tt:KeyLength><tt:Validity><tt:From>2025-01-01T00:00:00Z</tt:From></tt:Validity>"
         "</tds:CertificateInformation></tds:GetCertificateInformationResponse>",
         "GetCertificateInformation", "CertificateID", "c9",
         R"({"CertificateInformation":{"CertificateID":"c9","IssuerDN":"CN=ca",
            "KeyUsage":{"Critical":true,"Usage":"digitalSignature"},"KeyLength":2048,
            "Validity":{"From":"2025-01-01T00:00:00Z"}}})"},
    };
    for (const auto& c : cases) {
        LoopbackHttpServer server([&](const HttpRequest&, size_t) { return HttpReply::soap(200, soapEnvelope(c.answer)); });
        COnvifDeviceManagement device(loginFor(server));
        Json::Value rsp;
        EXPECT_EQ(-2, device.execute(c.name, requestFor(server, c.request), rsp)) << c.name;
        EXPECT_EQ(0u, server.requestCount()) << c.name;

        ASSERT_EQ(0, c.table.dispatch(loginFor(server), c.name, requestFor(server, c.request), rsp)) << c.name;
        ASSERT_EQ(1u, server.requestCount());
        const std::string body = soapBody(server.requests()[0].body);
        EXPECT_TRUE(hasElement(body, c.element)) << body;
        EXPECT_EQ(c.text, allTexts(body, c.child)) << body;
        std::string where;
        EXPECT_TRUE(isSubset(parseJson(c.result), rsp, where)) << c.name << where;
    }
}

// ---- Rules of the two areas -----------------------------------------------------------

// A user whose password is empty (a level change) travels without a Password element,
// and a record with nothing to send takes no position.
TEST_F(DeviceServiceFixture, UsersWithoutPasswordSendNoPasswordElement)
{
    OneShot device("<tds:SetUserResponse/>");
    ASSERT_EQ(0, device.run("SetUser", R"({"User":[{"Username":"nvr","Password":"","UserLevel":"User"},{},
                                               {"Username":"view","Password":"v"}]})"));
    const std::string body = soapBody(device.lastBody());
    EXPECT_EQ(2u, startTags(body, "User").size()) << body;
    EXPECT_EQ(1u, startTags(body, "Password").size()) << body;
    EXPECT_EQ("nvr|view", allTexts(body, "Username"));
}

TEST_F(DeviceServiceFixture, DeviceWithoutUsersGivesAnEmptyResult)
{
    OneShot device("<tds:GetUsersResponse/>");
    EXPECT_EQ(0, device.run("GetUsers"));
    EXPECT_FALSE(device.rsp.isMember("User")) << device.rsp.toStyledString();
}

TEST_F(DeviceServiceFixture, MalformedAdminRecordsFailBeforeSending)
{
    const struct {
        const char* name;
        const char* request;
    } cases[] = {
        {"CreateUsers", R"({"User":{"Username":"nvr"}})"},
        {"CreateUsers", R"({"User":[{"Username":7}]})"},
        {"SetNetworkInterfaces", R"({"InterfaceToken":"eth0","NetworkInterface":{"IPv4":{"Manual":[{"Address":"10.0.0.1","PrefixLength":"24"}]}}})"},
        {"SetNetworkProtocols", R"({"NetworkProtocols":[{"Name":"HTTP","Enabled":true,"Port":["80"]}]})"},
        {"SetNetworkProtocols", R"({"NetworkProtocols":[{"Enabled":true,"Port":[80]}]})"},
        {"SetNTPSettings", R"({"NTPManual":[{"Type":"IPv4","IPv4Address":"192.0.2.1"}]})"},
    };
    for (const auto& c : cases) {
        OneShot device("<tds:SetUserResponse/>");
        EXPECT_EQ(-1, device.run(c.name, c.request)) << c.name << c.request;
        EXPECT_EQ(0u, device.server.requestCount()) << c.name << c.request;
    }
}

} // namespace
