// The information centre filling its slots from a scripted loopback device: what reaches
// the device on a miss, that nothing does on a hit, and how failures of the fetch surface.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <string>

#include "DeviceAnswers.h"
#include "Infra/LastError.h"
#include "LoopbackHttpServer.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifBaseDef.h"

using namespace OnvifTest;
using namespace RPC::Onvif;
using Zentar::Component::ServerInfo;

namespace {

const char* kOps[] = {"GetSystemDateAndTime", "GetServices", "GetCapabilities", "GetDeviceInformation",
                      "GetProfiles", "GetStreamUri", "GetSnapshotUri"};

// A scripted camera. Its service addresses name `host` (set per test: the loopback
// server itself, or a private address that only a port mapping makes reachable); its
// media URIs always name the private address 192.168.7.7, which is never contacted.
struct ScriptedCamera {
    std::string host;
    std::map<std::string, int> statusOf; // operation -> HTTP status to answer (200 when absent)
    std::mutex mutex;
    std::map<std::string, int> counts;

    static std::string operationOf(const std::string& body)
    {
        // The body element comes after the header; look for the first known name in it.
        const size_t bodyAt = body.find("Body");
        const std::string tail = bodyAt == std::string::npos ? body : body.substr(bodyAt);
        size_t best = std::string::npos;
        std::string found;
        for (const char* op : kOps) {
            const size_t at = tail.find(op);
            if (at < best) {
                best = at;
                found = op;
            }
        }
        return found;
    }

    static std::string answer(const std::string& op, const std::string& host)
    {
        if (op == "GetSystemDateAndTime")
            return "<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:DateTimeType>Manual</tt:DateTimeType>"
                   "<tt:DaylightSavings>false</tt:DaylightSavings><tt:UTCDateTime><tt:Time><tt:Hour>10</tt:Hour>"
                   "<tt:Minute>0</tt:Minute><tt:Second>0</tt:Second></tt:Time><tt:Date><tt:Year>2024</tt:Year>"
                   "<tt:Month>5</tt:Month><tt:Day>1</tt:Day></tt:Date></tt:UTCDateTime></tds:SystemDateAndTime>"
                   "</tds:GetSystemDateAndTimeResponse>";
        if (op == "GetServices")
            return "<tds:GetServicesResponse>"
                   "<tds:Service><tds:Namespace>http://www.onvif.org/ver10/device/wsdl</tds:Namespace>"
                   "<tds:XAddr>http://" + host + "/onvif/device_service</tds:XAddr>"
                   "<tds:Version><tt:Major>2</tt:Major><tt:Minor>6</tt:Minor></tds:Version></tds:Service>"
                   "<tds:Service><tds:Namespace>http://www.onvif.org/ver10/media/wsdl</tds:Namespace>"
                   "<tds:XAddr>http://" + host + "/onvif/media_service</tds:XAddr>"
                   "<tds:Version><tt:Major>2</tt:Major><tt:Minor>6</tt:Minor></tds:Version></tds:Service>"
                   "</tds:GetServicesResponse>";
        if (op == "GetCapabilities")
            return "<tds:GetCapabilitiesResponse><tds:Capabilities>"
                   "<tt:Device><tt:XAddr>http://" + host + "/onvif/device_service</tt:XAddr></tt:Device>"
                   "<tt:Media><tt:XAddr>http://" + host + "/onvif/media_from_caps</tt:XAddr></tt:Media>"
                   "<tt:PTZ><tt:XAddr>http://" + host + "/onvif/ptz_service</tt:XAddr></tt:PTZ>"
                   "</tds:Capabilities></tds:GetCapabilitiesResponse>";
        if (op == "GetDeviceInformation")
            return "<tds:GetDeviceInformationResponse><tds:Manufacturer>Acme</tds:Manufacturer>"
                   "<tds:Model>Cam-9</tds:Model><tds:FirmwareVersion>1.0</tds:FirmwareVersion>"
                   "<tds:SerialNumber>42</tds:SerialNumber><tds:HardwareId>h</tds:HardwareId>"
                   "</tds:GetDeviceInformationResponse>";
        if (op == "GetProfiles")
            return "<trt:GetProfilesResponse xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\">" +
                   profile("P0", "S0", "V0") + profile("P1", "S0", "V1") + profile("P2", "S1", "V2") +
                   "</trt:GetProfilesResponse>";
        if (op == "GetStreamUri")
            return "<trt:GetStreamUriResponse xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\"><trt:MediaUri>"
                   "<tt:Uri>rtsp://192.168.7.7:554/live/ch0?proto=tcp</tt:Uri></trt:MediaUri>"
                   "</trt:GetStreamUriResponse>";
        if (op == "GetSnapshotUri")
            return "<trt:GetSnapshotUriResponse xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\"><trt:MediaUri>"
                   "<tt:Uri>http://192.168.7.7/snap.jpg?ch=0</tt:Uri></trt:MediaUri></trt:GetSnapshotUriResponse>";
        return std::string();
    }

