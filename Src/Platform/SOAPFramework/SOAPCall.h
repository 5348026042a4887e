#pragma once
// One SOAP request/response exchange over a CSOAPTransport.
#include "SOAPFramework/SOAPMessage.h"
#include "SOAPFramework/SOAPTransport.h"

namespace Zentar {
namespace SOAPFramework {

// Starts libcurl for the process (once; later calls do nothing). call() does it too, so
// calling this first only moves the start-up cost out of the first exchange.
void initSOAPInstanceObj();

// POSTs request (with HTTP Digest when request.getHttpDigest() says so) and reads the
// answer into response. Returns 0 when the device answered 2xx with a SOAP envelope
// (response.getLastCode() is then 0). Otherwise the same non-zero code is returned and
// stored in *error when given:
//
//   1  anything else: the request could not be built or sent, a send stall, out of memory
//   2  no connection: refused, unreachable, DNS failure, connect time-out, TLS handshake
//   3  HTTP status outside 2xx; the body (usually a SOAP Fault) is parsed into response
//      when it can be, and response.getLastCode() is the HTTP status (400, 401, 500...)
//   7  connected and sent, but no complete answer within the receive or total time-out
//   8  unreadable answer: not HTTP, a body cut short of its Content-Length, headers or
//      body over their limits, or a 2xx body that is not a SOAP envelope
//
// The transport keeps the status ("Status") and the response headers for the caller.
int call(CSOAPTransport& transport, CSOAPMessage& request, CSOAPMessage& response,
         int* error = nullptr);

} // namespace SOAPFramework
} // namespace Zentar
