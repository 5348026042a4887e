#pragma once
// Turns the RTP packets of one media, in sequence order, into access units.
//
// The base class tracks sequence numbers: when a packet is missing (a gap in the numbers,
// or lost() called by the reorder buffer's owner) the access unit being assembled is
// dropped, and so is the rest of the access unit that the next packet belongs to (by its
// timestamp), because what was lost may have belonged to it. The first complete unit after
// that is delivered normally. Garbage and truncated payloads are counted and dropped; they
// never end the stream.
//
// Buffers are kept between access units and only grow, so steady streaming does not
// allocate. One instance per media; not thread-safe.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Stream/Media/MediaCodec.h"
#include "Stream/Media/RtpPacket.h"

namespace Zentar {
namespace StreamSvr {

class IDepacketizer {
public:
    virtual ~IDepacketizer() = default;

    // One packet, in order. Complete access units go to sink, possibly several per packet.
    virtual void input(const CRtpPacket& packet, IAccessUnitSink& sink) = 0;
    // Packets were lost before the next one (count unknown = 0 is allowed).
    virtual void lost(uint32_t count) = 0;
    // Delivers a unit still being assembled when it is complete but lacked a marker bit
    // (end of stream); drops an incomplete one.
    virtual void flush(IAccessUnitSink& sink) = 0;
    // Forgets the unit being assembled and the sequence position (after a seek or pause).
    virtual void reset() = 0;

    virtual EMediaCodec codec() const = 0;
    virtual uint32_t clockRate() const = 0;

    // Counters for logs and tests.
    virtual uint64_t deliveredCount() const = 0;
    virtual uint64_t droppedCount() const = 0;   // access units dropped after loss or damage
    virtual uint64_t malformedCount() const = 0; // packets whose payload could not be read
};

// Depacketiser for an rtpmap encoding name (case-insensitive: "H264", "H265", "JPEG",
// "MPEG4-GENERIC", "PCMU", "PCMA", "G726-32", "AAL2-G726-32", "L16"), its clock rate,
// channel count and fmtp parameters (lower-case keys). Null when the encoding is not known
// or its parameters are unusable (AAC without sizelength).
std::unique_ptr<IDepacketizer> createDepacketizer(const std::string& encodingName, uint32_t clockRate,
                                                  int channels,
                                                  const std::map<std::string, std::string>& fmtp);

// Static payload types with no rtpmap line (RFC 3551): 0 PCMU, 8 PCMA, 26 JPEG, 11 L16 mono.
std::unique_ptr<IDepacketizer> createStaticDepacketizer(int payloadType);

} // namespace StreamSvr
} // namespace Zentar
