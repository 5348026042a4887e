// Authorization header values for Basic and Digest challenges. Expected digests were
// computed independently from the RFC 2617 formulas, not with this code.
#include "Base/HTTPClient/RPCHttpAuth.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

using RPC::CRPCHttpAuth;

namespace {

const char kNonce[] = "dcd98b7102dd2f0e8b11d0f600bfb0c093";
const char kOpaque[] = "5ccc069c403ebaf9f0171e9517f40e41";

// RFC 2617 section 3.5: Mufasa asks for /dir/index.html.
struct RfcExample {
    CRPCHttpAuth auth;
    explicit RfcExample(const std::string& challenge, const char* cnonce = "0a4f113b")
    {
        auth.SetUserInfo("Mufasa", "Circle Of Life");
        auth.SetURI("/dir/index.html");
        auth.SetMethod("GET");
        auth.SetWWWAuthenticate(challenge);
        const std::string fixed = cnonce;
        auth.SetCnonceGenerator([fixed] { return fixed; });
    }
    std::string value()
    {
        std::string v;
        return auth.GetAuthorization(v) ? v : "<failed>";
    }
};

std::string challenge(const std::string& extra)
{
    return "Digest realm=\"testrealm@host.com\", nonce=\"" + std::string(kNonce) + "\"" + extra;
}

const std::string kFixedFields = "Digest username=\"Mufasa\", realm=\"testrealm@host.com\", nonce=\"" +
                                 std::string(kNonce) + "\", uri=\"/dir/index.html\", response=\"";

} // namespace

TEST(HttpDigestAuth, ReproducesTheRfc2617WorkedExample)
{
    RfcExample ex("Digest\r\n realm=\"testrealm@host.com\",\r\n qop=\"auth,auth-int\",\r\n nonce=\"" +
                  std::string(kNonce) + "\",\r\n opaque=\"" + kOpaque + "\"");
    EXPECT_EQ(ex.auth.GetScheme(), CRPCHttpAuth::SCHEME_DIGEST);
    EXPECT_EQ(ex.value(), kFixedFields + "6629fae49393a05397450978507c4ef1\", cnonce=\"0a4f113b\", opaque=\"" +
                              kOpaque + "\", qop=\"auth\", nc=\"00000001\"");
}

TEST(HttpDigestAuth, ComputesEachAlgorithmAndQop)
{
    struct Row {
        const char* why;
        std::string challengeExtra;
        std::string rest; // after the five fixed fields' response value
    };
    const Row rows[] = {
        {"no qop, no algorithm: RFC 2069 form, only the fixed fields", "",
         "670fd8c2df070c60b045671b8b24ff02\""},
        {"auth-int over an empty body", ", qop=\"auth-int\"",
         "5e6610ecf9ba3017a4870ad48e3ad30b\", cnonce=\"0a4f113b\", qop=\"auth-int\", nc=\"00000001\""},
        {"MD5-sess with auth", ", algorithm=MD5-sess, qop=\"auth\"",
         "8e3825c57e897f5a0dec6c2d4e5059d0\", algorithm=\"MD5-sess\", cnonce=\"0a4f113b\", qop=\"auth\", "
         "nc=\"00000001\""},
        {"MD5-sess without qop still needs a client nonce", ", algorithm=\"MD5-sess\"",
         "4726bc10c33fa6cb357eb27807b1cce8\", algorithm=\"MD5-sess\", cnonce=\"0a4f113b\", nc=\"00000001\""},
        {"lower-case md5 is MD5, echoed as written", ", algorithm=md5",
         "670fd8c2df070c60b045671b8b24ff02\", algorithm=\"md5\", "},
        {"an unknown qop is left out of hash and header", ", qop=\"auth-conf\"",
         "670fd8c2df070c60b045671b8b24ff02\""},
        {"opaque alone: the list ends in a comma and blank", ", opaque=\"" + std::string(kOpaque) + "\"",
         "670fd8c2df070c60b045671b8b24ff02\", opaque=\"" + std::string(kOpaque) + "\", "},
        {"stale and domain are read but not echoed", ", stale=TRUE, domain=\"/dir\"",
         "670fd8c2df070c60b045671b8b24ff02\""},
    };
    for (const auto& row : rows) {
        RfcExample ex(challenge(row.challengeExtra));
        EXPECT_EQ(ex.value(), kFixedFields + row.rest) << row.why;
    }
}

TEST(HttpDigestAuth, EveryAnswerStartsAFreshCountAndClientNonce)
{
    CRPCHttpAuth auth;
    auth.SetUserInfo("admin", "pw");
    auth.SetURI("");
    auth.SetMethod("GET");
    auth.SetWWWAuthenticate(challenge(", qop=auth"));
    std::string first, second;
    ASSERT_TRUE(auth.GetAuthorization(first));
    ASSERT_TRUE(auth.GetAuthorization(second));
    const std::regex layout(
        "Digest username=\"admin\", realm=\"testrealm@host.com\", nonce=\"[0-9a-f]+\", uri=\"/\", "
        "response=\"[0-9a-f]{32}\", cnonce=\"[0-9a-f]{32}\", qop=\"auth\", nc=\"00000001\"");
    EXPECT_TRUE(std::regex_match(first, layout)) << first;
    EXPECT_TRUE(std::regex_match(second, layout)) << second;
}

