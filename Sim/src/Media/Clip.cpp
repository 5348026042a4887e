// Turns a clip file into packetised frames and the SDP attributes that describe it.
#include "Media/Clip.h"

#include "Common/Crypto.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <cstdint>

namespace OnvifSim {
namespace {

int NalType(const std::string& nal, bool h265)
{
    return h265 ? (static_cast<uint8_t>(nal[0]) >> 1) & 0x3F : static_cast<uint8_t>(nal[0]) & 0x1F;
}

bool IsParameterSet(int type, bool h265) { return h265 ? type >= 32 && type <= 34 : type == 7 || type == 8; }
bool IsRandomAccess(int type, bool h265) { return h265 ? type >= 16 && type <= 21 : type == 5; }

std::string Hex(const std::string& raw)
{
    std::string hex = ToHex(raw);
    for (char& c : hex)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return hex;
}

// Every random-access picture carries its parameter sets, so a receiver joining the loop
// at any key frame can decode it even if the clip had them only once.
bool BuildVideo(bool h265, const std::string& data, CClip& clip, std::string& error)
{
    std::vector<std::vector<std::string>> units;
    if (!SplitAnnexB(data, h265, units, error))
        return false;
    std::map<int, std::string> sets;
    for (const auto& au : units)
        for (const auto& nal : au)
            if (IsParameterSet(NalType(nal, h265), h265) && !sets.count(NalType(nal, h265)))
                sets[NalType(nal, h265)] = nal;
    int needed = h265 ? 3 : 2;
    if (static_cast<int>(sets.size()) != needed) {
        error = "the stream lacks its parameter sets";
        return false;
    }
    uint32_t duration = static_cast<uint32_t>(std::lround(clip.clockRate / clip.fps));
    for (auto& au : units) {
        bool hasSets = false, randomAccess = false;
        for (const auto& nal : au) {
            hasSets = hasSets || IsParameterSet(NalType(nal, h265), h265);
            randomAccess = randomAccess || IsRandomAccess(NalType(nal, h265), h265);
        }
        if (randomAccess && !hasSets)
            for (auto it = sets.rbegin(); it != sets.rend(); ++it)
                au.insert(au.begin(), it->second);
        CClipFrame frame;
        frame.packets = h265 ? PacketiseH265(au) : PacketiseH264(au);
        frame.duration = duration;
        frame.key = randomAccess;
        clip.frames.push_back(std::move(frame));
    }
    if (h265) {
        clip.encodingName = "H265";
        clip.fmtp = "sprop-vps=" + Base64Encode(sets[32]) + ";sprop-sps=" + Base64Encode(sets[33]) +
                    ";sprop-pps=" + Base64Encode(sets[34]);
    } else {
        clip.encodingName = "H264";
        clip.fmtp = "packetization-mode=1;profile-level-id=" + Hex(sets[7].substr(1, 3)) +
                    ";sprop-parameter-sets=" + Base64Encode(sets[7]) + "," + Base64Encode(sets[8]);
    }
    return true;
}

bool BuildJpeg(const std::string& data, CClip& clip, std::string& error)
{
    std::vector<CJpegFrame> images;
    if (!SplitJpegs(data, images, error))
        return false;
    clip.payloadType = 26;
    clip.encodingName = "JPEG";
    clip.width = images.front().width;
    clip.height = images.front().height;
    uint32_t duration = static_cast<uint32_t>(std::lround(clip.clockRate / clip.fps));
    for (const auto& image : images)
        clip.frames.push_back({PacketiseJpeg(image), duration, true});
    return true;
}

bool BuildAac(const std::string& data, CClip& clip, std::string& error)
{
    std::vector<std::string> units;
    CAdtsInfo info;
    if (!SplitAdts(data, units, info, error))
        return false;
    clip.video = false;
    clip.payloadType = 97;
    clip.encodingName = "MPEG4-GENERIC";
    clip.clockRate = info.sampleRate;
    clip.channels = info.channels;
    clip.fps = info.sampleRate / 1024.0;
    clip.fmtp = "streamtype=5;profile-level-id=15;mode=AAC-hbr;config=" + info.configHex +
                ";sizelength=13;indexlength=3;indexdeltalength=3";
    for (const auto& unit : units)
        clip.frames.push_back({PacketiseAac(unit), 1024, false});   // samples per AAC frame
    return true;
}

// ITU-T G.711 mu-law of one 16-bit linear sample.
uint8_t MuLaw(int sample)
{
    const int kBias = 0x84;
    int sign = sample < 0 ? 0x80 : 0;
    int magnitude = std::min(std::abs(sample), 32635) + kBias;
    int exponent = 7;
    for (int mask = 0x4000; exponent > 0 && !(magnitude & mask); mask >>= 1)
        --exponent;
    int mantissa = (magnitude >> (exponent + 3)) & 0x0F;
    return static_cast<uint8_t>(~(sign | (exponent << 4) | mantissa));
}

} // namespace

bool BuildClip(const std::string& codec, const std::string& data, CClip& clip, std::string& error)
{
    bool ok = false;
    if ((codec == "H264" || codec == "H265" || codec == "JPEG") && !(clip.fps > 0 && clip.fps <= 120))
        error = "a video clip needs a frame rate between 0 and 120";
    else if (codec == "H264" || codec == "H265")
        ok = BuildVideo(codec == "H265", data, clip, error);
    else if (codec == "JPEG")
        ok = BuildJpeg(data, clip, error);
    else if (codec == "AAC")
        ok = BuildAac(data, clip, error);
    else
        error = "unknown codec " + codec;
    if (!ok)
        return false;
    clip.codec = codec == "H264" ? EClipCodec::H264 : codec == "H265" ? EClipCodec::H265
               : codec == "JPEG" ? EClipCodec::Jpeg : EClipCodec::Aac;
    for (const auto& frame : clip.frames)
        for (const auto& p : frame.packets)
            clip.payloadBytes += p.bytes.size();
    return true;
}

CClipPtr PcmuToneClip()
{
    static const CClipPtr tone = [] {
        auto clip = std::make_shared<CClip>();
        clip->name = "pcmu-tone";
        clip->codec = EClipCodec::Pcmu;
        clip->video = false;
        clip->clockRate = 8000;
        clip->payloadType = 0;
        clip->encodingName = "PCMU";
        clip->fps = 50;
        // 1 kHz at 8 kHz repeats every 8 samples, so one 20 ms packet loops seamlessly.
        std::string samples;
        for (int i = 0; i < 160; ++i)
            samples += static_cast<char>(MuLaw(static_cast<int>(8000 * std::sin(2 * M_PI * i / 8.0))));
        for (int i = 0; i < 50; ++i)
            clip->frames.push_back({{{samples, i == 0}}, 160, false});
        clip->payloadBytes = 50 * samples.size();
        return clip;
    }();
    return tone;
}

} // namespace OnvifSim
