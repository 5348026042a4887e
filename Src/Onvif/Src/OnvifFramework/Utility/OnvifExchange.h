#pragma once
// The two ways a request reaches a device: authenticated through the exchange core, or
// anonymously first (for the few operations needed before we know whether the device
// wants credentials, or what its clock says).
#include <string>

#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {

struct OnvifExchangeParams {
    const char* xaddr = nullptr;
    const char* operationName = nullptr;   // the response element is "<name>Response"
    const NSEntry* namespaces = nullptr;
    const OnvifTimeouts* timeouts = nullptr;
    int timeDifference = 0;
    bool useStamp = false;
    bool logResponseFail = false;
    const char* responseFailText = nullptr;   // the operation's own text for that failure
    bool freshConnection = false;
    int* callError = nullptr;   // when given: the transport's error code of a failed call (SOAPCall.h), else 0
};

// Authenticated exchange; 0 when the answer holds the response element.
// On failure *httpStatus (when given) receives the HTTP status the device answered, or 0.
int exchangeAuthenticated(const OnvifExchangeParams& p, const COnvifLoginInfo& login, CSOAPMessage& request,
                          CSOAPMessage& response, int* httpStatus);

// Anonymous-first exchange; 0 when the answer holds the response element. Sets the
// component last error on connection failure, receive time-out and unreadable answers.
int exchangeAnonymousFirst(const OnvifExchangeParams& p, const COnvifLoginInfo& login, CSOAPMessage& request,
                           CSOAPMessage& response, int* httpStatus);

} // namespace Onvif
} // namespace RPC
