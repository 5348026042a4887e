#include "Stream/Media/RtpPacket.h"

namespace Zentar {
namespace StreamSvr {

namespace {

uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
void put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, static_cast<uint16_t>(v >> 16));
    put16(out, static_cast<uint16_t>(v));
}

const size_t kFixedHeader = 12;
const size_t kReplayExtensionSize = 12;

} // namespace

bool CRtpPacket::parse(const uint8_t* data, size_t size)
{
    *this = CRtpPacket();
    if (!data || size < kFixedHeader) {
        m_error = kRtpTooShort;
        return false;
    }
    if ((data[0] >> 6) != 2) {
        m_error = kRtpBadVersion;
        return false;
    }
    const bool padding = (data[0] & 0x20) != 0;
    const bool extension = (data[0] & 0x10) != 0;
    const unsigned cc = data[0] & 0x0F;
    size_t offset = kFixedHeader + cc * 4u;
    if (offset > size) {
        m_error = kRtpBadCsrc;
        return false;
    }
    if (extension) {
        if (offset + 4 > size) {
            m_error = kRtpBadExtension;
            return false;
        }
        const size_t extBytes = size_t(be16(data + offset + 2)) * 4u;
        if (offset + 4 + extBytes > size) {
            m_error = kRtpBadExtension;
            return false;
        }
        m_extensionProfile = be16(data + offset);
        m_extension = data + offset + 4;
        m_extensionSize = extBytes;
        offset += 4 + extBytes;
    }
    size_t end = size;
    if (padding) {
        const size_t pad = data[size - 1];
        if (pad == 0 || pad > size - offset) {
            *this = CRtpPacket();
            m_error = kRtpBadPadding;
            return false;
        }
        end -= pad;
        m_paddingSize = pad;
    }

    m_data = data;
    m_size = size;
    m_error = kRtpOk;
    m_marker = (data[1] & 0x80) != 0;
    m_payloadType = data[1] & 0x7F;
    m_sequence = be16(data + 2);
    m_timestamp = be32(data + 4);
    m_ssrc = be32(data + 8);
    m_csrcCount = cc;
    m_payload = data + offset;
    m_payloadSize = end - offset;

    // Devices that are not replaying sometimes reuse the profile number with another
    // length; only the exact three-word form is read as the replay extension.
    if (m_extension && m_extensionProfile == kReplayExtensionProfile && m_extensionSize >= kReplayExtensionSize) {
        const uint8_t* e = m_extension;
        m_replay.present = true;
        m_replay.ntpTimestamp = uint64_t(be32(e)) << 32 | be32(e + 4);
        m_replay.cleanPoint = (e[8] & 0x80) != 0;
        m_replay.end = (e[8] & 0x40) != 0;
        m_replay.discontinuity = (e[8] & 0x20) != 0;
        m_replay.terminate = (e[8] & 0x10) != 0;
        m_replay.cseq = e[9];
    }
    return true;
}

uint32_t CRtpPacket::csrc(unsigned index) const
{
    if (index >= m_csrcCount || !m_data)
        return 0;
    return be32(m_data + kFixedHeader + index * 4u);
}

void buildRtpPacket(const CRtpHeader& header, const uint8_t* payload, size_t size, std::vector<uint8_t>& out)
{
    out.clear();
    out.push_back(static_cast<uint8_t>(0x80 | (header.replay ? 0x10 : 0)));
    out.push_back(static_cast<uint8_t>((header.marker ? 0x80 : 0) | (header.payloadType & 0x7F)));
    put16(out, header.sequence);
    put32(out, header.timestamp);
    put32(out, header.ssrc);
    if (header.replay) {
        const CRtpReplayExtension& r = *header.replay;
        put16(out, CRtpPacket::kReplayExtensionProfile);
        put16(out, 3);
        put32(out, static_cast<uint32_t>(r.ntpTimestamp >> 32));
        put32(out, static_cast<uint32_t>(r.ntpTimestamp));
        out.push_back(static_cast<uint8_t>((r.cleanPoint ? 0x80 : 0) | (r.end ? 0x40 : 0) |
                                           (r.discontinuity ? 0x20 : 0) | (r.terminate ? 0x10 : 0)));
        out.push_back(r.cseq);
        put16(out, 0);
    }
    if (payload && size)
        out.insert(out.end(), payload, payload + size);
}

} // namespace StreamSvr
} // namespace Zentar
