#include "OnvifFramework/Utility/OnvifOperation.h"

#include <cstring>
#include <string>

#include "OnvifFramework/Utility/OnvifExchange.h"
#include "OnvifFramework/Utility/OnvifLog.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::SOAPFramework;

namespace {

// "Device.XAddr" -> rsp["Device"]["XAddr"]; a key without dots is a plain member.
const Json::Value* findKey(const Json::Value& root, const char* key)
{
    const Json::Value* node = &root;
    const char* begin = key;
    for (;;) {
        if (!node->isObject())
            return nullptr;
        const char* dot = std::strchr(begin, '.');
        const char* end = dot ? dot : begin + std::strlen(begin);
        node = node->find(begin, end);
        if (!node)
            return nullptr;
        if (!dot)
            return node;
        begin = dot + 1;
    }
}

Json::Value& makeKey(Json::Value& root, const char* key)
{
    Json::Value* node = &root;
    const char* begin = key;
    for (;;) {
        const char* dot = std::strchr(begin, '.');
        if (!dot)
            return (*node)[begin];
        node = &(*node)[std::string(begin, dot)];
        begin = dot + 1;
    }
}

bool isEmptyValue(const Json::Value* v)
{
    return !v || v->isNull() || (v->isString() && v->asString().empty()) ||
           ((v->isArray() || v->isObject()) && v->empty());
}

int writeScalar(CSOAPMessage& msg, const OnvifField& f, const Json::Value& v)
{
    switch (f.type) {
    case FIELD_INT:
        return v.isConvertibleTo(Json::intValue) ? msg.set(f.path, v.asInt()) : -1;
    case FIELD_DOUBLE:
        return v.isConvertibleTo(Json::realValue) ? msg.set(f.path, v.asDouble()) : -1;
    case FIELD_BOOL:
        return v.isConvertibleTo(Json::booleanValue) ? msg.set(f.path, v.asBool()) : -1;
    case FIELD_TEXT:
        return v.isConvertibleTo(Json::stringValue) ? msg.set(f.path, v.asString().c_str(), true) : -1;
    default:
        return -1;
    }
}

int writeField(CSOAPMessage& msg, const OnvifField& f, const Json::Value& req)
{
    const Json::Value* v = findKey(req, f.key);
    if (isEmptyValue(v)) {
        if (f.defaultValue)
            return msg.set(f.path, f.defaultValue, true);
        if (f.flags & FIELD_SEND_EMPTY)
            return msg.set(f.path, static_cast<const char*>(nullptr), true);
        return 0;
    }
    if (f.type != FIELD_TEXT_LIST)
        return writeScalar(msg, f, *v);
    if (!v->isArray())
        return -1;
    for (Json::ArrayIndex i = 0; i < v->size(); ++i) {
        const Json::Value& item = (*v)[i];
        if (!item.isConvertibleTo(Json::stringValue) ||
            msg.set(f.path, item.asString().c_str(), true, static_cast<int>(i)) != 0)
            return -1;
    }
    return 0;
}

void readField(CSOAPMessage& msg, const OnvifField& f, Json::Value& rsp)
{
    switch (f.type) {
    case FIELD_TEXT:
        if (const char* text = msg.getAsCString(f.path))
            makeKey(rsp, f.key) = text;
        break;
    case FIELD_INT: {
        int value = 0;
        if (msg.get(f.path, value) == 0)
            makeKey(rsp, f.key) = value;
        break;
    }
    case FIELD_BOOL: {
        bool value = false;
        if (msg.get(f.path, value) == 0)
            makeKey(rsp, f.key) = value;
        break;
    }
    case FIELD_DOUBLE: {
        if (!msg.getAsCString(f.path))
            break;
        double value = msg.getAsDouble(f.path);
        if (msg.getLastCode() == 0)
            makeKey(rsp, f.key) = value;
        break;
    }
    case FIELD_TEXT_LIST: {
        int n = msg.getArraySize(f.path);
        if (n <= 0)
            break;
        Json::Value& list = makeKey(rsp, f.key);
        list = Json::Value(Json::arrayValue);
        for (int i = 0; i < n; ++i)
            if (const char* text = msg.getAsCString(f.path, i))
                list.append(text);
        break;
    }
    }
}

} // namespace

int writeFields(CSOAPMessage& msg, const OnvifField* fields, const Json::Value& req)
{
    for (const OnvifField* f = fields; f && f->key; ++f) {
        if (writeField(msg, *f, req) != 0) {
            ONVIF_LOG(LOG_ERROR, "[ERRLN] request key %s not written\n", f->key);
            return -1;
        }
    }
    return 0;
}

void readFields(CSOAPMessage& msg, const OnvifField* fields, Json::Value& rsp)
{
    for (const OnvifField* f = fields; f && f->key; ++f)
        readField(msg, *f, rsp);
}

bool hasResponseElement(CSOAPMessage& msg, const char* operationName, bool logFail)
{
    char path[160];
    int n = std::snprintf(path, sizeof path, "/Envelope/Body/%sResponse", operationName ? operationName : "");
    if (n <= 0 || static_cast<size_t>(n) >= sizeof path)
        return false;
    if (msg.getArraySize(path) > 0)
        return true;
    if (logFail)
        ONVIF_LOG(LOG_WARN, "%sResponse fail\n", operationName ? operationName : "");
    return false;
}

int runOperation(const OnvifOperation& op, const COnvifLoginInfo& login, const Json::Value& req, Json::Value& rsp)
{
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
    if (request.setNSURITable(op.namespaces) != 0 || request.setPathPrefix(SOAP_NODE_BODY) != 0) {
        ONVIF_ERRLN();
        return -1;
    }
    if (request.set(op.requestElement, static_cast<const char*>(nullptr), true) != 0 ||
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
    p.logResponseFail = (op.flags & OP_LOG_RESPONSE_FAIL) != 0;

    int httpStatus = 0;
    int ret = (op.flags & OP_ANONYMOUS_FIRST) ? exchangeAnonymousFirst(p, login, request, response, &httpStatus)
                                              : exchangeAuthenticated(p, login, request, response, &httpStatus);
    if (ret != 0) {
        if ((op.flags & OP_UNAUTH_INFO) && (httpStatus == 401 || httpStatus == 400))
            rsp[kErrorInfoKey] = kErrorInfoUnauth;
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

} // namespace Onvif
} // namespace RPC
