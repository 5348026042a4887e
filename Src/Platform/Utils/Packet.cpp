#include "Utils/Packet.h"

#include <new>

namespace Zentar {
namespace Utils {

CPacket::CPacket(size_t capacity)
{
    if (capacity <= kMaxSize) {
        try {
            m_data.reserve(capacity);
        } catch (const std::bad_alloc&) {
            // stays empty; append/resize report the shortage later
        }
    }
}

bool CPacket::append(const void* data, size_t len)
{
    if (len == 0) {
        return true;
    }
    if (data == nullptr || len > kMaxSize - m_data.size()) {
        return false;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    try {
        m_data.insert(m_data.end(), bytes, bytes + len);
    } catch (const std::bad_alloc&) {
        return false; // vector::insert leaves the contents unchanged on failure
    }
    return true;
}

bool CPacket::resize(size_t size)
{
    if (size > kMaxSize) {
        return false;
    }
    try {
        m_data.resize(size, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CPacket::clear() { m_data.clear(); }

} // namespace Utils
} // namespace Zentar
