// Replay of a recorded device: a folder of answers served as the camera sent them, with
// only the addresses a client follows pointed at the simulator. A client test is only as
// good as the recording it runs against, so every byte outside those addresses must come
// back unchanged, and a folder that cannot be served must say which file is wrong.
#include "RtspTestClient.h"
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

using namespace SimTest;
namespace fs = std::filesystem;

namespace {

const char kMediaNs[] = "http://www.onvif.org/ver10/media/wsdl";
const char kMedia2Ns[] = "http://www.onvif.org/ver20/media/wsdl";
const char kEventsNs[] = "http://www.onvif.org/ver10/events/wsdl";
const char kWsntNs[] = "http://docs.oasis-open.org/wsn/b-2";
const char kSoapXml[] = "application/soap+xml; charset=utf-8";

std::string CameraA()
{
    return fs::path(__FILE__).parent_path().string() + "/replay/camera-a";
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Recorded(const std::string& file)
{
    return ReadFile(CameraA() + "/" + file);
}

// The request body of an operation in any namespace.
std::string DeviceOp(const std::string& operation)
{
    return Envelope(DeviceCall(operation));
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// A scratch folder for one test, removed afterwards.
class CFolder {
public:
    CFolder()
    {
        static int serial = 0;
        m_path = ::testing::TempDir() + "sim_replay_" + std::to_string(getpid()) + "_" + std::to_string(++serial);
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~CFolder() { fs::remove_all(m_path); }
    CFolder(const CFolder&) = delete;
    CFolder& operator=(const CFolder&) = delete;

    const std::string& path() const { return m_path; }
    CFolder& write(const std::string& name, const std::string& text)
    {
        std::ofstream(m_path + "/" + name, std::ios::binary) << text;
        return *this;
    }
    // A small well-formed answer whose body tells which file it came from.
    CFolder& answer(const std::string& name) { return write(name, Envelope("<Recorded>" + name + "</Recorded>")); }

private:
    std::string m_path;
};

class SimReplay : public ::testing::Test {
protected:
    std::shared_ptr<OnvifSim::CSimDevice> start(const std::string& dir, const OnvifSim::CReplayOptions& options = {})
    {
        std::string error;
        auto device = m_server.addReplayDevice(dir, options, &error);
        EXPECT_TRUE(device) << error;
        return device;
    }

    OnvifSim::CSimServer m_server;
};

struct CServedCase {
    const char* name;
    const char* ns;
    const char* operation;
    const char* file;
    long status;
    const char* contentType;
};

class SimReplayServed : public SimReplay, public ::testing::WithParamInterface<CServedCase> {};

// Answers without addresses come back byte for byte, with the manifest's status and type.
TEST_P(SimReplayServed, BytesStatusAndContentTypeAsRecorded)
{
    const CServedCase& c = GetParam();
    auto device = start(CameraA());
    ASSERT_TRUE(device);
    CReply reply = Post(device->serviceUrl(), Call(c.ns, c.operation));
    ASSERT_EQ(reply.curlCode, 0);
    EXPECT_EQ(reply.status, c.status);
    EXPECT_EQ(reply.header("Content-Type"), c.contentType);
    EXPECT_EQ(reply.body, Recorded(c.file));
}

INSTANTIATE_TEST_SUITE_P(CameraA, SimReplayServed, ::testing::Values(
    CServedCase{"DateAndTime", "http://www.onvif.org/ver10/device/wsdl", "GetSystemDateAndTime",
                "device.GetSystemDateAndTime.xml", 200, kSoapXml},
    CServedCase{"ManifestContentType", "http://www.onvif.org/ver10/device/wsdl", "GetDeviceInformation",
                "device.GetDeviceInformation.xml", 200,
                "application/soap+xml; charset=UTF-8; "
                "action=\"http://www.onvif.org/ver10/device/wsdl/GetDeviceInformation\""},
    CServedCase{"Profiles", kMediaNs, "GetProfiles", "media.GetProfiles.xml", 200, kSoapXml},
    CServedCase{"RecordedFaultWithStatus500", kMediaNs, "GetVideoSourceModes", "media.GetVideoSourceModes.xml", 500,
                kSoapXml},
    CServedCase{"PlainVariant", kEventsNs, "PullMessages", "events.PullMessages.xml", 200, kSoapXml}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimReplay, AddressesPointAtTheSimulatorAndNothingElseChanges)
{
    auto device = start(CameraA());
    ASSERT_TRUE(device);
    std::string base = device->baseUrl();
    CReply caps = Post(device->serviceUrl(), DeviceOp("GetCapabilities"));
    std::string expected = Recorded("device.GetCapabilities.xml");
    expected = ReplaceAll(expected, "http://192.168.0.20:80/", base + "/");
    expected = ReplaceAll(expected, "http://192.168.0.20/", base + "/");
    EXPECT_EQ(caps.body, expected);

    // Stream addresses name the replayed device's own RTSP server, which streams its clips there.
    CReply stream = Post(device->serviceUrl(), Call(kMediaNs, "GetStreamUri"));
    EXPECT_EQ(stream.body, ReplaceAll(Recorded("media.GetStreamUri.xml"), "rtsp://192.168.0.20:554/",
                                      "rtsp://127.0.0.1:" + std::to_string(device->rtspPort()) + "/"));

    // Subscription addresses follow the simulator; the producer's address and the topic
    // dialect are not addresses a client calls, so they stay.
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(Post(device->serviceUrl(), Call(kEventsNs, "CreatePullPointSubscription")).body, doc));
    EXPECT_EQ(Text(FindLocal(doc, "SubscriptionReference"), "Address"),
              base + "/onvif/Events/PullSubManager_2024-03-18T06:41:09Z_3");
    ASSERT_TRUE(device->setReplayVariant("events.PullMessages", "Motion"));
    CReply motion = Post(device->serviceUrl(), Call(kEventsNs, "PullMessages"));
    std::string sub = "<wsa:Address>http://192.168.0.20/onvif/Events/PullSub";
    EXPECT_EQ(motion.body, ReplaceAll(Recorded("events.PullMessagesMotion.xml"), sub,
                                      "<wsa:Address>" + base + "/onvif/Events/PullSub"));
    EXPECT_NE(motion.body.find("<wsa:Address>http://192.168.0.20/onvif/event_service<"), std::string::npos);
}

TEST_F(SimReplay, AddressesFollowTheHostTheClientUsedAndTheRtspPortOption)
{
    OnvifSim::CReplayOptions options;
    options.rtspPort = 8554;
    auto device = start(CameraA(), options);
    ASSERT_TRUE(device);
    COptions host = WithHeader("Host: camera.test:8080");
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(Post(device->serviceUrl(), DeviceOp("GetCapabilities"), host).body, doc));
    EXPECT_EQ(Text(FindLocal(doc, "Media"), "XAddr"), "http://camera.test:8080/onvif/media_service");
    EXPECT_EQ(Text(FindLocal(doc, "Events"), "XAddr"), "http://camera.test:8080/onvif/event_service");
    ASSERT_TRUE(ParseXml(Post(device->serviceUrl(), Call(kMediaNs, "GetStreamUri"), host).body, doc));
    EXPECT_EQ(Text(doc, "Uri"),
              "rtsp://camera.test:8554/Streaming/Channels/101?transportmode=unicast&profile=Profile_1");
    // No port recorded: the rewritten address takes the one asked for.
    ASSERT_TRUE(ParseXml(Post(device->serviceUrl(), Call(kMedia2Ns, "GetStreamUri"), host).body, doc));
    EXPECT_EQ(Text(doc, "Uri"), "rtsp://camera.test:8554/Streaming/Channels/102");
}

TEST_F(SimReplay, KeepAddressesServesEveryAnswerAsRecorded)
{
    OnvifSim::CReplayOptions options;
    options.keepAddresses = true;
    auto device = start(CameraA(), options);
    ASSERT_TRUE(device);
    EXPECT_EQ(Post(device->serviceUrl(), DeviceOp("GetCapabilities")).body, Recorded("device.GetCapabilities.xml"));
    EXPECT_EQ(Post(device->serviceUrl(), Call(kMediaNs, "GetStreamUri")).body, Recorded("media.GetStreamUri.xml"));
    EXPECT_EQ(Post(device->serviceUrl(), Call(kEventsNs, "CreatePullPointSubscription")).body,
              Recorded("events.CreatePullPointSubscription.xml"));
}

// Addresses in CDATA, lists of several, with a user or an IPv6 host, and look-alikes that
// are no address a client follows.
TEST_F(SimReplay, AddressFormsInsideFollowedElements)
{
    CFolder folder;
    folder.write("device.GetServices.xml", Envelope(
        "<GetServicesResponse xmlns=\"http://www.onvif.org/ver10/device/wsdl\">"
        "<XAddr><![CDATA[https://[fe80::1]:8443/a]]></XAddr>"
        "<XAddrs>http://10.0.0.5/x HTTP://user@10.0.0.6:81/y</XAddrs>"
        "<Uri>ftp://10.0.0.7/z xhttp://10.0.0.8/w</Uri>"
        "<Namespace>http://10.0.0.9/not-an-address</Namespace>"
        "<Address>http://10.0.0.10/outside-a-subscription</Address>"
        "</GetServicesResponse>"));
    auto device = start(folder.path());
    ASSERT_TRUE(device);
    std::string base = device->baseUrl();
    std::string authority = base.substr(std::string("http://").size());
    std::string body = Post(device->serviceUrl(), DeviceOp("GetServices")).body;
    EXPECT_NE(body.find("<XAddr><![CDATA[" + base + "/a]]></XAddr>"), std::string::npos) << body;
    EXPECT_NE(body.find("<XAddrs>" + base + "/x http://user@" + authority + "/y</XAddrs>"), std::string::npos) << body;
    EXPECT_NE(body.find("<Uri>ftp://10.0.0.7/z xhttp://10.0.0.8/w</Uri>"), std::string::npos) << body;
    EXPECT_NE(body.find("<Namespace>http://10.0.0.9/not-an-address</Namespace>"), std::string::npos) << body;
    EXPECT_NE(body.find("<Address>http://10.0.0.10/outside-a-subscription</Address>"), std::string::npos) << body;
}

TEST_F(SimReplay, BrokenRecordedXmlIsServedAsSent)
{
    CFolder folder;
    std::string broken = "<html><body>502 Bad Gateway http://192.168.0.20/</body>";
    folder.write("device.GetHostname.xml", broken)
        .write("manifest.json",
               R"({"responses": {"device.GetHostname": {"status": 502, "contentType": "text/html"}}})");
    auto device = start(folder.path());
    ASSERT_TRUE(device);
    CReply reply = Post(device->serviceUrl(), DeviceOp("GetHostname"));
    EXPECT_EQ(reply.status, 502);
    EXPECT_EQ(reply.header("Content-Type"), "text/html");
    EXPECT_EQ(reply.body, broken);
}

struct CUnknownCase {
    const char* name;
    const char* ns;
    const char* operation;
};

class SimReplayUnknown : public SimReplay, public ::testing::WithParamInterface<CUnknownCase> {};

TEST_P(SimReplayUnknown, GetsActionNotSupported)
{
    auto device = start(CameraA());
    ASSERT_TRUE(device);
    CReply reply = Post(device->serviceUrl(), Call(GetParam().ns, GetParam().operation));
    EXPECT_EQ(reply.status, 500);
    EXPECT_EQ(FaultCode(reply.body), "Receiver");
    EXPECT_EQ(FaultSubcodes(reply.body), std::vector<std::string>{"ActionNotSupported"});
}

INSTANTIATE_TEST_SUITE_P(CameraA, SimReplayUnknown, ::testing::Values(
    CUnknownCase{"NotRecorded", "http://www.onvif.org/ver10/device/wsdl", "GetHostname"},
    CUnknownCase{"ShorterNameOfARecordedAction", kMediaNs, "GetProfile"},
    CUnknownCase{"RecordedUnderAnotherService", "http://www.onvif.org/ver10/device/wsdl", "GetProfiles"},
    CUnknownCase{"VariantNameIsNoAction", kEventsNs, "PullMessagesMotion"},
    CUnknownCase{"ServiceNotRecorded", "http://www.onvif.org/ver20/ptz/wsdl", "GetNodes"},
    CUnknownCase{"ForeignNamespace", "urn:example:vendor", "GetProfiles"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimReplay, ServiceIsToldByNamespaceOnAnyPath)
{
    auto device = start(CameraA());
    ASSERT_TRUE(device);
    // Clients call the paths the camera advertised; the namespace picks the file.
    std::string url = device->baseUrl() + "/onvif/Media";
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(Post(url, Call(kMediaNs, "GetStreamUri")).body, doc));
    EXPECT_NE(Text(doc, "Uri").find("/Streaming/Channels/101"), std::string::npos);
    ASSERT_TRUE(ParseXml(Post(url, Call(kMedia2Ns, "GetStreamUri")).body, doc));
    EXPECT_NE(Text(doc, "Uri").find("/Streaming/Channels/102"), std::string::npos);

    // Renew and friends arrive in the WS-BaseNotification namespace and are events answers.
    CFolder folder;
    folder.answer("events.Renew.xml").answer("device.GetServiceCapabilities.xml").answer(
        "events.GetServiceCapabilities.xml");
    auto recorded = start(folder.path() + "/");   // a trailing slash names the same folder
    ASSERT_TRUE(recorded);
    EXPECT_EQ(Post(recorded->serviceUrl(), Call(kWsntNs, "Renew")).body, ReadFile(folder.path() + "/events.Renew.xml"));
    EXPECT_EQ(Post(recorded->serviceUrl(), Call(kEventsNs, "GetServiceCapabilities")).body,
              ReadFile(folder.path() + "/events.GetServiceCapabilities.xml"));
    EXPECT_EQ(Post(recorded->serviceUrl(), DeviceOp("GetServiceCapabilities")).body,
              ReadFile(folder.path() + "/device.GetServiceCapabilities.xml"));
}

// What a recording cannot hold comes from the simulator: the clock when the folder has
// none, a picture at the recorded snapshot addresses, its clips at the recorded stream ones.
TEST_F(SimReplay, ClockPictureAndStreamOfItsOwn)
{
    CFolder folder;
    folder.write("media.GetSnapshotUri.xml", Envelope(
        "<GetSnapshotUriResponse xmlns=\"http://www.onvif.org/ver10/media/wsdl\"><MediaUri>"
        "<Uri>http://192.168.0.20/cgi-bin/snapshot.cgi?channel=1&amp;size=2</Uri></MediaUri>"
        "</GetSnapshotUriResponse>"));
    folder.write("media.GetStreamUri.xml", Envelope(
        "<GetStreamUriResponse xmlns=\"http://www.onvif.org/ver10/media/wsdl\"><MediaUri>"
        "<Uri>rtsp://192.168.0.20:554/Streaming/Channels/101?transportmode=unicast</Uri></MediaUri>"
        "</GetStreamUriResponse>"));
    auto device = start(folder.path());
    ASSERT_TRUE(device);

    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(Post(device->serviceUrl(), DeviceOp("GetSystemDateAndTime")).body, doc));
    pugi::xml_node utc = FindLocal(doc, "UTCDateTime");
    ASSERT_TRUE(utc);
    struct tm parts {};
    parts.tm_year = std::stoi(Text(utc, "Year")) - 1900;
    parts.tm_mon = std::stoi(Text(utc, "Month")) - 1;
    parts.tm_mday = std::stoi(Text(utc, "Day"));
    parts.tm_hour = std::stoi(Text(utc, "Hour"));
    parts.tm_min = std::stoi(Text(utc, "Minute"));
    parts.tm_sec = std::stoi(Text(utc, "Second"));
    EXPECT_LE(std::llabs(static_cast<long long>(timegm(&parts) - time(nullptr))), 5);
    EXPECT_EQ(Post(device->serviceUrl(), DeviceOp("GetHostname")).status, 500);   // still only the clock

    CHttpClient http;
    CReply picture = http.get(device->baseUrl() + "/cgi-bin/snapshot.cgi?channel=1&size=2");
    EXPECT_EQ(picture.status, 200);
    EXPECT_EQ(picture.header("Content-Type"), "image/jpeg");
    EXPECT_EQ(picture.body.substr(0, 2), "\xff\xd8");
    // Any other path is one of the device's SOAP paths, which take POST only.
    EXPECT_EQ(http.get(device->baseUrl() + "/cgi-bin/other.cgi").status, 405);

    ASSERT_TRUE(ParseXml(Post(device->serviceUrl(), Call(kMediaNs, "GetStreamUri")).body, doc));
    const std::string uri = Text(doc, "Uri");
    EXPECT_EQ(uri, "rtsp://127.0.0.1:" + std::to_string(device->rtspPort()) +
                       "/Streaming/Channels/101?transportmode=unicast");
    CRtspTestClient rtsp;
    ASSERT_TRUE(rtsp.connect(device->rtspPort()));
    CRtspReply described = rtsp.request("DESCRIBE", uri, {{"Accept", "application/sdp"}});
    EXPECT_EQ(described.status, 200);
    EXPECT_NE(described.body.find("m=video"), std::string::npos) << described.body;
    const std::string other = "rtsp://127.0.0.1:" + std::to_string(device->rtspPort()) + "/Streaming/Channels/999";
    EXPECT_EQ(rtsp.request("DESCRIBE", other).status, 404);
}

TEST_F(SimReplay, VariantsChosenThroughTheApi)
{
    auto device = start(CameraA());
    ASSERT_TRUE(device);
    auto pull = [&] { return Post(device->serviceUrl(), Call(kEventsNs, "PullMessages")).body; };
    std::string plain = Recorded("events.PullMessages.xml");
    EXPECT_EQ(pull(), plain);
    ASSERT_TRUE(device->setReplayVariant("events.PullMessages", "Motion"));
    EXPECT_NE(pull().find("IsMotion"), std::string::npos);
    EXPECT_NE(pull().find("IsMotion"), std::string::npos);   // stays until changed
    ASSERT_TRUE(device->setReplayVariant("events.PullMessages", ""));
    EXPECT_EQ(pull(), plain);

    std::string error;
    EXPECT_FALSE(device->setReplayVariant("events.PullMessages", "Tamper", &error));
    EXPECT_NE(error.find("variants: Motion"), std::string::npos) << error;
    EXPECT_FALSE(device->setReplayVariant("media.GetOSDs", "", &error));
    EXPECT_NE(error.find("media.GetOSDs"), std::string::npos) << error;
    auto described = m_server.addDevice(BaseDescription());
    ASSERT_TRUE(described);
    EXPECT_FALSE(described->setReplayVariant("events.PullMessages", "Motion", &error));
    EXPECT_NE(error.find("not replayed"), std::string::npos) << error;
}

TEST_F(SimReplay, VariantsCycleInSortedOrderUntilOneIsChosen)
{
    CFolder folder;
    folder.answer("events.PullMessages.xml").answer("events.PullMessagesZeta.xml").answer(
        "events.PullMessagesAlpha.xml");
    folder.write("manifest.json", R"({"responses": {"events.PullMessagesZeta": {"status": 202}}})");
    OnvifSim::CReplayOptions options;
    options.cycleVariants = true;
    auto device = start(folder.path(), options);
    ASSERT_TRUE(device);
    long status = 0;
    auto pull = [&] {
        CReply reply = Post(device->serviceUrl(), Call(kEventsNs, "PullMessages"));
        status = reply.status;
        pugi::xml_document doc;
        ParseXml(reply.body, doc);
        return Text(doc, "Recorded");
    };
    const std::pair<const char*, long> turns[] = {{"events.PullMessages.xml", 200},
                                                  {"events.PullMessagesAlpha.xml", 200},
                                                  {"events.PullMessagesZeta.xml", 202},
                                                  {"events.PullMessages.xml", 200}};
    for (const auto& [file, expectedStatus] : turns) {
        EXPECT_EQ(pull(), file);
        EXPECT_EQ(status, expectedStatus) << file;
    }
    ASSERT_TRUE(device->setReplayVariant("events.PullMessages", "Zeta"));
    EXPECT_EQ(pull(), "events.PullMessagesZeta.xml");
    EXPECT_EQ(pull(), "events.PullMessagesZeta.xml");
    ASSERT_TRUE(device->setReplayVariant("events.PullMessages", ""));
    EXPECT_EQ(pull(), "events.PullMessagesAlpha.xml");   // cycling resumes where it stopped
}

// A variant is a known action plus a suffix starting a new word, or another recorded file's
// name plus one; GetProfiles next to GetProfile stays an action of its own.
TEST_F(SimReplay, VariantsAreToldFromActionsWithLongerNames)
{
    CFolder folder;
    folder.answer("media.GetProfile.xml").answer("media.GetProfiles.xml").answer("media.GetProfilesNight.xml");
    folder.answer("media.GetVideoSourceConfiguration.xml").answer("media.GetVideoSourceConfigurationOptions.xml");
    folder.answer("device.GetVendorThing.xml").answer("device.GetVendorThingAlt.xml").answer(
        "device.GetVendorThings.xml");
    auto device = start(folder.path());
    ASSERT_TRUE(device);
    auto served = [&](const std::string& ns, const std::string& operation) {
        pugi::xml_document doc;
        ParseXml(Post(device->serviceUrl(), Call(ns, operation)).body, doc);
        return Text(doc, "Recorded");
    };
    EXPECT_EQ(served(kMediaNs, "GetProfile"), "media.GetProfile.xml");
    EXPECT_EQ(served(kMediaNs, "GetProfiles"), "media.GetProfiles.xml");
    EXPECT_EQ(served(kMediaNs, "GetVideoSourceConfigurationOptions"), "media.GetVideoSourceConfigurationOptions.xml");
    const std::string deviceNs = "http://www.onvif.org/ver10/device/wsdl";
    EXPECT_EQ(served(deviceNs, "GetVendorThings"), "device.GetVendorThings.xml");
    EXPECT_TRUE(device->setReplayVariant("media.GetProfiles", "Night"));
    EXPECT_EQ(served(kMediaNs, "GetProfiles"), "media.GetProfilesNight.xml");
    EXPECT_TRUE(device->setReplayVariant("device.GetVendorThing", "Alt"));
    EXPECT_EQ(served(deviceNs, "GetVendorThing"), "device.GetVendorThingAlt.xml");
    EXPECT_FALSE(device->setReplayVariant("media.GetProfile", "s"));
}

TEST_F(SimReplay, ManifestAuthUsesTheDeviceAuthentication)
{
    CFolder folder;
    folder.answer("device.GetSystemDateAndTime.xml").answer("media.GetProfiles.xml");
    folder.write("manifest.json", R"({"auth": {"mode": "digest"},
        "users": [{"name": "admin", "password": "secret", "level": "Administrator"}]})");
    auto device = start(folder.path());
    ASSERT_TRUE(device);
    EXPECT_EQ(Post(device->serviceUrl(), Call(kMediaNs, "GetProfiles")).status, 401);
    EXPECT_EQ(Post(device->serviceUrl(), Call(kMediaNs, "GetProfiles"), DigestAs("admin", "wrong")).status, 401);
    CReply ok = Post(device->serviceUrl(), Call(kMediaNs, "GetProfiles"), DigestAs("admin", "secret"));
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(ok.body, ReadFile(folder.path() + "/media.GetProfiles.xml"));
    EXPECT_EQ(Post(device->serviceUrl(), DeviceOp("GetSystemDateAndTime")).status, 200);   // anonymous by default
    auto log = device->requests();
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const auto& r) { return r.user == "admin"; }));
}

