// A device that writes an answer's header block and body in two writes with Nagle's
// algorithm on: every exchange on a kept-alive connection then waits for the client's
// acknowledgement of the header block. Measures the GetDeviceInformation round trip
// (wall time per exchange, the first one set apart) against such a device and against one
// that writes its answers whole, both simulated in-process on loopback.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifProtocolCore/DeviceManagement/OnvifDeviceManagement.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"

using namespace RPC::Onvif;

namespace {

void runRoundTrips(benchmark::State& state, bool splitWrites)
{
    OnvifSim::SetLogEnabled(false);
    OnvifSim::CDeviceDescription description;
    std::string error;
    if (!OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-1ch-media.json", description, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    description.splitWrites = splitWrites;
    OnvifSim::CSimServer server;
    auto device = server.addDevice(description, &error);
    if (!device) {
        state.SkipWithError(error.c_str());
        return;
    }
    COnvifLoginInfo login;
    login.m_strAddress = "127.0.0.1";
    login.m_strUserName = description.users.at(0).name;
    login.m_strPassword = description.users.at(0).password;
    COnvifDeviceManagement service(login);
    Json::Value request;
    request["XAddr"] = device->serviceUrl("device");

    // The first exchange opens the connection; the habit only shows on the ones after it.
    const auto firstStart = std::chrono::steady_clock::now();
    Json::Value first;
    if (service.execute("GetDeviceInfomation", request, first) != 0) {
        state.SkipWithError("first exchange failed");
        return;
    }
    const double firstMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - firstStart).count();
    for (auto _ : state) {
        Json::Value rsp;
        if (service.execute("GetDeviceInfomation", request, rsp) != 0) {
            state.SkipWithError("exchange failed");
            return;
        }
    }
    state.counters["first_ms"] = firstMs;
    state.counters["connections"] = static_cast<double>(device->requests().empty() ? 0
                                                                                   : device->requests().back().connectionId);
}

void BM_DeviceInformationSplitAnswers(benchmark::State& state)
{
    runRoundTrips(state, true);
}
void BM_DeviceInformationWholeAnswers(benchmark::State& state)
{
    runRoundTrips(state, false);
}
BENCHMARK(BM_DeviceInformationSplitAnswers)->Unit(benchmark::kMillisecond)->Iterations(100)->UseRealTime();
BENCHMARK(BM_DeviceInformationWholeAnswers)->Unit(benchmark::kMillisecond)->Iterations(100)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    setLogToStdout(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
