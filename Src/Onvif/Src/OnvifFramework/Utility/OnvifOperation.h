#pragma once
// One engine for every ONVIF operation, and the row that describes one.
//
// A row names the command a caller passes to execute() and the ONVIF operation that goes
// on the wire, how request keys become child elements, how the response element's
// children become result keys, and hooks for the few operations whose message does not
// fit a flat field list. The engine does the rest the same way for all of them: XAddr
// check, envelope and namespaces, time-outs, authentication, response element check,
// "[ERRLN]" at every failure point.
//
// Rows read as sentences, built from a service and named steps:
//
//   constexpr OnvifService kTrt{"trt", Namespaces::kMedia};
//   kTrt("GetVideoEncoderCfg", "GetVideoEncoderConfiguration")
//       .in(kEncoderTokenIn).out(encoderMap).failText("GetVideoEncoderConfiguration fail!\n")
//
// sends "/trt:GetVideoEncoderConfiguration" and expects "GetVideoEncoderConfigurationResponse".
#include <json/json.h>

#include "OnvifFramework/Utility/OnvifBaseDef.h"
#include "SOAPFramework/SOAPMessage.h"

namespace RPC {
namespace Onvif {

enum OnvifFieldType {
    FIELD_TEXT,       // string <-> element text (or "@attr")
    FIELD_INT,
    FIELD_DOUBLE,
    FIELD_BOOL,       // JSON bool <-> "true"/"false"
    FIELD_TEXT_LIST,  // JSON array of strings <-> repeated element; the path holds one "[%d]"
    FIELD_RECORD_LIST,  // JSON array of records <-> repeated element; `children` read or write each
                        // record with paths holding "[%d]" slots (the outer index first)
};

enum OnvifFieldFlags : unsigned {
    FIELD_DEFAULT = 0,
    FIELD_SEND_EMPTY = 1u << 0,   // request: write the element even when the key is absent or empty
    FIELD_ALWAYS = 1u << 1,       // response: write 0 / false / "" when the element is absent
    // Response: read as devices write in practice rather than as the schema says. A flag is
    // true when its text is "true" in any letter case and false for any other text; an
    // integer is the leading number of the text, truncated ("25.000000" is 25).
    FIELD_LOOSE = 1u << 2,
    FIELD_REQUIRED = 1u << 3,     // request: an absent (or null) key fails the operation before sending
};

// A request or response field: JSON key (dots make nested records: "Device.XAddr"),
// message path relative to the operation or response element ("./tt:Name"), type.
// defaultValue (request side, text form) is sent when the key is absent; a key that is
// present but empty sends nothing (devices read an empty element as a value).
//
// A request path whose first step has no prefix ("./ProfileToken") takes the operation's
// own: every direct child of an ONVIF request element lives in the service's namespace,
// so one map of the recurring tokens serves every service.
//
// Lists of fields end with an empty row ({}).
struct OnvifField {
    const char* key = nullptr;
    const char* path = nullptr;
    OnvifFieldType type = FIELD_TEXT;
    unsigned flags = FIELD_DEFAULT;
    const char* defaultValue = nullptr;
    const OnvifField* children = nullptr;   // FIELD_RECORD_LIST only

