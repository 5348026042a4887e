#pragma once
// AAC in the mpeg4-generic payload (RFC 3640): a section of AU headers, then the access
// units. Several AUs per packet are split; one AU larger than a packet arrives in
// fragments with the same timestamp and is put back together. Each AU is delivered with
// an ADTS header built from the SDP's AudioSpecificConfig, so the host can decode it on
// its own; without a usable config the raw AU is delivered.
#include <map>
#include <string>
#include <vector>

#include "Stream/Media/DepacketizerBase.h"

namespace Zentar {
namespace StreamSvr {

class CAacDepacketizer : public CDepacketizerBase {
public:
    static constexpr size_t kMaxAuSize = 65536;
    static constexpr unsigned kMaxHeadersPerPacket = 128;

    // fmtp keys: sizelength, indexlength, indexdeltalength, ctsdeltalength, dtsdeltalength,
    // randomaccessindication, streamstateindication, auxiliarydatasizelength, config,
    // constantduration. valid() is false when sizelength is missing or out of range.
    CAacDepacketizer(uint32_t clockRate, int channels, const std::map<std::string, std::string>& fmtp);
    bool valid() const { return m_sizeLength > 0; }

    void flush(IAccessUnitSink& sink) override { discardPartial(); }

protected:
    void depacketize(const CRtpPacket& packet, IAccessUnitSink& sink) override;
    bool partial(uint32_t& timestamp) const override;
    void discardPartial() override;
    bool lossSpoilsNextUnit() const override { return false; }

private:
    void emit(const uint8_t* data, size_t size, uint32_t timestamp, IAccessUnitSink& sink);

    unsigned m_sizeLength = 0;
    unsigned m_indexLength = 0;
    unsigned m_indexDeltaLength = 0;
    unsigned m_ctsDeltaLength = 0;
    unsigned m_dtsDeltaLength = 0;
    unsigned m_streamStateLength = 0;
    unsigned m_auxSizeLength = 0;
    bool m_randomAccess = false;
    uint32_t m_frameDuration = 1024;

    bool m_adts = false;
    uint8_t m_objectType = 0;
    uint8_t m_rateIndex = 0;
    uint8_t m_channelConfig = 0;
    int m_sampleRate = 0;
    int m_channels = 0;

    std::vector<uint8_t> m_fragment;
    bool m_inFragment = false;
    uint32_t m_fragmentTs = 0;
    size_t m_fragmentSize = 0;
    std::vector<uint8_t> m_out;
};

} // namespace StreamSvr
} // namespace Zentar
