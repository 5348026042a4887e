// RTP/JPEG pictures rebuilt into complete JPEG files: the rebuilt headers are read back
// marker by marker and checked against what the RTP headers said.
#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

#include "Stream/Media/Depacketizer.h"
#include "Stream/Media/JpegHeader.h"

using namespace Zentar::StreamSvr;

namespace {

typedef std::vector<uint8_t> Bytes;

class CCollect : public IAccessUnitSink {
public:
    void onAccessUnit(const CAccessUnit& u) override
    {
        pictures.emplace_back(u.data, u.data + u.size);
        widths.push_back(u.width);
        heights.push_back(u.height);
        keys.push_back(u.key);
    }
    std::vector<Bytes> pictures;
    std::vector<int> widths, heights;
    std::vector<bool> keys;
};

struct CJpegPacket {
    uint16_t seq;
    uint32_t ts;
    bool marker;
    uint32_t offset;
    int type;
    int q;
    int width;
    int height;
    uint16_t dri;        // written for types 64..127
    Bytes tables;        // quantisation table header payload when q >= 128 and offset 0
    bool writeTables;
    Bytes scan;
};

void feed(IDepacketizer& d, const CJpegPacket& p, CCollect& sink)
{
    Bytes payload = {0, static_cast<uint8_t>(p.offset >> 16), static_cast<uint8_t>(p.offset >> 8),
                     static_cast<uint8_t>(p.offset), static_cast<uint8_t>(p.type), static_cast<uint8_t>(p.q),
                     static_cast<uint8_t>(p.width / 8), static_cast<uint8_t>(p.height / 8)};
    if (p.type >= 64)
        payload.insert(payload.end(), {static_cast<uint8_t>(p.dri >> 8), static_cast<uint8_t>(p.dri), 0xFF, 0xFF});
    if (p.writeTables) {
        payload.insert(payload.end(), {0, 0, static_cast<uint8_t>(p.tables.size() >> 8), static_cast<uint8_t>(p.tables.size())});
        payload.insert(payload.end(), p.tables.begin(), p.tables.end());
    }
    payload.insert(payload.end(), p.scan.begin(), p.scan.end());
    CRtpHeader h;
    h.sequence = p.seq;
    h.timestamp = p.ts;
    h.marker = p.marker;
    h.payloadType = 26;
    Bytes bytes;
    buildRtpPacket(h, payload.data(), payload.size(), bytes);
    CRtpPacket packet;
    ASSERT_TRUE(packet.parse(bytes.data(), bytes.size()));
    d.input(packet, sink);
}

// What a JPEG file says about itself, read by walking its marker segments.
struct CJpegInfo {
    bool ok = false;
    int width = 0, height = 0;
    uint8_t lumaSampling = 0;
    int components = 0;
    Bytes qtable[2];
    int restartInterval = 0;
    std::vector<int> huffmanCounts; // symbols per DHT table, in order
    Bytes scan;                     // between the SOS header and EOI
    bool endsWithEoi = false;
};

CJpegInfo readJpeg(const Bytes& j)
{
    CJpegInfo info;
    if (j.size() < 4 || j[0] != 0xFF || j[1] != 0xD8)
        return info;
    size_t pos = 2;
    while (pos + 4 <= j.size()) {
        if (j[pos] != 0xFF)
            return info;
        const uint8_t m = j[pos + 1];
        const size_t len = size_t(j[pos + 2]) << 8 | j[pos + 3];
        if (pos + 2 + len > j.size())
            return info;
        const uint8_t* s = &j[pos + 4];
        if (m == 0xDB) {
            for (size_t t = 0; t + 65 <= len - 2; t += 65)
                info.qtable[s[t] & 1] = Bytes(s + t + 1, s + t + 65);
        } else if (m == 0xDD) {
            info.restartInterval = s[0] << 8 | s[1];
        } else if (m == 0xC0) {
            info.height = s[1] << 8 | s[2];
            info.width = s[3] << 8 | s[4];
            info.components = s[5];
            info.lumaSampling = s[7];
        } else if (m == 0xC4) {
            int count = 0;
            for (int i = 0; i < 16; ++i)
                count += s[1 + i];
            info.huffmanCounts.push_back(count);
            if (size_t(2 + 1 + 16 + count) != len)
                return info;
        } else if (m == 0xDA) {
            const size_t scanStart = pos + 2 + len;
            info.endsWithEoi = j[j.size() - 2] == 0xFF && j[j.size() - 1] == 0xD9;
            info.scan = Bytes(j.begin() + static_cast<long>(scanStart), j.end() - 2);
            info.ok = true;
            return info;
        }
        pos += 2 + len;
    }
    return info;
}

Bytes scanBytes(size_t n, uint8_t seed)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}

