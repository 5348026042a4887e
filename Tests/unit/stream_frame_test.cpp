// The frames handed to the host: shared packet bytes, the end-of-stream marker, and the
// native packets the packager makes from access units (read back with the format's reader).
#include <gtest/gtest.h>

#include <vector>

#include "Packaging/NativeFrame.h"
#include "Stream/Media/FramePackager.h"
#include "Stream/Media/MediaFrame.h"
#include "Stream/Media/SvrMediaFrame.h"

using namespace Zentar;
using namespace Zentar::StreamSvr;

TEST(StreamMediaFrame, CopiesShareBytesAndEmptyFrameMarksTheEnd)
{
    Stream::CMediaFrame a;
    EXPECT_FALSE(a.valid());
    EXPECT_EQ(0, a.getKind());
    const uint8_t bytes[] = {'Z', 'T', 'A', 'V', 0xFD, 0, 1};
    ASSERT_TRUE(a.assign(bytes, sizeof bytes));
    a.setChannel(3);
    a.setStreamType(1);
    a.setPts(1234);
    a.setFrameType(73);
    EXPECT_EQ(0xFD, a.getKind());

    Stream::CMediaFrame b = a;
    EXPECT_EQ(a.getBuffer(), b.getBuffer()); // no copy of the bytes
    b.getBuffer()[6] = 9;                    // stamping one is seen by all holders
    EXPECT_EQ(9, a.getBuffer()[6]);
    EXPECT_EQ(3, b.getChannel());
    EXPECT_EQ(1234u, b.getPts());

    a.reset();
    EXPECT_FALSE(a.valid());
    EXPECT_EQ(0u, a.size());
    EXPECT_EQ(0, a.getChannel());
    EXPECT_TRUE(b.valid()); // the other holder keeps its reference

    EXPECT_FALSE(a.alloc(0));
    EXPECT_FALSE(a.alloc(Stream::CMediaFrame::kMaxSize + 1));
    EXPECT_FALSE(a.assign(nullptr, 4));
    EXPECT_TRUE(b.setSize(3));
    EXPECT_FALSE(b.setSize(4));
}

TEST(StreamMediaFrame, ReleasedBuffersAreReused)
{
    const uint8_t* first = nullptr;
    {
        Stream::CMediaFrame f;
        ASSERT_TRUE(f.alloc(100000));
        first = f.getBuffer();
    }
    Stream::CMediaFrame g;
    ASSERT_TRUE(g.alloc(50000));
    EXPECT_EQ(first, g.getBuffer()); // the pooled buffer had room
    Stream::CMediaFrame h = g;
    g.reset();
    EXPECT_TRUE(h.valid());              // still referenced: not back in the pool
    EXPECT_NE(h.getBuffer(), nullptr);
}

TEST(StreamMediaFrame, SessionFrameDeepCopiesHostPacket)
{
    Stream::CMediaFrame host;
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(host.assign(bytes, sizeof bytes));
    host.setPts(777);
    host.setFrameType(65);
    CMediaFrame frame;
    ASSERT_TRUE(frame.assign(host));
    EXPECT_TRUE(frame.valid());
    EXPECT_NE(host.getBuffer(), frame.getPacket().getBuffer());
    EXPECT_EQ(777u, frame.getPts());
    EXPECT_EQ(65, frame.getFrameType());
    host.getBuffer()[0] = 99;
    EXPECT_EQ(1, frame.getPacket().getBuffer()[0]);
    Stream::CMediaFrame empty;
    EXPECT_FALSE(frame.assign(empty));
    EXPECT_FALSE(frame.valid());
}

namespace {

CAccessUnit videoUnit(EMediaCodec codec, uint32_t ts, bool key, const std::vector<uint8_t>& data)
{
    CAccessUnit u;
    u.codec = codec;
    u.rtpTimestamp = ts;
    u.key = key;
    u.frameType = key ? 73 : 80;
    u.width = 1920;
    u.height = 1080;
    u.data = data.data();
    u.size = data.size();
    return u;
}

RPC::CNativeFrameView read(const CMediaFrame& frame)
{
    RPC::CNativeFrameView view;
    EXPECT_EQ(RPC::ENativeFrameError::None,
              RPC::readNativeFrame(frame.getPacket().getBuffer(), frame.getPacket().size(), view));
    return view;
}

} // namespace

