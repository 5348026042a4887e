// The half of the operation engine that talks to a device: a row's request goes out through
// the exchange and its answer is read with the pure half (OnvifOperation.cpp). Kept apart so
// that the pure half links without the network, as the parser fuzz targets do.
#include "OnvifFramework/Utility/OnvifExchange.h"
#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifOperation.h"
#include "OnvifFramework/Utility/OnvifOperationTable.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::SOAPFramework;

namespace {

// The transport codes of SOAPCall.h: the request did not get out (1, 2), or it did and
// nothing readable came back (7, 8). An HTTP error status (3) is an answer, not a failure
// of the connection.
void markTransportFailure(int callError, Json::Value& rsp)
{
    switch (callError) {
    case 1:
    case SOAP_CALL_CONNECT_FAILED:
        rsp["SendError"] = "true";
        break;
    case SOAP_CALL_RECV_TIMEOUT:
    case SOAP_CALL_BAD_ANSWER:
        rsp["RecvError"] = "true";
        break;
    default:
        break;
    }
}

} // namespace

int runOperation(const OnvifOperation& op, const COnvifLoginInfo& login, const Json::Value& req, Json::Value& rsp)
{
    if (op.sendsNothing) {
        if (op.fixedLogText)
            ONVIF_LOG(LOG_WARN, "%s", op.fixedLogText);
        return op.fixedResult;
    }
    if (!rsp.isNull() && !rsp.isObject()) {
        ONVIF_ERRLN();
        return -1;
    }
    // Rows with a preparing hook write from their own copy of the parameters. Without a
    // request member the hook may also name the address (a subscription's own).
    Json::Value prepared;
    const Json::Value* params = requestFields(op, req, prepared);
    if (!params)
        return -1;
    const Json::Value& fields = *params;
    const Json::Value& addressed = op.requestObject ? req : fields;
    const Json::Value* xaddr = addressed.isObject() ? addressed.find("XAddr", "XAddr" + 5) : nullptr;
    if (!xaddr || !xaddr->isString() || xaddr->asString().empty()) {
        ONVIF_ERRLN();
        return -1;
    }
    CSOAPMessage request(true, 2, (op.flags & OP_ATTACHMENT) ? SOAP_MODE_ATTACHMENT : SOAP_MODE_PLAIN);
    CSOAPMessage response(static_cast<const char*>(nullptr));
    if (writeRequest(op, fields, request) != 0) {
        ONVIF_ERRLN();
        return -1;
    }

    const std::string address = xaddr->asString();
    OnvifExchangeParams p;
    p.xaddr = address.c_str();
    p.operationName = op.operation;
    p.namespaces = op.namespaces;
    p.timeouts = op.timeouts;
    p.timeDifference = req.get("TimeDifference", 0).isInt() ? req.get("TimeDifference", 0).asInt() : 0;
    p.useStamp = req.get("UseStamp", false).isBool() && req.get("UseStamp", false).asBool();
    p.logResponseFail = (op.flags & OP_LOG_RESPONSE_FAIL) != 0;
    p.responseFailText = op.responseFailText;
    p.freshConnection = (op.flags & OP_FRESH_CONNECTION) != 0;
    int callError = 0;
    p.callError = &callError;

    int httpStatus = 0;
    int ret = (op.flags & OP_ANONYMOUS_FIRST) ? exchangeAnonymousFirst(p, login, request, response, &httpStatus)
                                              : exchangeAuthenticated(p, login, request, response, &httpStatus);
    if (ret != 0) {
        if ((op.flags & OP_UNAUTH_INFO) && (httpStatus == 401 || httpStatus == 400))
            rsp[kErrorInfoKey] = kErrorInfoUnauth;
        if (op.flags & OP_TRANSPORT_MARKERS)
            markTransportFailure(callError, rsp);
        // A SOAP fault the device answered with (or an answer with another element) may
        // still say something the caller needs.
        if (op.readFault && response.getArraySize("/Envelope/Body") > 0)
            op.readFault(response, fields, rsp);
        return -1;
    }
    return readAnswer(op, response, req, rsp);
}

int COnvifOperationTable::dispatch(const COnvifLoginInfo& login, const std::string& command, const Json::Value& req,
                                   Json::Value& rsp) const
{
    const OnvifOperation* row = find(command);
    return row ? runOperation(*row, login, req, rsp) : ONVIF_EXEC_UNKNOWN;
}

} // namespace Onvif
} // namespace RPC
