// The recording search service: what a recorder holds, searched by recording or by the
// recording state events of its history, with results handed out page by page.
#include "Common/TimeUtil.h"
#include "Recording/RecordingModel.h"
#include "Recording/RecordingSearches.h"
#include "Services/RecordingOps.h"

#include <algorithm>
#include <set>

namespace OnvifSim {
namespace {

constexpr const char* kTopics = "http://www.onvif.org/ver10/topics";
constexpr const char* kConcreteSet = "http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet";

// The scope of a Find request: the sources and recordings it names (empty: everything).
struct CScope {
    std::set<std::string> sources;
    std::set<std::string> recordings;

    bool includes(const Json::Value& r) const
    {
        if (!sources.empty() && !sources.count(r["source"].asString()))
            return false;
        return recordings.empty() || recordings.count(r["token"].asString());
    }
};

CScope ReadScope(CCallContext& ctx, const Json::Value& model)
{
    CScope scope;
    if (model["habits"]["ignoreScope"].asBool())
        return scope;   // as many recorders do: every recording, whatever was asked
    pugi::xml_node in = Child(ctx.input(), "Scope");
    for (pugi::xml_node source : Children(in, "IncludedSources"))
        scope.sources.insert(ChildText(source, "Token"));
    for (pugi::xml_node recording : Children(in, "IncludedRecordings"))
        scope.recordings.insert(Trimmed(recording.text().get()));
    return scope;
}

double KeepAlive(CCallContext& ctx, const Json::Value& model)
{
    const std::string text = ChildText(ctx.input(), "KeepAliveTime");
    double seconds = model["habits"]["keepAliveSeconds"].asDouble();
    if (!text.empty() && (!ParseXsDuration(text, seconds) || seconds <= 0))
        throw CSoapFault::Sender({"InvalidArgVal"}, "KeepAliveTime must be a positive duration such as PT30S");
    return seconds;
}

int MaxMatches(CCallContext& ctx)
{
    const std::string text = ChildText(ctx.input(), "MaxMatches");
    if (text.empty())
        return 0;
    int value = 0;
    if (!ReadCount(text, value))
        throw CSoapFault::Sender({"InvalidArgVal"}, "MaxMatches must be a positive number");
    return value;
}

long long RequiredTime(CCallContext& ctx, const char* element)
{
    long long t = 0;
    if (!ParseXsDateTime(ChildText(ctx.input(), element), t))
        throw CSoapFault::Sender({"InvalidArgVal"}, std::string(element) + " must be an xs:dateTime");
    return t;
}

std::string OpenOrRefuse(CCallContext& ctx, Json::Value& model, const char* kind, Json::Value results,
                         double keepAlive, const std::string& endPoint)
{
    std::string token = OpenSearch(model, kind, std::move(results), keepAlive, ctx.state().now(), endPoint);
    if (token.empty())
        throw CSoapFault::Receiver({"Action", "ResourceProblem"}, "too many searches are open");
    return token;
}

Json::Value& RequireSearch(CCallContext& ctx, Json::Value& model, const char* kind)
{
    Json::Value* search = FindSearch(model, ChildText(ctx.input(), "SearchToken"), kind, ctx.state().now());
    if (!search)
        throw CSoapFault::Sender({"InvalidArgVal", "InvalidToken"}, "no such search, or it has expired");
    return *search;
}

int MaxResults(CCallContext& ctx)
{
    const std::string text = ChildText(ctx.input(), "MaxResults");
    int value = 0;
    if (!text.empty() && !ReadCount(text, value))
        throw CSoapFault::Sender({"InvalidArgVal"}, "MaxResults must be a positive number");
    return value;
}

void GetServiceCapabilities(CCallContext& ctx)
{
    WriteSearchCapabilities(ctx, ctx.respond());
}

void GetRecordingSummary(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    long long first = 0, last = 0;
    int count = 0;
    for (const auto& r : model["recordings"]) {
        long long from = 0, until = 0;
        if (!RecordingSpan(r, from, until))
            continue;
        first = count == 0 ? from : std::min(first, from);
        last = count == 0 ? until : std::max(last, until);
        ++count;
    }
    CXmlNode summary = ctx.respond().sub("Summary");
    summary.add(Ns::Schema, "DataFrom", FormatXsDateTime(first));
    summary.add(Ns::Schema, "DataUntil", FormatXsDateTime(last));
    summary.add(Ns::Schema, "NumberRecordings", std::to_string(count));
}

void GetRecordingInformation(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const Json::Value& r = RequireRecording(model, ChildText(ctx.input(), "RecordingToken"));
    WriteRecordingInformation(ctx, model, r, ctx.respond().sub("RecordingInformation"));
}

void GetMediaAttributes(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    CXmlNode out = ctx.respond();
    for (pugi::xml_node token : Children(ctx.input(), "RecordingTokens")) {
        const Json::Value& r = RequireRecording(model, Trimmed(token.text().get()));
        long long from = 0, until = 0;
        RecordingSpan(r, from, until);
        CXmlNode attributes = out.sub("MediaAttributes");
        attributes.add(Ns::Schema, "RecordingToken", r["token"].asString());
        CXmlNode track = attributes.add(Ns::Schema, "TrackAttributes");
        WriteTrackInformation(track.sub("TrackInformation"), r);
        CXmlNode video = track.sub("VideoAttributes");
        const Json::Value& v = r["video"];
        if (v.isObject()) {
            video.sub("Bitrate", std::to_string(v["bitrate"].asInt()));
            video.sub("Width", std::to_string(v["width"].asInt()));
            video.sub("Height", std::to_string(v["height"].asInt()));
            video.sub("Encoding", v["encoding"].asString());
            video.sub("Framerate", std::to_string(v["frameRate"].asInt()));
        }
        attributes.sub("From", FormatXsDateTime(from));
        attributes.sub("Until", FormatXsDateTime(until));
    }
}

void FindRecordings(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const CScope scope = ReadScope(ctx, model);
    const int limit = MaxMatches(ctx);
    Json::Value results(Json::arrayValue);
    for (const auto& r : model["recordings"])
        if (scope.includes(r) && (limit == 0 || static_cast<int>(results.size()) < limit))
            results.append(r["token"]);
    const std::string token = OpenOrRefuse(ctx, model, "recordings", results, KeepAlive(ctx, model), "");
    ctx.respond().sub("SearchToken", token);
}

using FWriteResult = void (*)(CCallContext& ctx, Json::Value& model, const Json::Value& result, CXmlNode list);

// The next page of a search of `kind`: its state, then each result as `write` puts it.
void AnswerPage(CCallContext& ctx, const char* kind, FWriteResult write)
{
    Json::Value& model = RecordingModel(ctx.state());
    Json::Value& search = RequireSearch(ctx, model, kind);
    const Json::Value page = NextPage(model, search, MaxResults(ctx));
    CXmlNode list = ctx.respond().sub("ResultList");
    list.add(Ns::Schema, "SearchState", page["state"].asString());
    for (const auto& result : page["results"])
        write(ctx, model, result, list);
}

void WriteFoundRecording(CCallContext& ctx, Json::Value& model, const Json::Value& token, CXmlNode list)
{
    // A recording deleted since the search began is no longer reported.
    if (const Json::Value* r = FindRecording(model, token.asString()))
        WriteRecordingInformation(ctx, model, *r, list.add(Ns::Schema, "RecordingInformation"));
}

void GetRecordingSearchResults(CCallContext& ctx)
{
    AnswerPage(ctx, "recordings", &WriteFoundRecording);
}

// A recording's state changes over [start, end]: it starts recording at each segment's
// beginning and stops at its end. With includeStartState the state at `start` comes first.
void AddStateEvents(const Json::Value& r, long long start, long long end, bool includeStartState,
                    Json::Value& events)
{
    auto add = [&](long long time, bool recording, bool startState) {
        Json::Value e;
        e["time"] = static_cast<Json::Int64>(time);
        e["recording"] = r["token"];
        e["isRecording"] = recording;
        e["startState"] = startState;
        events.append(e);
    };
    for (const auto& s : r["segments"]) {
        const long long a = s[0].asInt64(), b = s[1].asInt64();
        if (includeStartState && a < start && start < b)
            add(start, true, true);
        if (start <= a && a <= end)
            add(a, true, false);
        if (start <= b && b <= end)
            add(b, false, false);
    }
}

void FindEvents(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const long long startPoint = RequiredTime(ctx, "StartPoint");
    long long endPoint = 0;
    const bool hasEnd = ParseXsDateTime(ChildText(ctx.input(), "EndPoint"), endPoint);
    if (!hasEnd && !ChildText(ctx.input(), "EndPoint").empty())
        throw CSoapFault::Sender({"InvalidArgVal"}, "EndPoint must be an xs:dateTime");
    // An end before the start searches backwards in time.
    const bool backwards = hasEnd && endPoint < startPoint;
    const long long low = backwards ? endPoint : startPoint;
    const long long high = hasEnd ? std::max(startPoint, endPoint) : ctx.state().now();
    bool includeStartState = false;
    ParseXsBoolean(ChildText(ctx.input(), "IncludeStartState"), includeStartState);
    const CScope scope = ReadScope(ctx, model);
    Json::Value events(Json::arrayValue);
    for (const auto& r : model["recordings"])
        if (scope.includes(r))
            AddStateEvents(r, low, high, includeStartState && !backwards, events);
    std::vector<Json::Value> sorted(events.begin(), events.end());
    std::stable_sort(sorted.begin(), sorted.end(), [backwards](const Json::Value& a, const Json::Value& b) {
        return backwards ? a["time"].asInt64() > b["time"].asInt64() : a["time"].asInt64() < b["time"].asInt64();
    });
    const int limit = MaxMatches(ctx);
    Json::Value results(Json::arrayValue);
    for (const auto& e : sorted)
        if (limit == 0 || static_cast<int>(results.size()) < limit)
            results.append(e);
    const std::string end = hasEnd ? FormatXsDateTime(endPoint) : "";
    const std::string token = OpenOrRefuse(ctx, model, "events", results, KeepAlive(ctx, model), end);
    ctx.respond().sub("SearchToken", token);
}

// tns1:RecordingHistory/Recording/State, as the recording's own event reported it.
void WriteStateEvent(CCallContext&, Json::Value&, const Json::Value& e, CXmlNode list)
{
    CXmlNode result = list.add(Ns::Schema, "Result");
    const std::string time = FormatXsDateTime(e["time"].asInt64());
    result.add(Ns::Schema, "RecordingToken", e["recording"].asString());
    result.add(Ns::Schema, "TrackToken", kVideoTrackToken);
    result.add(Ns::Schema, "Time", time);
    CXmlNode event = result.add(Ns::Schema, "Event");
    event.add(Ns::Wsnt, "Topic").attr("Dialect", kConcreteSet).qnameText(kTopics, "RecordingHistory/Recording/State");
    CXmlNode message = event.add(Ns::Wsnt, "Message").add(Ns::Schema, "Message");
    message.attr("UtcTime", time).attr("PropertyOperation", e["startState"].asBool() ? "Initialized" : "Changed");
    message.sub("Source").sub("SimpleItem").attr("Name", "RecordingToken").attr("Value", e["recording"].asString());
    message.sub("Data").sub("SimpleItem").attr("Name", "IsRecording").attr("Value",
                                                                          e["isRecording"].asBool() ? "true" : "false");
    result.add(Ns::Schema, "StartStateEvent", e["startState"].asBool() ? "true" : "false");
}

void GetEventSearchResults(CCallContext& ctx)
{
    AnswerPage(ctx, "events", &WriteStateEvent);
}

Json::Value& RequireAnySearch(CCallContext& ctx, Json::Value& model)
{
    const std::string token = ChildText(ctx.input(), "SearchToken");
    for (const char* kind : {"recordings", "events"})
        if (Json::Value* s = FindSearch(model, token, kind, ctx.state().now()))
            return *s;
    throw CSoapFault::Sender({"InvalidArgVal", "InvalidToken"}, "no such search, or it has expired");
}

void GetSearchState(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    ctx.respond().sub("State", SearchState(model, RequireAnySearch(ctx, model)));
}

// The search ends where it stood: its end point once everything was handed out.
void EndSearch(CCallContext& ctx)
{
    Json::Value& model = RecordingModel(ctx.state());
    const Json::Value search = RequireAnySearch(ctx, model);
    std::string endpoint = search["endPoint"].asString();
    if (endpoint.empty())
        endpoint = FormatXsDateTime(ctx.state().now());
    CloseSearch(model, ChildText(ctx.input(), "SearchToken"));
    ctx.respond().sub("Endpoint", endpoint);
}

} // namespace

void WriteSearchCapabilities(CCallContext&, CXmlNode parent)
{
    parent.add(Ns::Search, "Capabilities").attr("MetadataSearch", "false").attr("GeneralStartEvents", "true");
}

const CServiceHandler& SearchService()
{
    using L = EUserLevel;
    static const CServiceHandler handler = {
        "search",
        {
            {"GetServiceCapabilities", L::User, &GetServiceCapabilities},
            {"GetRecordingSummary", L::User, &GetRecordingSummary},
            {"GetRecordingInformation", L::User, &GetRecordingInformation},
            {"GetMediaAttributes", L::User, &GetMediaAttributes},
            {"FindRecordings", L::User, &FindRecordings},
            {"GetRecordingSearchResults", L::User, &GetRecordingSearchResults},
            {"FindEvents", L::User, &FindEvents},
            {"GetEventSearchResults", L::User, &GetEventSearchResults},
            {"GetSearchState", L::User, &GetSearchState},
            {"EndSearch", L::User, &EndSearch},
        },
        &WriteSearchCapabilities,
    };
    return handler;
}

} // namespace OnvifSim
