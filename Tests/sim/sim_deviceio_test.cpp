// Relays and digital inputs: one state behind the device service and the DeviceIO service,
// a monostable relay that falls back on the device clock, settings that round-trip, the
// counts the capabilities give, and who may switch a relay or make an OSD.
#include "SimTestClient.h"

#include <gtest/gtest.h>

using namespace SimTest;

namespace {

const char* kTds = "http://www.onvif.org/ver10/device/wsdl";
const char* kTmd = "http://www.onvif.org/ver10/deviceIO/wsdl";
using V = std::vector<std::string>;

std::string State(const std::string& token, const std::string& state)
{
    return "<m:RelayOutputToken>" + token + "</m:RelayOutputToken><m:LogicalState>" + state + "</m:LogicalState>";
}

std::string Properties(const std::string& mode, const std::string& delay, const std::string& idle)
{
    return "<m:Properties><t:Mode>" + mode + "</t:Mode><t:DelayTime>" + delay + "</t:DelayTime><t:IdleState>" + idle +
           "</t:IdleState></m:Properties>";
}

class SimDeviceIO : public ::testing::Test {
protected:
    void start(const char* file, bool withAuth = false)
    {
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/" + file, m_d, error)) << error;
        if (!withAuth)
            m_d.authMode = OnvifSim::EAuthMode::None;
        m_device = m_server.addDevice(m_d, &error);
        ASSERT_TRUE(m_device) << error;
    }
    CReply device(const std::string& operation, const std::string& inner = "")
    {
        return Post(m_device->serviceUrl("device"), Call(kTds, operation, inner));
    }
    // A DeviceIO call with its request element in namespace ns.
    CReply io(const std::string& operation, const std::string& inner = "", const char* ns = kTmd)
    {
        return Post(m_device->serviceUrl("deviceio"), Call(ns, operation, inner));
    }
    pugi::xml_node relay(pugi::xml_document& doc, const CReply& reply, const std::string& token)
    {
        EXPECT_EQ(reply.status, 200) << reply.body;
        ParseXml(reply.body, doc);
        return doc.select_node(("//*[local-name()='RelayOutputs'][@token='" + token + "']").c_str()).node();
    }

