// The irregular rules of the device management service: request elements that depend on
// whether a key is absent, empty or given; the service-type filing of GetServices; the
// always-written capability flags; the "UNAUTH" rule; the clock answer; the firmware
// attachment; bad request records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DeviceAnswers.h"
#include "LoopbackHttpServer.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifDeviceManagement.h"
#include "onvif_device_service_support.h"

using namespace OnvifTest;
using namespace DeviceServiceTest;
using RPC::Onvif::COnvifDeviceManagement;

namespace {

class DeviceServiceRules : public DeviceServiceFixture {};

// ---- Request elements decided by absent / empty / given keys -------------------------

TEST_F(DeviceServiceRules, AnonymousOperationsChooseTheirElementByKeyPresence)
{
    struct Case {
        const char* name;
        const char* request;
        const char* element;
        const char* expect;   // nullptr: no such element at all
    } cases[] = {
        {"GetCapabilities", "{}", "Category", "All"},
        {"GetCapabilities", R"({"Category":"Media"})", "Category", "Media"},
        {"GetCapabilities", R"({"Category":""})", "Category", nullptr},
        {"GetServices", "{}", "IncludeCapability", "false"},
        {"GetServices", R"({"IncludeCapability":true})", "IncludeCapability", "true"},
        {"GetServices", R"({"IncludeCapability":""})", "IncludeCapability", nullptr},
    };
    for (const Case& c : cases) {
        OneShot device(std::string("<tds:") + c.name + "Response/>");
        EXPECT_EQ(0, device.run(c.name, c.request)) << c.name << c.request;
        const std::string body = device.lastBody();
        EXPECT_TRUE(hasElement(body, c.name)) << body;
        if (c.expect)
            EXPECT_EQ(c.expect, allTexts(body, c.element)) << c.name << c.request;
        else
            EXPECT_FALSE(hasElement(body, c.element)) << c.name << c.request << ": " << body;
    }
}

TEST_F(DeviceServiceRules, SetSystemDateAndTimeDefaultsAndOmissions)
{
    OneShot device("<tds:SetSystemDateAndTimeResponse/>");
    // No type: set by hand. An empty zone and empty date fields are left out entirely.
    ASSERT_EQ(0, device.run("SetSystemDateAndTime",
                            R"({"SystemDateAndTime":{"TimeZone":{"TZ":""},
                               "UTCDateTime":{"Time":{"Hour":7,"Minute":"","Second":9},"Date":{"Year":2025}}}})"));
    const std::string body = device.lastBody();
    EXPECT_EQ("Manual", allTexts(body, "DateTimeType"));
    EXPECT_EQ("false", allTexts(body, "DaylightSavings"));
    EXPECT_FALSE(hasElement(body, "TimeZone")) << body;
    EXPECT_EQ("7", allTexts(body, "Hour"));
    EXPECT_FALSE(hasElement(body, "Minute"));
    EXPECT_EQ("9", allTexts(body, "Second"));
    EXPECT_EQ("2025", allTexts(body, "Year"));
    EXPECT_FALSE(hasElement(body, "Month"));
}

