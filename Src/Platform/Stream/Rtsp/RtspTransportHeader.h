#pragma once
// The Transport header of SETUP (RFC 2326 12.39): what the client asks for and what the
// server answered.
#include <cstdint>
#include <string>

namespace Zentar {
namespace StreamApp {

struct CRtspTransportHeader {
    bool tcp = false;             // RTP/AVP/TCP
    bool multicast = false;
    int interleaved[2] = {-1, -1};
    int clientPort[2] = {0, 0};
    int serverPort[2] = {0, 0};
    int port[2] = {0, 0};         // multicast group ports
    std::string destination;
    std::string source;
    int ttl = 0;
    std::string ssrc;

    // Parses the first transport of a (possibly comma-separated) list. False when
    // the profile is not RTP/AVP or a range is malformed.
    bool parse(const std::string& text);
    std::string toString() const;
};

} // namespace StreamApp
} // namespace Zentar
