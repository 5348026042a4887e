// The session description parser and every getter the RTSP session uses on it.
#include <string>

#include "FuzzInput.h"
#include "Stream/Media/SdpParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Zentar::StreamSvr::CSdpParser;
    CSdpParser sdp;
    sdp.setContentBase("rtsp://127.0.0.1/live/");
    if (sdp.attach(reinterpret_cast<const char*>(data), size) != 0)
        return 0;
    unsigned sum = OnvifFuzz::touch(sdp.getSessionName()) + OnvifFuzz::touch(sdp.getSessionUrl()) +
                   OnvifFuzz::touch(sdp.getRange()) + OnvifFuzz::touch(sdp.toString());
    const int total = sdp.getMediaTotal();
    for (int m = -1; m <= total; ++m) {
        sum += sdp.getMediaType(m) + sdp.getMediaPort(m) + sdp.getMediaPortCount(m) + sdp.getSendRecvAttr(m) +
               sdp.getTrackId(m) + sdp.getBandwidth(m) + sdp.getPayloadCount(m);
        sum += OnvifFuzz::touch(sdp.getMediaUrl(m)) + OnvifFuzz::touch(sdp.getMediaControl(m)) +
               OnvifFuzz::touch(sdp.getAttribute(m, "rtpmap")) + OnvifFuzz::touch(sdp.getAttribute(m, "fmtp")) +
               OnvifFuzz::touch(sdp.getRange(m));
        for (int format : sdp.getMediaFormats(m))
            sum += static_cast<unsigned>(format);
        for (int i = 0; i < sdp.getPayloadCount(m); ++i) {
            Zentar::StreamSvr::CSdpPayload payload;
            if (sdp.getPayload(m, i, payload))
                sum += OnvifFuzz::touch(payload.name) + static_cast<unsigned>(payload.rate);
        }
        Zentar::StreamSvr::CSdpConnection connection;
        sdp.getConnection(m, connection);
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
