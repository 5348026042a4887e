// The RTSP connection framer: answers, server requests and interleaved frames mixed on one
// connection, arriving in the pieces the input's records give.
#include <vector>

#include "FuzzInput.h"
#include "Stream/Rtsp/RtspFramer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Zentar::StreamApp::CRtspFramer;
    CRtspFramer framer;
    framer.setLimits(4096, 16384); // small limits reach the limit paths quickly
    std::vector<uint8_t> pending;
    OnvifFuzz::CRecords records(data, size);
    const uint8_t* piece = nullptr;
    size_t length = 0;
    while (records.next(piece, length)) {
        pending.insert(pending.end(), piece, piece + length);
        for (;;) {
            size_t consumed = 0;
            const CRtspFramer::Result result = framer.parse(pending.data(), pending.size(), consumed);
            if (consumed > pending.size())
                __builtin_trap();
            if (result == CRtspFramer::Error)
                return 0; // the connection would be closed
            if (result == CRtspFramer::Interleaved)
                OnvifFuzz::touch(framer.payload(), framer.payloadLength());
            if (result == CRtspFramer::Answer) {
                OnvifFuzz::touch(framer.answer().body);
                framer.answer().headers_("WWW-Authenticate");
            }
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(consumed));
            if (result == CRtspFramer::NeedMore || consumed == 0)
                break;
        }
    }
    return 0;
}
