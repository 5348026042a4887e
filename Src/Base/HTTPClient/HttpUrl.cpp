#include "Base/HTTPClient/HttpUrl.h"

#include "OnvifFramework/Utility/OnvifLog.h"

#include <strings.h>

namespace RPC {

using namespace RPC::Onvif;

namespace {

struct DefaultPort {
    const char* scheme;
    int port;
};
const DefaultPort kDefaultPorts[] = {{"http", 80}, {"rtsp", 554}};

// Four decimal numbers 0..255 joined by exactly three dots, nothing else.
bool isDottedIpv4(const std::string& host)
{
    int parts = 0;
    size_t pos = 0;
    while (pos <= host.size()) {
        size_t dot = host.find('.', pos);
        std::string part = host.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(part) > 255)
            return false;
        ++parts;
        if (dot == std::string::npos) break;
        pos = dot + 1;
    }
    return parts == 4;
}

bool parsePort(const std::string& text, int& port)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    int value = std::stoi(text);
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

} // namespace

bool parseHttpUrl(const std::string& url, std::string& path, std::string& host, int& port)
{
    size_t sep = url.find("://");
    if (sep == std::string::npos) {
        ONVIF_LOG(LOG_ERROR, "parseHttpUrl, no scheme in url:%s\n", url.c_str());
        return false;
    }
    const std::string scheme = url.substr(0, sep);
    int newPort = port;
    for (const auto& row : kDefaultPorts)
        if (strcasecmp(scheme.c_str(), row.scheme) == 0) newPort = row.port;

    // The authority runs to the first slash; user information inside it is ignored
    // (an '@' further on belongs to the path).
    std::string rest = url.substr(sep + 3);
    size_t slash = rest.find('/');
    size_t at = rest.rfind('@', slash == std::string::npos ? std::string::npos : slash);
    if (at != std::string::npos && (slash == std::string::npos || at < slash)) {
        rest.erase(0, at + 1);
        slash = rest.find('/');
    }
    std::string authority = rest.substr(0, slash);
    size_t colon = authority.find(':');
    std::string newHost = authority.substr(0, colon);
    if (colon != std::string::npos && !parsePort(authority.substr(colon + 1), newPort)) {
        ONVIF_LOG(LOG_ERROR, "Invalid port!!! url:%s\n", url.c_str());
        return false;
    }
    if (!isDottedIpv4(newHost)) {
        ONVIF_LOG(LOG_ERROR, "Invalid ipv4!!! ip:%s\n", newHost.c_str());
        return false;
    }
    host = newHost;
    port = newPort;
    if (slash != std::string::npos)
        path = rest.substr(slash);
    else if (colon == std::string::npos)
        path.clear();
    return true;
}

} // namespace RPC