TEST(HttpDigestAuth, QuotedValuesKeepCommasAndEscapes)
{
    CRPCHttpAuth auth;
    auth.SetUserInfo("ad\"min", "pw");
    auth.SetURI("/a");
    auth.SetMethod("GET");
    auth.SetWWWAuthenticate("Digest realm=\"cam, \\\"north\\\" gate\",nonce=abc , opaque=\"o,p\", Basic realm=\"x\"");
    std::string v;
    ASSERT_TRUE(auth.GetAuthorization(v));
    EXPECT_EQ(v.find("Digest username=\"ad\\\"min\", realm=\"cam, \\\"north\\\" gate\", nonce=\"abc\", uri=\"/a\""), 0u)
        << v;
    EXPECT_NE(v.find("opaque=\"o,p\", "), std::string::npos) << v;
}

TEST(HttpDigestAuth, RefusesUnusableChallenges)
{
    struct Row {
        const char* why;
        std::string header;
        int scheme;
    };
    const Row rows[] = {
        {"no nonce", "Digest realm=\"r\", qop=\"auth\"", CRPCHttpAuth::SCHEME_DIGEST},
        {"no realm", "Digest nonce=\"n\"", CRPCHttpAuth::SCHEME_DIGEST},
        {"nonce= inside another value is no nonce", "Digest realm=\"r\", opaque=\"nonce=\\\"x\\\"\"",
         CRPCHttpAuth::SCHEME_DIGEST},
        {"algorithm case matters for MD5-sess", challenge(", algorithm=MD5-SESS"), CRPCHttpAuth::SCHEME_DIGEST},
        {"unsupported algorithm", challenge(", algorithm=SHA-512-256"), CRPCHttpAuth::SCHEME_DIGEST},
        {"session algorithm case matters for SHA-256-sess too", challenge(", algorithm=sha-256-SESS"),
         CRPCHttpAuth::SCHEME_DIGEST},
        {"unterminated quote", "Digest realm=\"r, nonce=\"n", CRPCHttpAuth::SCHEME_DIGEST},
        {"unknown scheme", "NTLM", CRPCHttpAuth::SCHEME_UNKNOWN},
        {"scheme as prefix only", "Digestive realm=\"r\", nonce=\"n\"", CRPCHttpAuth::SCHEME_UNKNOWN},
        {"empty", "", CRPCHttpAuth::SCHEME_UNKNOWN},
        {"only blanks", "  \t ", CRPCHttpAuth::SCHEME_UNKNOWN},
    };
    for (const auto& row : rows) {
        CRPCHttpAuth auth;
        auth.SetUserInfo("admin", "pw");
        auth.SetURI("/");
        auth.SetMethod("GET");
        auth.SetWWWAuthenticate(row.header);
        EXPECT_EQ(auth.GetScheme(), row.scheme) << row.why;
        std::string v = "untouched";
        EXPECT_FALSE(auth.GetAuthorization(v)) << row.why;
        EXPECT_EQ(v, "untouched") << row.why;
    }
}

TEST(HttpBasicAuth, EncodesUserAndPassword)
{
    CRPCHttpAuth auth;
    auth.SetUserInfo("Aladdin", "open sesame");
    auth.SetWWWAuthenticate("  basic realm=\"WallyWorld\"");
    EXPECT_EQ(auth.GetScheme(), CRPCHttpAuth::SCHEME_BASIC);
    std::string v;
    ASSERT_TRUE(auth.GetAuthorization(v));
    EXPECT_EQ(v, "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

TEST(HttpAuthCredentials, NeedBothPartsWithinTheLimit)
{
    struct Row {
        const char* why;
        std::string user, password;
        bool ok;
    };
    const Row rows[] = {
        {"126 characters together fit", std::string(100, 'u'), std::string(26, 'p'), true},
        {"127 characters together do not", std::string(100, 'u'), std::string(27, 'p'), false},
        {"empty user", "", "pw", false},
        {"empty password", "admin", "", false},
        {"line break in the user name", "ad\r\nX: y", "pw", false},
    };
    for (const char* header : {"Basic realm=\"r\"", "Digest realm=\"r\", nonce=\"n\""}) {
        for (const auto& row : rows) {
            CRPCHttpAuth auth;
            auth.SetUserInfo(row.user, row.password);
            auth.SetURI("/");
            auth.SetMethod("GET");
            auth.SetWWWAuthenticate(header);
            std::string v;
            EXPECT_EQ(auth.GetAuthorization(v), row.ok) << row.why << " / " << header;
        }
    }
}
