// Reads the "recordings" member of a description into the recordings a recorder keeps.
#include "Recording/RecordingModel.h"

#include "Common/Log.h"
#include "Common/TimeUtil.h"
#include "Media/MediaModel.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace OnvifSim {
namespace {

using CSpan = std::pair<long long, long long>;

// "now", "-24h", "-90m", "-30s" (offsets from now) or an xs:dateTime.
bool ReadTime(const Json::Value& in, long long now, long long& out)
{
    if (!in.isString())
        return false;
    const std::string text = in.asString();
    if (text == "now") {
        out = now;
        return true;
    }
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        char unit = 0;
        long long amount = 0;
        int used = 0;
        if (std::sscanf(text.c_str() + 1, "%lld%c%n", &amount, &unit, &used) != 2 ||
            static_cast<size_t>(used) + 1 != text.size() || amount < 0 || amount > 100LL * 365 * 24 * 3600)
            return false;
        const long long scale = unit == 'h' ? 3600 : unit == 'm' ? 60 : unit == 's' ? 1 : 0;
        if (scale == 0)
            return false;
        out = now + (text[0] == '-' ? -1 : 1) * amount * scale;
        return true;
    }
    return ParseXsDateTime(text, out);
}

class CBuilder {
public:
    CBuilder(long long now, std::string& error) : m_now(now), m_error(error) {}

    bool fail(const std::string& where, const std::string& why)
    {
        if (m_error.empty())
            m_error = where + ": " + why;
        return false;
    }

    bool time(const Json::Value& object, const char* key, const std::string& where, long long fallback,
              long long& out)
    {
        out = fallback;
        if (!object.isMember(key))
            return true;
        if (!ReadTime(object[key], m_now, out))
            return fail(where + "." + key, "must be \"now\", an offset such as \"-24h\", \"-90m\", \"-30s\", "
                                           "or a time such as 2026-12-06T10:00:00Z");
        return true;
    }

    // [from, until) without the gaps, in ascending order.
    bool segments(const Json::Value& object, const std::string& where, const Json::Value& defaults,
                  Json::Value& out)
    {
        long long from = 0, until = 0;
        if (!time(defaults, "from", "recordings", m_now - 24 * 3600, from) ||
            !time(defaults, "until", "recordings", m_now, until) || !time(object, "from", where, from, from) ||
            !time(object, "until", where, until, until))
            return false;
        if (until <= from)
            return fail(where, "ends before it starts");
        const Json::Value& gaps = object.isMember("gaps") ? object["gaps"] : defaults["gaps"];
        const std::string gapsWhere = object.isMember("gaps") ? where + ".gaps" : "recordings.gaps";
        if (!gaps.isNull() && !gaps.isArray())
            return fail(gapsWhere, "must be an array of [from, until] pairs");
        std::vector<CSpan> holes;
        for (Json::ArrayIndex i = 0; i < gaps.size(); ++i) {
            const std::string at = gapsWhere + "[" + std::to_string(i) + "]";
            long long a = 0, b = 0;
            if (!gaps[i].isArray() || gaps[i].size() != 2 || !ReadTime(gaps[i][0], m_now, a) ||
                !ReadTime(gaps[i][1], m_now, b) || b <= a)
                return fail(at, "must be [from, until] with from before until, each a time or an offset");
            holes.push_back({a, b});
        }
        std::sort(holes.begin(), holes.end());
        out = Json::Value(Json::arrayValue);
        long long start = from;
        for (const CSpan& hole : holes) {
            if (hole.first > start && start < until) {
                Json::Value s(Json::arrayValue);
                s.append(static_cast<Json::Int64>(start));
                s.append(static_cast<Json::Int64>(std::min(hole.first, until)));
                out.append(s);
            }
            start = std::max(start, hole.second);
        }
        if (start < until) {
            Json::Value s(Json::arrayValue);
            s.append(static_cast<Json::Int64>(start));
            s.append(static_cast<Json::Int64>(until));
            out.append(s);
        }
        return true;
    }

private:
    long long m_now;
    std::string& m_error;
};

