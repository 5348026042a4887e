#include "Stream/Rtsp/RtspAuth.h"

#include "Infra/LogSink.h"
#include "Utils/Base64.h"

namespace Zentar {
namespace StreamApp {

void CRtspAuth::setCredentials(const std::string& user, const std::string& password)
{
    m_user = user;
    m_password = password;
    m_digest.setCredentials(user, password);
}

void CRtspAuth::reset()
{
    m_scheme = Utils::EAuthScheme::None;
    m_digest.clear();
}

bool CRtspAuth::takeChallenge(const std::vector<std::string>& challenges)
{
    Utils::CChosenChallenge chosen;
    const Utils::EChallengeFault fault = Utils::chooseChallenge(challenges, chosen);
    if (fault != Utils::EChallengeFault::None) {
        Infra::logFilter(Infra::kLogError, "rtsp: no usable challenge among %zu: %s", challenges.size(),
                         Utils::challengeFaultText(fault));
        return false;
    }
    m_scheme = chosen.scheme;
    if (m_scheme == Utils::EAuthScheme::Digest)
        m_digest.setChallenge(chosen.digest);
    else
        m_digest.clear();
    return true;
}

std::string CRtspAuth::authorization(const std::string& method, const std::string& uri, const std::string* body)
{
    if (m_scheme == Utils::EAuthScheme::Basic) {
        const std::string plain = m_user + ":" + m_password;
        return "Basic " + Utils::base64Encode(plain.data(), plain.size());
    }
    std::string value;
    if (m_scheme == Utils::EAuthScheme::Digest && !m_digest.authorize(method, uri, body, value))
        Infra::logFilter(Infra::kLogError, "rtsp: cannot answer the digest challenge for %s", method.c_str());
    return value;
}

} // namespace StreamApp
} // namespace Zentar
