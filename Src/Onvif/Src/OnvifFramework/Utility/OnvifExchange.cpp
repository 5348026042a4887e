#include "OnvifFramework/Utility/OnvifExchange.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "Infra/LastError.h"
#include "OnvifFramework/Utility/OnvifBaseComm.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "SOAPFramework/SOAPCall.h"
#include "SOAPFramework/SOAPTransport.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::SOAPFramework;

namespace {

// call() errors beside those of OnvifBaseDef.h: nothing could be sent, and an HTTP status
// outside 2xx.
constexpr int kCallNotSent = 1;
constexpr int kCallHttpStatus = 3;

std::unique_ptr<CSOAPTransport> makeTransport(const OnvifExchangeParams& p)
{
    auto transport = std::make_unique<CSOAPTransport>(p.xaddr);
    transport->setFreshConnection(p.freshConnection);
    if (p.timeouts) {
        const OnvifTimeouts& t = *p.timeouts;
        if (t.connectMs != OnvifTimeouts::kTransportOwn)
            transport->setConnectTimeout(t.connectMs);
        if (t.sendMs != OnvifTimeouts::kTransportOwn)
            transport->setSendTimeout(t.sendMs);
        if (t.recvMs != OnvifTimeouts::kTransportOwn)
            transport->setRecvTimeout(t.recvMs);
        if (t.totalMs != OnvifTimeouts::kTransportOwn)
            transport->setTimeout(t.totalMs);
    } else {
        COnvifBaseComm::instance()->applyTimeouts(*transport);
    }
    return transport;
}

int statusOf(const CSOAPTransport& transport)
{
    const char* status = transport.getHTTPHeader("Status");
    return status ? std::atoi(status) : 0;
}

// The code a failed call leaves for the host: every failure carries one, so that a host
// never shows "error 0" for a device that refused or answered nonsense.
uint32_t failureCode(int error, int httpStatus)
{
    switch (error) {
    case kCallNotSent:
    case SOAP_CALL_CONNECT_FAILED:
        return ONVIF_ERR_UNREACHABLE;
    case SOAP_CALL_RECV_TIMEOUT:
        return ONVIF_ERR_TIMEOUT;
    case kCallHttpStatus:
        return httpStatus == 401 ? ONVIF_ERR_BAD_CREDENTIALS : ONVIF_ERR_DEVICE_REFUSED;
    default:
        return ONVIF_ERR_BAD_ANSWER;
    }
}

// Maps a failed call's error to the component last error. Returns true when the
// failure means there is no answer at all (the exchange must stop).
bool mapCallError(int error, int httpStatus, const COnvifLoginInfo& login)
{
    const char* device = login.m_strAddress.c_str();
    Zentar::Infra::setLastError(failureCode(error, httpStatus));
    switch (error) {
    case SOAP_CALL_CONNECT_FAILED:
        ONVIF_LOG(LOG_DEBUG, "Device[%s] connect failed!\n", device);
        return true;
    case SOAP_CALL_RECV_TIMEOUT:
        ONVIF_LOG(LOG_DEBUG, "Device[%s] recv rsp timeout!\n", device);
        return true;
    case SOAP_CALL_BAD_ANSWER:
        ONVIF_LOG(LOG_DEBUG, "Device[%s] rsp msg error!\n", device);
        return false;
    default:
        return false;
    }
}

// An answer arrived but is not the operation's answer.
int unreadableAnswer()
{
    Zentar::Infra::setLastError(ONVIF_ERR_BAD_ANSWER);
    ONVIF_ERRLN();
    return -1;
}

// The response element check of an answer that arrived, with the operation's own log.
bool answerHasResponseElement(const OnvifExchangeParams& p, CSOAPMessage& response)
{
    if (hasResponseElement(response, p.operationName, p.logResponseFail && !p.responseFailText))
        return true;
    if (p.responseFailText)
        ONVIF_LOG(LOG_WARN, "%s", p.responseFailText);
    return false;
}

// A refusal the device explained with a SOAP fault: its subcode and reason say why (an
// account without the rights, a value out of range), which the bare status does not.
void logFault(const OnvifExchangeParams& p, const COnvifLoginInfo& login, CSOAPMessage& response)
{
    const char* subcode = response.getAsCString("/Envelope/Body/Fault/Code/Subcode/Subcode/Value");
    if (!subcode)
        subcode = response.getAsCString("/Envelope/Body/Fault/Code/Subcode/Value");
    const char* reason = response.getAsCString("/Envelope/Body/Fault/Reason/Text");
    if (subcode || reason)
        ONVIF_LOG(LOG_WARN, "Device[%s] %s refused: %s, %s\n", login.m_strAddress.c_str(),
                  p.operationName ? p.operationName : "", subcode ? subcode : "", reason ? reason : "");
}

} // namespace

