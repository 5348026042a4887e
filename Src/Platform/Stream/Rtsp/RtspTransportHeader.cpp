#include "Stream/Rtsp/RtspTransportHeader.h"

#include <cstdlib>
#include <strings.h>

namespace Zentar {
namespace StreamApp {

namespace {

// "a-b" or "a" (the second then defaults to a + 1), each 0..65535.
bool parseRange(const std::string& v, int out[2])
{
    if (v.empty() || v.size() > 11 || v.find_first_not_of("0123456789-") != std::string::npos)
        return false;
    size_t dash = v.find('-');
    std::string a = v.substr(0, dash);
    if (a.empty())
        return false;
    long first = strtol(a.c_str(), nullptr, 10);
    long second = first + 1;
    if (dash != std::string::npos) {
        std::string b = v.substr(dash + 1);
        if (b.empty() || b.find('-') != std::string::npos)
            return false;
        second = strtol(b.c_str(), nullptr, 10);
    }
    if (first > 65535 || second > 65535)
        return false;
    out[0] = static_cast<int>(first);
    out[1] = static_cast<int>(second);
    return true;
}

} // namespace

bool CRtspTransportHeader::parse(const std::string& text)
{
    *this = CRtspTransportHeader();
    std::string offer = text.substr(0, text.find(','));
    size_t pos = 0;
    bool first = true;
    while (pos <= offer.size()) {
        size_t semi = offer.find(';', pos);
        std::string item = offer.substr(pos, semi == std::string::npos ? std::string::npos : semi - pos);
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        pos = semi == std::string::npos ? offer.size() + 1 : semi + 1;
        if (first) {
            first = false;
            if (strncasecmp(item.c_str(), "RTP/AVP", 7) != 0)
                return false;
            tcp = strcasecmp(item.c_str(), "RTP/AVP/TCP") == 0;
            continue;
        }
        size_t eq = item.find('=');
        std::string name = item.substr(0, eq);
        std::string value = eq == std::string::npos ? std::string() : item.substr(eq + 1);
        if (strcasecmp(name.c_str(), "multicast") == 0)
            multicast = true;
        else if (strcasecmp(name.c_str(), "unicast") == 0)
            multicast = false;
        else if (strcasecmp(name.c_str(), "interleaved") == 0) {
            if (!parseRange(value, interleaved) || interleaved[0] > 255 || interleaved[1] > 255)
                return false;
        } else if (strcasecmp(name.c_str(), "client_port") == 0) {
            if (!parseRange(value, clientPort))
                return false;
        } else if (strcasecmp(name.c_str(), "server_port") == 0) {
            if (!parseRange(value, serverPort))
                return false;
        } else if (strcasecmp(name.c_str(), "port") == 0) {
            if (!parseRange(value, port))
                return false;
        } else if (strcasecmp(name.c_str(), "destination") == 0)
            destination = value;
        else if (strcasecmp(name.c_str(), "source") == 0)
            source = value;
        else if (strcasecmp(name.c_str(), "ttl") == 0)
            ttl = atoi(value.c_str());
        else if (strcasecmp(name.c_str(), "ssrc") == 0)
            ssrc = value;
    }
    return !first;
}

std::string CRtspTransportHeader::toString() const
{
    std::string out = tcp ? "RTP/AVP/TCP" : "RTP/AVP";
    out += multicast ? ";multicast" : ";unicast";
    auto range = [&](const char* name, const int v[2]) {
        out += std::string(";") + name + "=" + std::to_string(v[0]) + "-" + std::to_string(v[1]);
    };
    if (interleaved[0] >= 0)
        range("interleaved", interleaved);
    if (clientPort[0] > 0)
        range("client_port", clientPort);
    if (!destination.empty())
        out += ";destination=" + destination;
    if (port[0] > 0)
        range("port", port);
    return out;
}

} // namespace StreamApp
} // namespace Zentar
