// WS-Security UsernameToken: the digest, the Created stamp and the <wsse:Security> element.
//
// Hashing and Base64 go straight to OpenSSL's one-shot calls: this runs once per request
// for hundreds of cameras, and the one-shot forms need no context allocation.
#include "SOAPFramework/SOAPSecurity.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <atomic>
#include <mutex>
#include <random>
#include <utility>

namespace Zentar {
namespace SOAPFramework {

namespace {

constexpr size_t kNonceBytes = 16;

// Devices compare Expires with their own clock after subtracting our measured offset;
// that offset is only good to a few seconds and the request may sit behind a slow
// connect and an HTTP digest round trip first. Ten seconds of margin is too tight for
// that; one minute still keeps a captured header useless shortly after.
constexpr int kTimestampLifetimeSeconds = 60;

const char kWsseNs[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
const char kWsuNs[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
const char kPasswordDigestType[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0"
    "#PasswordDigest";
const char kBase64BinaryType[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0"
    "#Base64Binary";

// The seams are set by tests before any request is built; the flags let the normal path
// skip the lock entirely.
struct CSecuritySeams {
    std::mutex m_lock;
    std::function<time_t()> m_clock;
    std::function<std::string()> m_nonceSource;
    std::atomic<bool> m_hasClock{false};
    std::atomic<bool> m_hasNonceSource{false};
};

CSecuritySeams& seams()
{
    static CSecuritySeams instance;
    return instance;
}

time_t currentUtc()
{
    CSecuritySeams& s = seams();
    if (s.m_hasClock.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(s.m_lock);
        if (s.m_clock)
            return s.m_clock();
    }
    return time(nullptr);
}

std::string randomNonce()
{
    CSecuritySeams& s = seams();
    if (s.m_hasNonceSource.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(s.m_lock);
        if (s.m_nonceSource)
            return s.m_nonceSource();
    }
    std::string nonce(kNonceBytes, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(&nonce[0]);
    if (RAND_bytes(bytes, static_cast<int>(nonce.size())) != 1) {
        // OpenSSL's generator only fails when it cannot seed; the kernel source behind
        // random_device is still cryptographic on the platforms we run on.
        std::random_device device;
        for (char& c : nonce)
            c = static_cast<char>(device() & 0xFF);
    }
    return nonce;
}

std::string base64(const unsigned char* data, size_t len)
{
    std::string out(4 * ((len + 2) / 3), '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]), data, static_cast<int>(len));
    out.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return out;
}

void appendXmlEscaped(std::string& out, const char* text)
{
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += *p; break;
        }
    }
}

void appendTimestamp(std::string& out, time_t created)
{
    out += "<wsu:Timestamp><wsu:Created>";
    out += formatUtcCreated(created);
    out += "</wsu:Created><wsu:Expires>";
    out += formatUtcCreated(created + kTimestampLifetimeSeconds);
    out += "</wsu:Expires></wsu:Timestamp>";
}

void appendUsernameToken(std::string& out, const char* user, const char* password,
                         const std::string& created)
{
    const std::string nonce = randomNonce();
    out += "<wsse:UsernameToken><wsse:Username>";
    appendXmlEscaped(out, user);
    out += "</wsse:Username><wsse:Password Type=\"";
    out += kPasswordDigestType;
    out += "\">";
    out += computePasswordDigest(nonce, created, password);  // Base64: nothing to escape
    out += "</wsse:Password><wsse:Nonce EncodingType=\"";
    out += kBase64BinaryType;
    out += "\">";
    out += base64(reinterpret_cast<const unsigned char*>(nonce.data()), nonce.size());
    out += "</wsse:Nonce><wsu:Created>";
    out += created;
    out += "</wsu:Created></wsse:UsernameToken>";
}

} // namespace

std::string computePasswordDigest(const std::string& rawNonce, const std::string& created,
                                  const std::string& password)
{
    std::string input;
    input.reserve(rawNonce.size() + created.size() + password.size());
    input.append(rawNonce).append(created).append(password);

    unsigned char sha1[EVP_MAX_MD_SIZE];
    unsigned int sha1Len = 0;
    if (EVP_Digest(input.data(), input.size(), sha1, &sha1Len, EVP_sha1(), nullptr) != 1)
        return std::string();
    return base64(sha1, sha1Len);
}

std::string formatUtcCreated(time_t utc)
{
    struct tm parts {};
    if (gmtime_r(&utc, &parts) == nullptr)
        return std::string();
    char text[32];
    const size_t len = strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::string(text, len);
}

std::string buildWsseSecurityXml(const char* user, const char* password, bool useStamp,
                                 int timeDifference)
{
    // mustUnderstand is left out on purpose: a number of cameras reject the whole request
    // when they see it, while every device that checks the token finds it without it.
    const time_t created = currentUtc() + timeDifference;
    const std::string createdText = formatUtcCreated(created);

    std::string out;
    out.reserve(1024);
    out += "<wsse:Security xmlns:wsse=\"";
    out += kWsseNs;
    out += "\" xmlns:wsu=\"";
    out += kWsuNs;
    out += "\">";
    if (useStamp)
        appendTimestamp(out, created);
    appendUsernameToken(out, user != nullptr ? user : "", password != nullptr ? password : "",
                        createdText);
    out += "</wsse:Security>";
    return out;
}

void setSecurityClock(std::function<time_t()> clock)
{
    CSecuritySeams& s = seams();
    std::lock_guard<std::mutex> guard(s.m_lock);
    s.m_hasClock.store(static_cast<bool>(clock), std::memory_order_release);
    s.m_clock = std::move(clock);
}

void setSecurityNonceSource(std::function<std::string()> source)
{
    CSecuritySeams& s = seams();
    std::lock_guard<std::mutex> guard(s.m_lock);
    s.m_hasNonceSource.store(static_cast<bool>(source), std::memory_order_release);
    s.m_nonceSource = std::move(source);
}

} // namespace SOAPFramework
} // namespace Zentar
