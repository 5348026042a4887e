// Picture sizes and types read from H.264 and H.265 parameter sets and slice headers.
// The parameter sets are written here bit by bit from the syntax tables of the two
// standards, so each row says exactly what the camera would have sent.
#include <gtest/gtest.h>

#include <vector>

#include "Stream/Media/BitReader.h"
#include "Stream/Media/VideoParameterSets.h"

using namespace Zentar::StreamSvr;

namespace {

class CBitWriter {
public:
    void bits(uint32_t value, unsigned count)
    {
        for (unsigned i = count; i > 0; --i)
            bit((value >> (i - 1)) & 1u);
    }
    void ue(uint32_t value)
    {
        const uint64_t v = uint64_t(value) + 1;
        unsigned len = 0;
        while ((v >> len) > 1)
            ++len;
        bits(0, len);
        for (unsigned i = len + 1; i > 0; --i)
            bit(static_cast<unsigned>((v >> (i - 1)) & 1u));
    }
    void se(int32_t value) { ue(value > 0 ? uint32_t(value) * 2 - 1 : uint32_t(-value) * 2); }
    // rbsp_trailing_bits, then emulation prevention, behind the NAL header bytes.
    std::vector<uint8_t> nal(std::vector<uint8_t> header)
    {
        bit(1);
        while (m_count % 8)
            bit(0);
        int zeros = 0;
        for (uint8_t b : m_bytes) {
            if (zeros >= 2 && b <= 3) {
                header.push_back(3);
                zeros = 0;
            }
            header.push_back(b);
            zeros = b == 0 ? zeros + 1 : 0;
        }
        return header;
    }

private:
    void bit(unsigned b)
    {
        if (m_count % 8 == 0)
            m_bytes.push_back(0);
        if (b)
            m_bytes.back() |= static_cast<uint8_t>(0x80u >> (m_count % 8));
        ++m_count;
    }
    std::vector<uint8_t> m_bytes;
    size_t m_count = 0;
};

struct CH264Sps {
    int profile = 66;
    int level = 30;
    int chroma = 1;              // only written for the high profiles
    bool scalingMatrix = false;  // writes list 0 with a few deltas, list 6 absent, ...
    int pocType = 0;
    int widthMbs = 22;
    int heightUnits = 18;
    bool frameMbsOnly = true;
    int crop[4] = {0, 0, 0, 0};  // left, right, top, bottom
};

std::vector<uint8_t> h264Sps(const CH264Sps& s)
{
    CBitWriter w;
    w.bits(static_cast<uint32_t>(s.profile), 8);
    w.bits(0, 8);
    w.bits(static_cast<uint32_t>(s.level), 8);
    w.ue(0); // sps id
    if (s.profile == 100 || s.profile == 244 || s.profile == 122) {
        w.ue(static_cast<uint32_t>(s.chroma));
        if (s.chroma == 3)
            w.bits(0, 1);
        w.ue(0);
        w.ue(0);
        w.bits(0, 1);
        w.bits(s.scalingMatrix ? 1 : 0, 1);
        if (s.scalingMatrix) {
            const int lists = s.chroma == 3 ? 12 : 8;
            for (int i = 0; i < lists; ++i) {
                const bool present = i == 0 || i == 6;
                w.bits(present ? 1 : 0, 1);
                if (present) {
                    const int size = i < 6 ? 16 : 64;
                    for (int j = 0; j < size; ++j)
                        w.se(j == size - 1 ? -8 : 1); // ends with next_scale 0 partway is also legal
                }
            }
        }
    }
    w.ue(0); // log2_max_frame_num_minus4
    w.ue(static_cast<uint32_t>(s.pocType));
    if (s.pocType == 0) {
        w.ue(2);
    } else if (s.pocType == 1) {
        w.bits(0, 1);
        w.se(-3);
        w.se(4);
        w.ue(2);
        w.se(5);
        w.se(-6);
    }
    w.ue(1);         // max_num_ref_frames
    w.bits(0, 1);
    w.ue(static_cast<uint32_t>(s.widthMbs - 1));
    w.ue(static_cast<uint32_t>(s.heightUnits - 1));
    w.bits(s.frameMbsOnly ? 1 : 0, 1);
    if (!s.frameMbsOnly)
        w.bits(0, 1);
    w.bits(1, 1);    // direct_8x8_inference_flag
    const bool crop = s.crop[0] || s.crop[1] || s.crop[2] || s.crop[3];
    w.bits(crop ? 1 : 0, 1);
    if (crop)
        for (int c : s.crop)
            w.ue(static_cast<uint32_t>(c));
    w.bits(0, 1);    // vui_parameters_present_flag
    return w.nal({0x67});
}

struct CH265Sps {
    int maxSubLayersMinus1 = 0;
    int chroma = 1;
    int width = 1920;
    int height = 1088;
    int window[4] = {0, 0, 0, 0};
};

std::vector<uint8_t> h265Sps(const CH265Sps& s)
{
    CBitWriter w;
    w.bits(0, 4);
    w.bits(static_cast<uint32_t>(s.maxSubLayersMinus1), 3);
    w.bits(1, 1);
    // profile_tier_level: Main profile, level 4.1 (123)
    w.bits(0, 2);
    w.bits(0, 1);
    w.bits(1, 5);
    w.bits(0x60000000, 32);
    w.bits(0xB, 4);
    w.bits(0, 32);
    w.bits(0, 12); // 43 + 1 bits in all with the next line
    w.bits(0, 0);
    w.bits(123, 8);
    for (int i = 0; i < s.maxSubLayersMinus1; ++i) {
        w.bits(1, 1); // sub_layer_profile_present_flag
        w.bits(1, 1); // sub_layer_level_present_flag
    }
    if (s.maxSubLayersMinus1 > 0)
        for (int i = s.maxSubLayersMinus1; i < 8; ++i)
            w.bits(0, 2);
    for (int i = 0; i < s.maxSubLayersMinus1; ++i) {
        w.bits(0xFFFFFFFF, 32); // 88 bits of sub-layer profile, all ones to catch a misread
        w.bits(0xFFFFFFFF, 32);
        w.bits(0xFFFFFF, 24);
        w.bits(0xFF, 8);        // sub-layer level
    }
    w.ue(0);
    w.ue(static_cast<uint32_t>(s.chroma));
    if (s.chroma == 3)
        w.bits(0, 1);
    w.ue(static_cast<uint32_t>(s.width));
    w.ue(static_cast<uint32_t>(s.height));
    const bool window = s.window[0] || s.window[1] || s.window[2] || s.window[3];
    w.bits(window ? 1 : 0, 1);
    if (window)
        for (int c : s.window)
            w.ue(static_cast<uint32_t>(c));
    w.ue(0); // bit depths and the rest are not read
    w.ue(0);
    return w.nal({0x42, 0x01});
}

} // namespace

