#pragma once
// A bounds-checked cursor over received bytes for the binary parsers (RTP, RTCP, payload
// formats, native frames). A read past the end never touches memory outside the buffer:
// it yields zeros, moves nothing, and sets a sticky error, so a parser reads a whole
// header and checks ok() once instead of comparing offsets before every field.
//
// Header-only: the native frame format sits below the platform library and uses it too.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zentar {
namespace Utils {

class CByteReader {
public:
    CByteReader() = default;
    CByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}

    uint8_t u8() { return static_cast<uint8_t>(take(1) ? m_data[m_pos - 1] : 0); }
    uint16_t be16() { return static_cast<uint16_t>(bigEndian(2)); }
    uint32_t be24() { return static_cast<uint32_t>(bigEndian(3)); }
    uint32_t be32() { return static_cast<uint32_t>(bigEndian(4)); }
    uint64_t be64() { return bigEndian(8); }
    uint16_t le16() { return static_cast<uint16_t>(littleEndian(2)); }
    uint32_t le32() { return static_cast<uint32_t>(littleEndian(4)); }

    // The next count bytes, or nullptr (and the error) when fewer are left.
    const uint8_t* bytes(size_t count) { return take(count) ? m_data + m_pos - count : nullptr; }
    void skip(size_t count) { take(count); }
    // A reader over the next count bytes, which this one steps over; a failed, empty
    // reader (and the error here too) when fewer are left.
    CByteReader sub(size_t count)
    {
        const uint8_t* start = bytes(count);
        CByteReader inner(start, start ? count : 0);
        inner.m_failed = start == nullptr;
        return inner;
    }

    bool ok() const { return !m_failed; }
    size_t offset() const { return m_pos; }
    size_t remaining() const { return m_size - m_pos; }
    const uint8_t* current() const { return m_data ? m_data + m_pos : nullptr; }

private:
    bool take(size_t count)
    {
        if (m_failed || count > m_size - m_pos) {
            m_failed = true;
            return false;
        }
        m_pos += count;
        return true;
    }
    uint64_t bigEndian(size_t count)
    {
        if (!take(count))
            return 0;
        uint64_t value = 0;
        for (size_t i = m_pos - count; i < m_pos; ++i)
            value = value << 8 | m_data[i];
        return value;
    }
    uint64_t littleEndian(size_t count)
    {
        if (!take(count))
            return 0;
        uint64_t value = 0;
        for (size_t i = m_pos; i > m_pos - count; --i)
            value = value << 8 | m_data[i - 1];
        return value;
    }

    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_pos = 0;
    bool m_failed = false;
};

// The writing side of the same headers: big-endian fields appended to a packet.
inline void appendBe16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}
inline void appendBe32(std::vector<uint8_t>& out, uint32_t value)
{
    appendBe16(out, static_cast<uint16_t>(value >> 16));
    appendBe16(out, static_cast<uint16_t>(value));
}

} // namespace Utils
} // namespace Zentar