    constexpr OnvifField always() const { return with(flags | FIELD_ALWAYS, defaultValue); }
    constexpr OnvifField sendEmpty() const { return with(flags | FIELD_SEND_EMPTY, defaultValue); }
    constexpr OnvifField defaultsTo(const char* text) const { return with(flags, text); }
    constexpr OnvifField loose() const { return with(flags | FIELD_LOOSE, defaultValue); }
    constexpr OnvifField required() const { return with(flags | FIELD_REQUIRED, defaultValue); }

private:
    constexpr OnvifField with(unsigned newFlags, const char* newDefault) const
    {
        OnvifField f = *this;
        f.flags = newFlags;
        f.defaultValue = newDefault;
        return f;
    }
};

constexpr OnvifField textField(const char* key, const char* path) { return {key, path, FIELD_TEXT}; }
constexpr OnvifField intField(const char* key, const char* path) { return {key, path, FIELD_INT}; }
constexpr OnvifField realField(const char* key, const char* path) { return {key, path, FIELD_DOUBLE}; }
constexpr OnvifField boolField(const char* key, const char* path) { return {key, path, FIELD_BOOL}; }
constexpr OnvifField textListField(const char* key, const char* path) { return {key, path, FIELD_TEXT_LIST}; }
constexpr OnvifField recordListField(const char* key, const char* path, const OnvifField* children)
{
    return {key, path, FIELD_RECORD_LIST, FIELD_DEFAULT, nullptr, children};
}

struct OnvifTimeouts {
    // A value the transport keeps as its own instead of taking one from the row.
    static constexpr int kTransportOwn = -1;
    int connectMs, sendMs, recvMs, totalMs;
};

enum OnvifOperationFlags : unsigned {
    OP_DEFAULT = 0,
    OP_LOG_RESPONSE_FAIL = 1u << 0,   // log "<Operation>Response fail" when the answer lacks it
    OP_ANONYMOUS_FIRST = 1u << 1,     // try without credentials first (clock, capabilities, services)
    OP_UNAUTH_INFO = 1u << 2,         // set "errorInfo" = "UNAUTH" on a 400/401 refusal
    OP_ATTACHMENT = 1u << 3,          // the request is a multipart message with an XOP attachment
    // On an exchange that broke down, mark how: "SendError" = "true" when the request never
    // reached the device (no connection, send failure), "RecvError" = "true" when it was sent
    // but no readable answer came back. Callers that keep a subscription alive tell a dead
    // device from a refused request by these.
    OP_TRANSPORT_MARKERS = 1u << 4,
    // The request goes on a connection of its own (CSOAPTransport::setFreshConnection): one
    // the device may hold open for a long time.
    OP_FRESH_CONNECTION = 1u << 5,
};

using Zentar::SOAPFramework::CSOAPMessage;
using Zentar::SOAPFramework::NSEntry;

// Hooks for the irregular parts. All return 0 on success, -1 to fail the operation.
// The preparing hook edits a copy of the request record before any field is written
// (a renamed value, a required key checked); the caller's record is left as it was.
// Request hooks get the operation's parameters (the request object when the row names one).
using OnvifPrepareHook = int (*)(Json::Value& req);
using OnvifRequestHook = int (*)(CSOAPMessage& request, const Json::Value& req);
using OnvifResponseHook = int (*)(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp);

struct OnvifOperation {
    const char* command = nullptr;     // the name callers pass to execute()
    const char* operation = nullptr;   // the ONVIF operation; the answer is "<operation>Response"
    const char* prefix = nullptr;      // the service's prefix: the request element is "/<prefix>:<operation>"
    const NSEntry* namespaces = nullptr;
    // The member of the request record that holds the operation's parameters ("ContinuousMove":
    // {...}); nullptr: they sit at the top level beside "XAddr". Request fields and the
    // request hook read from it.
    const char* requestObject = nullptr;
    const OnvifField* requestFields = nullptr;
    const OnvifField* responseFields = nullptr;
    unsigned flags = OP_DEFAULT;
    const OnvifTimeouts* timeouts = nullptr;   // nullptr: the global time-outs
    OnvifPrepareHook prepareRequest = nullptr; // before the fields are written, on a copy
    OnvifRequestHook buildRequest = nullptr;   // after the fields are written
    OnvifResponseHook readResponse = nullptr;  // after the fields are read
    OnvifResponseHook readFault = nullptr;     // an answer without the response element
    // Logged at level 2, in place of "<Operation>Response fail", when an answer arrives
    // without the response element; nullptr: the flags decide.
    const char* responseFailText = nullptr;
    // A name the service registers without an exchange behind it: it answers fixedResult
    // at once (after logging fixedLogText at level 2, when set) and sends nothing.
    bool sendsNothing = false;
    int fixedResult = 0;
    const char* fixedLogText = nullptr;

