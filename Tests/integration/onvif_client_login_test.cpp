// The client session as a host drives it: through the factory, against scripted devices
// that check the credentials and clock of every request.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "CannedDevice.h"
#include "Component/FactoryRegistry.h"
#include "Components/Client/OnvifClient.h"
#include "DeviceAnswers.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"
#include "OnvifFramework/FunctionScripts/OnvifServiceRegistry.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"

using namespace OnvifTest;
using namespace RPC::Onvif;
using Zentar::Component::ServerInfo;

namespace {

struct ClientDeleter {
    void operator()(COnvifClient* c) const
    {
        if (c)
            c->destroy();
    }
};
using ClientPtr = std::unique_ptr<COnvifClient, ClientDeleter>;

ServerInfo serverInfo(int port, const std::string& password = "Pa55word!", int loginMode = 0)
{
    ServerInfo info;
    info.address = "127.0.0.1";
    info.port = static_cast<uint16_t>(port);
    info.userName = "admin";
    info.password = password;
    info.loginMode = loginMode;
    return info;
}

// As a host does it: the factory registered under the client interface name.
ClientPtr makeClient(const ServerInfo& info)
{
    initOnvifComponentLibrary();
    auto* unknown = Zentar::Component::getComponentInstance("Client", "Onvif", &info);
    return ClientPtr(dynamic_cast<COnvifClient*>(unknown));
}

template <class Pred> bool waitFor(Pred pred, int seconds)
{
    for (int i = 0; i < seconds * 100; ++i) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pred();
}

class ClientLoginTest : public ::testing::Test {
protected:
    void SetUp() override { COnvifBaseComm::instance()->resetOptions(); }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }
};

TEST_F(ClientLoginTest, LogsInOnceAndAgainWithoutTraffic)
{
    CannedDevice device;
    device.loadDefaultCamera();
    ClientPtr client = makeClient(serverInfo(device.port()));
    ASSERT_TRUE(client);
    int reasons = 0;
    client->attachLoginResultProc([&](const char*, int) { ++reasons; });

    ASSERT_TRUE(client->login());
    EXPECT_TRUE(client->isLoggedIn());
    EXPECT_EQ(0u, client->getLoginErrorCode());
    EXPECT_EQ(1u, device.count("GetProfiles"));
    EXPECT_EQ(0, reasons) << "success is not reported as a failure";

    size_t before = device.total();
    EXPECT_TRUE(client->login());
    EXPECT_EQ(before, device.total()) << "a logged-in client logs in again without traffic";
    EXPECT_TRUE(client->getOnlineState());
    EXPECT_FALSE(client->isBroken());
}

TEST_F(ClientLoginTest, WrongPasswordIsReasonOneAndCredentialCode)
{
    CannedDevice device;
    device.loadDefaultCamera();
    ClientPtr client = makeClient(serverInfo(device.port(), "wrong"));
    std::string classID;
    int reason = -1;
    client->attachLoginResultProc([&](const char* id, int r) {
        classID = id;
        reason = r;
    });
    EXPECT_FALSE(client->login());
    EXPECT_EQ(ONVIF_ERR_BAD_CREDENTIALS, Zentar::Infra::getLastError());
    EXPECT_EQ(LOGIN_FAIL_CREDENTIALS, client->getLoginFailureReason());
    EXPECT_EQ(1, reason);
    EXPECT_EQ("Onvif", classID);
    EXPECT_FALSE(client->getOnlineState());
}

TEST_F(ClientLoginTest, WrongPasswordRefusedAtCapabilitiesGivesTheCredentialCode)
{
    CannedDevice::Options options;
    options.anonymousDiscovery = false;
    CannedDevice device(options);
    device.loadDefaultCamera();
    ClientPtr client = makeClient(serverInfo(device.port(), "wrong"));
    EXPECT_FALSE(client->login());
    EXPECT_EQ(ONVIF_ERR_BAD_CREDENTIALS, Zentar::Infra::getLastError());
    EXPECT_EQ(LOGIN_FAIL_OTHER, client->getLoginFailureReason()) << "refused before the profiles step";
    EXPECT_EQ(0u, device.count("GetProfiles"));
}