TEST_F(SimReplay, RequestLogAndArmedFaultsApply)
{
    auto device = start(CameraA());
    ASSERT_TRUE(device);
    OnvifSim::CSimFault fault;
    fault.operation = "GetProfiles";
    fault.kind = OnvifSim::EFaultKind::HttpStatus;
    fault.httpStatus = 503;
    fault.count = 1;
    device->addFault(fault);
    EXPECT_EQ(Post(device->serviceUrl(), Call(kMediaNs, "GetProfiles")).status, 503);
    EXPECT_EQ(Post(device->serviceUrl(), Call(kMediaNs, "GetProfiles")).status, 200);
    EXPECT_EQ(Post(device->serviceUrl(), Call(kMediaNs, "GetOSDs")).status, 500);
    EXPECT_EQ(device->count("GetProfiles"), 2);
    EXPECT_EQ(device->count("GetOSDs"), 1);
    auto log = device->requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].status, 503);
    EXPECT_EQ(log[1].status, 200);
    EXPECT_EQ(log[2].operation, "GetOSDs");
}

struct CBadFolderCase {
    const char* name;
    void (*make)(CFolder&);
    const char* file;     // the file the message names, relative to the folder ("" the folder)
    const char* reason;
};

void Answer(CFolder& f) { f.answer("device.GetSystemDateAndTime.xml"); }

