#include "OnvifFramework/FunctionScripts/OnvifImageSize.h"

#include <cstdio>

#include "OnvifFramework/FunctionScripts/OnvifFunctionScripts.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

namespace {

struct ImageSizeRow {
    const char* name;
    int width;
    int height;
};

// First match wins. Several names cover more than one size: the PAL and NTSC heights of
// the same format, and sizes encoders round to a multiple of 16 (1080 stored as 1072).
const ImageSizeRow kImageSizes[] = {
    {"D1", 720, 576},       {"D1", 720, 480},        {"D1", 704, 576},     {"D1", 704, 480},
    {"HD1", 352, 576},      {"HD1", 352, 480},       {"BCIF", 704, 288},   {"BCIF", 704, 240},
    {"CIF", 352, 288},      {"CIF", 352, 240},       {"CIF", 384, 288},    {"QCIF", 176, 144},
    {"QCIF", 176, 120},     {"VGA", 640, 480},       {"VGA", 640, 368},    {"QVGA", 320, 240},
    {"QVGA", 320, 192},     {"SVCD", 480, 480},      {"QQVGA", 160, 128},  {"QQVGA", 160, 112},
    {"SVGA", 800, 592},     {"SVGA", 800, 600},      {"SVGA", 800, 480},   {"XVGA", 1024, 768},
    {"XVGA", 1024, 576},    {"WXGA", 1280, 800},     {"SXGA", 1280, 1024}, {"WSXGA", 1600, 1024},
    {"UXGA", 1600, 1200},   {"WUXGA", 1920, 1200},   {"LTF", 240, 192},    {"720P", 1280, 720},
    {"1080P", 1920, 1080},  {"1080P", 1920, 1072},   {"1_3M", 1280, 960},  {"2_5M", 1872, 1408},
    {"5M", 3744, 1408},     {"3M", 2048, 1536},      {"5_0M", 2432, 2050}, {"1_2M", 1216, 1024},
    {"1408_1024", 1408, 1024}, {"8M", 3296, 2472},   {"2560_1920", 2560, 1920},
    {"960H", 960, 576},     {"960H", 960, 480},      {"960H", 768, 576},   {"960_720", 960, 720},
    {"NHD", 640, 360},      {"QNHD", 320, 180},      {"QQNHD", 160, 90},
};

} // namespace

std::string CResolutionFilter::proc(int width, int height)
{
    if (width < 1 || height <= 0) {
        ONVIF_LOG(LOG_WARN, "invalid argus width=%d,height=%d\n", width, height);
        return std::string();
    }
    for (const ImageSizeRow& row : kImageSizes) {
        if (row.width == width && row.height == height)
            return row.name;
    }
    char text[32];
    snprintf(text, sizeof(text), "%dx%d", width, height);
    ONVIF_LOG(LOG_WARN, "Warinning::No any resloution be matched: width:%d,height:%d,str<%s>\n", width, height, text);
    return text;
}

// Every maker shares one table today; the manufacturer is taken so that a maker whose
// names differ can be told apart without changing every caller.
std::string WxH2ImageSizeStr(int width, int height, const std::string& /*manufacturer*/)
{
    return CResolutionFilter::proc(width, height);
}

} // namespace Onvif
} // namespace RPC
