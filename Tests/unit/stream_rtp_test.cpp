// RTP packet reading, reordering of UDP packets, and the RTCP bytes a receiver sends and reads.
#include <gtest/gtest.h>

#include <vector>

#include "Stream/Media/Rtcp.h"
#include "Stream/Media/RtpPacket.h"
#include "Stream/Media/RtpReorderBuffer.h"

using namespace Zentar::StreamSvr;

namespace {

std::vector<uint8_t> rtp(uint16_t seq, uint32_t ts = 1000, bool marker = false, std::vector<uint8_t> payload = {0xAA})
{
    CRtpHeader h;
    h.sequence = seq;
    h.timestamp = ts;
    h.marker = marker;
    h.payloadType = 96;
    h.ssrc = 0x11223344;
    std::vector<uint8_t> out;
    buildRtpPacket(h, payload.data(), payload.size(), out);
    return out;
}

} // namespace

TEST(StreamRtpPacket, ReadsEveryHeaderField)
{
    // V=2 P=1 X=1 CC=2 | M=1 PT=96 | seq 0xBEEF | ts | ssrc | 2 CSRC | ext 0x1234 len 1 | payload 3 | pad 2
    const std::vector<uint8_t> bytes = {
        0xB2, 0xE0, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04, 0xCA, 0xFE, 0xBA, 0xBE,
        0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02,
        0x12, 0x34, 0x00, 0x01, 0xDE, 0xAD, 0xBE, 0xEF,
        0x61, 0x62, 0x63, 0x00, 0x02,
    };
    CRtpPacket p;
    ASSERT_TRUE(p.parse(bytes.data(), bytes.size()));
    EXPECT_TRUE(p.marker());
    EXPECT_EQ(96, p.payloadType());
    EXPECT_EQ(0xBEEF, p.sequence());
    EXPECT_EQ(0x01020304u, p.timestamp());
    EXPECT_EQ(0xCAFEBABEu, p.ssrc());
    ASSERT_EQ(2u, p.csrcCount());
    EXPECT_EQ(2u, p.csrc(1));
    EXPECT_EQ(0u, p.csrc(2));
    ASSERT_TRUE(p.hasExtension());
    EXPECT_EQ(0x1234, p.extensionProfile());
    EXPECT_EQ(4u, p.extensionSize());
    EXPECT_FALSE(p.replay().present);
    ASSERT_EQ(3u, p.payloadSize());
    EXPECT_EQ(0x61, p.payload()[0]);
    EXPECT_EQ(2u, p.paddingSize());
}

TEST(StreamRtpPacket, ReplayExtensionRoundTrip)
{
    CRtpReplayExtension ext;
    ext.ntpTimestamp = 0xE2A1B2C3D4E5F607ull;
    ext.cleanPoint = true;
    ext.discontinuity = true;
    ext.cseq = 0x42;
    CRtpHeader h;
    h.sequence = 7;
    h.replay = &ext;
    const uint8_t payload[] = {1, 2, 3};
    std::vector<uint8_t> bytes;
    buildRtpPacket(h, payload, sizeof payload, bytes);
    ASSERT_EQ(12u + 16u + 3u, bytes.size());
    EXPECT_EQ(0xAB, bytes[12]);
    EXPECT_EQ(0xAC, bytes[13]);
    EXPECT_EQ(0xA0, bytes[24]); // C and D set, E and T clear

    CRtpPacket p;
    ASSERT_TRUE(p.parse(bytes.data(), bytes.size()));
    ASSERT_TRUE(p.replay().present);
    EXPECT_EQ(ext.ntpTimestamp, p.replay().ntpTimestamp);
    EXPECT_TRUE(p.replay().cleanPoint);
    EXPECT_FALSE(p.replay().end);
    EXPECT_TRUE(p.replay().discontinuity);
    EXPECT_EQ(0x42, p.replay().cseq);
    EXPECT_EQ(3u, p.payloadSize());
}