TEST_F(DeviceServiceRules, RepeatedRequestElementsSkipEmptyEntries)
{
    OneShot scopes("<tds:SetScopesResponse/>");
    ASSERT_EQ(0, scopes.run("SetScopes", R"({"Scopes":["onvif://a","","onvif://c"]})"));
    EXPECT_EQ("onvif://a|onvif://c", allTexts(scopes.lastBody(), "Scopes"));

    OneShot dp("<tds:SetDPAddressesResponse/>");
    ASSERT_EQ(0, dp.run("SetDPAddresses", R"({"DPAddress":[{"Type":""},
                            {"Type":"IPv6","IPv6Address":["","2001:db8::7"]},{"Type":"IPv4","IPv4Address":["192.0.2.3"]}]})"));
    const std::string body = dp.lastBody();
    EXPECT_EQ("IPv6|IPv4", allTexts(body, "Type"));
    EXPECT_EQ("2001:db8::7", allTexts(body, "IPv6Address"));
    EXPECT_EQ("192.0.2.3", allTexts(body, "IPv4Address"));
}

TEST_F(DeviceServiceRules, MalformedRequestRecordsFailBeforeSending)
{
    struct Case {
        const char* name;
        const char* request;
    } cases[] = {
        {"SetScopes", R"({"Scopes":"onvif://a"})"},
        {"AddScopes", R"({"Scopes":[7]})"},
        {"RestoreSystem", R"({"BackupFiles":["config.tgz"]})"},
        {"SetDPAddresses", R"({"DPAddress":[{"Type":"IPv4","IPv4Address":"192.0.2.3"}]})"},
        {"SetSystemDateAndTime", R"({"SystemDateAndTime":{"UTCDateTime":{"Time":{"Hour":"seven"}}}})"},
        {"GetServices", R"({"IncludeCapability":[1]})"},
    };
    for (const Case& c : cases) {
        OneShot device("<tds:Whatever/>");
        EXPECT_EQ(-1, device.run(c.name, c.request)) << c.name << c.request;
        EXPECT_EQ(0u, device.server.requestCount()) << c.name;
    }
    OneShot device("<tds:GetScopesResponse/>");
    Json::Value notARecord("text");
    EXPECT_EQ(-1, device.device.execute("GetScopes", requestFor(device.server), notARecord));
    EXPECT_EQ(-1, device.device.execute("GetScopes", Json::Value("XAddr"), device.rsp));
}

// ---- GetServices and GetCapabilities answers ------------------------------------------

TEST_F(DeviceServiceRules, ServicesAreFiledByTheirNamespace)
{
    OneShot device("<tds:GetServicesResponse>"
                   "<tds:Service><tds:Namespace>http://www.onvif.org/ver20/media/wsdl</tds:Namespace>"
                   "<tds:XAddr>http://10.1.1.9/media2</tds:XAddr></tds:Service>"
                   "<tds:Service><tds:Namespace>http://www.onvif.org/ver10/media/wsdl</tds:Namespace>"
                   "<tds:XAddr>http://10.1.1.9/media</tds:XAddr></tds:Service>"
                   "<tds:Service><tds:XAddr>http://10.1.1.9/odd</tds:XAddr></tds:Service>"
                   "</tds:GetServicesResponse>");
    ASSERT_EQ(0, device.run("GetServices"));
    const Json::Value& s = device.rsp["Service"];
    ASSERT_EQ(3u, s.size());
    EXPECT_EQ("Media2", s[0]["ServiceType"].asString());
    EXPECT_EQ("Media", s[1]["ServiceType"].asString());
    EXPECT_EQ("Unknown", s[2]["ServiceType"].asString()) << "no namespace";
    EXPECT_EQ(0, s[2]["Version"]["Major"].asInt()) << "version always written";
    EXPECT_TRUE(s[2]["Version"].isMember("Minor"));
}

TEST_F(DeviceServiceRules, ZeroServicesIsAnEmptySuccess)
{
    OneShot device("<tds:GetServicesResponse/>");
    ASSERT_EQ(0, device.run("GetServices"));
    EXPECT_TRUE(device.rsp.empty()) << device.rsp.toStyledString();

    // A result record the caller filled before is left as it was, whatever it holds.
    for (const char* before : {R"({"Service":"text"})", R"({"Service":[1,"two"]})"}) {
        Json::Value rsp = parseJson(before);
        EXPECT_EQ(0, device.device.execute("GetServices", requestFor(device.server), rsp)) << before;
        EXPECT_EQ(parseJson(before), rsp);
    }
}

TEST_F(DeviceServiceRules, CapabilitiesWithoutExtensionHaveNoExtensionKey)
{
    OneShot device("<tds:GetCapabilitiesResponse><tds:Capabilities>"
                   "<tt:Device><tt:XAddr>http://10.1.1.9/onvif/device_service</tt:XAddr></tt:Device>"
                   "<tt:Media><tt:XAddr>http://10.1.1.9/onvif/media</tt:XAddr></tt:Media>"
                   "</tds:Capabilities></tds:GetCapabilitiesResponse>");
    ASSERT_EQ(0, device.run("GetCapabilities"));
    const Json::Value& caps = device.rsp["Capabilities"];
    EXPECT_EQ("http://10.1.1.9/onvif/media", caps["Media"]["XAddr"].asString());
    EXPECT_EQ(std::vector<std::string>({"Device", "Media"}), caps.getMemberNames()) << "absent services stay absent";
}

TEST_F(DeviceServiceRules, ServiceCapabilityFlagsAreAlwaysWritten)
{
    OneShot device("<tds:GetServiceCapabilitiesResponse><tds:Capabilities>"
                   "<tds:Network/><tds:Security/><tds:System/><tds:Misc/>"
                   "</tds:Capabilities></tds:GetServiceCapabilitiesResponse>");
    ASSERT_EQ(0, device.run("GetServiceCapabilities"));
    const Json::Value& caps = device.rsp["Capabilities"];
    for (const char* flag : {"IPFilter", "ZeroConfiguration", "IPVersion6", "DynDNS", "Dot11Configuration",
                             "HostnameFromDHCP", "DHCPv6"})
        EXPECT_EQ(Json::Value(false), caps["Network"][flag]) << flag;
    EXPECT_EQ(Json::Value(0), caps["Network"]["NTP"]);
    EXPECT_EQ(Json::Value(0), caps["Network"]["Dot1XConfigurations"]);
    EXPECT_EQ(14u, caps["Security"].size()) << caps["Security"].toStyledString();
    for (const char* flag : {"TLS1_x002e0", "TLS1_x002e1", "TLS1_x002e2", "X_x002e509Token"})
        EXPECT_EQ(Json::Value(false), caps["Security"][flag]) << flag;
    EXPECT_FALSE(caps["Security"].isMember("SupportedEAPMethods")) << "text only when present";
    EXPECT_EQ(10u, caps["System"].size());
    EXPECT_FALSE(caps.isMember("Misc")) << "Misc without AuxiliaryCommands";
}

// ---- Refusals ---------------------------------------------------------------------------

TEST_F(DeviceServiceRules, OnlyARefusedGetCapabilitiesReportsUnauth)
{
    struct Case {
        const char* name;
        int status;
        const char* user;
        bool expectUnauth;
        bool expectSignedRetry;
    } cases[] = {
        {"GetCapabilities", 401, kUser, true, true},
        {"GetCapabilities", 400, kUser, true, true},
        {"GetCapabilities", 401, "", true, false},   // asked twice, both times anonymously
        {"GetCapabilities", 500, kUser, false, true},
        {"GetServices", 401, kUser, false, true},
        {"GetSystemDateAndTime", 401, kUser, false, true},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server([&](const HttpRequest&, size_t) { return notAuthorizedFault(c.status); });
        COnvifDeviceManagement device(loginFor(server, c.user));
        Json::Value rsp;
        EXPECT_EQ(-1, device.execute(c.name, requestFor(server), rsp)) << c.name << c.status;
        EXPECT_EQ(c.expectUnauth, rsp.get("errorInfo", "").asString() == "UNAUTH") << c.name << c.status;
        const auto requests = server.requests();
        ASSERT_EQ(2u, requests.size()) << c.name;
        EXPECT_FALSE(hasWsseHeader(requests[0].body));
        EXPECT_EQ(c.expectSignedRetry, wsseDigestValid(requests[1].body, kUser, kPassword)) << c.name;
    }
}

TEST_F(DeviceServiceRules, MissingResponseElementIsLoggedWhereTheServiceSaysSo)
{
    struct Case {
        const char* name;
        const char* logLine;   // nullptr: no "... fail" line
    } cases[] = {
        {"GetServiceCapabilities", "GetServiceCapabilitiesResponse fail"},
        {"SendMgmtAuxiliaryCommand", "SendAuxiliaryCommandResponse fail"},
        {"GetScopes", nullptr},
        {"Reboot", nullptr},
    };
    RPC::Onvif::setLogToStdout(true);
    for (const Case& c : cases) {
        OneShot device("<tds:GetWsdlUrlResponse/>");   // a well-formed answer to something else
        ::testing::internal::CaptureStdout();
        const int ret = device.run(c.name);
        const std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(-1, ret) << c.name;
        EXPECT_TRUE(device.rsp.empty()) << c.name;
        if (c.logLine)
            EXPECT_NE(std::string::npos, out.find(c.logLine)) << out;
        else
            EXPECT_EQ(std::string::npos, out.find("Response fail")) << out;
        EXPECT_NE(std::string::npos, out.find("[ERRLN]")) << c.name;
    }
}

// ---- The device clock ------------------------------------------------------------------

TEST_F(DeviceServiceRules, ClockAnswerUsesUtcNotLocalTime)
{
    OneShot device("<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime>"
                   "<tt:DateTimeType>Manual</tt:DateTimeType><tt:DaylightSavings>false</tt:DaylightSavings>"
                   "<tt:TimeZone><tt:TZ>CST-8</tt:TZ></tt:TimeZone>"
                   "<tt:UTCDateTime><tt:Time><tt:Hour>23</tt:Hour><tt:Minute>59</tt:Minute><tt:Second>58</tt:Second>"
                   "</tt:Time><tt:Date><tt:Year>2024</tt:Year><tt:Month>2</tt:Month><tt:Day>28</tt:Day></tt:Date>"
                   "</tt:UTCDateTime>"
                   "<tt:LocalDateTime><tt:Time><tt:Hour>7</tt:Hour><tt:Minute>59</tt:Minute><tt:Second>58</tt:Second>"
                   "</tt:Time><tt:Date><tt:Year>2024</tt:Year><tt:Month>2</tt:Month><tt:Day>29</tt:Day></tt:Date>"
                   "</tt:LocalDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>");
    ASSERT_EQ(0, device.run("GetSystemDateAndTime"));
    std::string where;
    EXPECT_TRUE(isSubset(parseJson(R"({"SystemDateAndTime":{"DateTimeType":"Manual","DaylightSavings":false,
        "TimeZone":{"TZ":"CST-8"},
        "UTCDateTime":{"Time":{"Hour":23,"Minute":59,"Second":58},"Date":{"Year":2024,"Month":2,"Day":28}}}})"),
                         device.rsp, where))
        << where;
    EXPECT_FALSE(device.rsp["SystemDateAndTime"].isMember("LocalDateTime"));
    EXPECT_EQ(1u, device.server.requestCount());
    EXPECT_FALSE(hasWsseHeader(device.lastBody())) << "an anonymous clock never sees credentials";
}

