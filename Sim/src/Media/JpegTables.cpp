#include "Media/JpegTables.h"

#include <algorithm>

namespace OnvifSim {
namespace {

const uint8_t kLumaQuant[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

const uint8_t kChromaQuant[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// The AC tables give their short codes to a few dozen frequent symbols; every other
// run/size symbol follows in ascending order with a 16-bit code.
const uint8_t kLumaAcShort[] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13,
    0x51, 0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42,
    0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82};
const uint8_t kChromaAcShort[] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
    0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
    0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1};

void DeriveCodes(CJpegHuffmanTable& t)
{
    std::fill(std::begin(t.code), std::end(t.code), 0);
    std::fill(std::begin(t.length), std::end(t.length), 0);
    uint16_t code = 0;
    size_t k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < t.counts[len - 1]; ++i, ++k) {
            t.code[t.values[k]] = code++;
            t.length[t.values[k]] = uint8_t(len);
        }
        code = uint16_t(code << 1);
    }
}

CJpegHuffmanTable DcTable(const uint8_t (&counts)[16])
{
    CJpegHuffmanTable t;
    std::copy(std::begin(counts), std::end(counts), t.counts);
    for (uint8_t v = 0; v < 12; ++v)
        t.values.push_back(v);
    DeriveCodes(t);
    return t;
}

template <size_t N>
CJpegHuffmanTable AcTable(const uint8_t (&counts)[16], const uint8_t (&shortCodes)[N])
{
    CJpegHuffmanTable t;
    std::copy(std::begin(counts), std::end(counts), t.counts);
    t.values.assign(std::begin(shortCodes), std::end(shortCodes));
    // All run/size symbols: end of block, sixteen zeros, runs 0..15 of sizes 1..10.
    for (int run = 0; run < 16; ++run)
        for (int size = 1; size <= 10; ++size) {
            uint8_t symbol = uint8_t(run << 4 | size);
            if (std::find(std::begin(shortCodes), std::end(shortCodes), symbol) == std::end(shortCodes))
                t.values.push_back(symbol);
        }
    std::sort(t.values.begin() + N, t.values.end());
    DeriveCodes(t);
    return t;
}

std::vector<CJpegHuffmanTable> MakeTables()
{
    const uint8_t dcLuma[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    const uint8_t dcChroma[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
    const uint8_t acLuma[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
    const uint8_t acChroma[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
    return {DcTable(dcLuma), DcTable(dcChroma), AcTable(acLuma, kLumaAcShort), AcTable(acChroma, kChromaAcShort)};
}

} // namespace

const uint8_t* JpegZigzag()
{
    static const std::vector<uint8_t> order = [] {
        std::vector<uint8_t> out;
        // Walk the anti-diagonals, alternating direction.
        for (int s = 0; s < 15; ++s)
            for (int i = 0; i <= s; ++i) {
                int row = s % 2 ? i : s - i;
                int col = s - row;
                if (row < 8 && col < 8)
                    out.push_back(uint8_t(row * 8 + col));
            }
        return out;
    }();
    return order.data();
}

const uint8_t* JpegQuantTable(int index) { return index == 0 ? kLumaQuant : kChromaQuant; }

const CJpegHuffmanTable& JpegHuffmanTable(int index)
{
    static const std::vector<CJpegHuffmanTable> tables = MakeTables();
    return tables[index];
}

} // namespace OnvifSim
