#include "Stream/Media/BitReader.h"

namespace Zentar {
namespace StreamSvr {

uint32_t CBitReader::readBits(unsigned count)
{
    uint32_t value = 0;
    for (unsigned i = 0; i < count && i < 32; ++i) {
        uint32_t bit = 0;
        if (m_pos < m_bits) {
            bit = (m_data[m_pos >> 3] >> (7 - (m_pos & 7))) & 1u;
            ++m_pos;
        } else {
            m_overflow = true;
        }
        value = (value << 1) | bit;
    }
    return value;
}

void CBitReader::skipBits(size_t count)
{
    if (count > bitsLeft()) {
        m_pos = m_bits;
        m_overflow = true;
        return;
    }
    m_pos += count;
}

uint32_t CBitReader::readUe()
{
    unsigned zeros = 0;
    while (!readFlag()) {
        if (m_overflow || ++zeros > 31) {
            m_overflow = true;
            return 0;
        }
    }
    if (zeros == 0)
        return 0;
    // 2^zeros - 1 + suffix; zeros <= 31 keeps it within 32 bits
    return static_cast<uint32_t>((uint64_t(1) << zeros) - 1 + readBits(zeros));
}

int32_t CBitReader::readSe()
{
    uint32_t k = readUe();
    if (k & 1u)
        return static_cast<int32_t>((k + 1) / 2);
    return -static_cast<int32_t>(k / 2);
}

} // namespace StreamSvr
} // namespace Zentar
