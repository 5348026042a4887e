#include "Base/HTTPClient/HttpUrl.h"

#include "OnvifFramework/Utility/OnvifLog.h"

#include <arpa/inet.h>
#include <strings.h>

namespace RPC {

using namespace RPC::Onvif;

namespace {

struct DefaultPort {
    const char* scheme;
    int port;
};
const DefaultPort kDefaultPorts[] = {{"http", 80}, {"https", 443}, {"rtsp", 554}};

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

// A host name of letters, digits and hyphens in dot-separated labels (RFC 1123). A last
// label that starts with a digit makes it an attempt at an IPv4 address instead, so
// "10.0.0.256" and "10.0.0.1x" stay refused rather than going to the resolver.
bool isHostName(const std::string& host)
{
    if (host.empty() || host.size() > 253) return false;
    size_t pos = 0;
    for (;;) {
        size_t dot = host.find('.', pos);
        const std::string label = host.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-' ||
            label.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-") !=
                std::string::npos)
            return false;
        if (dot == std::string::npos) return !(label[0] >= '0' && label[0] <= '9');
        pos = dot + 1;
    }
}

bool isIpv6(const std::string& host)
{
    in6_addr address;
    return inet_pton(AF_INET6, host.c_str(), &address) == 1;
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
    // An IPv6 literal sits in brackets, its colons not taken for the port's.
    const bool bracketed = !authority.empty() && authority[0] == '[';
    const size_t close = bracketed ? authority.find(']') : std::string::npos;
    if (bracketed && close == std::string::npos) {
        ONVIF_LOG(LOG_ERROR, "Invalid ipv6!!! url:%s\n", url.c_str());
        return false;
    }
    size_t colon = bracketed ? (close + 1 < authority.size() ? close + 1 : std::string::npos) : authority.find(':');
    if (bracketed && colon != std::string::npos && authority[colon] != ':') {
        ONVIF_LOG(LOG_ERROR, "Invalid ipv6!!! url:%s\n", url.c_str());
        return false;
    }
    std::string newHost = bracketed ? authority.substr(1, close - 1) : authority.substr(0, colon);
    if (colon != std::string::npos && !parsePort(authority.substr(colon + 1), newPort)) {
        ONVIF_LOG(LOG_ERROR, "Invalid port!!! url:%s\n", url.c_str());
        return false;
    }
    if (bracketed ? !isIpv6(newHost) : !isDottedIpv4(newHost) && !isHostName(newHost)) {
        ONVIF_LOG(LOG_ERROR, bracketed ? "Invalid ipv6!!! ip:%s\n" : "Invalid ipv4!!! ip:%s\n", newHost.c_str());
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

bool isHttpsUrl(const std::string& url) { return strncasecmp(url.c_str(), "https://", 8) == 0; }

} // namespace RPC
