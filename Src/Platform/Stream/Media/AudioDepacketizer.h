#pragma once
// Audio payloads where every RTP packet is one frame of samples as they are (G.711
// mu-law and A-law, G.726 at 16/24/32/40 kbit/s, L16). A lost packet costs only itself.
#include "Stream/Media/DepacketizerBase.h"

namespace Zentar {
namespace StreamSvr {

class CAudioDepacketizer : public CDepacketizerBase {
public:
    CAudioDepacketizer(EMediaCodec codec, uint32_t clockRate, int channels, int bitRate = 0);

    void flush(IAccessUnitSink& sink) override {}

protected:
    void depacketize(const CRtpPacket& packet, IAccessUnitSink& sink) override;
    bool partial(uint32_t& timestamp) const override { return false; }
    void discardPartial() override {}
    bool lossSpoilsNextUnit() const override { return false; }

private:
    int m_channels;
    int m_bitRate;
};

} // namespace StreamSvr
} // namespace Zentar
