// The native frame format: the picture frame byte for byte, what the reader gives back,
// and the corrupt or truncated frames it must refuse; plus the JPEG size probe.
#include "Packaging/JpegInfo.h"
#include "Packaging/NativeFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace RPC {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t le32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) |
           (uint32_t(b[at + 3]) << 24);
}

// A made-up picture: SOI, a baseline frame header of 352x288, then filler bytes.
Bytes fakeJpeg(size_t filler)
{
    Bytes j = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01, 0x20, 0x01, 0x60, 0x03};
    for (size_t i = 0; i < filler; ++i)
        j.push_back(uint8_t(i * 7 + 1));
    j.push_back(0xFF);
    j.push_back(0xD9);
    return j;
}

const uint32_t kPacked20261205_221205 = 0x6B0B6305;

Bytes pictureFrame(const Bytes& jpeg, uint8_t channel = 3)
{
    Bytes out;
    EXPECT_TRUE(writeNativePictureFrame(jpeg.data(), jpeg.size(), channel, 352, 288,
                                        kPacked20261205_221205, 0xBEEF, out));
    return out;
}

// Restores the header sum after a test changed a header byte on purpose.
void fixHeaderSum(Bytes& f)
{
    unsigned sum = 0;
    for (size_t i = 0; i < 23; ++i)
        sum += f[i];
    f[23] = uint8_t(sum);
}

TEST(NativeFrameTime, PacksFieldsIntoTheirBits)
{
    CNativeFrameTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 5;
    t.hour = 22;
    t.minute = 12;
    t.second = 5;
    EXPECT_EQ(packNativeFrameTime(t), kPacked20261205_221205);

    const CNativeFrameTime cases[] = {
        {2000, 1, 1, 0, 0, 0}, {2063, 12, 31, 23, 59, 59}, {2024, 2, 29, 12, 30, 45}};
    for (const CNativeFrameTime& c : cases) {
        CNativeFrameTime back = unpackNativeFrameTime(packNativeFrameTime(c));
        EXPECT_EQ(back.year, c.year);
        EXPECT_EQ(back.month, c.month);
        EXPECT_EQ(back.day, c.day);
        EXPECT_EQ(back.hour, c.hour);
        EXPECT_EQ(back.minute, c.minute);
        EXPECT_EQ(back.second, c.second);
    }
}

TEST(NativeFrameChecksum, SumsLittleEndianWordsAndTheTail)
{
    struct Case {
        const char* why;
        Bytes data;
        uint32_t sum;
    } cases[] = {
        {"empty", {}, 0},
        {"one byte is a word of its own", {0x05}, 0x05},
        {"one whole word", {0x01, 0x02, 0x03, 0x04}, 0x04030201},
        {"five bytes: a word plus the fifth byte", {0x01, 0x02, 0x03, 0x04, 0x05}, 0x04030206},
        {"seven bytes: a tail of three", {0, 0, 0, 1, 0x11, 0x22, 0x33}, 0x01332211},
        {"wraps modulo 2^32", {0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0, 0, 0}, 0x00000001},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nativeFramePayloadChecksum(c.data.data(), c.data.size()), c.sum) << c.why;
}

TEST(NativePictureFrame, LaysOutHeaderItemsPayloadAndTrailer)
{
    Bytes jpeg = fakeJpeg(30);
    Bytes f = pictureFrame(jpeg);
    const size_t n = jpeg.size();
    ASSERT_EQ(f.size(), 44 + n + 8);

    const Bytes header = {'Z', 'T', 'A', 'V', 0xFB, 0, 3, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), f.begin()));
    EXPECT_EQ(le32(f, 12), 44 + n + 8);
    EXPECT_EQ(le32(f, 16), kPacked20261205_221205);
    EXPECT_EQ(f[20], 0xEF);
    EXPECT_EQ(f[21], 0xBE);
    EXPECT_EQ(f[22], 20);
    unsigned sum = 0;
    for (size_t i = 0; i < 23; ++i)
        sum += f[i];
    EXPECT_EQ(f[23], uint8_t(sum));

    uint32_t pictureSum = nativeFramePayloadChecksum(jpeg.data(), n);
    const Bytes items = {0x88, uint8_t(pictureSum), uint8_t(pictureSum >> 8), uint8_t(pictureSum >> 16),
                         uint8_t(pictureSum >> 24), 0, 0, 0,
                         0x82, 0, 0, 0, 0x60, 0x01, 0x20, 0x01, // 352 x 288
                         0x81, 1, 5, 25};
    EXPECT_TRUE(std::equal(items.begin(), items.end(), f.begin() + 24));
    EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), f.begin() + 44));
    EXPECT_EQ(std::string(f.begin() + 44 + n, f.begin() + 48 + n), "ztav");
    EXPECT_EQ(le32(f, 48 + n), 44 + n + 8);
}

