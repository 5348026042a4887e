#include "OnvifProtocolCore/MediaConfiguration/OnvifMediaCommands.h"

#include <string>

#include "OnvifFramework/Utility/OnvifExchange.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::SOAPFramework;

namespace {

// The engine's run, except that an answer without the response element logs the row's
// own text. exchangeAuthenticated reports the HTTP status only when the device refused
// the request; a readable envelope with status 0 therefore means the answer came but
// held something else.
int runWithFailText(const OnvifCommandRow& row, const COnvifLoginInfo& login, const Json::Value& req,
                    Json::Value& rsp)
{
    const OnvifOperation& op = row.op;
    if (!rsp.isNull() && !rsp.isObject()) {
        ONVIF_ERRLN();
        return -1;
    }
    const Json::Value* xaddr = req.isObject() ? req.find("XAddr", "XAddr" + 5) : nullptr;
    if (!xaddr || !xaddr->isString() || xaddr->asString().empty()) {
        ONVIF_ERRLN();
        return -1;
    }
    CSOAPMessage request(true, 2, 0);
    CSOAPMessage response(static_cast<const char*>(nullptr));
    if (request.setNSURITable(op.namespaces) != 0 || request.setPathPrefix(SOAP_NODE_BODY) != 0 ||
        request.set(op.requestElement, static_cast<const char*>(nullptr), true) != 0 ||
        writeFields(request, op.requestFields, req) != 0 || (op.buildRequest && op.buildRequest(request, req) != 0) ||
        request.getLastError() != 0) {
        ONVIF_ERRLN();
        return -1;
    }

    const std::string address = xaddr->asString();
    OnvifExchangeParams p;
    p.xaddr = address.c_str();
    p.operationName = op.name;
    p.namespaces = op.namespaces;
    p.timeouts = op.timeouts;
    p.timeDifference = req.get("TimeDifference", 0).isInt() ? req.get("TimeDifference", 0).asInt() : 0;
    p.useStamp = req.get("UseStamp", false).isBool() && req.get("UseStamp", false).asBool();

    int httpStatus = 0;
    if (exchangeAuthenticated(p, login, request, response, &httpStatus) != 0) {
        if (httpStatus == 0 && response.getArraySize("/Envelope/Body") > 0)
            ONVIF_LOG(LOG_WARN, "%s", row.responseFailText);
        if ((op.flags & OP_UNAUTH_INFO) && (httpStatus == 401 || httpStatus == 400))
            rsp[kErrorInfoKey] = kErrorInfoUnauth;
        ONVIF_ERRLN();
        return -1;
    }
    if (response.setPathPrefix(SOAP_NODE_RESPONSE) != 0) {
        ONVIF_ERRLN();
        return -1;
    }
    readFields(response, op.responseFields, rsp);
    if (op.readResponse && op.readResponse(response, req, rsp) != 0) {
        ONVIF_ERRLN();
        return -1;
    }
    return 0;
}

} // namespace

int runCommandRow(const OnvifCommandRow& row, const COnvifLoginInfo& login, const Json::Value& req, Json::Value& rsp)
{
    if (row.responseFailText)
        return runWithFailText(row, login, req, rsp);
    return runOperation(row.op, login, req, rsp);
}

COnvifCommandTable::COnvifCommandTable(const OnvifCommandRow* rows, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        m_rows[rows[i].command] = &rows[i];
}

int COnvifCommandTable::dispatch(const COnvifLoginInfo& login, const std::string& command, const Json::Value& req,
                                 Json::Value& rsp) const
{
    const OnvifCommandRow* row = find(command);
    return row ? runCommandRow(*row, login, req, rsp) : ONVIF_EXEC_UNKNOWN;
}

const OnvifCommandRow* COnvifCommandTable::find(const std::string& command) const
{
    auto it = m_rows.find(command);
    return it == m_rows.end() ? nullptr : it->second;
}

std::vector<std::string> COnvifCommandTable::commands() const
{
    std::vector<std::string> names;
    for (const auto& entry : m_rows)
        names.push_back(entry.first);
    return names;
}

} // namespace Onvif
} // namespace RPC
