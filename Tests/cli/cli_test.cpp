// onvif-cli run as a user runs it: a separate process against its embedded simulator.
#include <gtest/gtest.h>
#include <json/json.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <algorithm>
#include <chrono>
#include <set>
#include <vector>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <poll.h>
#include <signal.h>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>

#include "cli_run.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

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

// The encoder of the embedded Media2 camera, changed in the host's terms and read back in the
// same run: only the value given changes, an out-of-range frame rate is announced.
TEST(CliProcess, EncoderSetChangesOnlyWhatIsGivenAndReadsBack)
{
    const RunResult before = runCli("encoder 0 0 --json");
    ASSERT_EQ(before.exitCode, 0) << before.err;
    Json::Value old;
    ASSERT_TRUE(parseJson(before.out, old)) << before.out;
    EXPECT_FALSE(old["Options"]["CompressionTypes"].empty()) << before.out;

    const RunResult set = runCli("encoder 0 0 set --bitrate 1234 --fps 100 --json");
    ASSERT_EQ(set.exitCode, 0) << set.err;
    Json::Value after;
    ASSERT_TRUE(parseJson(set.out, after)) << set.out;
    EXPECT_EQ(1234, after["Encoder"]["Video"]["BitRate"].asInt());
    EXPECT_EQ(old["Options"]["FPSMax"], after["Encoder"]["Video"]["FPS"]) << "clamped to the maximum";
    EXPECT_EQ(old["Encoder"]["Video"]["Compression"], after["Encoder"]["Video"]["Compression"]);
    EXPECT_EQ(old["Encoder"]["Video"]["Width"], after["Encoder"]["Video"]["Width"]);

    const RunResult bad = runCli("encoder 0 0 set --resolution wide");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("WIDTHxHEIGHT"), std::string::npos) << bad.err;
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
    const RunResult run = runCli(loginOptions(*device) + " --timeout 8000 info --json");
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

// The dome of the test's own camera across separate runs, as with a standalone simulator:
// a move changes the status, a preset set in one run is recalled by its number in another
// (the CLI keeps the numbers as a recorder does), and a channel without PTZ says so.
TEST(CliProcess, PtzMovesStoresAndRecallsAcrossRuns)
{
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CSimServer server;
    std::string error;
    auto device = server.addDeviceFile(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json", &error);
    ASSERT_TRUE(device) << error;
    char stateDir[] = "/tmp/onvif-cli-state-XXXXXX";
    ASSERT_NE(mkdtemp(stateDir), nullptr);
    const std::string env = std::string("ONVIF_CLI_STATE_DIR=") + stateDir;
    const std::string dev = loginOptions(*device) + " ";
    auto pan = [&](const RunResult& run) {
        Json::Value status;
        EXPECT_TRUE(parseJson(run.out, status)) << run.out << run.err;
        return status["Postion"];
    };

    ASSERT_EQ(runCli(dev + "ptz 1 move --pan 0.5 --seconds 1 --json", env).exitCode, 0);
    const Json::Value moved = pan(runCli(dev + "ptz 1 status --json", env));
    EXPECT_LT(moved[0].asDouble(), 0.75) << "host pan starts at 1 and the ONVIF pan went up";
    EXPECT_GT(moved[0].asDouble(), 0.25);

    const RunResult set = runCli(dev + "ptz 1 preset set 3 Gate --json", env);
    ASSERT_EQ(set.exitCode, 0) << set.err;
    ASSERT_EQ(runCli(dev + "ptz 1 goto --pan -0.5 --tilt 0.2 --zoom 0.3", env).exitCode, 0);
    device->advanceMotionClock(5000);
    const RunResult list = runCli(dev + "ptz 1 preset list", env);
    EXPECT_NE(list.out.find("3  Gate"), std::string::npos) << list.out;
    ASSERT_EQ(runCli(dev + "ptz 1 preset goto 3", env).exitCode, 0);
    device->advanceMotionClock(5000);
    const Json::Value back = pan(runCli(dev + "ptz 1 status --json", env));
    for (Json::ArrayIndex i = 0; i < 3; ++i)
        EXPECT_NEAR(back[i].asDouble(), moved[i].asDouble(), 0.01) << i;

    const RunResult fixed = runCli(dev + "ptz 0 status", env);
    EXPECT_NE(fixed.exitCode, 0);
    EXPECT_NE(fixed.err.find("has no PTZ"), std::string::npos) << fixed.err;
    const RunResult refused = runCli(dev + "imaging 1 set --brightness 150", env);
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("refused Brightness 150"), std::string::npos) << refused.err;
    const RunResult colour = runCli(dev + "imaging 1 set --brightness 100 --json", env);
    ASSERT_EQ(colour.exitCode, 0) << colour.err;
    Json::Value table;
    ASSERT_TRUE(parseJson(colour.out, table)) << colour.out;
    EXPECT_EQ(table["ImagingSettings"]["Brightness"].asDouble(), 100.0);
    server.stop();
    std::system((std::string("rm -rf ") + stateDir).c_str());
}

} // namespace

