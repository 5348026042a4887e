// onvif-capture against every shipped simulated device, and the capture replayed: the
// replay must take the tour's device and media steps as the device itself does, nothing
// the capture sends may change the device, and nothing secret may reach the folder.
#include <gtest/gtest.h>
#include <json/json.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "Capture.h"
#include "OnvifSim/SimServer.h"

namespace fs = std::filesystem;

namespace {

const char kMac[] = "00:1a:2b:3c:4d:5e";
// Tour steps that change the device or need it to live: skipped on a replay.
const std::set<std::string> kLiveSteps = {"time set", "time (after set)", "ptz", "recordings 0", "events",
                                           "config"};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ParseJson(const std::string& text, Json::Value& out)
{
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream in(text);
    return Json::parseFromStream(builder, in, &out, &errors);
}

// A folder name for one capture, removed with its contents afterwards.
class CScratch {
public:
    explicit CScratch(const std::string& name)
        : m_path(::testing::TempDir() + "capture_" + std::to_string(getpid()) + "_" + name)
    {
        fs::remove_all(m_path);
    }
    ~CScratch() { fs::remove_all(m_path); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// onvif-cli with args; stdout only. `timeout` ends a hung run.
std::string RunCli(const std::string& args, int& exitCode)
{
    const std::string command = std::string("timeout 120 ") + ONVIF_CLI_PATH + " " + args + " 2>/dev/null";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 4096> buffer;
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        out.append(buffer.data(), n);
    const int status = pclose(pipe);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

struct CCaptureResult {
    int exitCode = -1;
    std::string out, err;
};

CCaptureResult Capture(const OnvifCapture::CCaptureOptions& options)
{
    std::ostringstream out, err;
    CCaptureResult result;
    result.exitCode = OnvifCapture::RunCapture(options, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

// Capture of a simulated device into `dir` as its first user.
OnvifCapture::CCaptureOptions OptionsFor(OnvifSim::CSimDevice& device, const std::string& dir)
{
    OnvifCapture::CCaptureOptions options;
    options.dir = dir;
    options.host = "127.0.0.1";
    options.port = device.port();
    options.user = device.description().users.at(0).name;
    options.password = device.description().users.at(0).password;
    return options;
}

std::vector<std::string> ShippedDevices()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(OnvifSim::DevicesDir()))
        if (entry.path().extension() == ".json")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class CaptureShipped : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        OnvifSim::SetLogEnabled(false);
        ASSERT_TRUE(ParseJson(ReadFile(OnvifSim::DevicesDir() + "/" + GetParam() + ".json"), m_json));
        // Real cameras name their MAC and serial in scopes; the shipped descriptions do not.
        m_json["scopes"].append("onvif://www.onvif.org/MAC/" + std::string(kMac));
        m_json["scopes"].append("onvif://www.onvif.org/serial/" + m_json["identity"]["serialNumber"].asString());
        std::string error;
        m_device = m_server.addDevice(m_json, &error);
        ASSERT_TRUE(m_device) << error;
        const auto user = m_device->description().users.at(0);
        m_options = OptionsFor(*m_device, "");
        m_options.auth = m_json["auth"]["mode"].asString() == "digest" ? "digest" : "wsse";
        m_login = "--host 127.0.0.1 --port " + std::to_string(m_options.port) + " --user " + user.name +
                  " --password " + user.password + " --auth " + m_options.auth;
        // A device behind a mapped port is reached through the login's own address.
        if (m_json.isMember("advertisedHost"))
            m_login += " --media-port " + std::to_string(m_device->rtspPort());
    }
    void TearDown() override { OnvifSim::SetLogEnabled(true); }

    Json::Value m_json;
    OnvifSim::CSimServer m_server;
    std::shared_ptr<OnvifSim::CSimDevice> m_device;
    OnvifCapture::CCaptureOptions m_options;
    std::string m_login;
};

TEST_P(CaptureShipped, CleanCaptureReplaysThroughTheTour)
{
    CScratch folder(GetParam());
    m_options.dir = folder.path();
    const CCaptureResult capture = Capture(m_options);
    ASSERT_EQ(capture.exitCode, 0) << capture.err << capture.out;
    EXPECT_NE(capture.out.find("answers written to " + folder.path()), std::string::npos) << capture.out;
    // Every row the device could answer was sent: tokens reach rows that require them.
    EXPECT_EQ(capture.out.find("cannot write its request"), std::string::npos) << capture.out;

    // Only reads reached the device (and the empty first leg of each HTTP digest exchange).
    for (const auto& request : m_device->requests()) {
        EXPECT_TRUE(request.operation.empty() ? request.body.empty() : request.operation.rfind("Get", 0) == 0)
            << request.operation << " " << request.body.substr(0, 200);
    }

    // Nothing secret in any file, stand-ins where the values were, a manifest entry per answer.
    Json::Value manifest;
    ASSERT_TRUE(ParseJson(ReadFile(folder.path() + "/manifest.json"), manifest));
    std::vector<std::string> secrets = {m_json["identity"]["serialNumber"].asString(), kMac, "00-1a-2b"};
    for (const auto& user : m_device->description().users)
        secrets.push_back(user.password);
    size_t answers = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        const std::string text = ReadFile(entry.path());
        for (const std::string& secret : secrets)
            EXPECT_EQ(text.find(secret), std::string::npos) << secret << " in " << entry.path();
        const std::string name = entry.path().stem().string();
        if (entry.path().extension() == ".xml")
            answers += manifest["responses"].isMember(name) ? 1 : 0;
    }
    EXPECT_EQ(answers, manifest["responses"].size());
    EXPECT_NE(ReadFile(folder.path() + "/device.GetDeviceInformation.xml").find(">SCRUBBED-SERIAL-1<"),
              std::string::npos);
    const std::string scopes = ReadFile(folder.path() + "/device.GetScopes.xml");
    // Stand-ins are numbered in the order the answers are cleaned: the interfaces come first.
    EXPECT_NE(scopes.find("/MAC/02:00:00:00:00:0"), std::string::npos) << scopes;
    const std::string interfaces = ReadFile(folder.path() + "/device.GetNetworkInterfaces.xml");
    EXPECT_NE(interfaces.find("HwAddress>02:00:00:00:00:01<"), std::string::npos) << interfaces;
    EXPECT_NE(scopes.find("/serial/SCRUBBED-SERIAL-1<"), std::string::npos) << scopes;

    // The replay: every device and media step passes as on the device itself (a device
    // without snapshots fails its snapshot steps either way); live steps are skipped.
    int exitCode = -1;
    Json::Value live, tour;
    ASSERT_TRUE(ParseJson(RunCli(m_login + " profiles --json", exitCode), live));
    ASSERT_TRUE(ParseJson(RunCli("--replay " + folder.path() + " tour --json", exitCode), tour));
    const bool snapshots = m_json["media"].get("snapshot", true).asBool();
    int streams = 0;
    for (const Json::Value& step : tour["Steps"]) {
        const std::string name = step["Step"].asString();
        if (kLiveSteps.count(name))
            EXPECT_EQ(step["Skipped"].asString(), "not available on a replayed device") << name;
        else if (name.rfind("snapshot", 0) == 0 && !snapshots)
            EXPECT_FALSE(step["Passed"].asBool()) << name;
        else
            EXPECT_TRUE(step["Passed"].asBool()) << name << ": " << step["Error"].asString();
        streams += name.rfind("stream ", 0) == 0 && step["Passed"].asBool();
        if (name == "profiles") {
            EXPECT_EQ(step["Result"]["Channels"], live["Channels"]);
        }
    }
    int described = 0;
    for (const Json::Value& channel : live["Channels"])
        described += static_cast<int>(channel.size());
    EXPECT_GT(described, 0);
    EXPECT_EQ(streams, described);
}

INSTANTIATE_TEST_SUITE_P(Devices, CaptureShipped, ::testing::ValuesIn(ShippedDevices()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 c = isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

// A fault is kept as the device sent it, with its status, and the summary counts them all.
TEST(CaptureFaults, RecordedWithTheirStatusAndCounted)
{
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CSimServer server;
    std::string error;
    auto device = server.addDeviceFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", &error);
    ASSERT_TRUE(device) << error;
    Json::Value fault;
    fault["kind"] = "soapFault";
    fault["operation"] = "GetVideoSources";
    fault["status"] = 503;
    fault["code"] = "Receiver";
    fault["subcodes"].append("Busy");
    ASSERT_TRUE(device->addFault(fault, &error)) << error;
    CScratch folder("faults");
    const CCaptureResult capture = Capture(OptionsFor(*device, folder.path()));
    OnvifSim::SetLogEnabled(true);
    ASSERT_EQ(capture.exitCode, 0) << capture.err;
    Json::Value manifest;
    ASSERT_TRUE(ParseJson(ReadFile(folder.path() + "/manifest.json"), manifest));
    EXPECT_EQ(manifest["responses"]["media.GetVideoSources"]["status"].asInt(), 503);
    EXPECT_NE(ReadFile(folder.path() + "/media.GetVideoSources.xml").find("Busy"), std::string::npos);
    int faults = 0;
    for (const std::string& name : manifest["responses"].getMemberNames()) {
        const int status = manifest["responses"][name]["status"].asInt();
        faults += status < 200 || status >= 300 ||
                  ReadFile(folder.path() + "/" + name + ".xml").find(":Fault>") != std::string::npos;
    }
    EXPECT_GE(faults, 1);
    EXPECT_NE(capture.out.find("(" + std::to_string(faults) + " faults)"), std::string::npos) << capture.out;
}

struct CRefusalCase {
    const char* name;
    const char* device;
    void (*change)(OnvifCapture::CCaptureOptions&);
    bool folderInUse;      // the folder already holds a file
    const char* sentence;
};

void PrintTo(const CRefusalCase& c, std::ostream* os) { *os << c.name; }

class CaptureRefusal : public ::testing::TestWithParam<CRefusalCase> {};

// One line on stderr and exit code 1; a folder the run made for nothing is taken back.
TEST_P(CaptureRefusal, OneLineAndExitOne)
{
    const CRefusalCase& c = GetParam();
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CSimServer server;
    std::string error;
    auto device = server.addDeviceFile(OnvifSim::DevicesDir() + "/" + c.device, &error);
    ASSERT_TRUE(device) << error;
    CScratch folder(c.name);
    if (c.folderInUse) {
        fs::create_directories(folder.path());
        std::ofstream(folder.path() + "/notes.txt") << "earlier capture";
    }
    OnvifCapture::CCaptureOptions options = OptionsFor(*device, folder.path());
    options.timeoutMs = 2000;
    c.change(options);
    const CCaptureResult capture = Capture(options);
    OnvifSim::SetLogEnabled(true);
    EXPECT_EQ(capture.exitCode, 1);
    EXPECT_NE(capture.err.find(c.sentence), std::string::npos) << capture.err;
    EXPECT_EQ(std::count(capture.err.begin(), capture.err.end(), '\n'), 1) << capture.err;
    EXPECT_EQ(fs::exists(folder.path()), c.folderInUse);
    if (c.folderInUse) {
        EXPECT_TRUE(device->requests().empty());   // the folder is checked before the device is asked
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CaptureRefusal, ::testing::Values(
    CRefusalCase{"Unreachable", "camera-1ch-media.json", [](auto& o) { o.port = 1; }, false, "cannot reach"},
    CRefusalCase{"WrongPassword", "camera-1ch-media.json", [](auto& o) { o.password = "wrong"; }, false,
                 "refused the user name or password"},
    CRefusalCase{"DigestOnlyDeviceWithWsse", "recorder-4ch.json", [](auto&) {}, false, "needs --auth digest"},
    CRefusalCase{"FolderInUse", "camera-1ch-media.json", [](auto&) {}, true, "not empty"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
