// Digests and Base64 against the published RFC vectors, plus CPacket growth limits.
#include "Utils/Base64.h"
#include "Utils/Md5.h"
#include "Utils/Packet.h"
#include "Utils/Sha1.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace Zentar {
namespace Utils {
namespace {

std::string toHex(const unsigned char* data, size_t len)
{
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < len; ++i) {
        text += kHex[data[i] >> 4];
        text += kHex[data[i] & 0x0f];
    }
    return text;
}

struct DigestVector {
    const char* input;
    int repeat;
    const char* hex;
};

// RFC 1321, appendix A.5.
const DigestVector kMd5Vectors[] = {
    {"", 1, "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", 1, "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", 1, "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", 1, "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", 1, "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", 1,
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"1234567890", 8, "57edf4a22be3c955ac49da2e2107b67a"},
};

// RFC 3174, section 7.3 (TEST1..TEST4).
const DigestVector kSha1Vectors[] = {
    {"abc", 1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1,
     "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {"a", 1000000, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {"0123456701234567012345670123456701234567012345670123456701234567", 10,
     "dea356a2cddd90c7a7ecedc5ebb563934f460452"},
};

TEST(PlatformMd5, MatchesRfcVectorsFedInPieces)
{
    for (const DigestVector& v : kMd5Vectors) {
        CMd5 md5;
        for (int i = 0; i < v.repeat; ++i) {
            md5.update(v.input, strlen(v.input));
        }
        EXPECT_EQ(md5.hex(), v.hex) << v.input << " x" << v.repeat;
    }
}

TEST(PlatformMd5, OneShotAndBinaryFinalAgree)
{
    for (const DigestVector& v : kMd5Vectors) {
        if (v.repeat != 1) {
            continue;
        }
        EXPECT_EQ(CMd5::hex(v.input, strlen(v.input)), v.hex) << v.input;
        CMd5 md5;
        md5.update(v.input, strlen(v.input));
        unsigned char out[16];
        md5.final(out);
        EXPECT_EQ(toHex(out, sizeof(out)), v.hex) << v.input;
    }
}

TEST(PlatformMd5, FinalStartsANewMessage)
{
    CMd5 md5;
    md5.update("junk", 4);
    md5.hex();
    md5.update("abc", 3);
    EXPECT_EQ(md5.hex(), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(PlatformSha1, MatchesRfcVectors)
{
    for (const DigestVector& v : kSha1Vectors) {
        CSha1 sha1;
        for (int i = 0; i < v.repeat; ++i) {
            sha1.update(v.input, strlen(v.input));
        }
        unsigned char out[20];
        sha1.final(out);
        EXPECT_EQ(toHex(out, sizeof(out)), v.hex) << v.input << " x" << v.repeat;
    }
}

TEST(PlatformSha1, StaticDigestMatchesIncremental)
{
    unsigned char out[20];
    CSha1::digest("abc", 3, out);
    EXPECT_EQ(toHex(out, sizeof(out)), kSha1Vectors[0].hex);

    CSha1 sha1;
    sha1.update("ab", 2);
    sha1.update("c", 1);
    unsigned char again[20];
    sha1.final(again);
    EXPECT_EQ(0, memcmp(out, again, sizeof(out)));
}

// RFC 4648, section 10.
const struct {
    const char* plain;
    const char* encoded;
} kBase64Vectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

TEST(PlatformBase64, EncodesAndDecodesRfcVectors)
{
    for (const auto& v : kBase64Vectors) {
        const size_t plainLen = strlen(v.plain);
        const std::string encoded = base64Encode(v.plain, plainLen);
        EXPECT_EQ(encoded, v.encoded);
        EXPECT_EQ(base64EncodeLen(plainLen), encoded.size());

        std::string decoded = "previous";
        ASSERT_TRUE(base64Decode(v.encoded, strlen(v.encoded), decoded)) << v.encoded;
        EXPECT_EQ(decoded, v.plain);
        EXPECT_GE(base64DecodeLen(strlen(v.encoded)), decoded.size());
    }
}

TEST(PlatformBase64, RoundTripsEveryByteValue)
{
    std::string all;
    for (int i = 0; i < 256; ++i) {
        all += static_cast<char>(i);
    }
    for (size_t len = 0; len <= all.size(); len += 37) {
        const std::string encoded = base64Encode(all.data(), len);
        std::string decoded;
        ASSERT_TRUE(base64Decode(encoded.data(), encoded.size(), decoded)) << len;
        EXPECT_EQ(decoded, all.substr(0, len));
    }
}

TEST(PlatformBase64, RefusesMalformedInputAndKeepsOutput)
{
    const char* const kBad[] = {
        "Zg",         // not a multiple of 4
        "Zg=",        // not a multiple of 4
        "Z===",       // three padding characters
        "====",       // padding only
        "Zg==Zg==",   // padding before the end
        "Z=g=",       // padding followed by data
        "Zm9v YmFy",  // whitespace
        "Zm9v\nYmFy", // line break
        "Zm9-",       // URL-safe alphabet is not accepted
        "Zm9_",
        "Zm\x80v",    // high byte
        "Zm9vYmF*",
    };
    for (const char* text : kBad) {
        std::string out = "unchanged";
        EXPECT_FALSE(base64Decode(text, strlen(text), out)) << text;
        EXPECT_EQ(out, "unchanged") << text;
    }
    std::string out;
    EXPECT_FALSE(base64Decode(nullptr, 4, out));
    EXPECT_TRUE(base64Decode(nullptr, 0, out));
    EXPECT_TRUE(out.empty());
}

TEST(PlatformBase64, DecodesBinaryWithEmbeddedZero)
{
    std::string out;
    ASSERT_TRUE(base64Decode("AAEA", 4, out));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(out[1], '\x01');
    EXPECT_EQ(out[2], '\0');
}

TEST(PlatformPacket, AppendsAndGrows)
{
    CPacket packet(4);
    EXPECT_GE(packet.capacity(), 4u);
    EXPECT_EQ(packet.size(), 0u);
    ASSERT_TRUE(packet.append("hello", 5));
    ASSERT_TRUE(packet.append(" world", 6));
    ASSERT_EQ(packet.size(), 11u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(packet.getBuffer()), packet.size()),
              "hello world");
    EXPECT_GE(packet.capacity(), packet.size());

    const size_t capacity = packet.capacity();
    packet.clear();
    EXPECT_EQ(packet.size(), 0u);
    EXPECT_EQ(packet.capacity(), capacity);
}

TEST(PlatformPacket, ResizeZeroFillsAndShrinks)
{
    CPacket packet;
    ASSERT_TRUE(packet.append("ab", 2));
    ASSERT_TRUE(packet.resize(5));
    ASSERT_EQ(packet.size(), 5u);
    EXPECT_EQ(0, memcmp(packet.getBuffer(), "ab\0\0\0", 5));
    ASSERT_TRUE(packet.resize(1));
    EXPECT_EQ(packet.size(), 1u);
    EXPECT_EQ(packet.getBuffer()[0], 'a');
}

TEST(PlatformPacket, RefusesAbsurdSizesAndStaysIntact)
{
    CPacket packet;
    ASSERT_TRUE(packet.append("xyz", 3));
    EXPECT_FALSE(packet.resize(CPacket::kMaxSize + 1));
    EXPECT_FALSE(packet.resize(static_cast<size_t>(-1)));
    // The length is checked before the pointer is read, so this must not touch memory.
    EXPECT_FALSE(packet.append("a", CPacket::kMaxSize));
    EXPECT_FALSE(packet.append(nullptr, 1));
    EXPECT_TRUE(packet.append(nullptr, 0));
    ASSERT_EQ(packet.size(), 3u);
    EXPECT_EQ(0, memcmp(packet.getBuffer(), "xyz", 3));

    CPacket huge(static_cast<size_t>(-1)); // ignored, not attempted
    EXPECT_EQ(huge.size(), 0u);
}

} // namespace
} // namespace Utils
} // namespace Zentar
