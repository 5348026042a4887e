// The composites against a scripted loopback camera: which media service answers for each
// "MediaType", how a failed Media2 call is (or is not) retried on Media, and that the
// per-login service objects share one clock offset.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CannedDevice.h"
#include "DeviceAnswers.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"

using namespace OnvifTest;
using namespace RPC::Onvif;

namespace {

const char* const kMedia2Profiles =
    "<tr2:GetProfilesResponse xmlns:tr2=\"http://www.onvif.org/ver20/media/wsdl\">"
    "<tr2:Profiles token=\"M2_main\" fixed=\"true\"><tr2:Name>main</tr2:Name><tr2:Configurations>"
    "<tr2:VideoSource token=\"vsc0\"><tt:SourceToken>video0</tt:SourceToken></tr2:VideoSource>"
    "<tr2:VideoEncoder token=\"venc0\"><tt:Encoding>H264</tt:Encoding></tr2:VideoEncoder>"
    "</tr2:Configurations></tr2:Profiles></tr2:GetProfilesResponse>";

const char* const kMediaStreamUri =
    "<trt:GetStreamUriResponse xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\"><trt:MediaUri>"
    "<tt:Uri>rtsp://127.0.0.1/media1</tt:Uri><tt:InvalidAfterConnect>false</tt:InvalidAfterConnect>"
    "<tt:InvalidAfterReboot>false</tt:InvalidAfterReboot><tt:Timeout>PT0S</tt:Timeout>"
    "</trt:MediaUri></trt:GetStreamUriResponse>";

const char* const kMedia2StreamUri =
    "<tr2:GetStreamUriResponse xmlns:tr2=\"http://www.onvif.org/ver20/media/wsdl\">"
    "<tr2:Uri>rtsp://127.0.0.1/media2</tr2:Uri></tr2:GetStreamUriResponse>";

// Where each request of one operation went: "media" or "media2".
class PathLog {
public:
    void add(const std::string& target)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paths.push_back(target.find("media2") != std::string::npos ? "media2" : "media");
    }
    std::vector<std::string> paths() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_paths;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_paths;
};

class ScriptsMediaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        COnvifBaseComm::instance()->resetOptions();
        freshDevice();
    }

    // A new camera on a new port, and so a new cache record and new service objects.
    void freshDevice()
    {
        m_device = std::make_unique<CannedDevice>();
        m_device->loadDefaultCamera();
    }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }

    ServerInfo info() const
    {
        ServerInfo s;
        s.address = "127.0.0.1";
        s.port = static_cast<uint16_t>(m_device->port());
        s.userName = "admin";
        s.password = "Pa55word!";
        return s;
    }

    void setMediaType(int type)
    {
        Json::Value options;
        options["MediaType"] = type;
        ASSERT_TRUE(COnvifBaseComm::instance()->setOnvifOptionCfg(options));
    }

    // The camera also lists a Media2 service.
    void offerMedia2()
    {
        const std::string base = "http://127.0.0.1:" + std::to_string(m_device->port());
        m_device->answer("GetServices",
                        "<tds:GetServicesResponse>"
                        "<tds:Service><tds:Namespace>http://www.onvif.org/ver10/media/wsdl</tds:Namespace>"
                        "<tds:XAddr>" + base + "/onvif/media_service</tds:XAddr></tds:Service>"
                        "<tds:Service><tds:Namespace>http://www.onvif.org/ver20/media/wsdl</tds:Namespace>"
                        "<tds:XAddr>" + base + "/onvif/media2_service</tds:XAddr></tds:Service>"
                        "</tds:GetServicesResponse>");
    }

    // Answers `operation` by service: Media with mediaBody, Media2 with media2Status/Body.
    void answerByService(const std::string& operation, PathLog& log, const std::string& mediaBody,
                         int media2Status, const std::string& media2Body)
    {
        m_device->override(operation, [&log, mediaBody, media2Status, media2Body](const HttpRequest& r) {
            log.add(r.target);
            if (r.target.find("media2") == std::string::npos)
                return HttpReply::soap(200, soapEnvelope(mediaBody));
            if (media2Status == 401)
                return notAuthorizedFault(401);
            if (media2Status != 200)
                return HttpReply::soap(media2Status, soapFault("ter:Action", "failed"));
            return HttpReply::soap(200, soapEnvelope(media2Body));
        });
    }

    std::string mediaProfilesBody()
    {
        // The default camera's Media answer, captured before it is overridden.
        return m_mediaProfiles;
    }

    std::unique_ptr<CannedDevice> m_device;
    std::string m_mediaProfiles =
        "<trt:GetProfilesResponse xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\">"
        "<trt:Profiles token=\"Profile_1\"><tt:VideoSourceConfiguration token=\"vsc0\">"
        "<tt:SourceToken>video0</tt:SourceToken></tt:VideoSourceConfiguration>"
        "<tt:VideoEncoderConfiguration token=\"venc0\"><tt:Encoding>H264</tt:Encoding>"
        "</tt:VideoEncoderConfiguration></trt:Profiles>"
        "<trt:Profiles token=\"Profile_2\"><tt:VideoSourceConfiguration token=\"vsc0\">"
        "<tt:SourceToken>video0</tt:SourceToken></tt:VideoSourceConfiguration>"
        "<tt:VideoEncoderConfiguration token=\"venc1\"><tt:Encoding>H264</tt:Encoding>"
        "</tt:VideoEncoderConfiguration></trt:Profiles></trt:GetProfilesResponse>";
};

} // namespace

