// The PTZ component and the imaging composites as a host meets them, against the
// simulated cameras: moves that really move (the simulator's motion clock is put ahead
// instead of waiting), presets set here and recalled from elsewhere, a tour that visits its
// presets in order, host numbers over a dome whose preset tokens are names, limits, and a
// camera channel without PTZ.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "IClient.h"
#include "ILogicDeviceManager.h"
#include "IPTZBase.h"
#include "IPtz.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"
#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "sim_client_fixture.h"

using namespace Zentar::Component;
using Zentar::Comm::IPtz;
using Zentar::Comm::IPTZBase;

namespace {

const int kUser = 9;
const int kDome = 1;     // the Tele channel of the two-channel camera
const int kFixed = 0;    // its Wide channel has no PTZ

class PtzAgainstSim : public ::testing::Test, protected CSimClientFixture {
protected:
    void start(const char* file)
    {
        RPC::Onvif::COnvifBaseComm::instance()->resetOptions();
        OnvifSim::SetLogEnabled(false);
        loadDescription(file);
        serveAndLogin(kUser);
    }
    void TearDown() override
    {
        destroyClient();
    }

    IPtz* ptz(int channel)
    {
        CClientContextScope scope(m_client, kUser);
        return m_client->getIPtz(channel);
    }
    IPTZBase* base()
    {
        CClientContextScope scope(m_client, kUser);
        return dynamic_cast<IPTZBase*>(getComponentInstance(IPTZBase::kInterfaceName, "Onvif", nullptr));
    }
    // The host position after `ms` more of the dome's time.
    std::vector<double> positionAfter(IPtz* p, int ms)
    {
        m_device->advanceMotionClock(ms);
        Json::Value status;
        EXPECT_TRUE(p->getStatus(status));
        const Json::Value& pos = status["Postion"];
        return {pos[0].asDouble(), pos[1].asDouble(), pos[2].asDouble()};
    }
    int requestsTo(const std::string& path, const std::string& operation) const
    {
        int n = 0;
        for (const auto& r : m_device->requests())
            n += r.path == path && r.operation == operation ? 1 : 0;
        return n;
    }

};

TEST_F(PtzAgainstSim, AContinuousMoveMovesUntilStopOrItsTimeOut)
{
    start("camera-2ch-media2-h265.json");
    IPtz* dome = ptz(kDome);
    ASSERT_NE(dome, nullptr);
    // Host pan starts at 1 (ONVIF pan 0); an ONVIF pan velocity of +0.5 at 1 unit/s moves
    // the ONVIF pan up by 0.5 a second, which is host pan 0.5.
    const std::vector<double> start = positionAfter(dome, 0);
    EXPECT_NEAR(start[0], 1.0, 1e-6);
    const float speed[3] = {0.5f, 0.0f, 0.0f};
    ASSERT_TRUE(dome->moveContinuously(speed, 10));
    m_device->advanceMotionClock(1000);
    Json::Value status;
    ASSERT_TRUE(dome->getStatus(status));
    EXPECT_NEAR(status["Postion"][0].asDouble(), 0.5, 0.02);
    EXPECT_EQ(status["PanTiltStatus"].asString(), "Moving");
    EXPECT_EQ(status["MoveStatus"].asString(), "Moving");
    EXPECT_GT(status["UTC"].asInt64(), 1600000000);
    ASSERT_TRUE(dome->stopMove());
    const std::vector<double> stopped = positionAfter(dome, 0);
    EXPECT_NEAR(positionAfter(dome, 3000)[0], stopped[0], 1e-6) << "a stopped dome stays put";
    ASSERT_TRUE(dome->getStatus(status));
    EXPECT_EQ(status["MoveStatus"].asString(), "Idle");

    // Tilt 0.25 units/s for a 2 s time-out: 0.5 up, however long one waits afterwards.
    const float tilt[3] = {0.0f, 0.25f, 0.0f};
    ASSERT_TRUE(dome->moveContinuously(tilt, 2));
    EXPECT_NEAR(positionAfter(dome, 5000)[1], 0.5, 0.02);
    EXPECT_EQ(requestsTo("/onvif/ptz_service", "Stop"), 1);
}

TEST_F(PtzAgainstSim, APresetSetHereIsRecalledFromElsewhere)
{
    start("camera-2ch-media2-h265.json");
    IPtz* dome = ptz(kDome);
    const float here[3] = {0.25f, 0.3f, 0.4f};
    ASSERT_TRUE(dome->moveAbsolutely(here));
    const std::vector<double> at = positionAfter(dome, 5000);
    EXPECT_NEAR(at[0], 0.25, 1e-3);
    EXPECT_NEAR(at[1], 0.3, 1e-3);
    EXPECT_NEAR(at[2], 0.4, 1e-3);
    ASSERT_TRUE(base()->setPreset(kDome, 3, "Gate", Json::Value()));

    const float elsewhere[3] = {-0.5f, -0.2f, 0.1f};
    const float slow[3] = {0.5f, 0.5f, 0.5f};
    ASSERT_TRUE(dome->moveAbsolutely(elsewhere, slow));
    EXPECT_NEAR(positionAfter(dome, 8000)[0], -0.5, 1e-3);
    Json::Value presets;
    ASSERT_TRUE(dome->getPresets(presets));
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets[0]["Index"].asInt(), 3);
    EXPECT_EQ(presets[0]["Name"].asString(), "Gate");
    ASSERT_TRUE(dome->gotoPreset(3));
    const std::vector<double> back = positionAfter(dome, 8000);
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(back[axis], at[axis], 0.01) << axis;
}

