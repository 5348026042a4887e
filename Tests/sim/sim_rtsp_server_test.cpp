// The simulated device's RTSP server: what DESCRIBE announces for each profile, the stream
// URIs the media services hand out, authentication, session time-out and the method rules.
#include "RtspTestClient.h"
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <thread>

using namespace SimTest;

namespace {

// An open device with one profile per codec: H.264 + G.711, H.265 + AAC, JPEG.
Json::Value CodecDevice()
{
    Json::Value d = BaseDescription();
    d["auth"]["mode"] = "none";
    d["services"]["media2"] = Json::nullValue;
    Json::Value channel;
    channel["videoSource"]["token"] = "VS";
    channel["videoSource"]["width"] = 1920;
    channel["videoSource"]["height"] = 1080;
    const char* rows[][5] = {{"Avc", "H264", "1920", "1080", "G711"},
                             {"Hevc", "H265", "1920", "1080", "AAC"},
                             {"Mjpeg", "JPEG", "640", "360", ""}};
    for (auto& row : rows) {
        Json::Value p;
        p["token"] = row[0];
        p["videoEncoder"]["token"] = std::string("VE_") + row[0];
        p["videoEncoder"]["encoding"] = row[1];
        p["videoEncoder"]["width"] = std::atoi(row[2]);
        p["videoEncoder"]["height"] = std::atoi(row[3]);
        if (*row[4]) {
            p["audioSource"] = "AS";
            p["audioEncoder"] = std::string("AE_") + row[0];
            Json::Value ae;
            ae["token"] = std::string("AE_") + row[0];
            ae["encoding"] = row[4];
            ae["bitrate"] = 64;
            ae["sampleRate"] = std::string(row[4]) == "AAC" ? 16 : 8;
            d["media"]["audioEncoders"].append(ae);
        }
        channel["profiles"].append(p);
    }
    Json::Value options;
    options["encodings"].append("H264");
    options["encodings"].append("H265");
    options["encodings"].append("JPEG");
    d["media"]["audioSources"][0]["token"] = "AS";
    d["media"]["audioSources"][0]["channels"] = 1;
    d["channels"].append(channel);
    return d;
}

class RtspServerTest : public ::testing::Test {
protected:
    std::shared_ptr<OnvifSim::CSimDevice> Start(const Json::Value& description)
    {
        std::string error;
        auto device = m_server.addDevice(description, &error);
        EXPECT_TRUE(device) << error;
        return device;
    }
    std::shared_ptr<OnvifSim::CSimDevice> StartFile(const std::string& name)
    {
        std::string error;
        auto device = m_server.addDeviceFile(OnvifSim::DevicesDir() + "/" + name, &error);
        EXPECT_TRUE(device) << error;
        return device;
    }

    OnvifSim::CSimServer m_server;
};

TEST_F(RtspServerTest, DescribeNamesCodecResolutionAndTracks)
{
    struct {
        const char* profile;
        std::vector<std::string> expected;   // lines the SDP must carry
        int tracks;
    } rows[] = {
        {"Avc", {"m=video 0 RTP/AVP 96", "a=rtpmap:96 H264/90000", "a=framesize:96 1920-1080",
                 "packetization-mode=1", "sprop-parameter-sets=Z", "m=audio 0 RTP/AVP 0", "a=rtpmap:0 PCMU/8000"}, 2},
        {"Hevc", {"a=rtpmap:96 H265/90000", "a=framesize:96 1920-1080", "sprop-vps=", "sprop-sps=", "sprop-pps=",
                  "a=rtpmap:97 MPEG4-GENERIC/16000/1", "mode=AAC-hbr", "config=1408", "sizelength=13"}, 2},
        {"Mjpeg", {"m=video 0 RTP/AVP 26", "a=rtpmap:26 JPEG/90000", "a=framesize:26 640-360"}, 1},
    };
    auto device = Start(CodecDevice());
    ASSERT_TRUE(device);
    ASSERT_NE(device->rtspPort(), 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.profile);
        CRtspTestClient client;
        ASSERT_TRUE(client.connect(device->rtspPort()));
        std::string url = device->rtspUrl(row.profile);
        CRtspReply reply = client.request("DESCRIBE", url, {{"Accept", "application/sdp"}});
        ASSERT_EQ(reply.status, 200);
        EXPECT_EQ(reply.header("Content-Type"), "application/sdp");
        EXPECT_EQ(reply.header("Content-Base"), url + "/");
        for (const auto& line : row.expected)
            EXPECT_NE(reply.body.find(line), std::string::npos) << line << "\n" << reply.body;
        for (int track = 1; track <= row.tracks; ++track)
            EXPECT_NE(reply.body.find("a=control:" + url + "/trackID=" + std::to_string(track)), std::string::npos);
        EXPECT_EQ(reply.body.find("trackID=" + std::to_string(row.tracks + 1)), std::string::npos);
    }
}