Bytes concat(const Bytes& a, const Bytes& b)
{
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

} // namespace

TEST(StreamJpegHeader, ScaledTablesFollowTheStandardExample)
{
    uint8_t t[128];
    ASSERT_TRUE(makeJpegQuantTables(50, t)); // factor 100: the example tables themselves
    const uint8_t lumaZigzagStart[10] = {16, 11, 12, 14, 12, 10, 16, 14, 13, 14};
    EXPECT_EQ(Bytes(lumaZigzagStart, lumaZigzagStart + 10), Bytes(t, t + 10));
    EXPECT_EQ(99, t[63]);
    EXPECT_EQ(17, t[64]);
    EXPECT_EQ(99, t[127]);
    ASSERT_TRUE(makeJpegQuantTables(10, t)); // factor 500
    EXPECT_EQ(80, t[0]);
    EXPECT_EQ(255, t[127]);                  // clamped
    ASSERT_TRUE(makeJpegQuantTables(100, t));
    EXPECT_EQ(1, t[0]);                      // factor 0: clamped up to 1
    EXPECT_FALSE(makeJpegQuantTables(0, t));
    EXPECT_FALSE(makeJpegQuantTables(101, t));
}

TEST(StreamJpegDepacketizer, RebuiltHeadersDescribeThePicture)
{
    const struct {
        const char* name;
        int type;
        int q;
        int width, height;
        uint16_t dri;
        uint8_t sampling;
    } cases[] = {
        {"4:2:0, Q 50", 1, 50, 640, 480, 0, 0x22},
        {"4:2:2, Q 80", 0, 80, 1920, 1080, 0, 0x21},
        {"4:2:0 with restart interval", 65, 30, 352, 288, 0x20, 0x22},
        {"4:2:2 with restart interval", 64, 75, 2040, 2040, 4, 0x21},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = createDepacketizer("JPEG", 90000, 0, {});
        ASSERT_NE(nullptr, d);
        CCollect sink;
        const Bytes a = scanBytes(1000, 1), b = scanBytes(1000, 2), last = scanBytes(17, 3);
        feed(*d, {1, 9000, false, 0, c.type, c.q, c.width, c.height, c.dri, {}, false, a}, sink);
        feed(*d, {2, 9000, false, 1000, c.type, c.q, c.width, c.height, c.dri, {}, false, b}, sink);
        feed(*d, {3, 9000, true, 2000, c.type, c.q, c.width, c.height, c.dri, {}, false, last}, sink);
        ASSERT_EQ(1u, sink.pictures.size());
        const CJpegInfo info = readJpeg(sink.pictures[0]);
        ASSERT_TRUE(info.ok);
        EXPECT_EQ(c.width, info.width);
        EXPECT_EQ(c.height, info.height);
        EXPECT_EQ(3, info.components);
        EXPECT_EQ(c.sampling, info.lumaSampling);
        EXPECT_EQ(c.dri, info.restartInterval);
        EXPECT_EQ((std::vector<int>{12, 162, 12, 162}), info.huffmanCounts);
        uint8_t tables[128];
        ASSERT_TRUE(makeJpegQuantTables(c.q, tables));
        EXPECT_EQ(Bytes(tables, tables + 64), info.qtable[0]);
        EXPECT_EQ(Bytes(tables + 64, tables + 128), info.qtable[1]);
        EXPECT_EQ(concat(concat(a, b), last), info.scan);
        EXPECT_TRUE(info.endsWithEoi);
        EXPECT_EQ(c.width, sink.widths[0]);
        EXPECT_TRUE(sink.keys[0]);
    }
}

