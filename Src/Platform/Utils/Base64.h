#pragma once
// Base64 with the standard alphabet and '=' padding. Decoding is strict: the length
// must be a multiple of 4, only alphabet characters are allowed (no whitespace), and
// '=' may appear only as one or two final characters.
#include <cstddef>
#include <string>

namespace Zentar {
namespace Utils {

size_t base64EncodeLen(size_t inputLen); // exact encoded length
size_t base64DecodeLen(size_t inputLen); // upper bound of the decoded length

std::string base64Encode(const void* data, size_t len);
// False on malformed input; out is then left unchanged.
bool base64Decode(const char* text, size_t len, std::string& out);

} // namespace Utils
} // namespace Zentar