// Shipped devices: each profile's encoder picks the clip of its codec, nearest in size.
TEST_F(RtspServerTest, ShippedProfilesAnnounceTheirClips)
{
    struct {
        const char* file;
        const char* profile;
        const char* rtpmap;
        const char* size;
    } rows[] = {
        {"camera-1ch-media.json", "Profile_1", "H264/90000", "1920-1080"},
        {"camera-2ch-media2-h265.json", "Profile_101", "H265/90000", "2560-1440"},
        {"camera-2ch-media2-h265.json", "Profile_102", "H264/90000", "640-360"},
        {"camera-2ch-media2-h265.json", "Profile_103", "H264/90000", "352-288"},   // MPEG4: nearest H.264
        {"camera-2ch-media2-h265.json", "Profile_201", "H265/90000", "1920-1080"},
        {"recorder-4ch.json", "MediaProfile101", "H264/90000", "704-576"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " " + row.profile);
        auto device = StartFile(row.file);
        ASSERT_TRUE(device);
        std::string url = device->rtspUrl(row.profile);
        ASSERT_FALSE(url.empty());
        CRtspTestClient client;
        ASSERT_TRUE(client.connect(device->rtspPort()));
        client.setCredentials("admin", "admin123");
        CRtspReply reply = client.request("DESCRIBE", url);
        ASSERT_EQ(reply.status, 200);
        EXPECT_NE(reply.body.find(row.rtpmap), std::string::npos) << reply.body;
        EXPECT_NE(reply.body.find(std::string("framesize:96 ") + row.size), std::string::npos) << reply.body;
    }
}

// GetStreamUri answers the running server's port, and the URI it gives plays.
TEST_F(RtspServerTest, GetStreamUriCarriesTheServerPort)
{
    auto device = Start(CodecDevice());
    ASSERT_TRUE(device);
    std::string body = "<m:GetStreamUri xmlns:m=\"http://www.onvif.org/ver10/media/wsdl\" "
                       "xmlns:t=\"http://www.onvif.org/ver10/schema\"><m:StreamSetup><t:Stream>RTP-Unicast</t:Stream>"
                       "<t:Transport><t:Protocol>RTSP</t:Protocol></t:Transport></m:StreamSetup>"
                       "<m:ProfileToken>Hevc</m:ProfileToken></m:GetStreamUri>";
    CReply answer = Post(device->serviceUrl("media"), Envelope(body));
    ASSERT_EQ(answer.status, 200) << answer.body;
    pugi::xml_document doc;
    ASSERT_TRUE(ParseXml(answer.body, doc));
    std::string uri = Text(doc, "Uri");
    EXPECT_EQ(uri, device->rtspUrl("Hevc"));
    EXPECT_NE(uri.find(":" + std::to_string(device->rtspPort()) + "/"), std::string::npos) << uri;
    CRtspTestClient client;
    ASSERT_TRUE(client.connect(device->rtspPort()));
    EXPECT_EQ(client.request("DESCRIBE", uri).status, 200);
}