const CBadFolderCase kBadFolders[] = {
    {"Missing", [](CFolder& f) { fs::remove_all(f.path()); }, "", "no such folder"},
    {"Empty", [](CFolder&) {}, "", "no recorded answers"},
    {"OnlyManifest", [](CFolder& f) { f.write("manifest.json", "{}"); }, "", "no recorded answers"},
    {"OnlyUnusableFiles",
     [](CFolder& f) { f.answer("discovery.ProbeMatches.xml").write("notes.txt", "recorded on Monday"); }, "",
     "no recorded answers"},
    {"ManifestNotJson", [](CFolder& f) { Answer(f); f.write("manifest.json", "{\"responses\": "); },
     "/manifest.json", "invalid JSON"},
    {"ManifestNotObject", [](CFolder& f) { Answer(f); f.write("manifest.json", "[]"); }, "/manifest.json",
     "must be a JSON object"},
    {"ManifestFolder", [](CFolder& f) { Answer(f); fs::create_directory(f.path() + "/manifest.json"); },
     "/manifest.json", "not a regular file"},
    {"AuthWithoutUsers", [](CFolder& f) { Answer(f); f.write("manifest.json", R"({"auth": {"mode": "wsse"}})"); },
     "/manifest.json", "needs at least one user"},
};

class SimReplayBadFolder : public ::testing::TestWithParam<CBadFolderCase> {};

