#pragma once
// The two ways a request reaches a device: authenticated through the exchange core, or
// anonymously first (for the few operations needed before we know whether the device
// wants credentials, or what its clock says).
#include <cstdint>
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

// Both exchanges set a non-zero component last error on every failure: 0x10030012 no
// connection, 0x10030013 no answer in time, 0x10030015 refused with 401, 0x10030016 refused
// otherwise, 0x1003001b an answer that is not the operation's.

// Authenticated exchange; 0 when the answer holds the response element.
// On failure *httpStatus (when given) receives the HTTP status the device answered, or 0.
int exchangeAuthenticated(const OnvifExchangeParams& p, const COnvifLoginInfo& login, CSOAPMessage& request,
                          CSOAPMessage& response, int* httpStatus);

// Anonymous-first exchange; 0 when the answer holds the response element.
int exchangeAnonymousFirst(const OnvifExchangeParams& p, const COnvifLoginInfo& login, CSOAPMessage& request,
                           CSOAPMessage& response, int* httpStatus);

} // namespace Onvif
} // namespace RPC
