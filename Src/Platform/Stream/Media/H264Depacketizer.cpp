#include "Stream/Media/H264Depacketizer.h"

#include "Stream/Media/VideoParameterSets.h"
#include "Utils/ByteReader.h"

namespace Zentar {
namespace StreamSvr {

namespace {

enum {
    kNalSlice = 1,
    kNalIdr = 5,
    kNalSps = 7,
    kNalPps = 8,
    kStapA = 24,
    kFuA = 28,
};

} // namespace

CH264Depacketizer::CH264Depacketizer(const std::map<std::string, std::string>& fmtp)
    : CNalDepacketizer(kCodecH264, 90000, 2)
{
    auto it = fmtp.find("sprop-parameter-sets");
    if (it != fmtp.end())
        loadParamSets(it->second);
}

void CH264Depacketizer::onNal(const uint8_t* nal, size_t size)
{
    const int type = nal[0] & 0x1F;
    switch (type) {
    case kNalSps: {
        CVideoSpsInfo info;
        if (parseH264Sps(nal, size, info))
            setPictureSize(info.width, info.height);
        storeParamSet(0, nal, size);
        break;
    }
    case kNalPps:
        storeParamSet(1, nal, size);
        break;
    case kNalIdr:
        markVcl(true, 73);
        break;
    case kNalSlice:
    case 2: // slice data partition A carries the slice header
        markVcl(false, h264SliceFrameType(nal, size));
        break;
    case 3:
    case 4:
        markVcl(false, 0);
        break;
    default:
        break; // SEI, delimiters, filler
    }
}

void CH264Depacketizer::depacketize(const CRtpPacket& packet, IAccessUnitSink& sink)
{
    const uint8_t* p = packet.payload();
    const size_t n = packet.payloadSize();
    if (n == 0)
        return; // keep-alive or padding-only packet
    beginPacket(packet, sink);
    const int type = p[0] & 0x1F;
    if (inFragment() && type != kFuA)
        return malformed(packet, "a fragmented unit was interrupted");

    if (type >= 1 && type <= 23) {
        if (!addNal(p, n))
            return malformed(packet, "picture too large");
    } else if (type == kStapA) {
        // | STAP-A hdr | size (16) | NAL | size (16) | NAL | ...
        Utils::CByteReader in(p + 1, n - 1);
        while (in.remaining() > 0) {
            const size_t size = in.be16();
            if (!in.ok())
                return malformed(packet, "STAP-A size field cut off");
            const uint8_t* unit = in.bytes(size);
            if (size == 0 || !unit)
                return malformed(packet, "STAP-A unit size beyond the packet");
            if (!addNal(unit, size))
                return malformed(packet, "picture too large");
        }
    } else if (type == kFuA) {
        // | FU indicator (F NRI 28) | FU header (S E R type) | fragment ...
        if (n < 2)
            return malformed(packet, "FU-A without header");
        const bool start = (p[1] & 0x80) != 0;
        const bool end = (p[1] & 0x40) != 0;
        if (start) {
            const uint8_t header = static_cast<uint8_t>((p[0] & 0xE0) | (p[1] & 0x1F));
            if (!beginFragment(&header, 1, p + 2, n - 2))
                return malformed(packet, "FU-A start inside another fragmented unit");
        } else if (!appendFragment(p + 2, n - 2)) {
            return malformed(packet, "FU-A continuation without a start");
        }
        if (end && !endFragment())
            return malformed(packet, "FU-A end without a start");
    } else {
        return malformed(packet, "interleaved-mode or reserved packet type");
    }
    endPacket(packet, sink);
}

} // namespace StreamSvr
} // namespace Zentar
