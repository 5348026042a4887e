// What the prober makes of ProbeMatches replies: the service address, port, maker and model
// rules, and the refusal of datagrams that are not replies.
#include <gtest/gtest.h>

#include <string>

#include "Discovery/Onvif/ProbeMessage.h"

namespace {

using namespace RPC::Onvif;

std::string reply(const std::string& matchBody, const std::string& action = "ProbeMatches")
{
    return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><s:Header>"
           "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/" +
           action + "</a:Action></s:Header><s:Body><d:ProbeMatches><d:ProbeMatch>" + matchBody +
           "</d:ProbeMatch></d:ProbeMatches></s:Body></s:Envelope>";
}

TEST(ProbeMessage, ProbeTextIsExactForAFixedId)
{
    const std::string id = "6a0b1c2d-0000-4000-8000-00000000beef";
    const std::string nvt = buildProbeMessage(ProbeType::NetworkVideoTransmitter, id);
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"utf-8\"?><Envelope xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" "
              "xmlns=\"http://www.w3.org/2003/05/soap-envelope\"><Header><wsa:MessageID "
              "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\">uuid:" +
                  id +
                  "</wsa:MessageID><wsa:To xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\">"
                  "urn:schemas-xmlsoap-org:ws:2005:04:discovery</wsa:To><wsa:Action "
                  "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\">"
                  "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</wsa:Action></Header><Body><Probe "
                  "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                  "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                  "xmlns=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\"><Types>dn:NetworkVideoTransmitter"
                  "</Types><Scopes /></Probe></Body></Envelope>",
              nvt);
    const std::string device = buildProbeMessage(ProbeType::Device, id);
    EXPECT_NE(std::string::npos, device.find("xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\""));
    EXPECT_NE(std::string::npos, device.find("<Types>tds:Device</Types>"));
    const std::string a = makeUuidText(), b = makeUuidText();
    EXPECT_EQ(36u, a.size());
    EXPECT_EQ('4', a[14]) << a;
    EXPECT_NE(a, b);
}

TEST(ProbeMessage, ServiceAddressAndPortFromXAddrs)
{
    struct Case {
        const char* xaddrs;
        const char* sender;
        const char* chosen;
        int port;
    } cases[] = {
        {"http://10.0.0.5/onvif/device_service", "10.0.0.5", "http://10.0.0.5/onvif/device_service", 80},
        {"http://10.0.0.5:8080/onvif/device_service", "10.0.0.5", "http://10.0.0.5:8080/onvif/device_service", 8080},
        {"https://10.0.0.5/onvif/device_service", "10.0.0.5", "https://10.0.0.5/onvif/device_service", 443},
        // several addresses: the one of the sender, wherever it stands
        {"http://169.254.1.2/onvif/device_service http://10.0.0.5:81/x", "10.0.0.5", "http://10.0.0.5:81/x", 81},
        {"http://10.0.0.5:82/a http://169.254.1.2/b", "10.0.0.5", "http://10.0.0.5:82/a", 82},
        {"http://[fe80::1]/a http://10.0.0.5:83/b http://192.0.2.1/c", "10.0.0.5", "http://10.0.0.5:83/b", 83},
        // a longer address that starts with the sender's is not the sender's
        {"http://10.0.0.50/onvif/device_service", "10.0.0.5", "http://10.0.0.5/onvif/device_service", 80},
        // nothing of the sender's, or nothing at all
        {"http://camera.local/onvif/device_service", "10.0.0.5", "http://10.0.0.5/onvif/device_service", 80},
        {"", "10.0.0.5", "http://10.0.0.5/onvif/device_service", 80},
        {"   \n\t ", "10.0.0.5", "http://10.0.0.5/onvif/device_service", 80},
    };
    for (const Case& c : cases) {
        const std::string chosen = chooseXAddr(c.xaddrs, c.sender);
        EXPECT_EQ(c.chosen, chosen) << c.xaddrs;
        EXPECT_EQ(c.port, portOfXAddr(chosen)) << c.xaddrs;
    }
    for (const char* bad : {"ftp://10.0.0.5/x", "http://10.0.0.5:/x", "http://10.0.0.5:99999/x", "http://10.0.0.5:8a/",
                            "10.0.0.5/onvif", "http://[fe80::1/x"})
        EXPECT_EQ(-1, portOfXAddr(bad)) << bad;
}

