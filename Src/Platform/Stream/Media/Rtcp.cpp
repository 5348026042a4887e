#include "Stream/Media/Rtcp.h"

#include <algorithm>
#include <cmath>

#include "Utils/ByteReader.h"

namespace Zentar {
namespace StreamSvr {

namespace {

const uint8_t kPtSenderReport = 200;
const uint8_t kPtReceiverReport = 201;
const uint8_t kPtSdes = 202;
const uint8_t kSdesCname = 1;
const int64_t kNtpUnixOffsetSeconds = 2208988800LL; // 1900-01-01 to 1970-01-01
const uint16_t kMaxDropout = 3000;
const uint16_t kMaxMisorder = 100;

} // namespace

int64_t ntpToUnixMs(uint64_t ntp)
{
    const int64_t seconds = static_cast<int64_t>(ntp >> 32) - kNtpUnixOffsetSeconds;
    const int64_t millis = static_cast<int64_t>(((ntp & 0xFFFFFFFFull) * 1000u) >> 32);
    return seconds * 1000 + millis;
}

uint64_t unixMsToNtp(int64_t unixMs)
{
    const int64_t seconds = unixMs / 1000 + kNtpUnixOffsetSeconds;
    const uint64_t frac = (static_cast<uint64_t>(unixMs % 1000) << 32) / 1000u;
    return static_cast<uint64_t>(seconds) << 32 | frac;
}

void CRtpReceiveStats::onPacket(uint32_t ssrc, uint16_t seq, uint32_t rtpTimestamp, uint64_t arrivalMs)
{
    if (m_received == 0 || ssrc != m_ssrc) {
        *this = CRtpReceiveStats(m_clockRate);
        m_ssrc = ssrc;
        m_baseSeq = m_maxSeq = seq;
    } else {
        const uint16_t delta = static_cast<uint16_t>(seq - m_maxSeq);
        if (delta < kMaxDropout) {
            if (seq < m_maxSeq)
                m_cycles += 65536;
            m_maxSeq = seq;
        } else if (delta <= 65535 - kMaxMisorder) {
            // A jump too large to be loss: the sender restarted its numbering.
            m_baseSeq = m_maxSeq = seq;
            m_cycles = 0;
            m_received = 0;
            m_expectedPrior = m_receivedPrior = 0;
        }
        // else: late or duplicate; counted as received like RFC 3550 does
    }
    ++m_received;

    // Interarrival jitter (RFC 3550 6.4.1) in timestamp units.
    const int64_t arrival = static_cast<int64_t>(arrivalMs * m_clockRate / 1000u);
    const int64_t transit = arrival - static_cast<int64_t>(rtpTimestamp);
    if (m_haveTransit) {
        int64_t d = transit - m_transit;
        // The RTP clock wraps at 2^32: bring the difference back near zero.
        d = static_cast<int32_t>(static_cast<uint32_t>(d));
        m_jitter += (std::fabs(static_cast<double>(d)) - m_jitter) / 16.0;
    }
    m_transit = transit;
    m_haveTransit = true;
}

void CRtpReceiveStats::onSenderReport(uint64_t ntpTimestamp, uint64_t arrivalMs)
{
    m_lastSr = static_cast<uint32_t>(ntpTimestamp >> 16);
    m_lastSrArrivalMs = arrivalMs;
}

bool CRtpReceiveStats::makeReportBlock(uint64_t nowMs, CRtcpReportBlock& block)
{
    block = CRtcpReportBlock();
    if (m_received == 0)
        return false;
    const uint64_t extendedMax = m_cycles + m_maxSeq;
    const uint64_t expected = extendedMax - m_baseSeq + 1;
    int64_t lost = static_cast<int64_t>(expected) - static_cast<int64_t>(m_received);
    lost = std::min<int64_t>(std::max<int64_t>(lost, -0x800000), 0x7FFFFF);

    const uint64_t expectedInterval = expected - m_expectedPrior;
    const uint64_t receivedInterval = m_received - m_receivedPrior;
    m_expectedPrior = expected;
    m_receivedPrior = m_received;
    const int64_t lostInterval = static_cast<int64_t>(expectedInterval) - static_cast<int64_t>(receivedInterval);
    uint8_t fraction = 0;
    if (expectedInterval > 0 && lostInterval > 0)
        fraction = static_cast<uint8_t>(std::min<uint64_t>((uint64_t(lostInterval) << 8) / expectedInterval, 255));

    block.ssrc = m_ssrc;
    block.fractionLost = fraction;
    block.cumulativeLost = static_cast<int32_t>(lost);
    block.extendedHighestSeq = static_cast<uint32_t>(extendedMax);
    block.jitter = static_cast<uint32_t>(m_jitter);
    block.lastSr = m_lastSr;
    if (m_lastSr != 0 && nowMs >= m_lastSrArrivalMs)
        block.delaySinceLastSr = static_cast<uint32_t>((nowMs - m_lastSrArrivalMs) * 65536u / 1000u);
    return true;
}

//   RR: |V=2|P|  RC   | PT=201 | length | SSRC of sender | report blocks (24 bytes each)
//   SDES: |V=2|P| SC=1 | PT=202 | length | SSRC | CNAME=1 | len | text | 0 ... pad to 32 bits
void buildReceiverReport(uint32_t senderSsrc, const CRtcpReportBlock* blocks, size_t count,
                         const std::string& cname, std::vector<uint8_t>& out)
{
    out.clear();
    if (!blocks)
        count = 0;
    count = std::min<size_t>(count, 31);
    out.push_back(static_cast<uint8_t>(0x80 | count));
    out.push_back(kPtReceiverReport);
    Utils::appendBe16(out, static_cast<uint16_t>((8 + 24 * count) / 4 - 1));
    Utils::appendBe32(out, senderSsrc);
    for (size_t i = 0; i < count; ++i) {
        const CRtcpReportBlock& b = blocks[i];
        Utils::appendBe32(out, b.ssrc);
        const uint32_t lost24 = static_cast<uint32_t>(b.cumulativeLost) & 0xFFFFFFu;
        Utils::appendBe32(out, uint32_t(b.fractionLost) << 24 | lost24);
        Utils::appendBe32(out, b.extendedHighestSeq);
        Utils::appendBe32(out, b.jitter);
        Utils::appendBe32(out, b.lastSr);
        Utils::appendBe32(out, b.delaySinceLastSr);
    }

    const size_t nameLen = std::min<size_t>(cname.size(), 255);
    size_t chunk = 4 + 2 + nameLen + 1; // SSRC, item header, text, end item
    chunk = (chunk + 3) & ~size_t(3);
    const size_t sdesStart = out.size();
    out.push_back(0x81);
    out.push_back(kPtSdes);
    Utils::appendBe16(out, static_cast<uint16_t>((4 + chunk) / 4 - 1));
    Utils::appendBe32(out, senderSsrc);
    out.push_back(kSdesCname);
    out.push_back(static_cast<uint8_t>(nameLen));
    out.insert(out.end(), cname.begin(), cname.begin() + static_cast<std::ptrdiff_t>(nameLen));
    out.resize(sdesStart + 4 + chunk, 0); // end item and padding are zero bytes
}

bool parseSenderReport(const uint8_t* data, size_t size, CRtcpSenderReport& out)
{
    Utils::CByteReader in(data, size);
    // Bounded by the size: every packet consumes at least 4 bytes.
    while (in.remaining() >= 4) {
        const uint8_t first = in.u8();
        const uint8_t type = in.u8();
        Utils::CByteReader packet = in.sub(size_t(in.be16()) * 4u);
        if (!in.ok() || (first >> 6) != 2)
            return false;
        if (type == kPtSenderReport) {
            CRtcpSenderReport report;
            report.ssrc = packet.be32();
            report.ntpTimestamp = packet.be64();
            report.rtpTimestamp = packet.be32();
            report.packetCount = packet.be32();
            report.octetCount = packet.be32();
            if (!packet.ok())
                return false;
            out = report;
            return true;
        }
    }
    return false;
}

void CRtpTimeMapper::onSenderReport(const CRtcpSenderReport& report)
{
    m_ntp = report.ntpTimestamp;
    m_rtp = report.rtpTimestamp;
    m_valid = true;
}

bool CRtpTimeMapper::toUnixMs(uint32_t rtpTimestamp, int64_t& unixMs) const
{
    if (!valid())
        return false;
    // Signed 32-bit difference: timestamps on either side of the report, across a wrap.
    const int64_t delta = static_cast<int32_t>(rtpTimestamp - m_rtp);
    unixMs = ntpToUnixMs(m_ntp) + delta * 1000 / static_cast<int64_t>(m_clockRate);
    return true;
}

} // namespace StreamSvr
} // namespace Zentar
