#include "Stream/Media/VideoParameterSets.h"

#include "Stream/Media/BitReader.h"

namespace Zentar {
namespace StreamSvr {

namespace {

// Parameter sets are small; the fields read here come early in them.
const size_t kMaxRbsp = 1024;
const uint32_t kMaxPictureUnits = 1u << 16; // macroblocks / luma samples sanity bound

bool h264HasChromaInfo(int profile)
{
    static const int kProfiles[] = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};
    for (int p : kProfiles)
        if (p == profile)
            return true;
    return false;
}

void skipH264ScalingList(CBitReader& r, int size)
{
    int last = 8, next = 8;
    for (int j = 0; j < size && !r.overflow(); ++j) {
        if (next != 0) {
            const int delta = r.readSe();
            next = (last + delta + 256) % 256;
        }
        last = next == 0 ? last : next;
    }
}

int frameTypeFromSliceType(uint32_t sliceType, bool h265)
{
    if (h265) {
        static const int kTypes[] = {66, 80, 73}; // B, P, I
        return sliceType < 3 ? kTypes[sliceType] : 0;
    }
    static const int kTypes[] = {80, 66, 73, 80, 73}; // P, B, I, SP, SI
    return kTypes[sliceType % 5];
}

} // namespace

size_t nalToRbsp(const uint8_t* nal, size_t size, uint8_t* out, size_t cap)
{
    size_t n = 0;
    int zeros = 0;
    for (size_t i = 0; i < size && n < cap; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        out[n++] = nal[i];
    }
    return n;
}

bool parseH264Sps(const uint8_t* nal, size_t size, CVideoSpsInfo& out)
{
    if (!nal || size < 4 || (nal[0] & 0x1F) != 7)
        return false;
    uint8_t rbsp[kMaxRbsp];
    const size_t n = nalToRbsp(nal + 1, size - 1, rbsp, sizeof rbsp);
    CBitReader r(rbsp, n);
    CVideoSpsInfo info;
    info.profile = static_cast<int>(r.readBits(8));
    r.skipBits(8); // constraint flags
    info.level = static_cast<int>(r.readBits(8));
    if (r.readUe() > 31)
        return false;
    bool separateColourPlanes = false;
    if (h264HasChromaInfo(info.profile)) {
        info.chromaFormat = static_cast<int>(r.readUe());
        if (info.chromaFormat > 3)
            return false;
        if (info.chromaFormat == 3)
            separateColourPlanes = r.readFlag();
        r.readUe(); // bit_depth_luma_minus8
        r.readUe(); // bit_depth_chroma_minus8
        r.readFlag(); // qpprime_y_zero_transform_bypass_flag
        if (r.readFlag()) { // seq_scaling_matrix_present_flag
            const int lists = info.chromaFormat == 3 ? 12 : 8;
            for (int i = 0; i < lists && !r.overflow(); ++i)
                if (r.readFlag())
                    skipH264ScalingList(r, i < 6 ? 16 : 64);
        }
    }
    if (r.readUe() > 12) // log2_max_frame_num_minus4
        return false;
    const uint32_t pocType = r.readUe();
    if (pocType == 0) {
        r.readUe(); // log2_max_pic_order_cnt_lsb_minus4
    } else if (pocType == 1) {
        r.readFlag();
        r.readSe();
        r.readSe();
        const uint32_t cycle = r.readUe();
        if (cycle > 255)
            return false;
        for (uint32_t i = 0; i < cycle && !r.overflow(); ++i)
            r.readSe();
    } else if (pocType != 2) {
        return false;
    }
    r.readUe();   // max_num_ref_frames
    r.readFlag(); // gaps_in_frame_num_value_allowed_flag
    const uint32_t widthMbs = r.readUe() + 1;
    const uint32_t heightMapUnits = r.readUe() + 1;
    const bool frameMbsOnly = r.readFlag();
    if (!frameMbsOnly)
        r.readFlag(); // mb_adaptive_frame_field_flag
    r.readFlag();     // direct_8x8_inference_flag
    uint32_t cropLeft = 0, cropRight = 0, cropTop = 0, cropBottom = 0;
    if (r.readFlag()) {
        cropLeft = r.readUe();
        cropRight = r.readUe();
        cropTop = r.readUe();
        cropBottom = r.readUe();
    }
    if (r.overflow() || widthMbs > kMaxPictureUnits || heightMapUnits > kMaxPictureUnits)
        return false;

    // Crop units (H.264 7.4.2.1.1): chroma subsampling, times 2 vertically for field coding.
    const int chromaArrayType = separateColourPlanes ? 0 : info.chromaFormat;
    const uint32_t subWidth = (chromaArrayType == 1 || chromaArrayType == 2) ? 2 : 1;
    const uint32_t subHeight = chromaArrayType == 1 ? 2 : 1;
    const uint32_t cropUnitX = chromaArrayType == 0 ? 1 : subWidth;
    const uint32_t cropUnitY = (chromaArrayType == 0 ? 1 : subHeight) * (frameMbsOnly ? 1 : 2);
    const int64_t width = int64_t(widthMbs) * 16 - int64_t(cropUnitX) * (int64_t(cropLeft) + cropRight);
    const int64_t height =
        int64_t(heightMapUnits) * 16 * (frameMbsOnly ? 1 : 2) - int64_t(cropUnitY) * (int64_t(cropTop) + cropBottom);
    if (width <= 0 || height <= 0)
        return false;
    info.width = static_cast<int>(width);
    info.height = static_cast<int>(height);
    out = info;
    return true;
}

bool parseH265Sps(const uint8_t* nal, size_t size, CVideoSpsInfo& out)
{
    if (!nal || size < 6 || ((nal[0] >> 1) & 0x3F) != 33)
        return false;
    uint8_t rbsp[kMaxRbsp];
    const size_t n = nalToRbsp(nal + 2, size - 2, rbsp, sizeof rbsp);
    CBitReader r(rbsp, n);
    CVideoSpsInfo info;
    r.skipBits(4); // sps_video_parameter_set_id
    const uint32_t maxSubLayersMinus1 = r.readBits(3);
    r.skipBits(1); // sps_temporal_id_nesting_flag

    // profile_tier_level(1, maxSubLayersMinus1)
    r.skipBits(2 + 1);                    // general_profile_space, general_tier_flag
    info.profile = static_cast<int>(r.readBits(5));
    r.skipBits(32);                       // general_profile_compatibility_flags
    r.skipBits(4 + 43 + 1);               // source flags, constraint bits, inbld/reserved
    info.level = static_cast<int>(r.readBits(8));
    bool subProfile[8] = {}, subLevel[8] = {};
    for (uint32_t i = 0; i < maxSubLayersMinus1; ++i) {
        subProfile[i] = r.readFlag();
        subLevel[i] = r.readFlag();
    }
    if (maxSubLayersMinus1 > 0)
        for (uint32_t i = maxSubLayersMinus1; i < 8; ++i)
            r.skipBits(2); // reserved_zero_2bits
    for (uint32_t i = 0; i < maxSubLayersMinus1; ++i) {
        if (subProfile[i])
            r.skipBits(88);
        if (subLevel[i])
            r.skipBits(8);
    }

    if (r.readUe() > 15) // sps_seq_parameter_set_id
        return false;
    info.chromaFormat = static_cast<int>(r.readUe());
    if (info.chromaFormat > 3)
        return false;
    bool separateColourPlanes = false;
    if (info.chromaFormat == 3)
        separateColourPlanes = r.readFlag();
    const uint32_t width = r.readUe();
    const uint32_t height = r.readUe();
    uint32_t left = 0, right = 0, top = 0, bottom = 0;
    if (r.readFlag()) { // conformance_window_flag
        left = r.readUe();
        right = r.readUe();
        top = r.readUe();
        bottom = r.readUe();
    }
    if (r.overflow() || width == 0 || height == 0 || width > kMaxPictureUnits || height > kMaxPictureUnits)
        return false;
    const int chromaArrayType = separateColourPlanes ? 0 : info.chromaFormat;
    const int64_t subWidth = (chromaArrayType == 1 || chromaArrayType == 2) ? 2 : 1;
    const int64_t subHeight = chromaArrayType == 1 ? 2 : 1;
    const int64_t w = int64_t(width) - subWidth * (int64_t(left) + right);
    const int64_t h = int64_t(height) - subHeight * (int64_t(top) + bottom);
    if (w <= 0 || h <= 0)
        return false;
    info.width = static_cast<int>(w);
    info.height = static_cast<int>(h);
    out = info;
    return true;
}

int h264SliceFrameType(const uint8_t* nal, size_t size)
{
    if (!nal || size < 2)
        return 0;
    uint8_t rbsp[32];
    const size_t n = nalToRbsp(nal + 1, size - 1, rbsp, sizeof rbsp);
    CBitReader r(rbsp, n);
    r.readUe(); // first_mb_in_slice
    const uint32_t sliceType = r.readUe();
    if (r.overflow() || sliceType > 9)
        return 0;
    return frameTypeFromSliceType(sliceType, false);
}

int h265PpsExtraSliceHeaderBits(const uint8_t* nal, size_t size)
{
    if (!nal || size < 3)
        return -1;
    uint8_t rbsp[32];
    const size_t n = nalToRbsp(nal + 2, size - 2, rbsp, sizeof rbsp);
    CBitReader r(rbsp, n);
    r.readUe();                  // pps_pic_parameter_set_id
    r.readUe();                  // pps_seq_parameter_set_id
    r.skipBits(2);               // dependent_slice_segments_enabled_flag, output_flag_present_flag
    const int extra = static_cast<int>(r.readBits(3));
    return r.overflow() ? -1 : extra;
}

int h265SliceFrameType(const uint8_t* nal, size_t size, int extraSliceHeaderBits)
{
    if (!nal || size < 3 || extraSliceHeaderBits < 0)
        return 0;
    const int type = (nal[0] >> 1) & 0x3F;
    uint8_t rbsp[32];
    const size_t n = nalToRbsp(nal + 2, size - 2, rbsp, sizeof rbsp);
    CBitReader r(rbsp, n);
    if (!r.readFlag()) // first_slice_segment_in_pic_flag: later segments may be dependent
        return 0;
    if (type >= 16 && type <= 23)
        r.readFlag(); // no_output_of_prior_pics_flag
    r.readUe();       // slice_pic_parameter_set_id
    r.skipBits(static_cast<size_t>(extraSliceHeaderBits));
    const uint32_t sliceType = r.readUe();
    if (r.overflow())
        return 0;
    return frameTypeFromSliceType(sliceType, true);
}

} // namespace StreamSvr
} // namespace Zentar
