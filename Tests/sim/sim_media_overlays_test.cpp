// OSDs, privacy masks, the Media2 configuration writes and analytics configurations on the
// shipped two-channel camera: one state behind Media and Media2, the device's maximum
// enforced with its fault, and refusals that change nothing.
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <json/reader.h>

#include <set>
#include <sstream>

using namespace SimTest;

namespace {

const char* kTrt = "http://www.onvif.org/ver10/media/wsdl";
const char* kTr2 = "http://www.onvif.org/ver20/media/wsdl";
using V = std::vector<std::string>;

std::string TextOsd(const std::string& config, const std::string& textType, const std::string& position,
                    const std::string& extra = "", const std::string& token = "")
{
    return "<m:OSD token=\"" + token + "\"><t:VideoSourceConfigurationToken>" + config +
           "</t:VideoSourceConfigurationToken><t:Type>Text</t:Type><t:Position><t:Type>" + position +
           "</t:Type>" + (position == "Custom" ? "<t:Pos x=\"0.5\" y=\"-0.25\"/>" : "") +
           "</t:Position><t:TextString><t:Type>" + textType + "</t:Type>" + extra + "</t:TextString></m:OSD>";
}

std::string Rectangle(const std::string& config, double x0, double y0, double x1, double y1)
{
    auto point = [](double x, double y) {
        return "<t:Point x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\"/>";
    };
    return "<m:ConfigurationToken>" + config + "</m:ConfigurationToken><m:Polygon>" + point(x0, y0) + point(x1, y0) +
           point(x1, y1) + point(x0, y1) + "</m:Polygon><m:Type>Color</m:Type>"
           "<m:Color X=\"0\" Y=\"0\" Z=\"0\"/><m:Enabled>true</m:Enabled>";
}

class SimOverlays : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json", m_d, error))
            << error;
        m_d.authMode = OnvifSim::EAuthMode::None;
        m_device = m_server.addDevice(m_d, &error);
        ASSERT_TRUE(m_device) << error;
    }

    CReply media(const std::string& operation, const std::string& inner = "")
    {
        return Post(m_device->serviceUrl("media"), Call(kTrt, operation, inner));
    }
    CReply media2(const std::string& operation, const std::string& inner = "")
    {
        return Post(m_device->serviceUrl("media2"), Call(kTr2, operation, inner));
    }
    // Tokens of every `element` in a 200 answer.
    std::vector<std::string> tokens(const CReply& reply, const std::string& element)
    {
        EXPECT_EQ(reply.status, 200) << reply.body;
        pugi::xml_document doc;
        ParseXml(reply.body, doc);
        std::vector<std::string> out;
        for (auto& x : doc.select_nodes(("//*[local-name()='" + element + "']").c_str()))
            out.push_back(x.node().attribute("token").value());
        return out;
    }
    std::string text(const CReply& reply, const std::string& within, const std::string& local)
    {
        EXPECT_EQ(reply.status, 200) << reply.body;
        pugi::xml_document doc;
        ParseXml(reply.body, doc);
        return Text(FindLocal(doc, within), local);
    }
    std::string createdOsd(const CReply& reply) { return text(reply, "CreateOSDResponse", "OSDToken"); }

    OnvifSim::CDeviceDescription m_d;
    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

