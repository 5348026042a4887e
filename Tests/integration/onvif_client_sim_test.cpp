// The library against the simulated devices we ship: a host's login, then what it asks
// most, per device. The simulator shares no code with the client, so agreement here is
// agreement with the ONVIF documents both were written from.
#include <gtest/gtest.h>

#include <memory>

#include "Component/FactoryRegistry.h"
#include "Components/Client/OnvifClient.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"
#include "OnvifFramework/InfoCenter/OnvifInfoCenter.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace RPC::Onvif;

namespace {

struct SimCase {
    const char* file;
    int authType;         // the host's "AuthType" option for this kind of device
    int channels;         // channels the host should see
    bool mapMediaPort;    // the device names a private address: reach it through the login's
    bool openDiscovery;   // answer GetServices/GetCapabilities without credentials
};

struct ClientDeleter {
    void operator()(COnvifClient* c) const { c->destroy(); }
};

class ClientAgainstSim : public ::testing::TestWithParam<SimCase> {
protected:
    void SetUp() override
    {
        COnvifBaseComm::instance()->resetOptions();
        Json::Value options;
        options["AuthType"] = GetParam().authType;
        ASSERT_TRUE(COnvifBaseComm::instance()->setOnvifOptionCfg(options));
        std::string error;
        const std::string path = std::string(ONVIF_SIM_DEVICES_DIR) + "/" + GetParam().file;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(path, m_description, error)) << error;
        // The capability step signs its second try with WS-Security only, so a digest-only
        // recorder is reachable when it answers discovery anonymously, as most do.
        if (GetParam().openDiscovery)
            m_description.anonymousOperations.insert({"GetServices", "GetCapabilities"});
        m_device = m_server.addDevice(m_description, &error);
        ASSERT_TRUE(m_device) << error;
        initOnvifComponentLibrary();
    }
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }

    Zentar::Component::ServerInfo info(const std::string& password) const
    {
        Zentar::Component::ServerInfo i;
        i.address = "127.0.0.1";
        i.port = m_device->port();
        // Never let a client follow a private address out of the machine: a mapped camera
        // is always reached through the login's own address.
        i.mediaPort = GetParam().mapMediaPort ? 10554 : 0;
        i.userName = m_description.users.at(0).name;
        i.password = password;
        return i;
    }

    std::unique_ptr<COnvifClient, ClientDeleter> client(const Zentar::Component::ServerInfo& i)
    {
        auto* unknown = Zentar::Component::getComponentInstance("Client", "Onvif", &i);
        return std::unique_ptr<COnvifClient, ClientDeleter>(dynamic_cast<COnvifClient*>(unknown));
    }

    OnvifSim::CSimServer m_server;
    OnvifSim::CDeviceDescription m_description;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

TEST_P(ClientAgainstSim, LogsInAndFindsChannelsAndStreams)
{
    auto i = info(m_description.users.at(0).password);
    auto c = client(i);
    ASSERT_TRUE(c);
    ASSERT_TRUE(c->login()) << "last error " << std::hex << Zentar::Infra::getLastError();
    COnvifInfoCenter* centre = COnvifInfoCenter::instance();
    Json::Value all(Json::objectValue);
    ASSERT_TRUE(centre->getProfile(i, all));
    EXPECT_EQ(GetParam().channels, static_cast<int>(all["Profiles"].size()));
    for (int ch = 0; ch < GetParam().channels; ++ch) {
        EXPECT_GE(centre->getProfileCount(i, ch), 1) << "channel " << ch;
        Json::Value setup;
        setup["StreamSetup"]["Stream"] = "RTP-Unicast";
        setup["StreamSetup"]["Transport"]["Protocol"] = "RTSP";
        std::string url;
        centre->getStreamUrl(url, i, ch, 0, setup);
        EXPECT_EQ(0u, url.rfind("rtsp://", 0)) << "channel " << ch << ": " << url;
        if (GetParam().mapMediaPort) {
            EXPECT_NE(std::string::npos, url.find("127.0.0.1:10554")) << url;
        }
    }
    std::string manufacturer;
    EXPECT_TRUE(centre->getDeviceInfoField(manufacturer, i, "Manufacturer"));
    EXPECT_EQ(m_description.identity.manufacturer, manufacturer);
}

TEST_P(ClientAgainstSim, WrongPasswordIsRefusedAsCredentials)
{
    auto c = client(info("not-the-password"));
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->login());
    EXPECT_EQ(ONVIF_ERR_BAD_CREDENTIALS, Zentar::Infra::getLastError());
}

INSTANTIATE_TEST_SUITE_P(ShippedDevices, ClientAgainstSim,
                         ::testing::Values(SimCase{"camera-1ch-media.json", 0, 1, false, false},
                                           SimCase{"camera-2ch-media2-h265.json", 0, 2, false, false},
                                           SimCase{"recorder-4ch.json", 2, 4, false, true},
                                           SimCase{"camera-mapped-port.json", 0, 1, true, false}),
                         [](const ::testing::TestParamInfo<SimCase>& p) {
                             std::string name = p.param.file;
                             name = name.substr(0, name.find('.'));
                             for (char& ch : name)
                                 if (ch == '-')
                                     ch = '_';
                             return name;
                         });

} // namespace
