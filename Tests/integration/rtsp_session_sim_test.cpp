// RTSP client sessions against the simulated device's own RTSP server: real profiles,
// real authentication, real media, for each way the media can travel.
#include "RtspScriptedServer.h"

#include "OnvifSim/SimServer.h"
#include "Stream/Rtsp/RtspClientSession.h"

#include <gtest/gtest.h>

using namespace Zentar::StreamApp;
using OnvifTest::RtspClientProbe;

namespace {

struct SimCase {
    const char* name;
    int kind;
};

class RtspSessionSim : public ::testing::TestWithParam<SimCase> {
protected:
    void SetUp() override
    {
        OnvifSim::SetLogEnabled(false);
        std::string error;
        m_device = m_sim.addDeviceFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", &error);
        ASSERT_TRUE(m_device) << error;
        m_url = m_device->rtspUrl("Profile_1");
        ASSERT_FALSE(m_url.empty()) << "the device has no RTSP server";
        if (GetParam().kind == kRtspTransHttp) {
            // The tunnel is served on the device's HTTP port, same path.
            size_t path = m_url.find('/', 7);
            m_url = "rtsp://127.0.0.1:" + std::to_string(m_device->port()) + m_url.substr(path);
        }
    }

    OnvifSim::CSimServer m_sim;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    std::string m_url;
};

} // namespace

TEST_P(RtspSessionSim, PlaysVideoFramesAndEndsWhenTheDeviceStalls)
{
    RtspClientProbe probe(GetParam().kind, 5000, 1500);
    probe.session().setAuthorization("admin", "admin123");
    ASSERT_EQ(probe.start(m_url), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgReady, 8000)) << std::hex << probe.errorCode();
    ASSERT_EQ(probe.session().play(-1), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgPlaying, 8000)) << std::hex << probe.errorCode();
    ASSERT_TRUE(probe.waitFrames(5, 10000));

    bool key = false;
    for (const auto& frame : probe.frames()) {
        if (frame.frameType == 65)
            continue;
        key = key || frame.frameType == 73;
        ASSERT_GE(frame.payload.size(), 4u);
        EXPECT_EQ(frame.payload.compare(0, 3, std::string("\0\0\0", 3)) == 0
                      || frame.payload.compare(0, 3, std::string("\0\0\1", 3)) == 0,
                  true)
            << "video payload in Annex B";
    }
    EXPECT_TRUE(key) << "a key frame among the first frames";

    // The device keeps the dialogue up but sends nothing more: the data watchdog ends it.
    m_device->setRtspFault(OnvifSim::ERtspFault::Stall);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgError, 10000));
    EXPECT_EQ(probe.errorCode(), kRtspErrNoData);
    EXPECT_EQ(probe.countMessages(kRtspMsgError), 1u);
}

TEST_P(RtspSessionSim, WrongPasswordIsReportedAs401)
{
    RtspClientProbe probe(GetParam().kind);
    probe.session().setAuthorization("admin", "not-the-password");
    ASSERT_EQ(probe.start(m_url), 0);
    ASSERT_TRUE(probe.waitMessage(kRtspMsgError, 8000));
    EXPECT_EQ(probe.errorCode(), 0x10090191);
}

INSTANTIATE_TEST_SUITE_P(Transports, RtspSessionSim,
                         ::testing::Values(SimCase{"Interleaved", kRtspTransTcp}, SimCase{"Udp", kRtspTransUdp},
                                           SimCase{"HttpTunnel", kRtspTransHttp}),
                         [](const ::testing::TestParamInfo<SimCase>& info) { return std::string(info.param.name); });
