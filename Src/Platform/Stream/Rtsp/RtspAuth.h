#pragma once
// Authorization for RTSP requests: Basic and Digest (RFC 2617; RFC 2069 when the
// server offers no qop). The server's challenge is remembered, so every later request
// of the session carries a fresh answer without another round trip.
#include <functional>
#include <string>
#include <vector>

namespace Zentar {
namespace StreamApp {

class CRtspAuth {
public:
    using NonceSource = std::function<std::string()>;

    CRtspAuth();

    void setCredentials(const std::string& user, const std::string& password);
    bool hasCredentials() const { return !m_user.empty(); }
    // Tests fix the client nonce to check exact bytes; default: 16 random hex bytes.
    void setNonceSource(NonceSource source) { m_nonceSource = std::move(source); }

    // Takes the WWW-Authenticate values of a 401 answer. Digest is preferred over Basic.
    // False when none is usable (unknown scheme, digest without realm or nonce, an
    // algorithm other than MD5/MD5-sess, qop without "auth").
    bool takeChallenge(const std::vector<std::string>& challenges);
    bool active() const { return m_scheme != None; }
    void reset();

    // The Authorization header value for one request; empty when not active.
    std::string authorization(const std::string& method, const std::string& uri);

private:
    enum Scheme { None, Basic, Digest };

    std::string m_user;
    std::string m_password;
    NonceSource m_nonceSource;

    Scheme m_scheme = None;
    std::string m_realm;
    std::string m_nonce;
    std::string m_opaque;
    bool m_qopAuth = false;
    bool m_sess = false;
    unsigned m_nc = 0;
};

// name=value pairs of a challenge after its scheme; quoted values unquoted. Exposed for
// tests. Returns the scheme (first token), lower-cased.
std::string parseAuthChallenge(const std::string& text,
                               std::vector<std::pair<std::string, std::string>>& params);

} // namespace StreamApp
} // namespace Zentar