TEST(NativePictureFrame, ReadsBackWhatWasWritten)
{
    // Payload lengths with every tail length of the checksum, the 5-byte picture included.
    for (size_t payload : {size_t(0), size_t(1), size_t(4), size_t(5), size_t(6), size_t(7), size_t(1000)}) {
        Bytes jpeg(payload);
        for (size_t i = 0; i < payload; ++i)
            jpeg[i] = uint8_t(0xA0 + i);
        Bytes f = pictureFrame(jpeg, 9);
        CNativeFrameView v;
        ASSERT_EQ(readNativeFrame(f.data(), f.size(), v), ENativeFrameError::None) << payload;
        EXPECT_EQ(v.frameLen, f.size());
        EXPECT_EQ(v.payloadLen, payload);
        EXPECT_TRUE(payload == 0 || std::memcmp(v.payload, jpeg.data(), payload) == 0);
        EXPECT_EQ(v.info.kind, NativeFrame::kKindPicture);
        EXPECT_EQ(v.info.channel, 9);
        EXPECT_EQ(v.info.sequence, 0u);
        EXPECT_EQ(v.info.packedTime, kPacked20261205_221205);
        EXPECT_EQ(v.info.millis, 0xBEEF);
        ASSERT_TRUE(v.info.hasChecksum && v.info.hasResolution && v.info.hasFrameRate);
        EXPECT_FALSE(v.info.hasPrivate || v.info.hasAudioFormat);
        EXPECT_EQ(v.info.checksum, nativeFramePayloadChecksum(jpeg.data(), payload));
        EXPECT_EQ(v.info.width, 352);
        EXPECT_EQ(v.info.height, 288);
        EXPECT_EQ(v.info.frameRate, 25);
    }
}

TEST(NativeVideoFrame, CarriesEveryItemAndAllowsTheRateToBeRewritten)
{
    CNativeFrameWriter w;
    w.setKind(NativeFrame::kKindVideoKey)
        .setChannel(1)
        .setSequence(77)
        .setTime(1234, 56)
        .setResolution(1920, 1080)
        .setFrameRate(NativeFrame::kVideoCodecH264, 30)
        .setPrivate(7, 8, 9)
        .setAudioFormat(14, 1, uint8_t(nativeFrameAudioRateIndex(8000)));
    const Bytes nal = {0, 0, 0, 1, 0x65, 0x88, 0x84};
    Bytes f;
    ASSERT_TRUE(w.write(nal.data(), nal.size(), f));
    ASSERT_EQ(f.size(), w.frameSize(nal.size()));

    EXPECT_EQ(getNativeFrameRate(f.data(), f.size()), 30);
    ASSERT_TRUE(setNativeFrameRate(f.data(), f.size(), 12));
    CNativeFrameView v;
    ASSERT_EQ(readNativeFrame(f.data(), f.size(), v), ENativeFrameError::None);
    EXPECT_EQ(v.info.kind, 0xFD);
    EXPECT_EQ(v.info.sequence, 77u);
    EXPECT_EQ(v.info.frameRate, 12);
    EXPECT_EQ(v.info.codec, NativeFrame::kVideoCodecH264);
    EXPECT_EQ(v.info.width, 1920);
    EXPECT_EQ(v.info.height, 1080);
    EXPECT_EQ(v.info.privateBytes[2], 9);
    EXPECT_EQ(v.info.audioCodec, 14);
    EXPECT_EQ(nativeFrameAudioRate(v.info.audioRateIndex), 8000);
    EXPECT_FALSE(v.info.hasChecksum);
    EXPECT_EQ(v.payloadLen, nal.size());

    // Without the item there is nothing to rewrite.
    Bytes bare;
    ASSERT_TRUE(CNativeFrameWriter().setKind(NativeFrame::kKindAudio).write(nal.data(), 3, bare));
    EXPECT_FALSE(setNativeFrameRate(bare.data(), bare.size(), 25));
    EXPECT_EQ(getNativeFrameRate(bare.data(), bare.size()), -1);
}

TEST(NativeFrameReader, WalksAStreamOfFrames)
{
    Bytes a = pictureFrame(fakeJpeg(3), 1);
    Bytes b = pictureFrame(fakeJpeg(9), 2);
    Bytes stream = a;
    stream.insert(stream.end(), b.begin(), b.end());
    CNativeFrameView v;
    ASSERT_EQ(readNativeFrame(stream.data(), stream.size(), v), ENativeFrameError::None);
    EXPECT_EQ(v.frameLen, a.size());
    ASSERT_EQ(readNativeFrame(stream.data() + v.frameLen, stream.size() - v.frameLen, v),
              ENativeFrameError::None);
    EXPECT_EQ(v.info.channel, 2);
}

