// How the device words its answers: SOAP bodies with its transfer habit, faults with its
// status habit, refusals with its refusal style, and faults injected on demand.
#include "Device/DeviceCore.h"

#include "Soap/XmlAnswer.h"

namespace OnvifSim {
namespace {

const char kHtml401[] =
    "<!DOCTYPE html><html><head><title>401 Unauthorized</title></head>"
    "<body><h1>401 Unauthorized</h1><p>Authorization required.</p></body></html>";

} // namespace

bool CDeviceCore::digestAllowed() const
{
    return m_state.current.authMode == EAuthMode::Digest || m_state.current.authMode == EAuthMode::Either;
}

CHttpAnswer CDeviceCore::soapAnswer(int status, std::string xml) const
{
    CHttpAnswer answer;
    answer.status = status;
    answer.body = std::move(xml);
    answer.chunked = m_state.current.transfer == ETransfer::Chunked;
    return answer;
}

CHttpAnswer CDeviceCore::plainAnswer(int status, const std::string& text) const
{
    CHttpAnswer answer;
    answer.status = status;
    answer.contentType = "text/html";
    answer.body = "<html><body><h1>" + std::to_string(status) + " " + text + "</h1></body></html>";
    return answer;
}

CHttpAnswer CDeviceCore::faultAnswer(const CSoapFault& fault) const
{
    const CDeviceDescription& d = m_state.current;
    CXmlAnswer xml(d.prefixes, d.defaultNamespaces);
    WriteFault(xml, fault);
    int status = fault.httpStatus;
    if (status == 0)
        status = d.faultStatusAlways500 || fault.code != "Sender" ? 500 : 400;
    return soapAnswer(status, xml.str());
}

void CDeviceCore::addChallenges(CHttpAnswer& answer, bool stale)
{
    if (!digestAllowed())
        return;
    const CDeviceDescription& d = m_state.current;
    for (const auto& value : m_digest.challenges(d.challenges, d.realm, stale))
        answer.headers.emplace_back("WWW-Authenticate", value);
}

CHttpAnswer CDeviceCore::refusal(bool stale)
{
    const CDeviceDescription& d = m_state.current;
    static const int statuses[] = {401, 400, 200, 500};   // in ERefusalStyle order
    CSoapFault fault = CSoapFault::Sender({"NotAuthorized"}, "Sender not Authorized");
    fault.httpStatus = stale ? 401 : statuses[static_cast<int>(d.refusalStyle)];
    CHttpAnswer answer = faultAnswer(fault);
    if (fault.httpStatus == 401) {
        if (d.htmlRefusalBody) {
            answer.contentType = "text/html";
            answer.body = kHtml401;
        }
        addChallenges(answer, stale);
    }
    return answer;
}

CHttpAnswer CDeviceCore::injected(const CSimFault& wanted)
{
    CHttpAnswer answer;
    switch (wanted.kind) {
    case EFaultKind::Close:
        answer.action = CHttpAnswer::EAction::Close;
        return answer;
    case EFaultKind::Garbage:
        answer.action = CHttpAnswer::EAction::Garbage;
        return answer;
    case EFaultKind::Silence:
        answer.action = CHttpAnswer::EAction::Silence;
        return answer;
    case EFaultKind::Html401:
        answer = plainAnswer(401, "Unauthorized");
        answer.body = kHtml401;
        addChallenges(answer, false);
        return answer;
    default:
        break;
    }
    CSoapFault fault;
    fault.httpStatus = wanted.httpStatus;
    fault.subcodes = wanted.subcodes;
    if (wanted.kind == EFaultKind::SoapFault) {
        fault.code = wanted.code;
        fault.reason = wanted.reason.empty() ? "Simulated fault" : wanted.reason;
    } else {
        fault.code = wanted.httpStatus < 500 ? "Sender" : "Receiver";
        fault.reason = wanted.reason.empty() ? "Simulated HTTP " + std::to_string(wanted.httpStatus) : wanted.reason;
    }
    answer = faultAnswer(fault);
    if (wanted.httpStatus == 401)
        addChallenges(answer, false);
    return answer;
}

} // namespace OnvifSim