TEST_P(SimReplayBadFolder, IsRefusedNamingTheFileAndReason)
{
    CFolder folder;
    GetParam().make(folder);
    OnvifSim::CSimServer server;
    std::string error;
    EXPECT_FALSE(server.addReplayDevice(folder.path(), {}, &error));
    std::string where = folder.path() + GetParam().file + ": ";
    EXPECT_EQ(error.rfind(where, 0), 0u) << error;
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    EXPECT_TRUE(server.devices().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, SimReplayBadFolder, ::testing::ValuesIn(kBadFolders),
                         [](const auto& info) { return std::string(info.param.name); });

// Folders from other capture tools: what cannot be used costs one warning and is left out,
// the rest is served.
struct CSkippedCase {
    const char* name;
    void (*make)(CFolder&);
    const char* file;      // the file the warning names, relative to the folder
    const char* reason;
};

void PrintTo(const CSkippedCase& c, std::ostream* os) { *os << c.name; }

void Manifest(CFolder& f, const char* json) { f.write("manifest.json", json); }

const CSkippedCase kSkipped[] = {
    {"NoService", [](CFolder& f) { f.answer("GetProfiles.xml"); }, "/GetProfiles.xml", "not of the form"},
    {"UpperCaseService", [](CFolder& f) { f.answer("Media.GetOSDs.xml"); }, "/Media.GetOSDs.xml",
     "unknown service \"Media\""},
    {"ProbeMatch", [](CFolder& f) { f.answer("discovery.ProbeMatches.xml"); }, "/discovery.ProbeMatches.xml",
     "unknown service \"discovery\""},
    {"TwoDots", [](CFolder& f) { f.answer("media.GetProfiles.Night.xml"); }, "/media.GetProfiles.Night.xml",
     "not of the form"},
    {"Notes", [](CFolder& f) { f.write("notes.txt", "recorded on Monday"); }, "/notes.txt", "not of the form"},
    {"Subfolder", [](CFolder& f) { fs::create_directory(f.path() + "/media.GetOSDs.xml"); }, "/media.GetOSDs.xml",
     "not a regular file"},
    {"EntryWithoutFile", [](CFolder& f) { Manifest(f, R"({"responses": {"media.GetOSDs": {}}})"); },
     "/manifest.json", "responses.media.GetOSDs: no file media.GetOSDs.xml"},
    {"StatusOutOfRange", [](CFolder& f) { Manifest(f, R"({"responses": {"media.GetProfiles": {"status": 700}}})"); },
     "/manifest.json", "responses.media.GetProfiles.status: must be between 100 and 599"},
    {"StatusText", [](CFolder& f) { Manifest(f, R"({"responses": {"media.GetProfiles": {"status": "500"}}})"); },
     "/manifest.json", "status: must be an integer"},
    {"EmptyContentType",
     [](CFolder& f) { Manifest(f, R"({"responses": {"media.GetProfiles": {"contentType": ""}}})"); },
     "/manifest.json", "contentType: must not be empty"},
    {"BadAuthMode", [](CFolder& f) { Manifest(f, R"({"auth": {"mode": "magic"}})"); }, "/manifest.json",
     "auth.mode"},
    {"ForeignMember", [](CFolder& f) { Manifest(f, R"({"vendor": "Acme"})"); }, "/manifest.json",
     "vendor: unknown member"},
    {"Services", [](CFolder& f) { Manifest(f, R"({"services": ["device", "media"]})"); }, "/manifest.json",
     "services: a replayed device answers on every path"},
};

// Starts a replay of a folder that is expected to warn, keeping the warnings (and the log quiet).
class SimReplayWarnings : public ::testing::Test {
protected:
    std::shared_ptr<OnvifSim::CSimDevice> start(const CFolder& folder)
    {
        std::string error;
        OnvifSim::SetLogEnabled(false);
        auto device = m_server.addReplayDevice(folder.path(), {}, &error, 0, &m_warnings);
        OnvifSim::SetLogEnabled(true);
        EXPECT_TRUE(device) << error;
        return device;
    }

    OnvifSim::CSimServer m_server;
    std::vector<std::string> m_warnings;
};

class SimReplaySkipped : public SimReplayWarnings, public ::testing::WithParamInterface<CSkippedCase> {};

TEST_P(SimReplaySkipped, WarnsOnceAndServesTheRest)
{
    CFolder folder;
    folder.answer("media.GetProfiles.xml");
    folder.write(".gitkeep", "");   // hidden files are no answers and worth no warning
    GetParam().make(folder);
    auto device = start(folder);
    ASSERT_TRUE(device);
    const std::vector<std::string>& warnings = m_warnings;
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind(folder.path() + GetParam().file + ": ", 0), 0u) << warnings[0];
    EXPECT_NE(warnings[0].find(GetParam().reason), std::string::npos) << warnings[0];
    // Served as recorded, without credentials, with the default status and type.
    CReply reply = Post(device->serviceUrl(), Call(kMediaNs, "GetProfiles"));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.header("Content-Type"), kSoapXml);
    EXPECT_EQ(reply.body, ReadFile(folder.path() + "/media.GetProfiles.xml"));
}

