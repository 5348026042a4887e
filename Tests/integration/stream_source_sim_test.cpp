// Live video as a host receives it: the client's stream source over the RTSP client
// wrapper and session, against the simulated camera's RTSP server.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "Base/RTSPClient/ExpRtspClient.h"
#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "IClient.h"
#include "IStreamSource.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/MediaFrame.h"

using namespace Zentar::Component;
using Zentar::Stream::CMediaFrame;
using Zentar::Stream::IStreamSource;

namespace {

// Counts what a host receiver gets; waits are bounded.
class CFrameCounter : public Zentar::Stream::IFrameReceiver {
public:
    void onFrame(const CMediaFrame& frame) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!frame.valid()) {
            ++m_ends;
        } else {
            RPC::CNativeFrameView view;
            if (RPC::readNativeFrame(frame.getBuffer(), frame.size(), view) == RPC::ENativeFrameError::None) {
                if (view.info.kind == RPC::NativeFrame::kKindVideoKey)
                    ++m_keys;
                if (view.info.kind == RPC::NativeFrame::kKindVideoKey || view.info.kind == RPC::NativeFrame::kKindVideoDelta)
                    ++m_video;
                if (view.info.hasResolution) {
                    m_width = view.info.width;
                    m_height = view.info.height;
                }
            } else {
                ++m_unreadable;
            }
            m_channel = frame.getChannel();
            m_streamType = frame.getStreamType();
        }
        m_wake.notify_all();
    }

    // True once pred holds, within seconds.
    template <class Pred> bool waitFor(Pred pred, int seconds = 10)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_wake.wait_for(lock, std::chrono::seconds(seconds), [&] { return pred(*this); });
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_video = 0;
    int m_keys = 0;
    int m_ends = 0;
    int m_unreadable = 0;
    int m_width = 0;
    int m_height = 0;
    int m_channel = -1;
    int m_streamType = -1;
};

class StreamSourceAgainstSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        OnvifSim::SetLogEnabled(false);
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json",
                                                  m_description, error))
            << error;
        m_device = m_server.addDevice(m_description, &error);
        ASSERT_TRUE(m_device) << error;
        initOnvifComponentLibrary();
        ServerInfo info;
        info.address = "127.0.0.1";
        info.port = m_device->port();
        info.userName = m_description.users.at(0).name;
        info.password = m_description.users.at(0).password;
        m_client = dynamic_cast<IClient*>(getComponentInstance(IClient::kInterfaceName, "Onvif", &info));
        ASSERT_NE(m_client, nullptr);
        ASSERT_TRUE(m_client->login());
    }
    void TearDown() override
    {
        if (m_client)
            m_client->destroy();
        m_server.stop();
    }

    IStreamSource* source(int channel, int stream, int transport)
    {
        return m_client->getIStreamSource({channel, stream, transport, 0});
    }

    // The simulator's session count settles shortly after a TEARDOWN: poll, bounded.
    bool sessionsBecome(int count)
    {
        for (int i = 0; i < 100; ++i) {
            if (m_device->rtspSessionCount() == count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    OnvifSim::CSimServer m_server;
    OnvifSim::CDeviceDescription m_description;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    IClient* m_client = nullptr;
};

TEST_F(StreamSourceAgainstSim, EveryTransportDeliversStampedKeyFramesOfTheProfileSize)
{
    struct Case {
        int transport;
        const char* name;
    } cases[] = {{0, "interleaved"}, {1, "udp"}, {3, "multicast"}, {4, "http tunnel"}};
    for (const Case& c : cases) {
        IStreamSource* live = source(0, 1, c.transport);   // channel 0, sub stream: H.264 640x360
        ASSERT_NE(live, nullptr) << c.name;
        CFrameCounter counter;
        ASSERT_TRUE(live->start(&counter)) << c.name;
        EXPECT_TRUE(counter.waitFor([](CFrameCounter& f) { return f.m_keys >= 1 && f.m_video >= 10; })) << c.name;
        ASSERT_TRUE(live->stop(&counter)) << c.name;
        std::lock_guard<std::mutex> lock(counter.m_mutex);
        EXPECT_EQ(counter.m_width, 640) << c.name;
        EXPECT_EQ(counter.m_height, 360) << c.name;
        EXPECT_EQ(counter.m_channel, 0) << c.name;
        EXPECT_EQ(counter.m_streamType, 1) << c.name;
        EXPECT_EQ(counter.m_unreadable, 0) << c.name;
    }
}

TEST_F(StreamSourceAgainstSim, TwoReceiversShareOneSessionThatEndsWithTheLast)
{
    IStreamSource* live = source(1, 0, 0);
    ASSERT_NE(live, nullptr);
    CFrameCounter first;
    CFrameCounter second;
    ASSERT_TRUE(live->start(&first));
    ASSERT_TRUE(live->start(&second));
    ASSERT_TRUE(first.waitFor([](CFrameCounter& f) { return f.m_video >= 5; }));
    ASSERT_TRUE(second.waitFor([](CFrameCounter& f) { return f.m_video >= 5; }));
    EXPECT_EQ(m_device->rtspSessionCount(), 1);

    ASSERT_TRUE(live->stop(&first));
    EXPECT_FALSE(live->stop(&first));   // not attached any more
    const int before = [&] { std::lock_guard<std::mutex> l(second.m_mutex); return second.m_video; }();
    EXPECT_TRUE(second.waitFor([before](CFrameCounter& f) { return f.m_video >= before + 5; }));
    EXPECT_EQ(m_device->rtspSessionCount(), 1);

    ASSERT_TRUE(live->stop(&second));
    EXPECT_TRUE(sessionsBecome(0));
}

TEST_F(StreamSourceAgainstSim, DroppedSessionEndsInTheEmptyFrame)
{
    IStreamSource* live = source(0, 1, 0);
    CFrameCounter counter;
    ASSERT_TRUE(live->start(&counter));
    ASSERT_TRUE(counter.waitFor([](CFrameCounter& f) { return f.m_video >= 3; }));
    m_device->dropRtspSessions();
    EXPECT_TRUE(counter.waitFor([](CFrameCounter& f) { return f.m_ends >= 1; }));
    // The host restarts by stop and start; the source itself does not reconnect.
    ASSERT_TRUE(live->stop(&counter));
    CFrameCounter again;
    ASSERT_TRUE(live->start(&again));
    EXPECT_TRUE(again.waitFor([](CFrameCounter& f) { return f.m_video >= 3; }));
    EXPECT_TRUE(live->stop(&again));
}

// The wrapper the sources run on, with a password the device's RTSP server refuses: the
// refusal reaches the error receivers as 0x10090191 and the frame receivers as the end.
TEST_F(StreamSourceAgainstSim, RefusedStreamCredentialsAreReportedAs401)
{
    ServerInfo wrong;
    wrong.address = "127.0.0.1";
    wrong.port = m_device->port();
    wrong.userName = m_description.users.at(0).name;
    wrong.password = "not-the-password";
    auto* wrapper = new RPC::CExpRtspClient(wrong, 0);
    std::mutex mutex;
    std::condition_variable wake;
    uint32_t reported = 0;
    int ends = 0;
    int frames = 0;
    ASSERT_EQ(wrapper->errAttach(&reported, [&](uint32_t code) {
        std::lock_guard<std::mutex> lock(mutex);
        reported = code;
        wake.notify_all();
    }), 1);
    ASSERT_EQ(wrapper->attach(&ends, [&](CMediaFrame& frame) {
        std::lock_guard<std::mutex> lock(mutex);
        (frame.valid() ? frames : ends) += 1;
        wake.notify_all();
    }), 1);
    ASSERT_TRUE(wrapper->startRtspClient(m_device->rtspUrl("Profile_102")));
    {
        std::unique_lock<std::mutex> lock(mutex);
        EXPECT_TRUE(wake.wait_for(lock, std::chrono::seconds(10), [&] { return reported != 0 && ends >= 1; }));
        EXPECT_EQ(reported, 0x10090191u);
        EXPECT_EQ(frames, 0);
    }
    EXPECT_EQ(wrapper->getSessionState(), RPC::CExpRtspClient::kSessionEnded);
    wrapper->detach(&ends);
    wrapper->errDetach(&reported);
    wrapper->Close();
}

} // namespace