TEST(ProbeMessage, MakerAndModelFromScopes)
{
    struct Case {
        const char* scopes;
        const char* manufacturer;
        const char* model;
        bool tagged;
    } cases[] = {
        {"onvif://www.onvif.org/hardware/IPC-100 onvif://www.onvif.org/name/Acme", "Acme", "IPC-100", false},
        // a name of "vendor%20model" with the model as hardware gives the vendor alone
        {"onvif://www.onvif.org/name/Acme%20IPC-100 onvif://www.onvif.org/hardware/IPC-100", "Acme", "IPC-100", false},
        // a %20 that does not come before the model stays, decoded
        {"onvif://www.onvif.org/name/Sim%20Vision onvif://www.onvif.org/hardware/SIM-1000", "Sim Vision", "SIM-1000",
         false},
        {"onvif://www.onvif.org/name/OnlyName", "OnlyName", "OnlyName", false},
        {"onvif://www.onvif.org/hardware/OnlyModel", "OnlyModel", "OnlyModel", false},
        {"onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/location/city/x", "", "", false},
        // other separators than one blank, and foreign scope schemes in between
        {"\n onvif://www.onvif.org/hardware/M1\t\thttp://example.com/x onvif://www.onvif.org/name/V1\n", "V1", "M1",
         false},
        {"onvif://www.onvif.org/name/Zentar onvif://www.onvif.org/hardware/ZT-9", "Zentar", "ZT-9", true},
        {"onvif://www.onvif.org/name/Other onvif://www.onvif.org/extension/unique_identifier "
         "onvif://www.onvif.org/hardware/X",
         "Zentar", "X", true},
        // a broken escape is kept as written
        {"onvif://www.onvif.org/name/Bad%2", "Bad%2", "Bad%2", false},
    };
    for (const Case& c : cases) {
        Json::Value record;
        readScopes(c.scopes, record);
        EXPECT_EQ(c.manufacturer, record["Manufacturer"].asString()) << c.scopes;
        EXPECT_EQ(c.model, record["DeviceType"].asString()) << c.scopes;
        EXPECT_EQ(c.tagged, record["ZtTag"].asBool()) << c.scopes;
    }
}

TEST(ProbeMessage, ReplyBecomesARecordAndAReport)
{
    const std::string text =
        reply("<a:EndpointReference><a:Address>urn:uuid:1234-abcd</a:Address></a:EndpointReference>"
              "<d:Types>dn:NetworkVideoTransmitter</d:Types>"
              "<d:Scopes>onvif://www.onvif.org/name/Acme%20C1 onvif://www.onvif.org/hardware/C1</d:Scopes>"
              "<d:XAddrs>http://10.1.1.9:8000/onvif/device_service</d:XAddrs>");
    Json::Value record;
    std::string why;
    ASSERT_EQ(ProbeReply::Match, parseProbeReply(text.data(), text.size(), "10.1.1.9", record, why)) << why;
    EXPECT_EQ("dn:NetworkVideoTransmitter", record["EndpointType"].asString());
    EXPECT_EQ("http://10.1.1.9:8000/onvif/device_service", record["EndpointXAddrs"].asString());
    EXPECT_EQ(8000, record["Port"].asInt());
    EXPECT_EQ("1234-abcd", record["Uuid"].asString());
    EXPECT_EQ("Onvif", record["Protocol"].asString());

    const Json::Value report = discoveryReport(record, "10.1.1.1");
    ASSERT_TRUE(report.isArray());
    ASSERT_EQ(1u, report.size());
    const Json::Value& device = report[0];
    EXPECT_EQ("Acme", device["Vendor"].asString());
    EXPECT_EQ("C1", device["MachineName"].asString());
    EXPECT_EQ("C1", device["DeviceType"].asString());
    EXPECT_EQ("00:00:00:00:00:00", device["Mac"].asString());
    EXPECT_EQ("10.1.1.9", device["IPv4Address"]["IPAddress"].asString());
    EXPECT_FALSE(device["IPv4Address"].isMember("SubnetMask"));
    EXPECT_EQ("10.1.1.1", device["NetCardName"][0].asString());

    // Without scopes the maker and model are absent, and so null in the report.
    const std::string bare = reply("<d:XAddrs>http://10.1.1.9/onvif/device_service</d:XAddrs>");
    ASSERT_EQ(ProbeReply::Match, parseProbeReply(bare.data(), bare.size(), "10.1.1.9", record, why));
    EXPECT_FALSE(record.isMember("Manufacturer"));
    const Json::Value bareReport = discoveryReport(record, "0.0.0.0");
    EXPECT_TRUE(bareReport[0]["Vendor"].isNull());
    EXPECT_TRUE(bareReport[0]["MachineName"].isNull());
    EXPECT_EQ("", record["Uuid"].asString());
}

TEST(ProbeMessage, DatagramsThatAreNotRepliesAreRefused)
{
    const std::string huge(kMaxProbeReplyBytes + 1, ' ');
    struct Case {
        std::string data;
        ProbeReply expected;
        const char* why;
    } cases[] = {
        {"", ProbeReply::Malformed, "empty"},
        {"\x01\x02\x03garbage", ProbeReply::Malformed, "not XML"},
        {reply("<d:XAddrs>http://x/</d:XAddrs>").substr(0, 200), ProbeReply::Malformed, "cut short"},
        {"<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaa\">]><Envelope><Body/></Envelope>",
         ProbeReply::Malformed, "document type declaration"},
        {"<a><b></b></a>", ProbeReply::Malformed, "XML but no envelope"},
        {huge, ProbeReply::Malformed, "over the size limit"},
        {reply("<d:XAddrs>http://x/</d:XAddrs>", "Probe"), ProbeReply::Ignored, "another prober's Probe"},
        {reply("<d:XAddrs>http://x/</d:XAddrs>", "Hello"), ProbeReply::Ignored, "a Hello"},
        {"<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Header><Action>ProbeMatches</Action>"
         "</s:Header><s:Body><ProbeMatches/></s:Body></s:Envelope>",
         ProbeReply::Malformed, "ProbeMatches without a match"},
    };
    for (const Case& c : cases) {
        Json::Value record;
        std::string why;
        EXPECT_EQ(c.expected, parseProbeReply(c.data.data(), c.data.size(), "10.0.0.1", record, why)) << c.why;
        EXPECT_FALSE(why.empty()) << c.why;
    }
}

} // namespace
