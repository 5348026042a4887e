// The recording records the recording, search and replay services write.
#include "Common/TimeUtil.h"
#include "Recording/RecordingModel.h"
#include "Services/RecordingOps.h"

#include <cstdlib>

namespace OnvifSim {

Json::Value& RequireRecording(Json::Value& model, const std::string& token)
{
    Json::Value* r = FindRecording(model, token);
    if (!r)
        throw CSoapFault::Sender({"InvalidArgVal", "NoRecording"}, "no recording \"" + token + "\"");
    return *r;
}

bool ReadCount(const std::string& text, int& value)
{
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 1 || n > 1000000)
        return false;
    value = static_cast<int>(n);
    return true;
}

void WriteRecordingSource(CCallContext& ctx, const Json::Value& r, CXmlNode source)
{
    source.add(Ns::Schema, "SourceId", r.get("sourceId", "urn:onvif-sim:source:" + r["source"].asString()).asString());
    source.add(Ns::Schema, "Name", r["name"].asString());
    source.add(Ns::Schema, "Location", r.get("location", "").asString());
    source.add(Ns::Schema, "Description", r.get("description", r["content"].asString()).asString());
    source.add(Ns::Schema, "Address", r.get("address", ctx.baseUrl() + "/onvif/device_service").asString());
}

void WriteTrackInformation(CXmlNode track, const Json::Value& r)
{
    long long from = 0, until = 0;
    RecordingSpan(r, from, until);
    track.add(Ns::Schema, "TrackToken", kVideoTrackToken);
    track.add(Ns::Schema, "TrackType", "Video");
    track.add(Ns::Schema, "Description", "Video");
    track.add(Ns::Schema, "DataFrom", FormatXsDateTime(from));
    track.add(Ns::Schema, "DataTo", FormatXsDateTime(until));
}

// An empty recording reports the epoch as both ends, as recorders do.
void WriteRecordingInformation(CCallContext& ctx, Json::Value& model, const Json::Value& r, CXmlNode info)
{
    long long from = 0, until = 0;
    RecordingSpan(r, from, until);
    info.add(Ns::Schema, "RecordingToken", r["token"].asString());
    WriteRecordingSource(ctx, r, info.add(Ns::Schema, "Source"));
    info.add(Ns::Schema, "EarliestRecording", FormatXsDateTime(from));
    info.add(Ns::Schema, "LatestRecording", FormatXsDateTime(until));
    info.add(Ns::Schema, "Content", r["content"].asString());
    WriteTrackInformation(info.add(Ns::Schema, "Track"), r);
    bool active = false;
    for (const auto& job : model["jobs"])
        active = active || (job["recording"] == r["token"] && job["mode"] == "Active");
    info.add(Ns::Schema, "RecordingStatus", active ? "Recording" : "Stopped");
}

} // namespace OnvifSim
