// One full login (clock, services, capabilities, profiles) against a scripted camera on
// loopback: CPU and wall time per login, and the SOAP exchanges it takes.
#include <benchmark/benchmark.h>

#include "CannedDevice.h"
#include "Components/Client/OnvifClient.h"
#include "OnvifFramework/Utility/OnvifLog.h"

using namespace RPC::Onvif;

namespace {

void BM_Login(benchmark::State& state)
{
    OnvifTest::CannedDevice device;
    device.loadDefaultCamera();
    Zentar::Component::ServerInfo info;
    info.address = "127.0.0.1";
    info.port = static_cast<uint16_t>(device.port());
    info.userName = "admin";
    info.password = "Pa55word!";
    COnvifClient client(info);
    size_t logins = 0;
    for (auto _ : state) {
        if (!client.login()) {
            state.SkipWithError("login failed");
            break;
        }
        ++logins;
        client.logout();   // drops the cache, so every login learns the device afresh
    }
    if (logins)
        state.counters["exchanges_per_login"] = static_cast<double>(device.total()) / static_cast<double>(logins);
}
BENCHMARK(BM_Login)->Unit(benchmark::kMicrosecond)->Iterations(300)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    setLogToStdout(false);
    setLogPrinterLevel(0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
