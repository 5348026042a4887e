// The recording control service: the recordings of a recorder and the jobs that fill them.
// Recordings made here hold no media (the simulator records nothing new); the described
// ones keep their history. A job's mode is what its recording's status and state report.
#include "Common/TimeUtil.h"
#include "Recording/RecordingModel.h"
#include "Services/RecordingOps.h"

namespace OnvifSim {
namespace {

constexpr int kMaxRecordings = 32;
constexpr const char* kProfileSource = "http://www.onvif.org/ver10/schema/Profile";

void GetServiceCapabilities(CCallContext& ctx)
{
    WriteRecordingCapabilities(ctx, ctx.respond());
}

void WriteConfiguration(CCallContext& ctx, const Json::Value& r, CXmlNode configuration)
{
    WriteRecordingSource(ctx, r, configuration.add(Ns::Schema, "Source"));
    configuration.add(Ns::Schema, "Content", r["content"].asString());
    configuration.add(Ns::Schema, "MaximumRetentionTime", r.get("maxRetention", "PT0S").asString());
}

// Values a client sends in a tt:RecordingConfiguration, onto the recording.
void ReadConfiguration(pugi::xml_node in, Json::Value& r)
{
    if (!in)
        throw CSoapFault::Sender({"InvalidArgVal"}, "RecordingConfiguration is required");
    pugi::xml_node source = Child(in, "Source");
    static const std::pair<const char*, const char*> kSourceFields[] = {
        {"SourceId", "sourceId"}, {"Name", "name"}, {"Location", "location"},
        {"Description", "description"}, {"Address", "address"}};
    for (const auto& [element, key] : kSourceFields)
        if (Child(source, element))
            r[key] = ChildText(source, element);
    if (Child(in, "Content"))
        r["content"] = ChildText(in, "Content");
    if (Child(in, "MaximumRetentionTime")) {
        double seconds = 0;
        if (!ParseXsDuration(ChildText(in, "MaximumRetentionTime"), seconds))
            throw CSoapFault::Sender({"InvalidArgVal", "BadConfiguration"}, "MaximumRetentionTime must be a duration");
        r["maxRetention"] = ChildText(in, "MaximumRetentionTime");
    }
}

void GetRecordings(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    CXmlNode out = ctx.respond();
    for (const auto& r : model["recordings"]) {
        CXmlNode item = out.sub("RecordingItem");
        item.add(Ns::Schema, "RecordingToken", r["token"].asString());
        WriteConfiguration(ctx, r, item.add(Ns::Schema, "Configuration"));
        CXmlNode track = item.add(Ns::Schema, "Tracks").sub("Track");
        track.sub("TrackToken", kVideoTrackToken);
        CXmlNode configuration = track.sub("Configuration");
        configuration.sub("TrackType", "Video");
        configuration.sub("Description", "Video");
    }
}

void CreateRecording(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    if (static_cast<int>(model["recordings"].size()) >= kMaxRecordings)
        throw CSoapFault::Receiver({"Action", "MaxRecordings"}, "the recorder holds no more recordings");
    Json::Value r;
    r["channel"] = -1;
    r["stream"] = -1;
    r["profile"] = "";
    r["source"] = "";
    r["name"] = "";
    r["content"] = "";
    r["segments"] = Json::Value(Json::arrayValue);
    ReadConfiguration(Child(ctx.input(), "RecordingConfiguration"), r);
    std::string token;
    do {
        const int number = model["next"]["recording"].asInt();
        model["next"]["recording"] = number + 1;
        token = "Recording_" + std::to_string(number);
    } while (FindRecording(model, token));
    r["token"] = token;
    model["recordings"].append(r);
    ctx.respond().sub("RecordingToken", token);
}

void RemoveWhere(Json::Value& list, const char* key, const std::string& value)
{
    Json::Value kept(Json::arrayValue);
    for (const auto& item : list)
        if (item[key].asString() != value)
            kept.append(item);
    list = kept;
}

// Deleting a recording also ends the jobs that record into it.
void DeleteRecording(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const std::string token = RequireRecording(model, ChildText(ctx.input(), "RecordingToken"))["token"].asString();
    RemoveWhere(model["recordings"], "token", token);
    RemoveWhere(model["jobs"], "recording", token);
    ctx.respond();
}

void GetRecordingConfiguration(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const Json::Value& r = RequireRecording(model, ChildText(ctx.input(), "RecordingToken"));
    WriteConfiguration(ctx, r, ctx.respond().sub("RecordingConfiguration"));
}

void SetRecordingConfiguration(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    Json::Value& r = RequireRecording(model, ChildText(ctx.input(), "RecordingToken"));
    Json::Value next = r;
    ReadConfiguration(Child(ctx.input(), "RecordingConfiguration"), next);
    r = next;
    ctx.respond();
}

Json::Value& RequireJob(Json::Value& model, const std::string& token)
{
    Json::Value* job = FindJob(model, token);
    if (!job)
        throw CSoapFault::Sender({"InvalidArgVal", "NoRecordingJob"}, "no recording job \"" + token + "\"");
    return *job;
}

std::string Mode(const std::string& text)
{
    if (text != "Active" && text != "Idle")
        throw CSoapFault::Sender({"InvalidArgVal", "BadMode"}, "Mode must be Active or Idle");
    return text;
}

void WriteJobConfiguration(const Json::Value& job, CXmlNode configuration)
{
    configuration.add(Ns::Schema, "RecordingToken", job["recording"].asString());
    configuration.add(Ns::Schema, "Mode", job["mode"].asString());
    configuration.add(Ns::Schema, "Priority", std::to_string(job["priority"].asInt()));
    CXmlNode source = configuration.add(Ns::Schema, "Source");
    CXmlNode sourceToken = source.sub("SourceToken");
    sourceToken.attr("Type", kProfileSource);
    sourceToken.sub("Token", job["source"].asString());
    CXmlNode track = source.sub("Tracks");
    track.sub("SourceTag", "VIDEO");
    track.sub("Destination", kVideoTrackToken);
}

void CreateRecordingJob(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    pugi::xml_node in = Child(ctx.input(), "JobConfiguration");
    Json::Value job;
    job["recording"] = RequireRecording(model, ChildText(in, "RecordingToken"))["token"];
    job["mode"] = Mode(ChildText(in, "Mode"));
    int priority = 1;
    if (!ChildText(in, "Priority").empty() && !ReadCount(ChildText(in, "Priority"), priority))
        throw CSoapFault::Sender({"InvalidArgVal", "BadConfiguration"}, "Priority must be a positive number");
    job["priority"] = priority;
    job["source"] = ChildText(Child(Child(in, "Source"), "SourceToken"), "Token");
    do {
        const int number = model["next"]["job"].asInt();
        model["next"]["job"] = number + 1;
        job["token"] = "RecordingJob_" + std::to_string(number);
    } while (FindJob(model, job["token"].asString()));
    model["jobs"].append(job);
    CXmlNode out = ctx.respond();
    out.sub("JobToken", job["token"].asString());
    WriteJobConfiguration(job, out.sub("JobConfiguration"));
}

void DeleteRecordingJob(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const std::string token = RequireJob(model, ChildText(ctx.input(), "JobToken"))["token"].asString();
    RemoveWhere(model["jobs"], "token", token);
    ctx.respond();
}

void GetRecordingJobs(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    CXmlNode out = ctx.respond();
    for (const auto& job : model["jobs"]) {
        CXmlNode item = out.sub("JobItem");
        item.add(Ns::Schema, "JobToken", job["token"].asString());
        WriteJobConfiguration(job, item.add(Ns::Schema, "JobConfiguration"));
    }
}

void GetRecordingJobConfiguration(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    WriteJobConfiguration(RequireJob(model, ChildText(ctx.input(), "JobToken")), ctx.respond().sub("JobConfiguration"));
}

void SetRecordingJobMode(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    Json::Value& job = RequireJob(model, ChildText(ctx.input(), "JobToken"));
    job["mode"] = Mode(ChildText(ctx.input(), "Mode"));
    ctx.respond();
}

void GetRecordingJobState(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const Json::Value& job = RequireJob(model, ChildText(ctx.input(), "JobToken"));
    const std::string state = job["mode"].asString();
    CXmlNode out = ctx.respond().sub("State");
    out.add(Ns::Schema, "RecordingToken", job["recording"].asString());
    out.add(Ns::Schema, "State", state);
    CXmlNode source = out.add(Ns::Schema, "Sources");
    CXmlNode sourceToken = source.sub("SourceToken");
    sourceToken.attr("Type", kProfileSource);
    sourceToken.sub("Token", job["source"].asString());
    source.sub("State", state);
    CXmlNode track = source.sub("Tracks").sub("Track");
    track.sub("SourceTag", "VIDEO");
    track.sub("Destination", kVideoTrackToken);
    track.sub("State", state);
}

void GetRecordingOptions(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const Json::Value& r = RequireRecording(model, ChildText(ctx.input(), "RecordingToken"));
    int jobs = 0;
    for (const auto& job : model["jobs"])
        jobs += job["recording"] == r["token"] ? 1 : 0;
    CXmlNode options = ctx.respond().sub("Options");
    options.add(Ns::Schema, "Job").attr("Spare", std::to_string(jobs == 0 ? 1 : 0)).attr("CompatibleSources",
                                                                                        r["source"].asString());
    options.add(Ns::Schema, "Track").attr("SpareTotal", "0").attr("SpareVideo", "0").attr("SpareAudio", "0")
        .attr("SpareMetadata", "0");
}

} // namespace

void WriteRecordingCapabilities(CCallContext&, CXmlNode parent)
{
    parent.add(Ns::Recording, "Capabilities")
        .attr("DynamicRecordings", "true")
        .attr("DynamicTracks", "false")
        .attr("Encoding", "H264 H265 JPEG")
        .attr("MaxRecordings", std::to_string(kMaxRecordings))
        .attr("MaxRecordingJobs", std::to_string(kMaxRecordings));
}

const CServiceHandler& RecordingService()
{
    using L = EUserLevel;
    static const CServiceHandler handler = {
        "recording",
        {
            {"GetServiceCapabilities", L::User, &GetServiceCapabilities},
            {"GetRecordings", L::User, &GetRecordings},
            {"CreateRecording", L::Operator, &CreateRecording},
            {"DeleteRecording", L::Operator, &DeleteRecording},
            {"GetRecordingConfiguration", L::User, &GetRecordingConfiguration},
            {"SetRecordingConfiguration", L::Operator, &SetRecordingConfiguration},
            {"CreateRecordingJob", L::Operator, &CreateRecordingJob},
            {"DeleteRecordingJob", L::Operator, &DeleteRecordingJob},
            {"GetRecordingJobs", L::User, &GetRecordingJobs},
            {"GetRecordingJobConfiguration", L::User, &GetRecordingJobConfiguration},
            {"SetRecordingJobMode", L::Operator, &SetRecordingJobMode},
            {"GetRecordingJobState", L::User, &GetRecordingJobState},
            {"GetRecordingOptions", L::User, &GetRecordingOptions},
        },
        &WriteRecordingCapabilities,
    };
    return handler;
}

} // namespace OnvifSim
