#include "Stream/Media/RtpPacket.h"

#include "Utils/ByteReader.h"

namespace Zentar {
namespace StreamSvr {

using Utils::CByteReader;

namespace {

const size_t kFixedHeader = 12;
const size_t kReplayExtensionSize = 12;

} // namespace

bool CRtpPacket::parse(const uint8_t* data, size_t size)
{
    *this = CRtpPacket();
    CByteReader in(data, size);
    const uint8_t first = in.u8();
    const uint8_t second = in.u8();
    const uint16_t sequence = in.be16();
    const uint32_t timestamp = in.be32();
    const uint32_t ssrc = in.be32();
    if (!in.ok()) {
        m_error = kRtpTooShort;
        return false;
    }
    if ((first >> 6) != 2) {
        m_error = kRtpBadVersion;
        return false;
    }
    const unsigned cc = first & 0x0F;
    in.skip(cc * 4u);
    if (!in.ok()) {
        m_error = kRtpBadCsrc;
        return false;
    }
    if (first & 0x10) {
        m_extensionProfile = in.be16();
        m_extensionSize = size_t(in.be16()) * 4u;
        m_extension = in.bytes(m_extensionSize);
        if (!in.ok()) {
            *this = CRtpPacket();
            m_error = kRtpBadExtension;
            return false;
        }
    }
    size_t pad = 0;
    if (first & 0x20) {
        pad = data[size - 1];
        if (pad == 0 || pad > in.remaining()) {
            *this = CRtpPacket();
            m_error = kRtpBadPadding;
            return false;
        }
        m_paddingSize = pad;
    }

    m_data = data;
    m_size = size;
    m_error = kRtpOk;
    m_marker = (second & 0x80) != 0;
    m_payloadType = second & 0x7F;
    m_sequence = sequence;
    m_timestamp = timestamp;
    m_ssrc = ssrc;
    m_csrcCount = cc;
    m_payload = in.current();
    m_payloadSize = in.remaining() - pad;

    // Devices that are not replaying sometimes reuse the profile number with another
    // length; only the exact three-word form is read as the replay extension.
    if (m_extension && m_extensionProfile == kReplayExtensionProfile && m_extensionSize >= kReplayExtensionSize) {
        CByteReader e(m_extension, m_extensionSize);
        m_replay.present = true;
        m_replay.ntpTimestamp = e.be64();
        const uint8_t flags = e.u8();
        m_replay.cleanPoint = (flags & 0x80) != 0;
        m_replay.end = (flags & 0x40) != 0;
        m_replay.discontinuity = (flags & 0x20) != 0;
        m_replay.terminate = (flags & 0x10) != 0;
        m_replay.cseq = e.u8();
    }
    return true;
}

uint32_t CRtpPacket::csrc(unsigned index) const
{
    if (index >= m_csrcCount || !m_data)
        return 0;
    CByteReader in(m_data + kFixedHeader + index * 4u, 4);
    return in.be32();
}

void buildRtpPacket(const CRtpHeader& header, const uint8_t* payload, size_t size, std::vector<uint8_t>& out)
{
    out.clear();
    out.push_back(static_cast<uint8_t>(0x80 | (header.replay ? 0x10 : 0)));
    out.push_back(static_cast<uint8_t>((header.marker ? 0x80 : 0) | (header.payloadType & 0x7F)));
    Utils::appendBe16(out, header.sequence);
    Utils::appendBe32(out, header.timestamp);
    Utils::appendBe32(out, header.ssrc);
    if (header.replay) {
        const CRtpReplayExtension& r = *header.replay;
        Utils::appendBe16(out, CRtpPacket::kReplayExtensionProfile);
        Utils::appendBe16(out, 3);
        Utils::appendBe32(out, static_cast<uint32_t>(r.ntpTimestamp >> 32));
        Utils::appendBe32(out, static_cast<uint32_t>(r.ntpTimestamp));
        out.push_back(static_cast<uint8_t>((r.cleanPoint ? 0x80 : 0) | (r.end ? 0x40 : 0) |
                                           (r.discontinuity ? 0x20 : 0) | (r.terminate ? 0x10 : 0)));
        out.push_back(r.cseq);
        Utils::appendBe16(out, 0);
    }
    if (payload && size)
        out.insert(out.end(), payload, payload + size);
}

} // namespace StreamSvr
} // namespace Zentar
