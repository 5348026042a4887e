#pragma once
// The Authorization value answering a Digest challenge (RFC 7616; RFC 2069 when the device
// offers no qop): MD5, MD5-sess, SHA-256 and SHA-256-sess, qop "auth" and "auth-int".
//
// One object answers one challenge for as long as the caller keeps it: the client nonce is
// drawn once per challenge and the nonce count goes up with every answer, so a session that
// reuses a learnt challenge (RTSP) sends 1, 2, 3... while a caller that re-reads the
// challenge for every request (the snapshot client) always sends 1.
//
// Layout, the same for every caller, fields quoted with '"' and '\' escaped:
//   Digest username="u", realm="r", nonce="n", uri="/p", response="h"
// then, only when one of them is present, ", " and each of algorithm (as the device wrote
// it), cnonce, opaque, qop as name="value", followed by ", "; and last nc="0000000n" when a
// client nonce is in use. Without nc the value therefore ends in ", ", an empty list
// element that HTTP allows and the cameras we met accept.
#include "Utils/HttpAuthChallenge.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Zentar {
namespace Utils {

// Client nonces: 16 bytes from the CSPRNG (RAND_bytes) as 32 hex digits. Never the clock:
// two threads answering in the same microsecond would send the same cnonce.
std::string newDigestClientNonce();
// Test seam, process-wide: every client nonce comes from `source` from now on; an empty
// function restores the CSPRNG.
void setDigestNonceSource(std::function<std::string()> source);

// Lower-case hex of the algorithm's hash (MD5 or SHA-256) of `text`.
std::string digestHashHex(EDigestAlgorithm algorithm, const std::string& text);

class CHttpDigestAuth {
public:
    void setCredentials(const std::string& user, const std::string& password);
    // Overrides the process-wide nonce source for this object only (empty: back to it).
    void setNonceSource(std::function<std::string()> source) { m_nonceSource = std::move(source); }

    // A new challenge: the count returns to 0, a new client nonce and session key follow.
    void setChallenge(const CDigestChallenge& challenge);
    bool hasChallenge() const { return m_hasChallenge; }
    void clear();

    // The header value for one request. body: the entity the request carries, hashed for
    // "auth-int" (null: none, hashed as empty). False, with `value` untouched, without a
    // challenge, or when the user name or URI holds a line break (it would split the header).
    bool authorize(const std::string& method, const std::string& uri, const std::string* body, std::string& value);

    uint32_t nonceCount() const { return m_nc; }

private:
    bool needsClientNonce() const;

    // From the caller.
    std::string m_user;
    std::string m_password;
    std::function<std::string()> m_nonceSource;

    // Learnt from the challenge, and what answering it has drawn so far.
    bool m_hasChallenge = false;
    CDigestChallenge m_challenge;
    std::string m_cnonce;
    std::string m_sessionHa1;
    uint32_t m_nc = 0;
};

} // namespace Utils
} // namespace Zentar
