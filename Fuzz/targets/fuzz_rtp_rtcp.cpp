// RTP packets (each record one datagram) through the parser and the reorder buffer, and
// the same bytes read as (compound) RTCP.
#include "FuzzInput.h"
#include "Stream/Media/Rtcp.h"
#include "Stream/Media/RtpPacket.h"
#include "Stream/Media/RtpReorderBuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Zentar::StreamSvr;
    CRtpReorderBuffer reorder(8, 20);
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    uint64_t nowMs = 0;
    unsigned sum = 0;
    while (records.next(bytes, length)) {
        nowMs += 7;
        CRtpPacket packet;
        if (packet.parse(bytes, length)) {
            if (packet.payloadSize() + packet.paddingSize() > length)
                __builtin_trap();
            sum += OnvifFuzz::touch(packet.payload(), packet.payloadSize()) +
                   OnvifFuzz::touch(packet.extensionData(), packet.extensionSize());
            for (unsigned i = 0; i <= packet.csrcCount(); ++i)
                sum += packet.csrc(i);
        }
        CRtcpSenderReport report;
        parseSenderReport(bytes, length, report);
        reorder.push(bytes, length, nowMs);
        CRtpPacket out;
        uint32_t lost = 0;
        while (reorder.pop(nowMs, out, lost))
            sum += OnvifFuzz::touch(out.payload(), out.payloadSize());
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
