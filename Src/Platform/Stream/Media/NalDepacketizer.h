#pragma once
// Common assembly for the NAL-unit video payloads (H.264, H.265): NAL units of one
// picture are collected with 4-byte start codes into one reused buffer; a picture ends at
// the marker bit or, for senders that never set it, when the timestamp moves on.
//
// Parameter sets are remembered (from the SDP and from the stream) and put in front of a
// key picture that arrives without them, so that every key frame the host gets can start
// a decoder. Units holding only parameter sets or SEI (some cameras send these with a
// timestamp of their own) are carried into the next picture instead of being delivered
// alone.
#include <string>
#include <vector>

#include "Stream/Media/DepacketizerBase.h"

namespace Zentar {
namespace StreamSvr {

class CNalDepacketizer : public CDepacketizerBase {
public:
    static constexpr size_t kMaxUnitSize = 16u * 1024u * 1024u;
    static constexpr size_t kMaxCarrySize = 64u * 1024u;

    void flush(IAccessUnitSink& sink) override;
    void reset() override;

protected:
    // paramSetKinds: how many parameter set kinds a key picture needs (2 or 3).
    CNalDepacketizer(EMediaCodec codec, uint32_t clockRate, int paramSetKinds);

    // Inspects one complete NAL unit (header included, no start code).
    virtual void onNal(const uint8_t* nal, size_t size) = 0;

    // For codecs: call at the start of each packet, then add NAL units or fragments.
    void beginPacket(const CRtpPacket& packet, IAccessUnitSink& sink);
    bool addNal(const uint8_t* nal, size_t size);
    bool beginFragment(const uint8_t* header, size_t headerSize, const uint8_t* data, size_t size);
    bool appendFragment(const uint8_t* data, size_t size);
    bool endFragment();
    bool inFragment() const { return m_inFragment; }
    void endPacket(const CRtpPacket& packet, IAccessUnitSink& sink);

    // What onNal found out about the picture.
    void markVcl(bool key, int frameType);
    void storeParamSet(int kind, const uint8_t* nal, size_t size);
    void setPictureSize(int width, int height);

    bool partial(uint32_t& timestamp) const override;
    void discardPartial() override;

    // Loads base64 parameter sets from an fmtp value ("a,b,c"); each goes through onNal
    // so that the size is read from the SPS.
    void loadParamSets(const std::string& base64List);

private:
    void finishUnit(IAccessUnitSink& sink);
    void clearUnit();

    int m_paramSetKinds;
    std::vector<uint8_t> m_unit;    // the picture being assembled (Annex B)
    std::vector<uint8_t> m_out;     // parameter sets + picture, only when they are added
    std::vector<uint8_t> m_paramSets[3];
    bool m_inUnit[3] = {false, false, false};
    bool m_loadingSdp = false;
    bool m_active = false;          // m_unit holds bytes of the timestamp m_ts
    uint32_t m_ts = 0;
    bool m_hasVcl = false;
    bool m_key = false;
    int m_frameType = 0;
    bool m_inFragment = false;
    size_t m_fragmentStart = 0;
    int m_width = 0;
    int m_height = 0;
};

} // namespace StreamSvr
} // namespace Zentar
