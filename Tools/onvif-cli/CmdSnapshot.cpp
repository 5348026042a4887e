// snapshot: one JPEG picture of a channel through the host's snapshot interface, written
// to a file on request.
#include <sys/resource.h>

#include <cstdio>
#include <mutex>
#include <vector>

#include "CliOutput.h"
#include "Commands.h"
#include "ISnapManager.h"
#include "Infra/LastError.h"
#include "Packaging/NativeFrame.h"
#include "Stream/Media/MediaFrame.h"

namespace OnvifCli {

namespace {

// This process's CPU time in milliseconds (with --host it is the client's alone).
double processCpuMs()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec)) / 1000.0;
}

// Keeps the last picture delivered.
class CPictureReceiver : public Zentar::Snapshot::IFileReceiver {
public:
    void onFile(const Json::Value& event, const Zentar::Stream::CMediaFrame& packet) override
    {
        RPC::CNativeFrameView view;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_event = event;
        if (RPC::readNativeFrame(packet.getBuffer(), packet.size(), view) != RPC::ENativeFrameError::None)
            return;
        m_jpeg.assign(view.payload, view.payload + view.payloadLen);
        m_width = view.info.width;
        m_height = view.info.height;
    }

    std::mutex m_mutex;
    Json::Value m_event;
    std::vector<uint8_t> m_jpeg;
    int m_width = 0;
    int m_height = 0;
};

} // namespace

CommandResult runSnapshot(CCliHost& host, int channel, const std::string& outPath)
{
    CommandResult r;
    auto* manager = host.component<Zentar::Snapshot::ISnapManager>(Zentar::Snapshot::ISnapManager::kInterfaceName);
    if (!manager) {
        r.error = "The library did not hand out the snapshot interface for " + host.deviceLabel() + ".";
        return r;
    }
    CPictureReceiver receiver;
    if (!manager->attachFileProc(&receiver)) {
        r.error = "The snapshot interface refused the receiver.";
        return r;
    }
    CStopwatch watch;
    const double cpuBefore = processCpuMs();
    const bool taken = manager->snapshot(channel);
    const double ms = watch.ms();
    const double cpuMs = processCpuMs() - cpuBefore;
    manager->detachFileProc(&receiver);
    std::lock_guard<std::mutex> lock(receiver.m_mutex);
    if (!taken || receiver.m_jpeg.empty()) {
        r.error = "No picture of channel " + std::to_string(channel) + " came from " + host.deviceLabel() +
                  ": the device has no snapshot address for it, refused the credentials, or sent a picture that "
                  "is not a baseline JPEG (see the log).";
        return r;
    }
    r.data["Channel"] = channel;
    r.data["Bytes"] = static_cast<Json::UInt64>(receiver.m_jpeg.size());
    r.data["Width"] = receiver.m_width;
    r.data["Height"] = receiver.m_height;
    r.data["Milliseconds"] = ms;
    r.data["CpuMilliseconds"] = cpuMs;
    r.data["Event"] = receiver.m_event;
    if (!outPath.empty()) {
        FILE* out = std::fopen(outPath.c_str(), "wb");
        if (!out || std::fwrite(receiver.m_jpeg.data(), 1, receiver.m_jpeg.size(), out) != receiver.m_jpeg.size()) {
            if (out)
                std::fclose(out);
            r.error = "The file " + outPath + " cannot be written.";
            return r;
        }
        std::fclose(out);
        r.data["File"] = outPath;
    }
    char text[256];
    std::snprintf(text, sizeof text, "  %zu bytes, %dx%d, %.1f ms (%.1f ms CPU)%s%s\n", receiver.m_jpeg.size(),
                  receiver.m_width, receiver.m_height, ms, cpuMs, outPath.empty() ? "" : ", written to ",
                  outPath.c_str());
    r.text = text;
    r.ok = true;
    return r;
}

} // namespace OnvifCli
