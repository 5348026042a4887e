// Habits of real devices' HTTP servers that the library must live with, played by the
// simulator: answers written in two pieces with Nagle's algorithm on.
#include <gtest/gtest.h>

#include <memory>

#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifDeviceManagement.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace RPC::Onvif;

namespace {

// The header block and the body arrive as separate segments; the answer must still be
// read whole, on one kept-alive connection (how long it takes is the benchmark's
// business: Bench/split_answer_bench).
TEST(DeviceHabits, AnswerWrittenInTwoPiecesIsReadWhole)
{
    OnvifSim::CDeviceDescription description;
    std::string error;
    ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description, error))
        << error;
    description.splitWrites = true;
    OnvifSim::CSimServer server;
    auto device = server.addDevice(description, &error);
    ASSERT_TRUE(device) << error;

    COnvifLoginInfo login;
    login.m_strAddress = "127.0.0.1";
    login.m_strUserName = description.users.at(0).name;
    login.m_strPassword = description.users.at(0).password;
    COnvifDeviceManagement service(login);
    Json::Value request;
    request["XAddr"] = device->serviceUrl("device");
    for (int i = 0; i < 5; ++i) {
        Json::Value rsp;
        ASSERT_EQ(0, service.execute("GetDeviceInfomation", request, rsp)) << "exchange " << i;
        EXPECT_EQ(description.identity.manufacturer, rsp["Manufacturer"].asString());
        EXPECT_EQ(description.identity.serialNumber, rsp["SerialNumber"].asString());
    }
    ASSERT_EQ(5, device->requestCount());
    EXPECT_EQ(1, device->requests().back().connectionId) << "one kept-alive connection";
}

} // namespace