TEST_F(SimOverlays, OsdsAreOneListBehindBothServices)
{
    EXPECT_EQ(tokens(media("GetOSDs", "<m:ConfigurationToken>VideoSourceConfig_1</m:ConfigurationToken>"), "OSDs"),
              (V{"OSD_1", "OSD_2"}));
    EXPECT_EQ(tokens(media2("GetOSDs"), "OSDs"), (V{"OSD_1", "OSD_2", "OSD_3"}));
    CReply custom = media2("GetOSDs", "<m:OSDToken>OSD_3</m:OSDToken>");
    EXPECT_EQ(tokens(custom, "OSDs"), V{"OSD_3"});
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(custom.body, doc));
    EXPECT_EQ(Text(FindLocal(doc, "Position"), "Type"), "Custom");
    EXPECT_EQ(std::string(FindLocal(doc, "Pos").attribute("x").value()), "-0.9");
    EXPECT_EQ(Text(doc, "TimeFormat"), "hh:mm:ss tt");

    // Created through Media2, changed through Media, deleted through Media2.
    std::string token = createdOsd(media2("CreateOSD", TextOsd("VideoSourceConfig_2", "Plain", "Custom",
                                                               "<t:FontSize>20</t:FontSize><t:PlainText>Gate</t:PlainText>")));
    ASSERT_FALSE(token.empty());
    EXPECT_EQ(text(media("GetOSD", "<m:OSDToken>" + token + "</m:OSDToken>"), "OSD", "PlainText"), "Gate");
    ASSERT_EQ(media("SetOSD", TextOsd("VideoSourceConfig_2", "Time", "LowerLeft",
                                      "<t:TimeFormat>H:mm:ss</t:TimeFormat>", token)).status, 200);
    CReply changed = media2("GetOSDs", "<m:OSDToken>" + token + "</m:OSDToken>");
    EXPECT_EQ(text(changed, "TextString", "Type"), "Time");
    EXPECT_EQ(text(changed, "TextString", "TimeFormat"), "H:mm:ss");
    EXPECT_EQ(text(changed, "TextString", "FontSize"), "20");   // left out of the Set: kept
    EXPECT_EQ(text(changed, "Position", "Type"), "LowerLeft");
    ASSERT_EQ(media2("DeleteOSD", "<m:OSDToken>" + token + "</m:OSDToken>").status, 200);
    CReply gone = media("GetOSD", "<m:OSDToken>" + token + "</m:OSDToken>");
    EXPECT_EQ(FaultSubcodes(gone.body), (V{"InvalidArgVal", "NoConfig"}));
}

TEST_F(SimOverlays, OsdMaximumAnswersTheDevicesFault)
{
    CReply options = media("GetOSDOptions", "<m:ConfigurationToken>VideoSourceConfig_1</m:ConfigurationToken>");
    ASSERT_EQ(options.status, 200) << options.body;
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(options.body, doc));
    pugi::xml_node max = FindLocal(doc, "MaximumNumberOfOSDs");
    EXPECT_EQ(std::string(max.attribute("Total").value()), "4");
    EXPECT_EQ(std::string(max.attribute("DateAndTime").value()), "1");
    EXPECT_EQ(Text(FindLocal(doc, "FontSizeRange"), "Max"), "64");
    EXPECT_EQ(doc.select_nodes("//*[local-name()='PositionOption']").size(), 5u);

    auto expectMax = [&](const CReply& r, const char* why) {
        EXPECT_EQ(r.status, 500) << why;
        EXPECT_EQ(FaultCode(r.body), "Receiver") << why;
        EXPECT_EQ(FaultSubcodes(r.body), (V{"Action", "MaxOSDs"})) << why;
    };
    // Channel 1 holds a date-and-time OSD, its only one of that kind, and a text OSD.
    expectMax(media2("CreateOSD", TextOsd("VideoSourceConfig_1", "DateAndTime", "UpperRight",
                                          "<t:DateFormat>yyyy-MM-dd</t:DateFormat><t:TimeFormat>HH:mm:ss</t:TimeFormat>")),
              "second date-and-time");
    std::set<std::string> made;
    for (int i = 0; i < 2; ++i)
        made.insert(createdOsd(media("CreateOSD", TextOsd("VideoSourceConfig_1", "Plain", "LowerLeft"))));
    EXPECT_EQ(made.size(), 2u);
    EXPECT_FALSE(made.count("OSD_1") || made.count("OSD_2") || made.count(""));
    expectMax(media("CreateOSD", TextOsd("VideoSourceConfig_1", "Plain", "LowerLeft")), "fifth OSD");
    EXPECT_EQ(tokens(media2("GetOSDs", "<m:ConfigurationToken>VideoSourceConfig_1</m:ConfigurationToken>"), "OSDs")
                  .size(), 4u);
    // Turning a full configuration's text OSD into a second date-and-time is refused the same way.
    expectMax(media("SetOSD", TextOsd("VideoSourceConfig_1", "DateAndTime", "LowerLeft", "", "OSD_2")), "set");
}