namespace {

// The shipped digest-only recorder: refused with the default WS-Security, logged in with
// --auth digest or --auth auto.
TEST(CliProcess, DigestOnlyRecorderNeedsTheAuthOption)
{
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CSimServer server;
    std::string error;
    auto device = server.addDeviceFile(OnvifSim::DevicesDir() + "/recorder-4ch.json", &error);
    ASSERT_TRUE(device) << error;
    const std::string login = loginOptions(*device);
    const RunResult plain = runCli(login + " profiles");
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_NE(plain.err.find("error 0x10030015"), std::string::npos) << plain.err;
    for (const char* auth : {"digest", "auto"}) {
        const RunResult run = runCli(login + " --auth " + auth + " profiles --json");
        ASSERT_EQ(run.exitCode, 0) << auth << ": " << run.err;
        Json::Value profiles;
        ASSERT_TRUE(parseJson(run.out, profiles)) << run.out;
        EXPECT_EQ(4u, profiles["Channels"].size()) << auth;
    }
}

} // namespace

namespace {

// osd and io against one simulated camera the test keeps between runs: what one command
// changes, the next one (and the device) sees.
TEST(CliProcess, OsdAndRelayCommandsChangeTheDevice)
{
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CSimServer server;
    std::string error;
    auto device = server.addDeviceFile(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json", &error);
    ASSERT_TRUE(device) << error;
    const std::string login = loginOptions(*device);

    const RunResult add = runCli(login + " osd 1 add --text Gate --position 0.5,-0.25 --json");
    ASSERT_EQ(add.exitCode, 0) << add.err;
    Json::Value added;
    ASSERT_TRUE(parseJson(add.out, added)) << add.out;
    const std::string token = added["OSDToken"].asString();
    ASSERT_FALSE(token.empty());
    const RunResult list = runCli(login + " osd 1 --json");
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find(token), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Gate"), std::string::npos) << list.out;
    EXPECT_EQ(runCli(login + " osd 1 remove " + token).exitCode, 0);
    EXPECT_EQ(runCli(login + " osd 1 --json").out.find(token), std::string::npos);

    // Past the device's maximum the refusal reaches the operator with a code, not "error 0".
    RunResult refused;
    refused.exitCode = 0;
    for (int i = 0; i < 8 && refused.exitCode == 0; ++i)
        refused = runCli(login + " osd 1 add --text Full --position 0.1,0.1");
    EXPECT_NE(refused.exitCode, 0) << "the device never refused";
    EXPECT_NE(refused.err.find("refused the request"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("(error 0x10030016)"), std::string::npos) << refused.err;

    ASSERT_EQ(runCli(login + " io relay RelayOutput_1 on").exitCode, 0);
    EXPECT_TRUE(device->relayActive("RelayOutput_1"));
    ASSERT_EQ(runCli(login + " io relay RelayOutput_1 off").exitCode, 0);
    EXPECT_FALSE(device->relayActive("RelayOutput_1"));
    const RunResult bad = runCli(login + " osd 1 add --text X --position middle");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("upper-left"), std::string::npos) << bad.err;
}

} // namespace

namespace {

// "2026-12-06T10:00:00Z" for now plus an offset in seconds.
std::string utcFromNow(long long offsetSeconds)
{
    const time_t t = time(nullptr) + offsetSeconds;
    tm f{};
    gmtime_r(&t, &f);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &f);
    return text;
}

// The embedded recorder keeps the last day of every stream, but for one hour six hours ago.
TEST(CliProcess, RecordingsAndPlaybackOfTheEmbeddedRecorder)
{
    const std::string span = " --from " + utcFromNow(-3 * 3600) + " --to " + utcFromNow(-3600);
    const RunResult list = runCli("--sim recorder-2ch-playback recordings 1" + span + " --json");
    ASSERT_EQ(list.exitCode, 0) << list.err;
    Json::Value found;
    ASSERT_TRUE(parseJson(list.out, found)) << list.out;
    ASSERT_EQ(2u, found["Records"].size()) << list.out;
    EXPECT_NE(found["Records"][0]["Url"].asString().find("/replay/Rec_100"), std::string::npos);
    EXPECT_EQ("Extra1", found["Records"][1]["VideoStream"].asString());

    const std::string out = "/tmp/onvif-cli-test-playback.264";
    const RunResult play = runCli("--sim recorder-2ch-playback playback 0 --from " + utcFromNow(-3 * 3600) +
                                  " --speed 4 --seconds 3 -o " + out + " --json");
    ASSERT_EQ(play.exitCode, 0) << play.err;
    Json::Value report;
    ASSERT_TRUE(parseJson(play.out, report)) << play.out;
    EXPECT_GT(report["RecordingSecondsPerSecond"].asDouble(), 2.5) << play.out;
    EXPECT_GT(report["Frames"].asInt(), 25);
    // An H.264 elementary stream that starts with its parameter sets.
    std::ifstream file(out, std::ios::binary);
    std::string head(5, '\0');
    file.read(&head[0], 5);
    EXPECT_EQ(std::string("\0\0\0\1\x67", 5), head);
    unlink(out.c_str());
}

TEST(CliProcess, RecordingTimesAreCheckedBeforeAnythingIsSent)
{
    const struct {
        const char* args;
        const char* sentence;
    } cases[] = {
        {"recordings 0 --from 2026-12-06T10:00:00Z --to 2026-12-06T09:00:00Z", "lies before --from"},
        {"recordings 0 --from 2026-12-06 --to 2026-12-06T09:00:00Z", "--from takes a time"},
        {"recordings 0 --from 2026-12-06T10:00:00 --to 2026-12-06T11:00:00Z", "add --local"},
        {"recordings 0 --from 2026-12-06T10:00:00Z", "--to is required"},
        {"playback 0 --from 2026-12-06T10:00:00Z --seek-after 2", "go together"},
        {"playback 0 --from 2026-12-06T10:00:00Z --speed 0", "--speed"},
    };
    for (const auto& c : cases) {
        // An address nobody answers at: a refusal here can only come from the check.
        const RunResult run = runCli(std::string("--host 127.0.0.1 --port 9 ") + c.args);
        EXPECT_EQ(run.exitCode, 2) << c.args << ": " << run.err;
        EXPECT_NE(run.err.find(c.sentence), std::string::npos) << c.args << ": " << run.err;
    }
}

TEST(CliProcess, TourOfTheRecorderListsAndPlaysItsRecordings)
{
    const RunResult run = runCli("--sim recorder-2ch-playback tour --json");
    Json::Value report;
    ASSERT_TRUE(parseJson(run.out, report)) << run.out << run.err;
    std::map<std::string, bool> passed;
    for (const Json::Value& step : report["Steps"])
        passed[step["Step"].asString()] = step["Passed"].asBool();
    EXPECT_TRUE(passed["recordings 0"]) << run.out;
    EXPECT_TRUE(passed["playback 0"]) << run.out;
}
// Both ways of receiving events show the simulated motion as one alarm start and stop on
// channel 0, each a JSON line.
TEST(CliProcess, EventsShowTheSimulatedMotionInBothModes)
{
    for (const char* mode : {"--pull", "--push"}) {
        const RunResult run = runCli(std::string("events ") + mode + " --seconds 5 --json");
        ASSERT_EQ(run.exitCode, 0) << mode << ": " << run.err;
        std::vector<Json::Value> alarms;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            Json::Value alarm;
            if (!line.empty() && parseJson(line, alarm))
                alarms.push_back(alarm);
        }
        ASSERT_EQ(alarms.size(), 2u) << mode << ": " << run.out;
        EXPECT_EQ(alarms[0]["Event"].asString(), "VideoMotion") << mode;
        EXPECT_EQ(alarms[0]["Index"].asInt(), 0) << mode;
        EXPECT_EQ(alarms[0]["Action"].asString(), "start") << mode;
        EXPECT_EQ(alarms[1]["Action"].asString(), "stop") << mode;
    }
}

} // namespace