INSTANTIATE_TEST_SUITE_P(Cases, SimReplaySkipped, ::testing::ValuesIn(kSkipped),
                         [](const auto& info) { return std::string(info.param.name); });

// A capture made by another tool: members of its own in the manifest, a WS-Discovery answer
// and a file of a service nobody knows. One warning each; the known answers keep the
// manifest's statuses and content types, and an action of a known service that the
// simulator itself never answers is served as recorded.
TEST_F(SimReplayWarnings, CaptureOfAnotherToolIsServed)
{
    CFolder folder;
    folder.answer("media.GetProfiles.xml").answer("media.GetVideoSourceModes.xml").answer("media.GetVendorExtras.xml");
    folder.answer("discovery.ProbeMatch.xml").answer("onvifx.GetThing.xml");
    folder.write("manifest.json", R"({"captureDate": "2024-03-18T06:41:09Z", "vendor": "Acme", "model": "X-1",
        "responses": {"media.GetProfiles": {"status": 200, "contentType": "application/soap+xml"},
                      "media.GetVideoSourceModes": {"status": 500}}})");
    auto device = start(folder);
    ASSERT_TRUE(device);
    const std::vector<std::string>& warnings = m_warnings;
    for (const char* named : {"captureDate: unknown member", "vendor: unknown member", "model: unknown member",
                              "discovery.ProbeMatch.xml: unknown service", "onvifx.GetThing.xml: unknown service"})
        EXPECT_EQ(std::count_if(warnings.begin(), warnings.end(),
                                [&](const std::string& w) { return w.find(named) != std::string::npos; }),
                  1)
            << named;
    EXPECT_EQ(warnings.size(), 5u);
    CReply profiles = Post(device->serviceUrl(), Call(kMediaNs, "GetProfiles"));
    EXPECT_EQ(profiles.header("Content-Type"), "application/soap+xml");
    EXPECT_EQ(profiles.body, ReadFile(folder.path() + "/media.GetProfiles.xml"));
    EXPECT_EQ(Post(device->serviceUrl(), Call(kMediaNs, "GetVideoSourceModes")).status, 500);
    EXPECT_EQ(Post(device->serviceUrl(), Call(kMediaNs, "GetVendorExtras")).body,
              ReadFile(folder.path() + "/media.GetVendorExtras.xml"));
}