TEST(StreamVideoSps, WriterMatchesHandAssembledSps)
{
    // Baseline, level 3.0, 22x18 macroblocks, poc type 2, no cropping, no VUI:
    //   42 00 1E             profile 66, constraints 0, level 30
    //   1 1 011 010          sps id 0, log2_max_frame_num-4 = 0, poc type 2, 1 reference  -> DA
    //   0 000010110 000010010 gaps 0, width 22-1, height 18-1
    //   1 1 0 0 1            frame_mbs_only, direct_8x8, no crop, no VUI, stop bit      -> 05 82 59
    const std::vector<uint8_t> literal = {0x67, 0x42, 0x00, 0x1E, 0xDA, 0x05, 0x82, 0x59};
    CH264Sps s;
    s.pocType = 2;
    std::vector<uint8_t> built = h264Sps(s);
    EXPECT_EQ(literal, built);
    CVideoSpsInfo info;
    ASSERT_TRUE(parseH264Sps(literal.data(), literal.size(), info));
    EXPECT_EQ(352, info.width);
    EXPECT_EQ(288, info.height);
    EXPECT_EQ(66, info.profile);
    EXPECT_EQ(30, info.level);
}

TEST(StreamVideoSps, H264Sizes)
{
    const struct {
        const char* name;
        CH264Sps sps;
        int width;
        int height;
    } cases[] = {
        {"1080p High, crop 4 chroma rows", {100, 40, 1, false, 0, 120, 68, true, {0, 0, 0, 4}}, 1920, 1080},
        {"1080i Main, field coding doubles rows and crop unit", {77, 40, 1, false, 0, 120, 34, false, {0, 0, 0, 2}}, 1920, 1080},
        {"High with scaling matrices", {100, 31, 1, true, 0, 80, 45, true, {0, 0, 0, 0}}, 1280, 720},
        {"4:4:4 crops in single pixels", {244, 50, 3, false, 0, 80, 45, true, {0, 3, 0, 1}}, 1277, 719},
        {"poc type 1 with a cycle", {66, 30, 1, false, 1, 40, 30, true, {1, 1, 1, 1}}, 636, 476},
        {"D1 with emulation prevention in the bytes", {66, 30, 1, false, 0, 45, 36, true, {0, 0, 0, 0}}, 720, 576},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> nal = h264Sps(c.sps);
        CVideoSpsInfo info;
        ASSERT_TRUE(parseH264Sps(nal.data(), nal.size(), info));
        EXPECT_EQ(c.width, info.width);
        EXPECT_EQ(c.height, info.height);
        EXPECT_EQ(c.sps.profile, info.profile);
        // Every cut loses the tail fields: never a crash, never a wrong size.
        for (size_t len = 0; len + 1 < nal.size(); ++len) {
            CVideoSpsInfo cut;
            if (parseH264Sps(nal.data(), len, cut)) {
                EXPECT_EQ(c.width, cut.width) << len;
                EXPECT_EQ(c.height, cut.height) << len;
            }
        }
    }
}

