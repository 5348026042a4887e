#pragma once
// H.265 over RTP (RFC 7798): single NAL unit packets, aggregation packets (AP) and
// fragmentation units (FU), with the DONL/DOND fields when the SDP announces
// sprop-max-don-diff > 0. PACI packets are counted as malformed.
#include <map>
#include <string>

#include "Stream/Media/NalDepacketizer.h"

namespace Zentar {
namespace StreamSvr {

class CH265Depacketizer : public CNalDepacketizer {
public:
    // fmtp: "sprop-vps", "sprop-sps", "sprop-pps", "sprop-max-don-diff".
    explicit CH265Depacketizer(const std::map<std::string, std::string>& fmtp = {});

protected:
    void depacketize(const CRtpPacket& packet, IAccessUnitSink& sink) override;
    void onNal(const uint8_t* nal, size_t size) override;

private:
    bool m_donPresent = false;
    int m_extraSliceHeaderBits = 0;
};

} // namespace StreamSvr
} // namespace Zentar
