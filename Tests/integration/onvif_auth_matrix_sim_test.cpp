// Which devices a host can log in to under each "AuthType": every authentication mode the
// simulator plays against every option value. A device that takes only HTTP digest and
// answers nothing anonymously but its clock is the one the option exists for.
#include <gtest/gtest.h>

#include <memory>

#include "Component/FactoryRegistry.h"
#include "Components/Client/OnvifClient.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace RPC::Onvif;

namespace {

struct AuthCase {
    OnvifSim::EAuthMode mode;
    int authType;
    bool loggedIn;
};

void PrintTo(const AuthCase& c, std::ostream* os)
{
    *os << OnvifSim::ToString(c.mode) << " AuthType " << c.authType;
}

using M = OnvifSim::EAuthMode;
const AuthCase kCases[] = {
    {M::Wsse, 0, true},    {M::Wsse, 1, false},  {M::Wsse, 2, true},
    {M::Digest, 0, false}, {M::Digest, 1, true}, {M::Digest, 2, true},
    {M::Either, 0, true},  {M::Either, 1, true}, {M::Either, 2, true},
};

class AuthMatrix : public ::testing::TestWithParam<AuthCase> {
protected:
    void TearDown() override { COnvifBaseComm::instance()->resetOptions(); }
};

TEST_P(AuthMatrix, LoginOutcome)
{
    const AuthCase& c = GetParam();
    COnvifBaseComm::instance()->resetOptions();
    Json::Value options;
    options["AuthType"] = c.authType;
    ASSERT_TRUE(COnvifBaseComm::instance()->setOnvifOptionCfg(options));
    initOnvifComponentLibrary();

    OnvifSim::CDeviceDescription description;
    std::string error;
    ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description, error))
        << error;
    description.authMode = c.mode;
    description.anonymousOperations = {"GetSystemDateAndTime"};   // nothing else without credentials
    OnvifSim::CSimServer server;
    auto device = server.addDevice(description, &error);
    ASSERT_TRUE(device) << error;

    Zentar::Component::ServerInfo info;
    info.address = "127.0.0.1";
    info.port = device->port();
    info.userName = description.users.at(0).name;
    info.password = description.users.at(0).password;
    auto* client = dynamic_cast<COnvifClient*>(Zentar::Component::getComponentInstance("Client", "Onvif", &info));
    ASSERT_NE(client, nullptr);
    const bool loggedIn = client->login();
    const uint32_t code = Zentar::Infra::getLastError();
    client->destroy();
    EXPECT_EQ(c.loggedIn, loggedIn);
    if (!c.loggedIn) {
        EXPECT_EQ(ONVIF_ERR_BAD_CREDENTIALS, code) << "a refusal reads as wrong credentials";
    }

    // Whatever was tried, a digest answer went only where digest was asked for.
    int digestTries = 0;
    for (const OnvifSim::CRecordedRequest& r : device->requests())
        digestTries += r.header("Authorization").rfind("Digest", 0) == 0;
    if (c.authType == 0) {
        EXPECT_EQ(0, digestTries);
    }
    if (c.loggedIn && c.mode == M::Digest) {
        EXPECT_GT(digestTries, 0);
    }
}

// A device taking only HTTP digest, offering MD5, SHA-256 or both: the login succeeds and
// every digest answer uses the strongest algorithm offered.
TEST(DigestAlgorithms, LoginAnswersWithTheStrongestOffered)
{
    const struct {
        std::vector<std::string> offered;
        const char* used;
    } rows[] = {
        {{"Digest MD5"}, "algorithm=\"MD5\""},
        {{"Digest SHA-256"}, "algorithm=\"SHA-256\""},
        {{"Digest MD5", "Digest SHA-256"}, "algorithm=\"SHA-256\""},
    };
    Json::Value options;
    options["AuthType"] = 1;
    ASSERT_TRUE(COnvifBaseComm::instance()->setOnvifOptionCfg(options));
    initOnvifComponentLibrary();
    for (const auto& row : rows) {
        OnvifSim::CDeviceDescription description;
        std::string error;
        ASSERT_TRUE(
            OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description, error))
            << error;
        description.authMode = M::Digest;
        description.challenges = row.offered;
        OnvifSim::CSimServer server;
        auto device = server.addDevice(description, &error);
        ASSERT_TRUE(device) << error;

        Zentar::Component::ServerInfo info;
        info.address = "127.0.0.1";
        info.port = device->port();
        info.userName = description.users.at(0).name;
        info.password = description.users.at(0).password;
        auto* client =
            dynamic_cast<COnvifClient*>(Zentar::Component::getComponentInstance("Client", "Onvif", &info));
        ASSERT_NE(client, nullptr);
        EXPECT_TRUE(client->login()) << row.used;
        client->destroy();
        int digestTries = 0;
        for (const OnvifSim::CRecordedRequest& r : device->requests()) {
            const std::string authorization = r.header("Authorization");
            if (authorization.rfind("Digest", 0) != 0)
                continue;
            ++digestTries;
            EXPECT_NE(authorization.find(row.used), std::string::npos) << authorization;
        }
        EXPECT_GT(digestTries, 0) << row.used;
    }
    COnvifBaseComm::instance()->resetOptions();
}

INSTANTIATE_TEST_SUITE_P(ModesAndOptions, AuthMatrix, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<AuthCase>& p) {
                             return std::string(OnvifSim::ToString(p.param.mode)) + "_AuthType" +
                                    std::to_string(p.param.authType);
                         });

} // namespace
