// WS-Security UsernameToken: exact digests, the Created/Expires stamps on the device clock,
// the nonce, and the XML a device receives.
#include "SOAPFramework/SOAPSecurity.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <pugixml.hpp>

#include <set>
#include <string>

using namespace Zentar::SOAPFramework;

namespace {

const char kPasswordDigestType[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0"
    "#PasswordDigest";
const char kBase64BinaryType[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0"
    "#Base64Binary";
const char kWsseNs[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
const char kWsuNs[] =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";

// Nonce bytes 00 01 02 ... 0f.
const std::string kCountingNonce("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f",
                                 16);

std::string decodeBase64(const std::string& text)
{
    std::string out(text.size(), '\0');
    const int len = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                                    reinterpret_cast<const unsigned char*>(text.data()),
                                    static_cast<int>(text.size()));
    if (len < 0)
        return std::string();
    size_t padding = 0;
    for (size_t i = text.size(); i > 0 && text[i - 1] == '='; --i)
        ++padding;
    out.resize(static_cast<size_t>(len) - padding);
    return out;
}

class SOAPSecurityTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        setSecurityClock({});
        setSecurityNonceSource({});
    }

    static void fixClock(time_t utc)
    {
        setSecurityClock([utc] { return utc; });
    }

    static void fixNonce(const std::string& nonce)
    {
        setSecurityNonceSource([nonce] { return nonce; });
    }

    // Parses the element and returns its wsse:Security root (empty node on failure).
    static pugi::xml_node parseSecurity(pugi::xml_document& doc, const std::string& xml)
    {
        const pugi::xml_parse_result parsed = doc.load_string(xml.c_str());
        EXPECT_TRUE(parsed) << parsed.description() << "\n" << xml;
        return doc.child("wsse:Security");
    }
};

// ---- the digest ---------------------------------------------------------------------------

struct DigestCase {
    const char* what;
    std::string nonce;
    const char* created;
    const char* password;
    const char* expected;
};

TEST_F(SOAPSecurityTest, PasswordDigestMatchesIndependentlyComputedValues)
{
    const DigestCase cases[] = {
        // The public ONVIF worked example; nonce "LKqI6G/AikKCQrN0zqZFlg==" decoded. Checked with
        // (echo -n 'LKqI6G/AikKCQrN0zqZFlg==' | base64 -d;
        //  printf '2010-09-16T07:50:45Zuserpassword') | openssl sha1 -binary | base64
        {"worked example",
         std::string("\x2c\xaa\x88\xe8\x6f\xc0\x8a\x42\x82\x42\xb3\x74\xce\xa6\x45\x96", 16),
         "2010-09-16T07:50:45Z", "userpassword", "tuOSpGlFlIXsozq4HFNeeGeFLEI="},
        // printf '\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f2024-02-29T23:59:59ZSecr3t!' | openssl sha1 -binary | base64
        // (a NUL first byte must not cut the input)
        {"nonce with NUL bytes", kCountingNonce, "2024-02-29T23:59:59Z", "Secr3t!",
         "2BVkRyaJeGrFL55v5DtVRzrVW10="},
        // The same without a password: the password is part of the hash, not optional.
        {"empty password", kCountingNonce, "2024-02-29T23:59:59Z", "",
         "dhvTi7/D7VXXyotVle9r0m1+oRw="},
    };
    for (const DigestCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(computePasswordDigest(c.nonce, c.created, c.password), c.expected);
    }
}

// ---- the element ------------------------------------------------------------------------

TEST_F(SOAPSecurityTest, ElementCarriesExactTokenForFixedClockAndNonce)
{
    fixClock(1709164799);   // 2024-02-28T23:59:59Z
    fixNonce(kCountingNonce);
    // A device a day ahead of us: Created is on its clock.
    const std::string xml = buildWsseSecurityXml("admin", "Secr3t!", false, 86400);

    pugi::xml_document doc;
    const pugi::xml_node security = parseSecurity(doc, xml);
    ASSERT_TRUE(security);
    EXPECT_STREQ(security.attribute("xmlns:wsse").value(), kWsseNs);
    EXPECT_STREQ(security.attribute("xmlns:wsu").value(), kWsuNs);
    // Many cameras refuse the request outright when they meet mustUnderstand.
    EXPECT_EQ(xml.find("mustUnderstand"), std::string::npos);
    EXPECT_FALSE(security.child("wsu:Timestamp"));

    const pugi::xml_node token = security.child("wsse:UsernameToken");
    ASSERT_TRUE(token);
    EXPECT_STREQ(token.child_value("wsse:Username"), "admin");
    const pugi::xml_node password = token.child("wsse:Password");
    EXPECT_STREQ(password.attribute("Type").value(), kPasswordDigestType);
    EXPECT_STREQ(password.child_value(), "2BVkRyaJeGrFL55v5DtVRzrVW10=");
    const pugi::xml_node nonce = token.child("wsse:Nonce");
    EXPECT_STREQ(nonce.attribute("EncodingType").value(), kBase64BinaryType);
    EXPECT_STREQ(nonce.child_value(), "AAECAwQFBgcICQoLDA0ODw==");
    EXPECT_STREQ(token.child_value("wsu:Created"), "2024-02-29T23:59:59Z");
    // The password itself never travels.
    EXPECT_EQ(xml.find("Secr3t!"), std::string::npos);
}

struct CreatedCase {
    const char* what;
    time_t clock;
    int timeDifference;
    const char* created;
    const char* expires;   // Created + 60 s
};

TEST_F(SOAPSecurityTest, CreatedAndTimestampFollowClockPlusDeviceOffset)
{
    const CreatedCase cases[] = {
        {"no offset", 1709164799, 0, "2024-02-28T23:59:59Z", "2024-02-29T00:00:59Z"},
        {"into a leap day", 1709164799, 1, "2024-02-29T00:00:00Z", "2024-02-29T00:01:00Z"},
        {"device behind, across midnight", 1709164799 + 1, -3601, "2024-02-28T22:59:59Z",
         "2024-02-28T23:00:59Z"},
        {"device ahead, across the year", 1704067170, 30, "2024-01-01T00:00:00Z",
         "2024-01-01T00:01:00Z"},
        {"device behind, back across the year", 1704067200, -1, "2023-12-31T23:59:59Z",
         "2024-01-01T00:00:59Z"},
        {"Expires crosses the year", 1704067170, 0, "2023-12-31T23:59:30Z",
         "2024-01-01T00:00:30Z"},
    };
    fixNonce(kCountingNonce);
    for (const CreatedCase& c : cases) {
        SCOPED_TRACE(c.what);
        fixClock(c.clock);
        pugi::xml_document doc;
        const pugi::xml_node security =
            parseSecurity(doc, buildWsseSecurityXml("u", "p", true, c.timeDifference));
        const pugi::xml_node stamp = security.child("wsu:Timestamp");
        ASSERT_TRUE(stamp);
        EXPECT_STREQ(stamp.child_value("wsu:Created"), c.created);
        EXPECT_STREQ(stamp.child_value("wsu:Expires"), c.expires);
        const pugi::xml_node token = security.child("wsse:UsernameToken");
        EXPECT_STREQ(token.child_value("wsu:Created"), c.created);
        // The digest covers exactly the Created the device reads.
        EXPECT_EQ(token.child_value("wsse:Password"),
                  computePasswordDigest(kCountingNonce, c.created, "p"));
    }
}

TEST_F(SOAPSecurityTest, FormatUtcCreatedRendersUtc)
{
    const std::pair<time_t, const char*> cases[] = {
        {0, "1970-01-01T00:00:00Z"},
        {951825600, "2000-02-29T12:00:00Z"},
        {2147483648, "2038-01-19T03:14:08Z"},   // past 32-bit time_t
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatUtcCreated(c.first), c.second) << c.first;
}

TEST_F(SOAPSecurityTest, RealClockIsUsedOnceTheSeamIsCleared)
{
    fixClock(0);
    setSecurityClock({});
    const time_t before = time(nullptr);
    pugi::xml_document doc;
    const pugi::xml_node security = parseSecurity(doc, buildWsseSecurityXml("u", "p", false, 0));
    const time_t after = time(nullptr);
    const std::string created = security.child("wsse:UsernameToken").child_value("wsu:Created");
    EXPECT_GE(created, formatUtcCreated(before));   // same-width text: order is time order
    EXPECT_LE(created, formatUtcCreated(after));
}

// ---- the nonce ----------------------------------------------------------------------------

TEST_F(SOAPSecurityTest, RealNonceIsSixteenFreshRandomBytes)
{
    fixClock(1709164799);
    std::set<std::string> seen;
    constexpr int kRounds = 8;
    for (int round = 0; round < kRounds; ++round) {
        pugi::xml_document doc;
        const pugi::xml_node token =
            parseSecurity(doc, buildWsseSecurityXml("u", "p", false, 0)).child("wsse:UsernameToken");
        const std::string nonce = decodeBase64(token.child_value("wsse:Nonce"));
        EXPECT_EQ(nonce.size(), 16u);
        // With the clock fixed, only a fresh nonce makes the digest differ.
        EXPECT_EQ(token.child_value("wsse:Password"),
                  computePasswordDigest(nonce, "2024-02-28T23:59:59Z", "p"));
        seen.insert(nonce);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kRounds));
}

// ---- escaping -----------------------------------------------------------------------------

TEST_F(SOAPSecurityTest, UsernameWithMarkupCharactersIsEscaped)
{
    const char* const users[] = {
        "a<b>c",             // would open an element
        "tom&jerry",         // would start an entity
        "\"quoted'\"",       // quotes are harmless in text but must survive
        "</wsse:Username>",  // would close the element early
        "&amp;",             // already looks escaped: must come back verbatim
    };
    fixNonce(kCountingNonce);
    for (const char* user : users) {
        SCOPED_TRACE(user);
        const std::string xml = buildWsseSecurityXml(user, "p", false, 0);
        pugi::xml_document doc;
        const pugi::xml_node token = parseSecurity(doc, xml).child("wsse:UsernameToken");
        EXPECT_STREQ(token.child_value("wsse:Username"), user);
        EXPECT_EQ(std::distance(token.children().begin(), token.children().end()), 4);
    }
}

} // namespace
