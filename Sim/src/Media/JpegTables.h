#pragma once
// The example tables of the JPEG standard (ITU-T T.81 Annex K) that cameras ship with:
// the two quantisation tables and the four Huffman tables, plus the zig-zag order.
#include <cstdint>
#include <vector>

namespace OnvifSim {

struct CJpegHuffmanTable {
    uint8_t counts[16];          // number of codes of each length 1..16
    std::vector<uint8_t> values; // symbols in code order
    // Code and length by symbol, derived from counts and values (T.81 C.2).
    uint16_t code[256];
    uint8_t length[256];
};

// Natural (row-major) index of the k-th coefficient in zig-zag order.
const uint8_t* JpegZigzag();

// Natural order; index 0 luminance, 1 chrominance.
const uint8_t* JpegQuantTable(int index);

// 0 DC luminance, 1 DC chrominance, 2 AC luminance, 3 AC chrominance.
const CJpegHuffmanTable& JpegHuffmanTable(int index);

} // namespace OnvifSim