TEST(StreamVideoSps, H265SizesThroughProfileTierLevel)
{
    const struct {
        const char* name;
        CH265Sps sps;
        int width;
        int height;
    } cases[] = {
        {"1080p, window of 4 chroma rows", {0, 1, 1920, 1088, {0, 0, 0, 4}}, 1920, 1080},
        {"2160p with three sub-layers", {2, 1, 3840, 2160, {0, 0, 0, 0}}, 3840, 2160},
        {"seven sub-layers", {6, 1, 1280, 720, {0, 0, 0, 0}}, 1280, 720},
        {"4:2:2 crops rows one by one", {0, 2, 704, 480, {1, 1, 2, 2}}, 700, 476},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> nal = h265Sps(c.sps);
        CVideoSpsInfo info;
        ASSERT_TRUE(parseH265Sps(nal.data(), nal.size(), info));
        EXPECT_EQ(c.width, info.width);
        EXPECT_EQ(c.height, info.height);
        EXPECT_EQ(1, info.profile);
        EXPECT_EQ(123, info.level);
    }
}

TEST(StreamVideoSps, RefusesWrongOrHostileUnits)
{
    CVideoSpsInfo info;
    const std::vector<uint8_t> pps = {0x68, 0xCE, 0x3C, 0x80};
    EXPECT_FALSE(parseH264Sps(pps.data(), pps.size(), info));
    EXPECT_FALSE(parseH264Sps(nullptr, 10, info));
    // Leading zeros without end: the exp-Golomb reader stops at 32 bits.
    const std::vector<uint8_t> zeros = {0x67, 0x42, 0x00, 0x1E, 0x00, 0x00, 0x03, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00};
    EXPECT_FALSE(parseH264Sps(zeros.data(), zeros.size(), info));
    // Cropping more than the picture.
    CH264Sps s;
    s.crop[1] = 200;
    const std::vector<uint8_t> over = h264Sps(s);
    EXPECT_FALSE(parseH264Sps(over.data(), over.size(), info));
    CH265Sps h;
    h.window[0] = 2000;
    const std::vector<uint8_t> over265 = h265Sps(h);
    EXPECT_FALSE(parseH265Sps(over265.data(), over265.size(), info));
    EXPECT_FALSE(parseH265Sps(pps.data(), pps.size(), info));
}

TEST(StreamVideoSps, SliceTypes)
{
    const struct {
        std::vector<uint8_t> nal;
        int type;
    } h264[] = {
        {{0x65, 0x88, 0x84}, 73}, // first_mb 0, slice_type 7 (I)
        {{0x41, 0x9A, 0x00}, 80}, // slice_type 5 (P)
        {{0x01, 0x9C, 0x00}, 66}, // slice_type 6 (B)
        {{0x41, 0x00, 0x00}, 0},  // no exp-Golomb end within the bytes
    };
    for (const auto& c : h264)
        EXPECT_EQ(c.type, h264SliceFrameType(c.nal.data(), c.nal.size()));

    // H.265: first_slice_segment_in_pic_flag, [no_output_of_prior_pics], pps id, extra bits, type
    const std::vector<uint8_t> pps = {0x44, 0x01, 0xC5}; // ids 0, 0, flags 0 0, extra bits 010 -> 2
    ASSERT_EQ(2, h265PpsExtraSliceHeaderBits(pps.data(), pps.size()));
    const struct {
        std::vector<uint8_t> nal;
        int extra;
        int type;
    } h265[] = {
        {{0x02, 0x01, 0xD0}, 0, 80},  // 1 1 010: P
        {{0x02, 0x01, 0xE0}, 0, 66},  // 1 1 1: B
        {{0x02, 0x01, 0xC6}, 2, 73},  // 1 1 00 011: two extra bits, then I
        {{0x02, 0x01, 0x50}, 0, 0},   // not the first segment of the picture
        {{0x26, 0x01, 0xAC}, 0, 73},  // IDR: 1 0 1 011 -> no_output flag read first
    };
    for (const auto& c : h265)
        EXPECT_EQ(c.type, h265SliceFrameType(c.nal.data(), c.nal.size(), c.extra));
}

TEST(StreamVideoSps, BitReaderOverflowIsSticky)
{
    const uint8_t bytes[] = {0xA5};
    CBitReader r(bytes, 1);
    EXPECT_EQ(0xAu, r.readBits(4));
    EXPECT_FALSE(r.overflow());
    EXPECT_EQ(0x5u, r.readBits(4));
    EXPECT_EQ(0u, r.readBits(3));
    EXPECT_TRUE(r.overflow());
    EXPECT_EQ(0u, r.bitsLeft());
    CBitReader e(bytes, 1);
    e.skipBits(1);
    EXPECT_EQ(1u, e.readUe()); // "010": one leading zero, suffix 0 -> 2^1 - 1 + 0
    EXPECT_FALSE(e.overflow());
}
