// The shipped descriptions as media devices: each loads and serves its profiles in its own
// prefix style, and the per-device habits (Media2 names, a faulting Media2, a private
// advertised address) show where a client meets them.
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <json/reader.h>

#include <filesystem>
#include <map>
#include <sstream>

using namespace SimTest;

namespace {

const char* kTrt = "http://www.onvif.org/ver10/media/wsdl";
const char* kTr2 = "http://www.onvif.org/ver20/media/wsdl";
const char* kTt = "http://www.onvif.org/ver10/schema";

// Posts as the shipped descriptions' administrator, in a way the device accepts.
CReply AdminPost(const OnvifSim::CDeviceDescription& d, const std::string& url, const std::string& body)
{
    if (d.authMode == OnvifSim::EAuthMode::Wsse) {
        std::string header = WsseHeader("admin", "admin123", XsDateTime(NowSeconds()));
        std::string envelope = body;
        envelope.insert(envelope.find("<s:Body>"), "<s:Header>" + header + "</s:Header>");
        return Post(url, envelope);
    }
    return Post(url, body, DigestAs("admin", "admin123"));
}

// The name an element must carry under the description's prefix style.
std::string Qualified(const OnvifSim::CDeviceDescription& d, const std::string& ns, const std::string& local)
{
    return d.defaultNamespaces ? local : d.prefixes.at(ns) + ":" + local;
}

TEST(SimMediaDevices, EveryShippedDescriptionServesItsProfilesInItsPrefixStyle)
{
    const std::map<std::string, size_t> expected = {
        {"camera-1ch-media.json", 2}, {"camera-2ch-media2-h265.json", 5}, {"recorder-4ch.json", 8},
        {"camera-mapped-port.json", 2}, {"ptz-dome-named-presets.json", 2}, {"recorder-2ch-playback.json", 4}};
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CSimServer server;
    size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(OnvifSim::DevicesDir())) {
        if (entry.path().extension() != ".json")
            continue;
        std::string file = entry.path().filename().string();
        SCOPED_TRACE(file);
        ASSERT_TRUE(expected.count(file)) << "a new shipped description needs its expected profile count here";
        ++seen;
        OnvifSim::CDeviceDescription d;
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(entry.path().string(), d, error)) << error;
        auto device = server.addDevice(d, &error);
        ASSERT_TRUE(device) << error;
        CReply reply = AdminPost(d, device->serviceUrl("media"), Call(kTrt, "GetProfiles"));
        ASSERT_EQ(reply.status, 200) << reply.body;
        pugi::xml_document doc;
        ASSERT_TRUE(ParseXml(reply.body, doc));
        auto profiles = doc.select_nodes("//*[local-name()='Profiles']");
        EXPECT_EQ(profiles.size(), expected.at(file));
        pugi::xml_node first = profiles.first().node();
        EXPECT_EQ(first.name(), Qualified(d, kTrt, "Profiles"));
        EXPECT_EQ(NamespaceUri(first), kTrt);
        pugi::xml_node name = FindLocal(first, "Name");
        EXPECT_EQ(name.name(), Qualified(d, kTt, "Name"));
        EXPECT_EQ(NamespaceUri(name), kTt);
        if (!d.services.count("media2"))
            continue;
        CReply two = AdminPost(d, device->serviceUrl("media2"), Call(kTr2, "GetProfiles", "<m:Type>All</m:Type>"));
        ASSERT_EQ(two.status, 200) << two.body;
        pugi::xml_document doc2;
        ASSERT_TRUE(ParseXml(two.body, doc2));
        EXPECT_EQ(doc2.select_nodes("//*[local-name()='Profiles']").size(), expected.at(file));
        pugi::xml_node encoder = FindLocal(doc2, "VideoEncoder");
        EXPECT_EQ(encoder.name(), Qualified(d, kTr2, "VideoEncoder"));
        EXPECT_EQ(NamespaceUri(FindLocal(encoder, "Encoding")), kTt);
    }
    EXPECT_EQ(seen, expected.size());
    OnvifSim::SetLogEnabled(true);
}

