#pragma once
// A read-only view of one RTP packet (RFC 3550). parse() checks every length against
// what is really there and refuses the packet otherwise; the view points into the
// caller's bytes and lives as long as they do.
//
//    0                   1                   2                   3
//   +-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+
//   |V=2|P|X|  CC   |M|     PT      |       sequence number         |
//   |                           timestamp                           |
//   |                             SSRC                              |
//   |                       CSRC list (CC x 32)                     |
//   |   extension profile           |   extension length (words)    |   if X
//   |                       extension data ...                      |
//   |                  payload ...          | padding ... | pad count |   if P
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zentar {
namespace StreamSvr {

// The ONVIF replay header extension (profile 0xABAC, three words): the recording time of
// the packet's access unit and the clean-point / end / discontinuity flags.
//   | NTP seconds (32) | NTP fraction (32) | C E D T mbz(4) | CSeq (8) | padding (16) |
struct CRtpReplayExtension {
    bool present = false;
    uint64_t ntpTimestamp = 0; // seconds since 1900 << 32 | fraction
    bool cleanPoint = false;   // C: the access unit starts at a random access point
    bool end = false;          // E: last packet of the last access unit before a gap or the end
    bool discontinuity = false;// D: this access unit follows a gap in the recording
    bool terminate = false;    // T: the last packet of the playback
    uint8_t cseq = 0;          // low byte of the RTSP CSeq of the PLAY this data answers
};

enum ERtpParseError {
    kRtpOk = 0,
    kRtpTooShort,       // fewer than 12 bytes
    kRtpBadVersion,     // version is not 2
    kRtpBadCsrc,        // CSRC list runs past the end
    kRtpBadExtension,   // extension header or data runs past the end
    kRtpBadPadding,     // padding count 0 or larger than what follows the headers
};

class CRtpPacket {
public:
    static constexpr uint16_t kReplayExtensionProfile = 0xABAC;

    // False (and the view cleared) on a malformed packet; error() says why.
    bool parse(const uint8_t* data, size_t size);
    ERtpParseError error() const { return m_error; }

    bool marker() const { return m_marker; }
    uint8_t payloadType() const { return m_payloadType; }
    uint16_t sequence() const { return m_sequence; }
    uint32_t timestamp() const { return m_timestamp; }
    uint32_t ssrc() const { return m_ssrc; }
    unsigned csrcCount() const { return m_csrcCount; }
    uint32_t csrc(unsigned index) const; // 0 when out of range

    bool hasExtension() const { return m_extension != nullptr; }
    uint16_t extensionProfile() const { return m_extensionProfile; }
    const uint8_t* extensionData() const { return m_extension; }
    size_t extensionSize() const { return m_extensionSize; } // bytes, without the 4-byte header
    const CRtpReplayExtension& replay() const { return m_replay; }

    const uint8_t* payload() const { return m_payload; }
    size_t payloadSize() const { return m_payloadSize; }
    size_t paddingSize() const { return m_paddingSize; }
    const uint8_t* data() const { return m_data; }
    size_t size() const { return m_size; }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    ERtpParseError m_error = kRtpTooShort;
    bool m_marker = false;
    uint8_t m_payloadType = 0;
    uint16_t m_sequence = 0;
    uint32_t m_timestamp = 0;
    uint32_t m_ssrc = 0;
    unsigned m_csrcCount = 0;
    uint16_t m_extensionProfile = 0;
    const uint8_t* m_extension = nullptr;
    size_t m_extensionSize = 0;
    CRtpReplayExtension m_replay;
    const uint8_t* m_payload = nullptr;
    size_t m_payloadSize = 0;
    size_t m_paddingSize = 0;
};

// Header fields for packets this side sends (the talk back channel) and for tests.
struct CRtpHeader {
    bool marker = false;
    uint8_t payloadType = 0;
    uint16_t sequence = 0;
    uint32_t timestamp = 0;
    uint32_t ssrc = 0;
    const CRtpReplayExtension* replay = nullptr; // written as a 0xABAC extension when set
};

// Replaces out with header + payload; reuses out's capacity.
void buildRtpPacket(const CRtpHeader& header, const uint8_t* payload, size_t size,
                    std::vector<uint8_t>& out);

// Serial-number arithmetic on 16-bit sequence numbers (RFC 1982): a - b in -32768..32767.
inline int16_t sequenceDiff(uint16_t a, uint16_t b) { return static_cast<int16_t>(static_cast<uint16_t>(a - b)); }

} // namespace StreamSvr
} // namespace Zentar
