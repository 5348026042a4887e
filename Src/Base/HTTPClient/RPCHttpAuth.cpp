#include "Base/HTTPClient/RPCHttpAuth.h"

#include "Infra/Time.h"
#include "NetFramework/StrParser.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "Utils/Base64.h"
#include "Utils/Md5.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace RPC {

using namespace RPC::Onvif;
using Zentar::NetFramework::CStrParser;

namespace {

constexpr size_t kMaxSchemeWord = 127;

std::string md5Hex(const std::string& text) { return Zentar::Utils::CMd5::hex(text.data(), text.size()); }

// 32 hex digits derived from the microsecond clock: unique enough per challenge, and a
// device cannot predict it without knowing our clock.
std::string clockCnonce()
{
    const uint64_t now = Zentar::Infra::CTime::getCurrentMicroSecond();
    unsigned char bytes[sizeof now];
    std::memcpy(bytes, &now, sizeof now);
    return Zentar::Utils::CMd5::hex(bytes, sizeof bytes);
}

bool isTokenChar(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7f && std::strchr("()<>@,;:\\\"/[]?={}", c) == nullptr;
}

std::string lower(std::string s)
{
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The auth-params of one challenge (RFC 2617 section 1.2): name=token or name="quoted",
// separated by commas; a quoted value may hold commas and backslash escapes. Names are
// lower-cased, the first occurrence wins. Reading stops at a token without '=' (the
// scheme of a further challenge in the same header). False on an unterminated quote.
bool readAuthParams(const std::string& text, size_t pos, std::map<std::string, std::string>& params)
{
    const size_t n = text.size();
    auto skipBlanks = [&] {
        while (pos < n && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n')) ++pos;
    };
    while (pos < n) {
        skipBlanks();
        if (pos < n && text[pos] == ',') {
            ++pos;
            continue;
        }
        size_t start = pos;
        while (pos < n && isTokenChar(text[pos])) ++pos;
        if (pos == start) return pos >= n;
        std::string name = lower(text.substr(start, pos - start));
        skipBlanks();
        if (pos >= n || text[pos] != '=') return true;
        ++pos;
        skipBlanks();
        std::string value;
        if (pos < n && text[pos] == '"') {
            ++pos;
            bool closed = false;
            while (pos < n) {
                char c = text[pos++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && pos < n) c = text[pos++];
                value += c;
            }
            if (!closed) return false;
        } else {
            start = pos;
            while (pos < n && text[pos] != ',' && text[pos] != ' ' && text[pos] != '\t') ++pos;
            value = text.substr(start, pos - start);
        }
        params.emplace(name, value);
    }
    return true;
}

// Inside a quoted-string, '"' and '\' travel escaped.
std::string quoted(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// The client picks one quality of protection from the offered list, integrity-free "auth"
// first: it is what devices expect, and auth-int over a bodiless GET adds nothing.
std::optional<std::string> chooseQop(const std::string& offered)
{
    bool hasAuth = false, hasAuthInt = false;
    size_t pos = 0;
    while (pos <= offered.size()) {
        size_t comma = offered.find(',', pos);
        std::string item = offered.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        size_t b = item.find_first_not_of(" \t"), e = item.find_last_not_of(" \t");
        item = b == std::string::npos ? std::string() : lower(item.substr(b, e - b + 1));
        hasAuth |= item == "auth";
        hasAuthInt |= item == "auth-int";
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    if (hasAuth) return std::string("auth");
    if (hasAuthInt) return std::string("auth-int");
    return std::nullopt;
}

} // namespace

CRPCHttpAuth::CRPCHttpAuth() : m_cnonceGenerator(clockCnonce) {}

CRPCHttpAuth::~CRPCHttpAuth() { clearChallenge(); }

void CRPCHttpAuth::SetUserInfo(const std::string& user, const std::string& password)
{
    m_user = user;
    m_password = password;
}

void CRPCHttpAuth::SetURI(const std::string& uri) { m_uri = uri; }

void CRPCHttpAuth::SetMethod(const std::string& method) { m_method = method; }

void CRPCHttpAuth::SetCnonceGenerator(std::function<std::string()> generator)
{
    m_cnonceGenerator = generator ? std::move(generator) : std::function<std::string()>(clockCnonce);
}

void CRPCHttpAuth::SetWWWAuthenticate(const std::string& challenge)
{
    m_wwwAuthenticate = challenge;
    m_scheme = SCHEME_UNKNOWN;
    CStrParser parser(challenge.data(), challenge.size());
    parser.ConsumeWhitespace();
    char word[kMaxSchemeWord + 1];
    if (parser.ConsumeWord(word, kMaxSchemeWord) == 0) return;
    if (strcasecmp(word, "BASIC") == 0)
        m_scheme = SCHEME_BASIC;
    else if (strcasecmp(word, "DIGEST") == 0)
        m_scheme = SCHEME_DIGEST;
}

void CRPCHttpAuth::clearChallenge()
{
    for (auto* slot : {&m_realm, &m_domain, &m_nonce, &m_opaque, &m_stale, &m_algorithm, &m_qop, &m_cnonce, &m_ha1})
        slot->reset();
    m_nc = 0;
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
    if (m_scheme == SCHEME_BASIC) {
        const std::string pair = m_user + ":" + m_password;
        value = "Basic " + Zentar::Utils::base64Encode(pair.data(), pair.size());
        return true;
    }
    if (m_scheme != SCHEME_DIGEST) {
        ONVIF_LOG(LOG_ERROR, "%s:%d WWWAuthenticate info error:%s\n", __FUNCTION__, __LINE__,
                  m_wwwAuthenticate.c_str());
        return false;
    }
    std::string response;
    if (!parseDigestChallenge() || !computeDigestResponse(response)) return false;
    value = buildDigestValue(response);
    return true;
}

bool CRPCHttpAuth::parseDigestChallenge()
{
    clearChallenge();
    CStrParser parser(m_wwwAuthenticate.data(), m_wwwAuthenticate.size());
    parser.ConsumeWhitespace();
    parser.ConsumeWord(nullptr, 0);
    std::map<std::string, std::string> params;
    if (!readAuthParams(m_wwwAuthenticate, parser.GetCurPos(), params)) {
        ONVIF_LOG(LOG_ERROR, "%s:%d invalid auth from svr:%s\n", __FUNCTION__, __LINE__, m_wwwAuthenticate.c_str());
        return false;
    }
    const std::pair<const char*, std::optional<std::string>*> slots[] = {
        {"realm", &m_realm},   {"domain", &m_domain},       {"nonce", &m_nonce}, {"opaque", &m_opaque},
        {"stale", &m_stale},   {"algorithm", &m_algorithm},
    };
    for (const auto& slot : slots) {
        auto it = params.find(slot.first);
        if (it != params.end()) *slot.second = it->second;
    }
    auto qop = params.find("qop");
    if (qop != params.end()) m_qop = chooseQop(qop->second);

    if (!m_realm || !m_nonce) {
        ONVIF_LOG(LOG_ERROR, "%s:%d invalid auth from svr:%s\n", __FUNCTION__, __LINE__, m_wwwAuthenticate.c_str());
        return false;
    }
    if (m_algorithm) {
        if (strcasecmp(m_algorithm->c_str(), "MD5") != 0 && *m_algorithm != "MD5-sess") {
            ONVIF_LOG(LOG_ERROR, "%s:%d invalid auth of algorithm, from svr:%s\n", __FUNCTION__, __LINE__,
                      m_wwwAuthenticate.c_str());
            return false;
        }
        ONVIF_LOG(LOG_DEBUG, "%s:%d param[%s]->algorithm:[%s]\n", __FUNCTION__, __LINE__, "digest",
                  m_algorithm->c_str());
    }
    return true;
}

void CRPCHttpAuth::ensureClientNonce()
{
    if (!m_cnonce && m_nc == 0) {
        m_cnonce = m_cnonceGenerator();
        m_nc = 1;
    }
}

// RFC 2617 section 3.2.2.
bool CRPCHttpAuth::computeDigestResponse(std::string& response)
{
    if (!m_realm) {
        ONVIF_LOG(LOG_ERROR, "%s:%d Digest Authentication: Mandatory 'realm' value not available\n", __FUNCTION__,
                  __LINE__);
        return false;
    }
    const bool session = m_algorithm && strcasecmp(m_algorithm->c_str(), "MD5-sess") == 0;
    std::string ha1;
    if (m_ha1) {
        ha1 = *m_ha1;
    } else {
        ha1 = md5Hex(m_user + ":" + *m_realm + ":" + m_password);
        if (session) {
            ensureClientNonce();
            ha1 = md5Hex(ha1 + ":" + *m_nonce + ":" + *m_cnonce);
            m_ha1 = ha1;
        }
    }
    const std::string uri = m_uri.empty() ? "/" : m_uri;
    std::string a2 = m_method + ":" + uri;
    if (m_qop && *m_qop == "auth-int") a2 += ":" + md5Hex(std::string()); // H(entity-body) of an empty body
    const std::string ha2 = md5Hex(a2);

    std::string text = ha1 + ":" + *m_nonce + ":";
    if (m_qop) {
        ensureClientNonce();
        char nc[9];
        std::snprintf(nc, sizeof nc, "%08x", m_nc);
        text += std::string(nc) + ":" + *m_cnonce + ":" + *m_qop + ":";
    }
    response = md5Hex(text + ha2);
    return true;
}

std::string CRPCHttpAuth::buildDigestValue(const std::string& response) const
{
    const std::string uri = m_uri.empty() ? "/" : m_uri;
    std::string value = "Digest username=\"" + quoted(m_user) + "\", realm=\"" + quoted(*m_realm) + "\", nonce=\"" +
                        quoted(*m_nonce) + "\", uri=\"" + quoted(uri) + "\", response=\"" + response + "\"";
    const std::pair<const char*, const std::optional<std::string>*> optional[] = {
        {"algorithm", &m_algorithm}, {"cnonce", &m_cnonce}, {"opaque", &m_opaque}, {"qop", &m_qop}};
    bool any = m_nc != 0;
    for (const auto& field : optional) any |= field.second->has_value();
    if (!any) return value;
    value += ", ";
    for (const auto& field : optional)
        if (*field.second) value += std::string(field.first) + "=\"" + quoted(**field.second) + "\", ";
    if (m_nc != 0) {
        char nc[16];
        std::snprintf(nc, sizeof nc, "nc=\"%08x\"", m_nc);
        value += nc;
    }
    return value;
}

} // namespace RPC
