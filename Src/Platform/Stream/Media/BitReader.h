#pragma once
// MSB-first bit reader for parameter sets. Reading past the end never touches memory
// outside the buffer: it yields zeros and sets a sticky overflow flag that the caller
// checks once at the end.
#include <cstddef>
#include <cstdint>

namespace Zentar {
namespace StreamSvr {

class CBitReader {
public:
    CBitReader(const uint8_t* data, size_t size) : m_data(data), m_bits(size * 8) {}

    uint32_t readBits(unsigned count); // count <= 32
    bool readFlag() { return readBits(1) != 0; }
    void skipBits(size_t count);
    // Exp-Golomb codes; values needing more than 31 leading zeros set the overflow flag.
    uint32_t readUe();
    int32_t readSe();

    bool overflow() const { return m_overflow; }
    size_t bitsLeft() const { return m_pos >= m_bits ? 0 : m_bits - m_pos; }

private:
    const uint8_t* m_data;
    size_t m_bits;
    size_t m_pos = 0;
    bool m_overflow = false;
};

} // namespace StreamSvr
} // namespace Zentar
