#include "Utils/HttpDigestAuth.h"

#include "Utils/Digest.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <random>

namespace Zentar {
namespace Utils {

namespace {

constexpr size_t kClientNonceBytes = 16;

// Set by tests before any request; the flag keeps the lock off the normal path.
struct CNonceSeam {
    std::mutex m_lock;
    std::function<std::string()> m_source;
    std::atomic<bool> m_set{false};
};

CNonceSeam& nonceSeam()
{
    static CNonceSeam seam;
    return seam;
}

// Inside a quoted-string only '"' and '\' need escaping (RFC 7230 section 3.2.6).
std::string quoted(const std::string& s)
{
    std::string out;
    out.reserve(s.size() + 2);
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

bool isSession(EDigestAlgorithm algorithm)
{
    return algorithm == EDigestAlgorithm::MD5Sess || algorithm == EDigestAlgorithm::SHA256Sess;
}

bool hasLineBreak(const std::string& s)
{
    return s.find_first_of("\r\n") != std::string::npos;
}

} // namespace

std::string newDigestClientNonce()
{
    CNonceSeam& seam = nonceSeam();
    if (seam.m_set.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(seam.m_lock);
        if (seam.m_source)
            return seam.m_source();
    }
    unsigned char bytes[kClientNonceBytes];
    if (RAND_bytes(bytes, static_cast<int>(sizeof bytes)) != 1) {
        // OpenSSL fails only when it cannot seed; the kernel source behind random_device is
        // still cryptographic on the platforms we run on.
        std::random_device device;
        for (auto& b : bytes)
            b = static_cast<unsigned char>(device());
    }
    return CDigest::toHex(bytes, sizeof bytes);
}

void setDigestNonceSource(std::function<std::string()> source)
{
    CNonceSeam& seam = nonceSeam();
    std::lock_guard<std::mutex> guard(seam.m_lock);
    seam.m_set.store(static_cast<bool>(source), std::memory_order_release);
    seam.m_source = std::move(source);
}

std::string digestHashHex(EDigestAlgorithm algorithm, const std::string& text)
{
    const bool sha256 = algorithm == EDigestAlgorithm::SHA256 || algorithm == EDigestAlgorithm::SHA256Sess;
    CDigest digest(sha256 ? EVP_sha256() : EVP_md5(), sha256 ? 32 : 16);
    digest.update(text.data(), text.size());
    unsigned char out[32];
    digest.final(out);
    return CDigest::toHex(out, digest.size());
}

void CHttpDigestAuth::setCredentials(const std::string& user, const std::string& password)
{
    m_user = user;
    m_password = password;
    m_sessionHa1.clear();
}

void CHttpDigestAuth::setChallenge(const CDigestChallenge& challenge)
{
    clear();
    m_challenge = challenge;
    m_hasChallenge = true;
}

void CHttpDigestAuth::clear()
{
    m_hasChallenge = false;
    m_challenge = CDigestChallenge();
    m_cnonce.clear();
    m_sessionHa1.clear();
    m_nc = 0;
}

// A client nonce goes with every answer under a qop, and with a session algorithm, whose
// key mixes it in even without one.
bool CHttpDigestAuth::needsClientNonce() const
{
    return !m_challenge.qop.empty() || isSession(m_challenge.algorithm);
}

// RFC 7616 section 3.4.1 (RFC 2617 section 3.2.2 for MD5):
//   HA1 = H(user:realm:password), for -sess H(H(user:realm:password):nonce:cnonce)
//   HA2 = H(method:uri), for auth-int H(method:uri:H(body))
//   response = H(HA1:nonce:nc:cnonce:qop:HA2), without qop H(HA1:nonce:HA2)
bool CHttpDigestAuth::authorize(const std::string& method, const std::string& uri, const std::string* body,
                                std::string& value)
{
    if (!m_hasChallenge || hasLineBreak(m_user) || hasLineBreak(uri))
        return false;
    const EDigestAlgorithm algorithm = m_challenge.algorithm;
    const std::string& nonce = m_challenge.nonce;
    const std::string& qop = m_challenge.qop;
    if (needsClientNonce()) {
        if (m_cnonce.empty())
            m_cnonce = m_nonceSource ? m_nonceSource() : newDigestClientNonce();
        ++m_nc;
    }
    std::string ha1;
    if (!m_sessionHa1.empty()) {
        ha1 = m_sessionHa1;
    } else {
        ha1 = digestHashHex(algorithm, m_user + ":" + m_challenge.realm + ":" + m_password);
        if (isSession(algorithm)) {
            ha1 = digestHashHex(algorithm, ha1 + ":" + nonce + ":" + m_cnonce);
            m_sessionHa1 = ha1;
        }
    }
    const std::string target = uri.empty() ? "/" : uri;
    std::string a2 = method + ":" + target;
    if (qop == "auth-int")
        a2 += ":" + digestHashHex(algorithm, body != nullptr ? *body : std::string());
    const std::string ha2 = digestHashHex(algorithm, a2);

    char nc[9];
    std::snprintf(nc, sizeof nc, "%08x", m_nc);
    const std::string response =
        qop.empty() ? digestHashHex(algorithm, ha1 + ":" + nonce + ":" + ha2)
                    : digestHashHex(algorithm, ha1 + ":" + nonce + ":" + nc + ":" + m_cnonce + ":" + qop + ":" + ha2);

    std::string out = "Digest username=\"" + quoted(m_user) + "\", realm=\"" + quoted(m_challenge.realm) +
                      "\", nonce=\"" + quoted(nonce) + "\", uri=\"" + quoted(target) + "\", response=\"" + response +
                      "\"";
    const std::pair<const char*, const std::string*> optional[] = {
        {"algorithm", m_challenge.algorithmText ? &*m_challenge.algorithmText : nullptr},
        {"cnonce", m_cnonce.empty() ? nullptr : &m_cnonce},
        {"opaque", m_challenge.opaque ? &*m_challenge.opaque : nullptr},
        {"qop", qop.empty() ? nullptr : &qop},
    };
    bool any = m_nc != 0;
    for (const auto& field : optional)
        any |= field.second != nullptr;
    if (any) {
        out += ", ";
        for (const auto& field : optional)
            if (field.second != nullptr)
                out += std::string(field.first) + "=\"" + quoted(*field.second) + "\", ";
        if (m_nc != 0)
            out += std::string("nc=\"") + nc + "\"";
    }
    value = std::move(out);
    return true;
}

} // namespace Utils
} // namespace Zentar