TEST(StreamJpegDepacketizer, InBandTablesAreUsedAndRemembered)
{
    Bytes tables(128);
    for (size_t i = 0; i < 128; ++i)
        tables[i] = static_cast<uint8_t>(i + 1);
    auto d = createDepacketizer("JPEG", 90000, 0, {});
    CCollect sink;
    const Bytes scan = {1, 2, 3, 0xFF, 0xD9}; // already ends with EOI: not doubled
    feed(*d, {1, 100, true, 0, 1, 128, 320, 240, 0, tables, true, scan}, sink);
    feed(*d, {2, 200, true, 0, 1, 128, 320, 240, 0, {}, true, scan}, sink);   // length 0: the remembered ones
    feed(*d, {3, 300, true, 0, 1, 129, 320, 240, 0, {}, true, scan}, sink);   // never sent: dropped
    feed(*d, {4, 400, true, 0, 1, 255, 320, 240, 0, {}, true, scan}, sink);   // 255 must come every time
    ASSERT_EQ(2u, sink.pictures.size());
    for (const Bytes& picture : sink.pictures) {
        const CJpegInfo info = readJpeg(picture);
        ASSERT_TRUE(info.ok);
        EXPECT_EQ(Bytes(tables.begin(), tables.begin() + 64), info.qtable[0]);
        EXPECT_EQ(Bytes(tables.begin() + 64, tables.end()), info.qtable[1]);
        EXPECT_EQ(Bytes({1, 2, 3}), info.scan);
    }
    EXPECT_EQ(2u, d->malformedCount());
}

TEST(StreamJpegDepacketizer, LossAndDamage)
{
    const struct {
        const char* name;
        std::vector<CJpegPacket> packets;
        size_t pictures;
    } cases[] = {
        {"offset gap drops the picture; the next starts at offset 0 and is whole",
         {{1, 100, false, 0, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)},
          {2, 100, true, 20, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)},
          {3, 200, true, 0, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)}},
         1},
        {"a sequence gap before a picture start does not cost that picture",
         {{1, 100, false, 0, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)},
          {3, 200, false, 0, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)},
          {4, 200, true, 10, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)}},
         1},
        {"reserved type, Q 0, Q 110 and zero size are dropped",
         {{1, 100, true, 0, 2, 50, 64, 64, 0, {}, false, scanBytes(10, 0)},
          {2, 200, true, 0, 1, 0, 64, 64, 0, {}, false, scanBytes(10, 0)},
          {3, 300, true, 0, 1, 110, 64, 64, 0, {}, false, scanBytes(10, 0)},
          {4, 400, true, 0, 1, 50, 0, 64, 0, {}, false, scanBytes(10, 0)},
          {5, 500, true, 0, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)}},
         1},
        {"in-band tables of the wrong length are dropped",
         {{1, 100, true, 0, 1, 200, 64, 64, 0, Bytes(64, 1), true, scanBytes(10, 0)},
          {2, 200, true, 0, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)}},
         1},
        {"a picture never marked is replaced by the next start",
         {{1, 100, false, 0, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)},
          {2, 200, true, 0, 1, 50, 64, 64, 0, {}, false, scanBytes(10, 0)}},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = createDepacketizer("JPEG", 90000, 0, {});
        CCollect sink;
        for (const auto& p : c.packets)
            feed(*d, p, sink);
        ASSERT_EQ(c.pictures, sink.pictures.size());
        EXPECT_TRUE(readJpeg(sink.pictures.back()).ok);
    }
}

