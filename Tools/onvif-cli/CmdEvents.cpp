// events: the device's alarms as a recorder receives them, one line each, for a while. In
// pull mode the library polls the device; in push mode the device posts to the library's
// own notification server (on a free port here). Against the embedded simulator the command
// makes the camera see motion for a second, so that something happens.
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <mutex>
#include <thread>

#include "CliOutput.h"
#include "Commands.h"
#include "IEventManager.h"
#include "Infra/LastError.h"
#include "OnvifExports.h"
#include "OnvifSim/SimDevice.h"

namespace OnvifCli {

namespace {

using Zentar::Manager::IEventManager;

std::string clockText()
{
    const auto now = std::chrono::system_clock::now();
    const time_t seconds = std::chrono::system_clock::to_time_t(now);
    const int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    struct tm local;
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec, ms);
    return text;
}

// Motion on channel 1 of the embedded camera for a second, once its subscription exists.
void showMotion(OnvifSim::CSimDevice& camera, const std::function<bool(int ms)>& sleepUnlessDone)
{
    for (int i = 0; i < 50 && camera.eventSubscriptionCount() == 0; ++i)
        if (!sleepUnlessDone(100))
            return;
    if (!sleepUnlessDone(300))
        return;
    camera.raiseEvent("motion", true, 1);
    if (sleepUnlessDone(1000))
        camera.raiseEvent("motion", false, 1);
}

} // namespace

CommandResult listenForEvents(CCliHost& host, const EventsArgs& args,
                              const std::function<void(const Json::Value&)>& onAlarm)
{
    CommandResult r;
    Json::Value options;
    options["EventSubscribeType"] = args.push ? 0 : 1;
    setOnvifOptions(options);
    if (args.push) {
        enableRPCAlarm(true);
        if (initRPCAlarmPort(0) != 0) {
            r.error = "The library's notification server could not be opened, so the device cannot push events.";
            return r;
        }
    }
    auto* events = host.component<IEventManager>(IEventManager::kInterfaceName);
    if (!events) {
        r.error = "The library did not hand out the event manager for " + host.deviceLabel() + ".";
        return r;
    }
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    Json::Value alarms(Json::arrayValue);
    std::string lines;
    const bool attached = events->attach(&alarms, [&](const std::string& type, int index, int action,
                                                      const Json::Value& detail, const Json::Value&) {
        Json::Value alarm;
        alarm["Time"] = clockText();
        alarm["Event"] = type;
        alarm["Index"] = index;
        alarm["Action"] = action == IEventManager::ALARM_START ? "start" : "stop";
        if (!detail.isNull())
            alarm["Detail"] = detail;
        std::lock_guard<std::mutex> lock(mutex);
        alarms.append(alarm);
        if (args.enoughAlarms != 0 && alarms.size() >= args.enoughAlarms)
            done.notify_all();
        char line[160];
        std::snprintf(line, sizeof line, "  %s  %-22s index %d  %s\n", alarm["Time"].asCString(), type.c_str(), index,
                      alarm["Action"].asCString());
        lines += line;
        if (onAlarm)
            onAlarm(alarm);
    });
    if (!attached) {
        r.error = CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel()) +
                  " Its events could not be subscribed.";
        return r;
    }
    auto sleepUnlessDone = [&](int ms) {
        std::unique_lock<std::mutex> lock(mutex);
        return !done.wait_for(lock, std::chrono::milliseconds(ms), [&] { return finished; });
    };
    auto listenUnlessEnough = [&](int ms) {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait_for(lock, std::chrono::milliseconds(ms),
                      [&] { return args.enoughAlarms != 0 && alarms.size() >= args.enoughAlarms; });
    };
    std::thread motion;
    if (OnvifSim::CSimDevice* camera = host.simDevice())
        motion = std::thread([camera, &sleepUnlessDone] { showMotion(*camera, sleepUnlessDone); });
    const auto listenStart = std::chrono::steady_clock::now();
    listenUnlessEnough(args.seconds * 1000);
    const double listened =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - listenStart).count();
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
    }
    done.notify_all();
    if (motion.joinable())
        motion.join();
    events->detach(&alarms);

    std::lock_guard<std::mutex> lock(mutex);
    r.data["Mode"] = args.push ? "push" : "pull";
    r.data["Seconds"] = std::round(listened * 10) / 10;
    r.data["Alarms"] = alarms;
    char summary[96];
    std::snprintf(summary, sizeof summary, "  %u alarm report%s in %.1f s (%s mode).\n", alarms.size(),
                  alarms.size() == 1 ? "" : "s", listened, args.push ? "push" : "pull");
    r.text = lines + summary;
    r.ok = true;
    return r;
}

int runEvents(CCliHost& host, const EventsArgs& args, bool json)
{
    std::string error;
    if (!host.login(&error)) {
        CommandResult failed;
        failed.error = error;
        return printResult(failed, json);
    }
    if (!json)
        COutput::printf("Listening for %d s (%s mode)%s...\n", args.seconds, args.push ? "push" : "pull",
                        host.simDevice() ? "; the simulated camera will see motion on channel 0" : "");
    // Each alarm is printed as it comes, a JSON object per line with --json.
    CommandResult r = listenForEvents(host, args, [json](const Json::Value& alarm) {
        if (json) {
            Json::StreamWriterBuilder writer;
            writer["indentation"] = "";
            COutput::print(Json::writeString(writer, alarm) + "\n");
        } else {
            COutput::printf("%s  %-22s index %d  %s\n", alarm["Time"].asCString(), alarm["Event"].asCString(),
                            alarm["Index"].asInt(), alarm["Action"].asCString());
        }
    });
    if (!r.ok)
        return printResult(r, json);
    if (!json)
        COutput::printf("%d alarm report%s in %d s.\n", static_cast<int>(r.data["Alarms"].size()),
                        r.data["Alarms"].size() == 1 ? "" : "s", args.seconds);
    return 0;
}

} // namespace OnvifCli
