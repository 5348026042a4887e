#include "Stream/Rtsp/RtspAuth.h"

#include "Utils/Base64.h"
#include "Utils/Md5.h"

#include <openssl/rand.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <strings.h>

namespace Zentar {
namespace StreamApp {

namespace {

std::string randomHex()
{
    unsigned char bytes[8] = {};
    if (RAND_bytes(bytes, sizeof(bytes)) != 1) {
        // Not fatal: the cnonce only needs to be unlikely to repeat.
        for (auto& b : bytes)
            b = static_cast<unsigned char>(rand());
    }
    char out[17];
    for (size_t i = 0; i < sizeof(bytes); ++i)
        snprintf(out + 2 * i, 3, "%02x", bytes[i]);
    return std::string(out, 16);
}

std::string md5Hex(const std::string& s)
{
    return Utils::CMd5::hex(s.data(), s.size());
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

} // namespace

std::string parseAuthChallenge(const std::string& text,
                               std::vector<std::pair<std::string, std::string>>& params)
{
    params.clear();
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos)
        return std::string();
    size_t sp = text.find_first_of(" \t", i);
    std::string scheme = lower(text.substr(i, sp == std::string::npos ? std::string::npos : sp - i));
    i = sp;
    while (i != std::string::npos && i < text.size()) {
        i = text.find_first_not_of(" \t,", i);
        if (i == std::string::npos)
            break;
        size_t eq = text.find('=', i);
        if (eq == std::string::npos)
            break;
        std::string name = lower(text.substr(i, eq - i));
        name.erase(name.find_last_not_of(" \t") + 1);
        i = text.find_first_not_of(" \t", eq + 1);
        if (i == std::string::npos)
            break;
        std::string value;
        if (text[i] == '"') {
            ++i;
            while (i < text.size() && text[i] != '"') {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                value += text[i++];
            }
            ++i; // closing quote (or past the end for an unterminated value)
        } else {
            size_t end = text.find(',', i);
            value = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
            value.erase(value.find_last_not_of(" \t") + 1);
            i = end;
        }
        params.emplace_back(name, value);
    }
    return scheme;
}

CRtspAuth::CRtspAuth() : m_nonceSource(randomHex) {}

void CRtspAuth::setCredentials(const std::string& user, const std::string& password)
{
    m_user = user;
    m_password = password;
}

void CRtspAuth::reset()
{
    m_scheme = None;
    m_realm.clear();
    m_nonce.clear();
    m_opaque.clear();
    m_qopAuth = m_sess = false;
    m_nc = 0;
}

bool CRtspAuth::takeChallenge(const std::vector<std::string>& challenges)
{
    bool basicOffered = false;
    std::string basicRealm;
    for (const std::string& text : challenges) {
        std::vector<std::pair<std::string, std::string>> params;
        std::string scheme = parseAuthChallenge(text, params);
        if (scheme == "basic") {
            basicOffered = true;
            for (const auto& p : params)
                if (p.first == "realm")
                    basicRealm = p.second;
            continue;
        }
        if (scheme != "digest")
            continue;
        std::string realm, nonce, opaque, algorithm, qop;
        for (const auto& p : params) {
            if (p.first == "realm") realm = p.second;
            else if (p.first == "nonce") nonce = p.second;
            else if (p.first == "opaque") opaque = p.second;
            else if (p.first == "algorithm") algorithm = lower(p.second);
            else if (p.first == "qop") qop = lower(p.second);
        }
        if (nonce.empty())
            continue;
        if (!algorithm.empty() && algorithm != "md5" && algorithm != "md5-sess")
            continue;
        bool qopAuth = false;
        if (!qop.empty()) {
            // qop is a comma list ("auth,auth-int"); only "auth" is supported.
            size_t start = 0;
            while (start <= qop.size()) {
                size_t comma = qop.find(',', start);
                std::string item = qop.substr(start, comma == std::string::npos ? std::string::npos
                                                                                  : comma - start);
                item.erase(0, item.find_first_not_of(" \t"));
                item.erase(item.find_last_not_of(" \t") + 1);
                if (item == "auth")
                    qopAuth = true;
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
            if (!qopAuth)
                continue;
        }
        m_scheme = Digest;
        m_realm = realm;
        m_nonce = nonce;
        m_opaque = opaque;
        m_qopAuth = qopAuth;
        m_sess = algorithm == "md5-sess";
        m_nc = 0;
        return true;
    }
    if (basicOffered) {
        m_scheme = Basic;
        m_realm = basicRealm;
        return true;
    }
    return false;
}

std::string CRtspAuth::authorization(const std::string& method, const std::string& uri)
{
    if (m_scheme == Basic) {
        std::string plain = m_user + ":" + m_password;
        return "Basic " + Utils::base64Encode(plain.data(), plain.size());
    }
    if (m_scheme != Digest)
        return std::string();

    std::string cnonce = m_nonceSource();
    char nc[9];
    snprintf(nc, sizeof(nc), "%08x", ++m_nc);
    std::string ha1 = md5Hex(m_user + ":" + m_realm + ":" + m_password);
    if (m_sess)
        ha1 = md5Hex(ha1 + ":" + m_nonce + ":" + cnonce);
    std::string ha2 = md5Hex(method + ":" + uri);
    std::string response = m_qopAuth
        ? md5Hex(ha1 + ":" + m_nonce + ":" + nc + ":" + cnonce + ":auth:" + ha2)
        : md5Hex(ha1 + ":" + m_nonce + ":" + ha2);

    std::string out = "Digest username=\"" + m_user + "\", realm=\"" + m_realm + "\", nonce=\""
        + m_nonce + "\", uri=\"" + uri + "\", response=\"" + response + "\"";
    if (m_sess)
        out += ", algorithm=MD5-sess";
    if (!m_opaque.empty())
        out += ", opaque=\"" + m_opaque + "\"";
    if (m_qopAuth)
        out += std::string(", qop=auth, nc=") + nc + ", cnonce=\"" + cnonce + "\"";
    return out;
}

} // namespace StreamApp
} // namespace Zentar
