// Audio payloads: AAC (mpeg4-generic) AU headers, aggregation and fragmentation with
// ADTS framing, and the sample-as-is formats G.711, G.726 and L16.
#include <gtest/gtest.h>

#include <vector>

#include "Stream/Media/Depacketizer.h"

using namespace Zentar::StreamSvr;

namespace {

typedef std::vector<uint8_t> Bytes;

struct CGot {
    uint32_t ts;
    Bytes data;
    int rate;
    int channels;
    int bitRate;
    EMediaCodec codec;
};

class CCollect : public IAccessUnitSink {
public:
    void onAccessUnit(const CAccessUnit& u) override
    {
        EXPECT_TRUE(u.key);
        EXPECT_EQ(65, u.frameType);
        got.push_back({u.rtpTimestamp, Bytes(u.data, u.data + u.size), u.sampleRate, u.channels, u.bitRate, u.codec});
    }
    std::vector<CGot> got;
};

void feed(IDepacketizer& d, uint16_t seq, uint32_t ts, bool marker, const Bytes& payload, CCollect& sink)
{
    CRtpHeader h;
    h.sequence = seq;
    h.timestamp = ts;
    h.marker = marker;
    Bytes bytes;
    buildRtpPacket(h, payload.data(), payload.size(), bytes);
    CRtpPacket packet;
    ASSERT_TRUE(packet.parse(bytes.data(), bytes.size()));
    d.input(packet, sink);
}

// AAC-hbr: 13-bit size, 3-bit index / index delta per AU header.
const std::map<std::string, std::string> kHbr = {
    {"mode", "AAC-hbr"}, {"sizelength", "13"}, {"indexlength", "3"}, {"indexdeltalength", "3"}, {"config", "1190"}};

// AU headers section for AUs of the given sizes (index and deltas 0).
Bytes auHeaders(std::initializer_list<size_t> sizes)
{
    Bytes out = {0, static_cast<uint8_t>(16 * sizes.size())};
    out[0] = static_cast<uint8_t>((16 * sizes.size()) >> 8);
    for (size_t s : sizes) {
        out.push_back(static_cast<uint8_t>(s >> 5));
        out.push_back(static_cast<uint8_t>((s & 0x1F) << 3));
    }
    return out;
}

Bytes fill(size_t n, uint8_t v) { return Bytes(n, v); }

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// ADTS for config 1190 (AAC LC, 48 kHz, stereo) and a raw AU of n bytes.
Bytes adts(size_t n)
{
    const size_t len = n + 7;
    return {0xFF, 0xF1, 0x4C, static_cast<uint8_t>(0x80 | (len >> 11)), static_cast<uint8_t>(len >> 3),
            static_cast<uint8_t>((len & 7) << 5 | 0x1F), 0xFC};
}

} // namespace

TEST(StreamAacDepacketizer, SeveralAusPerPacketGetTheirOwnTimestamps)
{
    auto d = createDepacketizer("mpeg4-generic", 48000, 2, kHbr);
    ASSERT_NE(nullptr, d);
    CCollect sink;
    feed(*d, 1, 0xFFFFFC00u, true, cat({auHeaders({3, 5, 2}), fill(3, 0xA), fill(5, 0xB), fill(2, 0xC)}), sink);
    ASSERT_EQ(3u, sink.got.size());
    EXPECT_EQ(0xFFFFFC00u, sink.got[0].ts);
    EXPECT_EQ(0x00000000u, sink.got[1].ts); // 1024 later, across the 32-bit wrap
    EXPECT_EQ(0x00000400u, sink.got[2].ts);
    EXPECT_EQ(cat({adts(3), fill(3, 0xA)}), sink.got[0].data);
    EXPECT_EQ(cat({adts(5), fill(5, 0xB)}), sink.got[1].data);
    EXPECT_EQ(48000, sink.got[0].rate);
    EXPECT_EQ(2, sink.got[0].channels);
    EXPECT_EQ(kCodecAac, sink.got[0].codec);
}

