#include "OnvifFramework/Utility/OnvifOperation.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "OnvifFramework/Utility/OnvifLog.h"
#include "OnvifFramework/Utility/OnvifRecordKeys.h"

namespace RPC {
namespace Onvif {

using namespace Zentar::SOAPFramework;

namespace {

bool isEmptyValue(const Json::Value* v)
{
    return !v || v->isNull() || (v->isString() && v->asString().empty()) ||
           ((v->isArray() || v->isObject()) && v->empty());
}

// The longest request path after qualification; real ones are a few dozen characters.
constexpr size_t kMaxRequestPath = 256;

// "./ProfileToken" -> "./trt:ProfileToken": a first step without a prefix belongs to the
// operation's own namespace. Any other path (absolute, qualified, an attribute of the
// operation element, a parent step) is used as written. Null when the result does not fit.
const char* qualifiedPath(const char* path, const char* prefix, char (&buffer)[kMaxRequestPath])
{
    if (!prefix || std::strncmp(path, "./", 2) != 0)
        return path;
    const char* step = path + 2;
    const size_t stepLength = std::strcspn(step, "/[");
    if (stepLength == 0 || step[0] == '@' || step[0] == '.' || std::memchr(step, ':', stepLength))
        return path;
    const int n = std::snprintf(buffer, sizeof buffer, "./%s:%s", prefix, step);
    return n > 0 && static_cast<size_t>(n) < sizeof buffer ? buffer : nullptr;
}

// slot fills the path's "[%d]" when the field belongs to a record of a list.
int writeScalar(CSOAPMessage& msg, const char* path, OnvifFieldType type, const Json::Value& v, int slot)
{
    switch (type) {
    case FIELD_INT:
        return v.isConvertibleTo(Json::intValue) ? msg.set(path, v.asInt(), slot) : -1;
    case FIELD_DOUBLE:
        return v.isConvertibleTo(Json::realValue) ? msg.set(path, v.asDouble(), slot) : -1;
    case FIELD_BOOL:
        return v.isConvertibleTo(Json::booleanValue) ? msg.set(path, v.asBool(), slot) : -1;
    case FIELD_TEXT:
        return v.isConvertibleTo(Json::stringValue) ? msg.set(path, v.asString().c_str(), true, slot) : -1;
    default:
        return -1;
    }
}

int writeField(CSOAPMessage& msg, const OnvifField& f, const Json::Value& req, const char* prefix, int slot);

// A request array of records: each record's fields take its position in their "[%d]".
// One level deep: a list inside a record of a list is the operation hook's business.
int writeRecordList(CSOAPMessage& msg, const OnvifField& f, const Json::Value& records, const char* prefix, int slot)
{
    if (slot >= 0 || !records.isArray())
        return -1;
    for (Json::ArrayIndex k = 0; k < records.size(); ++k) {
        if (!records[k].isObject())
            return -1;
        for (const OnvifField* child = f.children; child && child->key; ++child)
            if (writeField(msg, *child, records[k], prefix, static_cast<int>(k)) != 0)
                return -1;
    }
    return 0;
}

int writeField(CSOAPMessage& msg, const OnvifField& f, const Json::Value& req, const char* prefix, int slot)
{
    char buffer[kMaxRequestPath];
    const char* path = qualifiedPath(f.path, prefix, buffer);
    if (!path)
        return -1;
    const Json::Value* v = findKey(req, f.key);
    if ((f.flags & FIELD_REQUIRED) && (!v || v->isNull())) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] required request key %s missing\n", f.key);
        return -1;
    }
    if (!v && f.defaultValue)
        return msg.set(path, f.defaultValue, true, slot);
    if (isEmptyValue(v))
        return (f.flags & FIELD_SEND_EMPTY) ? msg.set(path, static_cast<const char*>(nullptr), true, slot) : 0;
    if (f.type == FIELD_RECORD_LIST)
        return writeRecordList(msg, f, *v, prefix, slot);
    if (f.type != FIELD_TEXT_LIST)
        return writeScalar(msg, path, f.type, *v, slot);
    if (!v->isArray())
        return -1;
    for (Json::ArrayIndex i = 0; i < v->size(); ++i) {
        const Json::Value& item = (*v)[i];
        const int index = static_cast<int>(i);
        if (!item.isConvertibleTo(Json::stringValue) ||
            (slot < 0 ? msg.set(path, item.asString().c_str(), true, index)
                      : msg.set(path, item.asString().c_str(), true, slot, index)) != 0)
            return -1;
    }
    return 0;
}

Json::Value absentValue(OnvifFieldType type)
{
    switch (type) {
    case FIELD_INT:
        return 0;
    case FIELD_DOUBLE:
        return 0.0;
    case FIELD_BOOL:
        return false;
    case FIELD_TEXT:
        return "";
    default:
        return Json::Value(Json::arrayValue);
    }
}

// "true" with any letters in upper case, around any white space the element holds.
bool isTrueInAnyCase(const char* text)
{
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    static const char kTrue[] = "true";
    for (size_t k = 0; k < sizeof kTrue - 1; ++k, ++text)
        if (std::tolower(static_cast<unsigned char>(*text)) != kTrue[k])
            return false;
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    return *text == '\0';
}

// The number a text starts with, truncated to an int and held within its range.
bool leadingInteger(const char* text, int& value)
{
    if (!text)
        return false;
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    if (end == text || std::isnan(number))
        return false;
    const double limited = std::min(std::max(number, static_cast<double>(INT_MIN)), static_cast<double>(INT_MAX));
    value = static_cast<int>(limited);
    return true;
}

// Reads one field; i and j fill the path's slots. False when the element is absent.
bool readValue(CSOAPMessage& msg, const OnvifField& f, Json::Value& out, int i, int j)
{
    switch (f.type) {
    case FIELD_TEXT: {
        const char* text = msg.getAsCString(f.path, i, j);
        if (text)
            out = text;
        return text != nullptr;
    }
    case FIELD_INT: {
        int value = 0;
        if (f.flags & FIELD_LOOSE) {
            if (!leadingInteger(msg.getAsCString(f.path, i, j), value))
                return false;
        } else if (msg.get(f.path, value, i, j) != 0) {
            return false;
        }
        out = value;
        return true;
    }
    case FIELD_BOOL: {
        if (f.flags & FIELD_LOOSE) {
            const char* text = msg.getAsCString(f.path, i, j);
            if (text)
                out = isTrueInAnyCase(text);
            return text != nullptr;
        }
        bool value = false;
        if (msg.get(f.path, value, i, j) != 0)
            return false;
        out = value;
        return true;
    }
    case FIELD_DOUBLE: {
        if (!msg.getAsCString(f.path, i, j))
            return false;
        double value = msg.getAsDouble(f.path, i, j);
        if (msg.getLastCode() != 0)
            return false;
        out = value;
        return true;
    }
    case FIELD_TEXT_LIST:
    case FIELD_RECORD_LIST: {
        // A list inside a record uses the second slot for its own index.
        const bool nested = i >= 0;
        int n = msg.getArraySize(f.path, i, -1);
        if (n <= 0)
            return false;
        out = Json::Value(Json::arrayValue);
        for (int k = 0; k < n; ++k) {
            if (f.type == FIELD_RECORD_LIST) {
                Json::Value record(Json::objectValue);
                readFields(msg, f.children, record, nested ? i : k, nested ? k : -1);
                out.append(record);
            } else if (const char* text = msg.getAsCString(f.path, nested ? i : k, nested ? k : -1)) {
                out.append(text);
            }
        }
        return true;
    }
    }
    return false;
}

// Where the row's request keys live: the request itself, or its member named by the row
// (absent: no parameters). Null when that member is something other than a record.
const Json::Value* operationParams(const OnvifOperation& op, const Json::Value& req)
{
    if (!op.requestObject)
        return &req;
    const Json::Value* params = req.find(op.requestObject, op.requestObject + std::strlen(op.requestObject));
    if (!params || params->isNull()) {
        static const Json::Value kNoParams(Json::objectValue);
        return &kNoParams;
    }
    if (!params->isObject()) {
        ONVIF_LOG(LOG_ERROR, "[ERRLN] request member %s is not a record\n", op.requestObject);
        return nullptr;
    }
    return params;
}

} // namespace

