// recordings: the files of a channel between two times as a recorder host sees them, through
// the host's recording-finder interface, each with the address it is replayed from.
#include "CliOutput.h"
#include "CmdRecordings.h"
#include "Commands.h"
#include "HostZones.h"
#include "IMediaFileFind.h"
#include "ITimeClient.h"
#include "Infra/LastError.h"

namespace OnvifCli {

namespace {

// Records handed out per findNextFile call.
const uint32_t kBatch = 16;

std::string streamName(int stream)
{
    return stream == 0 ? "Main" : "Extra" + std::to_string(stream);
}

} // namespace

std::string checkRecordingArgs(const RecordingArgs& args, bool needTo)
{
    CliTime from, to;
    std::string error;
    if (args.from.empty())
        return "--from is required: the start of the span, such as 2026-12-06T10:00:00Z.";
    if (!readCliTime("--from", args.from, args.local, from, &error))
        return error;
    if (args.to.empty())
        return needTo ? "--to is required: the end of the span." : "";
    if (!readCliTime("--to", args.to, args.local, to, &error))
        return error;
    if (to.seconds < from.seconds)
        return "--to " + args.to + " lies before --from " + args.from + ".";
    return "";
}

bool adoptDeviceZone(CCliHost& host, std::string& note, std::string* error)
{
    auto* clock = host.component<Zentar::Component::ITimeClient>(Zentar::Component::ITimeClient::kInterfaceName);
    Zentar::Component::HostTimeRecord time{};
    Zentar::Component::HostDstRecord dst{};
    if (!clock || !clock->getTimeWithZoneDSTConfig(time, dst) || !clock->setTimeWithZoneDSTConfig(time, dst)) {
        *error = "The device's time zone could not be read, so local times cannot be used on " + host.deviceLabel() +
                 " (try UTC times without --local).";
        return false;
    }
    note = "Local times are the device's: " + hostZoneName(time.zoneIndex) +
           (dst.enable ? " with daylight saving" : "") + ".";
    return true;
}

bool findRecordings(CCliHost& host, const RecordingArgs& args, Json::Value& records, std::string* error)
{
    CliTime from, to;
    readCliTime("--from", args.from, args.local, from, error);
    readCliTime("--to", args.to, args.local, to, error);
    auto* finder = host.component<Zentar::Storage::IMediaFileFind>(Zentar::Storage::IMediaFileFind::kInterfaceName);
    if (!finder) {
        *error = CCliHost::explainError(Zentar::Infra::getLastError(), host.deviceLabel());
        return false;
    }
    Json::Value condition;
    condition["Channel"] = args.channel;
    condition[args.local ? "StartTime" : "StartTimeRealUTC"] = from.text;
    condition[args.local ? "EndTime" : "EndTimeRealUTC"] = to.text;
    if (args.stream >= 0)
        condition["VideoStream"] = streamName(args.stream);
    records = Json::Value(Json::arrayValue);
    const bool found = finder->findFile(condition);
    Json::Value batch;
    while (found && finder->findNextFile(kBatch, batch) && !batch["infos"].empty()) {
        for (const Json::Value& record : batch["infos"])
            records.append(record);
    }
    finder->close();
    finder->destroy();
    if (!found)
        *error = "The recordings of channel " + std::to_string(args.channel) + " could not be searched on " +
                 host.deviceLabel() + " (see --log-level 3 for the device's answers).";
    return found;
}

CommandResult runRecordings(CCliHost& host, const RecordingArgs& args)
{
    CommandResult r;
    std::string zoneNote;
    if (args.local && !adoptDeviceZone(host, zoneNote, &r.error))
        return r;
    Json::Value records;
    if (!findRecordings(host, args, records, &r.error))
        return r;
    const char* startKey = args.local ? "StartTime" : "StartTimeRealUTC";
    const char* endKey = args.local ? "EndTime" : "EndTimeRealUTC";
    r.data["Channel"] = args.channel;
    r.data["From"] = args.from;
    r.data["To"] = args.to;
    r.data["Times"] = args.local ? "device local" : "UTC";
    r.data["Records"] = records;
    if (!zoneNote.empty())
        r.text = "  " + zoneNote + "\n";
    r.text += "  " + std::to_string(records.size()) + " recording" + (records.size() == 1 ? "" : "s") +
              " of channel " + std::to_string(args.channel) + " from " + args.from + " to " + args.to + "\n";
    for (const Json::Value& record : records)
        r.text += "  " + record[startKey].asString() + " .. " + record[endKey].asString() + "  " +
                  record["VideoStream"].asString() + "  " + record["Url"].asString() + "\n";
    r.ok = true;
    return r;
}

} // namespace OnvifCli
