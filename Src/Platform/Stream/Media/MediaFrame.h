#pragma once
// The media frame the host receives: one native frame packet (see Packaging/NativeFrame.h)
// plus the channel, stream type and presentation time it is delivered with.
//
// Copies share the packet bytes (reference counted), so handing one frame to many
// receivers costs no copy; the bytes are released to a process-wide pool when the last
// copy goes, and the next frame reuses them. A frame without bytes is "invalid": receivers
// take it as the end of the stream.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Zentar {
namespace Stream {

class CMediaFrame {
public:
    CMediaFrame() = default;
    CMediaFrame(const CMediaFrame& other) = default;
    CMediaFrame(CMediaFrame&& other) noexcept = default;
    CMediaFrame& operator=(const CMediaFrame& other);
    CMediaFrame& operator=(CMediaFrame&& other) noexcept;
    ~CMediaFrame();

    static constexpr size_t kMaxSize = 64u * 1024u * 1024u;

    // Takes a buffer from the pool with room for size bytes (contents unspecified) and
    // makes this frame its only owner. False (frame left invalid) when size is 0 or too big.
    bool alloc(size_t size);
    // alloc + copy.
    bool assign(const uint8_t* data, size_t size);
    // Drops this copy's reference and every field: the frame becomes the empty end marker.
    void reset();

    bool valid() const { return m_buffer && m_size > 0; }
    uint8_t* getBuffer() { return m_buffer ? m_buffer->data() : nullptr; }
    const uint8_t* getBuffer() const { return m_buffer ? m_buffer->data() : nullptr; }
    size_t size() const { return m_size; }
    // Shrinks the frame (never grows it); false when size is larger than the current size.
    bool setSize(size_t size);

    int getChannel() const { return m_channel; }
    void setChannel(int channel) { m_channel = channel; }
    int getStreamType() const { return m_streamType; }
    void setStreamType(int streamType) { m_streamType = streamType; }
    uint64_t getPts() const { return m_pts; }           // milliseconds
    void setPts(uint64_t pts) { m_pts = pts; }
    int getFrameType() const { return m_frameType; }    // 73 I, 80 P, 66 B, 65 audio, 0 unknown
    void setFrameType(int type) { m_frameType = type; }
    // Byte 4 of the native header (0xFD key video, 0xFC other video, 0xF0 audio ...), 0 when
    // the frame is too short to have one.
    uint8_t getKind() const;

    // Process-wide pool statistics (for tests and logs).
    static size_t pooledBufferCount();

private:
    void releaseBuffer();

    std::shared_ptr<std::vector<uint8_t>> m_buffer;
    size_t m_size = 0;
    int m_channel = 0;
    int m_streamType = 0;
    uint64_t m_pts = 0;
    int m_frameType = 0;
};

} // namespace Stream
} // namespace Zentar
