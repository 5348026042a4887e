// H.264 and H.265 RTP payloads put back into Annex B pictures: aggregation,
// fragmentation, parameter sets, loss, wrap-around and hostile payloads.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "Stream/Media/Depacketizer.h"

using namespace Zentar::StreamSvr;

namespace {

typedef std::vector<uint8_t> Bytes;

struct CPkt {
    uint16_t seq;
    uint32_t ts;
    bool marker;
    Bytes payload;
};

struct CUnit {
    uint32_t ts;
    bool key;
    int frameType;
    Bytes data;
};

class CCollect : public IAccessUnitSink {
public:
    void onAccessUnit(const CAccessUnit& u) override
    {
        units.push_back({u.rtpTimestamp, u.key, u.frameType, Bytes(u.data, u.data + u.size)});
        widths.push_back(u.width);
        heights.push_back(u.height);
    }
    std::vector<CUnit> units;
    std::vector<int> widths, heights;
};

void feed(IDepacketizer& d, const std::vector<CPkt>& packets, CCollect& sink)
{
    for (const CPkt& p : packets) {
        CRtpHeader h;
        h.sequence = p.seq;
        h.timestamp = p.ts;
        h.marker = p.marker;
        h.payloadType = 96;
        Bytes bytes;
        buildRtpPacket(h, p.payload.data(), p.payload.size(), bytes);
        CRtpPacket packet;
        ASSERT_TRUE(packet.parse(bytes.data(), bytes.size()));
        d.input(packet, sink);
    }
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes annexB(std::initializer_list<Bytes> nals)
{
    Bytes out;
    for (const Bytes& n : nals) {
        out.insert(out.end(), {0, 0, 0, 1});
        out.insert(out.end(), n.begin(), n.end());
    }
    return out;
}

Bytes be16(size_t v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }

// H.264 units: a 352x288 baseline SPS (see the SPS tests), a PPS, slices of each type.
const Bytes kSps = {0x67, 0x42, 0x00, 0x1E, 0xDA, 0x05, 0x82, 0x59};
const Bytes kPps = {0x68, 0xCE, 0x3C, 0x80};
const Bytes kIdr = {0x65, 0x88, 0x84, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const Bytes kP = {0x41, 0x9A, 0x01, 0x02};
const Bytes kB = {0x01, 0x9C, 0x03, 0x04};
const Bytes kSei = {0x06, 0x05, 0x01, 0xFF, 0x80};

Bytes stapA(std::initializer_list<Bytes> nals)
{
    Bytes out = {0x78}; // F 0, NRI 3, type 24
    for (const Bytes& n : nals)
        out = cat({out, be16(n.size()), n});
    return out;
}

// FU-A pieces of kIdr: header 0x65 -> indicator 0x7C (NRI 3, type 28), FU type 5.
const Bytes kFuStart = {0x7C, 0x85, 0x88, 0x84, 0x00};
const Bytes kFuMid = {0x7C, 0x05, 0x11, 0x22};
const Bytes kFuEnd = {0x7C, 0x45, 0x33, 0x44, 0x55};

std::unique_ptr<IDepacketizer> h264(const std::string& sprop = "")
{
    std::map<std::string, std::string> fmtp;
    if (!sprop.empty())
        fmtp["sprop-parameter-sets"] = sprop;
    return createDepacketizer("H264", 90000, 0, fmtp);
}

} // namespace

TEST(StreamH264Depacketizer, Table)
{
    const Bytes idrUnit = annexB({kSps, kPps, kIdr});
    const struct {
        const char* name;
        std::vector<CPkt> packets;
        std::vector<CUnit> expected;
    } cases[] = {
        {"STAP-A with parameter sets, then P and B singles",
         {{1, 1000, true, stapA({kSps, kPps, kIdr})}, {2, 4000, true, kP}, {3, 7000, true, kB}},
         {{1000, true, 73, idrUnit}, {4000, false, 80, annexB({kP})}, {7000, false, 66, annexB({kB})}}},
        {"singles and FU-A in one picture",
         {{10, 1000, false, kSps}, {11, 1000, false, kPps}, {12, 1000, false, kFuStart}, {13, 1000, false, kFuMid},
          {14, 1000, true, kFuEnd}},
         {{1000, true, 73, idrUnit}}},
        {"FU-A across the sequence wrap",
         {{65534, 1000, false, stapA({kSps, kPps})}, {65535, 1000, false, kFuStart}, {0, 1000, false, kFuMid},
          {1, 1000, true, kFuEnd}, {2, 4000, true, kP}},
         {{1000, true, 73, idrUnit}, {4000, false, 80, annexB({kP})}}},
        {"timestamp wrap",
         {{5, 0xFFFFFF00u, true, kP}, {6, 0x00000E10u, true, kB}},
         {{0xFFFFFF00u, false, 80, annexB({kP})}, {0x00000E10u, false, 66, annexB({kB})}}},
        {"no marker bits: pictures end when the timestamp moves",
         {{1, 1000, false, kP}, {2, 1000, false, kP}, {3, 4000, false, kB}, {4, 7000, false, kP}},
         {{1000, false, 80, annexB({kP, kP})}, {4000, false, 66, annexB({kB})}}},
        {"lost middle fragment drops that picture, the next is whole",
         {{1, 1000, false, stapA({kSps, kPps})}, {2, 1000, false, kFuStart}, {4, 1000, true, kFuEnd},
          {5, 4000, true, kP}},
         {{4000, false, 80, annexB({kP})}}},
        {"loss right after a marker also drops the next picture (it may have lost its start)",
         {{1, 1000, true, kP}, {3, 4000, true, kB}, {4, 7000, true, kP}},
         {{1000, false, 80, annexB({kP})}, {7000, false, 80, annexB({kP})}}},
        {"FU-A continuation without start is dropped",
         {{1, 1000, false, kFuMid}, {2, 1000, true, kFuEnd}, {3, 4000, true, kP}},
         {{4000, false, 80, annexB({kP})}}},
        {"marker inside a fragment drops the picture",
         {{1, 1000, true, kFuStart}, {2, 4000, true, kP}},
         {{4000, false, 80, annexB({kP})}}},
        {"a single NAL interrupting a fragment drops the picture",
         {{1, 1000, false, kFuStart}, {2, 1000, true, kP}, {3, 4000, true, kB}},
         {{4000, false, 66, annexB({kB})}}},
        {"STAP-A size past the end is dropped",
         {{1, 1000, true, cat({{0x78}, be16(50), kP})}, {2, 4000, true, kP}},
         {{4000, false, 80, annexB({kP})}}},
        {"STAP-A zero-size unit and cut size field are dropped",
         {{1, 1000, true, cat({{0x78}, be16(0)})}, {2, 2000, true, {0x78, 0x00}}, {3, 4000, true, kP}},
         {{4000, false, 80, annexB({kP})}}},
        {"interleaved-mode and reserved types are dropped",
         {{1, 1000, true, {0x19, 0, 0}}, {2, 2000, true, {0x1A, 0, 0}}, {3, 3000, true, {0x1D, 0x85}},
          {4, 3500, true, {0x00, 1}}, {5, 4000, true, kP}},
         {{4000, false, 80, annexB({kP})}}},
        {"duplicates are ignored",
         {{1, 1000, false, kP}, {1, 1000, false, kP}, {2, 1000, true, kP}},
         {{1000, false, 80, annexB({kP, kP})}}},
        {"parameter sets sent alone are carried into the next picture",
         {{1, 500, true, stapA({kSps, kPps, kSei})}, {2, 1000, true, kIdr}},
         {{1000, true, 73, annexB({kSps, kPps, kSei, kIdr})}}},
        {"empty payloads are skipped",
         {{1, 1000, false, {}}, {2, 1000, true, kP}},
         {{1000, false, 80, annexB({kP})}}},
        // NRI 2 leaves bit 0x20 of the rebuilt header clear, so a leaking reserved bit would show.
        {"the reserved bit of the FU header neither ends the unit nor joins its type",
         {{1, 1000, false, stapA({kSps, kPps})}, {2, 1000, false, {0x5C, 0xA5, 0x88, 0x84, 0x00}},
          {3, 1000, false, {0x5C, 0x25, 0x11, 0x22}}, {4, 1000, true, {0x5C, 0x65, 0x33, 0x44, 0x55}}},
         {{1000, true, 73, annexB({kSps, kPps, {0x45, 0x88, 0x84, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}})}}},
        {"a straggler from before the wrap is ignored",
         {{65535, 1000, true, kP}, {0, 4000, true, kB}, {65535, 1000, true, kP}, {1, 7000, true, kP}},
         {{1000, false, 80, annexB({kP})}, {4000, false, 66, annexB({kB})}, {7000, false, 80, annexB({kP})}}},
        {"999 behind is a straggler",
         {{2000, 1000, true, kP}, {1001, 4000, true, kB}, {1002, 7000, true, kP}},
         {{1000, false, 80, annexB({kP})}}},
        {"1000 behind is a new numbering, taken as a loss",
         {{2000, 1000, true, kP}, {1000, 4000, true, kB}, {1001, 7000, true, kP}},
         {{1000, false, 80, annexB({kP})}, {7000, false, 80, annexB({kP})}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = h264();
        CCollect sink;
        feed(*d, c.packets, sink);
        ASSERT_EQ(c.expected.size(), sink.units.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(c.expected[i].ts, sink.units[i].ts);
            EXPECT_EQ(c.expected[i].key, sink.units[i].key);
            EXPECT_EQ(c.expected[i].frameType, sink.units[i].frameType);
            EXPECT_EQ(c.expected[i].data, sink.units[i].data);
        }
    }
}

TEST(StreamH264Depacketizer, APictureMayFillTheUnitLimitButNotOneByteMore)
{
    // 16 MiB counts the start code and the rebuilt NAL header as well as the fragments. A
    // picture past it is dropped and the next one still comes.
    const size_t limit = 16u * 1024u * 1024u;
    for (size_t over : {0u, 1u}) {
        SCOPED_TRACE(over);
        const size_t body = limit - 5 + over;
        std::vector<CPkt> packets;
        uint16_t seq = 1;
        for (size_t at = 0; at < body;) {
            const size_t n = std::min<size_t>(60000, body - at);
            const bool first = at == 0, last = at + n == body;
            // FU-A of a P slice: indicator NRI 2 type 28, header S/E bits and type 1.
            Bytes piece = {0x5C, static_cast<uint8_t>((first ? 0x80 : 0) | (last ? 0x40 : 0) | 0x01)};
            piece.resize(2 + n, 0xAB);
            packets.push_back({seq++, 1000, last, piece});
            at += n;
        }
        packets.push_back({seq, 4000, true, kP});
        auto d = h264();
        CCollect sink;
        feed(*d, packets, sink);
        ASSERT_EQ(over ? 1u : 2u, sink.units.size());
        if (!over) {
            EXPECT_EQ(limit, sink.units[0].data.size());
        }
        EXPECT_EQ(annexB({kP}), sink.units.back().data);
    }
}

TEST(StreamH264Depacketizer, SpropParameterSetsPrecedeKeyPicturesWithoutThem)
{
    // base64 of kSps and kPps, the SPS without its padding as some cameras write it.
    auto d = h264("Z0IAHtoFglk,aM48gA==");
    ASSERT_NE(nullptr, d);
    CCollect sink;
    feed(*d, {{1, 1000, true, kIdr}, {2, 4000, true, kP}, {3, 7000, true, stapA({kSps, kPps, kIdr})}}, sink);
    ASSERT_EQ(3u, sink.units.size());
    EXPECT_EQ(annexB({kSps, kPps, kIdr}), sink.units[0].data);
    EXPECT_EQ(annexB({kP}), sink.units[1].data);
    EXPECT_EQ(annexB({kSps, kPps, kIdr}), sink.units[2].data); // in-band ones are not doubled
    EXPECT_EQ(352, sink.widths[0]); // known from the SDP before the first picture
    EXPECT_EQ(288, sink.heights[1]);
}

TEST(StreamH264Depacketizer, ReorderBufferLossAndResetStartFresh)
{
    auto d = h264();
    CCollect sink;
    feed(*d, {{1, 1000, false, kFuStart}}, sink);
    d->lost(1);
    feed(*d, {{2, 1000, true, kFuEnd}, {3, 4000, true, kP}}, sink);
    ASSERT_EQ(1u, sink.units.size());
    EXPECT_EQ(4000u, sink.units[0].ts);
    EXPECT_GE(d->droppedCount(), 1u);

    feed(*d, {{4, 5000, false, kFuStart}}, sink);
    d->reset();
    feed(*d, {{900, 9000, true, kB}}, sink); // any sequence number after a reset
    ASSERT_EQ(2u, sink.units.size());
    EXPECT_EQ(annexB({kB}), sink.units[1].data);

    feed(*d, {{901, 10000, false, kP}}, sink);
    d->flush(sink); // end of stream: the unmarked picture is complete
    ASSERT_EQ(3u, sink.units.size());
    EXPECT_EQ(10000u, sink.units[2].ts);
}

TEST(StreamH264Depacketizer, SurvivesRandomGarbage)
{
    auto d = h264();
    CCollect sink;
    uint32_t state = 12345;
    for (uint16_t seq = 0; seq < 3000; ++seq) {
        Bytes payload(state % 40);
        for (uint8_t& b : payload) {
            state = state * 1103515245u + 12345u;
            b = static_cast<uint8_t>(state >> 16);
        }
        feed(*d, {{seq, seq / 3u, (state & 1u) != 0, payload}}, sink);
    }
    for (const CUnit& u : sink.units) {
        ASSERT_GE(u.data.size(), 5u);
        EXPECT_EQ((Bytes{0, 0, 0, 1}), Bytes(u.data.begin(), u.data.begin() + 4));
    }
    EXPECT_GT(d->malformedCount(), 0u);
    // Still works afterwards.
    const size_t before = sink.units.size();
    feed(*d, {{5000, 99000, true, kP}, {5001, 99900, true, kP}}, sink);
    EXPECT_EQ(before + 1, sink.units.size()); // the first after the jump counts as after a loss
}

// ---------------------------------------------------------------- H.265

namespace {

const Bytes kVps = {0x40, 0x01, 0x0C, 0x01, 0xFF, 0xFF};
const Bytes kSps265 = {0x42, 0x01, 0x01, 0x01, 0x60, 0x00, 0x00, 0x03, 0x00, 0xB0};
const Bytes kPps265 = {0x44, 0x01, 0xC1, 0x72};
const Bytes kIdr265 = {0x26, 0x01, 0xAC, 0x10, 0x20, 0x30, 0x40};
const Bytes kTrailP = {0x02, 0x01, 0xD0, 0x55};
const Bytes kTrailB = {0x02, 0x01, 0xE0, 0x66};

Bytes ap(std::initializer_list<Bytes> nals)
{
    Bytes out = {0x60, 0x01}; // type 48
    for (const Bytes& n : nals)
        out = cat({out, be16(n.size()), n});
    return out;
}

// FU pieces of kIdr265: payload header type 49 (0x62 0x01), FU header S/E + type 19.
const Bytes kFu265Start = {0x62, 0x01, 0x93, 0xAC, 0x10};
const Bytes kFu265Mid = {0x62, 0x01, 0x13, 0x20, 0x30};
const Bytes kFu265End = {0x62, 0x01, 0x53, 0x40};

std::unique_ptr<IDepacketizer> h265(std::map<std::string, std::string> fmtp = {})
{
    return createDepacketizer("H265", 90000, 0, fmtp);
}

} // namespace

TEST(StreamH265Depacketizer, Table)
{
    const Bytes keyUnit = annexB({kVps, kSps265, kPps265, kIdr265});
    const struct {
        const char* name;
        std::vector<CPkt> packets;
        std::vector<CUnit> expected;
    } cases[] = {
        {"AP with parameter sets, then P and B",
         {{1, 1000, true, ap({kVps, kSps265, kPps265, kIdr265})}, {2, 4000, true, kTrailP}, {3, 7000, true, kTrailB}},
         {{1000, true, 73, keyUnit}, {4000, false, 80, annexB({kTrailP})}, {7000, false, 66, annexB({kTrailB})}}},
        {"FU across the wrap",
         {{65535, 1000, false, ap({kVps, kSps265, kPps265})}, {0, 1000, false, kFu265Start}, {1, 1000, false, kFu265Mid},
          {2, 1000, true, kFu265End}},
         {{1000, true, 73, keyUnit}}},
        {"a fragmented parameter set keeps its six-bit type",
         {{1, 1000, false, kVps}, {2, 1000, false, {0x62, 0x01, 0xA1, 0x01, 0x01, 0x60, 0x00}},
          {3, 1000, false, {0x62, 0x01, 0x61, 0x00, 0x03, 0x00, 0xB0}}, {4, 1000, false, kPps265},
          {5, 1000, true, kIdr265}},
         {{1000, true, 73, keyUnit}}},
        {"lost FU piece drops the picture",
         {{1, 1000, false, kFu265Start}, {3, 1000, true, kFu265End}, {4, 4000, true, kTrailP}},
         {{4000, false, 80, annexB({kTrailP})}}},
        {"AP with a unit shorter than a header, PACI, cut FU are dropped",
         {{1, 1000, true, cat({{0x60, 0x01}, be16(1), {0x02}})}, {2, 2000, true, {0x64, 0x01, 0, 0}},
          {3, 3000, true, {0x62, 0x01}}, {4, 3500, true, {0x02}}, {5, 4000, true, kTrailP}},
         {{4000, false, 80, annexB({kTrailP})}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = h265();
        CCollect sink;
        feed(*d, c.packets, sink);
        ASSERT_EQ(c.expected.size(), sink.units.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(c.expected[i].ts, sink.units[i].ts);
            EXPECT_EQ(c.expected[i].key, sink.units[i].key);
            EXPECT_EQ(c.expected[i].frameType, sink.units[i].frameType);
            EXPECT_EQ(c.expected[i].data, sink.units[i].data);
        }
    }
}

TEST(StreamH265Depacketizer, SpropSetsAndDonFields)
{
    std::map<std::string, std::string> fmtp = {
        {"sprop-vps", "QAEMAf//"}, {"sprop-sps", "QgEBAWAAAAMAsA=="}, {"sprop-pps", "RAHBcg=="}, {"sprop-max-don-diff", "2"}};
    auto d = h265(fmtp);
    ASSERT_NE(nullptr, d);
    CCollect sink;
    // With DON: AP units carry DONL (first) / DOND (others); the FU start carries DONL.
    const Bytes apDon = cat({{0x60, 0x01, 0x00, 0x07}, be16(kTrailP.size()), kTrailP, {0x01}, be16(kTrailP.size()), kTrailP});
    feed(*d,
         {{1, 1000, false, {0x62, 0x01, 0x93, 0x00, 0x05, 0xAC, 0x10}}, {2, 1000, false, kFu265Mid},
          {3, 1000, true, kFu265End}, {4, 4000, true, apDon}},
         sink);
    ASSERT_EQ(2u, sink.units.size());
    EXPECT_EQ(annexB({kVps, kSps265, kPps265, kIdr265}), sink.units[0].data);
    EXPECT_EQ(annexB({kTrailP, kTrailP}), sink.units[1].data);
}
