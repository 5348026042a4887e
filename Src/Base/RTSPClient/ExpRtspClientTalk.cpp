// The audio back channel of a talk session: which description media carries it and which
// of its payloads matches the host's compression and sample rate.
#include <cstdio>
#include <string>

#include "Base/RTSPClient/ExpRtspClient.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "Stream/Media/SdpParser.h"

namespace RPC {

using Onvif::LOG_INFO;
using Onvif::LOG_WARN;
using Zentar::StreamSvr::CSdpParser;
using Zentar::StreamSvr::CSdpPayload;

namespace {

struct AudioNameRow {
    int code;
    const char* name;
};

// Exact, case-sensitive names as hosts and devices write them.
const AudioNameRow kAudioNames[] = {
    {7, "G711"},          {8, "G729"},       {8, "G.729"},        {9, "ADPCM"},          {10, "G.711"},
    {10, "G.711U"},       {10, "G.711Mu"},   {10, "PCMU"},        {11, "G721"},          {12, "PCM8_VWIS"},
    {13, "MS_ADPCM"},     {14, "G.711A"},    {14, "PCMA"},        {16, "PCM16"},         {16, "PCM"},
    {16, "L16"},          {25, "G723.1"},    {25, "G.723"},       {26, "AAC"},           {26, "MPEG4-GENERIC"},
    {27, "G.726-40"},     {28, "G.726-32"},  {29, "G.726-24"},    {30, "G.726-16"},      {31, "MPEG2-Layer2"},
    {31, "MP2L2"},        {34, "G.722.1"},   {34, "G722.1"},      {38, "opus"},
};

const int kG726_40 = 27;
// The back channel is a send-only media whose control URL ends in track 5.
const int kBackChannelDirection = Zentar::StreamSvr::kSdpSendOnly;
const int kBackChannelTrack = 5;

} // namespace

int CExpRtspClient::audioCodeOfName(const std::string& name)
{
    for (const AudioNameRow& row : kAudioNames) {
        if (name == row.name)
            return row.code;
    }
    if (name.find("G.726") != std::string::npos || name.find("G726") != std::string::npos)
        return kG726_40;
    return -1;
}

bool CExpRtspClient::selectBackChannel(const CSdpParser& sdp, int code, int rate, CSdpParser& edited, bool& changed)
{
    changed = false;
    int media = -1;
    for (int m = 0; m < sdp.getMediaTotal(); ++m) {
        if (sdp.getSendRecvAttr(m) == kBackChannelDirection && sdp.getTrackId(m) == kBackChannelTrack) {
            media = m;
            break;
        }
    }
    if (media < 0) {
        ONVIF_LOG(LOG_WARN, "setRTSPAudioBackParam faied, No find talkbackchannel info in sdp!\n");
        return false;
    }
    const int count = sdp.getPayloadCount(media);
    CSdpPayload chosen;
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        CSdpPayload payload;
        if (!sdp.getPayload(media, i, payload) || payload.rate < 1)
            continue;
        const int payloadCode = audioCodeOfName(payload.name);
        if (payloadCode == code && payload.rate == rate) {
            chosen = payload;
            found = true;
        } else {
            ONVIF_LOG(LOG_INFO, "not match, [%d] [%d] -- [%d] [%d]\n", payloadCode, payload.rate, code, rate);
        }
    }
    if (!found)
        return false;
    edited = sdp;
    if (count > 1) {
        // Offer the device exactly the one format we are going to send.
        edited.removeAttribute(media, "rtpmap");
        char rtpmap[128];
        std::snprintf(rtpmap, sizeof rtpmap, "%d %s/%d", chosen.payloadType, chosen.name.c_str(), chosen.rate);
        edited.addAttribute(media, "rtpmap", rtpmap);
        edited.setMediaLine(media, "audio", sdp.getMediaPort(media), sdp.getMediaProto(media), {chosen.payloadType});
        changed = true;
    }
    return true;
}

bool CExpRtspClient::prepareBackChannel()
{
    const std::string compression = m_audioBackParams["Compression"].asString();
    const int rate = m_audioBackParams["Frequency"].asInt();
    const int code = audioCodeOfName(compression);
    if (code < 0) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p] getAudioEncodeType faied!\n", static_cast<void*>(this));
        return false;
    }
    std::shared_ptr<const CSdpParser> sdp = m_client->getSdpParser();
    if (!sdp) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p] CSdpParser attach faied!\n", static_cast<void*>(this));
        return false;
    }
    CSdpParser edited;
    bool changed = false;
    if (!selectBackChannel(*sdp, code, rate, edited, changed)) {
        ONVIF_LOG(LOG_WARN, "CExpRtspClient[%p] setRTSPAudioBackParam failed, setSdpParser <%s>\n",
                  static_cast<void*>(this), compression.c_str());
        return false;
    }
    if (changed && m_client->setSdpParser(edited) < 0)
        return false;
    ONVIF_LOG(LOG_INFO, "CExpRtspClient[%p] setRTSPAudioBackParam success, <%s>\n", static_cast<void*>(this),
              compression.c_str());
    return true;
}

} // namespace RPC
