#pragma once
// The value of an Authorization header answering one WWW-Authenticate challenge:
// Basic, or Digest (MD5, MD5-sess, SHA-256, SHA-256-sess; qop auth and auth-int). The
// challenge is read and answered by the platform's shared digest code, which the SOAP
// transport and the RTSP session use too; this class keeps the snapshot client's rules
// on top of it (credential limits, its log sentences, session algorithms spelt exactly).
//
// Calling order: SetUserInfo, SetURI, SetMethod, SetWWWAuthenticate, GetAuthorization.
// Every call of GetAuthorization reads the challenge afresh: a fresh client nonce and the
// nonce count 1.
#include "Utils/HttpDigestAuth.h"

#include <functional>
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
    // Stores the challenge and classifies its scheme: the scheme that will be answered (the
    // strongest usable Digest, else Basic), or, when none is usable, the value's first word.
    void SetWWWAuthenticate(const std::string& challenge);
    int GetScheme() const { return m_scheme; }

    // The complete header value, without "Authorization: ". False (and a log line) when
    // credentials are missing or too long, the scheme is unknown or the challenge unusable.
    bool GetAuthorization(std::string& value);

    // Where client nonces come from; by default the process-wide source (the CSPRNG).
    // Tests fix it to reproduce exact responses.
    void SetCnonceGenerator(std::function<std::string()> generator);

private:
    bool answerDigest(std::string& value);

    std::string m_user;
    std::string m_password;
    std::string m_uri;
    std::string m_wwwAuthenticate;
    std::string m_method;
    int m_scheme = SCHEME_UNKNOWN;

    Zentar::Utils::CHttpDigestAuth m_digest;
};

} // namespace RPC