namespace {

// A camera on the IPv6 loopback: login, the device's own stream address and the video
// itself all carry the bracketed literal.
TEST(CliProcess, LoginAndStreamOverIpv6Loopback)
{
    OnvifSim::CDeviceDescription description;
    std::string error;
    ASSERT_TRUE(loadShippedDevice("camera-1ch-media", description));
    OnvifSim::CSimServer server;
    auto device = server.addDevice(description, &error, 0, "::1");
    if (!device)
        GTEST_SKIP() << "no IPv6 loopback here: " << error;
    const std::string login = loginOptions(*device, "::1");
    const RunResult info = runCli(login + " info --json");
    ASSERT_EQ(info.exitCode, 0) << info.err;
    Json::Value identity;
    ASSERT_TRUE(parseJson(info.out, identity)) << info.out;
    EXPECT_EQ(identity["Identity"]["Model"].asString(), description.identity.model);

    const RunResult uri = runCli(login + " stream-uri 0 0 --json");
    ASSERT_EQ(uri.exitCode, 0) << uri.err;
    EXPECT_NE(uri.out.find("rtsp://[::1]:"), std::string::npos) << uri.out;

    const RunResult stream = runCli(login + " stream 0 0 --seconds 1 --json");
    ASSERT_EQ(stream.exitCode, 0) << stream.err;
    Json::Value summary;
    ASSERT_TRUE(parseJson(stream.out, summary)) << stream.out;
    EXPECT_GE(summary["Frames"].asInt(), 1);
    server.stop();
}

// Snapshots by host name and by IPv6 literal, and --verify-tls: the simulator's self-signed
// certificate is refused until --ca names it, for the login and the picture alike.
TEST(CliProcess, SnapshotByNameAndIpv6AndVerifiedTls)
{
    OnvifSim::CDeviceDescription description;
    std::string error;
    ASSERT_TRUE(loadShippedDevice("camera-1ch-media", description));
    OnvifSim::CSimServer server;
    OnvifSim::CDeviceDescription secure = description;
    secure.https = true;
    auto plain = server.addDevice(description, &error);
    ASSERT_TRUE(plain) << error;
    auto tls = server.addDevice(secure, &error);
    ASSERT_TRUE(tls) << error;
    auto ipv6 = server.addDevice(description, &error, 0, "::1");
    const std::string ca = "/tmp/onvif-cli-test-ca-" + std::to_string(getpid()) + ".pem";
    std::ofstream(ca) << server.tlsCertificatePem();
    const std::string picture = "/tmp/onvif-cli-test-tls-" + std::to_string(getpid()) + ".jpg";

    const struct {
        const char* why;
        std::shared_ptr<OnvifSim::CSimDevice> device;
        const char* host;
        std::string extra;
        bool works;
    } cases[] = {
        {"host name", plain, "localhost", "", true},
        {"IPv6 literal", ipv6, "::1", "", true},
        {"https without verification", tls, "127.0.0.1", "--https", true},
        {"--verify-tls, self-signed", tls, "127.0.0.1", "--https --verify-tls", false},
        {"--verify-tls --ca", tls, "127.0.0.1", "--https --verify-tls --ca " + ca, true},
        {"--verify-tls --ca, by name", tls, "localhost", "--https --verify-tls --ca " + ca, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        if (!c.device) {
            std::cout << "skipped without an IPv6 loopback: " << error << "\n";
            continue;
        }
        unlink(picture.c_str());
        const RunResult run = runCli(loginOptions(*c.device, c.host) + " " + c.extra + " snapshot 0 -o " + picture);
        EXPECT_EQ(run.exitCode == 0, c.works) << run.out << run.err;
        const std::string jpeg = readFile(picture);
        EXPECT_EQ(jpeg.size() > 100, c.works);
    }
    unlink(picture.c_str());
    unlink(ca.c_str());
    server.stop();
}

} // namespace

namespace {

Json::Value loadJsonFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    Json::Value json;
    parseJson(text.str(), json);
    return json;
}

// A profile with an audio encoder and no video: what --url on it writes, by codec.
TEST(CliProcess, AudioOnlyStreamWritesTheAudio)
{
    OnvifSim::SetLogEnabled(false);
    struct Case {
        const char* device;
        const char* codec;
        bool adts;   // AAC units carry ADTS headers; G.711 is raw samples
    };
    const Case cases[] = {
        {"camera-1ch-media.json", "G.711 mu-law", false},
        {"camera-2ch-media2-h265.json", "AAC", true},
    };
    for (const Case& c : cases) {
        Json::Value description = loadJsonFile(OnvifSim::DevicesDir() + "/" + c.device);
        Json::Value audioOnly;
        audioOnly["token"] = "Profile_Audio";
        audioOnly["name"] = "Microphone";
        audioOnly["audioSource"] = "AudioSource_1";
        audioOnly["audioEncoder"] = "AudioEncoder_1";
        // A channel has room for three profiles.
        for (Json::Value& channel : description["channels"]) {
            if (channel["profiles"].size() < 3) {
                channel["profiles"].append(audioOnly);
                break;
            }
        }
        OnvifSim::CSimServer server;
        std::string error;
        auto device = server.addDevice(description, &error);
        ASSERT_TRUE(device) << c.device << ": " << error;
        const auto user = device->description().users.at(0);
        std::string url = device->rtspUrl("Profile_Audio");
        url.insert(url.find("://") + 3, user.name + ":" + user.password + "@");
        const std::string path = "/tmp/onvif-cli-audio-" + std::to_string(getpid()) + ".bin";
        const RunResult run = runCli("stream --url " + url + " --seconds 2 -o " + path + " --json");
        ASSERT_EQ(run.exitCode, 0) << c.device << ": " << run.err;
        Json::Value summary;
        ASSERT_TRUE(parseJson(run.out, summary)) << run.out;
        EXPECT_TRUE(summary["AudioOnly"].asBool()) << c.device;
        EXPECT_EQ(summary["AudioCodec"].asString(), c.codec);
        std::ifstream file(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        unlink(path.c_str());
        ASSERT_GT(bytes.size(), 1000u) << c.device << ": about two seconds of audio expected";
        const bool syncWord = static_cast<uint8_t>(bytes[0]) == 0xFF && (static_cast<uint8_t>(bytes[1]) & 0xF0) == 0xF0;
        EXPECT_EQ(syncWord, c.adts) << c.device;
        server.stop();
    }
}

// A camera joined mid-GOP: the first key frame comes about two seconds in, and the status
// says so instead of looking like a healthy stream.
TEST(CliProcess, LateFirstKeyFrameShowsInTheStatus)
{
    OnvifSim::SetLogEnabled(false);
    Json::Value description = loadJsonFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json");
    description["rtsp"]["fault"] = "lateKeyFrame";
    OnvifSim::CSimServer server;
    std::string error;
    auto device = server.addDevice(description, &error);
    ASSERT_TRUE(device) << error;
    const auto user = device->description().users.at(0);
    std::string url = device->rtspUrl("Profile_2");
    url.insert(url.find("://") + 3, user.name + ":" + user.password + "@");
    const RunResult run = runCli("stream --url " + url + " --seconds 4");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("no key frame yet"), std::string::npos) << "live status lines: " << run.err;
    EXPECT_NE(run.out.find("first key frame late: after"), std::string::npos) << run.out;
    server.stop();
}

} // namespace

