// Media state as a client sees it: a Set shows in the next Get and in the profiles, through
// either media service; a Set outside the options is refused and changes nothing; profiles
// follow Create/Add/Remove/Delete.
#include "SimTestClient.h"

#include <gtest/gtest.h>

using namespace SimTest;

namespace {

const char* kTrt = "http://www.onvif.org/ver10/media/wsdl";
const char* kTr2 = "http://www.onvif.org/ver20/media/wsdl";

// One channel 1920x1080@25; main H264 encoder that may also be H265 (Media2 only) or JPEG.
Json::Value Description()
{
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = "none";
    d["services"]["media2"] = Json::nullValue;
    Json::Value options;
    for (const char* e : {"JPEG", "H264", "H265"})
        options["encodings"].append(e);
    for (auto size : {std::make_pair(1920, 1080), std::make_pair(1280, 720)}) {
        Json::Value r(Json::arrayValue);
        r.append(size.first);
        r.append(size.second);
        options["resolutions"].append(r);
    }
    auto range = [](int a, int b) { Json::Value r(Json::arrayValue); r.append(a); r.append(b); return r; };
    options["quality"] = range(1, 5);
    options["frameRate"] = range(1, 25);
    options["bitrate"] = range(256, 8192);
    options["govLength"] = range(1, 100);
    Json::Value main;
    main["token"] = "Main";
    main["videoEncoder"]["token"] = "VE_Main";
    main["videoEncoder"]["options"] = options;
    main["videoEncoder"]["bitrate"] = 4096;
    Json::Value second;
    second["token"] = "Second";
    second["fixed"] = false;
    second["videoEncoder"]["token"] = "VE_Second";
    second["videoEncoder"]["width"] = 640;
    second["videoEncoder"]["height"] = 360;
    second["videoEncoder"]["bitrate"] = 512;
    d["channels"][0]["profiles"].append(main);
    d["channels"][0]["profiles"].append(second);
    d["media"]["audioSources"][0]["token"] = "AS_1";
    d["media"]["audioEncoders"][0]["token"] = "AE_1";
    return d;
}

std::string LocalName(pugi::xml_node n)
{
    std::string name = n.name();
    return name.substr(name.find(':') + 1);
}

class SimMediaState : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_device = StartDevice(m_server, Description());
        ASSERT_TRUE(m_device);
    }

    CReply media(const std::string& operation, const std::string& inner = "")
    {
        return Post(m_device->serviceUrl("media"), Call(kTrt, operation, inner));
    }
    CReply media2(const std::string& operation, const std::string& inner = "")
    {
        return Post(m_device->serviceUrl("media2"), Call(kTr2, operation, inner));
    }
    // Text of `local` inside the first `within` element of an answer, checked to be 200.
    std::string read(const CReply& reply, const std::string& within, const std::string& local)
    {
        EXPECT_EQ(reply.status, 200) << reply.body;
        pugi::xml_document doc;
        EXPECT_TRUE(ParseXml(reply.body, doc));
        return Text(FindLocal(doc, within), local);
    }
    std::vector<std::string> profileTokens()
    {
        pugi::xml_document doc;
        EXPECT_TRUE(ParseXml(media("GetProfiles").body, doc));
        std::vector<std::string> out;
        for (auto& x : doc.select_nodes("//*[local-name()='Profiles']"))
            out.push_back(x.node().attribute("token").value());
        return out;
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

std::string VideoEncoderSet(const std::string& encoding, int w, int h, const std::string& quality, int fps, int bitrate,
                            int gov)
{
    return "<m:Configuration token=\"VE_Main\"><t:Name>Main</t:Name><t:UseCount>1</t:UseCount>"
           "<t:Encoding>" + encoding + "</t:Encoding><t:Resolution><t:Width>" + std::to_string(w) +
           "</t:Width><t:Height>" + std::to_string(h) + "</t:Height></t:Resolution><t:Quality>" + quality +
           "</t:Quality><t:RateControl><t:FrameRateLimit>" + std::to_string(fps) +
           "</t:FrameRateLimit><t:EncodingInterval>1</t:EncodingInterval><t:BitrateLimit>" + std::to_string(bitrate) +
           "</t:BitrateLimit></t:RateControl><t:H264><t:GovLength>" + std::to_string(gov) +
           "</t:GovLength><t:H264Profile>High</t:H264Profile></t:H264>"
           "<t:Multicast><t:Address><t:Type>IPv4</t:Type><t:IPv4Address>0.0.0.0</t:IPv4Address></t:Address>"
           "<t:Port>0</t:Port><t:TTL>1</t:TTL><t:AutoStart>false</t:AutoStart></t:Multicast>"
           "<t:SessionTimeout>PT60S</t:SessionTimeout></m:Configuration><m:ForcePersistence>true</m:ForcePersistence>";
}

TEST_F(SimMediaState, VideoEncoderSetShowsInGetAndInProfiles)
{
    ASSERT_EQ(media("SetVideoEncoderConfiguration", VideoEncoderSet("H264", 1280, 720, "2", 12, 1024, 24)).status, 200);
    CReply one = media("GetVideoEncoderConfiguration", "<m:ConfigurationToken>VE_Main</m:ConfigurationToken>");
    EXPECT_EQ(read(one, "Configuration", "Width"), "1280");
    EXPECT_EQ(read(one, "Configuration", "Quality"), "2");
    EXPECT_EQ(read(one, "RateControl", "FrameRateLimit"), "12");
    EXPECT_EQ(read(one, "RateControl", "BitrateLimit"), "1024");
    EXPECT_EQ(read(one, "H264", "GovLength"), "24");
    EXPECT_EQ(read(one, "H264", "H264Profile"), "High");

    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(media("GetProfiles").body, doc));
    pugi::xml_node main = doc.select_node("//*[local-name()='Profiles'][@token='Main']").node();
    ASSERT_TRUE(main);
    pugi::xml_node vec = FindLocal(main, "VideoEncoderConfiguration");
    EXPECT_EQ(std::string(vec.attribute("token").value()), "VE_Main");
    EXPECT_EQ(Text(vec, "Height"), "720");
    EXPECT_EQ(Text(vec, "BitrateLimit"), "1024");
    // Media2 is the same device.
    CReply two = media2("GetVideoEncoderConfigurations", "<m:ConfigurationToken>VE_Main</m:ConfigurationToken>");
    EXPECT_EQ(read(two, "Configurations", "Width"), "1280");
    EXPECT_EQ(read(two, "Configurations", "BitrateLimit"), "1024");
}