TEST_F(ScriptsMediaTest, MediaTypeChoosesTheServiceOfGetProfiles)
{
    struct Case {
        int mediaType;
        bool deviceHasMedia2;
        std::vector<std::string> expected;
    } cases[] = {
        {0, true, {"media2"}},
        {0, false, {"media"}},
        {1, true, {"media"}},
        {2, true, {"media2"}},
        {2, false, {"media"}},   // no Media2 address: nothing is sent there, Media answers
    };
    for (const Case& c : cases) {
        freshDevice();
        if (c.deviceHasMedia2)
            offerMedia2();
        setMediaType(c.mediaType);
        PathLog log;
        answerByService("GetProfiles", log, mediaProfilesBody(), 200, kMedia2Profiles);

        Json::Value request, result;
        EXPECT_TRUE(getProfiles(info(), request, result)) << "MediaType " << c.mediaType;
        EXPECT_EQ(log.paths(), c.expected) << "MediaType " << c.mediaType << " media2 " << c.deviceHasMedia2;
        ASSERT_TRUE(result["Profiles"].isArray());
        EXPECT_EQ(result["Profiles"][0][0]["VideoEncoderConfiguration"]["token"].asString(), "venc0");
        EXPECT_FALSE(request.isMember("Type")) << "Media2's \"Type\" stays on its own copy";
    }
}

TEST_F(ScriptsMediaTest, ForcedMedia2WithoutAddressFailsEitherCompositesWithoutSending)
{
    setMediaType(2);
    PathLog log;
    answerByService("GetSnapshotUri", log, "", 200, "");
    Json::Value request, result;
    request["ProfileToken"] = "Profile_1";
    EXPECT_FALSE(getSnapshotUri(info(), request, result));
    EXPECT_TRUE(log.paths().empty());
}

TEST_F(ScriptsMediaTest, Media2RefusalIsFinalOtherFailuresAreRetriedOnMedia)
{
    struct Case {
        int media2Status;
        bool ok;
        std::vector<std::string> expected;
    } cases[] = {{401, false, {"media2"}}, {500, true, {"media2", "media"}}};
    for (const Case& c : cases) {
        freshDevice();
        offerMedia2();
        PathLog log;
        answerByService("GetProfiles", log, mediaProfilesBody(), c.media2Status, "");

        Json::Value request, result;
        EXPECT_EQ(getProfiles(info(), request, result), c.ok) << c.media2Status;
        EXPECT_EQ(log.paths(), c.expected) << c.media2Status;
        if (c.ok) {
            ASSERT_EQ(result["Profiles"].size(), 1u);
            EXPECT_EQ(result["Profiles"][0].size(), 2u);
            EXPECT_FALSE(result.isMember("errorInfo"));
            // What the centre now hands out is the grouped list.
            Json::Value query;
            query["RemoteChannel"] = 0;
            query["StreamType"] = 1;
            ASSERT_TRUE(COnvifInfoCenter::instance()->getProfile(info(), query));
            EXPECT_EQ(query["token"].asString(), "Profile_2");
        } else {
            EXPECT_EQ(result["errorInfo"].asString(), "UNAUTH");
        }
    }
}

