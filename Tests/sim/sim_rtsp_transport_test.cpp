// Media from the simulated device's RTSP server over every transport (interleaved TCP,
// UDP unicast, multicast, RTSP over HTTP), checked packet by packet: RTP header, sequence,
// timestamps, payload format per codec; and the media faults a test can switch on.
#include "MulticastProbe.h"
#include "RtspTestClient.h"
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

using namespace SimTest;

namespace {

Json::Value StreamDevice()
{
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = "none";
    Json::Value channel;
    channel["videoSource"]["token"] = "VS";
    channel["videoSource"]["width"] = 1920;
    channel["videoSource"]["height"] = 1080;
    const char* rows[][4] = {{"Avc", "H264", "1280", "G711"}, {"Hevc", "H265", "1920", "AAC"}, {"Mjpeg", "JPEG", "640", ""}};
    for (auto& row : rows) {
        Json::Value p;
        p["token"] = row[0];
        p["videoEncoder"]["token"] = std::string("VE_") + row[0];
        p["videoEncoder"]["encoding"] = row[1];
        p["videoEncoder"]["width"] = std::atoi(row[2]);
        p["videoEncoder"]["height"] = std::atoi(row[2]) * 9 / 16;
        if (*row[3]) {
            p["audioSource"] = "AS";
            p["audioEncoder"] = std::string("AE_") + row[0];
            Json::Value ae;
            ae["token"] = std::string("AE_") + row[0];
            ae["encoding"] = row[3];
            ae["bitrate"] = 64;
            ae["sampleRate"] = std::string(row[3]) == "AAC" ? 16 : 8;
            d["media"]["audioEncoders"].append(ae);
        }
        channel["profiles"].append(p);
    }
    d["media"]["audioSources"][0]["token"] = "AS";
    d["media"]["audioSources"][0]["channels"] = 1;
    d["channels"].append(channel);
    return d;
}

// What a run of packets of one stream must look like.
struct CStreamCheck {
    int payloadType;
    uint32_t frameTicks;     // timestamp step between frames (0: only non-decreasing)
};

// Consecutive sequence numbers, one SSRC, version 2, timestamps that only step at frame
// boundaries (after a marker for video) and by the frame duration.
void CheckRun(const std::vector<CRtpPacket>& packets, const CStreamCheck& check, bool video)
{
    ASSERT_GE(packets.size(), 10u);
    for (size_t i = 0; i < packets.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(packets[i].version, 2);
        EXPECT_EQ(packets[i].payloadType, check.payloadType);
        EXPECT_EQ(packets[i].ssrc, packets[0].ssrc);
        if (i == 0)
            continue;
        EXPECT_EQ(static_cast<uint16_t>(packets[i - 1].sequence + 1), packets[i].sequence);
        uint32_t step = packets[i].timestamp - packets[i - 1].timestamp;
        if (video && !packets[i - 1].marker) {
            EXPECT_EQ(step, 0u) << "timestamp changed inside a frame";
        } else if (check.frameTicks) {
            EXPECT_EQ(step, check.frameTicks);
        }
    }
}

// Reads RTP (even channels) until `count` packets of `channel` arrived.
std::vector<CRtpPacket> ReadInterleaved(CRtspTestClient& client, uint8_t wanted, size_t count,
                                        std::vector<std::string>* rtcp = nullptr)
{
    std::vector<CRtpPacket> out;
    uint8_t channel = 0;
    std::string frame;
    for (int i = 0; out.size() < count && i < 5000 && client.readFrame(channel, frame, 5000); ++i) {
        CRtpPacket packet;
        if (channel == wanted && ParseRtp(frame, packet))
            out.push_back(packet);
        else if (channel == wanted + 1 && rtcp)
            rtcp->push_back(frame);
    }
    return out;
}

class RtspTransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        m_device = m_server.addDevice(StreamDevice(), &error);
        ASSERT_TRUE(m_device) << error;
    }

    // SETUP every listed track over TCP (channels 0-1, 2-3 ...) and PLAY.
    std::string PlayTcp(CRtspTestClient& client, const std::string& profile, int tracks)
    {
        std::string url = m_device->rtspUrl(profile);
        std::string session;
        for (int t = 1; t <= tracks; ++t) {
            std::vector<std::pair<std::string, std::string>> headers = {
                {"Transport", "RTP/AVP/TCP;unicast;interleaved=" + std::to_string(2 * t - 2) + "-" +
                                  std::to_string(2 * t - 1)}};
            if (!session.empty())
                headers.emplace_back("Session", session);
            CRtspReply setup = client.request("SETUP", url + "/trackID=" + std::to_string(t), headers);
            EXPECT_EQ(setup.status, 200);
            EXPECT_NE(setup.header("Transport").find("ssrc="), std::string::npos);
            session = setup.session();
        }
        CRtspReply play = client.request("PLAY", url, {{"Session", session}, {"Range", "npt=0.000-"}});
        EXPECT_EQ(play.status, 200);
        EXPECT_EQ(play.header("Range"), "npt=0.000-");
        EXPECT_NE(play.header("RTP-Info").find("url=" + url + "/trackID=1;seq="), std::string::npos);
        return session;
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

// NAL unit types an H.264 stream may use on the wire: single units, STAP-A, FU-A.
bool IsH264PacketType(int type) { return (type >= 1 && type <= 8) || type == 24 || type == 28; }

TEST_F(RtspTransportTest, InterleavedH264WithPcmuAudio)
{
    CRtspTestClient client;
    ASSERT_TRUE(client.connect(m_device->rtspPort()));
    std::string session = PlayTcp(client, "Avc", 2);
    std::vector<CRtpPacket> video;
    std::vector<CRtpPacket> audio;
    uint8_t channel = 0;
    std::string frame;
    for (int i = 0; (video.size() < 120 || audio.size() < 20) && i < 5000 && client.readFrame(channel, frame); ++i) {
        CRtpPacket p;
        if (channel % 2 == 0 && ParseRtp(frame, p))
            (channel == 0 ? video : audio).push_back(p);
    }
    CheckRun(video, {96, 3600}, true);     // 25 fps at 90 kHz
    CheckRun(audio, {0, 160}, false);      // 20 ms at 8 kHz
    ASSERT_FALSE(video.empty());
    // The first packet carries the parameter sets together (STAP-A: SPS then PPS).
    const std::string& first = video.front().payload;
    ASSERT_GE(first.size(), 6u);
    EXPECT_EQ(first[0] & 0x1F, 24);
    EXPECT_EQ(first[3] & 0x1F, 7);
    bool fragmented = false;
    for (const auto& p : video) {
        int type = p.payload[0] & 0x1F;
        EXPECT_TRUE(IsH264PacketType(type)) << type;
        EXPECT_LE(p.payload.size(), 1400u);
        fragmented = fragmented || type == 28;
    }
    EXPECT_TRUE(fragmented) << "a 720p key frame does not fit one packet";
    for (const auto& p : audio)
        EXPECT_EQ(p.payload.size(), 160u);
    EXPECT_EQ(client.request("TEARDOWN", m_device->rtspUrl("Avc"), {{"Session", session}}).status, 200);
}

TEST_F(RtspTransportTest, InterleavedH265AacAndJpegPayloads)
{
    {
        CRtspTestClient client;
        ASSERT_TRUE(client.connect(m_device->rtspPort()));
        PlayTcp(client, "Hevc", 2);
        std::vector<std::string> rtcp;
        auto video = ReadInterleaved(client, 0, 60, &rtcp);
        CheckRun(video, {96, 3600}, true);
        ASSERT_FALSE(video.empty());
        EXPECT_EQ((static_cast<uint8_t>(video.front().payload[0]) >> 1) & 0x3F, 48) << "VPS/SPS/PPS aggregated";
        for (const auto& p : video) {
            int type = (static_cast<uint8_t>(p.payload[0]) >> 1) & 0x3F;
            EXPECT_TRUE(type < 40 || type == 48 || type == 49) << type;
        }
        ASSERT_FALSE(rtcp.empty()) << "a sender report starts each stream";
        EXPECT_EQ(static_cast<uint8_t>(rtcp.front()[1]), 200);
        auto audio = ReadInterleaved(client, 2, 20);
        CheckRun(audio, {97, 1024}, false);
        for (const auto& p : audio) {
            ASSERT_GE(p.payload.size(), 4u);
            EXPECT_TRUE(p.marker);
            size_t auSize = ((static_cast<uint8_t>(p.payload[2]) << 8) | static_cast<uint8_t>(p.payload[3])) >> 3;
            EXPECT_EQ(p.payload.substr(0, 2), std::string("\0\x10", 2));
            EXPECT_EQ(auSize, p.payload.size() - 4);
        }
    }
    CRtspTestClient client;
    ASSERT_TRUE(client.connect(m_device->rtspPort()));
    PlayTcp(client, "Mjpeg", 1);
    auto jpeg = ReadInterleaved(client, 0, 30);
    CheckRun(jpeg, {26, 18000}, true);   // 5 fps
    bool sawFirstFragment = false;
    for (const auto& p : jpeg) {
        ASSERT_GE(p.payload.size(), 8u);
        uint32_t offset = (static_cast<uint8_t>(p.payload[1]) << 16) | (static_cast<uint8_t>(p.payload[2]) << 8) |
                          static_cast<uint8_t>(p.payload[3]);
        EXPECT_EQ(static_cast<uint8_t>(p.payload[5]), 255) << "Q=255: tables in band";
        EXPECT_EQ(static_cast<uint8_t>(p.payload[6]) * 8, 640);
        EXPECT_EQ(static_cast<uint8_t>(p.payload[7]) * 8, 360);
        if (offset == 0) {
            sawFirstFragment = true;
            size_t tableLength = (static_cast<uint8_t>(p.payload[10]) << 8) | static_cast<uint8_t>(p.payload[11]);
            EXPECT_EQ(tableLength, 128u) << "luma and chroma tables";
        }
    }
    EXPECT_TRUE(sawFirstFragment);
}

TEST_F(RtspTransportTest, UdpUnicastFromTheAnnouncedServerPorts)
{
    CUdpReceiver receiver;
    ASSERT_TRUE(receiver.bindPair());
    CRtspTestClient client;
    ASSERT_TRUE(client.connect(m_device->rtspPort()));
    std::string url = m_device->rtspUrl("Avc");
    std::string ports = std::to_string(receiver.port()) + "-" + std::to_string(receiver.port() + 1);
    CRtspReply setup = client.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP;unicast;client_port=" + ports}});
    ASSERT_EQ(setup.status, 200);
    std::string transport = setup.header("Transport");
    EXPECT_NE(transport.find("client_port=" + ports), std::string::npos) << transport;
    size_t at = transport.find("server_port=");
    ASSERT_NE(at, std::string::npos) << transport;
    int serverPort = std::atoi(transport.c_str() + at + 12);
    EXPECT_EQ(serverPort % 2, 0);
    ASSERT_EQ(client.request("PLAY", url, {{"Session", setup.session()}}).status, 200);
    std::vector<CRtpPacket> packets;
    std::string datagram;
    for (int i = 0; packets.size() < 60 && i < 200 && receiver.receive(0, datagram); ++i) {
        CRtpPacket p;
        ASSERT_TRUE(ParseRtp(datagram, p));
        packets.push_back(p);
    }
    CheckRun(packets, {96, 3600}, true);
    ASSERT_TRUE(receiver.receive(1, datagram));
    EXPECT_EQ(static_cast<uint8_t>(datagram[1]), 200);
    uint32_t ssrc = (uint32_t(uint8_t(datagram[4])) << 24) | (uint8_t(datagram[5]) << 16) |
                    (uint8_t(datagram[6]) << 8) | uint8_t(datagram[7]);
    EXPECT_EQ(ssrc, packets.front().ssrc);
    // A UDP session outlives its RTSP connection until TEARDOWN or time-out.
    client.close();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(m_device->rtspSessionCount(), 1);
    EXPECT_TRUE(receiver.receive(0, datagram));
}

TEST_F(RtspTransportTest, TunnelledOverHttp)
{
    CRtspTestClient client;
    ASSERT_TRUE(client.connectTunnel(m_device->port(), "/tunnel"));
    std::string url = m_device->rtspUrl("Avc");
    EXPECT_EQ(client.request("DESCRIBE", url).status, 200);
    // Media can only ride inside the tunnel.
    EXPECT_EQ(client.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP;unicast;client_port=5000-5001"}}).status,
              461);
    CRtspReply setup = client.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP/TCP;unicast;interleaved=0-1"}});
    ASSERT_EQ(setup.status, 200);
    ASSERT_EQ(client.request("PLAY", url, {{"Session", setup.session()}}).status, 200);
    CheckRun(ReadInterleaved(client, 0, 40), {96, 3600}, true);
    // The device's web service still answers other requests on its port.
    CReply soap = Post(m_device->serviceUrl("device"), Envelope(DeviceCall("GetSystemDateAndTime")));
    EXPECT_EQ(soap.status, 200);
}

// Media faults a test can switch on, and the session drop.
TEST_F(RtspTransportTest, MediaFaultsOnDemand)
{
    using OnvifSim::ERtspFault;
    CRtspTestClient client;
    ASSERT_TRUE(client.connect(m_device->rtspPort()));
    std::string session = PlayTcp(client, "Avc", 1);
    ASSERT_FALSE(ReadInterleaved(client, 0, 5).empty());
    uint8_t channel = 0;
    std::string frame;

    m_device->setRtspFault(ERtspFault::TruncatedRtp);
    bool truncated = false;
    for (int i = 0; !truncated && i < 500 && client.readFrame(channel, frame); ++i)
        truncated = frame.size() < 12;
    EXPECT_TRUE(truncated);

    m_device->setRtspFault(ERtspFault::BadRtpVersion);
    bool badVersion = false;
    for (int i = 0; !badVersion && i < 500 && client.readFrame(channel, frame); ++i)
        badVersion = frame.size() >= 12 && (static_cast<uint8_t>(frame[0]) >> 6) == 1;
    EXPECT_TRUE(badVersion);

    m_device->setRtspFault(ERtspFault::Stall);
    while (client.readFrame(channel, frame, 500)) {
        // drain what was sent before the stall
    }
    EXPECT_FALSE(client.readFrame(channel, frame, 1000)) << "a stalled stream sends nothing";
    EXPECT_EQ(client.request("GET_PARAMETER", m_device->rtspUrl("Avc"), {{"Session", session}}).status, 200)
        << "the RTSP dialogue stays up";

    m_device->setRtspFault(ERtspFault::Garbage);
    for (int i = 0; !client.sawGarbage() && i < 20; ++i)
        client.readFrame(channel, frame, 200);
    EXPECT_TRUE(client.sawGarbage());

    m_device->setRtspFault(ERtspFault::None);
    m_device->dropRtspSessions();
    EXPECT_TRUE(client.waitClosed(5000));
    for (int i = 0; i < 100 && m_device->rtspSessionCount() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(m_device->rtspSessionCount(), 0);
}

// Runs a shell command; its exit status.
int Shell(const std::string& command)
{
    int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Multicast: the device sends to its group from the configured interface; a receiver joined
// on that interface gets the stream. Loopback carries it on most machines; where it does not,
// a veth pair in a namespace of our own (root only) gives an interface that does. Skipped only
// when neither can deliver a datagram to its own sender.
TEST(RtspMulticastTest, StreamsToTheGroupOnTheConfiguredInterface)
{
    struct CCleanup {
        std::string ns, host;
        ~CCleanup()
        {
            if (ns.empty()) return;
            Shell("ip link del " + host);
            Shell("ip netns del " + ns);
        }
    } cleanup;
    std::string iface = "127.0.0.1";
    std::string missing = OnvifTest::multicastUnavailable("239.77.1.2", iface.c_str());
    if (!missing.empty()) {
        if (geteuid() != 0)
            GTEST_SKIP() << "no multicast on loopback (" << missing << ") and no root for a veth pair";
        cleanup.ns = "simrtsp" + std::to_string(getpid());
        cleanup.host = "vsr" + std::to_string(getpid() % 100000);
        const std::string& ns = cleanup.ns;
        const std::string& host = cleanup.host;
        // One end stays here (10.77.0.1) for the device, the other end lives in the namespace;
        // the receiver joins on this side's address, which multicast loopback delivers to.
        if (Shell("ip netns add " + ns) != 0 ||
            Shell("ip link add " + host + " type veth peer name " + host + "p") != 0 ||
            Shell("ip link set " + host + "p netns " + ns) != 0 || Shell("ip addr add 10.77.0.1/24 dev " + host) != 0 ||
            Shell("ip link set " + host + " up multicast on") != 0 ||
            Shell("ip netns exec " + ns + " ip link set " + host + "p up") != 0)
            GTEST_SKIP() << "no multicast on loopback (" << missing << ") and the veth pair was refused";
        iface = "10.77.0.1";
        missing = OnvifTest::multicastUnavailable("239.77.1.2", iface.c_str());
        if (!missing.empty())
            GTEST_SKIP() << "no multicast on loopback nor on a veth pair: " << missing;
    }

    OnvifSim::CDeviceDescription description;
    std::string error;
    ASSERT_TRUE(OnvifSim::LoadDescription(StreamDevice(), description, error)) << error;
    Json::Value& rtsp = description.raw["rtsp"];
    rtsp["multicastInterface"] = iface;
    rtsp["multicast"]["Mjpeg"]["address"] = "239.77.1.2";
    rtsp["multicast"]["Mjpeg"]["port"] = 46000;
    rtsp["multicast"]["Mjpeg"]["ttl"] = 1;
    OnvifSim::CSimServer server;
    auto device = server.addDevice(description, &error);
    ASSERT_TRUE(device) << error;

    CUdpReceiver receiver;
    ASSERT_TRUE(receiver.joinGroup("239.77.1.2", 46000, iface));
    CRtspTestClient client;
    ASSERT_TRUE(client.connect(device->rtspPort()));
    std::string url = device->rtspUrl("Mjpeg", true);
    CRtspReply setup = client.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP;multicast"}});
    ASSERT_EQ(setup.status, 200);
    EXPECT_NE(setup.header("Transport").find("multicast;destination=239.77.1.2;port=46000-46001;ttl=1"),
              std::string::npos) << setup.header("Transport");
    ASSERT_EQ(client.request("PLAY", url, {{"Session", setup.session()}}).status, 200);
    std::vector<CRtpPacket> packets;
    std::string datagram;
    for (int i = 0; packets.size() < 20 && i < 100 && receiver.receive(0, datagram); ++i) {
        CRtpPacket p;
        if (ParseRtp(datagram, p))
            packets.push_back(p);
    }
    CheckRun(packets, {26, 18000}, true);
}

} // namespace