TEST_F(ClientLoginTest, ClosedPortIsUnreachable)
{
    ClientPtr client = makeClient(serverInfo(closedLoopbackPort()));
    int reason = -1;
    client->attachLoginResultProc([&](const char*, int r) { reason = r; });
    EXPECT_FALSE(client->login());
    EXPECT_EQ(ONVIF_ERR_UNREACHABLE, Zentar::Infra::getLastError());
    EXPECT_EQ(LOGIN_FAIL_UNREACHABLE, client->getLoginFailureReason());
    EXPECT_EQ(33, reason);
}

TEST_F(ClientLoginTest, SilentDeviceIsUnreachableWithinTheTimeouts)
{
    ASSERT_TRUE(COnvifBaseComm::instance()->setSOAPTimeout(500, 500, 800));
    LoopbackHttpServer silent([](const HttpRequest&, size_t) { return HttpReply::silent(); });
    ClientPtr client = makeClient(serverInfo(silent.port()));
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client->login());
    EXPECT_EQ(ONVIF_ERR_UNREACHABLE, Zentar::Infra::getLastError());
    EXPECT_EQ(LOGIN_FAIL_UNREACHABLE, client->getLoginFailureReason());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(ClientLoginTest, ServicesThatNeverAnswerGiveTheTimeoutCode)
{
    ASSERT_TRUE(COnvifBaseComm::instance()->setSOAPTimeout(500, 500, 800));
    CannedDevice device;
    device.loadDefaultCamera();
    device.override("GetServices", [](const HttpRequest&) { return HttpReply::silent(); });
    device.override("GetCapabilities", [](const HttpRequest&) { return HttpReply::silent(); });
    ClientPtr client = makeClient(serverInfo(device.port()));
    EXPECT_FALSE(client->login());
    EXPECT_EQ(ONVIF_ERR_TIMEOUT, Zentar::Infra::getLastError());
    EXPECT_EQ(ONVIF_ERR_TIMEOUT, client->getLoginErrorCode());
    EXPECT_EQ(LOGIN_FAIL_OTHER, client->getLoginFailureReason());
    EXPECT_EQ(0u, device.count("GetProfiles"));
}

TEST_F(ClientLoginTest, DeviceClockTwoHoursAheadStillLogsIn)
{
    CannedDevice::Options options;
    options.clockOffsetSeconds = 7200;
    options.createdToleranceSeconds = 60;
    CannedDevice device(options);
    device.loadDefaultCamera();
    ServerInfo info = serverInfo(device.port());
    ClientPtr client = makeClient(info);
    ASSERT_TRUE(client->login()) << "the offset is learnt anonymously and used in Created";
    const char* services[] = {"DeviceManagement", "MediaCfg", "Media2"};
    for (const char* name : services) {
        COnvifProtoCore* object = COnvifServiceRegistry::instance().getService(name, info);
        ASSERT_NE(nullptr, object) << name;
        EXPECT_NEAR(7200, object->getTimeDifference(), 5) << name;
    }
}

TEST_F(ClientLoginTest, AsyncLoginsAreLimited)
{
    ASSERT_TRUE(COnvifBaseComm::instance()->setSOAPTimeout(3000, 3000, 3000));
    LoopbackHttpServer silent([](const HttpRequest&, size_t) { return HttpReply::silent(); });
    std::vector<ClientPtr> clients;
    for (int i = 0; i < 20; ++i) {
        ServerInfo info = serverInfo(silent.port(), "Pa55word!", 1);
        info.key5 = i;   // twenty distinct sessions to the same address
        clients.push_back(makeClient(info));
        EXPECT_FALSE(clients.back()->login());
        EXPECT_EQ(ONVIF_ERR_LOGIN_PENDING, Zentar::Infra::getLastError());
    }
    // Scheduled logins count at once, before their timers have run: a burst of calls
    // cannot queue more than the limit.
    ServerInfo extra = serverInfo(silent.port(), "Pa55word!", 1);
    extra.key5 = 99;
    ClientPtr last = makeClient(extra);
    EXPECT_FALSE(last->login());
    EXPECT_EQ(ONVIF_ERR_TOO_MANY_LOGINS, Zentar::Infra::getLastError());
    ASSERT_TRUE(waitFor([] { return COnvifClient::asyncLoginsRunning() == 20; }, 10))
        << COnvifClient::asyncLoginsRunning() << " running";
    EXPECT_FALSE(last->login());
    EXPECT_EQ(ONVIF_ERR_TOO_MANY_LOGINS, Zentar::Infra::getLastError());
    silent.stop();   // the pending logins fail fast now
    clients.clear();
    EXPECT_TRUE(waitFor([] { return COnvifClient::asyncLoginsRunning() == 0; }, 30));
}