// The profiles of one channel in list order: its main stream first.
std::vector<const Json::Value*> StreamsOf(const Json::Value& media, int channel)
{
    std::vector<const Json::Value*> out;
    for (const auto& p : media["profiles"])
        if (p["channel"].asInt() == channel)
            out.push_back(&p);
    return out;
}

const Json::Value* EncoderOf(const Json::Value& media, const Json::Value& profile)
{
    const Json::Value& token = profile["refs"]["VideoEncoder"];
    for (const auto& config : media["configs"]["VideoEncoder"])
        if (!token.isNull() && config["token"] == token)
            return &config;
    return nullptr;
}

std::string Numbered(const char* prefix, int channel, int stream)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%03d", prefix, channel * 100 + stream);
    return text;
}

bool AddRecording(CBuilder& b, const Json::Value& media, const Json::Value& item, const std::string& where,
                  const Json::Value& defaults, Json::Value& model)
{
    if (!item.isObject())
        return b.fail(where, "must be an object");
    const int channels = static_cast<int>(media["channels"].size());
    const Json::Value channelIn = item.get("channel", 1);
    const Json::Value streamIn = item.get("stream", 0);
    if (!channelIn.isInt() || channelIn.asInt() < 1 || channelIn.asInt() > channels)
        return b.fail(where + ".channel", "must be a channel of the device, from 1 to " + std::to_string(channels));
    const int channel = channelIn.asInt() - 1;
    const auto streams = StreamsOf(media, channel);
    if (!streamIn.isInt() || streamIn.asInt() < 0 || streamIn.asInt() >= static_cast<int>(streams.size()))
        return b.fail(where + ".stream", "must be a stream of the channel, from 0 to " +
                                             std::to_string(static_cast<int>(streams.size()) - 1));
    const int stream = streamIn.asInt();
    const Json::Value& profile = *streams[static_cast<size_t>(stream)];
    const Json::Value* encoder = EncoderOf(media, profile);
    if (!encoder)
        return b.fail(where, "the stream's profile " + profile["token"].asString() + " has no video encoder");
    for (const char* key : {"token", "source", "name", "description", "location", "address", "sourceId"})
        if (item.isMember(key) && (!item[key].isString() || item[key].asString().empty()))
            return b.fail(where + "." + key, "must be a non-empty string");
    Json::Value r;
    r["token"] = item.get("token", Numbered("Rec_", channel, stream)).asString();
    if (FindRecording(model, r["token"].asString()))
        return b.fail(where + ".token", "\"" + r["token"].asString() + "\" is used twice");
    r["channel"] = channel;
    r["stream"] = stream;
    r["profile"] = profile["token"];
    // A recorder names a recording's source by the media profile that feeds it.
    r["source"] = item.get("source", profile["token"]).asString();
    r["name"] = item.get("name", media["channels"][channel]["name"].asString()).asString();
    r["content"] = profile["name"].asString();
    // What a recorder knows of the camera behind the channel, when the description says.
    for (const char* key : {"description", "location", "address", "sourceId"})
        if (item.isMember(key))
            r[key] = item[key];
    if (!b.segments(item, where, defaults, r["segments"]))
        return false;
    Json::Value& video = r["video"];
    for (const char* key : {"encoding", "width", "height", "frameRate", "bitrate"})
        video[key] = (*encoder)[key];
    model["recordings"].append(r);
    Json::Value job;
    job["token"] = Numbered("Job_", channel, stream);
    job["recording"] = r["token"];
    job["source"] = r["source"];
    job["mode"] = "Active";
    job["priority"] = 1;
    model["jobs"].append(job);
    return true;
}

} // namespace

