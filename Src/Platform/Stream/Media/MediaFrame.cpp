#include "Stream/Media/MediaFrame.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace Zentar {
namespace Stream {

namespace {

// Frames come and go at the stream's frame rate; their buffers go back here so that the
// next frame of about the same size reuses them instead of the heap.
class CBufferPool {
public:
    using Buffer = std::shared_ptr<std::vector<uint8_t>>;

    Buffer take(size_t size)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Prefer the most recently returned buffer that already has room (it is likely
        // still in cache); else the largest one.
        size_t best = m_free.size();
        for (size_t i = m_free.size(); i > 0; --i) {
            if (m_free[i - 1]->capacity() >= size) {
                best = i - 1;
                break;
            }
            if (best == m_free.size() || m_free[i - 1]->capacity() > m_free[best]->capacity())
                best = i - 1;
        }
        if (best == m_free.size())
            return nullptr;
        Buffer b = std::move(m_free[best]);
        m_free.erase(m_free.begin() + static_cast<std::ptrdiff_t>(best));
        return b;
    }

    void put(Buffer&& b)
    {
        // Very large buffers (a rare huge picture) are not kept: they would pin memory.
        if (b->capacity() > kMaxPooledCapacity)
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_free.size() < kMaxPooled)
            m_free.push_back(std::move(b));
    }

    size_t count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_free.size();
    }

private:
    static const size_t kMaxPooled = 128;
    static const size_t kMaxPooledCapacity = 8u * 1024u * 1024u;
    std::mutex m_mutex;
    std::vector<Buffer> m_free;
};

CBufferPool& pool()
{
    static CBufferPool* instance = new CBufferPool(); // never destroyed: frames may outlive statics
    return *instance;
}

} // namespace

CMediaFrame::~CMediaFrame() { releaseBuffer(); }

CMediaFrame& CMediaFrame::operator=(const CMediaFrame& other)
{
    if (this != &other) {
        releaseBuffer();
        m_buffer = other.m_buffer;
        m_size = other.m_size;
        m_channel = other.m_channel;
        m_streamType = other.m_streamType;
        m_pts = other.m_pts;
        m_frameType = other.m_frameType;
    }
    return *this;
}

CMediaFrame& CMediaFrame::operator=(CMediaFrame&& other) noexcept
{
    if (this != &other) {
        releaseBuffer();
        m_buffer = std::move(other.m_buffer);
        m_size = other.m_size;
        m_channel = other.m_channel;
        m_streamType = other.m_streamType;
        m_pts = other.m_pts;
        m_frameType = other.m_frameType;
        other.m_size = 0;
    }
    return *this;
}

void CMediaFrame::releaseBuffer()
{
    // Only the last owner returns the bytes; with no weak references, a count of one
    // cannot rise behind our back.
    if (m_buffer && m_buffer.use_count() == 1)
        pool().put(std::move(m_buffer));
    m_buffer.reset();
    m_size = 0;
}

bool CMediaFrame::alloc(size_t size)
{
    releaseBuffer();
    if (size == 0 || size > kMaxSize)
        return false;
    try {
        std::shared_ptr<std::vector<uint8_t>> b = pool().take(size);
        if (!b)
            b = std::make_shared<std::vector<uint8_t>>();
        if (b->capacity() < size)
            b->clear(); // nothing worth copying into the larger allocation
        b->resize(size);
        m_buffer = std::move(b);
    } catch (const std::bad_alloc&) {
        m_buffer.reset();
        return false;
    }
    m_size = size;
    return true;
}

bool CMediaFrame::assign(const uint8_t* data, size_t size)
{
    if (!data || !alloc(size))
        return false;
    std::memcpy(m_buffer->data(), data, size);
    return true;
}

void CMediaFrame::reset()
{
    releaseBuffer();
    m_channel = 0;
    m_streamType = 0;
    m_pts = 0;
    m_frameType = 0;
}

bool CMediaFrame::setSize(size_t size)
{
    if (size > m_size)
        return false;
    m_size = size;
    return true;
}

uint8_t CMediaFrame::getKind() const { return m_size > 4 ? m_buffer->data()[4] : 0; }

size_t CMediaFrame::pooledBufferCount() { return pool().count(); }

} // namespace Stream
} // namespace Zentar