TEST(SimMediaDevices, Media2NamesEncodingsTheDevicesWay)
{
    OnvifSim::CDeviceDescription d;
    std::string error;
    ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json", d, error)) << error;
    OnvifSim::CSimServer server;
    auto device = server.addDevice(d, &error);
    ASSERT_TRUE(device) << error;
    auto encoding = [&](const char* ns, const char* token) {
        CReply r = AdminPost(d, device->serviceUrl(ns == kTrt ? "media" : "media2"),
                             Call(ns, ns == kTrt ? "GetVideoEncoderConfiguration" : "GetVideoEncoderConfigurations",
                                  std::string("<m:ConfigurationToken>") + token + "</m:ConfigurationToken>"));
        pugi::xml_document doc;
        ParseXml(r.body, doc);
        return Text(doc, "Encoding") + (FaultCode(r.body).empty() ? "" : "fault");
    };
    EXPECT_EQ(encoding(kTrt, "VideoEncoder_103"), "MPEG4");
    EXPECT_EQ(encoding(kTr2, "VideoEncoder_103"), "MPV4-ES");
    EXPECT_EQ(encoding(kTr2, "VideoEncoder_101"), "H265");
    EXPECT_EQ(encoding(kTrt, "VideoEncoder_101"), "fault");   // Media (ver10) has no H.265

    CReply options = AdminPost(d, device->serviceUrl("media2"),
                               Call(kTr2, "GetVideoEncoderConfigurationOptions",
                                    "<m:ConfigurationToken>VideoEncoder_103</m:ConfigurationToken>"));
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(options.body, doc));
    std::vector<std::string> names;
    for (auto& x : doc.select_nodes("//*[local-name()='Options']/*[local-name()='Encoding']"))
        names.push_back(x.node().text().get());
    EXPECT_EQ(names, (std::vector<std::string>{"MPV4-ES", "H264"}));   // the "mobile" option set

    // A Set naming the device's Media2 name is understood, and Media (ver10) sees MPEG4.
    std::string set = "<m:Configuration token=\"VideoEncoder_103\" GovLength=\"10\" Profile=\"ASP\"><t:Name>m</t:Name>"
                      "<t:UseCount>1</t:UseCount><t:Encoding>MPV4-ES</t:Encoding><t:Resolution><t:Width>176</t:Width>"
                      "<t:Height>144</t:Height></t:Resolution><t:Quality>50</t:Quality></m:Configuration>";
    ASSERT_EQ(AdminPost(d, device->serviceUrl("media2"), Call(kTr2, "SetVideoEncoderConfiguration", set)).status, 200);
    CReply after = AdminPost(d, device->serviceUrl("media"), Call(kTrt, "GetVideoEncoderConfiguration",
                                                                  "<m:ConfigurationToken>VideoEncoder_103</m:ConfigurationToken>"));
    pugi::xml_document afterDoc;
    ASSERT_TRUE(ParseXml(after.body, afterDoc));
    EXPECT_EQ(Text(afterDoc, "Width"), "176");
    EXPECT_EQ(Text(FindLocal(afterDoc, "MPEG4"), "Mpeg4Profile"), "ASP");
}

TEST(SimMediaDevices, AdvertisedButFaultingMedia2)
{
    Json::Value json = BaseDescription();
    json["auth"]["mode"] = "none";
    json["services"]["media2"] = Json::nullValue;
    json["media"]["media2Faulting"] = true;
    OnvifSim::CSimServer server;
    auto device = StartDevice(server, json);
    ASSERT_TRUE(device);
    CReply services = Post(device->serviceUrl(), Envelope(DeviceCall("GetServices",
                                                                     "<d:IncludeCapability>false</d:IncludeCapability>")));
    EXPECT_NE(services.body.find(kTr2), std::string::npos);   // advertised
    for (const char* op : {"GetProfiles", "GetServiceCapabilities", "GetStreamUri", "GetVideoEncoderConfigurations"}) {
        CReply reply = Post(device->serviceUrl("media2"), Call(kTr2, op));
        EXPECT_EQ(reply.status, 500) << op;
        EXPECT_EQ(FaultCode(reply.body), "Receiver") << op;
        EXPECT_EQ(FaultSubcodes(reply.body), (std::vector<std::string>{"ActionNotSupported"})) << op;
    }
    EXPECT_EQ(Post(device->serviceUrl("media"), Call(kTrt, "GetProfiles")).status, 200);
}

