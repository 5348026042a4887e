#include "Base/HTTPClient/RPCHttpAuth.h"

#include "NetFramework/StrParser.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "Utils/Base64.h"
#include "Utils/HttpAuthChallenge.h"

#include <strings.h>

namespace RPC {

using namespace RPC::Onvif;
using Zentar::NetFramework::CStrParser;
using Zentar::Utils::CChosenChallenge;
using Zentar::Utils::EAuthScheme;
using Zentar::Utils::EChallengeFault;

namespace {

constexpr size_t kMaxSchemeWord = 127;

// Snapshot firmware writes the session algorithms in exactly one spelling; a device that
// shouts "MD5-SESS" has been seen to compute something else, so only the plain names are
// taken in any letter case.
bool sessionAlgorithmSpeltExactly(const Zentar::Utils::CDigestChallenge& digest)
{
    using Zentar::Utils::EDigestAlgorithm;
    if (!digest.algorithmText)
        return true;
    if (digest.algorithm == EDigestAlgorithm::MD5Sess)
        return *digest.algorithmText == "MD5-sess";
    if (digest.algorithm == EDigestAlgorithm::SHA256Sess)
        return *digest.algorithmText == "SHA-256-sess";
    return true;
}

} // namespace

CRPCHttpAuth::CRPCHttpAuth() = default;

CRPCHttpAuth::~CRPCHttpAuth() = default;

void CRPCHttpAuth::SetUserInfo(const std::string& user, const std::string& password)
{
    m_user = user;
    m_password = password;
}

void CRPCHttpAuth::SetURI(const std::string& uri) { m_uri = uri; }

void CRPCHttpAuth::SetMethod(const std::string& method) { m_method = method; }

void CRPCHttpAuth::SetCnonceGenerator(std::function<std::string()> generator)
{
    m_digest.setNonceSource(std::move(generator));
}

void CRPCHttpAuth::SetWWWAuthenticate(const std::string& challenge)
{
    m_wwwAuthenticate = challenge;
    m_scheme = SCHEME_UNKNOWN;
    CChosenChallenge chosen;
    if (Zentar::Utils::chooseChallenge({challenge}, chosen) == EChallengeFault::None) {
        m_scheme = chosen.scheme == EAuthScheme::Digest ? SCHEME_DIGEST : SCHEME_BASIC;
        return;
    }
    // Nothing usable: the first word still says which refusal to log.
    CStrParser parser(challenge.data(), challenge.size());
    parser.ConsumeWhitespace();
    char word[kMaxSchemeWord + 1];
    if (parser.ConsumeWord(word, kMaxSchemeWord) == 0)
        return;
    if (strcasecmp(word, "BASIC") == 0)
        m_scheme = SCHEME_BASIC;
    else if (strcasecmp(word, "DIGEST") == 0)
        m_scheme = SCHEME_DIGEST;
}

bool CRPCHttpAuth::GetAuthorization(std::string& value)
{
    if (m_user.empty() || m_password.empty()) {
        ONVIF_LOG(LOG_ERROR, "%s:%d user info not set, error.\n", __FUNCTION__, __LINE__);
        return false;
    }
    if (m_user.size() + m_password.size() > kMaxHttpCredentialChars) {
        ONVIF_LOG(LOG_ERROR, "%s:%d user info too long: %zu characters, at most %zu\n", __FUNCTION__, __LINE__,
                  m_user.size() + m_password.size(), kMaxHttpCredentialChars);
        return false;
    }
    // A line break in a name would split the header it travels in.
    if (m_user.find_first_of("\r\n") != std::string::npos) {
        ONVIF_LOG(LOG_ERROR, "%s:%d user name holds a line break, error.\n", __FUNCTION__, __LINE__);
        return false;
    }
    if (m_scheme == SCHEME_DIGEST)
        return answerDigest(value);
    if (m_scheme == SCHEME_BASIC) {
        // A Basic-first value may still hold a broken challenge after it; Basic needs none
        // of its parameters, so the first word decides, as devices expect.
        const std::string pair = m_user + ":" + m_password;
        value = "Basic " + Zentar::Utils::base64Encode(pair.data(), pair.size());
        return true;
    }
    ONVIF_LOG(LOG_ERROR, "%s:%d WWWAuthenticate info error:%s\n", __FUNCTION__, __LINE__, m_wwwAuthenticate.c_str());
    return false;
}

bool CRPCHttpAuth::answerDigest(std::string& value)
{
    CChosenChallenge chosen;
    const EChallengeFault fault = Zentar::Utils::chooseChallenge({m_wwwAuthenticate}, chosen);
    if (fault == EChallengeFault::UnknownAlgorithm ||
        (chosen.scheme == EAuthScheme::Digest && !sessionAlgorithmSpeltExactly(chosen.digest))) {
        ONVIF_LOG(LOG_ERROR, "%s:%d invalid auth of algorithm, from svr:%s\n", __FUNCTION__, __LINE__,
                  m_wwwAuthenticate.c_str());
        return false;
    }
    if (chosen.scheme != EAuthScheme::Digest) {
        ONVIF_LOG(LOG_ERROR, "%s:%d invalid auth from svr:%s\n", __FUNCTION__, __LINE__, m_wwwAuthenticate.c_str());
        return false;
    }
    if (chosen.digest.algorithmText)
        ONVIF_LOG(LOG_DEBUG, "%s:%d param[%s]->algorithm:[%s]\n", __FUNCTION__, __LINE__, "digest",
                  chosen.digest.algorithmText->c_str());
    m_digest.setCredentials(m_user, m_password);
    m_digest.setChallenge(chosen.digest);
    return m_digest.authorize(m_method, m_uri, nullptr, value);
}

} // namespace RPC
