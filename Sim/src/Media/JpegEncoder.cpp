#include "Media/JpegEncoder.h"

#include "Media/JpegTables.h"

#include <cmath>
#include <cstdlib>

namespace OnvifSim {
namespace {

const double kPi = 3.14159265358979323846;

// cosines[u][x] = C(u)/2 * cos((2x+1)u*pi/16), so that F(u,v) = sum cos[u][x] cos[v][y] f(x,y).
struct CDctTable {
    double c[8][8];
    CDctTable()
    {
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                c[u][x] = (u == 0 ? std::sqrt(0.5) : 1.0) / 2.0 * std::cos((2 * x + 1) * u * kPi / 16.0);
    }
};

const CDctTable& Dct()
{
    static const CDctTable table;
    return table;
}

// Forward DCT and quantisation of 64 samples already shifted to -128..127.
void TransformBlock(const double in[64], const uint8_t* quant, int16_t out[64])
{
    const CDctTable& d = Dct();
    double rows[64];
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u) {
            double s = 0;
            for (int x = 0; x < 8; ++x)
                s += d.c[u][x] * in[y * 8 + x];
            rows[y * 8 + u] = s;
        }
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            double s = 0;
            for (int y = 0; y < 8; ++y)
                s += d.c[v][y] * rows[y * 8 + u];
            long q = std::lround(s / quant[v * 8 + u]);
            out[v * 8 + u] = int16_t(q < -1023 ? -1023 : q > 1023 ? 1023 : q);
        }
}

void ToYCbCr(const uint8_t rgb[3], double ycc[3])
{
    double r = rgb[0], g = rgb[1], b = rgb[2];
    ycc[0] = 0.299 * r + 0.587 * g + 0.114 * b;
    ycc[1] = -0.168736 * r - 0.331264 * g + 0.5 * b + 128.0;
    ycc[2] = 0.5 * r - 0.418688 * g - 0.081312 * b + 128.0;
}

// ---- entropy coding ----------------------------------------------------------

class CBitWriter {
public:
    explicit CBitWriter(std::string& out) : m_out(out) {}

    void put(uint32_t bits, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = uint8_t(m_byte << 1 | ((bits >> i) & 1));
            if (++m_filled == 8)
                emit();
        }
    }
    // Pads the last byte with 1-bits, as T.81 F.1.2.3 asks.
    void flush()
    {
        while (m_filled != 0)
            put(1, 1);
    }

private:
    void emit()
    {
        m_out += char(m_byte);
        if (m_byte == 0xFF)
            m_out += char(0); // byte stuffing: a coded 0xFF is never a marker
        m_byte = 0;
        m_filled = 0;
    }

    std::string& m_out;
    uint8_t m_byte = 0;
    int m_filled = 0;
};

int Category(int value)
{
    int magnitude = std::abs(value);
    int bits = 0;
    while (magnitude) {
        ++bits;
        magnitude >>= 1;
    }
    return bits;
}

// The value's category bits: negative values as value - 1 in ones' complement form.
void PutValue(CBitWriter& bits, int value, int category)
{
    if (category)
        bits.put(uint32_t(value < 0 ? value - 1 : value) & ((1u << category) - 1), category);
}

void PutSymbol(CBitWriter& bits, const CJpegHuffmanTable& table, uint8_t symbol)
{
    bits.put(table.code[symbol], table.length[symbol]);
}

void EncodeDc(CBitWriter& bits, const CJpegHuffmanTable& table, int diff)
{
    int category = Category(diff);
    PutSymbol(bits, table, uint8_t(category));
    PutValue(bits, diff, category);
}

// Coefficients 1..63 in zig-zag order: run/size symbols, sixteen-zero runs, end of block.
// In a progressive first AC scan with no point transform the same symbols mean the same
// (end of block is an end-of-band run of one).
void EncodeAc(CBitWriter& bits, const CJpegHuffmanTable& table, const int16_t block[64])
{
    const uint8_t* zigzag = JpegZigzag();
    int run = 0;
    for (int k = 1; k < 64; ++k) {
        int value = block[zigzag[k]];
        if (value == 0) {
            ++run;
            continue;
        }
        for (; run >= 16; run -= 16)
            PutSymbol(bits, table, 0xF0);
        int category = Category(value);
        PutSymbol(bits, table, uint8_t(run << 4 | category));
        PutValue(bits, value, category);
        run = 0;
    }
    if (run)
        PutSymbol(bits, table, 0x00);
}