TEST(StreamFramePackager, VideoPacketsCarryKindSizeRateAndPts)
{
    CFramePackager packager(90000);
    packager.setChannel(2);
    packager.setMediaIndex(0);
    const std::vector<uint8_t> payload = {0, 0, 0, 1, 0x65, 0x88};
    const struct {
        EMediaCodec codec;
        uint8_t hostCodec;
    } codecs[] = {{kCodecH264, RPC::NativeFrame::kVideoCodecH264},
                  {kCodecH265, RPC::NativeFrame::kVideoCodecH265},
                  {kCodecMjpeg, RPC::NativeFrame::kVideoCodecJpeg}};
    for (const auto& c : codecs) {
        SCOPED_TRACE(codecName(c.codec));
        packager.reset();
        CMediaFrame key, delta;
        // 25 frames per second: 3600 ticks apart, starting just before the 32-bit wrap.
        ASSERT_TRUE(packager.package(videoUnit(c.codec, 0xFFFFF000u, true, payload), key));
        ASSERT_TRUE(packager.package(videoUnit(c.codec, 0xFFFFF000u + 3600u, false, payload), delta));

        const RPC::CNativeFrameView k = read(key);
        EXPECT_EQ(RPC::NativeFrame::kKindVideoKey, k.info.kind);
        EXPECT_EQ(2, k.info.channel);
        ASSERT_TRUE(k.info.hasResolution);
        EXPECT_EQ(1920, k.info.width);
        EXPECT_EQ(1080, k.info.height);
        ASSERT_TRUE(k.info.hasFrameRate);
        EXPECT_EQ(c.hostCodec, k.info.codec);
        EXPECT_EQ(payload, std::vector<uint8_t>(k.payload, k.payload + k.payloadLen));
        EXPECT_EQ(0u, key.getPts());
        EXPECT_EQ(73, key.getFrameType());
        EXPECT_TRUE(key.isKey());
        EXPECT_EQ(0, key.getMediaIndex());

        const RPC::CNativeFrameView d = read(delta);
        EXPECT_EQ(RPC::NativeFrame::kKindVideoDelta, d.info.kind);
        EXPECT_EQ(25, d.info.frameRate); // measured from the step
        EXPECT_EQ(k.info.sequence + 1, d.info.sequence);
        EXPECT_EQ(40u, delta.getPts());  // across the wrap
        EXPECT_EQ(80, delta.getFrameType());
    }
}

TEST(StreamFramePackager, ConfiguredRateWinsAndTimestampsKeepGoingOverWraps)
{
    CFramePackager packager(90000);
    packager.setConfiguredFrameRate(15);
    const std::vector<uint8_t> payload = {1, 2, 3};
    CMediaFrame f;
    uint32_t ts = 0xFFFF0000u;
    uint64_t lastPts = 0;
    for (int i = 0; i < 40; ++i) { // 40 frames of 2 s: crosses the 32-bit wrap once
        ASSERT_TRUE(packager.package(videoUnit(kCodecH264, ts, i == 0, payload), f));
        EXPECT_EQ(uint64_t(i) * 2000u, f.getPts());
        lastPts = f.getPts();
        ts += 180000;
    }
    EXPECT_EQ(78000u, lastPts);
    EXPECT_EQ(15, read(f).info.frameRate);
}

TEST(StreamFramePackager, MeasuredRateCopesWithBPictures)
{
    // Sending order I P B B P B B ... at 30 frames per second (3000 ticks).
    CFramePackager packager(90000);
    const std::vector<uint8_t> payload = {1};
    const int displayIndex[] = {0, 3, 1, 2, 6, 4, 5, 9, 7, 8};
    CMediaFrame f;
    for (int i : displayIndex)
        ASSERT_TRUE(packager.package(videoUnit(kCodecH264, 1000u + uint32_t(i) * 3000u, i == 0, payload), f));
    EXPECT_EQ(30, packager.measuredFrameRate());
    EXPECT_EQ(30, read(f).info.frameRate);
    EXPECT_EQ(8u * 1000u / 30u, f.getPts()); // display time of the last one sent (index 8)
}

TEST(StreamFramePackager, AudioPacketsCarryTheAudioFormat)
{
    const struct {
        EMediaCodec codec;
        int bitRate;
        int rate;
        int channels;
        uint8_t hostCode;
    } cases[] = {
        {kCodecG711U, 0, 8000, 1, 10}, {kCodecG711A, 0, 8000, 1, 14}, {kCodecAac, 0, 48000, 2, 26},
        {kCodecL16, 0, 16000, 1, 16},  {kCodecG726, 40000, 8000, 1, 27}, {kCodecG726, 16000, 8000, 1, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(codecName(c.codec));
        CFramePackager packager(static_cast<uint32_t>(c.rate));
        const std::vector<uint8_t> samples(160, 0x7F);
        CAccessUnit u;
        u.codec = c.codec;
        u.key = true;
        u.frameType = 65;
        u.sampleRate = c.rate;
        u.channels = c.channels;
        u.bitRate = c.bitRate;
        u.data = samples.data();
        u.size = samples.size();
        CMediaFrame f;
        ASSERT_TRUE(packager.package(u, f));
        const RPC::CNativeFrameView v = read(f);
        EXPECT_EQ(RPC::NativeFrame::kKindAudio, v.info.kind);
        ASSERT_TRUE(v.info.hasAudioFormat);
        EXPECT_EQ(c.hostCode, v.info.audioCodec);
        EXPECT_EQ(c.channels, v.info.audioChannels);
        EXPECT_EQ(c.rate, RPC::nativeFrameAudioRate(v.info.audioRateIndex));
        EXPECT_FALSE(v.info.hasResolution);
        EXPECT_EQ(65, f.getFrameType());
        EXPECT_EQ(160u, v.payloadLen);
    }
}

TEST(StreamFramePackager, RefusesEmptyAndUnknownUnits)
{
    CFramePackager packager;
    CMediaFrame f;
    CAccessUnit u;
    EXPECT_FALSE(packager.package(u, f));
    EXPECT_FALSE(f.valid());
    const uint8_t b = 1;
    u.data = &b;
    u.size = 1;
    EXPECT_FALSE(packager.package(u, f)); // codec unknown
    u.codec = kCodecH264;
    EXPECT_TRUE(packager.package(u, f));
}