TEST_F(SimMediaState, SetOutsideTheOptionsIsRefusedAndChangesNothing)
{
    struct { const char* what; std::string body; } cases[] = {
        {"resolution", VideoEncoderSet("H264", 1024, 768, "3", 25, 4096, 50)},
        {"quality", VideoEncoderSet("H264", 1920, 1080, "9", 25, 4096, 50)},
        {"frame rate", VideoEncoderSet("H264", 1920, 1080, "3", 60, 4096, 50)},
        {"bitrate", VideoEncoderSet("H264", 1920, 1080, "3", 25, 100000, 50)},
        {"gov length", VideoEncoderSet("H264", 1920, 1080, "3", 25, 4096, 500)},
        {"H.265 through Media", VideoEncoderSet("H265", 1920, 1080, "3", 25, 4096, 50)},
        {"malformed quality", VideoEncoderSet("H264", 1920, 1080, "high", 25, 4096, 50)},
    };
    for (const auto& c : cases) {
        CReply reply = media("SetVideoEncoderConfiguration", c.body);
        EXPECT_EQ(reply.status, 400) << c.what;
        EXPECT_EQ(FaultCode(reply.body), "Sender") << c.what;
        EXPECT_EQ(FaultSubcodes(reply.body), (std::vector<std::string>{"InvalidArgVal", "ConfigModify"})) << c.what;
    }
    CReply after = media("GetVideoEncoderConfiguration", "<m:ConfigurationToken>VE_Main</m:ConfigurationToken>");
    EXPECT_EQ(read(after, "Configuration", "Width"), "1920");
    EXPECT_EQ(read(after, "Configuration", "Quality"), "3");
    EXPECT_EQ(read(after, "RateControl", "BitrateLimit"), "4096");
    EXPECT_EQ(read(after, "H264", "GovLength"), "50");

    CReply audio = media("SetAudioEncoderConfiguration",
                         "<m:Configuration token=\"AE_1\"><t:Name>a</t:Name><t:UseCount>0</t:UseCount>"
                         "<t:Encoding>G711</t:Encoding><t:Bitrate>128</t:Bitrate><t:SampleRate>8</t:SampleRate>"
                         "</m:Configuration><m:ForcePersistence>true</m:ForcePersistence>");
    EXPECT_EQ(FaultSubcodes(audio.body), (std::vector<std::string>{"InvalidArgVal", "ConfigModify"}));
    EXPECT_EQ(read(media("GetAudioEncoderConfigurations"), "Configurations", "Bitrate"), "64");
}

