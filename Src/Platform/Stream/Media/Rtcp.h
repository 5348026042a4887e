#pragma once
// RTCP pieces a receiver needs (RFC 3550): reception statistics, receiver reports with an
// SDES CNAME, and sender reports read back for their NTP <-> RTP time mapping.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Zentar {
namespace StreamSvr {

// One report block of a receiver report.
struct CRtcpReportBlock {
    uint32_t ssrc = 0;              // the source reported on
    uint8_t fractionLost = 0;       // lost since the previous report, in 1/256
    int32_t cumulativeLost = 0;     // 24-bit signed on the wire
    uint32_t extendedHighestSeq = 0;
    uint32_t jitter = 0;            // timestamp units
    uint32_t lastSr = 0;            // middle 32 bits of the last SR's NTP time; 0 = none yet
    uint32_t delaySinceLastSr = 0;  // 1/65536 s
};

// Per-source reception statistics (RFC 3550 appendix A.1, A.3, A.8).
class CRtpReceiveStats {
public:
    explicit CRtpReceiveStats(uint32_t clockRate = 90000) : m_clockRate(clockRate) {}

    // Every packet as it arrives (before reordering); arrivalMs is a monotonic clock.
    void onPacket(uint32_t ssrc, uint16_t seq, uint32_t rtpTimestamp, uint64_t arrivalMs);
    // A sender report from that source, to echo its time in the next report block.
    void onSenderReport(uint64_t ntpTimestamp, uint64_t arrivalMs);
    // Fills a report block and starts the next interval (fraction lost is per interval).
    bool makeReportBlock(uint64_t nowMs, CRtcpReportBlock& block);

    uint32_t ssrc() const { return m_ssrc; }
    bool hasSource() const { return m_received > 0; }

private:
    uint32_t m_clockRate;
    uint32_t m_ssrc = 0;
    uint64_t m_received = 0;
    uint16_t m_baseSeq = 0;
    uint16_t m_maxSeq = 0;
    uint32_t m_cycles = 0;
    uint64_t m_expectedPrior = 0;
    uint64_t m_receivedPrior = 0;
    double m_jitter = 0.0;
    bool m_haveTransit = false;
    int64_t m_transit = 0;
    uint32_t m_lastSr = 0;
    uint64_t m_lastSrArrivalMs = 0;
};

// Compound RR + SDES(CNAME) packet, replacing out. At most 31 blocks are written.
void buildReceiverReport(uint32_t senderSsrc, const CRtcpReportBlock* blocks, size_t count,
                         const std::string& cname, std::vector<uint8_t>& out);

struct CRtcpSenderReport {
    uint32_t ssrc = 0;
    uint64_t ntpTimestamp = 0;   // seconds since 1900 << 32 | fraction
    uint32_t rtpTimestamp = 0;   // the same instant on the media clock
    uint32_t packetCount = 0;
    uint32_t octetCount = 0;
};

// Finds the first sender report in a (compound) RTCP packet. False when there is none or
// the packet is malformed (a length running past the end, a wrong version).
bool parseSenderReport(const uint8_t* data, size_t size, CRtcpSenderReport& out);

// Maps RTP timestamps of one source to wall-clock time through its last sender report.
class CRtpTimeMapper {
public:
    void setClockRate(uint32_t rate) { m_clockRate = rate; }
    void onSenderReport(const CRtcpSenderReport& report);
    bool valid() const { return m_valid && m_clockRate > 0; }
    // Milliseconds since 1970 (UTC) of an RTP timestamp near the report's; false without SR.
    bool toUnixMs(uint32_t rtpTimestamp, int64_t& unixMs) const;

private:
    bool m_valid = false;
    uint32_t m_clockRate = 0;
    uint64_t m_ntp = 0;
    uint32_t m_rtp = 0;
};

// NTP time (seconds since 1900 << 32 | fraction) to milliseconds since 1970 and back.
int64_t ntpToUnixMs(uint64_t ntp);
uint64_t unixMsToNtp(int64_t unixMs);

} // namespace StreamSvr
} // namespace Zentar
