// The simulator's administration as a client sees it on the wire: which level may call
// which operation, account faults, and the firmware upload endpoint's early answers, its
// one-use address, its refusals and the reboot that drops connections.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "OnvifSim/SimDevice.h"
#include "SimTestClient.h"

using namespace SimTest;

namespace {

CReply callAs(const OnvifSim::CSimDevice& device, const std::string& call, const char* user, const char* password)
{
    return Post(device.serviceUrl(), Envelope(call, WsseHeader(user, password, XsDateTime(NowSeconds()))));
}

long postAs(const OnvifSim::CSimDevice& device, const std::string& call, const char* user, const char* password)
{
    return callAs(device, call, user, password).status;
}

// The text of the first element `local` of an answer.
std::string answerText(const CReply& reply, const char* local)
{
    pugi::xml_document doc;
    return ParseXml(reply.body, doc) ? Text(doc, local) : std::string();
}

TEST(SimAdmin, EveryOperationHasItsLeastLevel)
{
    OnvifSim::CSimServer server;
    auto device = StartDevice(server, BaseDescription());
    ASSERT_TRUE(device);
    const struct {
        const char* call;
        long viewer, op, admin;
    } cases[] = {
        {"GetNetworkInterfaces", 200, 200, 200},
        {"GetNetworkProtocols", 200, 200, 200},
        {"GetHostname", 200, 200, 200},
        {"GetUsers", 401, 401, 200},
        {"StartFirmwareUpgrade", 401, 401, 200},
    };
    for (const auto& c : cases) {
        const std::string call = DeviceCall(c.call);
        EXPECT_EQ(c.viewer, postAs(*device, call, "viewer", "viewerpw")) << c.call;
        EXPECT_EQ(c.op, postAs(*device, call, "op", "oppw")) << c.call;
        EXPECT_EQ(c.admin, postAs(*device, call, "admin", "adminpw")) << c.call;
    }
    // A change of settings: refused below Administrator, and the refusal changes nothing.
    const std::string rename = DeviceCall("SetHostname", "<d:Name>renamed</d:Name>");
    EXPECT_EQ(401, postAs(*device, rename, "viewer", "viewerpw"));
    EXPECT_EQ(401, postAs(*device, rename, "op", "oppw"));
    EXPECT_EQ("sim-camera", answerText(callAs(*device, DeviceCall("GetHostname"), "viewer", "viewerpw"), "Name"));
}

TEST(SimAdmin, AccountFaultsNameTheProblem)
{
    OnvifSim::CSimServer server;
    auto device = StartDevice(server, BaseDescription());
    ASSERT_TRUE(device);
    const struct {
        const char* operation;
        const char* inner;
        std::vector<std::string> subcodes;
    } cases[] = {
        {"CreateUsers", "<d:User><t:Username>op</t:Username><t:Password>x</t:Password><t:UserLevel>User</t:UserLevel>"
                        "</d:User>",
         {"OperationProhibited", "UsernameClash"}},
        {"CreateUsers", "<d:User><t:Username>anon</t:Username><t:UserLevel>Anonymous</t:UserLevel></d:User>",
         {"InvalidArgVal", "AnonymousNotAllowed"}},
        {"DeleteUsers", "<d:Username>ghost</d:Username>", {"InvalidArgVal", "UsernameMissing"}},
        // The only administrator cannot go, nor lose the level.
        {"DeleteUsers", "<d:Username>admin</d:Username>", {"InvalidArgVal", "FixedUser"}},
        {"SetUser", "<d:User><t:Username>admin</t:Username><t:UserLevel>User</t:UserLevel></d:User>",
         {"InvalidArgVal", "FixedUser"}},
    };
    for (const auto& c : cases) {
        const CReply reply = callAs(*device, DeviceCall(c.operation, c.inner), "admin", "adminpw");
        EXPECT_EQ(400, reply.status) << c.inner;
        EXPECT_EQ(c.subcodes, FaultSubcodes(reply.body)) << c.inner << reply.body;
    }
    EXPECT_EQ(3u, device->description().users.size());
}

// The upload port answers a head it will not take at once, before any body is sent.
TEST(SimAdmin, UploadAddressIsOneUseAndRefusalsComeAfterTheHead)
{
    OnvifSim::CSimServer server;
    Json::Value description = BaseDescription();
    description["firmware"]["rebootSeconds"] = 1;
    description["firmware"]["maxBytes"] = 1000;
    auto device = StartDevice(server, description);
    ASSERT_TRUE(device);
    const unsigned short uploadPort = device->description().raw["x-firmwareUploadPort"].asUInt();
    ASSERT_NE(0, uploadPort);

    const CReply start = callAs(*device, DeviceCall("StartFirmwareUpgrade"), "admin", "adminpw");
    ASSERT_EQ(200, start.status);
    const std::string uri = answerText(start, "UploadUri");
    const std::string path = uri.substr(uri.find('/', uri.find("//") + 2));
    EXPECT_EQ("http://127.0.0.1:" + std::to_string(uploadPort) + path, uri);
    EXPECT_EQ("PT1S", answerText(start, "ExpectedDownTime"));

    auto head = [&](const std::string& target, size_t length) {
        return "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(length) +
               "\r\nConnection: close\r\n\r\n";
    };
    // No body follows any of these heads: the answers come anyway, and the connection closes.
    CRawResult challenge = RawExchange(uploadPort, head(path, 500), 3000);
    EXPECT_EQ(0u, challenge.bytes.find("HTTP/1.1 401")) << challenge.bytes;
    EXPECT_NE(std::string::npos, challenge.bytes.find("WWW-Authenticate: Digest"));
    EXPECT_TRUE(challenge.closed);
    CRawResult unknown = RawExchange(uploadPort, head("/onvif/firmware/0123", 500), 3000);
    EXPECT_EQ(0u, unknown.bytes.find("HTTP/1.1 404")) << unknown.bytes;

    // Too large: refused after the authenticated head. A refusal ends the address.
    EXPECT_EQ(500, Post(uri, std::string(2000, 'x'), DigestAs("admin", "adminpw")).status);
    EXPECT_EQ("Refused", device->firmwareStatus()["state"].asString());
    EXPECT_EQ(404, Post(uri, "SIMFW 2.0\nabc", DigestAs("admin", "adminpw")).status);

    // A new address, a good image: accepted, then the device is gone for a second.
    const std::string again = answerText(callAs(*device, DeviceCall("StartFirmwareUpgrade"), "admin", "adminpw"),
                                         "UploadUri");
    EXPECT_EQ(200, Post(again, "SIMFW 2.0\nabc", DigestAs("admin", "adminpw")).status);
    EXPECT_EQ("2.0", device->firmwareStatus()["firmwareVersion"].asString());
    EXPECT_NE(0, Post(device->serviceUrl(), Envelope(DeviceCall("GetSystemDateAndTime"))).curlCode)
        << "connections drop while it reboots";
    long status = 0;
    for (int i = 0; i < 40 && status != 200; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        status = Post(device->serviceUrl(), Envelope(DeviceCall("GetSystemDateAndTime"))).status;
    }
    EXPECT_EQ(200, status) << "back after the reboot";
    EXPECT_EQ("Done", device->firmwareStatus()["state"].asString());
}

} // namespace
