#include "Snapshot/SnapshotPicture.h"

#include "Media/JpegEncoder.h"

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace OnvifSim {
namespace {

const size_t kCachedSizes = 8;

// 3x5 digits, one row per 3 bits, top row first.
const uint16_t kDigits[10] = {
    075557, 026227, 071747, 071717, 055711, 074717, 074757, 071111, 075757, 075717};

const uint8_t kWhite[3] = {255, 255, 255};
const uint8_t kBlack[3] = {0, 0, 0};

void Bars(int width, int height, int x, int y, uint8_t rgb[3])
{
    // Seven colour bars over the upper two thirds, a grey ramp below.
    static const uint8_t bars[7][3] = {{192, 192, 192}, {192, 192, 0}, {0, 192, 192}, {0, 192, 0},
                                       {192, 0, 192},   {192, 0, 0},   {0, 0, 192}};
    if (y < height * 2 / 3) {
        const uint8_t* c = bars[(x * 7) / width];
        rgb[0] = c[0];
        rgb[1] = c[1];
        rgb[2] = c[2];
        return;
    }
    uint8_t level = uint8_t((x * 255) / (width > 1 ? width - 1 : 1));
    rgb[0] = rgb[1] = rgb[2] = level;
}

std::shared_ptr<const CJpegCoefficients> CachedBars(int width, int height)
{
    static std::mutex mutex;
    static std::map<std::pair<int, int>, std::shared_ptr<const CJpegCoefficients>> cache;
    std::pair<int, int> key(width, height);
    {
        std::lock_guard<std::mutex> guard(mutex);
        auto it = cache.find(key);
        if (it != cache.end())
            return it->second;
    }
    // Transformed outside the lock: two first requests of one size both compute it.
    auto made = std::make_shared<CJpegCoefficients>();
    if (!JpegTransform(width, height, [&](int x, int y, uint8_t rgb[3]) { Bars(width, height, x, y, rgb); },
                       *made))
        return nullptr;
    std::lock_guard<std::mutex> guard(mutex);
    if (cache.size() >= kCachedSizes)
        cache.erase(cache.begin());
    cache[key] = made;
    return made;
}

// One row of `count` bits, most significant first, white for 1, black for 0.
void PaintBits(CJpegCoefficients& c, int mbx, int mby, uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        JpegPaintMacroblock(c, mbx + i, mby, (value >> (count - 1 - i)) & 1 ? kWhite : kBlack);
}

void PaintDigits(CJpegCoefficients& c, int mbx, int mby, const std::string& digits)
{
    for (size_t d = 0; d < digits.size(); ++d) {
        uint16_t glyph = kDigits[(digits[d] - '0') % 10];
        for (int row = 0; row < 5; ++row)
            PaintBits(c, mbx + int(d) * 4, mby + row, (glyph >> (3 * (4 - row))) & 7, 3);
    }
}

uint32_t TokenHash(const std::string& token)
{
    uint32_t h = 2166136261u; // FNV-1a
    for (unsigned char ch : token)
        h = (h ^ ch) * 16777619u;
    return h;
}

} // namespace

std::string MakeSnapshotPicture(const CSnapshotPictureRequest& request)
{
    std::shared_ptr<const CJpegCoefficients> bars = CachedBars(request.width, request.height);
    if (!bars)
        return std::string();
    CJpegCoefficients picture = *bars;
    long long secondsOfDay = ((request.deviceTime % 86400) + 86400) % 86400;
    char clock[7];
    snprintf(clock, sizeof(clock), "%02d%02d%02d", int(secondsOfDay / 3600), int(secondsOfDay / 60 % 60),
             int(secondsOfDay % 60));
    // Whatever does not fit a small picture is left out.
    PaintDigits(picture, 1, 1, clock);
    PaintBits(picture, 1, 7, TokenHash(request.token) & 0xFFFF, 16);
    PaintBits(picture, 1, 8, request.sequence & 0xFFFF, 16);
    return JpegEncode(picture, request.progressive ? EJpegMode::Progressive : EJpegMode::Baseline);
}

} // namespace OnvifSim
