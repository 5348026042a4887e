#include "Stream/Media/AacDepacketizer.h"

#include <cstdlib>

#include "Stream/Media/BitReader.h"
#include "Utils/ByteReader.h"

namespace Zentar {
namespace StreamSvr {

namespace {

const int kAacRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350};
const size_t kAdtsHeader = 7;
const size_t kMaxAdtsFrame = 8191;

unsigned fmtpBits(const std::map<std::string, std::string>& fmtp, const char* key, unsigned max)
{
    auto it = fmtp.find(key);
    if (it == fmtp.end())
        return 0;
    const long v = std::strtol(it->second.c_str(), nullptr, 10);
    return v > 0 && v <= long(max) ? unsigned(v) : 0;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

CAacDepacketizer::CAacDepacketizer(uint32_t clockRate, int channels, const std::map<std::string, std::string>& fmtp)
    : CDepacketizerBase(kCodecAac, clockRate), m_sampleRate(static_cast<int>(clockRate)), m_channels(channels)
{
    m_sizeLength = fmtpBits(fmtp, "sizelength", 32);
    m_indexLength = fmtpBits(fmtp, "indexlength", 32);
    m_indexDeltaLength = fmtpBits(fmtp, "indexdeltalength", 32);
    m_ctsDeltaLength = fmtpBits(fmtp, "ctsdeltalength", 32);
    m_dtsDeltaLength = fmtpBits(fmtp, "dtsdeltalength", 32);
    m_streamStateLength = fmtpBits(fmtp, "streamstateindication", 32);
    m_auxSizeLength = fmtpBits(fmtp, "auxiliarydatasizelength", 32);
    m_randomAccess = fmtpBits(fmtp, "randomaccessindication", 1) == 1;
    const unsigned duration = fmtpBits(fmtp, "constantduration", 1u << 20);
    if (duration)
        m_frameDuration = duration;

    // AudioSpecificConfig: object type (5) | rate index (4) | channel configuration (4)
    auto cfg = fmtp.find("config");
    if (cfg != fmtp.end() && cfg->second.size() >= 4) {
        const std::string& hex = cfg->second;
        uint8_t bytes[2];
        bool ok = true;
        for (int i = 0; i < 2; ++i) {
            const int hi = hexValue(hex[size_t(i) * 2]), lo = hexValue(hex[size_t(i) * 2 + 1]);
            ok = ok && hi >= 0 && lo >= 0;
            bytes[i] = static_cast<uint8_t>((hi << 4) | (lo & 0xF));
        }
        if (ok) {
            m_objectType = bytes[0] >> 3;
            m_rateIndex = static_cast<uint8_t>((bytes[0] & 7) << 1 | bytes[1] >> 7);
            m_channelConfig = (bytes[1] >> 3) & 0xF;
            // ADTS can say object types 1..4 and listed rates only.
            m_adts = m_objectType >= 1 && m_objectType <= 4 && m_rateIndex < 13 && m_channelConfig < 8;
            if (m_rateIndex < 13)
                m_sampleRate = kAacRates[m_rateIndex];
            if (m_channelConfig > 0 && m_channelConfig < 8)
                m_channels = m_channelConfig == 7 ? 8 : m_channelConfig;
        }
    }
    if (m_channels <= 0)
        m_channels = 1;
}

bool CAacDepacketizer::partial(uint32_t& timestamp) const
{
    timestamp = m_fragmentTs;
    return m_inFragment;
}

void CAacDepacketizer::discardPartial()
{
    m_inFragment = false;
    m_fragment.clear();
    m_fragmentSize = 0;
}

void CAacDepacketizer::emit(const uint8_t* data, size_t size, uint32_t timestamp, IAccessUnitSink& sink)
{
    CAccessUnit unit;
    unit.codec = kCodecAac;
    unit.rtpTimestamp = timestamp;
    unit.key = true;
    unit.frameType = 65;
    unit.sampleRate = m_sampleRate;
    unit.channels = m_channels;
    unit.data = data;
    unit.size = size;
    if (m_adts && size + kAdtsHeader <= kMaxAdtsFrame) {
        // ADTS, MPEG-4, no CRC: syncword, profile, rate index, channels, frame length,
        // buffer fullness 0x7FF (variable rate), one raw data block.
        const size_t len = size + kAdtsHeader;
        const uint8_t header[kAdtsHeader] = {
            0xFF,
            0xF1,
            static_cast<uint8_t>((m_objectType - 1) << 6 | m_rateIndex << 2 | m_channelConfig >> 2),
            static_cast<uint8_t>((m_channelConfig & 3) << 6 | (len >> 11)),
            static_cast<uint8_t>(len >> 3),
            static_cast<uint8_t>((len & 7) << 5 | 0x1F),
            0xFC,
        };
        m_out.assign(header, header + kAdtsHeader);
        m_out.insert(m_out.end(), data, data + size);
        unit.data = m_out.data();
        unit.size = m_out.size();
    }
    deliver(unit, sink);
}

void CAacDepacketizer::depacketize(const CRtpPacket& packet, IAccessUnitSink& sink)
{
    // | AU-headers-length (16, in bits) | AU-header ... | padding to a byte | [aux] | AU ... |
    Utils::CByteReader in(packet.payload(), packet.payloadSize());
    const size_t headerBits = in.be16();
    if (!in.ok())
        return malformed(packet, "AU headers length cut off");
    const size_t headerBytes = (headerBits + 7) / 8;
    const uint8_t* headerData = in.bytes(headerBytes);
    if (headerBits == 0 || !headerData)
        return malformed(packet, "AU headers beyond the packet");

    struct CHeader {
        uint32_t size;
        uint32_t index;
    } headers[kMaxHeadersPerPacket];
    unsigned count = 0;
    CBitReader r(headerData, headerBytes);
    uint32_t index = 0;
    // Another header starts while its size field still fits the announced bit count.
    while (headerBytes * 8 - r.bitsLeft() + m_sizeLength <= headerBits && count < kMaxHeadersPerPacket) {
        const uint32_t size = r.readBits(m_sizeLength);
        if (count == 0)
            r.readBits(m_indexLength); // the absolute index only orders interleaved streams
        else
            index += r.readBits(m_indexDeltaLength) + 1;
        if (m_ctsDeltaLength && count > 0 && r.readFlag())
            r.readBits(m_ctsDeltaLength);
        if (m_dtsDeltaLength && r.readFlag())
            r.readBits(m_dtsDeltaLength);
        if (m_randomAccess)
            r.readFlag();
        r.readBits(m_streamStateLength);
        if (r.overflow())
            return malformed(packet, "AU header cut off");
        headers[count++] = {size, index};
    }
    if (count == 0)
        return malformed(packet, "no AU header");

    if (m_auxSizeLength) {
        CBitReader aux(in.current(), in.remaining());
        const size_t auxBits = aux.readBits(m_auxSizeLength);
        if (aux.overflow())
            return malformed(packet, "auxiliary section cut off");
        in.skip((m_auxSizeLength + auxBits + 7) / 8);
        if (!in.ok())
            return malformed(packet, "auxiliary section beyond the packet");
    }
    const size_t dataLeft = in.remaining();
    const uint8_t* data = in.bytes(dataLeft);

    // One AU larger than what the packet carries: a fragment.
    if (count == 1 && headers[0].size > dataLeft) {
        const size_t total = headers[0].size;
        if (total > kMaxAuSize)
            return malformed(packet, "AU too large");
        if (!m_inFragment || m_fragmentTs != packet.timestamp() || m_fragmentSize != total) {
            if (m_inFragment)
                discardPartial();
            m_inFragment = true;
            m_fragmentTs = packet.timestamp();
            m_fragmentSize = total;
            m_fragment.clear();
        }
        if (m_fragment.size() + dataLeft > total)
            return malformed(packet, "AU fragments longer than the AU");
        m_fragment.insert(m_fragment.end(), data, data + dataLeft);
        if (m_fragment.size() == total) {
            emit(m_fragment.data(), m_fragment.size(), m_fragmentTs, sink);
            discardPartial();
        } else if (packet.marker()) {
            return malformed(packet, "last AU fragment short");
        }
        return;
    }
    if (m_inFragment) {
        // Last fragment: its header announces the whole AU, its data completes it.
        if (count == 1 && m_fragmentTs == packet.timestamp() && m_fragmentSize == headers[0].size &&
            m_fragment.size() + dataLeft == m_fragmentSize) {
            m_fragment.insert(m_fragment.end(), data, data + dataLeft);
            emit(m_fragment.data(), m_fragment.size(), m_fragmentTs, sink);
            discardPartial();
            return;
        }
        discardPartial();
    }

    size_t total = 0;
    for (unsigned i = 0; i < count; ++i)
        total += headers[i].size;
    if (total > dataLeft)
        return malformed(packet, "AU sizes beyond the packet");
    for (unsigned i = 0; i < count; ++i) {
        if (headers[i].size == 0)
            continue;
        emit(data, headers[i].size, packet.timestamp() + headers[i].index * m_frameDuration, sink);
        data += headers[i].size;
    }
}

} // namespace StreamSvr
} // namespace Zentar