TEST_F(PtzAgainstSim, ATourVisitsItsPresetsInOrder)
{
    start("camera-2ch-media2-h265.json");
    IPtz* dome = ptz(kDome);
    const float spots[3][3] = {{0.8f, 0.0f, 0.0f}, {0.6f, 0.5f, 0.2f}, {0.4f, -0.5f, 0.6f}};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(dome->moveAbsolutely(spots[i]));
        positionAfter(dome, 3000);
        ASSERT_TRUE(base()->setPreset(kDome, i + 1, ("Spot " + std::to_string(i + 1)).c_str(), Json::Value()));
    }
    Json::Value presets;
    ASSERT_TRUE(dome->getPresets(presets));
    ASSERT_TRUE(base()->setTour(kDome, 1, "Round", Json::Value()));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(dome->addTourPoint(1, i, i + 1, 2, 0));
    Json::Value tours;
    ASSERT_TRUE(dome->getTours(tours));
    ASSERT_EQ(tours.size(), 1u);
    EXPECT_EQ(tours[0]["Name"].asString(), "Round");
    ASSERT_EQ(tours[0]["Presets"].size(), 3u);
    EXPECT_EQ(tours[0]["Presets"][1][0].asInt(), 1);
    EXPECT_EQ(tours[0]["Presets"][1][1].asInt(), 2);
    EXPECT_EQ(tours[0]["Presets"][1][2].asInt(), 7) << "points read back from the device carry 7";

    ASSERT_TRUE(dome->startTour(1));
    std::vector<int> visited;
    for (int step = 0; step < 80 && visited.size() < 5; ++step) {
        const std::vector<double> p = positionAfter(dome, 250);
        for (int i = 0; i < 3; ++i) {
            const bool there = std::fabs(p[0] - spots[i][0]) < 0.01 && std::fabs(p[1] - spots[i][1]) < 0.01 &&
                               std::fabs(p[2] - spots[i][2]) < 0.01;
            if (there && (visited.empty() || visited.back() != i + 1))
                visited.push_back(i + 1);
        }
    }
    EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 1, 2}));
    ASSERT_TRUE(dome->stopTour(1));
    const std::vector<double> stopped = positionAfter(dome, 0);
    EXPECT_EQ(positionAfter(dome, 5000), stopped);
}

TEST_F(PtzAgainstSim, NumbersAreCheckedBeforeAnythingIsSent)
{
    start("camera-2ch-media2-h265.json");
    IPtz* dome = ptz(kDome);
    EXPECT_FALSE(base()->setPreset(kDome, 17, "beyond", Json::Value())) << "the dome keeps 16 presets";
    EXPECT_FALSE(base()->setPreset(kDome, 0, "zero", Json::Value()));
    EXPECT_FALSE(dome->gotoPreset(0));
    EXPECT_FALSE(dome->gotoPreset(2));
    EXPECT_FALSE(dome->removePreset(1));
    EXPECT_FALSE(dome->startTour(1));
    EXPECT_FALSE(base()->setTour(kDome, 5, "beyond", Json::Value())) << "the dome keeps 4 tours";
    EXPECT_EQ(m_device->count("SetPreset") + m_device->count("GotoPreset") + m_device->count("RemovePreset") +
                  m_device->count("OperatePresetTour") + m_device->count("CreatePresetTour"),
              0);
    EXPECT_FALSE(dome->auxControl("Light", true));
    EXPECT_TRUE(dome->auxControl("Wiper", true));
    EXPECT_TRUE(dome->auxControl("IRLamp", false));
    EXPECT_EQ(m_device->count("SendAuxiliaryCommand"), 2);
}