TEST_F(SimMediaState, Media2SetIsSeenThroughMedia)
{
    std::string set = "<m:Configuration token=\"VE_Main\" GovLength=\"40\" Profile=\"Main\"><t:Name>Main</t:Name>"
                      "<t:UseCount>1</t:UseCount><t:Encoding>H264</t:Encoding><t:Resolution><t:Width>1280</t:Width>"
                      "<t:Height>720</t:Height></t:Resolution><t:RateControl ConstantBitRate=\"false\">"
                      "<t:FrameRateLimit>20</t:FrameRateLimit><t:BitrateLimit>2048</t:BitrateLimit></t:RateControl>"
                      "<t:Quality>4</t:Quality></m:Configuration>";
    ASSERT_EQ(media2("SetVideoEncoderConfiguration", set).status, 200);
    CReply one = media("GetVideoEncoderConfiguration", "<m:ConfigurationToken>VE_Main</m:ConfigurationToken>");
    EXPECT_EQ(read(one, "Configuration", "Width"), "1280");
    EXPECT_EQ(read(one, "RateControl", "FrameRateLimit"), "20");
    EXPECT_EQ(read(one, "H264", "GovLength"), "40");

    // Switched to H.265 the configuration leaves Media (ver10), which cannot express it,
    // while the profile stays and Media2 shows it.
    std::string h265 = set;
    h265.replace(h265.find("<t:Encoding>H264"), 16, "<t:Encoding>H265");
    ASSERT_EQ(media2("SetVideoEncoderConfiguration", h265).status, 200);
    CReply hidden = media("GetVideoEncoderConfiguration", "<m:ConfigurationToken>VE_Main</m:ConfigurationToken>");
    EXPECT_EQ(FaultSubcodes(hidden.body), (std::vector<std::string>{"InvalidArgVal", "NoConfig"}));
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(media("GetProfile", "<m:ProfileToken>Main</m:ProfileToken>").body, doc));
    EXPECT_TRUE(FindLocal(doc, "Profile"));
    EXPECT_FALSE(FindLocal(doc, "VideoEncoderConfiguration"));
    CReply profiles2 = media2("GetProfiles", "<m:Token>Main</m:Token><m:Type>VideoEncoder</m:Type>");
    EXPECT_EQ(read(profiles2, "VideoEncoder", "Encoding"), "H265");
}

TEST_F(SimMediaState, MediaProfileCreateAddRemoveDelete)
{
    CReply created = media("CreateProfile", "<m:Name>Extra</m:Name><m:Token>X1</m:Token>");
    ASSERT_EQ(created.status, 200) << created.body;
    EXPECT_EQ(profileTokens(), (std::vector<std::string>{"Main", "Second", "X1"}));
    CReply again = media("CreateProfile", "<m:Name>Extra</m:Name><m:Token>X1</m:Token>");
    EXPECT_EQ(FaultSubcodes(again.body), (std::vector<std::string>{"InvalidArgVal", "ProfileExists"}));

    ASSERT_EQ(media("AddVideoSourceConfiguration",
                    "<m:ProfileToken>X1</m:ProfileToken><m:ConfigurationToken>VideoSourceConfig_1</m:ConfigurationToken>")
                  .status, 200);
    ASSERT_EQ(media("AddVideoEncoderConfiguration",
                    "<m:ProfileToken>X1</m:ProfileToken><m:ConfigurationToken>VE_Second</m:ConfigurationToken>")
                  .status, 200);
    CReply got = media("GetProfile", "<m:ProfileToken>X1</m:ProfileToken>");
    EXPECT_EQ(read(got, "VideoSourceConfiguration", "SourceToken"), "VideoSource_1");
    EXPECT_EQ(read(got, "VideoEncoderConfiguration", "Width"), "640");
    // Shared with profile Second now.
    EXPECT_EQ(read(got, "VideoEncoderConfiguration", "UseCount"), "2");

    ASSERT_EQ(media("RemoveVideoEncoderConfiguration", "<m:ProfileToken>X1</m:ProfileToken>").status, 200);
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(media("GetProfile", "<m:ProfileToken>X1</m:ProfileToken>").body, doc));
    EXPECT_TRUE(FindLocal(doc, "VideoSourceConfiguration"));
    EXPECT_FALSE(FindLocal(doc, "VideoEncoderConfiguration"));

    ASSERT_EQ(media("DeleteProfile", "<m:ProfileToken>X1</m:ProfileToken>").status, 200);
    EXPECT_EQ(profileTokens(), (std::vector<std::string>{"Main", "Second"}));
    CReply fixed = media("DeleteProfile", "<m:ProfileToken>Main</m:ProfileToken>");
    EXPECT_EQ(FaultCode(fixed.body), "Receiver");
    EXPECT_EQ(FaultSubcodes(fixed.body), (std::vector<std::string>{"Action", "DeletionOfFixedProfile"}));
    ASSERT_EQ(media("DeleteProfile", "<m:ProfileToken>Second</m:ProfileToken>").status, 200);
    EXPECT_EQ(profileTokens(), (std::vector<std::string>{"Main"}));
}