namespace {

// The administration commands against a device that keeps its state between runs, as a
// standalone simulator does: what one run changes, the next one reads.
class CliAgainstOneDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        OnvifSim::CDeviceDescription description;
        ASSERT_TRUE(loadShippedDevice("camera-1ch-media", description));
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

namespace {

// config get and set against a camera with analytics: the motion grid written from a file
// is what the next run reads, and a name the library does not know fails in one sentence.
TEST(CliConfig, MotionDetectRoundTripsThroughAFile)
{
    OnvifSim::CSimServer server;
    std::string error;
    OnvifSim::CDeviceDescription description;
    ASSERT_TRUE(loadShippedDevice("camera-2ch-media2-h265", description));
    auto device = server.addDevice(description, &error);
    ASSERT_TRUE(device) << error;
    const std::string login = loginOptions(*device) + " --json config ";

    const RunResult got = runCli(login + "get MotionDetect[0]");
    ASSERT_EQ(got.exitCode, 0) << got.err;
    Json::Value table;
    ASSERT_TRUE(parseJson(got.out, table)) << got.out;
    EXPECT_EQ(table["MotionDetect"]["Col"].asInt(), 16);
    table["MotionDetect"]["MotionDetectWindow"][0]["Region"][0] = 0x8001;
    const std::string path = ::testing::TempDir() + "/cli_motion.json";
    {
        std::ofstream out(path);
        out << table.toStyledString();
    }
    const RunResult set = runCli(login + "set MotionDetect[0] " + path);
    ASSERT_EQ(set.exitCode, 0) << set.err;
    Json::Value written;
    ASSERT_TRUE(parseJson(set.out, written)) << set.out;
    EXPECT_EQ(written["MotionDetect"]["MotionDetectWindow"][0]["Region"][0].asUInt(), 0x8001u) << "printed after";
    ASSERT_TRUE(parseJson(runCli(login + "get MotionDetect[0]").out, written));
    EXPECT_EQ(written, table) << "the next run reads what was written";

    const RunResult unknown = runCli(login + "get Volume[0]");
    EXPECT_NE(unknown.exitCode, 0);
    EXPECT_NE(unknown.err.find("could not be read"), std::string::npos) << unknown.err;
    EXPECT_NE(runCli(login + "set MotionDetect[0] " + path + ".missing").exitCode, 0);
}

} // namespace

// ---- discover -------------------------------------------------------------------------

namespace {

// Devices on 127.0.0.(first+i), answering unicast Probes on a port of this run.
struct LoopbackDevices {
    OnvifSim::CSimServer server{2};
    std::vector<std::shared_ptr<OnvifSim::CSimDevice>> devices;
    unsigned short probePort = 0;