TEST(SimMediaDevices, ServicesListMediaCapabilitiesOnlyWhereOffered)
{
    OnvifSim::CSimServer server;
    struct { const char* file; bool media2; } cases[] = {{"camera-1ch-media.json", false},
                                                         {"camera-2ch-media2-h265.json", true}};
    for (const auto& c : cases) {
        OnvifSim::CDeviceDescription d;
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/" + c.file, d, error)) << error;
        auto device = server.addDevice(d, &error);
        ASSERT_TRUE(device) << error;
        CReply reply = AdminPost(d, device->serviceUrl(), Envelope(DeviceCall("GetServices",
                                                                              "<d:IncludeCapability>true</d:IncludeCapability>")));
        pugi::xml_document doc;
        ASSERT_TRUE(ParseXml(reply.body, doc)) << c.file;
        std::map<std::string, pugi::xml_node> byNs;
        for (auto& x : doc.select_nodes("//*[local-name()='Service']"))
            byNs[Text(x.node(), "Namespace")] = x.node();
        ASSERT_TRUE(byNs.count(kTrt)) << c.file;
        pugi::xml_node mediaCaps = FindLocal(FindLocal(byNs[kTrt], "Capabilities"), "Capabilities");
        EXPECT_EQ(NamespaceUri(mediaCaps), kTrt) << c.file;
        EXPECT_TRUE(FindLocal(mediaCaps, "ProfileCapabilities").attribute("MaximumNumberOfProfiles")) << c.file;
        EXPECT_EQ(byNs.count(kTr2), c.media2 ? 1u : 0u) << c.file;
        if (c.media2) {
            pugi::xml_node caps2 = FindLocal(FindLocal(byNs[kTr2], "Capabilities"), "Capabilities");
            EXPECT_EQ(NamespaceUri(caps2), kTr2);
            EXPECT_EQ(std::string(FindLocal(caps2, "StreamingCapabilities").attribute("RTSPStreaming").value()), "true");
        }
    }
}

TEST(SimMediaDevices, MappedPortCameraNamesItsPrivateAddress)
{
    OnvifSim::CDeviceDescription d;
    std::string error;
    ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-mapped-port.json", d, error)) << error;
    OnvifSim::CSimServer server;
    auto device = server.addDevice(d, &error);
    ASSERT_TRUE(device) << error;
    CReply uri = AdminPost(d, device->serviceUrl("media"),
                           Call(kTrt, "GetStreamUri", "<m:StreamSetup><t:Stream>RTP-Unicast</t:Stream><t:Transport>"
                                                      "<t:Protocol>RTSP</t:Protocol></t:Transport></m:StreamSetup>"
                                                      "<m:ProfileToken>Profile_1</m:ProfileToken>"));
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(uri.body, doc)) << uri.body;
    EXPECT_EQ(Text(doc, "Uri"), "rtsp://192.168.1.64:554/live/ch00");
    // The profile without a video encoder configuration, as the device lists it.
    CReply profile = AdminPost(d, device->serviceUrl("media"), Call(kTrt, "GetProfile", "<m:ProfileToken>Profile_2"
                                                                                        "</m:ProfileToken>"));
    pugi::xml_document p;
    ASSERT_TRUE(ParseXml(profile.body, p));
    EXPECT_TRUE(FindLocal(p, "VideoSourceConfiguration"));
    EXPECT_FALSE(FindLocal(p, "VideoEncoderConfiguration"));
}

struct CBadMedia {
    const char* what;
    const char* json;       // merged over a valid description
    const char* expected;   // start of the error after "source: "
};

TEST(SimMediaDevices, BrokenMediaMembersAreRefusedWithTheirPath)
{
    const CBadMedia cases[] = {
        {"unknown media member", R"({"media": {"rtspPrt": 554}})", "media.rtspPrt"},
        {"encoder outside its options",
         R"({"channels": [{"profiles": [{"token": "P", "videoEncoder": {"width": 1000, "height": 1000}}]}]})",
         "channels[0].profiles[0].videoEncoder"},
        {"unknown reference", R"({"channels": [{"profiles": [{"token": "P", "videoEncoder": "Nope"}]}]})",
         "channels[0].profiles[0].videoEncoder"},
        {"four profiles on a channel",
         R"({"channels": [{"profiles": [{"token": "a"}, {"token": "b"}, {"token": "c"}, {"token": "d"}]}]})",
         "channels[0].profiles"},
        {"duplicate profile token", R"({"channels": [{"profiles": [{"token": "a"}]}, {"profiles": [{"token": "a"}]}]})",
         "channels[1].profiles[0].token"},
        {"unknown Media2 name key", R"({"media": {"media2EncodingNames": {"VP8": "VP8"}}})",
         "media.media2EncodingNames.VP8"},
        {"stream URI without host", R"({"media": {"streamUri": "rtsp://camera/live"}})", "media.streamUri"},
        {"raw '&' the writer cannot produce", R"({"media": {"rawAmpersandInUri": true}})", "media.rawAmpersandInUri"},
    };
    for (const auto& c : cases) {
        Json::Value json = BaseDescription();
        Json::Value extra;
        std::istringstream in(c.json);
        ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &extra, nullptr)) << c.what;
        for (const auto& key : extra.getMemberNames())
            json[key] = extra[key];
        OnvifSim::CDeviceDescription d;
        std::string error;
        EXPECT_FALSE(OnvifSim::LoadDescription(json, d, error, "x.json")) << c.what;
        EXPECT_EQ(error.rfind(std::string("x.json: ") + c.expected, 0), 0u) << c.what << ": " << error;
    }
}

} // namespace