// ---- markers -------------------------------------------------------------------

void PutU16(std::string& out, int value)
{
    out += char((value >> 8) & 0xFF);
    out += char(value & 0xFF);
}

void PutMarker(std::string& out, uint8_t marker)
{
    out += char(0xFF);
    out += char(marker);
}

void PutHeaders(std::string& out, const CJpegCoefficients& c, EJpegMode mode)
{
    PutMarker(out, 0xD8);
    // JFIF APP0: version 1.01, no density units, 1:1, no thumbnail.
    PutMarker(out, 0xE0);
    PutU16(out, 16);
    out.append("JFIF\0", 5);
    const char app0[] = {1, 1, 0, 0, 1, 0, 1, 0, 0};
    out.append(app0, sizeof(app0));

    PutMarker(out, 0xDB);
    PutU16(out, 2 + 2 * 65);
    for (int t = 0; t < 2; ++t) {
        out += char(t);
        for (int k = 0; k < 64; ++k)
            out += char(JpegQuantTable(t)[JpegZigzag()[k]]);
    }

    PutMarker(out, mode == EJpegMode::Baseline ? 0xC0 : 0xC2);
    PutU16(out, 8 + 3 * 3);
    out += char(8);
    PutU16(out, c.height);
    PutU16(out, c.width);
    out += char(3);
    const char components[] = {1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
    out.append(components, sizeof(components));

    PutMarker(out, 0xC4);
    int length = 2;
    for (int t = 0; t < 4; ++t)
        length += 17 + int(JpegHuffmanTable(t).values.size());
    PutU16(out, length);
    const uint8_t classAndId[4] = {0x00, 0x01, 0x10, 0x11};
    for (int t = 0; t < 4; ++t) {
        const CJpegHuffmanTable& table = JpegHuffmanTable(t);
        out += char(classAndId[t]);
        out.append(reinterpret_cast<const char*>(table.counts), 16);
        out.append(reinterpret_cast<const char*>(table.values.data()), table.values.size());
    }
}

// components: ids 1..3 with their table selectors; band Ss..Se.
void PutScanHeader(std::string& out, const std::vector<int>& components, int ss, int se)
{
    PutMarker(out, 0xDA);
    PutU16(out, 6 + 2 * int(components.size()));
    out += char(components.size());
    for (int id : components) {
        out += char(id);
        out += char(id == 1 ? 0x00 : 0x11);
    }
    out += char(ss);
    out += char(se);
    out += char(0);
}

// DC of all components in macroblock order; with `ac` also the AC band (baseline).
void EncodeInterleaved(std::string& out, const CJpegCoefficients& c, bool ac)
{
    CBitWriter bits(out);
    int predictor[3] = {0, 0, 0};
    auto block = [&](int component, const int16_t* b) {
        const int table = component == 0 ? 0 : 1;
        EncodeDc(bits, JpegHuffmanTable(table), b[0] - predictor[component]);
        predictor[component] = b[0];
        if (ac)
            EncodeAc(bits, JpegHuffmanTable(2 + table), b);
    };
    for (int my = 0; my < c.mbRows; ++my)
        for (int mx = 0; mx < c.mbCols; ++mx) {
            for (int i = 0; i < 4; ++i)
                block(0, c.lumaBlock(2 * mx + i % 2, 2 * my + i / 2));
            block(1, c.chromaBlock(0, mx, my));
            block(2, c.chromaBlock(1, mx, my));
        }
    bits.flush();
}

// One component's AC band. A single-component scan covers only the blocks that hold
// picture samples (T.81 A.2.2), in raster order, not the padded macroblock grid.
void EncodeComponentAc(std::string& out, const CJpegCoefficients& c, int component)
{
    CBitWriter bits(out);
    int sampleWidth = component == 0 ? c.width : (c.width + 1) / 2;
    int sampleHeight = component == 0 ? c.height : (c.height + 1) / 2;
    int cols = (sampleWidth + 7) / 8;
    int rows = (sampleHeight + 7) / 8;
    const CJpegHuffmanTable& table = JpegHuffmanTable(component == 0 ? 2 : 3);
    for (int by = 0; by < rows; ++by)
        for (int bx = 0; bx < cols; ++bx)
            EncodeAc(bits, table, component == 0 ? c.lumaBlock(bx, by) : c.chromaBlock(component - 1, bx, by));
    bits.flush();
}

} // namespace

