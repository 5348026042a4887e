#include "Stream/Media/AudioDepacketizer.h"

namespace Zentar {
namespace StreamSvr {

CAudioDepacketizer::CAudioDepacketizer(EMediaCodec codec, uint32_t clockRate, int channels, int bitRate)
    : CDepacketizerBase(codec, clockRate), m_channels(channels > 0 ? channels : 1), m_bitRate(bitRate)
{
}

void CAudioDepacketizer::depacketize(const CRtpPacket& packet, IAccessUnitSink& sink)
{
    if (packet.payloadSize() == 0)
        return;
    // L16 samples are two bytes per channel; half a sample means a cut packet.
    if (codec() == kCodecL16 && packet.payloadSize() % (2u * unsigned(m_channels)) != 0)
        return malformed(packet, "L16 payload is not a whole number of samples");
    CAccessUnit unit;
    unit.codec = codec();
    unit.rtpTimestamp = packet.timestamp();
    unit.key = true;
    unit.frameType = 65;
    unit.sampleRate = static_cast<int>(clockRate());
    unit.channels = m_channels;
    unit.bitRate = m_bitRate;
    unit.data = packet.payload();
    unit.size = packet.payloadSize();
    deliver(unit, sink);
}

} // namespace StreamSvr
} // namespace Zentar