    bool start(int first, int count, std::string& error)
    {
        OnvifSim::SetLogEnabled(false);
        // A free UDP port: bind one, learn it, and let the responders share it.
        asio::io_context io;
        asio::ip::udp::socket probe(io, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.1"), 0));
        probePort = probe.local_endpoint().port();
        probe.close();
        for (int i = 0; i < count; ++i) {
            const std::string address = "127.0.0." + std::to_string(first + i);
            OnvifSim::CDeviceDescription d;
            Json::Value raw;
            raw["identity"]["manufacturer"] = "Cli Vision";
            raw["identity"]["model"] = "CV-" + std::to_string(i);
            raw["services"].append("device");
            raw["users"][0]["name"] = "admin";
            raw["users"][0]["password"] = "admin123";
            raw["users"][0]["level"] = "Administrator";
            if (!OnvifSim::LoadDescription(raw, d, error))
                return false;
            OnvifSim::UseNetworkAddress(d, address);
            auto device = server.addDevice(d, &error, 0, address);
            OnvifSim::CDiscoveryOptions options;
            options.address = address;
            options.port = probePort;
            if (!device || !server.addDiscovery(device, options, &error))
                return false;
            devices.push_back(device);
        }
        return true;
    }
};

} // namespace

TEST(CliProcess, DiscoverListsLoopbackDevicesAndReaddressesOne)
{
    LoopbackDevices sim;
    std::string error;
    ASSERT_TRUE(sim.start(30, 4, error)) << error;
    const std::string probe =
        " --target 127.0.0.30-127.0.0.33 --probe-port " + std::to_string(sim.probePort) + " --seconds 2";
    const RunResult run = runCli("discover --json" + probe);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Json::Value found;
    ASSERT_TRUE(parseJson(run.out, found)) << run.out;
    ASSERT_EQ(4u, found["Devices"].size()) << run.out;
    std::set<std::string> addresses;
    for (const Json::Value& d : found["Devices"]) {
        addresses.insert(d["IPv4Address"]["IPAddress"].asString());
        EXPECT_EQ("Cli Vision", d["Vendor"].asString());
    }
    EXPECT_EQ((std::set<std::string>{"127.0.0.30", "127.0.0.31", "127.0.0.32", "127.0.0.33"}), addresses);

    const RunResult moved = runCli("--password admin123 discover" + probe +
                                   " readdress 127.0.0.31 --ip 192.168.7.31 --mask 255.255.255.0");
    ASSERT_EQ(moved.exitCode, 0) << moved.out << moved.err;
    EXPECT_NE(moved.out.find("192.168.7.31"), std::string::npos) << moved.out;
    EXPECT_GE(sim.devices[1]->count("SetNetworkInterfaces"), 1);
    EXPECT_EQ(0, sim.devices[0]->count("SetNetworkInterfaces"));

    const RunResult unknown = runCli("--password admin123 discover" + probe + " readdress 127.0.0.99 --ip 10.0.0.1");
    EXPECT_NE(unknown.exitCode, 0);
    EXPECT_NE(unknown.err.find("No device answered from 127.0.0.99"), std::string::npos) << unknown.err;
    sim.server.stop();
}

namespace {

// Runs a shell command; its exit code (-1 when it could not run).
int shell(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Two network namespaces joined by a veth pair, deleted again however the test ends.
class CNamespacePair {
public:
    CNamespacePair()
    {
        const std::string id = std::to_string(getpid() % 100000);
        m_devices = "odsim" + id;
        m_prober = "odprb" + id;
        m_subnet = "10.213." + std::to_string(getpid() % 250) + ".";
    }
    ~CNamespacePair()
    {
        shell("ip netns del " + m_devices);
        shell("ip netns del " + m_prober);
    }
    // "" when ready, else why the machine refused.
    std::string create()
    {
        if (geteuid() != 0)
            return "network namespaces need root (CAP_NET_ADMIN)";
        if (shell("command -v ip") != 0)
            return "iproute2 (the ip command) is not installed";
        const std::string vs = "vs" + m_devices.substr(5), vp = "vp" + m_devices.substr(5);
        const std::string steps[] = {
            "ip netns add " + m_devices,
            "ip netns add " + m_prober,
            "ip link add " + vs + " type veth peer name " + vp,
            "ip link set " + vs + " netns " + m_devices,
            "ip link set " + vp + " netns " + m_prober,
            "ip -n " + m_devices + " link set lo up",
            "ip -n " + m_prober + " link set lo up",
            "ip -n " + m_devices + " link set " + vs + " up",
            "ip -n " + m_prober + " link set " + vp + " up",
            "ip -n " + m_prober + " addr add " + m_subnet + "1/24 dev " + vp,
            "ip -n " + m_prober + " route add 224.0.0.0/4 dev " + vp,
            "ip -n " + m_devices + " route add 224.0.0.0/4 dev " + vs,
        };
        for (const std::string& step : steps)
            if (shell(step) != 0)
                return "the machine refused \"" + step + "\"";
        return std::string();
    }
    bool addDeviceAddress(int host)
    {
        return shell("ip -n " + m_devices + " addr add " + m_subnet + std::to_string(host) + "/24 dev vs" +
                     m_devices.substr(5)) == 0;
    }
    const std::string& devices() const { return m_devices; }
    const std::string& prober() const { return m_prober; }
    std::string address(int host) const { return m_subnet + std::to_string(host); }

private:
    std::string m_devices, m_prober, m_subnet;
};

// onvif-sim in the devices' namespace, stopped when this goes.
class CSimProcess {
public:
    bool start(const std::vector<std::string>& args, int devices)
    {
        int out[2];
        if (pipe(out) != 0)
            return false;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            std::vector<char*> argv;
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        // Ready when it has printed one service address per device (bounded wait).
        std::string text;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::count(text.begin(), text.end(), '\n') < devices && std::chrono::steady_clock::now() < until) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 200) > 0) {
                char buffer[512];
                ssize_t n = read(out[0], buffer, sizeof buffer);
                if (n <= 0)
                    break;
                text.append(buffer, static_cast<size_t>(n));
            }
        }
        close(out[0]);
        return std::count(text.begin(), text.end(), '\n') >= devices;
    }
    ~CSimProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }

private:
    pid_t m_pid = -1;
};

} // namespace

TEST(CliDiscoveryNamespaces, MulticastProbeFindsEveryDeviceOfAnotherNetworkStack)
{
    CNamespacePair net;
    const std::string refused = net.create();
    if (!refused.empty())
        GTEST_SKIP() << refused;
    const int kDevices = 4;
    for (int i = 0; i < kDevices; ++i)
        ASSERT_TRUE(net.addDeviceAddress(10 + i));
    CSimProcess sim;
    ASSERT_TRUE(sim.start({"ip", "netns", "exec", net.devices(), ONVIF_SIM_PATH, "--device",
                           OnvifSim::DevicesDir() + "/camera-1ch-media.json", "--count", std::to_string(kDevices),
                           "--discovery-port", "3702", "--discovery-address", net.address(10), "--multicast",
                           "--discovery-habit", "duplicate"},
                          kDevices));
    const RunResult run = runCli("discover --json --seconds 3", "ip netns exec " + net.prober());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Json::Value found;
    ASSERT_TRUE(parseJson(run.out, found)) << run.out;
    std::set<std::string> addresses;
    for (const Json::Value& d : found["Devices"]) {
        addresses.insert(d["IPv4Address"]["IPAddress"].asString());
        EXPECT_EQ("SV-IPC1", d["MachineName"].asString());
    }
    EXPECT_EQ(static_cast<size_t>(kDevices), found["Devices"].size()) << run.out;
    for (int i = 0; i < kDevices; ++i)
        EXPECT_EQ(1u, addresses.count(net.address(10 + i))) << run.out;
}