TEST_F(SimOverlays, MistakenOverlayRequestsChangeNothing)
{
    const V noConfig{"InvalidArgVal", "NoConfig"}, modify{"InvalidArgVal", "ConfigModify"};
    struct { bool two; const char* operation; std::string inner; V subcodes; } cases[] = {
        {false, "GetOSD", "<m:OSDToken>nope</m:OSDToken>", noConfig},
        {true, "GetOSDs", "<m:OSDToken>nope</m:OSDToken>", noConfig},
        {true, "DeleteOSD", "<m:OSDToken>nope</m:OSDToken>", noConfig},
        {false, "SetOSD", TextOsd("VideoSourceConfig_1", "Plain", "UpperLeft", "", "nope"), noConfig},
        {true, "GetOSDOptions", "<m:ConfigurationToken>nope</m:ConfigurationToken>", noConfig},
        {false, "CreateOSD", TextOsd("nope", "Plain", "UpperLeft"), noConfig},
        {true, "CreateOSD", TextOsd("VideoSourceConfig_2", "Plain", "Middle"), modify},
        {true, "CreateOSD", TextOsd("VideoSourceConfig_2", "Plain", "UpperLeft", "<t:FontSize>99</t:FontSize>"), modify},
        {false, "CreateOSD", TextOsd("VideoSourceConfig_2", "Date", "UpperLeft", "<t:DateFormat>yy</t:DateFormat>"),
         modify},
        {true, "SetOSD", TextOsd("VideoSourceConfig_1", "Marquee", "UpperLeft", "", "OSD_2"), modify},
        {true, "GetMasks", "<m:Token>nope</m:Token>", noConfig},
        {true, "DeleteMask", "<m:Token>nope</m:Token>", noConfig},
        {true, "GetMaskOptions", "<m:ConfigurationToken>nope</m:ConfigurationToken>", noConfig},
        {true, "CreateMask", "<m:Mask>" + Rectangle("nope", 0, 0, 0.5, 0.5) + "</m:Mask>", noConfig},
        {true, "CreateMask", "<m:Mask>" + Rectangle("VideoSourceConfig_1", 0, 0, 1.5, 0.5) + "</m:Mask>", modify},
        {true, "CreateMask", "<m:Mask><m:ConfigurationToken>VideoSourceConfig_1</m:ConfigurationToken><m:Polygon>"
                             "<t:Point x=\"0\" y=\"0\"/><t:Point x=\"1\" y=\"1\"/></m:Polygon></m:Mask>", modify},
        {true, "SetMask", "<m:Mask token=\"Mask_1\"><m:Type>Blurred</m:Type></m:Mask>", modify},
    };
    for (const auto& c : cases) {
        CReply r = c.two ? media2(c.operation, c.inner) : media(c.operation, c.inner);
        EXPECT_EQ(r.status, 400) << c.operation << " " << c.inner << "\n" << r.body;
        EXPECT_EQ(FaultSubcodes(r.body), c.subcodes) << c.operation << " " << c.inner;
    }
    EXPECT_EQ(tokens(media2("GetOSDs"), "OSDs"), (V{"OSD_1", "OSD_2", "OSD_3"}));
    EXPECT_EQ(text(media2("GetOSDs", "<m:OSDToken>OSD_2</m:OSDToken>"), "TextString", "PlainText"), "Wide");
    EXPECT_EQ(text(media2("GetMasks"), "Masks", "Type"), "Color");
}

