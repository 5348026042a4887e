// Device management answers: shapes and namespaces a client parses, prefix styles, and
// state that a Set changes for the next Get.
#include "SimTestClient.h"

#include <gtest/gtest.h>

using namespace SimTest;

namespace {

const char* kTds = "http://www.onvif.org/ver10/device/wsdl";
const char* kTt = "http://www.onvif.org/ver10/schema";
const char* kEnv = "http://www.w3.org/2003/05/soap-envelope";

class SimDeviceService : public ::testing::Test {
protected:
    void SetUp() override
    {
        Json::Value d = BaseDescription();
        d["auth"]["mode"] = "none";
        d["identity"]["serialNumber"] = "SN-42";
        d["scopes"].append(Json::Value("onvif://www.onvif.org/name/cam"));
        Json::Value fixed;
        fixed["uri"] = "onvif://www.onvif.org/hardware/X1";
        fixed["fixed"] = true;
        d["scopes"].append(fixed);
        m_device = StartDevice(m_server, d);
        ASSERT_TRUE(m_device);
    }

    CReply call(const std::string& operation, const std::string& inner = "")
    {
        return Post(m_device->serviceUrl(), Envelope(DeviceCall(operation, inner)));
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

TEST_F(SimDeviceService, DateAndTimeFollowsSetSystemDateAndTime)
{
    std::string set =
        "<d:DateTimeType>Manual</d:DateTimeType><d:DaylightSavings>false</d:DaylightSavings>"
        "<d:TimeZone><t:TZ>EST5</t:TZ></d:TimeZone>"
        "<d:UTCDateTime><t:Date><t:Year>2030</t:Year><t:Month>2</t:Month><t:Day>28</t:Day></t:Date>"
        "<t:Time><t:Hour>23</t:Hour><t:Minute>30</t:Minute><t:Second>0</t:Second></t:Time></d:UTCDateTime>";
    ASSERT_EQ(call("SetSystemDateAndTime", set).status, 200);
    CReply reply = call("GetSystemDateAndTime");
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(reply.body, doc)) << reply.body;
    pugi::xml_node sdt = FindLocal(doc, "SystemDateAndTime");
    EXPECT_EQ(NamespaceUri(sdt), kTds);
    EXPECT_EQ(Text(sdt, "DateTimeType"), "Manual");
    EXPECT_EQ(Text(sdt, "TZ"), "EST5");
    pugi::xml_node utc = FindLocal(sdt, "UTCDateTime");
    EXPECT_EQ(NamespaceUri(utc), kTt);
    EXPECT_EQ(Text(utc, "Year"), "2030");
    EXPECT_EQ(Text(utc, "Month"), "2");
    EXPECT_EQ(Text(utc, "Day"), "28");
    EXPECT_EQ(Text(utc, "Hour"), "23");
    // Local time five hours behind UTC in the same answer.
    pugi::xml_node local = FindLocal(sdt, "LocalDateTime");
    EXPECT_EQ(Text(local, "Hour"), "18");
    long long expected = 1898551800;   // 2030-02-28T23:30:00Z
    EXPECT_NEAR(static_cast<double>(m_device->deviceTime()), static_cast<double>(expected), 120.0);
}

TEST_F(SimDeviceService, InvalidDateOrZoneIsRefusedAndChangesNothing)
{
    long long before = m_device->clockOffset();
    struct { const char* inner; const char* subcode; } cases[] = {
        {"<d:DateTimeType>Manual</d:DateTimeType><d:DaylightSavings>false</d:DaylightSavings>"
         "<d:UTCDateTime><t:Date><t:Year>2030</t:Year><t:Month>2</t:Month><t:Day>30</t:Day></t:Date>"
         "<t:Time><t:Hour>1</t:Hour><t:Minute>0</t:Minute><t:Second>0</t:Second></t:Time></d:UTCDateTime>",
         "InvalidDateTime"},
        {"<d:DateTimeType>Manual</d:DateTimeType><d:DaylightSavings>false</d:DaylightSavings>"
         "<d:UTCDateTime><t:Date><t:Year>2030</t:Year><t:Month>13</t:Month><t:Day>1</t:Day></t:Date>"
         "<t:Time><t:Hour>1</t:Hour><t:Minute>0</t:Minute><t:Second>0</t:Second></t:Time></d:UTCDateTime>",
         "InvalidDateTime"},
        {"<d:DateTimeType>NTP</d:DateTimeType><d:DaylightSavings>false</d:DaylightSavings>"
         "<d:TimeZone><t:TZ>not a zone!</t:TZ></d:TimeZone>",
         "InvalidTimeZone"},
    };
    for (const auto& c : cases) {
        CReply reply = call("SetSystemDateAndTime", c.inner);
        EXPECT_EQ(reply.status, 400) << c.subcode;
        EXPECT_EQ(FaultCode(reply.body), "Sender");
        EXPECT_EQ(FaultSubcodes(reply.body), (std::vector<std::string>{"InvalidArgVal", c.subcode}));
    }
    EXPECT_EQ(m_device->clockOffset(), before);
    EXPECT_EQ(m_device->description().timezone, "CST-8");
}

TEST_F(SimDeviceService, ScopesFollowSetAddRemove)
{
    auto items = [&] {
        pugi::xml_document doc;
        std::vector<std::string> out;
        ParseXml(call("GetScopes").body, doc);
        for (auto& x : doc.select_nodes("//*[local-name()='ScopeItem']"))
            out.push_back(x.node().text().get());
        return out;
    };
    ASSERT_EQ(call("SetScopes", "<d:Scopes>onvif://www.onvif.org/name/new</d:Scopes>").status, 200);
    EXPECT_EQ(items(), (std::vector<std::string>{"onvif://www.onvif.org/hardware/X1", "onvif://www.onvif.org/name/new"}));
    ASSERT_EQ(call("AddScopes", "<d:ScopeItem>onvif://www.onvif.org/location/x</d:ScopeItem>").status, 200);
    EXPECT_EQ(items().size(), 3u);

    CReply fixed = call("RemoveScopes", "<d:ScopeItem>onvif://www.onvif.org/hardware/X1</d:ScopeItem>");
    EXPECT_EQ(FaultSubcodes(fixed.body), (std::vector<std::string>{"OperationProhibited", "FixedScope"}));
    CReply missing = call("RemoveScopes", "<d:ScopeItem>onvif://nope</d:ScopeItem>");
    EXPECT_EQ(FaultSubcodes(missing.body), (std::vector<std::string>{"InvalidArgVal", "NoScope"}));
    ASSERT_EQ(call("RemoveScopes", "<d:ScopeItem>onvif://www.onvif.org/location/x</d:ScopeItem>").status, 200);
    EXPECT_EQ(items().size(), 2u);

    ASSERT_EQ(call("SetSystemFactoryDefault", "<d:FactoryDefault>Soft</d:FactoryDefault>").status, 200);
    EXPECT_EQ(items(), (std::vector<std::string>{"onvif://www.onvif.org/name/cam", "onvif://www.onvif.org/hardware/X1"}));
    EXPECT_EQ(m_device->factoryResetCount(), 1);
}

TEST_F(SimDeviceService, CapabilitiesListOnlyOfferedServices)
{
    CReply all = call("GetCapabilities", "<d:Category>All</d:Category>");
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(all.body, doc));
    EXPECT_EQ(Text(FindLocal(doc, "Device"), "XAddr"), m_device->serviceUrl("device"));
    EXPECT_EQ(Text(FindLocal(doc, "Media"), "XAddr"), m_device->serviceUrl("media"));
    EXPECT_FALSE(FindLocal(doc, "PTZ"));
    EXPECT_FALSE(FindLocal(doc, "Events"));

