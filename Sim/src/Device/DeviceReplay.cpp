// A replayed device answers with what the recorded one sent, addresses pointed at the
// simulator as this client reached it; an action it was never recorded answering gets the
// fault a device gives for an unknown action.
#include "Device/DeviceCore.h"

#include "Replay/ReplayAnswers.h"
#include "Services/ServiceHandler.h"

namespace OnvifSim {

CHttpAnswer CDeviceCore::replayed(const CHttpRequest& http, const CConnectionInfo& connection,
                                  const CSoapRequest& soap, const CServiceInfo& service, const CAuthOutcome& caller)
{
    const CDeviceDescription& d = m_state.current;
    CXmlAnswer unused(d.prefixes, d.defaultNamespaces);
    CCallContext context(m_state, soap, http, connection, service, caller, unused);
    std::optional<CReplayReply> reply =
        m_replay->answer(soap.operationNamespace(), soap.operation(), context.baseUrl());
    if (!reply)
        return faultAnswer(CSoapFault::Receiver({"ActionNotSupported"}, "The requested action is not supported"));
    CHttpAnswer answer = soapAnswer(reply->status, std::move(reply->body));
    answer.contentType = reply->contentType;
    return answer;
}

} // namespace OnvifSim
