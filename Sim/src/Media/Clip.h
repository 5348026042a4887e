#pragma once
// A looped media clip, read once and packetised once; every session streaming it shares
// the same frames and only adds its own RTP headers.
#include "Media/Packetiser.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace OnvifSim {

enum class EClipCodec { H264, H265, Jpeg, Aac, Pcmu };

struct CClipFrame {
    CPayloadList packets;
    uint32_t duration = 0;   // in RTP clock ticks, until the next frame
    bool key = false;        // a video random-access picture
};

struct CClip {
    std::string name;              // file name, or "pcmu-tone"
    EClipCodec codec = EClipCodec::H264;
    bool video = true;
    int width = 0;
    int height = 0;
    double fps = 0;
    unsigned clockRate = 90000;
    int payloadType = 96;
    int channels = 1;
    std::string encodingName;      // rtpmap name: H264, H265, JPEG, MPEG4-GENERIC, PCMU
    std::string fmtp;              // a=fmtp value after the payload type; empty for none
    bool benchmark = false;
    std::vector<CClipFrame> frames;
    size_t payloadBytes = 0;
};

using CClipPtr = std::shared_ptr<const CClip>;

// Readers of the raw clip formats. Each returns false with a reason on input it cannot use.
// Annex B byte stream -> access units, each a list of NAL units without start codes.
bool SplitAnnexB(const std::string& data, bool h265, std::vector<std::vector<std::string>>& accessUnits,
                 std::string& error);
// Concatenated baseline JPEG images -> RFC 2435 frames.
bool SplitJpegs(const std::string& data, std::vector<CJpegFrame>& frames, std::string& error);
// ADTS stream -> raw AAC access units with the stream's sample rate, channels and the
// AudioSpecificConfig (hex) an SDP announces.
struct CAdtsInfo {
    unsigned sampleRate = 0;
    int channels = 0;
    std::string configHex;
};
bool SplitAdts(const std::string& data, std::vector<std::string>& accessUnits, CAdtsInfo& info, std::string& error);

// Builds a clip from a file's bytes (codec "H264", "H265", "JPEG", "AAC").
bool BuildClip(const std::string& codec, const std::string& data, CClip& clip, std::string& error);
// A 1 kHz G.711 mu-law tone, 20 ms per packet.
CClipPtr PcmuToneClip();

} // namespace OnvifSim
