#include "Common/Crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cctype>

namespace OnvifSim {
namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

} // namespace

std::string HashRaw(const std::string& algorithm, const std::string& data)
{
    const EVP_MD* md = algorithm == "MD5" ? EVP_md5()
                     : algorithm == "SHA1" ? EVP_sha1()
                     : algorithm == "SHA-256" ? EVP_sha256() : nullptr;
    if (!md)
        return {};
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(data.data(), data.size(), out, &len, md, nullptr) != 1)
        return {};
    return std::string(reinterpret_cast<char*>(out), len);
}

std::string HashHex(const std::string& algorithm, const std::string& data)
{
    return ToHex(HashRaw(algorithm, data));
}

std::string ToHex(const std::string& raw)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(raw.size() * 2);
    for (unsigned char c : raw) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string Base64Encode(const std::string& raw)
{
    std::string out;
    size_t i = 0;
    for (; i + 2 < raw.size(); i += 3) {
        unsigned v = (unsigned char)raw[i] << 16 | (unsigned char)raw[i + 1] << 8 | (unsigned char)raw[i + 2];
        out += {kAlphabet[v >> 18], kAlphabet[v >> 12 & 63], kAlphabet[v >> 6 & 63], kAlphabet[v & 63]};
    }
    if (i + 1 == raw.size()) {
        unsigned v = (unsigned char)raw[i] << 16;
        out += {kAlphabet[v >> 18], kAlphabet[v >> 12 & 63], '=', '='};
    } else if (i + 2 == raw.size()) {
        unsigned v = (unsigned char)raw[i] << 16 | (unsigned char)raw[i + 1] << 8;
        out += {kAlphabet[v >> 18], kAlphabet[v >> 12 & 63], kAlphabet[v >> 6 & 63], '='};
    }
    return out;
}

bool Base64Decode(const std::string& text, std::string& raw)
{
    std::string clean;
    for (char c : text)
        if (!isspace(static_cast<unsigned char>(c)))
            clean += c;
    if (clean.size() % 4 != 0)
        return false;
    raw.clear();
    for (size_t i = 0; i < clean.size(); i += 4) {
        int v[4];
        int pad = 0;
        for (int k = 0; k < 4; ++k) {
            char c = clean[i + k];
            if (c == '=' && i + 4 == clean.size() && k >= 2) {
                v[k] = 0;
                ++pad;
            } else if (pad || (v[k] = Base64Value(c)) < 0) {
                return false;
            }
        }
        unsigned bits = v[0] << 18 | v[1] << 12 | v[2] << 6 | v[3];
        raw += static_cast<char>(bits >> 16);
        if (pad < 2) raw += static_cast<char>(bits >> 8 & 255);
        if (pad < 1) raw += static_cast<char>(bits & 255);
    }
    return true;
}

std::string RandomBytes(size_t count)
{
    std::string out(count, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&out[0]), static_cast<int>(count)) != 1)
        return {};
    return out;
}

uint32_t Random32()
{
    std::string r = RandomBytes(4);
    return (static_cast<uint32_t>(static_cast<uint8_t>(r[0])) << 24) | (static_cast<uint8_t>(r[1]) << 16) |
           (static_cast<uint8_t>(r[2]) << 8) | static_cast<uint8_t>(r[3]);
}

bool ConstantTimeEquals(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace OnvifSim