    CReply ptz = call("GetCapabilities", "<d:Category>PTZ</d:Category>");
    EXPECT_EQ(FaultCode(ptz.body), "Receiver");
    EXPECT_EQ(FaultSubcodes(ptz.body), (std::vector<std::string>{"ActionNotSupported", "NoSuchService"}));

    CReply media = call("GetCapabilities", "<d:Category>Media</d:Category>");
    pugi::xml_document mediaDoc;
    ASSERT_TRUE(ParseXml(media.body, mediaDoc));
    EXPECT_TRUE(FindLocal(mediaDoc, "Media"));
    EXPECT_FALSE(FindLocal(mediaDoc, "Device"));
}

TEST_F(SimDeviceService, AdvertisedHostGoesIntoXAddrs)
{
    m_device->update([](OnvifSim::CDeviceDescription& d) { d.advertisedHost = "192.168.1.64"; });
    CReply reply = call("GetServices", "<d:IncludeCapability>true</d:IncludeCapability>");
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(reply.body, doc));
    auto services = doc.select_nodes("//*[local-name()='Service']");
    ASSERT_EQ(services.size(), 2u);
    EXPECT_EQ(Text(services[0].node(), "XAddr"), "http://192.168.1.64/onvif/device_service");
    EXPECT_EQ(Text(services[1].node(), "Namespace"), "http://www.onvif.org/ver10/media/wsdl");
    pugi::xml_node security = FindLocal(services[0].node(), "Security");
    EXPECT_STREQ(security.attribute("UsernameToken").value(), "false");   // auth mode none
    EXPECT_EQ(NamespaceUri(FindLocal(services[0].node(), "Major")), kTt);
}

