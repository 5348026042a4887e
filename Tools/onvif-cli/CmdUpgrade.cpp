// upgrade: a firmware file through the upgrader, with a progress bar, the final state, the
// upload's throughput, and the device going away and coming back with its new version.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "CliOutput.h"
#include "Commands.h"
#include "IMagicBox.h"
#include "IUpgrader.h"

namespace OnvifCli {

namespace {

using Zentar::Manager::IUpgrader;

// The longest the CLI waits for an upload, and for a device to come back.
constexpr auto kUploadBound = std::chrono::minutes(30);
constexpr auto kRebootBound = std::chrono::seconds(180);
// A device that answers this long after the upload did not reboot at all.
constexpr auto kNoRebootAfter = std::chrono::seconds(3);

bool isFinal(const std::string& state)
{
    return state == "Succeeded" || state == "Failed" || state == "Invalid" || state == "NotEnoughMemory" ||
           state == "Cancelled";
}

// Draws the bar on stderr and keeps the times the throughput is measured between: the
// device took the request head (progress 10) and the upload ended.
class CProgressBar : public Zentar::Manager::IUpgradeStateReceiver {
public:
    explicit CProgressBar(bool draw) : m_draw(draw) {}

    void onState(const Json::Value& state) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::string name = state["State"].asString();
        const int progress = state["Progress"].asInt();
        if (progress >= 10 && m_bodyStart == Clock::time_point())
            m_bodyStart = Clock::now();
        if (isFinal(name))
            m_end = Clock::now();
        if (m_draw && (name != m_state || progress != m_progress)) {
            const int filled = progress / 5;
            std::fprintf(stderr, "\r  [%.*s%*s] %3d%%  %-10s", filled, "####################", 20 - filled, "",
                         progress, name.c_str());
            if (isFinal(name))
                std::fprintf(stderr, "\n");
            std::fflush(stderr);
        }
        m_state = name;
        m_progress = progress;
        m_changed.notify_all();
    }
    std::string waitForEnd()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, kUploadBound, [this] { return isFinal(m_state); });
        return m_state;
    }
    int progress() const { return m_progress; }
    // Seconds the image itself took, from the accepted head to the end.
    double bodySeconds() const
    {
        return m_bodyStart == Clock::time_point() ? 0 : std::chrono::duration<double>(m_end - m_bodyStart).count();
    }

private:
    using Clock = std::chrono::steady_clock;
    const bool m_draw;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_state;
    int m_progress = 0;
    Clock::time_point m_bodyStart;
    Clock::time_point m_end;
};

long fileSize(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return -1;
    long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    std::fclose(file);
    return size;
}

// Waits for the device to go away and to answer again; false when it did not come back
// in time. wentAway tells whether it was ever unreachable.
bool waitForReboot(Zentar::Component::IMagicBox* box, bool& wentAway, double& downSeconds)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    Clock::time_point away;
    wentAway = false;
    std::string serial;
    while (Clock::now() - start < kRebootBound) {
        const bool answers = box->getSerialNo(serial);
        if (!answers && !wentAway) {
            wentAway = true;
            away = Clock::now();
        }
        if (answers && (wentAway || Clock::now() - start > kNoRebootAfter)) {
            downSeconds = wentAway ? std::chrono::duration<double>(Clock::now() - away).count() : 0;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return false;
}

} // namespace

CommandResult runUpgrade(CCliHost& host, const std::string& path, bool progressBar)
{
    CommandResult r;
    auto* upgrader = host.component<IUpgrader>(IUpgrader::kInterfaceName);
    auto* box = host.component<Zentar::Component::IMagicBox>(Zentar::Component::IMagicBox::kInterfaceName);
    if (!upgrader || !box) {
        r.error = "The library did not hand out the upgrader for " + host.deviceLabel() + ".";
        return r;
    }
    const long size = fileSize(path);
    if (size <= 0) {
        r.error = "The image " + path + " cannot be read, or is empty.";
        return r;
    }
    Json::Value before;
    box->getSoftwareVersion(before);
    CProgressBar bar(progressBar);
    upgrader->attachState(&bar);
    struct Detach {
        IUpgrader* upgrader;
        CProgressBar* bar;
        ~Detach() { upgrader->detachState(bar); }
    } detach{upgrader, &bar};

    if (!upgrader->prepare()) {
        r.error = host.deviceLabel() + " gave no upload address (it may not take firmware over HTTP, or the " +
                  "account is not an administrator's).";
        return r;
    }
    if (!upgrader->setFile(path.c_str()) || !upgrader->execute()) {
        r.error = "The upgrade of " + host.deviceLabel() + " could not start with " + path + ".";
        return r;
    }
    const std::string state = bar.waitForEnd();
    const double seconds = bar.bodySeconds();
    const double mib = static_cast<double>(size) / (1024.0 * 1024.0);
    r.data["State"] = state;
    r.data["Progress"] = bar.progress();
    r.data["Bytes"] = static_cast<Json::Int64>(size);
    r.data["UploadSeconds"] = seconds;
    r.data["MiBPerSecond"] = seconds > 0 ? mib / seconds : 0.0;
    if (state != "Succeeded") {
        r.error = "The upgrade ended \"" + state + "\": " +
                  (state == "Invalid" ? "the device refused the image."
                                      : state == "Failed" ? "the upload did not get through (refused or cut off)."
                                                          : "it did not finish in time.");
        return r;
    }
    char line[160];
    std::snprintf(line, sizeof line, "  upgrade  Succeeded: %.1f MiB in %.2f s (%.1f MiB/s)\n", mib, seconds,
                  r.data["MiBPerSecond"].asDouble());
    r.text = line;

    bool wentAway = false;
    double down = 0;
    if (!waitForReboot(box, wentAway, down)) {
        r.error = host.deviceLabel() + " took the image but did not come back within 3 minutes.";
        return r;
    }
    Json::Value after;
    box->getSoftwareVersion(after);
    r.data["Rebooted"] = wentAway;
    r.data["DownSeconds"] = down;
    r.data["FirmwareBefore"] = before.get("Version", "").asString();
    r.data["FirmwareAfter"] = after.get("Version", "").asString();
    std::snprintf(line, sizeof line, "  reboot   %s\n", wentAway ? "the device went away and came back" : "none seen");
    r.text += line;
    if (wentAway) {
        std::snprintf(line, sizeof line, "           down for %.1f s\n", down);
        r.text += line;
    }
    r.text += "  firmware " + r.data["FirmwareBefore"].asString() + " -> " + r.data["FirmwareAfter"].asString() + "\n";
    r.ok = true;
    return r;
}

} // namespace OnvifCli