TEST_F(PtzAgainstSim, AChannelWithoutPtzSaysSoAndSendsNothing)
{
    start("camera-2ch-media2-h265.json");
    IPtz* fixed = ptz(kFixed);
    ASSERT_NE(fixed, nullptr);
    Json::Value status, caps;
    const float speed[3] = {0.5f, 0.0f, 0.0f};
    Zentar::Infra::setLastError(0);
    EXPECT_FALSE(fixed->getStatus(status));
    EXPECT_EQ(Zentar::Infra::getLastError(), 0x10030010u);
    Zentar::Infra::setLastError(0);
    EXPECT_FALSE(fixed->moveContinuously(speed, 1));
    EXPECT_EQ(Zentar::Infra::getLastError(), 0x10030010u);
    Zentar::Infra::setLastError(0);
    EXPECT_FALSE(fixed->getCurrentProtocolCaps(caps));
    EXPECT_EQ(Zentar::Infra::getLastError(), 0x10030010u);
    EXPECT_EQ(m_device->count("ContinuousMove") + m_device->count("GetStatus"), 0);

    Json::Value domeCaps;
    ASSERT_TRUE(ptz(kDome)->getCurrentProtocolCaps(domeCaps));
    EXPECT_EQ(domeCaps["PresetMax"].asInt(), 16);
    EXPECT_EQ(domeCaps["TourMax"].asInt(), 4);
    EXPECT_EQ(domeCaps["Name"].asString(), "Tele dome");
}

TEST_F(PtzAgainstSim, StopStopsWhatTheLastCommandStarted)
{
    start("camera-2ch-media2-h265.json");
    IPtz* dome = ptz(kDome);
    EXPECT_TRUE(dome->stopMove()) << "nothing started: nothing to stop";
    ASSERT_TRUE(dome->setFocusMode(true));
    ASSERT_TRUE(dome->focusManually(0.5f));
    ASSERT_TRUE(dome->stopMove());
    EXPECT_EQ(requestsTo("/onvif/imaging_service", "Stop"), 1);
    EXPECT_EQ(requestsTo("/onvif/ptz_service", "Stop"), 0);
    ASSERT_TRUE(dome->adjustIris(0.5f));
    const int before = m_device->requestCount();
    ASSERT_TRUE(dome->stopMove());
    EXPECT_EQ(m_device->requestCount(), before) << "an iris change leaves nothing moving";
}

TEST_F(PtzAgainstSim, AScreenPointComesToTheCentre)
{
    start("camera-2ch-media2-h265.json");
    IPtz* dome = ptz(kDome);
    const std::vector<double> start = positionAfter(dome, 0);
    const float centre[3] = {0.5f, 0.5f, 0.0f};
    ASSERT_TRUE(dome->moveDirectly(centre));
    EXPECT_EQ(positionAfter(dome, 2000), start) << "the centre is already in the centre";
    // The right edge at zoom 0 lies half the wide field of view (58 degrees) away: 29
    // degrees of pan, 29/180 of a generic unit, which is host pan 1 - 0.161.
    const float right[3] = {1.0f, 0.5f, 0.0f};
    ASSERT_TRUE(dome->moveDirectly(right));
    EXPECT_NEAR(positionAfter(dome, 2000)[0], 1.0 - 29.0 / 180.0, 1e-3);
}

