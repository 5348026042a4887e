#pragma once
// The parts of an rtsp:// address that the client needs, and the rules for resolving
// a track's control attribute against the session's base address (RFC 2326 C.1.1).
#include <cstdint>
#include <string>

namespace Zentar {
namespace StreamApp {

struct CRtspUrl {
    std::string scheme;      // "rtsp" (also accepted: rtsps, http, https)
    std::string user;        // from "user:password@", percent-decoded
    std::string password;
    std::string host;        // without brackets for IPv6
    uint16_t port = 554;
    std::string path;        // from the first '/' on, with query; "/" when absent
    // The address as given, credentials removed, for request lines: devices compare it
    // (and the digest uri) with what they announced, so it is not rebuilt.
    std::string requestUrl() const { return m_request; }

    // False for anything else than scheme://authority[/path], an empty host, or a port
    // outside 1..65535.
    bool parse(const std::string& url);

private:
    std::string m_request;
};

// Resolves a control attribute: absolute addresses stand as they are; "*" or empty is
// the base itself; anything else is appended to the base with one '/'.
std::string resolveControl(const std::string& base, const std::string& control);

} // namespace StreamApp
} // namespace Zentar
