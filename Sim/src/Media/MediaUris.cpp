#include "Media/MediaUris.h"

namespace OnvifSim {
namespace {

struct CHostPort {
    std::string host;   // with brackets for IPv6
    std::string port;   // empty when the base URL names none
};

CHostPort SplitBase(const std::string& baseUrl)
{
    std::string rest = baseUrl.substr(baseUrl.find("://") == std::string::npos ? 0 : baseUrl.find("://") + 3);
    size_t hostEnd = rest[0] == '[' ? rest.find(']') + 1 : rest.find(':');
    if (hostEnd == 0 || hostEnd > rest.size())
        hostEnd = rest.size();
    CHostPort out;
    out.host = rest.substr(0, hostEnd);
    if (hostEnd < rest.size() && rest[hostEnd] == ':')
        out.port = rest.substr(hostEnd + 1);
    return out;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

std::string PercentEncoded(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// Position of the profile among its channel's profiles: 0 main stream, 1 sub stream ...
int StreamIndex(const Json::Value& model, const Json::Value& profile)
{
    int index = 0;
    for (const auto& p : model["profiles"]) {
        if (p["token"] == profile["token"])
            return index;
        index += p["channel"] == profile["channel"] ? 1 : 0;
    }
    return index;
}

std::string FillStreamUri(const Json::Value& model, const Json::Value& profile, EStreamKind kind,
                          const std::string& host, const std::string& port)
{
    std::string uri = model["habits"]["streamUri"].asString();
    if (kind == EStreamKind::RtspOverHttp && uri.rfind("rtsp://", 0) == 0)
        uri = "http://" + uri.substr(7);
    ReplaceAll(uri, "{host}", host);
    ReplaceAll(uri, "{port}", port);
    ReplaceAll(uri, "{profile}", PercentEncoded(profile["token"].asString()));
    ReplaceAll(uri, "{channel}", std::to_string(profile["channel"].asInt() + 1));
    ReplaceAll(uri, "{stream}", std::to_string(StreamIndex(model, profile)));
    ReplaceAll(uri, "{mode}", kind == EStreamKind::RtspMulticast ? "multicast" : "unicast");
    return uri;
}

} // namespace

std::string UriPathPart(const std::string& uri)
{
    size_t scheme = uri.find("://");
    size_t authority = scheme == std::string::npos ? 0 : scheme + 3;
    size_t path = uri.find_first_of("/?", authority);
    if (path == std::string::npos)
        return "/";
    return uri[path] == '?' ? "/" + uri.substr(path) : uri.substr(path);
}

std::string StreamUriPath(const Json::Value& model, const Json::Value& profile, EStreamKind kind)
{
    return UriPathPart(FillStreamUri(model, profile, kind, "host", "1"));
}

namespace {

// A device that advertises another address (behind a mapped port) or names its RTSP port
// keeps the described port; otherwise URIs name the running RTSP server.
std::string RtspPort(CCallContext& ctx, CMediaState& media)
{
    const Json::Value& raw = ctx.device().raw;
    if (ctx.device().advertisedHost.empty() && !raw["media"].isMember("rtspPort") && raw.isMember(kRtspPortMember))
        return raw[kRtspPortMember].asString();
    return media.habits()["rtspPort"].asString();
}

} // namespace

std::string RtspAuthority(CCallContext& ctx, CMediaState& media)
{
    return "rtsp://" + SplitBase(ctx.baseUrl()).host + ":" + RtspPort(ctx, media);
}

std::string StreamUri(CCallContext& ctx, CMediaState& media, const Json::Value& profile, EStreamKind kind)
{
    CHostPort base = SplitBase(ctx.baseUrl());
    std::string port = RtspPort(ctx, media);
    if (kind == EStreamKind::RtspOverHttp)
        port = base.port.empty() ? "80" : base.port;   // tunnelled RTSP goes to the web server
    return FillStreamUri(media.model(), profile, kind, base.host, port);
}

std::string SnapshotUri(CCallContext& ctx, const Json::Value& profile)
{
    return ctx.baseUrl() + "/onvif/snapshot?token=" + PercentEncoded(profile["token"].asString());
}

} // namespace OnvifSim
