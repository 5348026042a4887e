// onvif-cli run as a user runs it: a separate process against its embedded simulator.
#include <gtest/gtest.h>
#include <json/json.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <memory>

#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs onvif-cli with args; `timeout` ends a hung run so a fault fails the test instead of
// stalling the suite.
RunResult runCli(const std::string& args)
{
    char errTemplate[] = "/tmp/onvif-cli-test-XXXXXX";
    const int errFd = mkstemp(errTemplate);
    if (errFd >= 0)
        close(errFd);
    const std::string command =
        std::string("timeout 60 ") + ONVIF_CLI_PATH + " " + args + " 2>" + errTemplate;
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errTemplate);
    std::stringstream text;
    text << err.rdbuf();
    result.err = text.str();
    unlink(errTemplate);
    return result;
}

bool parseJson(const std::string& text, Json::Value& out)
{
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream in(text);
    return Json::parseFromStream(builder, in, &out, &errors);
}

TEST(CliProcess, TourPassesAgainstTheEmbeddedSimulator)
{
    const RunResult run = runCli("tour");
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("embedded simulator"), std::string::npos);
    EXPECT_NE(run.out.find("0 failed"), std::string::npos) << run.out;
    // Library log lines stay out of the report unless asked for.
    EXPECT_EQ(run.out.find("[QX_3rd-"), std::string::npos);
}

TEST(CliProcess, TourJsonReportsEveryStep)
{
    const RunResult run = runCli("tour --json");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Json::Value report;
    ASSERT_TRUE(parseJson(run.out, report)) << run.out;
    EXPECT_EQ(report["Failed"].asInt(), 0);
    ASSERT_GE(report["Steps"].size(), 5u);
    EXPECT_EQ(report["Steps"][0]["Step"].asString(), "login");
    for (const Json::Value& step : report["Steps"])
        EXPECT_TRUE(step["Passed"].asBool()) << step["Step"].asString() << ": " << step["Error"].asString();
}

TEST(CliProcess, ProfilesJsonCarriesTheSimulatorsTokens)
{
    const RunResult run = runCli("profiles --json");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Json::Value profiles;
    ASSERT_TRUE(parseJson(run.out, profiles)) << run.out;
    const Json::Value& channels = profiles["Channels"];
    ASSERT_EQ(channels.size(), 2u);
    const char* expected[2][2] = {{"Profile_101", "Profile_102"}, {"Profile_201", "Profile_202"}};
    for (int c = 0; c < 2; ++c) {
        for (int s = 0; s < 2; ++s)
            EXPECT_EQ(channels[c][s]["ProfileToken"].asString(), expected[c][s]);
    }
}

TEST(CliProcess, StreamUriNamesTheTransportsAddress)
{
    const RunResult tcp = runCli("stream-uri 1 0 --json");
    ASSERT_EQ(tcp.exitCode, 0) << tcp.err;
    Json::Value uri;
    ASSERT_TRUE(parseJson(tcp.out, uri)) << tcp.out;
    EXPECT_EQ(uri["Uri"].asString().rfind("rtsp://127.0.0.1", 0), 0u) << uri["Uri"].asString();

    const RunResult missing = runCli("stream-uri 0 9");
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_NE(missing.err.find("no tcp stream address for channel 0 stream 9"), std::string::npos) << missing.err;
}

TEST(CliProcess, FailuresAreOneSentenceAndANonZeroExit)
{
    struct Case {
        const char* args;
        const char* sentence;
    } cases[] = {
        {"--password wrong info", "refused the user name or password (error 0x10030015)."},
        {"--host 127.0.0.1 --port 1 --timeout 1000 info", "could not be reached"},
        {"time set --zone GMT+07:77", "is not one of the host's zones"},
    };
    for (const Case& c : cases) {
        const RunResult run = runCli(c.args);
        EXPECT_NE(run.exitCode, 0) << c.args;
        EXPECT_NE(run.err.find(c.sentence), std::string::npos) << c.args << "\n" << run.err;
        // One sentence, not a stack of log lines.
        EXPECT_EQ(run.err.find("[ERRLN]"), std::string::npos) << c.args;
    }
}

TEST(CliProcess, UnknownOptionGivesUsage)
{
    for (const char* args : {"--frobnicate info", "", "stream-uri x y", "info --port 70000"}) {
        const RunResult run = runCli(args);
        EXPECT_NE(run.exitCode, 0) << args;
        EXPECT_NE(run.err.find("Usage"), std::string::npos) << args << "\n" << run.err;
        EXPECT_LT(run.exitCode, 128) << "signal-like exit for: " << args;
    }
}