// ---- The executable -----------------------------------------------------------

std::string SimBinary()
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
    return path.substr(0, path.rfind('/') + 1) + "onvif-sim";
}

struct CRun {
    pid_t pid = -1;
    int out = -1;   // stdout and stderr together
};

CRun StartProgram(const std::vector<std::string>& args)
{
    CRun run;
    int fds[2];
    if (pipe(fds) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&run.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        run.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    run.out = fds[0];
    return run;
}

// Output up to the first line starting with `prefix`, or everything until the pipe closes
// or waitMs passes.
std::string ReadUntilLine(int fd, const std::string& prefix, int waitMs)
{
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (text.find("\n" + prefix) == std::string::npos && text.rfind(prefix, 0) != 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buf[4096];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        text.append(buf, static_cast<size_t>(n));
    }
    for (int i = 0; i < 50 && !text.empty() && text.back() != '\n'; ++i) {   // the rest of the line
        char c;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0 || read(fd, &c, 1) != 1)
            break;
        text += c;
    }
    return text;
}

// Exit status, or -1 if the process did not end within waitMs (it is then killed).
int WaitExit(pid_t pid, int waitMs)
{
    for (int i = 0; i < waitMs / 10; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

class SimReplayExecutable : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access(SimBinary().c_str(), X_OK) != 0)
            GTEST_SKIP() << "onvif-sim is not built next to the tests";
    }
};

