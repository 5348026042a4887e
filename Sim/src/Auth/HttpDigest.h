#pragma once
// HTTP Digest (qop="auth", MD5 or SHA-256) with the bookkeeping a device keeps: which
// nonces it issued, when they expire (answered with stale=true), and the last nonce count
// seen for each, so a replayed Authorization header is refused. Basic is accepted only
// when the device advertises it.
#include "Auth/AuthOutcome.h"

#include <chrono>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace OnvifSim {

class CHttpDigest {
public:
    static constexpr size_t kRememberedNonces = 1024;

    // One WWW-Authenticate value per scheme in `schemes` ("Digest MD5", "Digest SHA-256", "Basic").
    std::vector<std::string> challenges(const std::vector<std::string>& schemes, const std::string& realm,
                                        bool stale);
    CAuthOutcome verify(const std::string& authorization, const std::string& method, const std::string& target,
                        const std::vector<CSimUser>& users, const std::string& realm, bool allowBasic,
                        int lifetimeSeconds);
    // Every nonce issued so far is answered as stale from now on.
    void expireNonces();

private:
    struct CNonce {
        std::chrono::steady_clock::time_point issued;
        unsigned long lastCount = 0;
        bool expired = false;
    };

    std::string issueNonce();
    CAuthOutcome verifyDigest(const std::map<std::string, std::string>& fields, const std::string& method,
                              const std::string& target, const std::vector<CSimUser>& users,
                              const std::string& realm, int lifetimeSeconds);

    std::map<std::string, CNonce> m_nonces;
    std::deque<std::string> m_order;
    std::string m_opaque;
};

// "Digest a=b, c="d"" -> {a: b, c: d}; keys lower-cased. False when malformed.
bool ParseAuthParams(const std::string& text, std::map<std::string, std::string>& out);

} // namespace OnvifSim