TEST_F(RtspServerTest, AuthenticationFollowsTheDevice)
{
    Json::Value d = CodecDevice();
    d["auth"]["mode"] = "digest";
    d["auth"]["challenges"].append("Digest MD5");
    d["auth"]["challenges"].append("Basic");
    auto device = Start(d);
    ASSERT_TRUE(device);
    std::string url = device->rtspUrl("Avc");
    struct {
        const char* name;
        const char* user;
        const char* password;
        bool basic;
        int status;
    } rows[] = {
        {"no credentials", "", "", false, 401},
        {"digest, right password", "viewer", "viewerpw", false, 200},
        {"digest, wrong password", "viewer", "nope", false, 401},
        {"digest, unknown user", "mallory", "viewerpw", false, 401},
        {"basic, right password", "admin", "adminpw", true, 200},
        {"basic, wrong password", "admin", "adminpwx", true, 401},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CRtspTestClient client;
        ASSERT_TRUE(client.connect(device->rtspPort()));
        if (*row.user)
            client.setCredentials(row.user, row.password, row.basic);
        CRtspReply reply = client.request("DESCRIBE", url);
        EXPECT_EQ(reply.status, row.status);
        if (reply.status == 401) {
            EXPECT_NE(reply.header("WWW-Authenticate").find("Digest realm=\"onvif-sim\""), std::string::npos);
            EXPECT_NE(reply.header("WWW-Authenticate").find("Basic realm="), std::string::npos);
            EXPECT_TRUE(reply.body.empty());
        }
        if (*row.user) {
            EXPECT_EQ(client.lastAuthorization().rfind(row.basic ? "Basic " : "Digest ", 0), 0u);
        }
    }
    // OPTIONS is answered without credentials, so a client can learn the methods first.
    CRtspTestClient anonymous;
    ASSERT_TRUE(anonymous.connect(device->rtspPort()));
    EXPECT_EQ(anonymous.request("OPTIONS", url).status, 200);
}

TEST_F(RtspServerTest, AnswersRefuseWhatCannotBeServed)
{
    auto device = Start(CodecDevice());
    ASSERT_TRUE(device);
    std::string url = device->rtspUrl("Avc");
    unsigned short port = device->rtspPort();
    std::string base = "rtsp://127.0.0.1:" + std::to_string(port);
    struct {
        const char* name;
        const char* method;
        std::string url;
        std::vector<std::pair<std::string, std::string>> headers;
        int status;
    } rows[] = {
        {"unknown stream path", "DESCRIBE", base + "/no/such/stream", {}, 404},
        {"track beyond the profile", "SETUP", url + "/trackID=3", {{"Transport", "RTP/AVP/TCP;unicast"}}, 404},
        {"UDP without client ports", "SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP;unicast"}}, 461},
        {"unknown transport", "SETUP", url + "/trackID=1", {{"Transport", "RAW/RAW/UDP;unicast"}}, 461},
        {"PLAY without a session", "PLAY", url, {}, 454},
        {"PLAY with an unknown session", "PLAY", url, {{"Session", "DEADBEEF"}}, 454},
        {"unknown method", "RECORD", url, {}, 501},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CRtspTestClient client;
        ASSERT_TRUE(client.connect(port));
        EXPECT_EQ(client.request(row.method, row.url, row.headers).status, row.status);
    }
    CRtspTestClient client;
    ASSERT_TRUE(client.connect(port));
    CRtspReply options = client.request("OPTIONS", url);
    EXPECT_NE(options.header("Public").find("GET_PARAMETER"), std::string::npos);
    EXPECT_EQ(options.header("CSeq"), "1");
    // A second profile cannot join a session: one session streams one profile.
    CRtspReply first = client.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP/TCP;unicast"}});
    ASSERT_EQ(first.status, 200);
    EXPECT_EQ(client.request("SETUP", device->rtspUrl("Mjpeg") + "/trackID=1",
                             {{"Transport", "RTP/AVP/TCP;unicast"}, {"Session", first.session()}}).status, 459);
    // A malformed request gets 400 and the connection closes.
    CRtspTestClient bad;
    ASSERT_TRUE(bad.connect(port));
    EXPECT_EQ(bad.request("DESCRIBE", url, {{"Content-Length", "999999999"}}).status, 400);
    EXPECT_TRUE(bad.waitClosed(5000));
}

TEST_F(RtspServerTest, SessionsExpireWithoutKeepAlive)
{
    auto device = Start(CodecDevice());
    ASSERT_TRUE(device);
    device->setRtspSessionTimeout(1);
    std::string url = device->rtspUrl("Mjpeg");
    CRtspTestClient kept, idle;
    ASSERT_TRUE(kept.connect(device->rtspPort()));
    ASSERT_TRUE(idle.connect(device->rtspPort()));
    CRtspReply a = kept.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP/TCP;unicast"}});
    CRtspReply b = idle.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP/TCP;unicast"}});
    ASSERT_EQ(a.status, 200);
    ASSERT_EQ(b.status, 200);
    EXPECT_EQ(a.header("Session"), a.session() + ";timeout=1");
    EXPECT_EQ(device->rtspSessionCount(), 2);
    // Keep one alive with GET_PARAMETER every 300 ms, for three time-outs.
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(kept.request("GET_PARAMETER", url, {{"Session", a.session()}}).status, 200) << i;
    }
    EXPECT_EQ(idle.request("GET_PARAMETER", url, {{"Session", b.session()}}).status, 454);
    EXPECT_EQ(device->rtspSessionCount(), 1);
    EXPECT_EQ(kept.request("SET_PARAMETER", url, {{"Session", a.session()}}, "x: y\r\n").status, 200);
}