// The online window runs on a stepped clock, and the probe starts 20 ms after it is asked for.
std::atomic<uint64_t> g_onlineNow{1000000};
uint64_t onlineNow() { return g_onlineNow.load(); }

class OnlineWindowTest : public ClientLoginTest {
protected:
    void SetUp() override
    {
        ClientLoginTest::SetUp();
        COnvifClient::setOnlineTiming(onlineNow, 20);
    }
    void TearDown() override
    {
        COnvifClient::setOnlineTiming(nullptr, 0);
        ClientLoginTest::TearDown();
    }
};

TEST_F(OnlineWindowTest, ChecksWithinFiveSecondsOfTheLastAnswerStartNoProbeAndLaterOnesOne)
{
    CannedDevice device;
    device.loadDefaultCamera();
    ClientPtr client = makeClient(serverInfo(device.port()));
    const uint64_t loggedInAt = g_onlineNow.load();
    ASSERT_TRUE(client->login());
    const size_t probes = device.count("GetSystemDateAndTime");
    auto probed = [&](size_t more) { return device.count("GetSystemDateAndTime") >= probes + more; };

    g_onlineNow = loggedInAt + 5000;
    EXPECT_TRUE(client->getOnlineState());
    EXPECT_FALSE(waitFor([&] { return probed(1); }, 1)) << "5000 ms after the last answer is still inside the window";

    g_onlineNow = loggedInAt + 5001;
    EXPECT_TRUE(client->getOnlineState()) << "the cached state answers while the probe runs";
    EXPECT_TRUE(client->getOnlineState());
    ASSERT_TRUE(waitFor([&] { return probed(1); }, 10));
    // The probe starts 20 ms after it is asked for: 300 ms is ample time for a second one to show.
    for (int i = 0; i < 30 && !probed(2); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(probed(2)) << "two checks, one probe";
    EXPECT_FALSE(client->isBroken());
}

TEST_F(ClientLoginTest, FactoryHandsOutTheClientOfTheCallingContext)
{
    CannedDevice device;
    ClientPtr client = makeClient(serverInfo(device.port()));
    ASSERT_TRUE(client);
    EXPECT_EQ(nullptr, Zentar::Component::getComponentInstance("Client", "Onvif", nullptr));
    Zentar::Component::CClientContextScope scope(client.get(), 7);
    EXPECT_EQ(client.get(), Zentar::Component::getComponentInstance("Client", "Onvif", nullptr));
    EXPECT_EQ(7, Zentar::Component::IClient::getCurrentUserID());
}

TEST_F(ClientLoginTest, LogoutForgetsTheSessionButKeepsTheClient)
{
    CannedDevice device;
    device.loadDefaultCamera();
    ClientPtr client = makeClient(serverInfo(device.port()));
    ASSERT_TRUE(client->login());
    EXPECT_TRUE(client->logout());
    EXPECT_FALSE(client->isLoggedIn());
    EXPECT_FALSE(client->getOnlineState());
    size_t profiles = device.count("GetProfiles");
    ASSERT_TRUE(client->login());
    EXPECT_EQ(profiles + 1, device.count("GetProfiles")) << "cached profiles were dropped at logout";
}

} // namespace
