#pragma once
// Shared by the fuzz targets: an input cut into records (a 16-bit big-endian length, then
// that many bytes, the last one cut short by the end of the input), so that one input can
// stand for several packets or several arrivals of bytes on a connection.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Utils/ByteReader.h"

namespace OnvifFuzz {

class CRecords {
public:
    CRecords(const uint8_t* data, size_t size) : m_in(data, size) {}

    // False when the input is used up; a record may be empty.
    bool next(const uint8_t*& data, size_t& size)
    {
        if (m_in.remaining() == 0)
            return false;
        size_t wanted = m_in.be16();
        if (!m_in.ok())
            return false;
        size = wanted < m_in.remaining() ? wanted : m_in.remaining();
        data = m_in.bytes(size);
        return data != nullptr;
    }

private:
    Zentar::Utils::CByteReader m_in;
};

// Reads every byte of a view the parser handed out, so that a pointer or length past the
// input shows up under the address checker.
inline unsigned touch(const uint8_t* data, size_t size)
{
    unsigned sum = 0;
    for (size_t i = 0; data && i < size; ++i)
        sum += data[i];
    return sum;
}
inline unsigned touch(const std::string& text) { return touch(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }

} // namespace OnvifFuzz
