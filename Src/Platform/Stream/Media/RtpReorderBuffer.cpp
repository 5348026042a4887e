#include "Stream/Media/RtpReorderBuffer.h"

#include <algorithm>

#include "Infra/LogSink.h"

namespace Zentar {
namespace StreamSvr {

namespace {
// RFC 3550 A.1: a jump beyond this is not believed until the sender confirms it.
const int64_t kMaxDropout = 3000;
} // namespace

CRtpReorderBuffer::CRtpReorderBuffer(size_t depth, uint32_t maxWaitMs)
    : m_depth(std::min(std::max<size_t>(depth, 1), kMaxDepth)), m_maxWaitMs(maxWaitMs)
{
    // One slot more than the depth: the packet that makes the buffer full is stored
    // first, then pop() releases the head.
    m_slots.resize(m_depth + 1);
    reset();
}

void CRtpReorderBuffer::reset()
{
    m_free.clear();
    m_order.clear();
    for (size_t i = m_slots.size(); i > 0; --i)
        m_free.push_back(i - 1);
    m_lent = SIZE_MAX;
    m_started = false;
    m_expected = 0;
    m_highest = 0;
    m_haveBadSeq = false;
    m_lost = m_duplicates = m_late = 0;
}

int64_t CRtpReorderBuffer::extend(uint16_t seq) const
{
    return m_expected + sequenceDiff(seq, static_cast<uint16_t>(m_expected));
}

void CRtpReorderBuffer::restartAt(uint16_t seq)
{
    for (size_t slot : m_order)
        m_free.push_back(slot);
    m_order.clear();
    m_expected = seq;
    m_highest = seq;
    m_haveBadSeq = false;
}

CRtpReorderBuffer::EPushResult CRtpReorderBuffer::push(const uint8_t* data, size_t size, uint64_t nowMs)
{
    if (m_lent != SIZE_MAX) {
        m_free.push_back(m_lent);
        m_lent = SIZE_MAX;
    }
    CRtpPacket packet;
    if (size > kMaxPacketSize || !packet.parse(data, size))
        return kPushMalformed;

    const uint16_t seq = packet.sequence();
    if (!m_started) {
        m_started = true;
        m_expected = seq;
        m_highest = seq;
    }
    int64_t ext = extend(seq);
    const int64_t ahead = ext - m_expected;
    if (ahead > kMaxDropout || ahead < -kMaxDropout) {
        if (m_haveBadSeq && seq == m_badSeq) {
            Infra::logFilter(Infra::kLogInfo, "rtp reorder: sender restarted at sequence %u (expected %u)", seq,
                             static_cast<unsigned>(static_cast<uint16_t>(m_expected)));
            restartAt(seq);
            ext = seq;
        } else {
            m_haveBadSeq = true;
            m_badSeq = static_cast<uint16_t>(seq + 1);
            ++m_late;
            return kPushLate;
        }
    } else if (ahead < 0) {
        ++m_late;
        return kPushLate;
    }
    m_haveBadSeq = false;

    auto pos = std::lower_bound(m_order.begin(), m_order.end(), ext,
                                [this](size_t slot, int64_t value) { return m_slots[slot].extSeq < value; });
    if (pos != m_order.end() && m_slots[*pos].extSeq == ext) {
        ++m_duplicates;
        return kPushDuplicate;
    }
    if (m_free.empty()) {
        Infra::logFilter(Infra::kLogWarning, "rtp reorder: %zu packets held and none popped, sequence %u dropped",
                         m_order.size(), seq);
        return kPushFull;
    }
    const size_t slotIndex = m_free.back();
    m_free.pop_back();
    CSlot& slot = m_slots[slotIndex];
    if (slot.bytes.size() < size)
        slot.bytes.resize(size);
    std::copy(data, data + size, slot.bytes.begin());
    slot.size = size;
    slot.extSeq = ext;
    slot.arrivalMs = nowMs;
    m_order.insert(pos, slotIndex);
    m_highest = std::max(m_highest, ext);
    return kPushStored;
}

bool CRtpReorderBuffer::pop(uint64_t nowMs, CRtpPacket& packet, uint32_t& lostBefore)
{
    lostBefore = 0;
    if (m_lent != SIZE_MAX) {
        m_free.push_back(m_lent);
        m_lent = SIZE_MAX;
    }
    if (m_order.empty())
        return false;
    const size_t head = m_order.front();
    const int64_t headExt = m_slots[head].extSeq;
    if (headExt != m_expected) {
        const int64_t wait = nextTimeout(nowMs);
        if (m_order.size() < m_depth && wait > 0)
            return false;
        lostBefore = static_cast<uint32_t>(headExt - m_expected);
        m_lost += lostBefore;
    }
    m_order.erase(m_order.begin());
    m_expected = headExt + 1;
    m_lent = head;
    // The bytes parsed when they were pushed; parsing again only rebuilds the view.
    return packet.parse(m_slots[head].bytes.data(), m_slots[head].size);
}

int64_t CRtpReorderBuffer::nextTimeout(uint64_t nowMs) const
{
    if (m_order.empty())
        return -1;
    if (m_slots[m_order.front()].extSeq == m_expected)
        return 0;
    uint64_t oldest = UINT64_MAX;
    for (size_t slot : m_order)
        oldest = std::min(oldest, m_slots[slot].arrivalMs);
    const uint64_t waited = nowMs > oldest ? nowMs - oldest : 0;
    return waited >= m_maxWaitMs ? 0 : static_cast<int64_t>(m_maxWaitMs - waited);
}

} // namespace StreamSvr
} // namespace Zentar