int exchangeAuthenticated(const OnvifExchangeParams& p, const COnvifLoginInfo& login, CSOAPMessage& request,
                          CSOAPMessage& response, int* httpStatus)
{
    if (httpStatus)
        *httpStatus = 0;
    if (p.callError)
        *p.callError = 0;
    auto transport = makeTransport(p);
    const int error = COnvifBaseComm::instance()->messageAuth(request, response, *transport, login, p.useStamp,
                                                              p.timeDifference);
    if (error != 0) {
        const int status = statusOf(*transport);
        if (httpStatus)
            *httpStatus = status;
        if (p.callError)
            *p.callError = error;
        mapCallError(error, status, login);
        logFault(p, login, response);
        ONVIF_ERRLN();
        return -1;
    }
    if (response.setNSURITable(p.namespaces) != 0 || !answerHasResponseElement(p, response))
        return unreadableAnswer();
    return 0;
}

int exchangeAnonymousFirst(const OnvifExchangeParams& p, const COnvifLoginInfo& login, CSOAPMessage& request,
                           CSOAPMessage& response, int* httpStatus)
{
    if (httpStatus)
        *httpStatus = 0;
    {
        auto transport = makeTransport(p);
        int error = -1;
        if (call(*transport, request, response, &error) != 0) {
            ONVIF_LOG(LOG_DEBUG, "Zentar::SOAPFramework::call ret is %d!\n", error);
            if (mapCallError(error, statusOf(*transport), login))
                return -1;
        }
    }
    if (response.setNSURITable(p.namespaces) != 0)
        return unreadableAnswer();
    if (hasResponseElement(response, p.operationName, false))
        return 0;

    // The device wants credentials (or answered something else): sign and send again.
    // The second send happens even without a user name, so a device that merely
    // hiccuped on the first request still gets its chance. With the default
    // authentication type the second try is WS-Security; with HTTP digest (1) or
    // WS-Security then digest (2) it is the authenticated exchange itself, so that a
    // device that takes nothing but digest can be logged in at all.
    auto transport = makeTransport(p);
    int error = -1;
    int ret = 0;
    const int authType = COnvifBaseComm::instance()->getAuthType();
    if ((authType == 1 || authType == 2) && !login.m_strUserName.empty()) {
        ret = error = COnvifBaseComm::instance()->messageAuth(request, response, *transport, login, p.useStamp,
                                                              p.timeDifference);
    } else {
        if (!login.m_strUserName.empty())
            request.addAuthorization(login.m_strUserName.c_str(), login.m_strPassword.c_str(), p.useStamp,
                                     p.timeDifference, nullptr, AUTH_WSSE_DIGEST);
        ret = call(*transport, request, response, &error);
    }
    if (httpStatus)
        *httpStatus = statusOf(*transport);
    if (ret != 0) {
        ONVIF_LOG(LOG_DEBUG, "Zentar::SOAPFramework::call ret is %d!\n", error);
        mapCallError(error, statusOf(*transport), login);
        ONVIF_ERRLN();
        return -1;
    }
    if (response.setNSURITable(p.namespaces) != 0 || !answerHasResponseElement(p, response))
        return unreadableAnswer();
    return 0;
}

} // namespace Onvif
} // namespace RPC
