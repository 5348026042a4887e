#pragma once
// Searches in progress, run as a recorder runs them: a Find call fixes what the search
// finds and hands out a token; the results calls fetch it page by page. The device keeps a
// client waiting: the first poll answers Queued and later ones Searching, with nothing,
// until `resultsAfterPolls` polls have gone by. A search nobody asked about for its
// keep-alive time is forgotten, and its token is refused from then on.
//
// A search (model["searches"][token]): {kind, results[], delivered, polls, keepAlive,
// touched (device clock), endPoint}.
#include <json/value.h>

#include <string>

namespace OnvifSim {

// Searches one device keeps open at once; a further Find is refused.
constexpr int kMaxOpenSearches = 64;

// A new search over `results`; its token, or "" when too many are open.
std::string OpenSearch(Json::Value& model, const std::string& kind, Json::Value results, double keepAliveSeconds,
                       long long now, const std::string& endPoint);
// The search of a token, touched; null for an unknown token, another kind of search, or
// a search whose keep-alive ran out (which is dropped then).
Json::Value* FindSearch(Json::Value& model, const std::string& token, const std::string& kind, long long now);
// The next page {"state", "results": [...]}; maxResults <= 0 takes all that are left.
Json::Value NextPage(const Json::Value& model, Json::Value& search, int maxResults);
// Queued, Searching or Completed, without counting as a poll.
std::string SearchState(const Json::Value& model, const Json::Value& search);
void CloseSearch(Json::Value& model, const std::string& token);

} // namespace OnvifSim
