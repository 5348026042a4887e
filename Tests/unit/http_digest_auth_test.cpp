// The shared challenge reader and digest answer. Expected hashes come from RFC 7616
// section 3.9.1 or were computed independently with another hashing tool from the
// RFC formulas, never with this code.
#include "Utils/HttpAuthChallenge.h"
#include "Utils/HttpDigestAuth.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

using namespace Zentar::Utils;

namespace {

// "scheme(name=value,...)" per challenge, "!" after the scheme when a name repeated,
// "[token68]" for that form; challenges separated by blanks. Faults by their text.
std::string render(const std::string& header)
{
    std::vector<CAuthChallenge> parsed;
    const EChallengeFault fault = parseAuthHeader(header, parsed);
    if (fault != EChallengeFault::None)
        return challengeFaultText(fault);
    std::string out;
    for (const CAuthChallenge& c : parsed) {
        out += (out.empty() ? "" : " ") + c.scheme + (c.duplicateParam ? "!" : "");
        if (!c.token68.empty()) {
            out += "[" + c.token68 + "]";
            continue;
        }
        out += "(";
        for (size_t i = 0; i < c.params.size(); ++i)
            out += (i ? "," : "") + c.params[i].first + "=" + c.params[i].second;
        out += ")";
    }
    return out;
}

} // namespace

