#pragma once
// Codecs the depacketisers recognise, and the access unit they hand on.
#include <cstddef>
#include <cstdint>

namespace Zentar {
namespace StreamSvr {

enum EMediaCodec {
    kCodecUnknown = 0,
    kCodecH264,
    kCodecH265,
    kCodecMjpeg,
    kCodecAac,   // mpeg4-generic; delivered with an ADTS header when the config is known
    kCodecG711U, // PCMU
    kCodecG711A, // PCMA
    kCodecG726,  // bit rate in CAccessUnit::bitRate (16000, 24000, 32000 or 40000)
    kCodecL16,   // big-endian 16-bit PCM as on the wire
};

bool isVideoCodec(EMediaCodec codec);
const char* codecName(EMediaCodec codec);

// One complete access unit: a whole picture (Annex B with start codes for H.264/H.265,
// a complete JPEG file for MJPEG) or one audio frame. data points into the producer's own
// buffer and is valid only during the callback that delivers it.
struct CAccessUnit {
    EMediaCodec codec = kCodecUnknown;
    uint32_t rtpTimestamp = 0;
    bool key = false;      // IDR / IRAP picture, every JPEG, every audio frame
    int frameType = 0;     // 73 'I', 80 'P', 66 'B', 65 'A' (audio)
    int width = 0;         // video: from the last parameter set / JPEG header; 0 = unknown
    int height = 0;
    int sampleRate = 0;    // audio: samples per second
    int channels = 0;      // audio
    int bitRate = 0;       // G.726 only
    const uint8_t* data = nullptr;
    size_t size = 0;
};

class IAccessUnitSink {
public:
    virtual ~IAccessUnitSink() = default;
    virtual void onAccessUnit(const CAccessUnit& unit) = 0;
};

} // namespace StreamSvr
} // namespace Zentar
