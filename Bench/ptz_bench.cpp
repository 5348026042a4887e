// Client CPU of one joystick press: a ContinuousMove and a Stop through the host's PTZ
// interface (profile from the information centre, request record, SOAP build and sign,
// HTTP exchange on loopback, answer check) against the simulated dome in this process.
// The CPU column is this thread's time only, so the simulator's work is not counted.
#include <benchmark/benchmark.h>

#include <memory>

#include "Components/Client/OnvifClient.h"
#include "IPtz.h"
#include "OnvifFramework/FunctionScripts/OnvifServiceRegistry.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifProtocolCore/PTZControl/OnvifPTZControl.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimServer.h"

using namespace RPC::Onvif;

namespace {

// A logged-in client of the two-channel camera, whose second channel is the dome.
struct DomeSession {
    OnvifSim::CSimServer server;
    std::shared_ptr<OnvifSim::CSimDevice> device;
    Zentar::Component::ServerInfo info;
    std::unique_ptr<COnvifClient> client;
    Zentar::Comm::IPtz* dome = nullptr;

    bool start()
    {
        OnvifSim::SetLogEnabled(false);
        OnvifSim::CDeviceDescription description;
        std::string error;
        if (!OnvifSim::LoadDescriptionFile(OnvifSim::DevicesDir() + "/camera-2ch-media2-h265.json", description, error))
            return false;
        device = server.addDevice(description, &error);
        if (!device)
            return false;
        info.address = "127.0.0.1";
        info.port = device->port();
        info.userName = description.users.at(0).name;
        info.password = description.users.at(0).password;
        client = std::make_unique<COnvifClient>(info);
        if (!client->login())
            return false;
        dome = client->getIPtz(1);
        return dome != nullptr;
    }
};

void BM_ContinuousMove(benchmark::State& state)
{
    DomeSession session;
    if (!session.start()) {
        state.SkipWithError("no dome session");
        return;
    }
    const float speed[3] = {0.3f, -0.2f, 0.0f};
    for (auto _ : state) {
        if (!session.dome->moveContinuously(speed, 5)) {
            state.SkipWithError("ContinuousMove failed");
            break;
        }
    }
    session.client->logout();
}
BENCHMARK(BM_ContinuousMove)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_Stop(benchmark::State& state)
{
    DomeSession session;
    const float speed[3] = {0.3f, 0.0f, 0.0f};
    if (!session.start() || !session.dome->moveContinuously(speed, 5)) {
        state.SkipWithError("no dome session");
        return;
    }
    for (auto _ : state) {
        if (!session.dome->stopMove()) {
            state.SkipWithError("Stop failed");
            break;
        }
    }
    session.client->logout();
}
BENCHMARK(BM_Stop)->Unit(benchmark::kMicrosecond)->Iterations(2000);

// The same move on the PTZ service object with the address given: the exchange alone,
// without the profile lookup and the address and service look-ups of the host's path.
void BM_ContinuousMoveExchangeOnly(benchmark::State& state)
{
    DomeSession session;
    if (!session.start()) {
        state.SkipWithError("no dome session");
        return;
    }
    COnvifPTZControl ptz(makeOnvifLoginInfo(session.info));
    Json::Value request;
    request["XAddr"] = session.device->serviceUrl("ptz");
    request["ContinuousMove"]["ProfileToken"] = "Profile_201";
    request["ContinuousMove"]["Velocity"]["PanTilt"]["x"] = 0.3;
    request["ContinuousMove"]["Timeout"] = "PT5S";
    for (auto _ : state) {
        Json::Value result(Json::objectValue);
        if (ptz.execute("ContinuousMove", request, result) != 0) {
            state.SkipWithError("ContinuousMove failed");
            break;
        }
    }
    session.client->logout();
}
BENCHMARK(BM_ContinuousMoveExchangeOnly)->Unit(benchmark::kMicrosecond)->Iterations(2000);

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
