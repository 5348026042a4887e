// Still-image and audio payloads: JPEG (RFC 2435) and AAC-hbr (RFC 3640).
#include "Media/Packetiser.h"

#include <cstdint>

namespace OnvifSim {
namespace {

void Put16(std::string& out, size_t v)
{
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
}

} // namespace

//  0                   1                   2                   3
// | Type-specific |              Fragment Offset                  |
// |      Type     |       Q       |     Width     |     Height    |
// then, in the first packet only (Q >= 128):
// |      MBZ      |   Precision   |             Length            |
// |                    Quantization Table Data                    |
CPayloadList PacketiseJpeg(const CJpegFrame& frame, size_t maxPayload)
{
    CPayloadList out;
    size_t offset = 0;
    do {
        CRtpPayload p;
        p.bytes += '\0';
        p.bytes += static_cast<char>((offset >> 16) & 0xFF);
        Put16(p.bytes, offset & 0xFFFF);
        p.bytes += static_cast<char>(frame.type);
        p.bytes += static_cast<char>(255);
        p.bytes += static_cast<char>(frame.width / 8);
        p.bytes += static_cast<char>(frame.height / 8);
        if (offset == 0) {
            p.bytes += '\0';
            p.bytes += '\0';   // 8-bit tables
            Put16(p.bytes, frame.quantTables.size());
            p.bytes += frame.quantTables;
        }
        size_t room = maxPayload > p.bytes.size() ? maxPayload - p.bytes.size() : 0;
        size_t n = std::min(room, frame.scan.size() - offset);
        p.bytes.append(frame.scan, offset, n);
        offset += n;
        p.marker = offset >= frame.scan.size();
        out.push_back(std::move(p));
    } while (offset < frame.scan.size());
    return out;
}

// | AU-headers-length (16 bits) | AU-size (13) | AU-Index (3) | access unit |
CPayloadList PacketiseAac(const std::string& accessUnit)
{
    CRtpPayload p;
    Put16(p.bytes, 16);
    Put16(p.bytes, (accessUnit.size() & 0x1FFF) << 3);
    p.bytes += accessUnit;
    p.marker = true;
    return {p};
}

} // namespace OnvifSim