    // Builder steps: each gives a copy with one more column set.
    constexpr OnvifOperation in(const OnvifField* fields) const { return with(&OnvifOperation::requestFields, fields); }
    // The parameters come inside the request member `name` rather than at the top level.
    constexpr OnvifOperation within(const char* name) const { return with(&OnvifOperation::requestObject, name); }
    constexpr OnvifOperation out(const OnvifField* fields) const
    {
        return with(&OnvifOperation::responseFields, fields);
    }
    constexpr OnvifOperation flag(unsigned f) const { return with(&OnvifOperation::flags, flags | f); }
    constexpr OnvifOperation waits(const OnvifTimeouts* t) const { return with(&OnvifOperation::timeouts, t); }
    // Another namespace table than the service's own for this one request.
    constexpr OnvifOperation declares(const NSEntry* table) const { return with(&OnvifOperation::namespaces, table); }
    constexpr OnvifOperation prepares(OnvifPrepareHook hook) const
    {
        return with(&OnvifOperation::prepareRequest, hook);
    }
    constexpr OnvifOperation writes(OnvifRequestHook hook) const { return with(&OnvifOperation::buildRequest, hook); }
    constexpr OnvifOperation reads(OnvifResponseHook hook) const { return with(&OnvifOperation::readResponse, hook); }
    constexpr OnvifOperation readsFault(OnvifResponseHook hook) const
    {
        return with(&OnvifOperation::readFault, hook);
    }
    constexpr OnvifOperation failText(const char* text) const
    {
        return with(&OnvifOperation::responseFailText, text);
    }
    constexpr OnvifOperation answers(int result, const char* logText = nullptr) const
    {
        return with(&OnvifOperation::sendsNothing, true)
            .with(&OnvifOperation::fixedResult, result)
            .with(&OnvifOperation::fixedLogText, logText);
    }

private:
    template <class T>
    constexpr OnvifOperation with(T OnvifOperation::*column, T value) const
    {
        OnvifOperation r = *this;
        r.*column = value;
        return r;
    }
};

// The prefix and namespace table one service's requests carry; makes that service's rows.
struct OnvifService {
    const char* prefix;
    const NSEntry* namespaces;

    // A row whose command is the ONVIF operation's own name.
    constexpr OnvifOperation operator()(const char* command) const { return (*this)(command, command); }
    // A row registered under another name than the operation it sends.
    constexpr OnvifOperation operator()(const char* command, const char* operation) const
    {
        OnvifOperation r;
        r.command = command;
        r.operation = operation;
        r.prefix = prefix;
        r.namespaces = namespaces;
        return r;
    }
};

// Runs one operation for the device of `login`. Returns 0 or -1 as every service operation,
// or the fixed result of a row that sends nothing.
int runOperation(const OnvifOperation& op, const COnvifLoginInfo& login, const Json::Value& req,
                 Json::Value& rsp);

// The record a row writes its request from: the request, or its member the row names, after
// the row's preparing hook (which works on prepared). Null when that member is not a record
// or the hook refuses it.
const Json::Value* requestFields(const OnvifOperation& op, const Json::Value& req, Json::Value& prepared);
// The request element of the row written from those fields; 0 or -1.
int writeRequest(const OnvifOperation& op, const Json::Value& fields, CSOAPMessage& request);
// What runOperation reads from an answer that has the response element: the row's fields,
// then its reading hook. 0, or -1 when the hook refuses the answer.
int readAnswer(const OnvifOperation& op, CSOAPMessage& response, const Json::Value& req, Json::Value& rsp);

// The request envelope of a row for a request record (its parameters under the member the
// row names, when it names one), as runOperation sends it before credentials are added.
// 0, or -1 when a field or the row's hook refuses the record.
int composeRequest(const OnvifOperation& op, const Json::Value& req, CSOAPMessage& request);

// The pieces of the engine, for hooks that write or read more than a flat list.
// prefix qualifies request paths whose first step has none (see OnvifField); i fills a
// "[%d]" slot of the paths (one record of a repeated request element).
int writeFields(CSOAPMessage& msg, const OnvifField* fields, const Json::Value& req, const char* prefix = nullptr,
                int i = -1);
// i and j fill the "[%d]" slots of the paths (records inside repeated elements).
void readFields(CSOAPMessage& msg, const OnvifField* fields, Json::Value& rsp, int i = -1, int j = -1);
// "/Envelope/Body/<name>Response" present?
bool hasResponseElement(CSOAPMessage& msg, const char* operationName, bool logFail);

} // namespace Onvif
} // namespace RPC
