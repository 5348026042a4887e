// playback: one recorded span of a channel through the host's playback source, as a recorder
// plays it: the recording is found first (its replay address comes with the file record),
// then played with a status line of the frames' recording time, an optional speed and seek,
// and the elementary stream written to a file on request.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <iostream>
#include <mutex>

#include "CliOutput.h"
#include "CmdRecordings.h"
#include "Commands.h"
#include "IStreamSource.h"
#include "Stream/Media/MediaFrame.h"
#include "StreamRecorder.h"

namespace OnvifCli {

namespace {

using Clock = std::chrono::steady_clock;

// A recording time jumps by more than this across a seek (and never in a contiguous play).
const long long kSeekJumpMs = 2000;

std::string recordingTimeText(long long utcMs)
{
    const time_t seconds = static_cast<time_t>(utcMs / 1000);
    tm f{};
    gmtime_r(&seconds, &f);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03lldZ", f.tm_year + 1900, f.tm_mon + 1,
                  f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec, utcMs % 1000);
    return text;
}

double msSince(Clock::time_point start, Clock::time_point at)
{
    return std::chrono::duration<double, std::milli>(at - start).count();
}

// The host's receiver: writes and counts through the stream recorder, and keeps what the
// status line and the measurements need: the frames' recording times and when they came.
class CPlaybackMonitor : public Zentar::Stream::IFrameReceiver {
public:
    explicit CPlaybackMonitor(const std::string& outPath) : m_recorder(outPath, false) {}

    bool openOutput(std::string* error) { return m_recorder.openOutput(error); }

    void onFrame(const Zentar::Stream::CMediaFrame& frame) override
    {
        m_recorder.onFrame(frame);
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto now = Clock::now();
        if (!frame.valid()) {
            m_ended = true;
        } else {
            const long long utcMs = static_cast<long long>(frame.getPts());
            if (m_seekAsked && !m_seekArrived && std::llabs(utcMs - m_lastMs) > kSeekJumpMs) {
                m_seekArrived = true;
                m_seekArrivedAt = now;
            }
            if (m_frames++ == 0) {
                m_firstMs = utcMs;
                m_firstAt = now;
            }
            m_lastMs = utcMs;
        }
        m_wake.notify_all();
    }

    template <class Pred> bool waitUntil(Clock::time_point until, Pred pred)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_wake.wait_until(lock, until, [&] { return pred(); });
    }
    bool waitFirstFrame(int seconds)
    {
        return waitUntil(Clock::now() + std::chrono::seconds(seconds), [this] { return m_frames > 0 || m_ended; }) &&
               m_frames > 0;
    }
    void seekAsked()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seekAsked = true;
        m_seekArrived = false;
    }
    bool waitSeek(int seconds)
    {
        return waitUntil(Clock::now() + std::chrono::seconds(seconds), [this] { return m_seekArrived || m_ended; }) &&
               m_seekArrived;
    }

    CStreamRecorder m_recorder;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    long long m_frames = 0;
    long long m_firstMs = 0;
    long long m_lastMs = 0;
    Clock::time_point m_firstAt;
    bool m_ended = false;
    bool m_seekAsked = false;
    bool m_seekArrived = false;
    Clock::time_point m_seekArrivedAt;
};

struct SourceDeleter {
    void operator()(Zentar::Stream::IStreamSource* s) const { s->destroy(); }
};

// The seek of --seek-to: by UTC time, or by the device's local calendar time.
bool seek(Zentar::Stream::IStreamSource& source, const CliTime& to, bool local)
{
    if (!local)
        return source.seekByTimeEx(static_cast<time_t>(to.seconds)) && source.resume();
    const time_t t = static_cast<time_t>(to.seconds);
    tm f{};
    gmtime_r(&t, &f);
    const Zentar::Infra::CTime calendar(f.tm_year + 1900, f.tm_mon + 1, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec);
    return source.seekByTime(calendar) && source.resume();
}

} // namespace

std::string checkPlaybackArgs(const PlaybackArgs& args)
{
    std::string error = checkRecordingArgs(args, false);
    if (!error.empty())
        return error;
    if (!(args.speed > 0 && args.speed <= 64))
        return "--speed takes a factor above 0 and up to 64, such as 4.";
    if ((args.seekAfter >= 0) != !args.seekTo.empty())
        return "--seek-after and --seek-to go together: when to seek, and where to.";
    CliTime to;
    if (!args.seekTo.empty() && !readCliTime("--seek-to", args.seekTo, args.local, to, &error))
        return error;
    return "";
}