    static std::string profile(const char* token, const char* source, const char* encoder)
    {
        return std::string("<trt:Profiles token=\"") + token + "\" fixed=\"true\"><tt:Name>" + token +
               "</tt:Name><tt:VideoSourceConfiguration token=\"VSC_" + source + "\"><tt:Name>v</tt:Name>"
               "<tt:UseCount>1</tt:UseCount><tt:SourceToken>" + source + "</tt:SourceToken>"
               "<tt:Bounds x=\"0\" y=\"0\" width=\"1920\" height=\"1080\"/></tt:VideoSourceConfiguration>"
               "<tt:VideoEncoderConfiguration token=\"" + encoder + "\"><tt:Name>e</tt:Name>"
               "<tt:UseCount>1</tt:UseCount><tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>1920"
               "</tt:Width><tt:Height>1080</tt:Height></tt:Resolution><tt:Quality>5</tt:Quality>"
               "</tt:VideoEncoderConfiguration></trt:Profiles>";
    }

    HttpReply operator()(const HttpRequest& request, size_t)
    {
        const std::string op = operationOf(request.body);
        int status = 200;
        std::string reportedHost;
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++counts[op];
            auto it = statusOf.find(op);
            if (it != statusOf.end())
                status = it->second;
            reportedHost = host;
        }
        if (status == 401)
            return notAuthorizedFault(401);
        if (status != 200)
            return HttpReply::soap(status, soapFault("ter:Action", "refused"));
        return HttpReply::soap(200, soapEnvelope(answer(op, reportedHost)));
    }

    int count(const std::string& op)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return counts[op];
    }
};

class InfoCenterFill : public ::testing::Test {
protected:
    ScriptedCamera camera;
    LoopbackHttpServer server{[this](const HttpRequest& r, size_t i) { return camera(r, i); }};
    COnvifInfoCenter& centre = *COnvifInfoCenter::instance();
    ServerInfo info;

    void SetUp() override
    {
        COnvifBaseComm::instance()->resetOptions();
        info.address = "127.0.0.1";
        info.port = static_cast<uint16_t>(server.port());
        info.userName = "admin";
        info.password = "secret";
        setReportedHost("127.0.0.1:" + std::to_string(server.port()));
        // Each test starts from an empty record, as a fresh login does.
        centre.setCacheValid(info, INFO_SLOT_COUNT, 0);
    }
    void TearDown() override
    {
        centre.setCacheValid(info, INFO_SLOT_COUNT, 0);
        COnvifBaseComm::instance()->resetOptions();
    }

    void setReportedHost(const std::string& host)
    {
        std::lock_guard<std::mutex> lock(camera.mutex);
        camera.host = host;
    }
    std::string local(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(server.port()) + path;
    }
};

TEST_F(InfoCenterFill, ServiceAddressesFetchedOncePerLogin)
{
    Json::Value all(Json::objectValue);
    all["ServiceAddrType"] = "All";
    ASSERT_TRUE(centre.getDeviceCapsInfo(info, all, true));
    EXPECT_EQ(1, camera.count("GetSystemDateAndTime"));
    EXPECT_EQ(1, camera.count("GetServices"));
    EXPECT_EQ(1, camera.count("GetCapabilities"));
    // GetServices spoke first for Media; PTZ is known from GetCapabilities only.
    EXPECT_EQ(local("/onvif/media_service"), all["Service"]["Media"]["XAddr"].asString());
    EXPECT_EQ(local("/onvif/ptz_service"), all["Service"]["PTZ"]["XAddr"].asString());

    Json::Value ptz(Json::objectValue);
    ptz["ServiceAddrType"] = "PTZ";
    ASSERT_TRUE(centre.getDeviceCapsInfo(info, ptz, true));
    EXPECT_EQ(local("/onvif/ptz_service"), ptz["XAddr"].asString());
    EXPECT_EQ(3u, server.requestCount());

    centre.setCacheValid(info, INFO_SLOT_COUNT, 0);
    Json::Value again(Json::objectValue);
    ASSERT_TRUE(centre.getDeviceCapsInfo(info, again, true));
    EXPECT_EQ(2, camera.count("GetServices"));
    EXPECT_EQ(2, camera.count("GetCapabilities"));
}

TEST_F(InfoCenterFill, CapabilitiesStandInWhenServicesFail)
{
    camera.statusOf["GetServices"] = 500;
    Json::Value media(Json::objectValue);
    media["ServiceAddrType"] = "Media";
    ASSERT_TRUE(centre.getDeviceCapsInfo(info, media, true));
    EXPECT_EQ(local("/onvif/media_from_caps"), media["XAddr"].asString());
}

