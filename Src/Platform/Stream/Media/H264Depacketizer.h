#pragma once
// H.264 over RTP (RFC 6184), non-interleaved mode: single NAL unit packets, STAP-A and
// FU-A. STAP-B, MTAP and FU-B belong to the interleaved mode, which cameras do not use;
// packets of those kinds are counted as malformed.
#include <map>
#include <string>

#include "Stream/Media/NalDepacketizer.h"

namespace Zentar {
namespace StreamSvr {

class CH264Depacketizer : public CNalDepacketizer {
public:
    // fmtp: "sprop-parameter-sets" is read when present.
    explicit CH264Depacketizer(const std::map<std::string, std::string>& fmtp = {});

protected:
    void depacketize(const CRtpPacket& packet, IAccessUnitSink& sink) override;
    void onNal(const uint8_t* nal, size_t size) override;
};

} // namespace StreamSvr
} // namespace Zentar