TEST_F(SimOverlays, MasksFollowCreateSetDeleteUpToTheMaximum)
{
    CReply options = media2("GetMaskOptions", "<m:ConfigurationToken>VideoSourceConfig_1</m:ConfigurationToken>");
    EXPECT_EQ(text(options, "Options", "MaxMasks"), "4");
    EXPECT_EQ(text(options, "Options", "MaxPoints"), "8");
    std::vector<std::string> made;
    for (int i = 0; i < 3; ++i) {
        CReply r = media2("CreateMask", "<m:Mask>" + Rectangle("VideoSourceConfig_1", -0.5 + 0.3 * i, 0, -0.3 + 0.3 * i,
                                                               0.2) + "</m:Mask>");
        made.push_back(text(r, "CreateMaskResponse", "Token"));
    }
    EXPECT_EQ(std::set<std::string>(made.begin(), made.end()).size(), 3u);
    CReply full = media2("CreateMask", "<m:Mask>" + Rectangle("VideoSourceConfig_1", 0.5, 0.5, 0.9, 0.9) + "</m:Mask>");
    EXPECT_EQ(FaultCode(full.body), "Receiver");
    EXPECT_EQ(FaultSubcodes(full.body), (V{"Action", "MaxMasks"}));
    // The other channel has room of its own.
    std::string other = text(media2("CreateMask", "<m:Mask>" + Rectangle("VideoSourceConfig_2", 0, 0, 0.5, 0.5) +
                                                  "</m:Mask>"), "CreateMaskResponse", "Token");
    EXPECT_EQ(tokens(media2("GetMasks", "<m:ConfigurationToken>VideoSourceConfig_2</m:ConfigurationToken>"), "Masks"),
              V{other});

    ASSERT_EQ(media2("SetMask", "<m:Mask token=\"" + made[0] + "\"><m:Type>Pixelated</m:Type>"
                                "<m:Enabled>false</m:Enabled></m:Mask>").status, 200);
    CReply one = media2("GetMasks", "<m:Token>" + made[0] + "</m:Token>");
    EXPECT_EQ(text(one, "Masks", "Type"), "Pixelated");
    EXPECT_EQ(text(one, "Masks", "Enabled"), "false");
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(one.body, doc));
    EXPECT_EQ(doc.select_nodes("//*[local-name()='Point']").size(), 4u);   // the polygon stays
    ASSERT_EQ(media2("DeleteMask", "<m:Token>" + made[0] + "</m:Token>").status, 200);
    EXPECT_EQ(media2("CreateMask", "<m:Mask>" + Rectangle("VideoSourceConfig_1", 0.5, 0.5, 0.9, 0.9) + "</m:Mask>")
                  .status, 200);
}