TEST_F(PtzAgainstSim, PresetNumbersFollowTokensThatAreNotNumbers)
{
    start("ptz-dome-named-presets.json");
    IPtz* dome = ptz(0);
    // Tilt 0.2 is this dome's upper limit: a float widened carelessly would lie beyond it.
    const float a[3] = {0.9f, 0.2f, 0.2f};
    ASSERT_TRUE(dome->moveAbsolutely(a));
    positionAfter(dome, 3000);
    ASSERT_TRUE(base()->setPreset(0, 5, "Door", Json::Value()));
    Json::Value presets;
    ASSERT_TRUE(dome->getPresets(presets));
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets[0]["Index"].asInt(), 5);
    const std::string token = presets[0]["Token"].asString();
    EXPECT_EQ(token.find_first_not_of("0123456789"), 0u) << token;
    // A restart: the host hands back its table, and the number stays with the token.
    ASSERT_TRUE(base()->initPresets(0, presets));
    ASSERT_TRUE(dome->getPresets(presets));
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets[0]["Index"].asInt(), 5);
    EXPECT_EQ(presets[0]["Token"].asString(), token);
    ASSERT_TRUE(dome->removePreset(5));
    ASSERT_TRUE(dome->getPresets(presets));
    EXPECT_EQ(presets.size(), 0u);
    // This dome has no tours at all.
    Json::Value tours;
    EXPECT_FALSE(dome->getTours(tours));
    EXPECT_FALSE(base()->setTour(0, 1, "none", Json::Value()));
}

// ---- Imaging on the host's 0..100 scale ------------------------------------------------------

TEST_F(PtzAgainstSim, ImagingReadsAndWritesOnTheHostScale)
{
    start("camera-2ch-media2-h265.json");
    Json::Value request(Json::objectValue), result(Json::objectValue);
    request["RemoteChannel"] = kDome;
    request["StreamType"] = 0;
    ASSERT_TRUE(RPC::Onvif::getImagingCfg(m_info, request, result));
    // 128 in the device's 0..255: 100 * 128 / 255 + 0.5.
    EXPECT_NEAR(result["ImagingSettings"]["Brightness"].asDouble(), 100.0 * 128 / 255 + 0.5, 1e-9);
    EXPECT_EQ(result["ImagingSettings"]["Exposure"]["Mode"].asString(), "AUTO");

    Json::Value set(Json::objectValue);
    set["RemoteChannel"] = kDome;
    set["StreamType"] = 0;
    set["ImagingSettings"]["Brightness"] = 100;
    set["ImagingSettings"]["Contrast"] = 0;
    Json::Value reply(Json::objectValue);
    ASSERT_TRUE(RPC::Onvif::setImagingCfg(m_info, set, reply));
    Json::Value again(Json::objectValue);
    request = Json::Value(Json::objectValue);
    request["RemoteChannel"] = kDome;
    request["StreamType"] = 0;
    ASSERT_TRUE(RPC::Onvif::getImagingCfg(m_info, request, again));
    EXPECT_EQ(again["ImagingSettings"]["Brightness"].asDouble(), 100.0);
    EXPECT_EQ(again["ImagingSettings"]["Contrast"].asDouble(), 0.0);

    // 150 on the host's scale is beyond the device's range: the device refuses, nothing changes.
    set["ImagingSettings"]["Brightness"] = 150;
    EXPECT_FALSE(RPC::Onvif::setImagingCfg(m_info, set, reply));
    request = Json::Value(Json::objectValue);
    request["RemoteChannel"] = kDome;
    request["StreamType"] = 0;
    ASSERT_TRUE(RPC::Onvif::getImagingCfg(m_info, request, again));
    EXPECT_EQ(again["ImagingSettings"]["Brightness"].asDouble(), 100.0);
}

TEST_F(PtzAgainstSim, ARangeOfExactlyZeroToHundredPassesValuesThrough)
{
    start("ptz-dome-named-presets.json");
    Json::Value set(Json::objectValue), reply(Json::objectValue);
    set["RemoteChannel"] = 0;
    set["StreamType"] = 0;
    set["ImagingSettings"]["Sharpness"] = 37;
    ASSERT_TRUE(RPC::Onvif::setImagingCfg(m_info, set, reply));
    Json::Value request(Json::objectValue), result(Json::objectValue);
    request["RemoteChannel"] = 0;
    request["StreamType"] = 0;
    ASSERT_TRUE(RPC::Onvif::getImagingCfg(m_info, request, result));
    EXPECT_EQ(result["ImagingSettings"]["Sharpness"].asDouble(), 37.0);
}

} // namespace
