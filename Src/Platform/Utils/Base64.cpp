#include "Utils/Base64.h"

#include <cstdint>

namespace Zentar {
namespace Utils {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of an alphabet character, or -1.
int sextet(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

} // namespace

size_t base64EncodeLen(size_t inputLen) { return (inputLen + 2) / 3 * 4; }

size_t base64DecodeLen(size_t inputLen) { return inputLen / 4 * 3; }

std::string base64Encode(const void* data, size_t len)
{
    if (data == nullptr || len == 0) {
        return std::string();
    }
    const uint8_t* in = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve(base64EncodeLen(len));
    for (size_t i = 0; i < len; i += 3) {
        const size_t left = len - i;
        uint32_t group = static_cast<uint32_t>(in[i]) << 16;
        if (left > 1) group |= static_cast<uint32_t>(in[i + 1]) << 8;
        if (left > 2) group |= in[i + 2];
        text += kAlphabet[(group >> 18) & 0x3f];
        text += kAlphabet[(group >> 12) & 0x3f];
        text += left > 1 ? kAlphabet[(group >> 6) & 0x3f] : '=';
        text += left > 2 ? kAlphabet[group & 0x3f] : '=';
    }
    return text;
}

bool base64Decode(const char* text, size_t len, std::string& out)
{
    if (len % 4 != 0 || (text == nullptr && len != 0)) {
        return false;
    }
    std::string bytes;
    bytes.reserve(base64DecodeLen(len));
    for (size_t i = 0; i < len; i += 4) {
        const bool last = (i + 4 == len);
        // Padding is legal only in the final group: "xx==" or "xxx=".
        const int pad = (last && text[i + 3] == '=') ? (text[i + 2] == '=' ? 2 : 1) : 0;
        uint32_t group = 0;
        for (int k = 0; k < 4 - pad; ++k) {
            const int v = sextet(text[i + k]);
            if (v < 0) {
                return false; // includes '=' in the middle and any whitespace
            }
            group |= static_cast<uint32_t>(v) << (18 - 6 * k);
        }
        // Pad bits that are not zero are tolerated, as RFC 4648 allows.
        bytes += static_cast<char>((group >> 16) & 0xff);
        if (pad < 2) bytes += static_cast<char>((group >> 8) & 0xff);
        if (pad < 1) bytes += static_cast<char>(group & 0xff);
    }
    out.swap(bytes);
    return true;
}

} // namespace Utils
} // namespace Zentar
