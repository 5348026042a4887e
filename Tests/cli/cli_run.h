#pragma once
// Running onvif-cli as a separate process, as a user does, for the CLI tests.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs onvif-cli with args; `timeout` ends a hung run so a fault fails the test instead of
// stalling the suite.
inline RunResult runCli(const std::string& args, const std::string& environment = "")
{
    char errTemplate[] = "/tmp/onvif-cli-test-XXXXXX";
    const int errFd = mkstemp(errTemplate);
    if (errFd >= 0)
        close(errFd);
    const std::string command =
        environment + " timeout 60 " + ONVIF_CLI_PATH + " " + args + " 2>" + errTemplate;
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

// The CLI's options that log in to a simulated device as its first user.
// Loads one of the shipped device descriptions (name without ".json") with the simulator's
// own log quiet, for tests that start their own simulator.
inline ::testing::AssertionResult loadShippedDevice(const std::string& name, OnvifSim::CDeviceDescription& description)
{
    OnvifSim::SetLogEnabled(false);
    std::string error;
    if (!OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/" + name + ".json", description, error))
        return ::testing::AssertionFailure() << name << ": " << error;
    return ::testing::AssertionSuccess();
}

inline std::string loginOptions(const OnvifSim::CSimDevice& device, const std::string& host = "127.0.0.1")
{
    const auto user = device.description().users.at(0);
    return "--host " + host + " --port " + std::to_string(device.port()) + " --user " + user.name + " --password " +
           user.password;
}

