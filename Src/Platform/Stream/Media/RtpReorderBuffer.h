#pragma once
// Puts RTP packets received over UDP back into sequence order.
//
// push() copies a packet into one of a fixed set of slot buffers (allocated once, grown
// only when a packet is larger than any before); pop() hands packets out in order. A
// missing packet is waited for until either the buffer holds `depth` packets or the oldest
// held packet has waited `maxWaitMs`; then the gap is skipped and reported as lost.
// Duplicates and packets older than the last one handed out are dropped. A jump of more
// than 3000 sequence numbers, confirmed by a second packet following it, is taken as a
// restarted sender: the buffer starts again from there.
//
// Not thread-safe: one receiving thread owns it. Typical use after each datagram:
//     buffer.push(data, size, now);
//     while (buffer.pop(now, packet, lost)) deliver(packet, lost);
// and a periodic pop(now, ...) so that a final gap does not hold packets for ever.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Stream/Media/RtpPacket.h"

namespace Zentar {
namespace StreamSvr {

class CRtpReorderBuffer {
public:
    static constexpr size_t kMaxDepth = 512;
    static constexpr size_t kMaxPacketSize = 65536;

    // depth is clamped to 1..kMaxDepth.
    explicit CRtpReorderBuffer(size_t depth = 64, uint32_t maxWaitMs = 150);

    enum EPushResult {
        kPushStored = 0,
        kPushDuplicate,   // the same sequence number is already held
        kPushLate,        // older than what was already handed out (arrived after its gap was skipped)
        kPushMalformed,   // not a parsable RTP packet, or larger than kMaxPacketSize
        kPushFull,        // every slot holds a packet that was not popped yet
    };
    EPushResult push(const uint8_t* data, size_t size, uint64_t nowMs);

    // The next packet in order, when one is due. lostBefore: sequence numbers skipped just
    // before it. The packet's bytes stay valid until the next push, pop or reset.
    bool pop(uint64_t nowMs, CRtpPacket& packet, uint32_t& lostBefore);

    void reset();

    size_t held() const { return m_order.size(); }
    // Milliseconds until the oldest held packet is due anyway; -1 when none is held.
    int64_t nextTimeout(uint64_t nowMs) const;

    // Counters since construction or reset.
    uint64_t lostCount() const { return m_lost; }
    uint64_t duplicateCount() const { return m_duplicates; }
    uint64_t lateCount() const { return m_late; }

private:
    struct CSlot {
        std::vector<uint8_t> bytes;
        size_t size = 0;
        int64_t extSeq = 0;
        uint64_t arrivalMs = 0;
    };

    int64_t extend(uint16_t seq) const;
    void restartAt(uint16_t seq);

    size_t m_depth;
    uint32_t m_maxWaitMs;
    std::vector<CSlot> m_slots;      // m_depth + 1 buffers, allocated lazily per slot
    std::vector<size_t> m_free;      // indexes of unused slots
    std::vector<size_t> m_order;     // used slots, sorted by extended sequence
    size_t m_lent = SIZE_MAX;        // slot handed out by the last pop
    bool m_started = false;
    int64_t m_expected = 0;          // extended sequence number of the next packet due
    int64_t m_highest = 0;
    bool m_haveBadSeq = false;
    uint16_t m_badSeq = 0;           // the start of a suspected sender restart
    uint64_t m_lost = 0;
    uint64_t m_duplicates = 0;
    uint64_t m_late = 0;
};

} // namespace StreamSvr
} // namespace Zentar
