#pragma once
// Reading WWW-Authenticate values (RFC 7235 section 4.1, RFC 7616 section 3.3) and choosing
// the one challenge a client answers. Shared by the SOAP transport, the snapshot HTTP client
// and the RTSP session, so that a device's challenge means the same thing to all three.
//
// The reader is strict on syntax: an unterminated quoted-string, a control character inside
// one, or two parameters without a comma between them make the whole header value unusable,
// since nothing after such a fault can be trusted to belong to the challenge it seems to.
// A challenge that parses but repeats a parameter, lacks realm or nonce, or names an
// algorithm we do not implement is skipped; another challenge of the same answer may still
// serve.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Zentar {
namespace Utils {

// One challenge of a header value. Scheme and parameter names are lower-cased; values are
// unquoted with their backslash escapes removed.
struct CAuthChallenge {
    std::string scheme;
    std::string token68;   // the "Negotiate abc==" form; empty with parameters
    std::vector<std::pair<std::string, std::string>> params;
    bool duplicateParam = false;

    const std::string* param(const char* name) const;
};

// Why a header value, or a whole answer, yields no usable challenge.
enum class EChallengeFault {
    None,
    Empty,               // no challenge at all
    Syntax,              // not auth-param syntax (a missing comma, a stray character)
    UnterminatedQuote,
    DuplicateParam,
    MissingRealm,
    MissingNonce,
    UnknownAlgorithm,
    UnknownScheme,       // only schemes we cannot answer (NTLM, Negotiate...)
};
const char* challengeFaultText(EChallengeFault fault);

// Appends the challenges of one header value to `out`. On a syntax fault nothing is
// appended and the fault is returned.
EChallengeFault parseAuthHeader(const std::string& value, std::vector<CAuthChallenge>& out);

enum class EDigestAlgorithm { MD5, MD5Sess, SHA256, SHA256Sess };

// A Digest challenge as the client answers it.
struct CDigestChallenge {
    std::string realm;
    std::string nonce;
    std::optional<std::string> opaque;
    std::optional<std::string> algorithmText;   // exactly as the device wrote it, echoed back
    EDigestAlgorithm algorithm = EDigestAlgorithm::MD5;
    std::string qop;                            // "auth", "auth-int", or empty: none offered that we know
    bool stale = false;
};

// Checks a parsed "digest" challenge and reads what answering it needs.
EChallengeFault readDigestChallenge(const CAuthChallenge& challenge, CDigestChallenge& out);

enum class EAuthScheme { None, Basic, Digest };

struct CChosenChallenge {
    EAuthScheme scheme = EAuthScheme::None;
    CDigestChallenge digest;   // with EAuthScheme::Digest
};

// From every WWW-Authenticate value of one answer (several headers, several challenges per
// header): the strongest usable Digest (SHA-256 before MD5, the first of equals), else Basic.
// With nothing usable, returns the first Digest fault met (it says most about the device),
// else the first syntax fault, else UnknownScheme or Empty.
EChallengeFault chooseChallenge(const std::vector<std::string>& headerValues, CChosenChallenge& out);

} // namespace Utils
} // namespace Zentar
