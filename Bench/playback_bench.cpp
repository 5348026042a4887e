// Playback on loopback against the simulated recorder: the time from a playback source's
// start to its first frame, and the seek latency (from the seek request to the first frame
// at the new time), both as a host sees them through the playback source.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>

#include <json/reader.h>

#include "Components/Client/OnvifClient.h"
#include "IStreamSource.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifSim/DeviceDescription.h"
#include "OnvifSim/SimDevice.h"
#include "OnvifSim/SimServer.h"
#include "Stream/Media/MediaFrame.h"

using namespace RPC::Onvif;
using Clock = std::chrono::steady_clock;

namespace {

// 2026-03-01T00:00:00Z, the day the recorder's history is pinned to here.
constexpr long long kDayMs = 1772323200LL * 1000;

class CTimes : public Zentar::Stream::IFrameReceiver {
public:
    void onFrame(const Zentar::Stream::CMediaFrame& frame) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (frame.valid())
            m_last = static_cast<long long>(frame.getPts());
        m_wake.notify_all();
    }
    // True once a frame within [from, from + 2 s) arrived (10 s at most).
    bool waitFor(long long from)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_wake.wait_for(lock, std::chrono::seconds(10), [&] { return m_last >= from && m_last < from + 2000; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    long long m_last = 0;
};

struct CRecorder {
    CRecorder()
    {
        OnvifSim::SetLogEnabled(false);
        std::ifstream in(OnvifSim::DevicesDir() + "/recorder-2ch-playback.json");
        Json::Value json;
        Json::CharReaderBuilder builder;
        Json::parseFromStream(builder, in, &json, nullptr);
        json["recordings"]["from"] = "2026-03-01T00:00:00Z";
        json["recordings"]["until"] = "2026-03-02T00:00:00Z";
        json["recordings"]["gaps"] = Json::Value(Json::arrayValue);
        std::string error;
        device = server.addDevice(json, &error);
        info.address = "127.0.0.1";
        info.port = device ? device->port() : 0;
        info.userName = "admin";
        info.password = "admin123";
        client = std::make_unique<COnvifClient>(info);
        url = device ? "rtsp://127.0.0.1:" + std::to_string(device->rtspPort()) + "/replay/Rec_000" : "";
    }

    // A started source for the hour from 12:00, or null.
    Zentar::Stream::IStreamSource* start(CTimes& times)
    {
        Zentar::Stream::IStreamSource* source = client->createRecordingStreamSource(
            "2026-03-01T12:00:00Z;2026-03-01T23:00:00Z;RemoteChan:0;Times");
        Json::Value options;
        options["Url"] = url;
        options["TransProtocolType"] = 0;
        if (!source->setOptions(options) || !source->start(&times)) {
            source->destroy();
            return nullptr;
        }
        return source;
    }

    OnvifSim::CSimServer server;
    std::shared_ptr<OnvifSim::CSimDevice> device;
    Zentar::Component::ServerInfo info;
    std::unique_ptr<COnvifClient> client;
    std::string url;
};

void BM_PlaybackTimeToFirstFrame(benchmark::State& state)
{
    CRecorder recorder;
    if (!recorder.device || !recorder.client->login()) {
        state.SkipWithError("no recorder");
        return;
    }
    for (auto _ : state) {
        CTimes times;
        const auto asked = Clock::now();
        Zentar::Stream::IStreamSource* source = recorder.start(times);
        const bool arrived = source && times.waitFor(kDayMs + 12 * 3600 * 1000LL);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - asked).count());
        if (source) {
            source->stop(&times);
            source->destroy();
        }
        if (!arrived) {
            state.SkipWithError("no first frame");
            break;
        }
    }
}
BENCHMARK(BM_PlaybackTimeToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(20)->UseManualTime();

void BM_PlaybackSeekLatency(benchmark::State& state)
{
    CRecorder recorder;
    CTimes times;
    Zentar::Stream::IStreamSource* source = recorder.device && recorder.client->login() ? recorder.start(times) : nullptr;
    if (!source || !times.waitFor(kDayMs + 12 * 3600 * 1000LL)) {
        state.SkipWithError("no playback");
        return;
    }
    int hour = 13;
    for (auto _ : state) {
        // Seeks alternate between hours, always at least an hour from where the stream stands.
        const long long target = kDayMs + hour * 3600 * 1000LL;
        const auto asked = Clock::now();
        const bool done = source->seekByTimeEx(static_cast<time_t>(target / 1000)) && source->resume() &&
                          times.waitFor(target);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - asked).count());
        if (!done) {
            state.SkipWithError("the seek brought no frame");
            break;
        }
        hour = hour == 13 ? 15 : 13;
    }
    source->stop(&times);
    source->destroy();
}
BENCHMARK(BM_PlaybackSeekLatency)->Unit(benchmark::kMillisecond)->Iterations(20)->UseManualTime();

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
