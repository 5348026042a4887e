#pragma once
// Readers for the parts of H.264 and H.265 parameter sets and slice headers the stream
// needs: picture size (after cropping) and picture type. Input is one NAL unit with its
// header and without a start code; emulation prevention bytes are removed internally.
#include <cstddef>
#include <cstdint>

namespace Zentar {
namespace StreamSvr {

struct CVideoSpsInfo {
    int width = 0;
    int height = 0;
    int profile = 0;    // profile_idc / general_profile_idc
    int level = 0;      // level_idc / general_level_idc
    int chromaFormat = 1;
};

// False when the unit is not an SPS or its fields run past the end or are out of range.
bool parseH264Sps(const uint8_t* nal, size_t size, CVideoSpsInfo& out);
bool parseH265Sps(const uint8_t* nal, size_t size, CVideoSpsInfo& out);

// Picture type of a slice NAL unit: 73 'I', 80 'P', 66 'B'; 0 when unreadable.
int h264SliceFrameType(const uint8_t* nal, size_t size);
// H.265 needs num_extra_slice_header_bits from the PPS (h265PpsExtraSliceHeaderBits).
int h265SliceFrameType(const uint8_t* nal, size_t size, int extraSliceHeaderBits);
// -1 when unreadable.
int h265PpsExtraSliceHeaderBits(const uint8_t* nal, size_t size);

// Copies at most cap bytes of RBSP (emulation prevention bytes 00 00 03 removed) from nal.
size_t nalToRbsp(const uint8_t* nal, size_t size, uint8_t* out, size_t cap);

} // namespace StreamSvr
} // namespace Zentar
