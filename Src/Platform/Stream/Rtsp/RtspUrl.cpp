#include "Stream/Rtsp/RtspUrl.h"

#include <cstdlib>
#include <strings.h>

namespace Zentar {
namespace StreamApp {

namespace {

std::string percentDecode(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && isxdigit(static_cast<unsigned char>(s[i + 1]))
            && isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(strtol(s.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

bool CRtspUrl::parse(const std::string& url)
{
    size_t sep = url.find("://");
    if (sep == std::string::npos || sep == 0)
        return false;
    scheme = url.substr(0, sep);
    for (auto& c : scheme)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    size_t authStart = sep + 3;
    size_t pathStart = url.find('/', authStart);
    std::string authority = url.substr(authStart, pathStart == std::string::npos
                                                      ? std::string::npos : pathStart - authStart);
    path = pathStart == std::string::npos ? "/" : url.substr(pathStart);

    user.clear();
    password.clear();
    size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string info = authority.substr(0, at);
        size_t colon = info.find(':');
        user = percentDecode(info.substr(0, colon));
        if (colon != std::string::npos)
            password = percentDecode(info.substr(colon + 1));
        authority = authority.substr(at + 1);
        m_request = url.substr(0, authStart) + authority + (pathStart == std::string::npos ? "" : path);
    } else {
        m_request = url;
    }

    static const struct { const char* scheme; uint16_t port; } kDefaults[] = {
        {"rtsp", 554}, {"rtsps", 322}, {"http", 80}, {"https", 443}};
    port = 554;
    for (const auto& d : kDefaults)
        if (scheme == d.scheme)
            port = d.port;

    std::string portText;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string::npos)
            return false;
        host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':')
                return false;
            portText = authority.substr(close + 2);
        }
    } else {
        size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        if (colon != std::string::npos)
            portText = authority.substr(colon + 1);
    }
    if (host.empty())
        return false;
    if (!portText.empty()) {
        if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos)
            return false;
        long p = strtol(portText.c_str(), nullptr, 10);
        if (p < 1 || p > 65535)
            return false;
        port = static_cast<uint16_t>(p);
    }
    return true;
}

std::string resolveControl(const std::string& base, const std::string& control)
{
    if (control.empty() || control == "*")
        return base;
    if (strncasecmp(control.c_str(), "rtsp://", 7) == 0 || strncasecmp(control.c_str(), "rtsps://", 8) == 0)
        return control;
    if (!base.empty() && base.back() == '/')
        return base + (control[0] == '/' ? control.substr(1) : control);
    return base + (control[0] == '/' ? control : "/" + control);
}

} // namespace StreamApp
} // namespace Zentar