    OnvifSim::CDeviceDescription m_d;
    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

TEST_F(SimDeviceIO, CapabilitiesCountWhatTheDeviceHas)
{
    start("camera-2ch-media2-h265.json");
    pugi::xml_document caps;
    ASSERT_TRUE(ParseXml(io("GetServiceCapabilities").body, caps));
    pugi::xml_node c = FindLocal(caps, "Capabilities");
    EXPECT_EQ(NamespaceUri(c), kTmd);
    const std::pair<const char*, const char*> counts[] = {{"VideoSources", "2"}, {"VideoOutputs", "0"},
        {"AudioSources", "1"}, {"AudioOutputs", "1"}, {"RelayOutputs", "2"}, {"DigitalInputs", "2"}};
    for (const auto& [name, value] : counts)
        EXPECT_EQ(std::string(c.attribute(name).value()), value) << name;

    pugi::xml_document all;
    ASSERT_TRUE(ParseXml(device("GetCapabilities", "<m:Category>All</m:Category>").body, all));
    pugi::xml_node ext = FindLocal(FindLocal(all, "Extension"), "DeviceIO");
    EXPECT_EQ(Text(ext, "XAddr"), m_device->serviceUrl("deviceio"));
    EXPECT_EQ(Text(ext, "RelayOutputs"), "2");
    EXPECT_EQ(Text(ext, "AudioOutputs"), "1");
    EXPECT_EQ(Text(FindLocal(all, "IO"), "InputConnectors"), "2");
    pugi::xml_document services;
    ASSERT_TRUE(ParseXml(device("GetServices", "<m:IncludeCapability>false</m:IncludeCapability>").body, services));
    EXPECT_TRUE(services.select_node("//*[local-name()='Namespace'][text()='http://www.onvif.org/ver10/deviceIO/wsdl']"));
    pugi::xml_document inputs;
    ASSERT_TRUE(ParseXml(io("GetDigitalInputs").body, inputs));
    pugi::xml_node second = inputs.select_node("//*[local-name()='DigitalInputs'][@token='DigitalInput_2']").node();
    EXPECT_EQ(std::string(second.attribute("IdleState").value()), "open");
}

TEST_F(SimDeviceIO, RelayStateIsOneStateBehindBothServices)
{
    start("camera-2ch-media2-h265.json");
    struct { const char* via; std::string state; bool active; } steps[] = {
        {"deviceio/tds", "active", true}, {"device", "inactive", false}, {"deviceio/tmd", "active", true},
        {"deviceio/tds", "inactive", false}};
    for (const auto& s : steps) {
        std::string via = s.via;
        CReply r = via == "device" ? device("SetRelayOutputState", State("RelayOutput_1", s.state))
                                   : io("SetRelayOutputState", State("RelayOutput_1", s.state),
                                        via == "deviceio/tds" ? kTds : kTmd);
        ASSERT_EQ(r.status, 200) << via << r.body;
        pugi::xml_document doc;
        ParseXml(r.body, doc);
        EXPECT_EQ(NamespaceUri(FindLocal(doc, "SetRelayOutputStateResponse")), via == "deviceio/tmd" ? kTmd : kTds);
        EXPECT_EQ(m_device->relayActive("RelayOutput_1"), s.active) << via << " " << s.state;
    }
    EXPECT_FALSE(m_device->relayActive("nope"));
}

TEST_F(SimDeviceIO, MonostableRelayFallsBackAfterItsDelayOnTheDeviceClock)
{
    start("camera-2ch-media2-h265.json");
    ASSERT_EQ(io("SetRelayOutputState", State("RelayOutput_2", "active"), kTds).status, 200);
    EXPECT_TRUE(m_device->relayActive("RelayOutput_2"));
    m_device->jumpClock(3);
    EXPECT_TRUE(m_device->relayActive("RelayOutput_2"));
    m_device->jumpClock(3);
    EXPECT_FALSE(m_device->relayActive("RelayOutput_2"));
    // A bistable relay stays where it was put.
    ASSERT_EQ(device("SetRelayOutputState", State("RelayOutput_1", "active")).status, 200);
    m_device->jumpClock(3600);
    EXPECT_TRUE(m_device->relayActive("RelayOutput_1"));
}

TEST_F(SimDeviceIO, RelaySettingsRoundTripAndBadOnesAreRefused)
{
    start("camera-2ch-media2-h265.json");
    CReply set = io("SetRelayOutputSettings", "<m:RelayOutput token=\"RelayOutput_1\">" +
                                                  Properties("Monostable", "PT2.5S", "closed") + "</m:RelayOutput>");
    ASSERT_EQ(set.status, 200) << set.body;
    pugi::xml_document doc;
    pugi::xml_node one = relay(doc, device("GetRelayOutputs"), "RelayOutput_1");
    EXPECT_EQ(Text(one, "Mode"), "Monostable");
    EXPECT_EQ(Text(one, "DelayTime"), "PT2.5S");
    EXPECT_EQ(Text(one, "IdleState"), "closed");
    ASSERT_EQ(device("SetRelayOutputSettings", "<m:RelayOutputToken>RelayOutput_2</m:RelayOutputToken>" +
                                               Properties("Bistable", "PT1M", "open")).status, 200);
    pugi::xml_document doc2;
    pugi::xml_node two = relay(doc2, io("GetRelayOutputs", "", kTds), "RelayOutput_2");
    EXPECT_EQ(Text(two, "Mode"), "Bistable");
    EXPECT_EQ(Text(two, "DelayTime"), "PT60S");

    const V token{"InvalidArgVal", "RelayToken"}, mode{"InvalidArgVal", "ModeError"}, arg{"InvalidArgVal"};
    struct { const char* operation; std::string inner; V subcodes; } cases[] = {
        {"SetRelayOutputState", State("nope", "active"), token},
        {"SetRelayOutputState", State("RelayOutput_1", "on"), arg},
        {"SetRelayOutputSettings", "<m:RelayOutputToken>nope</m:RelayOutputToken>" +
                                       Properties("Bistable", "PT1S", "open"), token},
        {"SetRelayOutputSettings", "<m:RelayOutputToken>RelayOutput_1</m:RelayOutputToken>" +
                                       Properties("Toggle", "PT1S", "open"), mode},
        {"SetRelayOutputSettings", "<m:RelayOutputToken>RelayOutput_1</m:RelayOutputToken>" +
                                       Properties("Monostable", "PT0S", "open"), mode},
        {"SetRelayOutputSettings", "<m:RelayOutputToken>RelayOutput_1</m:RelayOutputToken>" +
                                       Properties("Monostable", "P1Y", "open"), mode},
        {"SetRelayOutputSettings", "<m:RelayOutputToken>RelayOutput_1</m:RelayOutputToken>" +
                                       Properties("Bistable", "PT1S", "ajar"), arg},
    };
    for (const auto& c : cases) {
        CReply r = device(c.operation, c.inner);
        EXPECT_EQ(r.status, 400) << c.operation << " " << c.inner;
        EXPECT_EQ(FaultSubcodes(r.body), c.subcodes) << c.operation << " " << c.inner;
    }
    pugi::xml_document after;
    EXPECT_EQ(Text(relay(after, device("GetRelayOutputs"), "RelayOutput_1"), "DelayTime"), "PT2.5S");
    EXPECT_FALSE(m_device->relayActive("RelayOutput_1"));
}

TEST_F(SimDeviceIO, DigitalInputsChangeThroughTheControlApi)
{
    start("camera-2ch-media2-h265.json");
    EXPECT_FALSE(m_device->digitalInputActive("DigitalInput_1"));
    EXPECT_TRUE(m_device->setDigitalInput("DigitalInput_1", true));
    EXPECT_TRUE(m_device->digitalInputActive("DigitalInput_1"));
    EXPECT_FALSE(m_device->digitalInputActive("DigitalInput_2"));
    EXPECT_FALSE(m_device->setDigitalInput("nope", true));
    ASSERT_EQ(device("SetSystemFactoryDefault", "<m:FactoryDefault>Hard</m:FactoryDefault>").status, 200);
    EXPECT_FALSE(m_device->digitalInputActive("DigitalInput_1"));
}

TEST_F(SimDeviceIO, MediaOnlyCameraHasItsRelayOnTheDeviceService)
{
    start("camera-1ch-media.json");
    EXPECT_TRUE(m_device->serviceUrl("deviceio").empty());
    pugi::xml_document doc;
    EXPECT_TRUE(relay(doc, device("GetRelayOutputs"), "AlarmOut_1"));
    ASSERT_EQ(device("SetRelayOutputState", State("AlarmOut_1", "active")).status, 200);
    EXPECT_TRUE(m_device->relayActive("AlarmOut_1"));
    pugi::xml_document caps;
    ASSERT_TRUE(ParseXml(device("GetCapabilities").body, caps));
    EXPECT_EQ(Text(FindLocal(caps, "IO"), "RelayOutputs"), "1");
    pugi::xml_document osds;
    ASSERT_TRUE(ParseXml(Post(m_device->serviceUrl("media"), Call("http://www.onvif.org/ver10/media/wsdl", "GetOSDs"))
                             .body, osds));
    EXPECT_EQ(osds.select_nodes("//*[local-name()='OSDs']").size(), 2u);
}

// A User may look, an Operator may switch a relay or make an OSD, and only an Administrator
// may change the device's own relay settings.
TEST_F(SimDeviceIO, UserLevelsGuardRelaysAndOverlays)
{
    start("camera-2ch-media2-h265.json", true);
    // Each channel has room for two more OSDs: one per allowed user and service.
    auto osd = [](const std::string& config) {
        return "<m:OSD><t:VideoSourceConfigurationToken>" + config + "</t:VideoSourceConfigurationToken>"
               "<t:Type>Text</t:Type><t:Position><t:Type>UpperLeft</t:Type></t:Position>"
               "<t:TextString><t:Type>Plain</t:Type><t:PlainText>x</t:PlainText></t:TextString></m:OSD>";
    };
    const std::string settings = Properties("Bistable", "PT1S", "open");
    enum { User, Operator, Administrator };
    struct { std::string service; std::string body; int least; } calls[] = {
        {"deviceio", Call(kTds, "SetRelayOutputState", State("RelayOutput_1", "active")), Operator},
        {"deviceio", Call(kTmd, "SetRelayOutputSettings", "<m:RelayOutput token=\"RelayOutput_1\">" + settings +
                                                              "</m:RelayOutput>"), Operator},
        {"device", Call(kTds, "SetRelayOutputSettings", "<m:RelayOutputToken>RelayOutput_1</m:RelayOutputToken>" +
                                                            settings), Administrator},
        {"media2", Call("http://www.onvif.org/ver20/media/wsdl", "CreateOSD", osd("VideoSourceConfig_1")), Operator},
        {"media", Call("http://www.onvif.org/ver10/media/wsdl", "CreateOSD", osd("VideoSourceConfig_2")), Operator},
        {"deviceio", Call(kTds, "GetRelayOutputs"), User},
        {"media2", Call("http://www.onvif.org/ver20/media/wsdl", "GetMasks"), User},
    };
    const std::pair<const char*, const char*> users[] = {{"viewer", "view123"}, {"operator", "oper123"},
                                                         {"admin", "admin123"}};
    for (const auto& c : calls)
        for (int level = User; level <= Administrator; ++level) {
            CReply r = Post(m_device->serviceUrl(c.service), c.body, DigestAs(users[level].first, users[level].second));
            EXPECT_EQ(r.status, level >= c.least ? 200 : 401) << users[level].first << " " << c.body << "\n" << r.body;
        }
    EXPECT_TRUE(m_device->relayActive("RelayOutput_1"));
}

} // namespace
