#pragma once
// Motion JPEG over RTP (RFC 2435). Each picture arrives as fragments of its scan data
// at increasing offsets; the JPEG headers are rebuilt from the type, Q, size and (for
// types 64..127) restart interval. Quantisation tables come from Q (1..100, scaled) or
// in-band (Q 128..255; tables of Q 128..254 are remembered, since senders may send them
// once). Fragments must be contiguous: a gap in offsets drops the picture.
//
// Pictures wider or taller than 2040 pixels do not fit the RTP/JPEG header; ONVIF devices
// then send the JPEG frame header in an RTP header extension (profile 0xFFD8, JPEG marker
// segments); its SOF0 size and DRI interval take precedence over the RTP/JPEG fields.
#include <vector>

#include "Stream/Media/DepacketizerBase.h"

namespace Zentar {
namespace StreamSvr {

class CJpegDepacketizer : public CDepacketizerBase {
public:
    static constexpr size_t kMaxPictureSize = 16u * 1024u * 1024u;

    CJpegDepacketizer();

    void flush(IAccessUnitSink& sink) override;
    void reset() override;

protected:
    void depacketize(const CRtpPacket& packet, IAccessUnitSink& sink) override;
    bool partial(uint32_t& timestamp) const override;
    void discardPartial() override;
    bool beginsUnit(const CRtpPacket& packet) const override;

private:
    bool tablesFor(int q, const uint8_t* inBand, size_t inBandSize, const uint8_t*& tables);
    void finish(IAccessUnitSink& sink);

    std::vector<uint8_t> m_picture;
    bool m_active = false;
    uint32_t m_ts = 0;
    size_t m_nextOffset = 0;
    int m_width = 0;
    int m_height = 0;
    int m_scaledQ = 0;               // Q of m_scaledTables
    uint8_t m_scaledTables[128] = {};
    std::vector<uint8_t> m_inBandTables; // 128 * 128 bytes, for Q 128..255
    std::vector<bool> m_haveInBand;
};

} // namespace StreamSvr
} // namespace Zentar
