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
int StreamIndex(CMediaState& media, const Json::Value& profile)
{
    int index = 0;
    for (const auto& p : media.profiles()) {
        if (p["token"] == profile["token"])
            return index;
        index += p["channel"] == profile["channel"] ? 1 : 0;
    }
    return index;
}

} // namespace

std::string StreamUri(CCallContext& ctx, CMediaState& media, const Json::Value& profile, EStreamKind kind)
{
    CHostPort base = SplitBase(ctx.baseUrl());
    const Json::Value& habits = media.habits();
    std::string uri = habits["streamUri"].asString();
    std::string port = habits["rtspPort"].asString();
    if (kind == EStreamKind::RtspOverHttp) {
        // Tunnelled RTSP goes to the web server: http scheme, the device's HTTP port.
        port = base.port.empty() ? "80" : base.port;
        if (uri.rfind("rtsp://", 0) == 0)
            uri = "http://" + uri.substr(7);
    }
    ReplaceAll(uri, "{host}", base.host);
    ReplaceAll(uri, "{port}", port);
    ReplaceAll(uri, "{profile}", PercentEncoded(profile["token"].asString()));
    ReplaceAll(uri, "{channel}", std::to_string(profile["channel"].asInt() + 1));
    ReplaceAll(uri, "{stream}", std::to_string(StreamIndex(media, profile)));
    ReplaceAll(uri, "{mode}", kind == EStreamKind::RtspMulticast ? "multicast" : "unicast");
    return uri;
}

std::string SnapshotUri(CCallContext& ctx, const Json::Value& profile)
{
    return ctx.baseUrl() + "/onvif/snapshot?token=" + PercentEncoded(profile["token"].asString());
}

} // namespace OnvifSim