CommandResult runPlayback(CCliHost& host, const PlaybackArgs& args)
{
    CommandResult r;
    std::string zoneNote;
    if (args.local && !adoptDeviceZone(host, zoneNote, &r.error))
        return r;
    // Without an end, the first recording within a day of the start.
    RecordingArgs span = args;
    CliTime from, seekTo;
    readCliTime("--from", args.from, args.local, from, &r.error);
    if (span.to.empty())
        span.to = cliTimeAt(from.seconds + 24 * 3600, args.local).text;
    span.stream = args.stream < 0 ? 0 : args.stream;
    if (!args.seekTo.empty())
        readCliTime("--seek-to", args.seekTo, args.local, seekTo, &r.error);
    Json::Value records;
    if (!findRecordings(host, span, records, &r.error))
        return r;
    if (records.empty()) {
        r.error = "Channel " + std::to_string(args.channel) + " has no recording from " + args.from + " to " +
                  span.to + " on " + host.deviceLabel() + ".";
        return r;
    }
    const Json::Value& record = records[0];
    const std::string start = record[args.local ? "StartTime" : "StartTimeRealUTC"].asString();
    const std::string end = record[args.local ? "EndTime" : "EndTimeRealUTC"].asString();
    std::unique_ptr<Zentar::Stream::IStreamSource, SourceDeleter> source(host.client()->createRecordingStreamSource(
        start + ";" + end + ";RemoteChan:" + std::to_string(args.channel) + ";Times"));
    Json::Value options;
    options["Url"] = record["Url"];
    options["TransProtocolType"] = host.serverInfo().https ? 6 : 0;
    if (!source || !source->setOptions(options)) {
        r.error = "The recording at " + record["Url"].asString() + " could not be prepared for playback.";
        return r;
    }
    CPlaybackMonitor monitor(args.outPath);
    if (!monitor.openOutput(&r.error))
        return r;

    const auto started = Clock::now();
    if (!source->start(&monitor) || !monitor.waitFirstFrame(10)) {
        r.error = "The recording at " + record["Url"].asString() + " sent no video within 10 s.";
        source->stop(&monitor);
        return r;
    }
    const double firstFrameMs = msSince(started, monitor.m_firstAt);
    // The speed travels with PLAY requests: it is set once the replay plays.
    const bool speedTaken = args.speed == 1.0 || source->setSpeed(static_cast<float>(args.speed));
    long long paceFromMs = 0;
    Clock::time_point paceFrom;
    {
        std::lock_guard<std::mutex> lock(monitor.m_mutex);
        paceFromMs = monitor.m_lastMs;
        paceFrom = Clock::now();
    }
    long long shownMs = paceFromMs;
    double seekLatencyMs = -1;
    for (int second = 1; second <= args.seconds; ++second) {
        if (monitor.waitUntil(started + std::chrono::seconds(second), [&] { return monitor.m_ended; }))
            break;
        if (second == args.seekAfter) {
            monitor.seekAsked();
            const auto asked = Clock::now();
            if (seek(*source, seekTo, args.local) && monitor.waitSeek(10))
                seekLatencyMs = msSince(asked, monitor.m_seekArrivedAt);
        }
        if (args.statusLines) {
            std::lock_guard<std::mutex> lock(monitor.m_mutex);
            char rate[32];
            std::snprintf(rate, sizeof rate, "%.1f", static_cast<double>(monitor.m_lastMs - shownMs) / 1000.0);
            std::cerr << "  recording time " << recordingTimeText(monitor.m_lastMs) << "  " << monitor.m_frames
                      << " frames  +" << rate << " s" << std::endl;
            shownMs = monitor.m_lastMs;
        }
    }
    source->stop(&monitor);
    const double seconds = msSince(started, Clock::now()) / 1000.0;

    std::lock_guard<std::mutex> lock(monitor.m_mutex);
    r.data = monitor.m_recorder.summary(seconds);
    r.data["Url"] = record["Url"];
    r.data["Start"] = start;
    r.data["End"] = end;
    r.data["Speed"] = args.speed;
    r.data["SpeedTaken"] = speedTaken;
    r.data["FirstFrameMs"] = firstFrameMs;
    r.data["FirstRecordingTime"] = recordingTimeText(monitor.m_firstMs);
    r.data["LastRecordingTime"] = recordingTimeText(monitor.m_lastMs);
    // Recording time per wall time since the speed was set (meaningless across a seek).
    const double playedMs = msSince(paceFrom, Clock::now());
    if (playedMs > 0 && args.seekAfter < 0)
        r.data["RecordingSecondsPerSecond"] = static_cast<double>(monitor.m_lastMs - paceFromMs) / playedMs;
    if (seekLatencyMs >= 0)
        r.data["SeekLatencyMs"] = seekLatencyMs;
    r.data["Ended"] = monitor.m_ended;
    char line[256];
    std::snprintf(line, sizeof line, "  first frame after %.0f ms at %s; last frame at %s (%.1f s of recording a second)\n",
                  firstFrameMs, r.data["FirstRecordingTime"].asCString(), r.data["LastRecordingTime"].asCString(),
                  r.data.get("RecordingSecondsPerSecond", 0.0).asDouble());
    r.text = (zoneNote.empty() ? "" : "  " + zoneNote + "\n") + "  playing " + start + " .. " + end + " from " +
             record["Url"].asString() + "\n" + line;
    if (!speedTaken)
        r.text += "  the device did not take the speed " + std::to_string(args.speed) + "\n";
    if (seekLatencyMs >= 0) {
        std::snprintf(line, sizeof line, "  seek to %s: first frame there after %.0f ms\n", args.seekTo.c_str(),
                      seekLatencyMs);
        r.text += line;
    } else if (args.seekAfter >= 0) {
        r.text += "  the seek to " + args.seekTo + " brought no frame within 10 s\n";
    }
    r.text += "  " + std::to_string(r.data["Frames"].asInt64()) + " frames, " +
              std::to_string(r.data["Bytes"].asInt64()) + " bytes" +
              (args.outPath.empty() ? "" : " written to " + args.outPath) + (monitor.m_ended ? " (the recording ended)" : "") +
              "\n";
    r.ok = true;
    return r;
}

} // namespace OnvifCli