TEST(NativeFrameReader, RefusesCorruptFrames)
{
    const Bytes jpeg = fakeJpeg(21);
    const size_t n = jpeg.size();
    struct Case {
        const char* why;
        std::function<void(Bytes&)> spoil;
        ENativeFrameError error;
    } cases[] = {
        {"magic", [](Bytes& f) { f[0] = 'X'; }, ENativeFrameError::BadMagic},
        {"header byte without its sum", [](Bytes& f) { f[6] ^= 1; }, ENativeFrameError::BadHeaderChecksum},
        {"total larger than the buffer",
         [](Bytes& f) { f[12] += 1; fixHeaderSum(f); }, ENativeFrameError::Truncated},
        {"total smaller than header and trailer",
         [](Bytes& f) { f[12] = 20; f[13] = f[14] = f[15] = 0; fixHeaderSum(f); }, ENativeFrameError::BadLength},
        {"total of 4 GiB - 1",
         [](Bytes& f) { f[12] = f[13] = f[14] = f[15] = 0xFF; fixHeaderSum(f); }, ENativeFrameError::Truncated},
        {"extension area cuts the resolution item",
         [](Bytes& f) { f[22] = 12; fixHeaderSum(f); }, ENativeFrameError::BadExtension},
        {"an item twice", [](Bytes& f) { f[32] = 0x88; }, ENativeFrameError::BadExtension},
        {"payload byte", [n](Bytes& f) { f[44 + n / 2] ^= 0x40; }, ENativeFrameError::BadPayloadChecksum},
        {"checksum item", [](Bytes& f) { f[25] ^= 0x01; }, ENativeFrameError::BadPayloadChecksum},
        {"trailer magic", [n](Bytes& f) { f[44 + n] = 'Z'; }, ENativeFrameError::BadTrailer},
        {"trailer length", [n](Bytes& f) { f[48 + n] ^= 0x01; }, ENativeFrameError::BadTrailer},
    };
    for (const Case& c : cases) {
        Bytes f = pictureFrame(jpeg);
        c.spoil(f);
        CNativeFrameView v;
        EXPECT_EQ(readNativeFrame(f.data(), f.size(), v), c.error) << c.why;
        EXPECT_EQ(v.payload, nullptr) << c.why;
    }
}

TEST(NativeFrameReader, RefusesEveryTruncation)
{
    const Bytes f = pictureFrame(fakeJpeg(17));
    for (size_t len = 0; len < f.size(); ++len) {
        // An exact-size copy, so that any read past the cut is a read past the buffer.
        Bytes cut(f.begin(), f.begin() + len);
        CNativeFrameView v;
        EXPECT_NE(readNativeFrame(cut.empty() ? nullptr : cut.data(), len, v), ENativeFrameError::None) << len;
        if (len < 44) { // header and extension area incomplete
            EXPECT_FALSE(setNativeFrameRate(cut.data(), len, 5)) << len;
        }
    }
}

TEST(NativeFrameWriter, RefusesWhatItCannotWrite)
{
    CNativeFrameWriter w;
    Bytes out;
    EXPECT_FALSE(w.write(nullptr, 4, out));
    uint8_t small[40];
    const uint8_t payload[16] = {};
    EXPECT_EQ(w.writeTo(payload, sizeof(payload), small, sizeof(small)), 0u);
    EXPECT_EQ(w.frameSize(size_t(0xFFFFFFFF)), 0u);
    uint8_t exact[48];
    EXPECT_EQ(w.writeTo(payload, sizeof(payload), exact, sizeof(exact)), 48u);
}

TEST(JpegInfo, FindsTheBaselineSizeAndTheProgressiveKind)
{
    const Bytes baseline = fakeJpeg(5);
    uint16_t w = 0, h = 0;
    ASSERT_TRUE(jpegSof0Size(baseline.data(), baseline.size(), w, h));
    EXPECT_EQ(w, 352);
    EXPECT_EQ(h, 288);
    EXPECT_FALSE(jpegIsProgressive(baseline.data(), baseline.size()));

    Bytes progressive = baseline;
    progressive[3] = 0xC2;
    EXPECT_FALSE(jpegSof0Size(progressive.data(), progressive.size(), w, h));
    EXPECT_TRUE(jpegIsProgressive(progressive.data(), progressive.size()));

    // The marker found but its size bytes cut off.
    EXPECT_FALSE(jpegSof0Size(baseline.data(), 10, w, h));
    EXPECT_FALSE(jpegSof0Size(nullptr, 0, w, h));
    const Bytes notJpeg = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_FALSE(jpegIsProgressive(notJpeg.data(), notJpeg.size()));
}

} // namespace
} // namespace RPC
