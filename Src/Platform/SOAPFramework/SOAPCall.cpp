// call(): the SOAP meaning of an HTTP exchange. The transport moves bytes; here the
// request is serialised, the answer parsed and the outcome turned into one result code.
#include "SOAPFramework/SOAPCall.h"

#include "SOAPFramework/SOAPCurlShare.h"

#include <string>

namespace Zentar {
namespace SOAPFramework {

namespace {

bool isSuccessStatus(int status)
{
    return status >= 200 && status < 300;
}

int exchange(CSOAPTransport& transport, CSOAPMessage& request, CSOAPMessage& response)
{
    if (!ensureCurlGlobalInit())
        return kSOAPErrorOther;
    std::string body;
    std::string contentType;
    if (request.serialize(body, contentType) != 0)
        return kSOAPErrorOther;

    std::string user;
    std::string password;
    const bool digest = request.getHttpDigest(user, password);
    const int sent = transport.post(body.data(), body.size(), contentType.c_str(),
                                    digest ? user.c_str() : nullptr,
                                    digest ? password.c_str() : nullptr);
    if (sent != kSOAPOk)
        return sent;

    const std::string& answer = transport.getResponseBody();
    const int status = transport.getHttpStatus();
    if (!isSuccessStatus(status)) {
        // A SOAP Fault usually rides on the error status; keep it readable, but let the
        // status be what the caller sees as the last code (it tests 400 and 401).
        if (!answer.empty())
            response.parse(answer.data(), answer.size());
        response.setLastCode(status);
        return kSOAPErrorHttpStatus;
    }
    if (response.parse(answer.data(), answer.size()) != 0)
        return kSOAPErrorBadAnswer;
    return kSOAPOk;
}

} // namespace

void initSOAPInstanceObj()
{
    ensureCurlGlobalInit();
}

int call(CSOAPTransport& transport, CSOAPMessage& request, CSOAPMessage& response, int* error)
{
    int result = kSOAPErrorOther;
    try {
        result = exchange(transport, request, response);
    } catch (...) {
        // Only allocation failures can get here; they must not cross the library edge.
        result = kSOAPErrorOther;
    }
    if (error != nullptr)
        *error = result;
    return result;
}

} // namespace SOAPFramework
} // namespace Zentar
