#include "Auth/WsseAuth.h"

#include "Common/Crypto.h"
#include "Common/TimeUtil.h"
#include "Soap/SoapRequest.h"

#include <cstdlib>

namespace OnvifSim {
namespace {

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

const CSimUser* FindUser(const std::vector<CSimUser>& users, const std::string& name)
{
    for (const auto& u : users)
        if (u.name == name)
            return &u;
    return nullptr;
}

CAuthOutcome Refuse(CAuthOutcome out, const std::string& why)
{
    out.ok = false;
    out.why = why;
    return out;
}

} // namespace

CAuthOutcome CWsseVerifier::verify(pugi::xml_node soapHeader, const std::vector<CSimUser>& users,
                                   long long deviceNow, int toleranceSeconds)
{
    CAuthOutcome out;
    out.method = "wsse";
    pugi::xml_node token = Child(Child(soapHeader, "Security"), "UsernameToken");
    if (!token)
        return out;
    out.present = true;
    out.user = ChildText(token, "Username");
    pugi::xml_node passwordNode = Child(token, "Password");
    std::string password = Trimmed(passwordNode.text().get());
    std::string type = passwordNode.attribute("Type").value();
    std::string nonce = ChildText(token, "Nonce");
    std::string created = ChildText(token, "Created");
    const CSimUser* user = FindUser(users, out.user);
    if (!user)
        return Refuse(out, "unknown user \"" + out.user + "\"");
    bool digest = EndsWith(type, "#PasswordDigest");
    if (!digest && !type.empty() && !EndsWith(type, "#PasswordText"))
        return Refuse(out, "unknown password type " + type);
    std::string rawNonce;
    if (digest) {
        if (nonce.empty() || created.empty() || !Base64Decode(nonce, rawNonce))
            return Refuse(out, "password digest without a valid Nonce and Created");
        std::string expected = Base64Encode(HashRaw("SHA1", rawNonce + created + user->password));
        if (!ConstantTimeEquals(expected, password))
            return Refuse(out, "wrong password digest for \"" + out.user + "\"");
    } else if (!ConstantTimeEquals(password, user->password)) {
        return Refuse(out, "wrong password for \"" + out.user + "\"");
    }
    if (!created.empty()) {
        long long when = 0;
        if (!ParseXsDateTime(created, when))
            return Refuse(out, "unreadable Created \"" + created + "\"");
        if (std::llabs(when - deviceNow) > toleranceSeconds)
            return Refuse(out, "Created " + created + " is " + std::to_string(when - deviceNow) +
                                   " s from the device clock " + FormatXsDateTime(deviceNow));
    }
    if (!nonce.empty() && !remember(nonce))
        return Refuse(out, "replayed nonce " + nonce);
    out.ok = true;
    out.level = user->level;
    return out;
}

bool CWsseVerifier::remember(const std::string& nonce)
{
    if (!m_seen.insert(nonce).second)
        return false;
    m_order.push_back(nonce);
    if (m_order.size() > kRememberedNonces) {
        m_seen.erase(m_order.front());
        m_order.pop_front();
    }
    return true;
}

void CWsseVerifier::forgetNonces()
{
    m_order.clear();
    m_seen.clear();
}

} // namespace OnvifSim
