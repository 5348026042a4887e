#include "Events/EventSettings.h"

#include "Events/EventTopics.h"

namespace OnvifSim {
namespace {

bool readInt(const Json::Value& parent, const char* key, int min, int max, int& out, std::string& error)
{
    if (!parent.isMember(key))
        return true;
    const Json::Value& v = parent[key];
    if (!v.isInt() || v.asInt() < min || v.asInt() > max) {
        error = std::string("events.") + key + " must be a whole number from " + std::to_string(min) + " to " +
                std::to_string(max);
        return false;
    }
    out = v.asInt();
    return true;
}

bool readFlag(const Json::Value& parent, const char* key, bool& out, std::string& error)
{
    if (!parent.isMember(key))
        return true;
    if (!parent[key].isBool()) {
        error = std::string("events.habits.") + key + " must be true or false";
        return false;
    }
    out = parent[key].asBool();
    return true;
}

bool readTimeline(const Json::Value& list, std::vector<CTimelineEntry>& out, std::string& error)
{
    if (!list.isArray()) {
        error = "events.timeline must be a list";
        return false;
    }
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const Json::Value& e = list[i];
        const std::string where = "events.timeline[" + std::to_string(i) + "]";
        CTimelineEntry entry;
        if (!e.isObject() || !e["at"].isNumeric() || e["at"].asDouble() < 0 || !e["event"].isString()) {
            error = where + " needs \"at\" (seconds, 0 or more) and \"event\"";
            return false;
        }
        entry.at = e["at"].asDouble();
        entry.kind = e["event"].asString();
        if (!FindEventKind(entry.kind)) {
            error = where + ": unknown event \"" + entry.kind + "\"";
            return false;
        }
        if (e.isMember("state") && !e["state"].isBool()) {
            error = where + ".state must be true or false";
            return false;
        }
        entry.state = e.get("state", true).asBool();
        if (e.isMember("channel") && (!e["channel"].isInt() || e["channel"].asInt() < 1)) {
            error = where + ".channel counts from 1";
            return false;
        }
        entry.channel = e.get("channel", 1).asInt();
        entry.input = e.get("input", "").asString();
        out.push_back(entry);
    }
    return true;
}

} // namespace

bool ParseEventSettings(const Json::Value& description, CEventSettings& out, std::string& error)
{
    CEventSettings s;
    const Json::Value& events = description.isObject() ? description["events"] : Json::Value::nullSingleton();
    if (events.isNull()) {
        out = s;
        return true;
    }
    if (!events.isObject()) {
        error = "events must be an object";
        return false;
    }
    const Json::Value& habits = events["habits"];
    if (!habits.isNull() && !habits.isObject()) {
        error = "events.habits must be an object";
        return false;
    }
    bool ok = readInt(events, "maxPullTimeoutSeconds", 1, 3600, s.maxPullTimeoutSeconds, error) &&
              readInt(events, "maxMessageLimit", 1, 10000, s.maxMessageLimit, error) &&
              readInt(events, "subscriptionSeconds", 1, 86400, s.subscriptionSeconds, error) &&
              readInt(events, "queueLimit", 1, 100000, s.queueLimit, error);
    if (ok && habits.isObject())
        ok = readInt(habits, "dropPullEvery", 0, 1000, s.dropPullEvery, error) &&
             readFlag(habits, "emptyPullAtOnce", s.emptyPullAtOnce, error) &&
             readFlag(habits, "terminationBeforeCurrent", s.terminationBeforeCurrent, error) &&
             readFlag(habits, "initializedFirst", s.initializedFirst, error);
    if (ok && events.isMember("timeline"))
        ok = readTimeline(events["timeline"], s.timeline, error);
    if (ok && events.isMember("repeatSeconds")) {
        if (!events["repeatSeconds"].isNumeric() || events["repeatSeconds"].asDouble() < 0) {
            error = "events.repeatSeconds must be 0 or more";
            return false;
        }
        s.repeatSeconds = events["repeatSeconds"].asDouble();
    }
    if (!ok)
        return false;
    out = s;
    return true;
}

} // namespace OnvifSim