TEST(StreamJpegDepacketizer, APictureMayFillTheSizeLimitButNotOneByteMore)
{
    // 16 MiB counts the rebuilt headers and the end marker as well as the scan. A picture past
    // it is dropped and the next one still comes.
    const size_t limit = 16u * 1024u * 1024u;
    auto packet = [](uint16_t seq, uint32_t ts, bool last, size_t offset, size_t n) {
        return CJpegPacket{seq, ts, last, static_cast<uint32_t>(offset), 1, 50, 64, 64, 0, {}, false, Bytes(n, 0x3C)};
    };
    size_t framing = 0;
    {
        auto d = createDepacketizer("JPEG", 90000, 0, {});
        CCollect sink;
        feed(*d, packet(1, 100, true, 0, 10), sink);
        ASSERT_EQ(1u, sink.pictures.size());
        framing = sink.pictures[0].size() - 10;
    }
    for (size_t over : {0u, 1u}) {
        SCOPED_TRACE(over);
        const size_t scan = limit - framing + over;
        auto d = createDepacketizer("JPEG", 90000, 0, {});
        CCollect sink;
        uint16_t seq = 1;
        for (size_t at = 0; at < scan;) {
            const size_t n = std::min<size_t>(60000, scan - at);
            feed(*d, packet(seq++, 100, at + n == scan, at, n), sink);
            at += n;
        }
        feed(*d, packet(seq, 200, true, 0, 10), sink);
        ASSERT_EQ(over ? 1u : 2u, sink.pictures.size());
        if (!over) {
            EXPECT_EQ(limit, sink.pictures[0].size());
        }
        EXPECT_EQ(framing + 10, sink.pictures.back().size());
    }
}

TEST(StreamJpegDepacketizer, TruncatedHeadersAreSurvived)
{
    auto d = createDepacketizer("JPEG", 90000, 0, {});
    CCollect sink;
    const Bytes full = {0, 0, 0, 0, 65, 200, 8, 8, 0, 1, 0xFF, 0xFF, 0, 0, 0, 128};
    for (size_t len = 1; len < full.size(); ++len) {
        CRtpHeader h;
        h.sequence = static_cast<uint16_t>(len);
        h.timestamp = static_cast<uint32_t>(len);
        h.marker = true;
        Bytes bytes;
        buildRtpPacket(h, full.data(), len, bytes);
        CRtpPacket packet;
        ASSERT_TRUE(packet.parse(bytes.data(), bytes.size()));
        d->input(packet, sink);
    }
    EXPECT_TRUE(sink.pictures.empty());
    EXPECT_EQ(full.size() - 1, d->malformedCount());
}

TEST(StreamJpegDepacketizer, LargePictureSizeFromTheHeaderExtension)
{
    // RTP/JPEG cannot say 3840x2160 (its size bytes are 0); the extension carries SOF0.
    const Bytes sof = {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x08, 0x70, 0x0F, 0x00, 0x03,
                       0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0x00};
    const Bytes payload = {0, 0, 0, 0, 1, 50, 0, 0, 0xAA, 0xBB};
    Bytes bytes = {0x90, 26, 0x00, 0x01, 0, 0, 0, 9, 0, 0, 0, 1, 0xFF, 0xD8, 0x00, 0x05};
    bytes.insert(bytes.end(), sof.begin(), sof.end());
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    bytes[1] |= 0x80; // marker
    CRtpPacket packet;
    ASSERT_TRUE(packet.parse(bytes.data(), bytes.size()));
    auto d = createDepacketizer("JPEG", 90000, 0, {});
    CCollect sink;
    d->input(packet, sink);
    ASSERT_EQ(1u, sink.pictures.size());
    const CJpegInfo info = readJpeg(sink.pictures[0]);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(3840, info.width);
    EXPECT_EQ(2160, info.height);
    EXPECT_EQ(3840, sink.widths[0]);
    EXPECT_EQ(Bytes({0xAA, 0xBB}), info.scan);

    // A cut segment in the extension is ignored: the zero size then refuses the picture.
    bytes[15] = 0x01;
    Bytes cut(bytes.begin(), bytes.begin() + 20);
    cut.insert(cut.end(), payload.begin(), payload.end());
    cut[3] = 2;
    ASSERT_TRUE(packet.parse(cut.data(), cut.size()));
    d->input(packet, sink);
    EXPECT_EQ(1u, sink.pictures.size());
}