int writeFields(CSOAPMessage& msg, const OnvifField* fields, const Json::Value& req, const char* prefix, int i)
{
    for (const OnvifField* f = fields; f && f->key; ++f) {
        if (writeField(msg, *f, req, prefix, i) != 0) {
            ONVIF_LOG(LOG_ERROR, "[ERRLN] request key %s not written\n", f->key);
            return -1;
        }
    }
    return 0;
}

void readFields(CSOAPMessage& msg, const OnvifField* fields, Json::Value& rsp, int i, int j)
{
    for (const OnvifField* f = fields; f && f->key; ++f) {
        Json::Value value;
        if (readValue(msg, *f, value, i, j))
            makeKey(rsp, f->key) = std::move(value);
        else if (f->flags & FIELD_ALWAYS)
            makeKey(rsp, f->key) = absentValue(f->type);
    }
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

int writeRequest(const OnvifOperation& op, const Json::Value& fields, CSOAPMessage& request)
{
    char element[kMaxRequestPath];
    const int length = std::snprintf(element, sizeof element, "/%s:%s", op.prefix ? op.prefix : "",
                                     op.operation ? op.operation : "");
    if (!op.prefix || !op.operation || length <= 0 || static_cast<size_t>(length) >= sizeof element)
        return -1;
    if (request.setNSURITable(op.namespaces) != 0 || request.setPathPrefix(SOAP_NODE_BODY) != 0)
        return -1;
    if (request.set(element, static_cast<const char*>(nullptr), true) != 0 ||
        writeFields(request, op.requestFields, fields, op.prefix) != 0 ||
        (op.buildRequest && op.buildRequest(request, fields) != 0) || request.getLastError() != 0)
        return -1;
    return 0;
}

const Json::Value* requestFields(const OnvifOperation& op, const Json::Value& req, Json::Value& prepared)
{
    const Json::Value* params = operationParams(op, req);
    if (!params || !op.prepareRequest)
        return params;
    prepared = *params;
    if (op.prepareRequest(prepared) != 0) {
        ONVIF_ERRLN();
        return nullptr;
    }
    return &prepared;
}

int composeRequest(const OnvifOperation& op, const Json::Value& req, CSOAPMessage& request)
{
    Json::Value prepared;
    const Json::Value* fields = requestFields(op, req, prepared);
    return fields ? writeRequest(op, *fields, request) : -1;
}

int readAnswer(const OnvifOperation& op, CSOAPMessage& response, const Json::Value& req, Json::Value& rsp)
{
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