bool BuildRecordingModel(const Json::Value& description, long long now, Json::Value& model, std::string& error)
{
    model = Json::Value(Json::objectValue);
    model["recordings"] = Json::Value(Json::arrayValue);
    model["jobs"] = Json::Value(Json::arrayValue);
    model["searches"] = Json::Value(Json::objectValue);
    model["next"]["search"] = 1;
    model["next"]["recording"] = 1;
    model["next"]["job"] = 1;
    model["sessionTimeout"] = 60;
    Json::Value& habits = model["habits"];
    habits["resultsAfterPolls"] = 2;
    habits["ignoreScope"] = false;
    habits["keepAliveSeconds"] = 60;
    const Json::Value& in = description.isObject() ? description["recordings"] : Json::Value::nullSingleton();
    if (in.isNull())
        return true;
    if (!in.isObject())
        return error = "recordings: must be an object", false;
    static const struct {
        const char* key;
        int min, max;
    } kNumbers[] = {{"resultsAfterPolls", 0, 1000}, {"keepAliveSeconds", 1, 86400}};
    for (const auto& n : kNumbers) {
        if (!in.isMember(n.key))
            continue;
        if (!in[n.key].isInt() || in[n.key].asInt() < n.min || in[n.key].asInt() > n.max)
            return error = std::string("recordings.") + n.key + ": must be a number from " +
                           std::to_string(n.min) + " to " + std::to_string(n.max), false;
        habits[n.key] = in[n.key].asInt();
    }
    if (in.isMember("ignoreScope")) {
        if (!in["ignoreScope"].isBool())
            return error = "recordings.ignoreScope: must be true or false", false;
        habits["ignoreScope"] = in["ignoreScope"];
    }
    Json::Value media;
    if (!BuildMediaModel(description, media, error))
        return false;
    CBuilder b(now, error);
    Json::Value items = in["items"];
    if (items.isNull()) {
        // Every stream of every channel.
        items = Json::Value(Json::arrayValue);
        for (Json::ArrayIndex c = 0; c < media["channels"].size(); ++c) {
            const int channel = static_cast<int>(c);
            for (size_t s = 0; s < StreamsOf(media, channel).size(); ++s) {
                Json::Value item;
                item["channel"] = channel + 1;
                item["stream"] = static_cast<int>(s);
                if (EncoderOf(media, *StreamsOf(media, channel)[s]))
                    items.append(item);
            }
        }
    } else if (!items.isArray()) {
        return error = "recordings.items: must be an array", false;
    }
    for (Json::ArrayIndex i = 0; i < items.size(); ++i)
        if (!AddRecording(b, media, items[i], "recordings.items[" + std::to_string(i) + "]", in, model))
            return false;
    return true;
}

Json::Value& RecordingModel(CDeviceState& state)
{
    Json::Value& model = state.serviceData["recordings"];
    if (model.isNull()) {
        std::string error;
        if (!BuildRecordingModel(state.current.raw, state.now(), model, error)) {
            // Checked at load; only a control-API change can break it, and then the device
            // has no recordings rather than half of them.
            LogLine(state.current.name + ": recordings: " + error);
            BuildRecordingModel(Json::Value(), state.now(), model, error);
        }
    }
    return model;
}

namespace {
Json::Value* FindByToken(Json::Value& list, const std::string& token)
{
    for (auto& item : list)
        if (item["token"].asString() == token)
            return &item;
    return nullptr;
}
} // namespace

Json::Value* FindRecording(Json::Value& model, const std::string& token)
{
    return FindByToken(model["recordings"], token);
}

Json::Value* FindJob(Json::Value& model, const std::string& token)
{
    return FindByToken(model["jobs"], token);
}

bool RecordingSpan(const Json::Value& recording, long long& from, long long& until)
{
    const Json::Value& segments = recording["segments"];
    if (!segments.isArray() || segments.empty())
        return false;
    from = segments[0][0].asInt64();
    until = segments[segments.size() - 1][1].asInt64();
    return true;
}

} // namespace OnvifSim