TEST_F(DeviceServiceRules, ClockAnswerWithOnlyLocalTimeStillGivesEveryNumber)
{
    OneShot device("<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime>"
                   "<tt:DateTimeType>NTP</tt:DateTimeType>"
                   "<tt:LocalDateTime><tt:Time><tt:Hour>7</tt:Hour><tt:Minute>1</tt:Minute><tt:Second>2</tt:Second>"
                   "</tt:Time><tt:Date><tt:Year>2024</tt:Year><tt:Month>3</tt:Month><tt:Day>4</tt:Day></tt:Date>"
                   "</tt:LocalDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>");
    ASSERT_EQ(0, device.run("GetSystemDateAndTime"));
    const Json::Value& sdt = device.rsp["SystemDateAndTime"];
    EXPECT_EQ(Json::Value(false), sdt["DaylightSavings"]);
    EXPECT_FALSE(sdt.isMember("TimeZone"));
    for (const char* key : {"Hour", "Minute", "Second"})
        EXPECT_EQ(Json::Value(0), sdt["UTCDateTime"]["Time"][key]) << key;
    for (const char* key : {"Year", "Month", "Day"})
        EXPECT_EQ(Json::Value(0), sdt["UTCDateTime"]["Date"][key]) << key;
}

// ---- Firmware upload ---------------------------------------------------------------------

