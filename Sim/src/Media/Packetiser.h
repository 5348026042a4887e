#pragma once
// RTP payloads of one coded frame, without the 12-byte RTP header: the header (sequence
// number, timestamp, SSRC) belongs to each stream, while the payloads are shared by every
// session streaming the same clip.
#include <cstddef>
#include <string>
#include <vector>

namespace OnvifSim {

struct CRtpPayload {
    std::string bytes;
    bool marker = false;   // last packet of the frame (video), every packet (AAC)
};

using CPayloadList = std::vector<CRtpPayload>;

// Payloads stay below this so a packet plus IP/UDP headers fits a 1500-byte Ethernet MTU.
constexpr size_t kMaxRtpPayload = 1400;

// RFC 6184: parameter sets (SPS 7, PPS 8) go together in one STAP-A, every other NAL unit
// alone when it fits, else as FU-A fragments.
CPayloadList PacketiseH264(const std::vector<std::string>& nalUnits, size_t maxPayload = kMaxRtpPayload);
// RFC 7798: VPS/SPS/PPS (32, 33, 34) in one aggregation packet (48), others single or as
// fragmentation units (49).
CPayloadList PacketiseH265(const std::vector<std::string>& nalUnits, size_t maxPayload = kMaxRtpPayload);

// One baseline JPEG reduced to what RFC 2435 carries: the entropy-coded scan and the
// quantisation tables (sent in-band, Q=255); the receiver rebuilds standard headers.
struct CJpegFrame {
    int width = 0;
    int height = 0;
    int type = 1;                   // 0: 4:2:2, 1: 4:2:0
    std::string quantTables;        // 64 bytes per table, 8-bit precision, zig-zag order
    std::string scan;               // entropy-coded data between SOS and EOI
};

CPayloadList PacketiseJpeg(const CJpegFrame& frame, size_t maxPayload = kMaxRtpPayload);
// RFC 3640 AAC-hbr: one access unit per packet, a 16-bit AU-header (13-bit size, 3-bit index).
CPayloadList PacketiseAac(const std::string& accessUnit);

} // namespace OnvifSim
