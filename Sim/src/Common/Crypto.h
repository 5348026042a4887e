#pragma once
// Hashes, Base64 and randomness for the simulator's own authentication checks.
#include <cstdint>
#include <string>

namespace OnvifSim {

// algorithm: "MD5", "SHA1" or "SHA-256". Returns raw digest bytes (empty if unknown).
std::string HashRaw(const std::string& algorithm, const std::string& data);
std::string HashHex(const std::string& algorithm, const std::string& data);

std::string Base64Encode(const std::string& raw);
// Strict decoding: only the standard alphabet, '=' padding at the end, whitespace ignored.
bool Base64Decode(const std::string& text, std::string& raw);

std::string RandomBytes(size_t count);
uint32_t Random32();
std::string ToHex(const std::string& raw);

// Comparison whose time does not depend on where the inputs differ.
bool ConstantTimeEquals(const std::string& a, const std::string& b);

} // namespace OnvifSim
