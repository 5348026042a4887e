#pragma once
// What every depacketiser shares: the sequence check, the loss policy and the counters.
// Codecs implement depacketize() for in-order packets that are not being dropped.
#include "Stream/Media/Depacketizer.h"

namespace Zentar {
namespace StreamSvr {

class CDepacketizerBase : public IDepacketizer {
public:
    void input(const CRtpPacket& packet, IAccessUnitSink& sink) final;
    void lost(uint32_t count) final;
    void reset() override;

    EMediaCodec codec() const override { return m_codec; }
    uint32_t clockRate() const override { return m_clockRate; }
    uint64_t deliveredCount() const override { return m_delivered; }
    uint64_t droppedCount() const override { return m_dropped; }
    uint64_t malformedCount() const override { return m_malformed; }

protected:
    CDepacketizerBase(EMediaCodec codec, uint32_t clockRate) : m_codec(codec), m_clockRate(clockRate) {}

    virtual void depacketize(const CRtpPacket& packet, IAccessUnitSink& sink) = 0;
    // The unit being assembled, if any, and its timestamp.
    virtual bool partial(uint32_t& timestamp) const = 0;
    virtual void discardPartial() = 0;
    // Whether a packet certainly begins a new unit (so it need not be dropped after a
    // loss). Only formats that say so in the payload can answer true.
    virtual bool beginsUnit(const CRtpPacket& packet) const { return false; }
    // Video: a loss may have taken the first packets of the next picture, so the unit of
    // the first packet after a gap is dropped too. Audio units are self-contained.
    virtual bool lossSpoilsNextUnit() const { return true; }

    // A payload that cannot be read: the unit it belongs to is dropped.
    void malformed(const CRtpPacket& packet, const char* why);
    void deliver(const CAccessUnit& unit, IAccessUnitSink& sink);

private:
    void startDropping(uint32_t timestamp);

    EMediaCodec m_codec;
    uint32_t m_clockRate;
    bool m_haveSeq = false;
    uint16_t m_lastSeq = 0;
    bool m_lossPending = false;
    bool m_dropping = false;
    uint32_t m_dropTs = 0;
    uint64_t m_delivered = 0;
    uint64_t m_dropped = 0;
    uint64_t m_malformed = 0;
};

} // namespace StreamSvr
} // namespace Zentar