TEST(CliProcess, LogLevelShowsLibraryLinesOnStderr)
{
    const RunResult run = runCli("--log-level 3 info");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_NE(run.err.find("[QX_3rd-1643714]"), std::string::npos);
    EXPECT_EQ(run.out.find("[QX_3rd-1643714]"), std::string::npos);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(CliProcess, SnapshotWritesAJpegOfTheProfileSize)
{
    const std::string path = "/tmp/onvif-cli-test-snapshot.jpg";
    const RunResult run = runCli("snapshot 1 -o " + path + " --json");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Json::Value result;
    ASSERT_TRUE(parseJson(run.out, result)) << run.out;
    EXPECT_EQ(result["Width"].asInt(), 1920);
    EXPECT_EQ(result["Height"].asInt(), 1080);
    const std::string jpeg = readFile(path);
    unlink(path.c_str());
    ASSERT_GT(jpeg.size(), 100u);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[1]), 0xD8);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[jpeg.size() - 2]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[jpeg.size() - 1]), 0xD9);
    EXPECT_EQ(result["Bytes"].asUInt64(), jpeg.size());
}

TEST(CliProcess, StreamWritesAnAnnexBFileFromAKeyFrame)
{
    const std::string path = "/tmp/onvif-cli-test-stream.264";
    const RunResult run = runCli("stream 0 1 --seconds 2 --transport udp -o " + path + " --json");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Json::Value result;
    ASSERT_TRUE(parseJson(run.out, result)) << run.out;
    EXPECT_GE(result["Frames"].asInt(), 10);
    EXPECT_GE(result["KeyFrames"].asInt(), 1);
    EXPECT_EQ(result["Width"].asInt(), 640);
    const std::string stream = readFile(path);
    unlink(path.c_str());
    ASSERT_GT(stream.size(), 5u);
    // Annex B, opening with the sequence parameter set so that decoders can start.
    const size_t nal = stream.compare(0, 4, std::string("\0\0\0\1", 4)) == 0 ? 4 : 3;
    EXPECT_EQ(stream.compare(0, nal, std::string("\0\0\0\1", 4), 4 - nal, nal), 0);
    EXPECT_EQ(static_cast<unsigned char>(stream[nal]) & 0x1F, 7);
}

// A camera of the test's own: named with --host, it answers slowly, and the user sees
// progress instead of silence.
TEST(CliProcess, NamedDeviceAndAProgressLineForASlowAnswer)
{
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CSimServer server;
    std::string error;
    auto device = server.addDeviceFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", &error);
    ASSERT_TRUE(device) << error;
    Json::Value slow;
    slow["kind"] = "delay";
    slow["operation"] = "GetDeviceInformation";
    slow["delayMs"] = 1800;
    slow["count"] = 1;
    ASSERT_TRUE(device->addFault(slow, &error)) << error;
    const auto user = device->description().users.at(0);
    const RunResult run = runCli("--host 127.0.0.1 --port " + std::to_string(device->port()) + " --user " + user.name +
                                 " --password " + user.password + " --timeout 8000 info --json");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Json::Value info;
    ASSERT_TRUE(parseJson(run.out, info)) << run.out;
    EXPECT_EQ(info["Identity"]["Model"].asString(), device->description().identity.model);
    EXPECT_NE(run.err.find("... waiting for http://127.0.0.1:"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("embedded simulator"), std::string::npos);

    // Any RTSP address, without ONVIF, with the credentials in it.
    std::string url = device->rtspUrl("Profile_1");
    url.insert(url.find("://") + 3, user.name + ":" + user.password + "@");
    const RunResult bare = runCli("stream --url " + url + " --seconds 1 --json");
    ASSERT_EQ(bare.exitCode, 0) << bare.err;
    Json::Value summary;
    ASSERT_TRUE(parseJson(bare.out, summary)) << bare.out;
    EXPECT_GE(summary["Frames"].asInt(), 1);
    server.stop();
}

// The administration commands against a device that keeps its state between runs, as a
// standalone simulator does: what one run changes, the next one reads.
class CliAgainstOneDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        OnvifSim::SetLogEnabled(false);
        std::string error;
        OnvifSim::CDeviceDescription description;
        ASSERT_TRUE(OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description, error))
            << error;
        description.raw["firmware"]["rebootSeconds"] = 1;
        m_device = m_server.addDevice(description, &error);
        ASSERT_TRUE(m_device) << error;
    }
    RunResult run(const std::string& user, const std::string& password, const std::string& command)
    {
        return runCli("--host 127.0.0.1 --port " + std::to_string(m_device->port()) + " --user " + user +
                      " --password " + password + " " + command);
    }
    Json::Value json(const RunResult& result)
    {
        Json::Value value;
        EXPECT_TRUE(parseJson(result.out, value)) << result.out << result.err;
        return value;
    }

    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
};