TEST(StreamAacDepacketizer, IndexDeltaSpacesTimestamps)
{
    // Two AUs of 2 bytes; the second has index delta 1: it is two frames after the first.
    auto d = createDepacketizer("mpeg4-generic", 48000, 2, kHbr);
    CCollect sink;
    feed(*d, 1, 10000, true, {0x00, 0x20, 0x00, 0x10, 0x00, 0x11, 1, 1, 2, 2}, sink);
    ASSERT_EQ(2u, sink.got.size());
    EXPECT_EQ(10000u, sink.got[0].ts);
    EXPECT_EQ(10000u + 2048u, sink.got[1].ts);
    EXPECT_EQ(cat({adts(2), {2, 2}}), sink.got[1].data);
}

TEST(StreamAacDepacketizer, FragmentedAuIsReassembledOrDroppedWhole)
{
    const size_t total = 3000;
    const Bytes au = [] { Bytes b(total); for (size_t i = 0; i < total; ++i) b[i] = static_cast<uint8_t>(i); return b; }();
    auto piece = [&au](size_t from, size_t n) { return cat({auHeaders({total}), Bytes(au.begin() + long(from), au.begin() + long(from + n))}); };
    {
        auto d = createDepacketizer("MPEG4-GENERIC", 48000, 2, kHbr);
        CCollect sink;
        feed(*d, 65535, 5000, false, piece(0, 1400), sink);
        feed(*d, 0, 5000, false, piece(1400, 1400), sink);
        feed(*d, 1, 5000, true, piece(2800, 200), sink);
        ASSERT_EQ(1u, sink.got.size());
        EXPECT_EQ(cat({adts(total), au}), sink.got[0].data);
    }
    {
        auto d = createDepacketizer("MPEG4-GENERIC", 48000, 2, kHbr);
        CCollect sink;
        feed(*d, 10, 5000, false, piece(0, 1400), sink);
        feed(*d, 12, 5000, true, piece(2800, 200), sink); // middle lost
        feed(*d, 13, 6024, true, cat({auHeaders({4}), fill(4, 1)}), sink);
        ASSERT_EQ(1u, sink.got.size());
        EXPECT_EQ(6024u, sink.got[0].ts);
    }
    {
        auto d = createDepacketizer("MPEG4-GENERIC", 48000, 2, kHbr);
        CCollect sink;
        feed(*d, 20, 5000, false, piece(1400, 1400), sink); // start never seen
        feed(*d, 21, 5000, true, piece(2800, 200), sink);
        EXPECT_TRUE(sink.got.empty());
        EXPECT_EQ(1u, d->malformedCount());
    }
}

TEST(StreamAacDepacketizer, AdtsFramesOnlyWhatItsThirteenBitLengthCanHold)
{
    // The ADTS length counts the 7-byte header too, in 13 bits: 8184 bytes is the largest AU
    // it can frame. A larger one goes out raw rather than with a length that wraps.
    const struct {
        size_t size;
        bool framed;
    } cases[] = {{8184, true}, {8185, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        auto d = createDepacketizer("mpeg4-generic", 48000, 2, kHbr);
        CCollect sink;
        feed(*d, 1, 1000, true, cat({auHeaders({c.size}), fill(c.size, 0x5A)}), sink);
        ASSERT_EQ(1u, sink.got.size());
        EXPECT_EQ(c.framed ? cat({adts(c.size), fill(c.size, 0x5A)}) : fill(c.size, 0x5A), sink.got[0].data);
    }
}

TEST(StreamAacDepacketizer, MalformedPacketsAreDropped)
{
    const struct {
        const char* why;
        Bytes payload;
    } cases[] = {
        {"one byte", {0x00}},
        {"zero header length", {0x00, 0x00, 1, 2, 3}},
        {"headers longer than the packet", {0x00, 0x40, 0x00}},
        {"AU sizes beyond the data", cat({auHeaders({3, 9}), fill(5, 1)})},
        {"header bits fewer than one AU header", {0x00, 0x0C, 0xFF, 0xF0, 1, 2}},
    };
    auto d = createDepacketizer("mpeg4-generic", 48000, 2, kHbr);
    CCollect sink;
    uint16_t seq = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        feed(*d, seq, seq * 1024u, true, c.payload, sink);
        ++seq;
        EXPECT_TRUE(sink.got.empty());
    }
    feed(*d, seq, seq * 1024u, true, cat({auHeaders({2}), fill(2, 7)}), sink);
    EXPECT_EQ(1u, sink.got.size());
}

