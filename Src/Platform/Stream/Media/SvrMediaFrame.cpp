#include "Stream/Media/SvrMediaFrame.h"

namespace Zentar {
namespace StreamSvr {

bool CMediaFrame::assign(const Stream::CMediaFrame& packet)
{
    reset();
    if (!packet.valid() || !m_packet.assign(packet.getBuffer(), packet.size()))
        return false;
    m_packet.setPts(packet.getPts());
    m_packet.setChannel(packet.getChannel());
    m_packet.setStreamType(packet.getStreamType());
    m_packet.setFrameType(packet.getFrameType());
    return true;
}

void CMediaFrame::reset()
{
    m_packet.reset();
    m_mediaIndex = -1;
    m_codec = kCodecUnknown;
    m_rtpTimestamp = 0;
    m_key = false;
    m_utcMs = 0;
}

} // namespace StreamSvr
} // namespace Zentar