TEST_F(CliAgainstOneDevice, UsersAddedAreListedAndAnOperatorIsRefused)
{
    const RunResult added = run("admin", "admin123", "users add nvr --level Operator --password Rec0rder --json");
    ASSERT_EQ(added.exitCode, 0) << added.err;
    const Json::Value users = json(run("admin", "admin123", "users --json"));
    bool listed = false;
    for (const Json::Value& user : users["Users"])
        listed = listed || (user["Name"] == "nvr" && user["Type"] == "Operator");
    EXPECT_TRUE(listed) << users.toStyledString();

    const RunResult refused = run("operator", "oper123", "users add evil --level Administrator --password x");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("refused to create user evil"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("this is operator"), std::string::npos) << refused.err;

    ASSERT_EQ(run("admin", "admin123", "users password nvr --password N3w").exitCode, 0);
    EXPECT_EQ(run("nvr", "N3w", "info --json").exitCode, 0) << "the new password logs in";
    ASSERT_EQ(run("admin", "admin123", "users remove nvr").exitCode, 0);
    EXPECT_EQ(json(run("admin", "admin123", "users --json"))["Users"].size(), 3u);
}

TEST_F(CliAgainstOneDevice, NetworkAndPortsChangeAndReadBack)
{
    const RunResult set =
        run("admin", "admin123", "network set --ip 10.9.8.7 --mask 255.255.0.0 --gateway 10.9.0.1 --dns 10.9.0.53 --json");
    ASSERT_EQ(set.exitCode, 0) << set.err;
    const Json::Value network = json(run("admin", "admin123", "network --json"));
    EXPECT_EQ(network["eth0"]["IPAddress"].asString(), "10.9.8.7");
    EXPECT_EQ(network["eth0"]["SubnetMask"].asString(), "255.255.0.0");
    EXPECT_EQ(network["eth0"]["DefaultGateway"].asString(), "10.9.0.1");
    EXPECT_EQ(network["eth0"]["DnsServers"][0].asString(), "10.9.0.53");
    EXPECT_NE(run("admin", "admin123", "network set --mask 255.0.255.0").exitCode, 0) << "not a mask";

    ASSERT_EQ(run("admin", "admin123", "ports set --rtsp 8554 --http 8080").exitCode, 0);
    const Json::Value ports = json(run("admin", "admin123", "ports --json"));
    EXPECT_EQ(ports["RTSP"]["Port"].asInt(), 8554);
    EXPECT_EQ(ports["HTTP"]["Port"].asInt(), 8080);
    EXPECT_EQ(ports["HTTPS"]["Port"].asInt(), 443);
}

TEST_F(CliAgainstOneDevice, UpgradeShowsProgressTheRebootAndTheNewVersion)
{
    const std::string path = ::testing::TempDir() + "/cli_upgrade_image.bin";
    {
        std::ofstream out(path, std::ios::binary);
        out << "SIMFW 6.2.0\n" << std::string(5 * 1024 * 1024, 'z');
    }
    const RunResult upgrade = run("admin", "admin123", "upgrade " + path);
    ASSERT_EQ(upgrade.exitCode, 0) << upgrade.out << upgrade.err;
    EXPECT_NE(upgrade.err.find("10%  Upgrading"), std::string::npos) << upgrade.err;
    EXPECT_NE(upgrade.err.find("100%  Succeeded"), std::string::npos) << upgrade.err;
    EXPECT_NE(upgrade.out.find("went away and came back"), std::string::npos) << upgrade.out;
    EXPECT_NE(upgrade.out.find("-> 6.2.0"), std::string::npos) << upgrade.out;

    std::ofstream(path, std::ios::binary) << "not an image";
    const RunResult refused = run("admin", "admin123", "upgrade " + path + " --json");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("refused the image"), std::string::npos) << refused.err;
    std::remove(path.c_str());
}

} // namespace
