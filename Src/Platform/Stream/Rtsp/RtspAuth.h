#pragma once
// Authorization for RTSP requests: Basic, or Digest through the shared HTTP digest code
// (Utils/HttpDigestAuth.h). The server's challenge is remembered, so every later request
// of the session carries a fresh answer (the nonce count goes up) without another round trip.
#include "Utils/HttpDigestAuth.h"

#include <functional>
#include <string>
#include <vector>

namespace Zentar {
namespace StreamApp {

class CRtspAuth {
public:
    using NonceSource = std::function<std::string()>;

    void setCredentials(const std::string& user, const std::string& password);
    bool hasCredentials() const { return !m_user.empty(); }
    // Tests fix the client nonce to check exact bytes; default: the process-wide source.
    void setNonceSource(NonceSource source) { m_digest.setNonceSource(std::move(source)); }

    // Takes the WWW-Authenticate values of a 401 answer: the strongest usable Digest, else
    // Basic. False (and a log line) when none is usable.
    bool takeChallenge(const std::vector<std::string>& challenges);
    bool active() const { return m_scheme != Utils::EAuthScheme::None; }
    void reset();

    // The Authorization header value for one request (body: what it carries, for
    // qop auth-int); empty when not active.
    std::string authorization(const std::string& method, const std::string& uri, const std::string* body = nullptr);

private:
    std::string m_user;
    std::string m_password;
    Utils::EAuthScheme m_scheme = Utils::EAuthScheme::None;
    Utils::CHttpDigestAuth m_digest;
};

} // namespace StreamApp
} // namespace Zentar
