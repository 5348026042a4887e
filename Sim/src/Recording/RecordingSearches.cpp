#include "Recording/RecordingSearches.h"

#include <algorithm>
#include <vector>

namespace OnvifSim {
namespace {

void DropExpired(Json::Value& searches, long long now)
{
    std::vector<std::string> expired;
    for (const auto& token : searches.getMemberNames()) {
        const Json::Value& s = searches[token];
        if (static_cast<double>(s["touched"].asInt64()) + s["keepAlive"].asDouble() < static_cast<double>(now))
            expired.push_back(token);
    }
    for (const auto& token : expired)
        searches.removeMember(token);
}

bool ResultsDue(const Json::Value& model, const Json::Value& search)
{
    return search["polls"].asInt() > model["habits"]["resultsAfterPolls"].asInt();
}

} // namespace

std::string OpenSearch(Json::Value& model, const std::string& kind, Json::Value results, double keepAliveSeconds,
                       long long now, const std::string& endPoint)
{
    Json::Value& searches = model["searches"];
    DropExpired(searches, now);
    if (static_cast<int>(searches.size()) >= kMaxOpenSearches)
        return "";
    const int number = model["next"]["search"].asInt();
    model["next"]["search"] = number + 1;
    const std::string token = "SearchToken_" + std::to_string(number);
    Json::Value& s = searches[token];
    s["kind"] = kind;
    s["results"] = std::move(results);
    s["delivered"] = 0;
    s["polls"] = 0;
    s["keepAlive"] = keepAliveSeconds;
    s["touched"] = static_cast<Json::Int64>(now);
    s["endPoint"] = endPoint;
    return token;
}

Json::Value* FindSearch(Json::Value& model, const std::string& token, const std::string& kind, long long now)
{
    Json::Value& searches = model["searches"];
    DropExpired(searches, now);
    if (!searches.isMember(token) || searches[token]["kind"].asString() != kind)
        return nullptr;
    Json::Value& s = searches[token];
    s["touched"] = static_cast<Json::Int64>(now);
    return &s;
}

Json::Value NextPage(const Json::Value& model, Json::Value& search, int maxResults)
{
    search["polls"] = search["polls"].asInt() + 1;
    Json::Value page;
    page["results"] = Json::Value(Json::arrayValue);
    if (!ResultsDue(model, search)) {
        page["state"] = search["polls"].asInt() == 1 ? "Queued" : "Searching";
        return page;
    }
    const Json::Value& results = search["results"];
    const int total = static_cast<int>(results.size());
    int next = search["delivered"].asInt();
    const int end = maxResults > 0 ? std::min(total, next + maxResults) : total;
    for (; next < end; ++next)
        page["results"].append(results[next]);
    search["delivered"] = next;
    page["state"] = next == total ? "Completed" : "Searching";
    return page;
}

std::string SearchState(const Json::Value& model, const Json::Value& search)
{
    if (search["polls"].asInt() == 0)
        return "Queued";
    const bool done = ResultsDue(model, search) && search["delivered"].asInt() == static_cast<int>(search["results"].size());
    return done ? "Completed" : "Searching";
}

void CloseSearch(Json::Value& model, const std::string& token)
{
    model["searches"].removeMember(token);
}

} // namespace OnvifSim