TEST_F(ScriptsMediaTest, StreamUriFallbackSendsTheOriginalRequestToMedia)
{
    offerMedia2();
    PathLog log;
    std::string mediaBody;
    m_device->override("GetStreamUri", [&](const HttpRequest& r) {
        log.add(r.target);
        if (r.target.find("media2") != std::string::npos)
            return HttpReply::soap(500, soapFault("ter:Action", "failed"));
        mediaBody = r.body;
        return HttpReply::soap(200, soapEnvelope(kMediaStreamUri));
    });

    Json::Value request, result;
    request["ProfileToken"] = "Profile_1";
    request["StreamSetup"]["Stream"] = "RTP-Unicast";
    request["StreamSetup"]["Transport"]["Protocol"] = "HTTP";
    ASSERT_TRUE(getStreamUri(info(), request, result));
    EXPECT_EQ(log.paths(), (std::vector<std::string>{"media2", "media"}));
    EXPECT_EQ(result["MediaUri"]["Uri"].asString(), "rtsp://127.0.0.1/media1");
    EXPECT_FALSE(request.isMember("Protocol"));
    EXPECT_EQ(elementText(mediaBody, "Protocol"), "HTTP");
    EXPECT_NE(request["XAddr"].asString().find("/onvif/media_service"), std::string::npos)
        << "Media must not be sent to the Media2 address";
}

TEST_F(ScriptsMediaTest, StreamUriOverMedia2CarriesTheDerivedProtocolOrNothingIsSent)
{
    offerMedia2();
    std::string media2Body;
    PathLog log;
    m_device->override("GetStreamUri", [&](const HttpRequest& r) {
        log.add(r.target);
        media2Body = r.body;
        return HttpReply::soap(200, soapEnvelope(kMedia2StreamUri));
    });
    Json::Value request, result;
    request["ProfileToken"] = "M2_main";
    request["StreamSetup"]["Stream"] = "RTP-Unicast";
    request["StreamSetup"]["Transport"]["Protocol"] = "HTTP";
    ASSERT_TRUE(getStreamUri(info(), request, result));
    EXPECT_EQ(elementText(media2Body, "Protocol"), "RtspOverHttp");
    EXPECT_EQ(result["MediaUri"]["Uri"].asString(), "rtsp://127.0.0.1/media2");

    request["StreamSetup"]["Transport"]["Protocol"] = "SCTP";
    EXPECT_FALSE(getStreamUri(info(), request, result));
    EXPECT_EQ(log.paths().size(), 1u) << "an unexpressible set-up sends nothing";
}

TEST_F(ScriptsMediaTest, RegistryKeepsOneObjectPerServiceAndLogin)
{
    COnvifServiceRegistry& registry = COnvifServiceRegistry::instance();
    ServerInfo other = info();
    other.password = "changed";
    ServerInfo elsewhere = info();
    elsewhere.address = "127.0.0.2";

    COnvifProtoCore* device = registry.getService("DeviceManagement", info());
    ASSERT_NE(device, nullptr);
    EXPECT_STREQ(device->getServiceName(), "DeviceManagement");
    EXPECT_EQ(registry.getService("DeviceManagement", info()), device);
    EXPECT_NE(registry.getService("MediaCfg", info()), device);
    EXPECT_NE(registry.getService("DeviceManagement", other), device);
    EXPECT_NE(registry.getService("DeviceManagement", elsewhere), device);
    EXPECT_EQ(registry.getService("DeviceManagement", other)->getLoginInfo().m_strPassword, "changed");
    EXPECT_EQ(registry.getService("NoSuchService", info()), nullptr);
}

