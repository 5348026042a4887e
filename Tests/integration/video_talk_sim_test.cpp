// Two-way audio against the simulated camera: the talk peer opens the stream with the back
// channel, picks the payload matching the host's compression and rate, and every audio
// byte the host puts arrives at the device's back channel under that codec.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Component/FactoryRegistry.h"
#include "Components/VideoTalk/OnvifVideoTalkPeerManager.h"
#include "IClient.h"
#include "IVideoTalkPeer.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/SimServer.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/MediaFrame.h"

using namespace Zentar::Component;

namespace {

class CIgnoreFrames : public Zentar::Stream::IFrameReceiver {
public:
    void onFrame(const Zentar::Stream::CMediaFrame&) override {}
};

// A native audio frame around payload, as a host's encoder hands it over.
Zentar::Stream::CMediaFrame audioFrame(const std::vector<uint8_t>& payload, uint32_t sequence)
{
    RPC::CNativeFrameWriter writer;
    writer.setKind(RPC::NativeFrame::kKindAudio).setSequence(sequence).setTimeNow();
    std::vector<uint8_t> bytes;
    writer.write(payload.data(), payload.size(), bytes);
    Zentar::Stream::CMediaFrame frame;
    frame.assign(bytes.data(), bytes.size());
    frame.setPts(sequence * 20);
    return frame;
}

class VideoTalkAgainstSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        OnvifSim::SetLogEnabled(false);
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
        std::string error;
        OnvifSim::CDeviceDescription description;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description,
                                                  error))
            << error;
        m_device = m_server.addDevice(description, &error);
        ASSERT_TRUE(m_device) << error;
        initOnvifComponentLibrary();
        ServerInfo info;
        info.address = "127.0.0.1";
        info.port = m_device->port();
        info.userName = "admin";
        info.password = "admin123";
        m_client = dynamic_cast<IClient*>(getComponentInstance(IClient::kInterfaceName, "Onvif", &info));
        ASSERT_NE(m_client, nullptr);
        ASSERT_TRUE(m_client->login());
    }
    void TearDown() override
    {
        if (m_client)
            m_client->destroy();
        m_server.stop();
        OnvifSim::SetLogEnabled(true);
    }

    uint64_t receivedBytes(const std::string& codec) { return m_device->backChannelAudio()[codec]["bytes"].asUInt64(); }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    IClient* m_client = nullptr;
};

TEST_F(VideoTalkAgainstSim, EveryAudioByteReachesTheBackChannelUnderTheChosenCodec)
{
    struct Case {
        const char* compression;   // the host's name
        const char* codec;         // what the device's back channel calls it
    } cases[] = {{"G.711U", "PCMU"},
                 {"PCMA", "PCMA"},
                 // Hosts and devices spell G.726 in many ways; any spelling that is not one of
                 // the exact names matches any other.
                 {"G726", "G726-32"}};
    auto* talk = dynamic_cast<RPC::Onvif::COnvifVideoTalkPeerManager*>(m_client->getIVideoTalkPeer());
    ASSERT_NE(nullptr, talk);
    EXPECT_EQ(talk, m_client->getIVideoTalkPeer()) << "one talk peer per client";
    for (const Case& c : cases) {
        Json::Value options;
        options["Compression"] = c.compression;
        options["Frequency"] = 8000;
        ASSERT_TRUE(talk->setOption(options)) << c.compression;
        ASSERT_TRUE(talk->reinvite("0"));
        CIgnoreFrames receiver;
        ASSERT_TRUE(talk->startRecv(&receiver)) << c.compression;
        EXPECT_FALSE(talk->setOption(options)) << "options are fixed while talking";
        for (int i = 0; i < 200 && !talk->isTalking(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        ASSERT_TRUE(talk->isTalking()) << c.compression;

        // 50 frames of 20 ms at 8 kHz, one of them larger than one RTP packet carries.
        uint64_t sent = 0;
        for (uint32_t i = 0; i < 50; ++i) {
            std::vector<uint8_t> payload(i == 25 ? 3000 : 160, static_cast<uint8_t>(i));
            ASSERT_TRUE(talk->put(audioFrame(payload, i))) << c.compression;
            sent += payload.size();
        }
        for (int i = 0; i < 200 && receivedBytes(c.codec) < sent; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        EXPECT_EQ(sent, receivedBytes(c.codec)) << c.compression << ": " << m_device->backChannelAudio().toStyledString();
        EXPECT_TRUE(talk->stop(&receiver));
        EXPECT_FALSE(talk->stop(&receiver)) << "not attached any more";
    }
    // Nothing arrived under a codec that was not chosen.
    EXPECT_EQ(3u, m_device->backChannelAudio().size()) << m_device->backChannelAudio().toStyledString();
}

TEST_F(VideoTalkAgainstSim, RefusalsLeaveNothingRunning)
{
    Zentar::Component::IVideoTalkPeer* talk = m_client->getIVideoTalkPeer();
    ASSERT_NE(nullptr, talk);
    Json::Value onlyCompression;
    onlyCompression["Compression"] = "PCMU";
    EXPECT_FALSE(talk->setOption(onlyCompression));
    EXPECT_FALSE(talk->put(audioFrame(std::vector<uint8_t>(160, 1), 0))) << "nothing to send on before startRecv";
    EXPECT_FALSE(talk->put(Zentar::Stream::CMediaFrame())) << "an empty packet";

    Json::Value options;
    options["Compression"] = "PCMU";
    options["Frequency"] = 8000;
    options["TransProtocolType"] = 2;
    ASSERT_TRUE(talk->setOption(options));
    CIgnoreFrames receiver;
    EXPECT_FALSE(talk->startRecv(&receiver)) << "transport 2 cannot carry talk";
    EXPECT_FALSE(talk->stop(&receiver));

    // A second receiver shares the running session; the session ends with the last one.
    options.removeMember("TransProtocolType");
    ASSERT_TRUE(talk->setOption(options));
    CIgnoreFrames second;
    ASSERT_TRUE(talk->startRecv(&receiver));
    ASSERT_TRUE(talk->startRecv(&second));
    for (int i = 0; i < 200 && m_device->rtspSessionCount() != 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_EQ(1, m_device->rtspSessionCount()) << "one session for both receivers";
    EXPECT_TRUE(talk->stop(&receiver));
    EXPECT_TRUE(talk->stop(&second));
    EXPECT_FALSE(talk->put(audioFrame(std::vector<uint8_t>(160, 1), 1)));
}

} // namespace
