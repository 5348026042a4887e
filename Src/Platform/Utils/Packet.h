#pragma once
// A growable byte buffer. Sizes beyond kMaxSize are refused rather than attempted,
// so a corrupt length field from the network cannot exhaust memory.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zentar {
namespace Utils {

class CPacket {
public:
    static const size_t kMaxSize = 256u * 1024u * 1024u;

    CPacket() = default;
    explicit CPacket(size_t capacity); // capacity above kMaxSize is ignored

    // False (and unchanged) when the result would exceed kMaxSize or memory runs out.
    bool append(const void* data, size_t len);
    // New bytes are zero. False (and unchanged) above kMaxSize or when out of memory.
    bool resize(size_t size);
    void clear(); // size 0; keeps the capacity

    uint8_t* getBuffer() { return m_data.data(); }
    const uint8_t* getBuffer() const { return m_data.data(); }
    size_t size() const { return m_data.size(); }
    size_t capacity() const { return m_data.capacity(); }

private:
    std::vector<uint8_t> m_data;
};

} // namespace Utils
} // namespace Zentar
