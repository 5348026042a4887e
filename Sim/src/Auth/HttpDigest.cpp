#include "Auth/HttpDigest.h"

#include "Common/Crypto.h"

#include <cctype>

namespace OnvifSim {
namespace {

const CSimUser* FindUser(const std::vector<CSimUser>& users, const std::string& name)
{
    for (const auto& u : users)
        if (u.name == name)
            return &u;
    return nullptr;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

bool ParseAuthParams(const std::string& text, std::map<std::string, std::string>& out)
{
    size_t pos = 0;
    auto skipSpace = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == ','))
            ++pos;
    };
    while (skipSpace(), pos < text.size()) {
        size_t eq = text.find('=', pos);
        if (eq == std::string::npos)
            return false;
        std::string key = Lower(text.substr(pos, eq - pos));
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        pos = eq + 1;
        std::string value;
        if (pos < text.size() && text[pos] == '"') {
            for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
                if (text[pos] == '\\' && pos + 1 < text.size())
                    ++pos;
                value += text[pos];
            }
            if (pos >= text.size())
                return false;
            ++pos;
        } else {
            while (pos < text.size() && text[pos] != ',')
                value += text[pos++];
            while (!value.empty() && value.back() == ' ')
                value.pop_back();
        }
        if (key.empty() || out.count(key))
            return false;
        out[key] = value;
    }
    return true;
}

std::string CHttpDigest::issueNonce()
{
    std::string nonce = ToHex(RandomBytes(16));
    m_nonces[nonce] = CNonce{std::chrono::steady_clock::now(), 0, false};
    m_order.push_back(nonce);
    if (m_order.size() > kRememberedNonces) {
        m_nonces.erase(m_order.front());
        m_order.pop_front();
    }
    return nonce;
}

std::vector<std::string> CHttpDigest::challenges(const std::vector<std::string>& schemes, const std::string& realm,
                                                 bool stale)
{
    if (m_opaque.empty())
        m_opaque = ToHex(RandomBytes(8));
    std::vector<std::string> out;
    for (const auto& scheme : schemes) {
        if (scheme == "Basic") {
            out.push_back("Basic realm=\"" + realm + "\"");
            continue;
        }
        std::string algorithm = scheme == "Digest SHA-256" ? "SHA-256" : "MD5";
        out.push_back("Digest realm=\"" + realm + "\", qop=\"auth\", nonce=\"" + issueNonce() + "\", opaque=\"" +
                      m_opaque + "\", algorithm=" + algorithm + (stale ? ", stale=true" : ", stale=false"));
    }
    return out;
}

CAuthOutcome CHttpDigest::verify(const std::string& authorization, const std::string& method,
                                 const std::string& target, const std::vector<CSimUser>& users,
                                 const std::string& realm, bool allowBasic, int lifetimeSeconds)
{
    CAuthOutcome out;
    size_t space = authorization.find(' ');
    std::string scheme = Lower(authorization.substr(0, space));
    std::string rest = space == std::string::npos ? "" : authorization.substr(space + 1);
    if (authorization.empty() || (scheme != "digest" && scheme != "basic"))
        return out;
    out.present = true;
    if (scheme == "basic") {
        out.method = "basic";
        std::string decoded;
        size_t colon = std::string::npos;
        if (!allowBasic || !Base64Decode(rest, decoded) || (colon = decoded.find(':')) == std::string::npos) {
            out.why = allowBasic ? "malformed Basic credentials" : "Basic authentication is not offered";
            return out;
        }
        out.user = decoded.substr(0, colon);
        const CSimUser* user = FindUser(users, out.user);
        out.ok = user && ConstantTimeEquals(user->password, decoded.substr(colon + 1));
        out.level = out.ok ? user->level : EUserLevel::Anonymous;
        out.why = out.ok ? "" : "wrong Basic credentials for \"" + out.user + "\"";
        return out;
    }
    std::map<std::string, std::string> fields;
    if (!ParseAuthParams(rest, fields)) {
        out.method = "digest";
        out.why = "malformed Digest Authorization header";
        return out;
    }
    return verifyDigest(fields, method, target, users, realm, lifetimeSeconds);
}

CAuthOutcome CHttpDigest::verifyDigest(const std::map<std::string, std::string>& f, const std::string& method,
                                       const std::string& target, const std::vector<CSimUser>& users,
                                       const std::string& realm, int lifetimeSeconds)
{
    CAuthOutcome out;
    out.present = true;
    out.method = "digest";
    auto get = [&](const char* key) {
        auto it = f.find(key);
        return it == f.end() ? std::string() : it->second;
    };
    out.user = get("username");
    std::string algorithm = get("algorithm").empty() ? "MD5" : get("algorithm");
    std::string qop = get("qop");
    std::string nonce = get("nonce");
    const CSimUser* user = FindUser(users, out.user);
    if (!user || get("realm") != realm || get("uri") != target || (algorithm != "MD5" && algorithm != "SHA-256") ||
        (!qop.empty() && qop != "auth") || (!qop.empty() && (get("nc").empty() || get("cnonce").empty()))) {
        out.why = !user ? "unknown user \"" + out.user + "\"" : "Digest realm, uri, algorithm or qop mismatch";
        return out;
    }
    std::string ha1 = HashHex(algorithm, user->name + ":" + realm + ":" + user->password);
    std::string ha2 = HashHex(algorithm, method + ":" + get("uri"));
    std::string expected = qop.empty()
        ? HashHex(algorithm, ha1 + ":" + nonce + ":" + ha2)
        : HashHex(algorithm, ha1 + ":" + nonce + ":" + get("nc") + ":" + get("cnonce") + ":" + qop + ":" + ha2);
    if (!ConstantTimeEquals(expected, Lower(get("response")))) {
        out.why = "wrong Digest response for \"" + out.user + "\"";
        return out;
    }
    auto it = m_nonces.find(nonce);
    auto age = it == m_nonces.end() ? std::chrono::seconds(0)
                                    : std::chrono::steady_clock::now() - it->second.issued;
    if (it == m_nonces.end() || it->second.expired || age > std::chrono::seconds(lifetimeSeconds)) {
        out.stale = true;
        out.why = "stale or unknown server nonce";
        return out;
    }
    unsigned long count = 0;
    if (!qop.empty()) {
        std::string nc = get("nc");
        if (nc.size() > 8 || nc.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            out.why = "malformed nonce count";
            return out;
        }
        count = std::stoul(nc, nullptr, 16);
        if (count <= it->second.lastCount) {
            out.why = "replayed nonce count " + nc;
            return out;
        }
        it->second.lastCount = count;
    }
    out.ok = true;
    out.level = user->level;
    return out;
}

void CHttpDigest::expireNonces()
{
    for (auto& [nonce, info] : m_nonces)
        info.expired = true;
}

} // namespace OnvifSim
