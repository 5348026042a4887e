#pragma once
// The value of an Authorization header answering one WWW-Authenticate challenge:
// Basic, or Digest after RFC 2617 (algorithms MD5 and MD5-sess, qop auth and auth-int).
//
// Calling order: SetUserInfo, SetURI, SetMethod, SetWWWAuthenticate, GetAuthorization.
// Every challenge is answered with a fresh client nonce and the nonce count 1.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace RPC {

// User name plus password, in characters: the pair "user:password" and its terminating
// zero must fit 128 bytes.
constexpr size_t kMaxHttpCredentialChars = 126;

class CRPCHttpAuth {
public:
    enum Scheme { SCHEME_UNKNOWN = 0, SCHEME_BASIC = 1, SCHEME_DIGEST = 2 };

    CRPCHttpAuth();
    ~CRPCHttpAuth();
    CRPCHttpAuth(const CRPCHttpAuth&) = delete;
    CRPCHttpAuth& operator=(const CRPCHttpAuth&) = delete;

    void SetUserInfo(const std::string& user, const std::string& password);
    void SetURI(const std::string& uri);
    void SetMethod(const std::string& method);
    // Stores the challenge and classifies its scheme.
    void SetWWWAuthenticate(const std::string& challenge);
    int GetScheme() const { return m_scheme; }

    // The complete header value, without "Authorization: ". False (and a log line) when
    // credentials are missing or too long, the scheme is unknown or the challenge unusable.
    bool GetAuthorization(std::string& value);

    // Where client nonces come from; the default hashes the microsecond clock. Tests fix
    // it to reproduce exact responses.
    void SetCnonceGenerator(std::function<std::string()> generator);

private:
    bool parseDigestChallenge();
    bool computeDigestResponse(std::string& response);
    void ensureClientNonce();
    void clearChallenge();
    std::string buildDigestValue(const std::string& response) const;

    std::string m_user;
    std::string m_password;
    std::string m_uri;
    std::string m_wwwAuthenticate;
    std::string m_method;
    int m_scheme = SCHEME_UNKNOWN;

    // Challenge parameters, each absent until the challenge carried it.
    std::optional<std::string> m_realm;
    std::optional<std::string> m_domain;
    std::optional<std::string> m_nonce;
    std::optional<std::string> m_opaque;
    std::optional<std::string> m_stale;
    std::optional<std::string> m_algorithm;
    std::optional<std::string> m_qop;
    uint32_t m_nc = 0;
    std::optional<std::string> m_cnonce;
    std::optional<std::string> m_ha1; // session HA1 of MD5-sess, kept for the challenge's life

    std::function<std::string()> m_cnonceGenerator;
};

} // namespace RPC
