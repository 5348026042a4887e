#include "Stream/Media/MediaCodec.h"

namespace Zentar {
namespace StreamSvr {

bool isVideoCodec(EMediaCodec codec)
{
    return codec == kCodecH264 || codec == kCodecH265 || codec == kCodecMjpeg;
}

const char* codecName(EMediaCodec codec)
{
    switch (codec) {
    case kCodecH264: return "H264";
    case kCodecH265: return "H265";
    case kCodecMjpeg: return "JPEG";
    case kCodecAac: return "AAC";
    case kCodecG711U: return "PCMU";
    case kCodecG711A: return "PCMA";
    case kCodecG726: return "G726";
    case kCodecL16: return "L16";
    case kCodecUnknown: break;
    }
    return "unknown";
}

} // namespace StreamSvr
} // namespace Zentar