TEST_F(InfoCenterFill, RefusedCredentialsReportedAsSuch)
{
    camera.statusOf["GetServices"] = 401;
    camera.statusOf["GetCapabilities"] = 401;
    Json::Value all(Json::objectValue);
    EXPECT_FALSE(centre.getDeviceCapsInfo(info, all, true));
    EXPECT_EQ(ONVIF_ERR_BAD_CREDENTIALS, Zentar::Infra::getLastError());
    EXPECT_FALSE(centre.isSlotValid(info, INFO_SLOT_SERVICES, true));
}

TEST_F(InfoCenterFill, UnreachableDeviceStopsBeforeAskingForServices)
{
    ServerInfo gone = info;
    gone.port = static_cast<uint16_t>(closedLoopbackPort());
    Json::Value all(Json::objectValue);
    EXPECT_FALSE(centre.getDeviceCapsInfo(gone, all, true));
    EXPECT_EQ(ONVIF_ERR_UNREACHABLE, Zentar::Infra::getLastError());
    EXPECT_EQ(0u, server.requestCount());
}

TEST_F(InfoCenterFill, DeviceInformationFetchedOnce)
{
    Json::Value device;
    ASSERT_TRUE(centre.getDeviceInfo(info, device, true));
    std::string model;
    ASSERT_TRUE(centre.getDeviceInfoField(model, info, "Model"));
    EXPECT_EQ("Cam-9", model);
    Json::Value again;
    ASSERT_TRUE(centre.getDeviceInfo(info, again, true));
    EXPECT_EQ(device, again);
    EXPECT_EQ(1, camera.count("GetDeviceInformation"));

    camera.statusOf["GetDeviceInformation"] = 500;
    centre.setCacheValid(info, INFO_SLOT_DEVICE_INFO, 0);
    std::string manufacturer = "stale";
    EXPECT_FALSE(centre.getDeviceInfoField(manufacturer, info, "Manufacturer"));
    EXPECT_EQ("", manufacturer);
}

TEST_F(InfoCenterFill, ProfilesGroupedAndFetchedOnce)
{
    EXPECT_EQ(2, centre.getProfileCount(info, 0));
    EXPECT_EQ(1, centre.getProfileCount(info, 1));
    Json::Value profile(Json::objectValue);
    profile["RemoteChannel"] = 1;
    profile["StreamType"] = 0;
    ASSERT_TRUE(centre.getProfile(info, profile));
    EXPECT_EQ("P2", profile["token"].asString());
    EXPECT_EQ(1, camera.count("GetProfiles"));
}

TEST_F(InfoCenterFill, UrisBehindAPortMappingNameTheLoginAddress)
{
    info.mediaPort = 10554;
    centre.setCacheValid(info, INFO_SLOT_COUNT, 0);
    setReportedHost("192.168.7.7");

    // Service addresses point back at the login, so the media requests reach this device.
    Json::Value media(Json::objectValue);
    media["ServiceAddrType"] = "Media";
    ASSERT_TRUE(centre.getDeviceCapsInfo(info, media, true));
    EXPECT_EQ(local("/onvif/media_service"), media["XAddr"].asString());

    Json::Value setup;
    setup["StreamSetup"]["Stream"] = "RTP-Unicast";
    setup["StreamSetup"]["Transport"]["Protocol"] = "RTSP";
    std::string stream;
    ASSERT_TRUE(centre.getStreamUrl(stream, info, 0, 1, setup));
    EXPECT_EQ("rtsp://127.0.0.1:10554/live/ch0?proto=tcp", stream);

    std::string snap;
    ASSERT_TRUE(centre.getSnapUrl(snap, info, 0));
    EXPECT_EQ("http://127.0.0.1:" + std::to_string(server.port()) + "/snap.jpg?ch=0", snap);

    // The request named the profile of channel 0, stream 1.
    bool sawToken = false;
    for (const HttpRequest& r : server.requests())
        if (ScriptedCamera::operationOf(r.body) == "GetStreamUri")
            sawToken = elementText(r.body, "ProfileToken") == "P1";
    EXPECT_TRUE(sawToken);

    std::string none = "stale";
    EXPECT_FALSE(centre.getStreamUrl(none, info, 3, 0, setup));
    EXPECT_EQ("", none);
}

TEST_F(InfoCenterFill, UrisWithoutPortMappingStayAsReported)
{
    std::string stream;
    ASSERT_TRUE(centre.getStreamUrl(stream, info, 0, 0, Json::Value()));
    EXPECT_EQ("rtsp://192.168.7.7:554/live/ch0?proto=tcp", stream);
    std::string snap;
    ASSERT_TRUE(centre.getSnapUrl(snap, info, 1));
    EXPECT_EQ("http://192.168.7.7/snap.jpg?ch=0", snap);
    // Addresses and profiles were learnt once for both URIs.
    EXPECT_EQ(1, camera.count("GetServices"));
    EXPECT_EQ(1, camera.count("GetProfiles"));
}

} // namespace
