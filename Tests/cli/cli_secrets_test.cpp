// A whole CLI session at the most verbose log level must leave no credential behind: not in
// the library's log files, not on stderr, not on stdout.
#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "cli_run.h"

namespace fs = std::filesystem;

namespace {

// Passwords nobody else uses, so that any hit is a leak.
const char kLoginPassword[] = "S3cr3t-Pa55-xyz";
const char kNewUserPassword[] = "N3wUs3r-Pa55-qrs";
const char kChangedPassword[] = "Ch4ng3d-Pa55-uvw";
const char kNewUser[] = "tourist";

// The library writes its day's files beside the executable, one per process.
fs::path logDirectory() { return fs::path(ONVIF_CLI_PATH).parent_path() / "TarvolinLOG"; }

std::map<fs::path, uintmax_t> logSizes()
{
    std::map<fs::path, uintmax_t> sizes;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(logDirectory(), ec))
        sizes[entry.path()] = entry.file_size(ec);
    return sizes;
}

// What the log files gained since `before`: new files whole, older ones from their old end.
std::string logTextSince(const std::map<fs::path, uintmax_t>& before)
{
    std::string text;
    for (const auto& [path, size] : logSizes()) {
        const auto old = before.find(path);
        const uintmax_t from = old == before.end() ? 0 : old->second;
        if (size <= from)
            continue;
        std::ifstream in(path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(from));
        std::stringstream content;
        content << in.rdbuf();
        text += content.str();
    }
    return text;
}

// Every value the pattern's first group captures, where it is not the mask.
std::vector<std::string> unmasked(const std::string& text, const std::regex& pattern)
{
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it) {
        const std::string value = (*it)[1].str();
        if (!value.empty() && value != "******")
            found.push_back(it->str());
    }
    return found;
}

TEST(CliSecrets, AVerboseSessionLeavesNoCredentialInAnyLogOrOutput)
{
    std::string error;
    Json::Value raw;
    {
        std::ifstream in(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json");
        Json::CharReaderBuilder builder;
        ASSERT_TRUE(Json::parseFromStream(builder, in, &raw, &error)) << error;
    }
    raw["users"][0]["password"] = kLoginPassword;
    // Progressive pictures are refused by design; the snapshot step should pass through HTTP auth.
    raw["snapshot"]["progressive"] = false;
    OnvifSim::CDeviceDescription description;
    ASSERT_TRUE(OnvifSim::LoadDescription(raw, description, error)) << error;
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CSimServer server;
    auto device = server.addDevice(description, &error);
    ASSERT_TRUE(device) << error;
    const std::string login = loginOptions(*device) + " --log-level 5";
    ASSERT_NE(login.find(kLoginPassword), std::string::npos);

    const auto before = logSizes();
    // WS-Security first and HTTP digest when refused; then digest alone; then a new account
    // and a change of its password, which travel as users requests.
    // The tour's own steps are judged by the tour tests; here it must get past the login.
    const struct {
        std::string args;
        bool wholeRunPasses;
    } runs[] = {
        {login + " --auth auto tour", false},
        {login + " --auth digest info", true},
        {login + " users add " + kNewUser + " --password " + kNewUserPassword, true},
        {login + " users password " + kNewUser + " --password " + kChangedPassword, true},
    };
    std::string everything;
    for (const auto& step : runs) {
        SCOPED_TRACE(step.args);
        const RunResult run = runCli(step.args);
        if (step.wholeRunPasses)
            EXPECT_EQ(run.exitCode, 0) << run.out << run.err.substr(run.err.size() > 4000 ? run.err.size() - 4000 : 0);
        else
            EXPECT_NE(run.out.find("): passed\n  Logged in as"), std::string::npos) << run.out;
        everything += run.out + run.err;
    }
    // The steps really reached the device: the account exists with its changed password.
    bool changed = false;
    for (const OnvifSim::CSimUser& user : device->description().users)
        changed |= user.name == kNewUser && user.password == kChangedPassword;
    EXPECT_TRUE(changed);

    const std::string logs = logTextSince(before);
    ASSERT_FALSE(logs.empty()) << "no log file written under " << logDirectory();
    everything += logs;
    // Verbose lines did carry credentials, masked: otherwise this test would prove nothing.
    EXPECT_NE(everything.find("******"), std::string::npos);

    for (const char* secret : {kLoginPassword, kNewUserPassword, kChangedPassword}) {
        const size_t at = everything.find(secret);
        EXPECT_EQ(at, std::string::npos)
            << secret << " in: " << everything.substr(at < 300 ? 0 : at - 300, 400);
    }
    const struct {
        const char* what;
        std::regex pattern;
    } kCredentials[] = {
        {"Authorization value", std::regex(R"([Aa]uthorization:[ \t]*([^\r\n]*))")},
        {"digest response", std::regex(R"(\bresponse=\\?"?([^",\s\\]*))")},
        {"PasswordDigest", std::regex(R"(PasswordDigest\\?">([^<]*)<)")},
    };
    for (const auto& credential : kCredentials) {
        const auto leaks = unmasked(everything, credential.pattern);
        EXPECT_TRUE(leaks.empty()) << credential.what << ": " << leaks.size() << " leaks, first: " << leaks.front();
    }
}

} // namespace
