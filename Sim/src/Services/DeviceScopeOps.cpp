// Discovery scopes. Fixed scopes (hardware, name set by the maker) cannot be removed or
// replaced; configurable ones are what SetScopes/AddScopes/RemoveScopes change.
#include "Services/DeviceOps.h"

#include <algorithm>

namespace OnvifSim {
namespace {

constexpr size_t kMaxScopes = 64;

std::vector<std::string> ReadUris(CCallContext& ctx, const char* element)
{
    std::vector<std::string> uris;
    for (pugi::xml_node n : Children(ctx.input(), element)) {
        std::string uri = Trimmed(n.text().get());
        if (uri.empty())
            throw CSoapFault::Sender({"InvalidArgVal"}, "empty scope");
        uris.push_back(uri);
    }
    if (uris.empty())
        throw CSoapFault::Sender({"InvalidArgVal"}, std::string("at least one ") + element + " is required");
    return uris;
}

std::vector<CScope>::iterator FindScope(std::vector<CScope>& scopes, const std::string& uri)
{
    return std::find_if(scopes.begin(), scopes.end(), [&](const CScope& s) { return s.uri == uri; });
}

void CheckRoom(size_t count)
{
    if (count > kMaxScopes)
        throw CSoapFault::Receiver({"Action", "TooManyScopes"}, "too many scopes");
}

} // namespace

void GetScopes(CCallContext& ctx)
{
    CXmlNode out = ctx.respond();
    for (const auto& scope : ctx.device().scopes) {
        CXmlNode s = out.sub("Scopes");
        s.add(Ns::Schema, "ScopeDef", scope.fixed ? "Fixed" : "Configurable");
        s.add(Ns::Schema, "ScopeItem", scope.uri);
    }
}

void SetScopes(CCallContext& ctx)
{
    std::vector<std::string> uris = ReadUris(ctx, "Scopes");
    std::vector<CScope> next;
    for (const auto& scope : ctx.device().scopes)
        if (scope.fixed)
            next.push_back(scope);
    for (const auto& uri : uris)
        if (FindScope(next, uri) == next.end())
            next.push_back(CScope{uri, false});
    CheckRoom(next.size());
    ctx.state().current.scopes = next;
    ctx.respond();
}

void AddScopes(CCallContext& ctx)
{
    std::vector<CScope> next = ctx.device().scopes;
    for (const auto& uri : ReadUris(ctx, "ScopeItem"))
        if (FindScope(next, uri) == next.end())
            next.push_back(CScope{uri, false});
    CheckRoom(next.size());
    ctx.state().current.scopes = next;
    ctx.respond();
}

void RemoveScopes(CCallContext& ctx)
{
    std::vector<std::string> uris = ReadUris(ctx, "ScopeItem");
    std::vector<CScope> next = ctx.device().scopes;
    for (const auto& uri : uris) {
        auto it = FindScope(next, uri);
        if (it == next.end())
            throw CSoapFault::Sender({"InvalidArgVal", "NoScope"}, "no such scope: " + uri);
        if (it->fixed)
            throw CSoapFault::Sender({"OperationProhibited", "FixedScope"}, "fixed scope: " + uri);
        next.erase(it);
    }
    ctx.state().current.scopes = next;
    CXmlNode out = ctx.respond();
    for (const auto& uri : uris)
        out.sub("ScopeItem", uri);
}

} // namespace OnvifSim