TEST(HttpAuthChallenge, ReadsGoodValuesAndRefusesHostileOnes)
{
    const struct {
        const char* why;
        std::string header;
        std::string expected;
    } rows[] = {
        {"token and quoted values", "Digest realm=\"r\", nonce=n", "digest(realm=r,nonce=n)"},
        {"escaped quotes and backslashes", "Digest realm=\"a \\\"b\\\" \\\\c\", nonce=n",
         "digest(realm=a \"b\" \\c,nonce=n)"},
        {"commas inside quotes", "Digest realm=\"x, y\", nonce=\"n,m\"", "digest(realm=x, y,nonce=n,m)"},
        {"several challenges in one value", "Basic realm=\"b\", Digest realm=\"d\", nonce=n, algorithm=SHA-256",
         "basic(realm=b) digest(realm=d,nonce=n,algorithm=SHA-256)"},
        {"names and schemes in any case", "DIGEST Realm=\"r\"", "digest(realm=r)"},
        {"blanks around '='", "Digest realm = \"r\" ,nonce= n", "digest(realm=r,nonce=n)"},
        {"token68 form, then another challenge", "Negotiate YWJj==, Basic realm=x",
         "negotiate[YWJj==] basic(realm=x)"},
        {"a scheme without parameters", "Basic", "basic()"},
        {"empty list elements are ignored", ", Digest realm=r,, nonce=n ,", "digest(realm=r,nonce=n)"},
        {"lines folded by the camera", "Digest\r\n realm=\"r\",\r\n nonce=\"n\"", "digest(realm=r,nonce=n)"},
        {"a repeated name marks the challenge", "Digest realm=r, nonce=a, nonce=b", "digest!(realm=r,nonce=a)"},
        {"unterminated quote", "Digest realm=\"r, nonce=n", "unterminated quoted value"},
        {"the closing quote escaped away", "Digest realm=\"r\\\"", "unterminated quoted value"},
        {"backslash at the very end", "Digest realm=\"r\\", "unterminated quoted value"},
        {"two parameters without a comma", "Digest realm=\"r\" nonce=\"n\"", "malformed challenge"},
        {"a line break inside a value", "Digest realm=\"a\r\nX-Evil: 1\", nonce=n", "malformed challenge"},
        {"a parameter before any scheme", "realm=\"r\", Digest nonce=n", "malformed challenge"},
        {"a value that is no token", "Digest realm=@r", "malformed challenge"},
        {"a parameter after a token68", "Negotiate abc==, realm=x", "malformed challenge"},
        {"quote glued to the scheme", "Digest\"r\"", "malformed challenge"},
        {"two words where a parameter belongs", "Negotiate abc def", "malformed challenge"},
        {"nothing but separators", " , \t", "no challenge"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(render(row.header), row.expected) << row.why << ": " << row.header;
}

TEST(HttpAuthChallenge, ChoosesTheStrongestUsableDigestThenBasic)
{
    // Expected: "digest <nonce> <qop>", "basic", or the fault's text.
    const struct {
        const char* why;
        std::vector<std::string> headers;
        std::string expected;
    } rows[] = {
        {"plain MD5", {"Digest realm=r, nonce=m"}, "digest m "},
        {"SHA-256 in a later header wins", {"Digest realm=r, nonce=m", "Digest realm=r, nonce=s, algorithm=SHA-256"},
         "digest s "},
        {"SHA-256 later in the same value wins",
         {"Digest realm=r, nonce=m, qop=auth, Digest realm=r, nonce=s, algorithm=sha-256, qop=auth"}, "digest s auth"},
        {"the first of equals", {"Digest realm=r, nonce=a, algorithm=SHA-256", "Digest realm=r, nonce=b, algorithm=SHA-256-sess"},
         "digest a "},
        {"Digest before Basic, whatever the order", {"Basic realm=r", "Digest realm=r, nonce=m"}, "digest m "},
        {"Basic alone", {"Basic realm=r"}, "basic"},
        {"an unknown algorithm alone", {"Digest realm=r, nonce=m, algorithm=SHA-512-256"}, "digest algorithm not supported"},
        {"an unknown algorithm falls back to Basic", {"Digest realm=r, nonce=m, algorithm=SHA-512-256", "Basic realm=r"},
         "basic"},
        {"an unknown algorithm falls back to MD5", {"Digest realm=r, nonce=x, algorithm=SHA-512-256, Digest realm=r, nonce=m"},
         "digest m "},
        {"a repeated parameter", {"Digest realm=r, nonce=m, nonce=n"}, "parameter repeated"},
        {"a repeated parameter with a good header after it", {"Digest realm=r, nonce=m, realm=q", "Digest realm=r, nonce=g"},
         "digest g "},
        {"no realm", {"Digest nonce=m"}, "digest without realm"},
        {"no nonce", {"Digest realm=r, qop=auth"}, "digest without nonce"},
        {"a broken header does not spoil a good one", {"Digest realm=\"r", "Digest realm=r, nonce=g"}, "digest g "},
        {"a broken header alone", {"Digest realm=\"r, nonce=m"}, "unterminated quoted value"},
        {"only schemes we cannot answer", {"NTLM", "Negotiate abc=="}, "no supported scheme"},
        {"no header", {}, "no challenge"},
        {"auth-int when it is all there is", {"Digest realm=r, nonce=m, qop=\"auth-int\""}, "digest m auth-int"},
        {"auth preferred over auth-int", {"Digest realm=r, nonce=m, qop=\"auth-int, AUTH\""}, "digest m auth"},
        {"an unknown qop is no qop", {"Digest realm=r, nonce=m, qop=\"auth-conf\""}, "digest m "},
    };
    for (const auto& row : rows) {
        CChosenChallenge chosen;
        const EChallengeFault fault = chooseChallenge(row.headers, chosen);
        std::string got = challengeFaultText(fault);
        if (fault == EChallengeFault::None)
            got = chosen.scheme == EAuthScheme::Basic ? "basic" : "digest " + chosen.digest.nonce + " " + chosen.digest.qop;
        EXPECT_EQ(got, row.expected) << row.why;
    }
}

namespace {

// RFC 7616 section 3.9.1: Mufasa asks for /dir/index.html.
const char kRfcNonce[] = "7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v";
const char kRfcCnonce[] = "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ";
const char kRfcOpaque[] = "FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS";

CDigestChallenge rfcChallenge(const std::string& extra)
{
    CChosenChallenge chosen;
    const std::string header = "Digest realm=\"http-auth@example.org\", nonce=\"" + std::string(kRfcNonce) +
                               "\", opaque=\"" + kRfcOpaque + "\"" + extra;
    EXPECT_EQ(chooseChallenge({header}, chosen), EChallengeFault::None) << header;
    return chosen.digest;
}

CHttpDigestAuth rfcAnswerer(const std::string& extra)
{
    CHttpDigestAuth auth;
    auth.setCredentials("Mufasa", "Circle of Life");
    auth.setNonceSource([] { return std::string(kRfcCnonce); });
    auth.setChallenge(rfcChallenge(extra));
    return auth;
}

std::string responseOf(const std::string& value)
{
    std::smatch m;
    return std::regex_search(value, m, std::regex("response=\"([0-9a-f]+)\"")) ? m[1].str() : "<none>";
}

} // namespace

TEST(HttpDigestAnswer, ReproducesTheRfc7616ExamplesByteForByte)
{
    const struct {
        const char* algorithm;
        const char* response;
    } rows[] = {
        {"MD5", "8ca523f5e9506fed4657c9700eebdbec"},
        {"SHA-256", "753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1"},
    };
    for (const auto& row : rows) {
        CHttpDigestAuth auth = rfcAnswerer(", qop=\"auth\", algorithm=" + std::string(row.algorithm));
        std::string value;
        ASSERT_TRUE(auth.authorize("GET", "/dir/index.html", nullptr, value));
        EXPECT_EQ(value, "Digest username=\"Mufasa\", realm=\"http-auth@example.org\", nonce=\"" + std::string(kRfcNonce) +
                             "\", uri=\"/dir/index.html\", response=\"" + row.response + "\", algorithm=\"" +
                             row.algorithm + "\", cnonce=\"" + kRfcCnonce + "\", opaque=\"" + kRfcOpaque +
                             "\", qop=\"auth\", nc=\"00000001\"")
            << row.algorithm;
    }
}

TEST(HttpDigestAnswer, SessionAlgorithmsAndAuthIntOverTwoAnswers)
{
    // Two answers under one challenge: the count goes to 2, the client nonce and the
    // session key stay.
    const std::string envelope = "<s:Envelope/>";
    const struct {
        const char* why;
        std::string extra;
        const char* method;
        const std::string* body;
        const char* first;
        const char* second;
    } rows[] = {
        {"MD5-sess", ", qop=auth, algorithm=MD5-sess", "GET", nullptr, "e783283f46242139c486a698fec7211d",
         "6914b51e16f9459d9abc967ad41c4599"},
        {"SHA-256-sess", ", qop=auth, algorithm=SHA-256-sess", "GET", nullptr,
         "2fd51b3a77ad75bad6afad6003e818d767133c46d9e2749e7f5232ae1ea3efd7",
         "6bb0010aa4bdf46422a798c509ea32e256f27bd37de5cc3bdf8ed51e1d77d650"},
        {"auth-int hashes the real body", ", qop=auth-int, algorithm=SHA-256", "POST", &envelope,
         "39231896cf8969e228d89cf5ab6ab00a3407e2c3e66ca05e6278a9ec813a31b5",
         "6d7663c95a763269998e92539e30a76a8f543aec81d6aa646a97610339b9236e"},
        {"auth-int without a body hashes an empty one", ", qop=auth-int", "POST", nullptr,
         "35ec75c6389a8fd8412c13222b3affe8", "8d604ace37effd5b9b24ee1ecf4ce5d1"},
    };
    for (const auto& row : rows) {
        CHttpDigestAuth auth = rfcAnswerer(row.extra);
        std::string first, second;
        ASSERT_TRUE(auth.authorize(row.method, "/dir/index.html", row.body, first)) << row.why;
        ASSERT_TRUE(auth.authorize(row.method, "/dir/index.html", row.body, second)) << row.why;
        EXPECT_EQ(responseOf(first), row.first) << row.why;
        EXPECT_EQ(responseOf(second), row.second) << row.why;
        EXPECT_NE(second.find("nc=\"00000002\""), std::string::npos) << second;
    }
}

TEST(HttpDigestAnswer, EscapesQuotedValuesAndRefusesLineBreaks)
{
    CChosenChallenge chosen;
    ASSERT_EQ(chooseChallenge({"Digest realm=\"a\\\"b\", nonce=\"n\\\\1\""}, chosen), EChallengeFault::None);
    CHttpDigestAuth auth;
    auth.setCredentials("ad\"min", "pw");
    auth.setChallenge(chosen.digest);
    std::string value;
    ASSERT_TRUE(auth.authorize("GET", "/a\"b", nullptr, value));
    EXPECT_EQ(value.find("Digest username=\"ad\\\"min\", realm=\"a\\\"b\", nonce=\"n\\\\1\", uri=\"/a\\\"b\""), 0u)
        << value;

    value = "untouched";
    EXPECT_FALSE(auth.authorize("GET", "/a\r\nX: y", nullptr, value));
    auth.setCredentials("ad\nmin", "pw");
    EXPECT_FALSE(auth.authorize("GET", "/a", nullptr, value));
    CHttpDigestAuth noChallenge;
    noChallenge.setCredentials("admin", "pw");
    EXPECT_FALSE(noChallenge.authorize("GET", "/a", nullptr, value));
    EXPECT_EQ(value, "untouched");
}

TEST(HttpDigestNonce, ComesFromTheInjectedSourceElseFromTheCsprng)
{
    const CDigestChallenge challenge = rfcChallenge(", qop=auth");
    auto cnonceOf = [&](CHttpDigestAuth& auth) {
        std::string value;
        EXPECT_TRUE(auth.authorize("GET", "/", nullptr, value));
        std::smatch m;
        return std::regex_search(value, m, std::regex("cnonce=\"([^\"]*)\"")) ? m[1].str() : "<none>";
    };

    setDigestNonceSource([] { return std::string("fixed-for-test"); });
    CHttpDigestAuth injected;
    injected.setCredentials("u", "p");
    injected.setChallenge(challenge);
    EXPECT_EQ(cnonceOf(injected), "fixed-for-test");
    setDigestNonceSource(nullptr);

    CHttpDigestAuth a, b;
    for (CHttpDigestAuth* auth : {&a, &b}) {
        auth->setCredentials("u", "p");
        auth->setChallenge(challenge);
    }
    const std::string first = cnonceOf(a), second = cnonceOf(b);
    EXPECT_TRUE(std::regex_match(first, std::regex("[0-9a-f]{32}"))) << first;
    EXPECT_NE(first, second);
    EXPECT_EQ(cnonceOf(a), first) << "one client nonce per challenge";
    a.setChallenge(challenge);
    EXPECT_NE(cnonceOf(a), first) << "a new challenge draws a new one";
}