// The warning says why nothing could be used, then the refusal ends the program.
TEST_F(SimReplayExecutable, NothingUsableExitsWithOne)
{
    CFolder folder;
    folder.answer("Device.GetSystemDateAndTime.xml");
    CRun run = StartProgram({SimBinary(), "--replay", folder.path()});
    ASSERT_GT(run.pid, 0);
    std::string out = ReadUntilLine(run.out, "onvif-sim:", 10000);
    EXPECT_EQ(WaitExit(run.pid, 10000), 1);
    EXPECT_NE(out.find(folder.path() + "/Device.GetSystemDateAndTime.xml: unknown service"), std::string::npos)
        << out;
    EXPECT_NE(out.find("onvif-sim: " + folder.path() + ": no recorded answers"), std::string::npos) << out;
    close(run.out);
}

TEST_F(SimReplayExecutable, ServesTheFolderWithItsOptions)
{
    CRun run = StartProgram({SimBinary(), "--replay", CameraA(), "--keep-addresses", "--cycle-variants"});
    ASSERT_GT(run.pid, 0);
    std::string out = ReadUntilLine(run.out, "http://", 10000);
    size_t at = out.rfind("http://", 0) == 0 ? 0 : out.find("\nhttp://");
    at = at == std::string::npos ? at : out.find("http://", at);
    std::string url = at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
    ASSERT_FALSE(url.empty()) << out;
    EXPECT_EQ(Post(url, DeviceOp("GetCapabilities")).body, Recorded("device.GetCapabilities.xml"));
    EXPECT_EQ(Post(url, Call(kEventsNs, "PullMessages")).body, Recorded("events.PullMessages.xml"));
    EXPECT_EQ(Post(url, Call(kEventsNs, "PullMessages")).body, Recorded("events.PullMessagesMotion.xml"));
    kill(run.pid, SIGTERM);
    EXPECT_EQ(WaitExit(run.pid, 10000), 0);
    close(run.out);
}

} // namespace