TEST_F(ScriptsMediaTest, ClockOffsetReachesEveryObjectOfTheLoginAndEveryRequest)
{
    ServerInfo other = info();
    other.userName = "operator";
    setTimeDifferenceAll(other, 7);
    setTimeDifferenceAll(info(), 1234);
    setTimeZoneAll(info(), 28800);
    for (const OnvifServiceRow& row : onvifServiceTable()) {
        COnvifProtoCore* service = COnvifServiceRegistry::instance().getService(row.name, info());
        ASSERT_NE(service, nullptr) << row.name;
        EXPECT_EQ(service->getTimeDifference(), 1234) << row.name;
        EXPECT_EQ(service->getTimeZone(), 28800) << row.name;
        EXPECT_EQ(COnvifServiceRegistry::instance().getService(row.name, other)->getTimeDifference(), 7) << row.name;
    }
    Json::Value request, result;
    request["XAddr"] = m_device->deviceUrl();
    ASSERT_TRUE(getSystemDateAndTime(info(), request, result));
    EXPECT_EQ(request["TimeDifference"].asInt(), 1234);
    EXPECT_FALSE(request["UseStamp"].asBool());
}

TEST(ScriptsClock, SettingTheClockMeasuresTheOffsetAgainForEveryObject)
{
    CannedDevice::Options options;
    options.clockOffsetSeconds = 3600;   // the device runs an hour ahead
    CannedDevice device(options);
    device.loadDefaultCamera();
    std::string sent;
    device.override("SetSystemDateAndTime", [&](const HttpRequest& r) {
        sent = r.body;
        return HttpReply::soap(200, soapEnvelope("<tds:SetSystemDateAndTimeResponse/>"));
    });
    ServerInfo s;
    s.address = "127.0.0.1";
    s.port = static_cast<uint16_t>(device.port());
    s.userName = "admin";
    s.password = "Pa55word!";

    Json::Value request, result;
    request["Date"]["Year"] = 2024;
    request["Date"]["Month"] = 5;
    request["Date"]["Day"] = 6;
    request["Time"]["Hour"] = 7;
    request["Time"]["Minute"] = 8;
    request["Time"]["Second"] = 9;
    request["Time"]["Zone"] = 19800;
    ASSERT_TRUE(setSystemDateAndTime(s, request, result));
    EXPECT_EQ(elementText(sent, "TZ"), "GMT+05:30");
    EXPECT_EQ(elementText(sent, "Year"), "2024");
    EXPECT_EQ(elementText(sent, "DateTimeType"), "Manual");
    for (const OnvifServiceRow& row : onvifServiceTable()) {
        COnvifProtoCore* service = COnvifServiceRegistry::instance().getService(row.name, s);
        // The canned clock is read back an hour ahead; a second may pass in between.
        EXPECT_NEAR(service->getTimeDifference(), 3600, 5) << row.name;
        EXPECT_EQ(service->getTimeZone(), 19800) << row.name;
    }
}

TEST(ScriptsClock, RefusedZoneTextIsTriedOnceInTheOtherSpelling)
{
    CannedDevice device;
    device.loadDefaultCamera();
    std::vector<std::string> zones;
    std::mutex mutex;
    device.override("SetSystemDateAndTime", [&](const HttpRequest& r) {
        std::lock_guard<std::mutex> lock(mutex);
        zones.push_back(elementText(r.body, "TZ"));
        return HttpReply::soap(500, soapFault("ter:InvalidArgVal", "bad zone"));
    });
    ServerInfo s;
    s.address = "127.0.0.1";
    s.port = static_cast<uint16_t>(device.port());
    s.userName = "admin";
    s.password = "Pa55word!";
    Json::Value request, result;
    request["Date"]["Year"] = 2024;
    request["Time"]["Zone"] = -18000;
    EXPECT_FALSE(setSystemDateAndTime(s, request, result));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(zones, (std::vector<std::string>{"GMT-05:00", "UTC+05:00"}));
}