TEST_F(SimOverlays, Media2ConfigurationWritesShowThroughMedia)
{
    CReply audio = media2("SetAudioEncoderConfiguration",
                          "<m:Configuration token=\"AudioEncoder_1\"><t:Name>a</t:Name><t:UseCount>1</t:UseCount>"
                          "<t:Encoding>MP4A-LATM</t:Encoding><t:Bitrate>128</t:Bitrate><t:SampleRate>48</t:SampleRate>"
                          "</m:Configuration>");
    ASSERT_EQ(audio.status, 200) << audio.body;
    CReply one = media("GetAudioEncoderConfiguration", "<m:ConfigurationToken>AudioEncoder_1</m:ConfigurationToken>");
    EXPECT_EQ(text(one, "Configuration", "Encoding"), "AAC");
    EXPECT_EQ(text(one, "Configuration", "Bitrate"), "128");
    EXPECT_EQ(text(one, "Configuration", "SampleRate"), "48");
    CReply refused = media2("SetAudioEncoderConfiguration", "<m:Configuration token=\"AudioEncoder_1\">"
                                                            "<t:Encoding>MP4A-LATM</t:Encoding><t:Bitrate>100</t:Bitrate>"
                                                            "</m:Configuration>");
    EXPECT_EQ(FaultSubcodes(refused.body), (V{"InvalidArgVal", "ConfigModify"}));

    std::string bounds = "<m:Configuration token=\"VideoSourceConfig_2\"><t:Name>Tele</t:Name><t:UseCount>2</t:UseCount>"
                         "<t:SourceToken>VideoSource_2</t:SourceToken><t:Bounds x=\"160\" y=\"90\" width=\"1600\" "
                         "height=\"900\"/></m:Configuration>";
    ASSERT_EQ(media2("SetVideoSourceConfiguration", bounds).status, 200);
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(media("GetVideoSourceConfiguration",
                               "<m:ConfigurationToken>VideoSourceConfig_2</m:ConfigurationToken>").body, doc));
    EXPECT_EQ(std::string(FindLocal(doc, "Bounds").attribute("width").value()), "1600");
    EXPECT_EQ(Text(doc, "Name"), "Tele");
    std::string outside = bounds;
    outside.replace(outside.find("1600"), 4, "1900");
    EXPECT_EQ(FaultSubcodes(media("SetVideoSourceConfiguration", outside).body), (V{"InvalidArgVal", "ConfigModify"}));

    EXPECT_EQ(text(media2("GetAudioSourceConfigurationOptions"), "Options", "InputTokensAvailable"), "AudioSource_1");
    EXPECT_EQ(text(media("GetAudioDecoderConfigurationOptions"), "G711DecOptions", "Items"), "64");
    CReply decoder2 = media2("GetAudioDecoderConfigurationOptions",
                             "<m:ConfigurationToken>AudioDecoderConfig_1</m:ConfigurationToken>");
    EXPECT_EQ(text(decoder2, "Options", "Encoding"), "PCMU");
    EXPECT_EQ(tokens(media2("GetAudioDecoderConfigurations"), "Configurations"), V{"AudioDecoderConfig_1"});
}

TEST_F(SimOverlays, AnalyticsConfigurationsCarryACellMotionDetector)
{
    auto rule = [](const CReply& r) {
        pugi::xml_document doc;
        ParseXml(r.body, doc);
        pugi::xml_node module = FindLocal(doc, "AnalyticsModule");
        pugi::xml_node detector = FindLocal(doc, "Rule");
        std::string type = detector.attribute("Type").value();
        return std::string(module.attribute("Type").value()).substr(std::string(module.attribute("Type").value())
                                                                        .find(':') + 1) + "/" +
               type.substr(type.find(':') + 1) + "/" + FindLocal(doc, "CellLayout").attribute("Columns").value() +
               "/" + doc.select_node("//*[@Name='ActiveCells']").node().attribute("Value").value();
    };
    // The camera's 16 x 12 grid, every cell watched: 24 bytes of 0xFF, one PackBits run.
    const std::string expected = "CellMotionEngine/CellMotionDetector/16/6f8=";
    EXPECT_EQ(rule(media("GetProfile", "<m:ProfileToken>Profile_101</m:ProfileToken>")), expected);
    EXPECT_EQ(rule(media2("GetProfiles", "<m:Token>Profile_201</m:Token><m:Type>Analytics</m:Type>")), expected);
    EXPECT_EQ(rule(media2("GetAnalyticsConfigurations", "<m:ProfileToken>Profile_102</m:ProfileToken>")), expected);
    EXPECT_EQ(tokens(media("GetCompatibleVideoAnalyticsConfigurations", "<m:ProfileToken>Profile_201</m:ProfileToken>"),
                     "Configurations"), V{"VideoAnalyticsConfig_2"});
}

