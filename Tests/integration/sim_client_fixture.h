#pragma once
// One simulated device from a shipped description and one client logged in to it through
// the component factory, as a host does it: the set-up shared by the tests that drive the
// host components against the simulator. An ASSERT ends only the helper it is in; the
// tests' own checks on the client then fail.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Component/ClientContext.h"
#include "Component/FactoryRegistry.h"
#include "IClient.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

class CSimClientFixture {
protected:
    // Sim/devices/<file> into m_description, which a test may change before serving it.
    void loadDescription(const std::string& file)
    {
        std::string error;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/" + file, m_description, error))
            << error;
    }

    // Serves m_description and logs a client in as its first user, in the host context `user`.
    void serveAndLogin(int user)
    {
        if (::testing::Test::HasFatalFailure())
            return; // the description did not load
        std::string error;
        m_device = m_server.addDevice(m_description, &error);
        ASSERT_TRUE(m_device) << error;
        initOnvifComponentLibrary();
        m_info.address = "127.0.0.1";
        m_info.port = m_device->port();
        m_info.userName = m_description.users.at(0).name;
        m_info.password = m_description.users.at(0).password;
        m_client = dynamic_cast<Zentar::Component::IClient*>(
            Zentar::Component::getComponentInstance(Zentar::Component::IClient::kInterfaceName, "Onvif", &m_info));
        ASSERT_NE(m_client, nullptr);
        Zentar::Component::CClientContextScope scope(m_client, user);
        ASSERT_TRUE(m_client->login());
    }

    void destroyClient()
    {
        if (m_client)
            m_client->destroy();
        m_client = nullptr;
    }

    OnvifSim::CSimServer m_server;
    OnvifSim::CDeviceDescription m_description;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    Zentar::Component::ServerInfo m_info;
    Zentar::Component::IClient* m_client = nullptr;
};