bool JpegTransform(int width, int height, const CJpegPixelSource& pixel, CJpegCoefficients& out)
{
    if (width < 1 || height < 1 || width > kJpegMaxDimension || height > kJpegMaxDimension)
        return false;
    out.width = width;
    out.height = height;
    out.mbCols = (width + 15) / 16;
    out.mbRows = (height + 15) / 16;
    size_t blocks = size_t(out.mbCols) * out.mbRows;
    out.luma.assign(blocks * 4 * 64, 0);
    out.chroma[0].assign(blocks * 64, 0);
    out.chroma[1].assign(blocks * 64, 0);

    // Samples past the right and bottom edges repeat the edge pixel.
    std::vector<double> planes[3];
    int paddedW = out.mbCols * 16;
    int paddedH = out.mbRows * 16;
    for (auto& p : planes)
        p.resize(size_t(paddedW) * paddedH);
    for (int y = 0; y < paddedH; ++y)
        for (int x = 0; x < paddedW; ++x) {
            uint8_t rgb[3];
            pixel(x < width ? x : width - 1, y < height ? y : height - 1, rgb);
            double ycc[3];
            ToYCbCr(rgb, ycc);
            for (int k = 0; k < 3; ++k)
                planes[k][size_t(y) * paddedW + x] = ycc[k];
        }

    double samples[64];
    for (int by = 0; by < out.mbRows * 2; ++by)
        for (int bx = 0; bx < out.mbCols * 2; ++bx) {
            for (int i = 0; i < 64; ++i)
                samples[i] = planes[0][size_t(by * 8 + i / 8) * paddedW + bx * 8 + i % 8] - 128.0;
            TransformBlock(samples, JpegQuantTable(0), out.lumaBlock(bx, by));
        }
    for (int k = 0; k < 2; ++k)
        for (int my = 0; my < out.mbRows; ++my)
            for (int mx = 0; mx < out.mbCols; ++mx) {
                // 2x2 average: chrominance at half resolution both ways.
                for (int i = 0; i < 64; ++i) {
                    size_t x = size_t(mx) * 16 + (i % 8) * 2;
                    size_t y = size_t(my) * 16 + (i / 8) * 2;
                    const std::vector<double>& p = planes[k + 1];
                    samples[i] = (p[y * paddedW + x] + p[y * paddedW + x + 1] + p[(y + 1) * paddedW + x] +
                                  p[(y + 1) * paddedW + x + 1]) / 4.0 - 128.0;
                }
                TransformBlock(samples, JpegQuantTable(1), out.chromaBlock(k, mx, my));
            }
    return true;
}

void JpegPaintMacroblock(CJpegCoefficients& c, int mbx, int mby, const uint8_t rgb[3])
{
    if (mbx < 0 || mby < 0 || mbx >= c.mbCols || mby >= c.mbRows)
        return;
    double ycc[3];
    ToYCbCr(rgb, ycc);
    // A flat block has only its DC term: F(0,0) = 8 * (level - 128).
    auto flat = [](int16_t* block, double level, const uint8_t* quant) {
        for (int i = 0; i < 64; ++i)
            block[i] = 0;
        block[0] = int16_t(std::lround(8.0 * (level - 128.0) / quant[0]));
    };
    for (int i = 0; i < 4; ++i)
        flat(c.lumaBlock(2 * mbx + i % 2, 2 * mby + i / 2), ycc[0], JpegQuantTable(0));
    flat(c.chromaBlock(0, mbx, mby), ycc[1], JpegQuantTable(1));
    flat(c.chromaBlock(1, mbx, mby), ycc[2], JpegQuantTable(1));
}

std::string JpegEncode(const CJpegCoefficients& c, EJpegMode mode)
{
    std::string out;
    out.reserve(c.luma.size() / 8 + 1024);
    PutHeaders(out, c, mode);
    if (mode == EJpegMode::Baseline) {
        PutScanHeader(out, {1, 2, 3}, 0, 63);
        EncodeInterleaved(out, c, true);
    } else {
        PutScanHeader(out, {1, 2, 3}, 0, 0);
        EncodeInterleaved(out, c, false);
        for (int component = 0; component < 3; ++component) {
            PutScanHeader(out, {component + 1}, 1, 63);
            EncodeComponentAc(out, c, component);
        }
    }
    PutMarker(out, 0xD9);
    return out;
}

} // namespace OnvifSim
