#pragma once
// A small JPEG encoder for the snapshot endpoint: YCbCr 4:2:0, the standard tables,
// baseline (SOF0, one interleaved scan) or progressive by spectral selection (SOF2, a DC
// scan of all components, then one AC scan per component). Transforming is the slow part,
// so it is separate: the coefficients of a picture are kept and re-encoded after cheap
// changes (flat blocks painted over whole 16x16 macroblocks).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace OnvifSim {

// Quantised coefficients, natural order, 64 per block. Luminance covers 2x2 blocks per
// macroblock, each chrominance plane one block.
struct CJpegCoefficients {
    int width = 0;
    int height = 0;
    int mbCols = 0;   // 16x16 macroblocks across
    int mbRows = 0;
    std::vector<int16_t> luma;     // (2*mbCols) x (2*mbRows) blocks, row by row
    std::vector<int16_t> chroma[2]; // Cb, Cr: mbCols x mbRows blocks

    int16_t* lumaBlock(int bx, int by) { return &luma[(size_t(by) * 2 * mbCols + bx) * 64]; }
    const int16_t* lumaBlock(int bx, int by) const { return &luma[(size_t(by) * 2 * mbCols + bx) * 64]; }
    int16_t* chromaBlock(int c, int bx, int by) { return &chroma[c][(size_t(by) * mbCols + bx) * 64]; }
    const int16_t* chromaBlock(int c, int bx, int by) const { return &chroma[c][(size_t(by) * mbCols + bx) * 64]; }
};

// RGB of one pixel.
using CJpegPixelSource = std::function<void(int x, int y, uint8_t rgb[3])>;

const int kJpegMaxDimension = 4096;

// False when the size is outside 1..kJpegMaxDimension.
bool JpegTransform(int width, int height, const CJpegPixelSource& pixel, CJpegCoefficients& out);

// Paints macroblock (mbx, mby) one flat colour.
void JpegPaintMacroblock(CJpegCoefficients& coefficients, int mbx, int mby, const uint8_t rgb[3]);

enum class EJpegMode { Baseline, Progressive };

// A complete JFIF file.
std::string JpegEncode(const CJpegCoefficients& coefficients, EJpegMode mode);

} // namespace OnvifSim
