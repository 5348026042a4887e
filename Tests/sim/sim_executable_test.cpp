// The onvif-sim program: clear failures with a non-zero exit, and a running device that
// prints its address and stops on SIGTERM.
#include "SimTestClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

extern char** environ;

using namespace SimTest;

namespace {

std::string SimBinary()
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
    return path.substr(0, path.rfind('/') + 1) + "onvif-sim";
}

struct CChild {
    pid_t pid = -1;
    int out = -1;   // stdout and stderr together
};

CChild Spawn(const std::vector<std::string>& args)
{
    CChild child;
    int fds[2];
    if (pipe(fds) != 0)
        return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    child.out = fds[0];
    return child;
}

// Reads until `until` appears, the pipe closes, or waitMs passes.
std::string ReadOutput(int fd, const std::string& until, int waitMs)
{
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (text.find(until) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buf[4096];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        text.append(buf, static_cast<size_t>(n));
    }
    return text;
}

// Exit status, or -1 if the process did not end within waitMs (it is then killed).
int WaitExit(pid_t pid, int waitMs)
{
    for (int i = 0; i < waitMs / 10; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

class SimExecutable : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access(SimBinary().c_str(), X_OK) != 0)
            GTEST_SKIP() << "onvif-sim is not built next to the tests";
    }
};

TEST_F(SimExecutable, BadDescriptionFailsWithFileAndReason)
{
    std::string path = ::testing::TempDir() + "sim_exe_bad.json";
    std::ofstream(path) << "{\"services\": {\"device\": null}, \"auth\": {\"mode\": \"magic\"}}";
    CChild child = Spawn({SimBinary(), "--device", path});
    ASSERT_GT(child.pid, 0);
    std::string out = ReadOutput(child.out, "\n", 10000);
    EXPECT_EQ(WaitExit(child.pid, 10000), 1);
    EXPECT_NE(out.find(path + ": auth.mode"), std::string::npos) << out;
    close(child.out);
    std::remove(path.c_str());
}

TEST_F(SimExecutable, BusyPortFails)
{
    OnvifSim::CSimServer server;
    auto device = StartDevice(server, BaseDescription());
    ASSERT_TRUE(device);
    CChild child = Spawn({SimBinary(), "--device", OnvifSim::DevicesDir() + "/camera-1ch-media.json", "--port",
                          std::to_string(device->port())});
    ASSERT_GT(child.pid, 0);
    std::string out = ReadOutput(child.out, "\n", 10000);
    EXPECT_EQ(WaitExit(child.pid, 10000), 1);
    EXPECT_NE(out.find("cannot listen"), std::string::npos) << out;
    close(child.out);
}

TEST_F(SimExecutable, RunsDevicesUntilTerminated)
{
    CChild child = Spawn({SimBinary(), "--device", OnvifSim::DevicesDir() + "/camera-1ch-media.json", "--count", "2"});
    ASSERT_GT(child.pid, 0);
    std::string out;
    for (int i = 0; i < 4 && std::count(out.begin(), out.end(), '\n') < 4; ++i)
        out += ReadOutput(child.out, "\n", 5000);
    std::vector<std::string> urls;
    for (size_t pos = out.find("\nhttp://"); pos != std::string::npos; pos = out.find("\nhttp://", pos + 1))
        urls.push_back(out.substr(pos + 1, out.find('\n', pos + 1) - pos - 1));
    if (out.rfind("http://", 0) == 0)
        urls.insert(urls.begin(), out.substr(0, out.find('\n')));
    ASSERT_EQ(urls.size(), 2u) << out;
    for (const auto& url : urls)
        EXPECT_EQ(Post(url, Envelope(DeviceCall("GetSystemDateAndTime"))).status, 200) << url;
    kill(child.pid, SIGTERM);
    EXPECT_EQ(WaitExit(child.pid, 10000), 0);
    close(child.out);
}

} // namespace