// ---- talk -----------------------------------------------------------------------------

namespace {

// A WAV file of 16-bit PCM: a tone, at rate and with channels, for seconds.
std::string writeWav(int rate, int channels, double seconds)
{
    char path[] = "/tmp/onvif-cli-talk-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return "";
    close(fd);
    const uint32_t frames = static_cast<uint32_t>(rate * seconds);
    const uint32_t dataBytes = frames * channels * 2;
    std::string wav = "RIFF";
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) wav += static_cast<char>((v >> (8 * i)) & 0xFF); };
    auto u16 = [&](uint16_t v) { wav += static_cast<char>(v & 0xFF), wav += static_cast<char>(v >> 8); };
    u32(36 + dataBytes);
    wav += "WAVEfmt ";
    u32(16), u16(1), u16(static_cast<uint16_t>(channels)), u32(rate), u32(rate * channels * 2);
    u16(static_cast<uint16_t>(channels * 2)), u16(16);
    wav += "data";
    u32(dataBytes);
    for (uint32_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            u16(static_cast<uint16_t>(static_cast<int16_t>(8000 * ((i / 20) % 2 ? 1 : -1))));
    std::ofstream(path, std::ios::binary) << wav;
    return path;
}

} // namespace

TEST(CliProcess, TalkSendsEveryAudioByteTheSimulatorCounts)
{
    struct Case {
        const char* codec;
        const char* name;
        int rate, channels;
    } cases[] = {{"pcmu", "PCMU", 8000, 1}, {"pcma", "PCMA", 16000, 2}};
    for (const Case& c : cases) {
        const std::string wav = writeWav(c.rate, c.channels, 0.5);
        ASSERT_FALSE(wav.empty());
        const RunResult run = runCli(std::string("talk 0 --json --file ") + wav + " --codec " + c.codec);
        std::remove(wav.c_str());
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        Json::Value result;
        ASSERT_TRUE(parseJson(run.out, result)) << run.out;
        EXPECT_EQ(4000u, result["SentBytes"].asUInt64()) << "half a second at 8 kHz, one byte a sample";
        EXPECT_EQ(result["SentBytes"].asUInt64(), result["DeviceCounted"][c.name]["bytes"].asUInt64())
            << run.out;
    }
    const std::string text = writeWav(8000, 1, 0.01);
    std::ofstream(text, std::ios::binary | std::ios::trunc) << "plain text, not RIFF audio\n";
    const RunResult notWav = runCli("talk 0 --file " + text);
    std::remove(text.c_str());
    EXPECT_NE(notWav.exitCode, 0);
    EXPECT_NE(notWav.err.find("is not a WAV file"), std::string::npos) << notWav.err;
}