TEST_F(SimOverlays, FactoryResetBringsBackTheDescribedOverlays)
{
    ASSERT_EQ(media2("DeleteOSD", "<m:OSDToken>OSD_1</m:OSDToken>").status, 200);
    ASSERT_EQ(media2("DeleteMask", "<m:Token>Mask_1</m:Token>").status, 200);
    ASSERT_EQ(Post(m_device->serviceUrl(), Envelope(DeviceCall("SetSystemFactoryDefault",
                                                               "<d:FactoryDefault>Soft</d:FactoryDefault>"))).status, 200);
    EXPECT_EQ(tokens(media2("GetOSDs"), "OSDs"), (V{"OSD_1", "OSD_2", "OSD_3"}));
    EXPECT_EQ(tokens(media2("GetMasks"), "Masks"), V{"Mask_1"});
}

// The capabilities say which overlays a device has, and a device without them refuses the calls.
TEST(SimOverlayDescriptions, CapabilitiesFollowTheDescription)
{
    OnvifSim::CSimServer server;
    OnvifSim::CDeviceDescription shipped;
    std::string error;
    ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json", shipped, error));
    shipped.authMode = OnvifSim::EAuthMode::None;
    Json::Value bare = BaseDescription();
    bare["auth"]["mode"] = "none";
    bare["services"]["media"] = Json::nullValue;
    bare["services"]["media2"] = Json::nullValue;
    auto with = server.addDevice(shipped, &error);
    auto without = StartDevice(server, bare);
    ASSERT_TRUE(with && without) << error;
    auto caps = [](const std::shared_ptr<OnvifSim::CSimDevice>& d, const char* ns, const char* service) {
        pugi::xml_document doc;
        ParseXml(Post(d->serviceUrl(service), Call(ns, "GetServiceCapabilities")).body, doc);
        pugi::xml_node c = FindLocal(doc, "Capabilities");
        return std::string(c.attribute("OSD").value()) + "/" + c.attribute("Mask").value();
    };
    EXPECT_EQ(caps(with, kTr2, "media2"), "true/true");
    EXPECT_EQ(caps(with, kTrt, "media"), "true/");
    EXPECT_EQ(caps(without, kTr2, "media2"), "false/false");
    for (const char* operation : {"GetOSDs", "GetMasks", "CreateOSD"}) {
        CReply r = Post(without->serviceUrl("media2"), Call(kTr2, operation));
        EXPECT_EQ(FaultCode(r.body), "Receiver") << operation;
        EXPECT_EQ(FaultSubcodes(r.body), V{"ActionNotSupported"}) << operation;
    }
    CReply decoder = Post(without->serviceUrl("media"), Call(kTrt, "GetAudioDecoderConfigurationOptions"));
    EXPECT_EQ(FaultSubcodes(decoder.body), (V{"InvalidArgVal", "NoConfig"}));
}

TEST(SimOverlayDescriptions, BrokenOverlayMembersAreRefusedWithTheirPath)
{
    struct { const char* member; const char* json; const char* path; } cases[] = {
        {"osd", R"({"maximum": 99})", "media.osd.maximum"},
        {"osd", R"({"items": [{"position": "Middle"}]})", "media.osd.items[0]"},
        {"osd", R"({"maximum": 1, "items": [{}, {}]})", "media.osd.items[1]"},
        {"osd", R"({"items": [{"channel": 3}]})", "media.osd.items[0].channel"},
        {"masks", R"({"items": [{"points": [[0, 0], [1, 1]]}]})", "media.masks.items[0]"},
        {"masks", R"({"types": ["Sparkle"]})", "media.masks.types"},
        {"audioDecoders", R"({"token": "x"})", "media.audioDecoders"},
    };
    for (const auto& c : cases) {
        Json::Value d = BaseDescription();
        d["services"]["media"] = Json::nullValue;
        Json::Value member;
        std::istringstream in(c.json);
        ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &member, nullptr)) << c.json;
        d["media"][c.member] = member;
        OnvifSim::CDeviceDescription out;
        std::string error;
        EXPECT_FALSE(OnvifSim::LoadDescription(d, out, error)) << c.json;
        EXPECT_NE(error.find(c.path), std::string::npos) << c.json << ": " << error;
    }
}

} // namespace