TEST(StreamRtpPacket, RefusesMalformedPackets)
{
    const struct {
        const char* why;
        std::vector<uint8_t> bytes;
        ERtpParseError error;
    } cases[] = {
        {"empty", {}, kRtpTooShort},
        {"eleven bytes", {0x80, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, kRtpTooShort},
        {"version 1", {0x40, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, kRtpBadVersion},
        {"version 0 (a $-frame misread)", {0x00, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 5}, kRtpBadVersion},
        {"CSRC list past the end", {0x83, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, kRtpBadCsrc},
        {"extension header cut", {0x90, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xAB, 0xAC}, kRtpBadExtension},
        {"extension length past the end", {0x90, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xAB, 0xAC, 0, 3, 1, 2, 3, 4}, kRtpBadExtension},
        {"padding count zero", {0xA0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0}, kRtpBadPadding},
        {"padding larger than payload", {0xA0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 9, 3}, kRtpBadPadding},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        CRtpPacket p;
        EXPECT_FALSE(p.parse(c.bytes.data(), c.bytes.size()));
        EXPECT_EQ(c.error, p.error());
        EXPECT_EQ(0u, p.payloadSize());
    }
    CRtpPacket p;
    EXPECT_FALSE(p.parse(nullptr, 100));
}

TEST(StreamRtpPacket, EveryTruncationOfAValidPacketIsRefusedOrShorter)
{
    CRtpReplayExtension ext;
    CRtpHeader h;
    h.replay = &ext;
    const uint8_t payload[] = {9, 9, 9, 9};
    std::vector<uint8_t> bytes;
    buildRtpPacket(h, payload, sizeof payload, bytes);
    for (size_t len = 0; len < bytes.size(); ++len) {
        CRtpPacket p;
        if (p.parse(bytes.data(), len)) // only cuts inside the payload may still parse
            EXPECT_EQ(len - 28, p.payloadSize()) << len;
        else
            EXPECT_LT(len, 28u) << len;
    }
}

TEST(StreamRtpPacket, SequenceArithmeticWraps)
{
    EXPECT_EQ(1, sequenceDiff(0, 65535));
    EXPECT_EQ(-1, sequenceDiff(65535, 0));
    EXPECT_EQ(10, sequenceDiff(5, 65531));
    EXPECT_EQ(-32768, sequenceDiff(32768, 0));
}

// ---------------------------------------------------------------- reorder buffer

namespace {

struct CDrain {
    std::vector<uint16_t> seqs;
    std::vector<uint32_t> lost;
};

void drain(CRtpReorderBuffer& buffer, uint64_t now, CDrain& out)
{
    CRtpPacket p;
    uint32_t lost = 0;
    for (int i = 0; i < 1000 && buffer.pop(now, p, lost); ++i) {
        out.seqs.push_back(p.sequence());
        out.lost.push_back(lost);
    }
}

} // namespace

TEST(StreamRtpReorder, Scenarios)
{
    const struct {
        const char* name;
        std::vector<uint16_t> arrivals;
        std::vector<uint16_t> delivered; // after each push is drained at the same instant
        uint64_t lost;
    } cases[] = {
        {"in order", {10, 11, 12}, {10, 11, 12}, 0},
        {"swap", {10, 12, 11, 13}, {10, 11, 12, 13}, 0},
        {"wrap in order", {65534, 65535, 0, 1}, {65534, 65535, 0, 1}, 0},
        {"swap across the wrap", {65534, 0, 65535, 1}, {65534, 65535, 0, 1}, 0},
        {"duplicates dropped", {5, 5, 6, 6, 7}, {5, 6, 7}, 0},
        {"late after delivery dropped", {5, 6, 7, 6}, {5, 6, 7}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRtpReorderBuffer buffer(8, 100);
        CDrain out;
        for (uint16_t seq : c.arrivals) {
            const auto bytes = rtp(seq);
            buffer.push(bytes.data(), bytes.size(), 0);
            drain(buffer, 0, out);
        }
        EXPECT_EQ(c.delivered, out.seqs);
        EXPECT_EQ(c.lost, buffer.lostCount());
    }
}

// What push() makes of a packet near each boundary: the wrap of the 16-bit number, and the
// 3000-packet dropout beyond which a jump must be confirmed by the packet after it.
TEST(StreamRtpReorder, VerdictsAtTheWrapAndTheDropoutLimit)
{
    using R = CRtpReorderBuffer::EPushResult;
    const R stored = CRtpReorderBuffer::kPushStored;
    const R late = CRtpReorderBuffer::kPushLate;
    const struct {
        const char* name;
        std::vector<uint16_t> delivered;   // pushed and handed out first
        std::vector<uint16_t> pushed;
        std::vector<R> verdicts;
    } cases[] = {
        {"next across the wrap", {65534, 65535}, {0, 1}, {stored, stored}},
        {"late across the wrap", {65534, 65535, 0, 1}, {65535, 65534}, {late, late}},
        {"3000 ahead is a gap to skip", {9}, {3010}, {stored}},
        {"3001 ahead waits for the next packet", {9}, {3011, 3012}, {late, stored}},
        {"3000 behind is late", {5000}, {2001, 2002}, {late, late}},
        {"beyond 3000 behind twice in a row is a restart", {5000}, {1999, 2000}, {late, stored}},
        {"3001 ahead across the wrap", {65000}, {2466, 2467}, {late, stored}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRtpReorderBuffer buffer(8, 100);
        CDrain out;
        for (uint16_t seq : c.delivered) {
            const auto bytes = rtp(seq);
            ASSERT_EQ(stored, buffer.push(bytes.data(), bytes.size(), 0));
            drain(buffer, 0, out);
        }
        ASSERT_EQ(c.delivered, out.seqs);
        std::vector<R> verdicts;
        for (uint16_t seq : c.pushed) {
            const auto bytes = rtp(seq);
            verdicts.push_back(buffer.push(bytes.data(), bytes.size(), 0));
        }
        EXPECT_EQ(c.verdicts, verdicts);
    }
}

TEST(StreamRtpReorder, GapIsWaitedForThenSkippedOnTimeout)
{
    CRtpReorderBuffer buffer(8, 100);
    CDrain out;
    for (uint16_t seq : {1, 2, 4, 5}) {
        const auto bytes = rtp(seq);
        buffer.push(bytes.data(), bytes.size(), 1000);
        drain(buffer, 1000, out);
    }
    EXPECT_EQ((std::vector<uint16_t>{1, 2}), out.seqs);
    EXPECT_EQ(100, buffer.nextTimeout(1000));
    EXPECT_EQ(40, buffer.nextTimeout(1060));
    drain(buffer, 1099, out);
    EXPECT_EQ(2u, out.seqs.size());
    drain(buffer, 1100, out);
    EXPECT_EQ((std::vector<uint16_t>{1, 2, 4, 5}), out.seqs);
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 1, 0}), out.lost);
    EXPECT_EQ(1u, buffer.lostCount());
    EXPECT_EQ(-1, buffer.nextTimeout(1100));

    // The skipped packet arriving now is late.
    const auto bytes = rtp(3);
    EXPECT_EQ(CRtpReorderBuffer::kPushLate, buffer.push(bytes.data(), bytes.size(), 1200));
}

TEST(StreamRtpReorder, FullBufferSkipsTheGapWithoutWaiting)
{
    CRtpReorderBuffer buffer(4, 100000);
    CDrain out;
    for (uint16_t seq : {100, 102, 103, 104, 105}) {
        const auto bytes = rtp(seq);
        buffer.push(bytes.data(), bytes.size(), 0);
        drain(buffer, 0, out);
    }
    EXPECT_EQ((std::vector<uint16_t>{100, 102, 103, 104, 105}), out.seqs);
    EXPECT_EQ(1u, out.lost[1]);
}

TEST(StreamRtpReorder, SenderRestartIsFollowedAfterConfirmation)
{
    CRtpReorderBuffer buffer(8, 100);
    CDrain out;
    for (uint16_t seq : {40000, 40001, 100, 101, 102}) {
        const auto bytes = rtp(seq);
        buffer.push(bytes.data(), bytes.size(), 0);
        drain(buffer, 0, out);
    }
    // 100 alone is not believed; 101 confirms it.
    EXPECT_EQ((std::vector<uint16_t>{40000, 40001, 101, 102}), out.seqs);
}

TEST(StreamRtpReorder, RefusesGarbageAndKeepsBytesValidUntilNextCall)
{
    CRtpReorderBuffer buffer(4, 100);
    const uint8_t garbage[] = {0x12, 0x34};
    EXPECT_EQ(CRtpReorderBuffer::kPushMalformed, buffer.push(garbage, sizeof garbage, 0));
    // The largest datagram is held; one byte more is refused.
    std::vector<uint8_t> largest = rtp(0, 1000, false, std::vector<uint8_t>(65536 - 12, 0x55));
    ASSERT_EQ(65536u, largest.size());
    EXPECT_EQ(CRtpReorderBuffer::kPushStored, buffer.push(largest.data(), largest.size(), 0));
    largest.push_back(0x55);
    EXPECT_EQ(CRtpReorderBuffer::kPushMalformed, buffer.push(largest.data(), largest.size(), 0));
    buffer.reset();

    auto a = rtp(1, 5, false, {1, 2, 3});
    ASSERT_EQ(CRtpReorderBuffer::kPushStored, buffer.push(a.data(), a.size(), 0));
    a.assign(a.size(), 0); // the buffer holds its own copy
    CRtpPacket p;
    uint32_t lost = 0;
    ASSERT_TRUE(buffer.pop(0, p, lost));
    EXPECT_EQ(1, p.sequence());
    EXPECT_EQ(3, p.payload()[2]);
}

TEST(StreamRtpReorder, NeverPoppedBufferRefusesInsteadOfGrowing)
{
    CRtpReorderBuffer buffer(2, 1000000);
    int full = 0;
    for (uint16_t seq = 10; seq < 20; seq += 2) { // every other one missing: nothing is due
        const auto bytes = rtp(seq);
        if (buffer.push(bytes.data(), bytes.size(), 0) == CRtpReorderBuffer::kPushFull)
            ++full;
    }
    EXPECT_EQ(3u, buffer.held());
    EXPECT_EQ(2, full);
}

// ---------------------------------------------------------------- RTCP

TEST(StreamRtcp, ReceiverReportBytes)
{
    CRtcpReportBlock block;
    block.ssrc = 0x01020304;
    block.fractionLost = 0x40;
    block.cumulativeLost = -2;
    block.extendedHighestSeq = 0x00010005;
    block.jitter = 0x20;
    block.lastSr = 0xAABBCCDD;
    block.delaySinceLastSr = 0x00018000;
    std::vector<uint8_t> out;
    buildReceiverReport(0xCAFEBABE, &block, 1, "cam", out);
    const std::vector<uint8_t> expected = {
        0x81, 201, 0x00, 0x07, 0xCA, 0xFE, 0xBA, 0xBE,   // RR, one block, 8 words
        0x01, 0x02, 0x03, 0x04, 0x40, 0xFF, 0xFF, 0xFE,   // ssrc, fraction, -2 in 24 bits
        0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x20,   // highest seq, jitter
        0xAA, 0xBB, 0xCC, 0xDD, 0x00, 0x01, 0x80, 0x00,   // LSR, DLSR
        0x81, 202, 0x00, 0x03, 0xCA, 0xFE, 0xBA, 0xBE,   // SDES, one chunk, 4 words
        0x01, 0x03, 'c', 'a', 'm', 0x00, 0x00, 0x00,     // CNAME "cam", end, pad
    };
    EXPECT_EQ(expected, out);

    // No block: an empty RR still leads the compound packet.
    buildReceiverReport(1, nullptr, 0, "", out);
    ASSERT_EQ(8u + 12u, out.size());
    EXPECT_EQ((std::vector<uint8_t>{0x80, 201, 0x00, 0x01}), std::vector<uint8_t>(out.begin(), out.begin() + 4));
    EXPECT_EQ(0x00, out[8 + 12 - 1]); // empty CNAME: item header, end item, padding
}

TEST(StreamRtcp, SenderReportInCompoundPacket)
{
    const std::vector<uint8_t> bytes = {
        0x80, 201, 0x00, 0x01, 0, 0, 0, 9,                      // an empty RR first
        0x80, 200, 0x00, 0x06, 0x11, 0x22, 0x33, 0x44,          // SR
        0xE7, 0x5A, 0xCD, 0x15, 0x80, 0x00, 0x00, 0x00,          // NTP: 3881487637.5 s
        0x00, 0x01, 0x5F, 0x90,                                  // RTP 90000
        0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x10, 0x00,          // packets, octets
    };
    CRtcpSenderReport sr;
    ASSERT_TRUE(parseSenderReport(bytes.data(), bytes.size(), sr));
    EXPECT_EQ(0x11223344u, sr.ssrc);
    EXPECT_EQ(90000u, sr.rtpTimestamp);
    EXPECT_EQ(10u, sr.packetCount);
    EXPECT_EQ(4096u, sr.octetCount);
    // 3881487637 - 2208988800 = 1672498837 s since 1970, plus 500 ms
    EXPECT_EQ(1672498837500LL, ntpToUnixMs(sr.ntpTimestamp));

    CRtpTimeMapper mapper;
    int64_t ms = 0;
    EXPECT_FALSE(mapper.toUnixMs(0, ms));
    mapper.setClockRate(90000);
    mapper.onSenderReport(sr);
    ASSERT_TRUE(mapper.toUnixMs(90000 + 45000, ms));
    EXPECT_EQ(1672498838000LL, ms);
    ASSERT_TRUE(mapper.toUnixMs(90000 - 90000 - 9000, ms)); // before the report, across the wrap
    EXPECT_EQ(1672498836400LL, ms);

    for (size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(parseSenderReport(bytes.data(), cut, sr)) << cut;
    std::vector<uint8_t> lying = bytes;
    lying[11] = 0x20; // SR length past the end
    EXPECT_FALSE(parseSenderReport(lying.data(), lying.size(), sr));
}

TEST(StreamRtcp, NtpConversionRoundTrip)
{
    for (int64_t ms : {0LL, 1LL, 999LL, 1700000000123LL}) {
        EXPECT_EQ(ms, ntpToUnixMs(unixMsToNtp(ms) + 1)) << ms; // +1: fractions round down
    }
}

// The receiver's sequence bookkeeping near its boundaries: 2999 ahead is loss, 3000 ahead a
// restarted sender; 100 behind is a late packet, 101 behind a restart; late packets from
// before the wrap add no cycle.
TEST(StreamRtcp, ReceiveStatisticsAtTheDropoutAndMisorderLimits)
{
    const struct {
        const char* name;
        std::vector<uint16_t> seqs;
        uint32_t extendedHighest;
        int32_t cumulativeLost;
    } cases[] = {
        {"2999 ahead is loss", {10, 3009}, 3009, 2998},
        {"3000 ahead restarts", {10, 3010}, 3010, 0},
        {"100 behind is late", {1000, 900}, 1000, -1},
        {"101 behind restarts", {1000, 899}, 899, 0},
        {"late from before the wrap", {65535, 0, 1, 65534}, 65536 + 1, -1},
        {"2999 ahead across the wrap", {65000, 2463}, 65536 + 2463, 2998},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRtpReceiveStats stats(8000);
        for (uint16_t seq : c.seqs)
            stats.onPacket(5, seq, 0, 0);
        CRtcpReportBlock block;
        ASSERT_TRUE(stats.makeReportBlock(0, block));
        EXPECT_EQ(c.extendedHighest, block.extendedHighestSeq);
        EXPECT_EQ(c.cumulativeLost, block.cumulativeLost);
    }
}

TEST(StreamRtcp, ReceiveStatisticsFollowRfcArithmetic)
{
    CRtpReceiveStats stats(8000);
    CRtcpReportBlock block;
    EXPECT_FALSE(stats.makeReportBlock(0, block));
    // 65530..65535, 0..3 with 65533 and 1 lost: 10 expected, 8 received, one wrap.
    uint64_t t = 0;
    for (int s : {65530, 65531, 65532, 65534, 65535, 0, 2, 3}) {
        stats.onPacket(77, static_cast<uint16_t>(s), static_cast<uint32_t>(s) * 160u, t);
        t += 20;
    }
    stats.onSenderReport(0x0000123456780000ull, 100);
    ASSERT_TRUE(stats.makeReportBlock(1100, block));
    EXPECT_EQ(77u, block.ssrc);
    EXPECT_EQ(2, block.cumulativeLost);
    EXPECT_EQ(65536u + 3u, block.extendedHighestSeq);
    EXPECT_EQ(2u * 256u / 10u, block.fractionLost);
    EXPECT_EQ(0x12345678u, block.lastSr);
    EXPECT_EQ(65536u, block.delaySinceLastSr); // one second
    // Next interval without loss: fraction drops to zero, the total stays.
    stats.onPacket(77, 4, 4 * 160, t);
    ASSERT_TRUE(stats.makeReportBlock(1200, block));
    EXPECT_EQ(0, block.fractionLost);
    EXPECT_EQ(2, block.cumulativeLost);
}
