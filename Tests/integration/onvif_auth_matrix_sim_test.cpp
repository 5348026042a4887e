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

// One login of a client to a shipped camera description under `mode`, with the digest
// challenges offered (empty: the description's own). Returns what a test checks.
struct LoginRun {
    bool loggedIn = false;
    uint32_t code = 0;
    std::vector<std::string> digestAnswers;   // every Authorization the device saw that was Digest
};

LoginRun LoginToSimulatedCamera(OnvifSim::EAuthMode mode, const std::vector<std::string>& challenges = {})
{
    LoginRun run;
    OnvifSim::CDeviceDescription description;
    std::string error;
    if (!OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description, error)) {
        ADD_FAILURE() << error;
        return run;
    }
    description.authMode = mode;
    description.anonymousOperations = {"GetSystemDateAndTime"};   // nothing else without credentials
    if (!challenges.empty())
        description.challenges = challenges;
    OnvifSim::CSimServer server;
    auto device = server.addDevice(description, &error);
    if (!device) {
        ADD_FAILURE() << error;
        return run;
    }
    Zentar::Component::ServerInfo info;
    info.address = "127.0.0.1";
    info.port = device->port();
    info.userName = description.users.at(0).name;
    info.password = description.users.at(0).password;
    auto* client = dynamic_cast<COnvifClient*>(Zentar::Component::getComponentInstance("Client", "Onvif", &info));
    if (client == nullptr) {
        ADD_FAILURE() << "no client component";
        return run;
    }
    run.loggedIn = client->login();
    run.code = Zentar::Infra::getLastError();
    client->destroy();
    for (const OnvifSim::CRecordedRequest& r : device->requests())
        if (r.header("Authorization").rfind("Digest", 0) == 0)
            run.digestAnswers.push_back(r.header("Authorization"));
    return run;
}

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

    const LoginRun run = LoginToSimulatedCamera(c.mode);
    EXPECT_EQ(c.loggedIn, run.loggedIn);
    if (!c.loggedIn) {
        EXPECT_EQ(ONVIF_ERR_BAD_CREDENTIALS, run.code) << "a refusal reads as wrong credentials";
    }

    // Whatever was tried, a digest answer went only where digest was asked for.
    const size_t digestTries = run.digestAnswers.size();
    if (c.authType == 0) {
        EXPECT_EQ(0u, digestTries);
    }
    if (c.loggedIn && c.mode == M::Digest) {
        EXPECT_GT(digestTries, 0u);
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
        const LoginRun run = LoginToSimulatedCamera(M::Digest, row.offered);
        EXPECT_TRUE(run.loggedIn) << row.used;
        EXPECT_FALSE(run.digestAnswers.empty()) << row.used;
        for (const std::string& answer : run.digestAnswers)
            EXPECT_NE(answer.find(row.used), std::string::npos) << answer;
    }
    COnvifBaseComm::instance()->resetOptions();
}

INSTANTIATE_TEST_SUITE_P(ModesAndOptions, AuthMatrix, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<AuthCase>& p) {
                             return std::string(OnvifSim::ToString(p.param.mode)) + "_AuthType" +
                                    std::to_string(p.param.authType);
                         });

} // namespace
