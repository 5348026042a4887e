#pragma once
// The JPEG headers an RTP/JPEG receiver rebuilds (RFC 2435): the payload carries only
// the scan data plus type, Q and size; everything before the scan is made here.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zentar {
namespace StreamSvr {

struct CJpegHeaderParams {
    int type = 0;            // 0: 4:2:2 (luma 2x1), 1: 4:2:0 (luma 2x2)
    int width = 0;           // pixels
    int height = 0;
    uint16_t restartInterval = 0; // 0 = no DRI segment
    const uint8_t* lumaTable = nullptr;   // 64 values, zigzag order
    const uint8_t* chromaTable = nullptr; // 64 values, zigzag order
};

// Luma then chroma tables (64 + 64 bytes, zigzag order) for Q 1..100, scaled from the
// example tables of the JPEG standard (ITU-T T.81 annex K) as RFC 2435 describes.
// False for other Q values.
bool makeJpegQuantTables(int q, uint8_t out[128]);

// Appends SOI, DQT, [DRI], SOF0, the four standard Huffman tables (DHT) and SOS to out.
// False when the parameters cannot form a baseline header (type, size 1..65535, tables).
bool appendJpegHeader(const CJpegHeaderParams& params, std::vector<uint8_t>& out);

} // namespace StreamSvr
} // namespace Zentar