TEST(StreamAacDepacketizer, ConfigDecidesTheFraming)
{
    // No config: raw AUs at the rtpmap rate. Without sizelength there is no depacketiser.
    auto raw = createDepacketizer("mpeg4-generic", 16000, 1, {{"sizelength", "13"}, {"indexlength", "3"}, {"indexdeltalength", "3"}});
    ASSERT_NE(nullptr, raw);
    CCollect sink;
    feed(*raw, 1, 0, true, cat({auHeaders({4}), fill(4, 9)}), sink);
    ASSERT_EQ(1u, sink.got.size());
    EXPECT_EQ(fill(4, 9), sink.got[0].data);
    EXPECT_EQ(16000, sink.got[0].rate);
    EXPECT_EQ(nullptr, createDepacketizer("mpeg4-generic", 16000, 1, {{"mode", "AAC-hbr"}}));
    EXPECT_EQ(nullptr, createDepacketizer("mpeg4-generic", 16000, 1, {{"sizelength", "99"}}));

    // 1408: AAC LC, 16 kHz (index 8), mono.
    auto mono = createDepacketizer("mpeg4-generic", 16000, 1,
                                   {{"sizelength", "13"}, {"indexlength", "3"}, {"indexdeltalength", "3"}, {"config", "1408"}});
    CCollect monoSink;
    feed(*mono, 1, 0, true, cat({auHeaders({1}), {0x21}}), monoSink);
    ASSERT_EQ(1u, monoSink.got.size());
    EXPECT_EQ((Bytes{0xFF, 0xF1, 0x60, 0x40, 0x01, 0x1F, 0xFC, 0x21}), monoSink.got[0].data);
}

TEST(StreamAudioDepacketizer, SampleFormats)
{
    const struct {
        const char* encoding;
        uint32_t rate;
        int channels;
        EMediaCodec codec;
        int bitRate;
    } cases[] = {
        {"PCMU", 8000, 1, kCodecG711U, 0},       {"pcma", 8000, 1, kCodecG711A, 0},
        {"G726-16", 8000, 1, kCodecG726, 16000}, {"G726-24", 8000, 1, kCodecG726, 24000},
        {"G726-32", 8000, 1, kCodecG726, 32000}, {"AAL2-G726-40", 8000, 1, kCodecG726, 40000},
        {"L16", 16000, 2, kCodecL16, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        auto d = createDepacketizer(c.encoding, c.rate, c.channels, {});
        ASSERT_NE(nullptr, d);
        CCollect sink;
        feed(*d, 65535, 0xFFFFFF00u, false, fill(160, 0x55), sink);
        feed(*d, 1, 0x00000040u, false, fill(160, 0x66), sink); // one lost: costs only itself
        ASSERT_EQ(2u, sink.got.size());
        EXPECT_EQ(fill(160, 0x66), sink.got[1].data);
        EXPECT_EQ(0x40u, sink.got[1].ts);
        EXPECT_EQ(c.codec, sink.got[0].codec);
        EXPECT_EQ(int(c.rate), sink.got[0].rate);
        EXPECT_EQ(c.channels, sink.got[0].channels);
        EXPECT_EQ(c.bitRate, sink.got[0].bitRate);
    }
    auto l16 = createDepacketizer("L16", 44100, 2, {});
    CCollect sink;
    feed(*l16, 1, 0, false, fill(6, 1), sink); // a sample and a half of stereo
    EXPECT_TRUE(sink.got.empty());
}

TEST(StreamAudioDepacketizer, FactoryNamesAndStaticTypes)
{
    EXPECT_EQ(nullptr, createDepacketizer("G729", 8000, 1, {}));
    EXPECT_EQ(nullptr, createDepacketizer("", 0, 0, {}));
    EXPECT_EQ(nullptr, createDepacketizer("G726", 8000, 1, {}));
    const struct {
        int pt;
        EMediaCodec codec;
        uint32_t rate;
    } statics[] = {{0, kCodecG711U, 8000}, {8, kCodecG711A, 8000}, {26, kCodecMjpeg, 90000}, {11, kCodecL16, 44100}};
    for (const auto& s : statics) {
        auto d = createStaticDepacketizer(s.pt);
        ASSERT_NE(nullptr, d) << s.pt;
        EXPECT_EQ(s.codec, d->codec());
        EXPECT_EQ(s.rate, d->clockRate());
    }
    EXPECT_EQ(nullptr, createStaticDepacketizer(96));
    EXPECT_EQ(kCodecH265, createDepacketizer("h265", 90000, 0, {})->codec());
}
