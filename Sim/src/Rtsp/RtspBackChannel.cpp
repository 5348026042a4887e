#include "Rtsp/RtspBackChannel.h"

#include "Common/Log.h"
#include "Device/DeviceCore.h"
#include "Rtsp/RtspConnection.h"
#include "Rtsp/RtspServer.h"

namespace OnvifSim {

namespace {
struct BackChannelPayload {
    int payloadType;
    const char* name;
    int rate;
};
// G.711 in both laws on their static types, and G.726 at 32 kbit/s on a dynamic one, as
// door stations commonly offer.
const BackChannelPayload kPayloads[] = {{0, "PCMU", 8000}, {8, "PCMA", 8000}, {97, "G726-32", 8000}};
} // namespace

bool WantsBackChannel(const CHttpRequest& request)
{
    return request.header("Require").find("www.onvif.org/ver20/backchannel") != std::string::npos;
}

std::string BackChannelSdp(const std::string& base)
{
    std::string out = "m=audio 0 RTP/AVP";
    for (const auto& p : kPayloads)
        out += " " + std::to_string(p.payloadType);
    out += "\r\n";
    for (const auto& p : kPayloads)
        out += "a=rtpmap:" + std::to_string(p.payloadType) + " " + p.name + "/" + std::to_string(p.rate) + "\r\n";
    out += "a=sendonly\r\n";
    out += "a=control:" + base + "/trackID=" + std::to_string(kBackChannelTrack) + "\r\n";
    return out;
}

std::string BackChannelCodec(int payloadType)
{
    for (const auto& p : kPayloads)
        if (p.payloadType == payloadType)
            return p.name;
    return "";
}

bool CRtspServer::setupBackChannel(CRtspConnection& c, CRtspSession& session, const std::string& url,
                                   const std::string& transport, CRtspResponse& r)
{
    for (const auto& choice : ParseTransports(transport)) {
        if (choice.protocol != "RTP/AVP/TCP" || choice.multicast)
            continue;
        CSessionTrack out;
        out.id = kBackChannelTrack;
        out.url = url;
        out.backChannel = true;
        out.interleaved = true;
        out.channel = choice.interleaved[0] >= 0 ? choice.interleaved[0] : c.nextChannel();
        r.headers.emplace_back("Transport", "RTP/AVP/TCP;unicast;interleaved=" + std::to_string(out.channel) + "-" +
                                                std::to_string(out.channel + 1));
        session.tracks.push_back(std::move(out));
        return true;
    }
    LogLine("rtsp: back channel offered over TCP only, not " + transport);
    r.status = 461;
    return false;
}

void CRtspServer::receiveBackChannel(const CSessionTrack&, const std::string& rtp)
{
    // RTP fixed header, CSRC list, extension and padding (RFC 3550 section 5.1).
    const auto* b = reinterpret_cast<const unsigned char*>(rtp.data());
    size_t header = 12;
    if (rtp.size() < header || (b[0] >> 6) != 2) {
        LogLine("rtsp: back channel: " + std::to_string(rtp.size()) + " bytes that are not RTP dropped");
        return;
    }
    header += 4u * (b[0] & 0x0F);
    if ((b[0] & 0x10) && rtp.size() >= header + 4)
        header += 4 + 4u * ((b[header + 2] << 8) | b[header + 3]);
    size_t padding = (b[0] & 0x20) ? b[rtp.size() - 1] : 0;
    if (rtp.size() < header + padding) {
        LogLine("rtsp: back channel: a packet shorter than its headers dropped");
        return;
    }
    std::string codec = BackChannelCodec(b[1] & 0x7F);
    if (codec.empty())
        codec = "payload type " + std::to_string(b[1] & 0x7F);
    auto lock = m_core->lock();
    Json::Value& counts = m_core->state().serviceData["backChannel"];
    counts[codec]["bytes"] = counts[codec]["bytes"].asUInt64() + (rtp.size() - header - padding);
    counts[codec]["packets"] = counts[codec]["packets"].asUInt64() + 1;
}

} // namespace OnvifSim
