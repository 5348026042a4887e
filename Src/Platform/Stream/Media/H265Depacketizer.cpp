#include "Stream/Media/H265Depacketizer.h"

#include <cstdlib>

#include "Stream/Media/VideoParameterSets.h"
#include "Utils/ByteReader.h"

namespace Zentar {
namespace StreamSvr {

namespace {

enum {
    kNalVps = 32,
    kNalSps = 33,
    kNalPps = 34,
    kAggregation = 48,
    kFragmentation = 49,
};

int nalType(const uint8_t* nal) { return (nal[0] >> 1) & 0x3F; }

} // namespace

CH265Depacketizer::CH265Depacketizer(const std::map<std::string, std::string>& fmtp)
    : CNalDepacketizer(kCodecH265, 90000, 3)
{
    auto don = fmtp.find("sprop-max-don-diff");
    m_donPresent = don != fmtp.end() && std::atoi(don->second.c_str()) > 0;
    for (const char* key : {"sprop-vps", "sprop-sps", "sprop-pps"}) {
        auto it = fmtp.find(key);
        if (it != fmtp.end())
            loadParamSets(it->second);
    }
}

void CH265Depacketizer::onNal(const uint8_t* nal, size_t size)
{
    if (size < 2)
        return;
    const int type = nalType(nal);
    if (type == kNalVps) {
        storeParamSet(0, nal, size);
    } else if (type == kNalSps) {
        CVideoSpsInfo info;
        if (parseH265Sps(nal, size, info))
            setPictureSize(info.width, info.height);
        storeParamSet(1, nal, size);
    } else if (type == kNalPps) {
        const int bits = h265PpsExtraSliceHeaderBits(nal, size);
        if (bits >= 0)
            m_extraSliceHeaderBits = bits;
        storeParamSet(2, nal, size);
    } else if (type < 32) {
        const bool irap = type >= 16 && type <= 23;
        markVcl(irap, irap ? 73 : h265SliceFrameType(nal, size, m_extraSliceHeaderBits));
    }
}

void CH265Depacketizer::depacketize(const CRtpPacket& packet, IAccessUnitSink& sink)
{
    const uint8_t* p = packet.payload();
    const size_t n = packet.payloadSize();
    if (n == 0)
        return;
    if (n < 2)
        return malformed(packet, "payload shorter than a NAL unit header");
    beginPacket(packet, sink);
    const int type = nalType(p);
    if (inFragment() && type != kFragmentation)
        return malformed(packet, "a fragmented unit was interrupted");

    if (type < kAggregation) {
        if (!addNal(p, n))
            return malformed(packet, "picture too large");
    } else if (type == kAggregation) {
        // | PayloadHdr (16) | [DONL] size (16) | NAL | [DOND] size (16) | NAL | ...
        Utils::CByteReader in(p + 2, n > 2 ? n - 2 : 0);
        bool first = true;
        while (in.remaining() > 0) {
            if (m_donPresent)
                in.skip(first ? 2 : 1);
            first = false;
            const size_t size = in.be16();
            if (!in.ok())
                return malformed(packet, "AP size field cut off");
            const uint8_t* unit = in.bytes(size);
            if (size < 2 || !unit)
                return malformed(packet, "AP unit size beyond the packet");
            if (!addNal(unit, size))
                return malformed(packet, "picture too large");
        }
    } else if (type == kFragmentation) {
        // | PayloadHdr (16) | FU header (S E type6) | [DONL on the start] | fragment ...
        if (n < 3)
            return malformed(packet, "FU without header");
        const bool start = (p[2] & 0x80) != 0;
        const bool end = (p[2] & 0x40) != 0;
        size_t off = 3;
        if (start) {
            if (m_donPresent)
                off += 2;
            if (off > n)
                return malformed(packet, "FU cut off");
            const uint8_t header[2] = {static_cast<uint8_t>((p[0] & 0x81) | ((p[2] & 0x3F) << 1)), p[1]};
            if (!beginFragment(header, 2, p + off, n - off))
                return malformed(packet, "FU start inside another fragmented unit");
        } else if (!appendFragment(p + off, n - off)) {
            return malformed(packet, "FU continuation without a start");
        }
        if (end && !endFragment())
            return malformed(packet, "FU end without a start");
    } else {
        return malformed(packet, "PACI or reserved packet type");
    }
    endPacket(packet, sink);
}

} // namespace StreamSvr
} // namespace Zentar
