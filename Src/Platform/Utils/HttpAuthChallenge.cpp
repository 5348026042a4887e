#include "Utils/HttpAuthChallenge.h"

#include <cstring>
#include <strings.h>

namespace Zentar {
namespace Utils {

namespace {

// tchar of RFC 7230 section 3.2.6.
bool isTokenChar(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z'))
        return true;
    return u != 0 && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool isToken68Char(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
           (u != 0 && std::strchr("-._~+/", c) != nullptr);
}

std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A cursor over one header value.
class CAuthReader {
public:
    explicit CAuthReader(const std::string& text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }

    // Blanks, plus CR and LF: several cameras still fold long challenges over lines.
    void skipBlanks()
    {
        while (!atEnd() && std::strchr(" \t\r\n", m_text[m_pos]) != nullptr)
            ++m_pos;
    }
    // Blanks and empty list elements (RFC 7230 section 7 asks recipients to accept them).
    void skipSeparators()
    {
        while (!atEnd() && std::strchr(" \t\r\n,", m_text[m_pos]) != nullptr)
            ++m_pos;
    }
    std::string token()
    {
        const size_t start = m_pos;
        while (!atEnd() && isTokenChar(m_text[m_pos]))
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }
    // token68 right after a scheme: its characters, then only '=' padding up to a comma or
    // the end. Anything else leaves the cursor where it was.
    bool token68(std::string& out)
    {
        size_t end = m_pos;
        while (end < m_text.size() && isToken68Char(m_text[end]))
            ++end;
        if (end == m_pos)
            return false;
        size_t after = end;
        while (after < m_text.size() && m_text[after] == '=')
            ++after;
        size_t next = after;
        while (next < m_text.size() && std::strchr(" \t\r\n", m_text[next]) != nullptr)
            ++next;
        if (next < m_text.size() && m_text[next] != ',')
            return false;
        out = m_text.substr(m_pos, after - m_pos);
        m_pos = after;
        return true;
    }
    // quoted-string of RFC 7230 section 3.2.6, the opening quote under the cursor.
    EChallengeFault quoted(std::string& out)
    {
        ++m_pos;
        while (!atEnd()) {
            unsigned char c = static_cast<unsigned char>(m_text[m_pos++]);
            if (c == '"')
                return EChallengeFault::None;
            if (c == '\\') {
                if (atEnd())
                    break;
                c = static_cast<unsigned char>(m_text[m_pos++]);
            }
            if ((c < 0x20 && c != '\t') || c == 0x7f)
                return EChallengeFault::Syntax;   // a line break inside a value would forge headers
            out += static_cast<char>(c);
        }
        return EChallengeFault::UnterminatedQuote;
    }
    size_t pos() const { return m_pos; }
    void seek(size_t pos) { m_pos = pos; }

private:
    const std::string& m_text;
    size_t m_pos = 0;
};

// One auth-param after its name and '=': token or quoted-string.
EChallengeFault readParamValue(CAuthReader& reader, std::string& value)
{
    reader.skipBlanks();
    if (reader.peek() == '"')
        return reader.quoted(value);
    value = reader.token();
    return value.empty() ? EChallengeFault::Syntax : EChallengeFault::None;
}

void addParam(CAuthChallenge& challenge, std::string name, std::string value)
{
    name = lower(std::move(name));
    if (challenge.param(name.c_str()) != nullptr)
        challenge.duplicateParam = true;
    else
        challenge.params.emplace_back(std::move(name), std::move(value));
}

// Algorithms in order of strength; the "-sess" forms hash the same way with a session key.
bool algorithmFromText(const std::string& text, EDigestAlgorithm& out)
{
    static const std::pair<const char*, EDigestAlgorithm> kKnown[] = {
        {"MD5", EDigestAlgorithm::MD5},
        {"MD5-sess", EDigestAlgorithm::MD5Sess},
        {"SHA-256", EDigestAlgorithm::SHA256},
        {"SHA-256-sess", EDigestAlgorithm::SHA256Sess},
    };
    for (const auto& known : kKnown) {
        if (strcasecmp(text.c_str(), known.first) == 0) {
            out = known.second;
            return true;
        }
    }
    return false;
}

int strength(EDigestAlgorithm algorithm)
{
    return algorithm == EDigestAlgorithm::SHA256 || algorithm == EDigestAlgorithm::SHA256Sess ? 2 : 1;
}

// The protection we use from the offered list: "auth" first, since it is what devices
// expect and it does not depend on the body; "auth-int" only when it is all there is.
std::string chooseQop(const std::string& offered)
{
    bool hasAuth = false, hasAuthInt = false;
    size_t pos = 0;
    while (pos <= offered.size()) {
        const size_t comma = offered.find(',', pos);
        std::string item = offered.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        const size_t b = item.find_first_not_of(" \t"), e = item.find_last_not_of(" \t");
        item = b == std::string::npos ? std::string() : lower(item.substr(b, e - b + 1));
        hasAuth |= item == "auth";
        hasAuthInt |= item == "auth-int";
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    return hasAuth ? "auth" : hasAuthInt ? "auth-int" : "";
}

} // namespace

const std::string* CAuthChallenge::param(const char* name) const
{
    for (const auto& p : params)
        if (p.first == name)
            return &p.second;
    return nullptr;
}

const char* challengeFaultText(EChallengeFault fault)
{
    switch (fault) {
    case EChallengeFault::None: return "usable";
    case EChallengeFault::Empty: return "no challenge";
    case EChallengeFault::Syntax: return "malformed challenge";
    case EChallengeFault::UnterminatedQuote: return "unterminated quoted value";
    case EChallengeFault::DuplicateParam: return "parameter repeated";
    case EChallengeFault::MissingRealm: return "digest without realm";
    case EChallengeFault::MissingNonce: return "digest without nonce";
    case EChallengeFault::UnknownAlgorithm: return "digest algorithm not supported";
    case EChallengeFault::UnknownScheme: return "no supported scheme";
    }
    return "unknown";
}

EChallengeFault parseAuthHeader(const std::string& value, std::vector<CAuthChallenge>& out)
{
    std::vector<CAuthChallenge> found;
    CAuthReader reader(value);
    reader.skipSeparators();
    // A list element (after a comma, or first) may be a scheme or a parameter; right after a
    // scheme and its blank, only that scheme's first parameter may follow.
    bool elementStart = true;
    bool afterScheme = false;
    while (!reader.atEnd()) {
        std::string word = reader.token();
        if (word.empty())
            return EChallengeFault::Syntax;
        const size_t afterWord = reader.pos();
        reader.skipBlanks();
        bool schemeRead = false;
        if (reader.peek() == '=') {
            if (found.empty() || !found.back().token68.empty() || !(elementStart || afterScheme))
                return EChallengeFault::Syntax;
            reader.seek(reader.pos() + 1);
            std::string param;
            const EChallengeFault fault = readParamValue(reader, param);
            if (fault != EChallengeFault::None)
                return fault;
            addParam(found.back(), std::move(word), std::move(param));
        } else {
            if (!elementStart)
                return EChallengeFault::Syntax;
            found.emplace_back();
            found.back().scheme = lower(std::move(word));
            std::string t68;
            if (reader.pos() != afterWord && reader.token68(t68))
                found.back().token68 = std::move(t68);
            else
                schemeRead = reader.pos() != afterWord;
        }
        reader.skipBlanks();
        elementStart = false;
        afterScheme = schemeRead;
        if (reader.atEnd())
            break;
        if (reader.peek() == ',') {
            reader.skipSeparators();
            elementStart = true;
        } else if (!afterScheme) {
            return EChallengeFault::Syntax;
        }
    }
    if (found.empty())
        return EChallengeFault::Empty;
    for (auto& challenge : found)
        out.push_back(std::move(challenge));
    return EChallengeFault::None;
}

EChallengeFault readDigestChallenge(const CAuthChallenge& challenge, CDigestChallenge& out)
{
    if (challenge.duplicateParam)
        return EChallengeFault::DuplicateParam;
    const std::string* realm = challenge.param("realm");
    const std::string* nonce = challenge.param("nonce");
    if (realm == nullptr)
        return EChallengeFault::MissingRealm;
    if (nonce == nullptr || nonce->empty())
        return EChallengeFault::MissingNonce;
    CDigestChallenge digest;
    digest.realm = *realm;
    digest.nonce = *nonce;
    if (const std::string* algorithm = challenge.param("algorithm")) {
        if (!algorithmFromText(*algorithm, digest.algorithm))
            return EChallengeFault::UnknownAlgorithm;
        digest.algorithmText = *algorithm;
    }
    if (const std::string* opaque = challenge.param("opaque"))
        digest.opaque = *opaque;
    if (const std::string* qop = challenge.param("qop"))
        digest.qop = chooseQop(*qop);
    if (const std::string* stale = challenge.param("stale"))
        digest.stale = strcasecmp(stale->c_str(), "true") == 0;
    out = std::move(digest);
    return EChallengeFault::None;
}

EChallengeFault chooseChallenge(const std::vector<std::string>& headerValues, CChosenChallenge& out)
{
    out = CChosenChallenge();
    EChallengeFault digestFault = EChallengeFault::None, syntaxFault = EChallengeFault::None;
    bool basic = false, anyChallenge = false;
    for (const std::string& value : headerValues) {
        std::vector<CAuthChallenge> challenges;
        const EChallengeFault fault = parseAuthHeader(value, challenges);
        if (fault != EChallengeFault::None && fault != EChallengeFault::Empty && syntaxFault == EChallengeFault::None)
            syntaxFault = fault;
        for (const CAuthChallenge& challenge : challenges) {
            anyChallenge = true;
            if (challenge.scheme == "basic") {
                basic = true;
                continue;
            }
            if (challenge.scheme != "digest")
                continue;
            CDigestChallenge digest;
            const EChallengeFault digestRead = readDigestChallenge(challenge, digest);
            if (digestRead != EChallengeFault::None) {
                if (digestFault == EChallengeFault::None)
                    digestFault = digestRead;
                continue;
            }
            if (out.scheme != EAuthScheme::Digest || strength(digest.algorithm) > strength(out.digest.algorithm)) {
                out.scheme = EAuthScheme::Digest;
                out.digest = std::move(digest);
            }
        }
    }
    if (out.scheme == EAuthScheme::Digest)
        return EChallengeFault::None;
    if (basic) {
        out.scheme = EAuthScheme::Basic;
        return EChallengeFault::None;
    }
    if (digestFault != EChallengeFault::None)
        return digestFault;
    if (syntaxFault != EChallengeFault::None)
        return syntaxFault;
    return anyChallenge ? EChallengeFault::UnknownScheme : EChallengeFault::Empty;
}

} // namespace Utils
} // namespace Zentar
