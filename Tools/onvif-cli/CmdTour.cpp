// tour: everything this build can do with one device, step by step, with the time each
// step took and a summary at the end.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "CliOutput.h"
#include "Commands.h"
#include "Infra/LastError.h"
#include "RecordingTimes.h"

namespace OnvifCli {

namespace {

struct TourStep {
    std::string name;
    std::function<CommandResult()> run;
    // Needs a device that lives (events, playback, PTZ motion) or changes something: a
    // replayed device only repeats recorded answers, so the step is skipped there.
    bool live = false;
};

const char kNotOnReplay[] = "not available on a replayed device";

Json::Value stepRecord(const std::string& name, const CommandResult& result, double ms)
{
    Json::Value step;
    step["Step"] = name;
    step["Passed"] = result.ok;
    step["Milliseconds"] = ms;
    if (result.ok)
        step["Result"] = result.data;
    else
        step["Error"] = result.error;
    return step;
}

// The per-channel and per-stream steps: a picture of each channel, and the address and two
// seconds of video of each stream the device reports.
void addMediaSteps(CCliHost& host, const CommandResult& profiles, std::vector<TourStep>& steps)
{
    const Json::Value& channels = profiles.data["Channels"];
    for (Json::ArrayIndex c = 0; c < channels.size(); ++c) {
        const int channel = static_cast<int>(c);
        steps.push_back({"snapshot " + std::to_string(channel), [&host, channel] { return runSnapshot(host, channel, ""); }});
        for (Json::ArrayIndex s = 0; s < channels[c].size(); ++s) {
            const int stream = static_cast<int>(s);
            const std::string id = std::to_string(channel) + " " + std::to_string(stream);
            steps.push_back({"stream-uri " + id, [&host, channel, stream] { return runStreamUri(host, channel, stream, "tcp"); }});
            steps.push_back({"stream " + id, [&host, channel, stream] {
                                 StreamArgs args;
                                 args.channel = channel;
                                 args.stream = stream;
                                 args.seconds = 2;
                                 args.statusLines = false;
                                 return runStream(host, args);
                             }});
        }
    }
}

// The last day of channel 0's recordings; a device without recording search has none, which
// is no failure of the tour.
CommandResult tourRecordings(CCliHost& host)
{
    RecordingArgs args;
    const long long now = static_cast<long long>(::time(nullptr));
    args.from = cliTimeAt(now - 24 * 3600, false).text;
    args.to = cliTimeAt(now, false).text;
    CommandResult r = runRecordings(host, args);
    if (!r.ok && Zentar::Infra::getLastError() == 0x10030010) {
        r.ok = true;
        r.error.clear();
        r.data["Skipped"] = true;
        r.text = "  The device keeps no recordings (it offers no recording search).\n";
    }
    return r;
}

// Three seconds of the first recording found.
CommandResult tourPlayback(CCliHost& host, const Json::Value& record)
{
    PlaybackArgs args;
    args.from = record["StartTimeRealUTC"].asString();
    args.stream = record["VideoStream"].asString() == "Main" ? 0 : std::atoi(record["VideoStream"].asCString() + 5);
    args.seconds = 3;
    args.statusLines = false;
    return runPlayback(host, args);
}

} // namespace

int runTour(CCliHost& host, bool json)
{
    Json::Value report(Json::objectValue);
    report["Device"] = host.deviceLabel();
    report["Embedded"] = host.embedded();
    int passed = 0;
    int failed = 0;
    int skipped = 0;

    auto record = [&](const std::string& name, const CommandResult& result, double ms) {
        report["Steps"].append(stepRecord(name, result, ms));
        (result.ok ? passed : failed) += 1;
        if (json)
            return;
        COutput::printf("== %s (%.1f ms): %s\n", name.c_str(), ms, result.ok ? "passed" : "FAILED");
        COutput::print(result.ok ? result.text : "  " + result.error + "\n");
    };

    {
        CStopwatch watch;
        std::string error;
        CommandResult login;
        login.ok = host.login(&error);
        login.error = error;
        login.text = "  Logged in as " + host.serverInfo().userName + "\n";
        record("login", login, watch.ms());
        if (!login.ok) {
            report["Passed"] = passed;
            report["Failed"] = failed;
            if (json)
                COutput::printJson(report);
            else
                COutput::printf("\nTour: %d passed, %d failed (no login, nothing else to try)\n", passed, failed);
            return 1;
        }
    }

    CommandResult profiles;
    CommandResult recordings;
    std::vector<TourStep> steps = {
        {"info", [&host] { return runInfo(host); }},
        {"time", [&host] { return runTimeGet(host); }},
        {"profiles",
         [&host, &profiles] {
             profiles = runProfiles(host);
             return profiles;
         }},
        {"network", [&host] { return runNetwork(host); }},
        {"ports", [&host] { return runPorts(host); }},
        {"users", [&host] { return runUsers(host); }},
        // On its own simulator it writes two pages back, so it needs the device itself.
        {"config", [&host] { return runConfigTour(host); }, true},
    };
    // Setting the clock changes the device; the tour does it only to its own simulator.
    if (host.embedded()) {
        steps.push_back({"time set", [&host] { return runTimeSet(host, "", "GMT+08:00"); }, true});
        steps.push_back({"time (after set)", [&host] { return runTimeGet(host); }, true});
        // The simulated camera sees motion for a second: one alarm start and stop.
        steps.push_back({"events", [&host] {
                             EventsArgs args;
                             args.seconds = 5;
                             args.enoughAlarms = 2; // the start and the stop
                             CommandResult r = listenForEvents(host, args);
                             if (r.ok && r.data["Alarms"].size() < 2) {
                                 r.ok = false;
                                 r.error = "No alarm start and stop came from the simulated motion.";
                             }
                             return r;
                         },
                         true});
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].live && host.replayed()) {
            Json::Value step;
            step["Step"] = steps[i].name;
            step["Passed"] = false;
            step["Skipped"] = kNotOnReplay;
            report["Steps"].append(step);
            ++skipped;
            if (!json)
                COutput::printf("== %s: skipped, %s\n", steps[i].name.c_str(), kNotOnReplay);
            continue;
        }
        CStopwatch watch;
        CommandResult result;
        {
            CProgressLine progress(steps[i].name);
            result = steps[i].run();
        }
        record(steps[i].name, result, watch.ms());
        if (steps[i].name == "profiles" && result.ok) {
            // It moves the dome and stores a preset.
            steps.push_back({"ptz", [&host] { return runPtzTour(host); }, true});
            addMediaSteps(host, profiles, steps);
            // A search is a conversation (find, poll, end) that recorded answers cannot hold.
            steps.push_back({"recordings 0", [&host, &recordings] { return recordings = tourRecordings(host); },
                             true});
        }
        if (steps[i].name == "recordings 0" && result.ok && !result.data["Records"].empty())
            steps.push_back({"playback 0", [&host, &recordings] {
                                 return tourPlayback(host, recordings.data["Records"][0]);
                             },
                             true});
    }

    report["Passed"] = passed;
    report["Failed"] = failed;
    report["Skipped"] = skipped;
    if (json) {
        COutput::printJson(report);
    } else {
        COutput::printf("\nTour of %s: %d passed, %d failed, %d skipped\n", host.deviceLabel().c_str(), passed, failed,
                        skipped);
        for (const Json::Value& step : report["Steps"])
            COutput::printf("  %-22s %-7s %8.1f ms\n", step["Step"].asCString(),
                            step.isMember("Skipped") ? "skipped" : step["Passed"].asBool() ? "passed" : "FAILED",
                            step["Milliseconds"].asDouble());
    }
    return failed == 0 ? 0 : 1;
}

int printResult(const CommandResult& result, bool json)
{
    if (!result.ok) {
        COutput::error(result.error);
        if (json) {
            Json::Value out;
            out["Error"] = result.error;
            COutput::printJson(out);
        }
        return 1;
    }
    if (json)
        COutput::printJson(result.data);
    else
        COutput::print(result.text);
    return 0;
}

} // namespace OnvifCli