std::string pointerText(const void* p)
{
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

TEST_F(DeviceServiceRules, FirmwareTravelsAsAnAttachment)
{
    std::string image("FWIMG\x00\x01\x02\xff", 9);
    image += std::string(3000, 'z');
    struct Case {
        const char* extra;   // further request keys
        const char* href;    // expected href of xop:Include
        const char* partId;  // expected Content-ID header value
        const char* type;    // expected Content-Type of the part
    } cases[] = {
        {"", "cid:http://tempuri.org/0", "<http://tempuri.org/0>", "application/octet-stream"},
        {R"(,"ContentId":"<fw@nvr>","ContentType":"application/x-firmware")", "cid:fw@nvr", "<fw@nvr>",
         "application/x-firmware"},
    };
    for (const Case& c : cases) {
        OneShot device("<tds:UpgradeSystemFirmwareResponse><tds:Message>Upgrading</tds:Message>"
                       "</tds:UpgradeSystemFirmwareResponse>");
        const std::string req = R"({"DataAddress":")" + pointerText(image.data()) + R"(","DataLength":)" +
                                std::to_string(image.size()) + c.extra + "}";
        ASSERT_EQ(0, device.run("UpgradeSystemFirmware", req)) << c.extra;
        EXPECT_EQ("Upgrading", device.rsp["Message"].asString());
        const HttpRequest sent = device.server.requests().at(0);
        EXPECT_EQ(0u, sent.header("content-type").rfind("multipart/related", 0)) << sent.header("content-type");
        EXPECT_NE(std::string::npos, sent.body.find(std::string("href=\"") + c.href + "\"")) << sent.body;
        EXPECT_NE(std::string::npos, sent.body.find(std::string("Content-ID: ") + c.partId));
        EXPECT_NE(std::string::npos, sent.body.find(std::string("Content-Type: ") + c.type));
        EXPECT_NE(std::string::npos, sent.body.find(image)) << "the image bytes, untouched";
        EXPECT_TRUE(wsseDigestValid(sent.body, kUser, kPassword));
    }
}

TEST_F(DeviceServiceRules, FirmwareWithoutImageSendsNothing)
{
    const char image[] = "x";
    const std::string address = pointerText(image);
    const std::string requests[] = {
        "{}",
        R"({"DataAddress":")" + address + R"("})",
        R"({"DataAddress":")" + address + R"(","DataLength":0})",
        R"({"DataAddress":")" + address + R"(","DataLength":-5})",
        R"({"DataAddress":"","DataLength":1})",
        R"({"DataAddress":"nowhere","DataLength":1})",
    };
    for (const std::string& req : requests) {
        OneShot device("<tds:UpgradeSystemFirmwareResponse/>");
        EXPECT_EQ(-1, device.run("UpgradeSystemFirmware", req)) << req;
        EXPECT_EQ(0u, device.server.requestCount()) << req;
    }
}

} // namespace
