// The "rtsp" description member: what it refuses, the benchmark clip it selects, and many
// sessions at once on one device.
#include "RtspTestClient.h"
#include "SimTestClient.h"

#include <gtest/gtest.h>
#include <json/reader.h>

#include <memory>
#include <set>
#include <sstream>

using namespace SimTest;

namespace {

OnvifSim::CDeviceDescription Described(const Json::Value& rtsp)
{
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = "none";
    OnvifSim::CDeviceDescription description;
    std::string error;
    EXPECT_TRUE(OnvifSim::LoadDescription(d, description, error)) << error;
    description.raw["rtsp"] = rtsp;
    return description;
}

Json::Value Parse(const std::string& text)
{
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream in(text);
    EXPECT_TRUE(Json::parseFromStream(builder, in, &value, &errors)) << text;
    return value;
}

TEST(RtspOptionsTest, RefusesBadMembersByName)
{
    struct {
        const char* json;
        const char* member;   // named in the error
    } rows[] = {
        {R"({"prot": 554})", "rtsp.prot"},
        {R"({"port": 70000})", "rtsp.port"},
        {R"({"sessionTimeoutSeconds": 0})", "rtsp.sessionTimeoutSeconds"},
        {R"({"enabled": "yes"})", "rtsp.enabled"},
        {R"({"auth": "digest"})", "rtsp.auth"},
        {R"({"multicastInterface": "eth0"})", "rtsp.multicastInterface"},
        {R"({"multicastTtl": 300})", "rtsp.multicastTtl"},
        {R"({"multicast": {"Main": {"address": "10.0.0.1"}}})", "rtsp.multicast.Main"},
        {R"({"multicast": {"Main": {"address": "239.1.1.1", "port": 80}}})", "rtsp.multicast.Main.port"},
        {R"({"fault": "explode"})", "rtsp.fault"},
        {R"([1, 2])", "rtsp"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.json);
        OnvifSim::CSimServer server;
        std::string error;
        OnvifSim::SetLogEnabled(false);
        auto device = server.addDevice(Described(Parse(row.json)), &error);
        OnvifSim::SetLogEnabled(true);
        EXPECT_FALSE(device);
        EXPECT_NE(error.find(row.member), std::string::npos) << error;
    }
}

TEST(RtspOptionsTest, DisabledServerAndFixedPort)
{
    OnvifSim::CSimServer server;
    auto off = server.addDevice(Described(Parse(R"({"enabled": false})")));
    ASSERT_TRUE(off);
    EXPECT_EQ(off->rtspPort(), 0);
    EXPECT_EQ(off->rtspUrl("Profile_1"), "");
    auto any = server.addDevice(Described(Json::Value()));
    ASSERT_TRUE(any);
    unsigned short port = any->rtspPort();
    ASSERT_NE(port, 0);
    // The same fixed port twice: the second device cannot start.
    std::string error;
    Json::Value fixed;
    fixed["port"] = port;
    EXPECT_FALSE(server.addDevice(Described(fixed), &error));
    EXPECT_NE(error.find("RTSP"), std::string::npos) << error;
}

TEST(RtspOptionsTest, BenchmarkClipAndManySessions)
{
    OnvifSim::CSimServer server;
    auto device = server.addDevice(Described(Parse(R"({"benchmarkClip": true})")));
    ASSERT_TRUE(device);
    std::string url = device->rtspUrl("Profile_1");
    CRtspTestClient probe;
    ASSERT_TRUE(probe.connect(device->rtspPort()));
    CRtspReply describe = probe.request("DESCRIBE", url);
    ASSERT_EQ(describe.status, 200);
    EXPECT_NE(describe.body.find("a=framesize:96 1280-720"), std::string::npos) << describe.body;
    EXPECT_NE(describe.body.find("profile-level-id=64"), std::string::npos) << "the High-profile benchmark clip";

    // 64 sessions on one device, each getting its own consecutive packets.
    constexpr int kSessions = 64;
    std::vector<std::unique_ptr<CRtspTestClient>> clients;
    for (int i = 0; i < kSessions; ++i) {
        clients.push_back(std::make_unique<CRtspTestClient>());
        ASSERT_TRUE(clients.back()->connect(device->rtspPort()));
        CRtspReply setup = clients.back()->request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP/TCP;unicast"}});
        ASSERT_EQ(setup.status, 200) << i;
        ASSERT_EQ(clients.back()->request("PLAY", url, {{"Session", setup.session()}}).status, 200) << i;
    }
    EXPECT_EQ(device->rtspSessionCount(), kSessions);
    std::set<uint32_t> ssrcs;
    for (auto& client : clients) {
        uint8_t channel = 0;
        std::string frame;
        CRtpPacket first, second;
        ASSERT_TRUE(client->readFrame(channel, frame, 10000));
        while (channel != 0 && client->readFrame(channel, frame, 10000)) {
        }
        ASSERT_TRUE(ParseRtp(frame, first));
        do
            ASSERT_TRUE(client->readFrame(channel, frame, 10000));
        while (channel != 0);
        ASSERT_TRUE(ParseRtp(frame, second));
        EXPECT_EQ(static_cast<uint16_t>(first.sequence + 1), second.sequence);
        ssrcs.insert(first.ssrc);
    }
    EXPECT_EQ(ssrcs.size(), static_cast<size_t>(kSessions)) << "one SSRC per stream";
}

} // namespace