TEST_F(SimDeviceService, IdentityAndUnknownOperation)
{
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(call("GetDeviceInformation").body, doc));
    EXPECT_EQ(Text(doc, "SerialNumber"), "SN-42");
    CReply unknown = call("GetFlyingCarStatus");
    EXPECT_EQ(unknown.status, 500);
    EXPECT_EQ(FaultCode(unknown.body), "Receiver");
    EXPECT_EQ(FaultSubcodes(unknown.body), std::vector<std::string>{"ActionNotSupported"});
    EXPECT_EQ(call("SystemReboot").status, 200);
    EXPECT_EQ(m_device->rebootCount(), 1);
    EXPECT_EQ(m_device->count("GetDeviceInformation"), 1);
}

struct CPrefixCase {
    const char* preset;
    const char* envPrefix;   // prefix expected on Envelope ("" = default namespace)
    const char* ttPrefix;
};

class SimPrefixStyle : public ::testing::TestWithParam<CPrefixCase> {};

TEST_P(SimPrefixStyle, SameNamespacesWhateverThePrefixes)
{
    const CPrefixCase& c = GetParam();
    OnvifSim::CSimServer server;
    Json::Value d = BaseDescription();
    d["namespacePrefixes"] = c.preset;
    auto device = StartDevice(server, d);
    ASSERT_TRUE(device);
    for (const char* op : {"GetSystemDateAndTime", "GetCapabilities"}) {
        std::string body = op == std::string("GetCapabilities")
            ? Envelope(DeviceCall(op), WsseHeader("admin", "adminpw", XsDateTime(NowSeconds()))) : Envelope(DeviceCall(op));
        CReply reply = Post(device->serviceUrl(), body);
        pugi::xml_document doc;
        ASSERT_TRUE(ParseXml(reply.body, doc)) << reply.body;
        pugi::xml_node envelope = doc.document_element();
        EXPECT_EQ(NamespaceUri(envelope), kEnv);
        std::string name = envelope.name();
        EXPECT_EQ(name, *c.envPrefix ? std::string(c.envPrefix) + ":Envelope" : "Envelope");
        pugi::xml_node response = FindLocal(doc, std::string(op) + "Response");
        EXPECT_EQ(NamespaceUri(response), kTds);
        pugi::xml_node schemaElement = FindLocal(doc, op == std::string("GetCapabilities") ? "XAddr" : "TZ");
        EXPECT_EQ(NamespaceUri(schemaElement), kTt);
        std::string tag = schemaElement.name();
        EXPECT_EQ(tag.substr(0, tag.find(':') == std::string::npos ? 0 : tag.find(':')), c.ttPrefix) << tag;
    }
    // Fault codes are QNames: their prefixes must be bound whatever the style.
    CReply fault = Post(device->serviceUrl(), Envelope(DeviceCall("GetScopes")));
    EXPECT_EQ(FaultCode(fault.body), "Sender");
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(fault.body, doc));
    pugi::xml_node value = FindLocal(FindLocal(doc, "Subcode"), "Value");
    std::string qname = value.text().get();
    std::string prefix = qname.substr(0, qname.find(':'));
    bool bound = false;
    for (pugi::xml_node n = value; n; n = n.parent())
        bound = bound || std::string(n.attribute(("xmlns:" + prefix).c_str()).value()) == "http://www.onvif.org/ver10/error";
    EXPECT_TRUE(bound) << fault.body;
}

INSTANTIATE_TEST_SUITE_P(Presets, SimPrefixStyle, ::testing::Values(
    CPrefixCase{"tt", "env", "tt"}, CPrefixCase{"ns", "ns0", "ns1"},
    CPrefixCase{"onvif", "soap", "onvif"}, CPrefixCase{"default", "", ""}),
    [](const auto& info) { return std::string(info.param.preset); });

} // namespace
