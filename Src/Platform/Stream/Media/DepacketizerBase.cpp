#include "Stream/Media/DepacketizerBase.h"

#include "Infra/LogSink.h"

namespace Zentar {
namespace StreamSvr {

void CDepacketizerBase::reset()
{
    m_haveSeq = false;
    m_lossPending = false;
    m_dropping = false;
    discardPartial();
}

void CDepacketizerBase::lost(uint32_t count)
{
    m_lossPending = true;
}

void CDepacketizerBase::startDropping(uint32_t timestamp)
{
    m_dropping = true;
    m_dropTs = timestamp;
}

void CDepacketizerBase::input(const CRtpPacket& packet, IAccessUnitSink& sink)
{
    const uint16_t seq = packet.sequence();
    if (m_haveSeq) {
        const int16_t step = sequenceDiff(seq, m_lastSeq);
        if (step <= 0 && step > -1000)
            return; // a duplicate or a straggler the reorder buffer let through
        if (step != 1)
            m_lossPending = true; // a gap, or a jump so large it is a new numbering
    }
    m_haveSeq = true;
    m_lastSeq = seq;

    if (m_lossPending) {
        m_lossPending = false;
        uint32_t partialTs = 0;
        const bool hadPartial = partial(partialTs);
        if (hadPartial) {
            discardPartial();
            ++m_dropped;
        }
        if (lossSpoilsNextUnit() && !beginsUnit(packet)) {
            // Whatever was lost may belong to this packet's unit.
            if (!hadPartial || partialTs != packet.timestamp())
                ++m_dropped;
            startDropping(packet.timestamp());
        } else if (hadPartial && partialTs == packet.timestamp()) {
            startDropping(packet.timestamp()); // the rest of the unit that lost a piece
        }
    }
    if (m_dropping) {
        if (packet.timestamp() == m_dropTs && !beginsUnit(packet)) {
            if (packet.marker())
                m_dropping = false;
            return;
        }
        m_dropping = false;
    }
    depacketize(packet, sink);
}

void CDepacketizerBase::malformed(const CRtpPacket& packet, const char* why)
{
    ++m_malformed;
    ++m_dropped;
    Infra::logFilter(Infra::kLogDebug, "depacketizer %s: seq %u dropped: %s", codecName(m_codec),
                     packet.sequence(), why);
    discardPartial();
    if (!packet.marker())
        startDropping(packet.timestamp());
}

void CDepacketizerBase::deliver(const CAccessUnit& unit, IAccessUnitSink& sink)
{
    ++m_delivered;
    sink.onAccessUnit(unit);
}

} // namespace StreamSvr
} // namespace Zentar