TEST_F(RtspServerTest, TeardownEndsTheSessionAndItsMedia)
{
    auto device = Start(CodecDevice());
    ASSERT_TRUE(device);
    std::string url = device->rtspUrl("Avc");
    CRtspTestClient client;
    ASSERT_TRUE(client.connect(device->rtspPort()));
    CRtspReply setup = client.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP/TCP;unicast;interleaved=0-1"}});
    ASSERT_EQ(setup.status, 200);
    ASSERT_EQ(client.request("PLAY", url, {{"Session", setup.session()}}).status, 200);
    uint8_t channel = 0;
    std::string frame;
    ASSERT_TRUE(client.readFrame(channel, frame));
    CRtspReply down = client.request("TEARDOWN", url, {{"Session", setup.session()}});
    EXPECT_EQ(down.status, 200);
    EXPECT_EQ(device->rtspSessionCount(), 0);
    while (client.readFrame(channel, frame, 300)) {
        // drain what was queued before the TEARDOWN was handled (bounded: the stream stopped)
    }
    EXPECT_FALSE(client.readFrame(channel, frame, 1000));
    EXPECT_EQ(client.request("PLAY", url, {{"Session", setup.session()}}).status, 454);
    // Closing the connection ends an interleaved session too.
    CRtspTestClient other;
    ASSERT_TRUE(other.connect(device->rtspPort()));
    ASSERT_EQ(other.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP/TCP;unicast"}}).status, 200);
    EXPECT_EQ(device->rtspSessionCount(), 1);
    other.close();
    for (int i = 0; i < 100 && device->rtspSessionCount() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(device->rtspSessionCount(), 0);
}

// PAUSE stops the media; PLAY resumes it where RTP-Info says, with the sequence unbroken.
TEST_F(RtspServerTest, PauseAndResumeContinueTheStream)
{
    auto device = Start(CodecDevice());
    ASSERT_TRUE(device);
    std::string url = device->rtspUrl("Mjpeg");
    CRtspTestClient client;
    ASSERT_TRUE(client.connect(device->rtspPort()));
    CRtspReply setup = client.request("SETUP", url + "/trackID=1", {{"Transport", "RTP/AVP/TCP;unicast;interleaved=0-1"}});
    ASSERT_EQ(setup.status, 200);
    ASSERT_EQ(client.request("PLAY", url, {{"Session", setup.session()}}).status, 200);
    uint8_t channel = 0;
    std::string frame;
    CRtpPacket last;
    for (int i = 0; i < 5 && client.readFrame(channel, frame); ++i)
        ASSERT_TRUE(channel != 0 || ParseRtp(frame, last));
    ASSERT_EQ(client.request("PAUSE", url, {{"Session", setup.session()}}).status, 200);
    while (client.readFrame(channel, frame, 300)) {
        if (channel == 0)
            ParseRtp(frame, last);
    }
    EXPECT_FALSE(client.readFrame(channel, frame, 500)) << "nothing is sent while paused";
    CRtspReply resume = client.request("PLAY", url, {{"Session", setup.session()}});
    ASSERT_EQ(resume.status, 200);
    std::string info = resume.header("RTP-Info");
    ASSERT_NE(info.find(";seq="), std::string::npos) << info;
    unsigned long seq = std::stoul(info.substr(info.find(";seq=") + 5));
    unsigned long rtptime = std::stoul(info.substr(info.find(";rtptime=") + 9));
    CRtpPacket next;
    do
        ASSERT_TRUE(client.readFrame(channel, frame));
    while (channel != 0);
    ASSERT_TRUE(ParseRtp(frame, next));
    EXPECT_EQ(next.sequence, seq);
    EXPECT_EQ(next.timestamp, rtptime);
    EXPECT_EQ(next.sequence, static_cast<uint16_t>(last.sequence + 1));
    EXPECT_GT(next.timestamp - last.timestamp, 18000u) << "the RTP clock ran on while paused";
}

} // namespace