TEST_F(SimMediaState, Media2ProfileCreateAddRemoveDelete)
{
    CReply created = media2("CreateProfile", "<m:Name>Two</m:Name><m:Configuration><m:Type>VideoSource</m:Type>"
                                              "<m:Token>VideoSourceConfig_1</m:Token></m:Configuration>");
    std::string token = read(created, "CreateProfileResponse", "Token");
    ASSERT_FALSE(token.empty());
    ASSERT_EQ(media2("AddConfiguration", "<m:ProfileToken>" + token + "</m:ProfileToken><m:Configuration>"
                                         "<m:Type>VideoEncoder</m:Type><m:Token>VE_Main</m:Token></m:Configuration>"
                                         "<m:Configuration><m:Type>AudioSource</m:Type><m:Token>AudioSourceConfig_1"
                                         "</m:Token></m:Configuration>").status, 200);

    auto kinds = [&](const std::string& types) {
        pugi::xml_document doc;
        EXPECT_TRUE(ParseXml(media2("GetProfiles", "<m:Token>" + token + "</m:Token>" + types).body, doc));
        std::vector<std::string> out;
        for (pugi::xml_node c : FindLocal(doc, "Configurations").children())
            out.push_back(LocalName(c));
        return out;
    };
    EXPECT_EQ(kinds("<m:Type>All</m:Type>"), (std::vector<std::string>{"VideoSource", "AudioSource", "VideoEncoder"}));
    EXPECT_EQ(kinds("<m:Type>VideoEncoder</m:Type>"), (std::vector<std::string>{"VideoEncoder"}));
    EXPECT_TRUE(kinds("").empty());   // no Type: names and tokens only
    // The same profile through Media (ver10).
    CReply viaMedia = media("GetProfile", "<m:ProfileToken>" + token + "</m:ProfileToken>");
    EXPECT_EQ(read(viaMedia, "AudioSourceConfiguration", "SourceToken"), "AS_1");

    CReply wrong = media2("RemoveConfiguration", "<m:ProfileToken>" + token + "</m:ProfileToken><m:Configuration>"
                                                 "<m:Type>VideoEncoder</m:Type><m:Token>VE_Second</m:Token></m:Configuration>");
    EXPECT_EQ(FaultSubcodes(wrong.body), (std::vector<std::string>{"InvalidArgVal", "NoConfig"}));
    ASSERT_EQ(media2("RemoveConfiguration", "<m:ProfileToken>" + token + "</m:ProfileToken><m:Configuration>"
                                            "<m:Type>AudioSource</m:Type></m:Configuration>").status, 200);
    EXPECT_EQ(kinds("<m:Type>All</m:Type>"), (std::vector<std::string>{"VideoSource", "VideoEncoder"}));
    ASSERT_EQ(media2("DeleteProfile", "<m:Token>" + token + "</m:Token>").status, 200);
    EXPECT_EQ(profileTokens(), (std::vector<std::string>{"Main", "Second"}));
}

TEST_F(SimMediaState, FactoryResetBringsBackTheDescribedMedia)
{
    ASSERT_EQ(media("SetVideoEncoderConfiguration", VideoEncoderSet("H264", 1280, 720, "2", 12, 1024, 24)).status, 200);
    ASSERT_EQ(media("DeleteProfile", "<m:ProfileToken>Second</m:ProfileToken>").status, 200);
    ASSERT_EQ(Post(m_device->serviceUrl(), Envelope(DeviceCall("SetSystemFactoryDefault",
                                                               "<d:FactoryDefault>Hard</d:FactoryDefault>"))).status, 200);
    EXPECT_EQ(profileTokens(), (std::vector<std::string>{"Main", "Second"}));
    CReply one = media("GetVideoEncoderConfiguration", "<m:ConfigurationToken>VE_Main</m:ConfigurationToken>");
    EXPECT_EQ(read(one, "Configuration", "Width"), "1920");
}

} // namespace
