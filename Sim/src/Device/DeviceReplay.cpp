// A replayed device answers with what the recorded one sent, addresses pointed at the
// simulator as this client reached it. Two things a recording cannot hold come from the
// simulator itself: the clock (when the folder has no GetSystemDateAndTime: every real
// device tells its time, and a client cannot sign requests without it) and the media the
// recorded snapshot and stream addresses name.
#include "Device/DeviceCore.h"

#include "Description/Namespaces.h"
#include "Media/MediaUris.h"
#include "Replay/ReplayAnswers.h"
#include "Services/ServiceHandler.h"

namespace OnvifSim {

std::optional<CHttpAnswer> CDeviceCore::replayed(const CHttpRequest& http, const CConnectionInfo& connection,
                                                 const CSoapRequest& soap, const CServiceInfo& service,
                                                 const CAuthOutcome& caller)
{
    const CDeviceDescription& d = m_state.current;
    CXmlAnswer unused(d.prefixes, d.defaultNamespaces);
    CCallContext context(m_state, soap, http, connection, service, caller, unused);
    unsigned short rtspPort = static_cast<unsigned short>(d.raw.get(kRtspPortMember, 0).asUInt());
    std::optional<CReplayReply> reply =
        m_replay->answer(soap.operationNamespace(), soap.operation(), context.baseUrl(), rtspPort);
    if (!reply) {
        if (soap.operation() == "GetSystemDateAndTime" && soap.operationNamespace() == Ns::Device)
            return std::nullopt;   // the simulator's own clock answers
        return faultAnswer(CSoapFault::Receiver({"ActionNotSupported"}, "The requested action is not supported"));
    }
    CHttpAnswer answer = soapAnswer(reply->status, std::move(reply->body));
    answer.contentType = reply->contentType;
    return answer;
}

bool CDeviceCore::replayedMedia(const std::string& path) const
{
    return m_replay && m_replay->namesPicture(path);
}

} // namespace OnvifSim
