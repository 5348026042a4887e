#pragma once
// One engine for the ONVIF operations that only differ in element names and fields.
//
// An operation is a row: the request element, how request keys become child elements,
// how the response element's children become result keys, and hooks for the few
// operations whose message does not fit a flat field list. The engine does the rest
// the same way for all of them: XAddr check, envelope and namespaces, time-outs,
// authentication, response element check, "[ERRLN]" at every failure point.
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
    FIELD_RECORD_LIST,  // response: JSON array of records <-> repeated element; `children` read each
                        // record with paths holding "[%d]" slots (the outer index first)
};

enum OnvifFieldFlags : unsigned {
    FIELD_DEFAULT = 0,
    FIELD_SEND_EMPTY = 1u << 0,   // request: write the element even when the key is absent or empty
    FIELD_ALWAYS = 1u << 1,       // response: write 0 / false / "" when the element is absent
};

// A request or response field: JSON key (dots make nested records: "Device.XAddr"),
// message path relative to the operation or response element ("./tt:Name"), type.
// defaultValue (request side, text form) is sent when the key is absent; a key that is
// present but empty sends nothing (devices read an empty element as a value).
struct OnvifField {
    const char* key;
    const char* path;
    OnvifFieldType type;
    unsigned flags;
    const char* defaultValue;
    const OnvifField* children = nullptr;   // FIELD_RECORD_LIST only
};

struct OnvifTimeouts {
    int connectMs, sendMs, recvMs, totalMs;
};

enum OnvifOperationFlags : unsigned {
    OP_DEFAULT = 0,
    OP_LOG_RESPONSE_FAIL = 1u << 0,   // log "<Element>Response fail" when the answer lacks it
    OP_ANONYMOUS_FIRST = 1u << 1,     // try without credentials first (clock, capabilities, services)
    OP_UNAUTH_INFO = 1u << 2,         // set "errorInfo" = "UNAUTH" on a 400/401 refusal
};

using Zentar::SOAPFramework::CSOAPMessage;
using Zentar::SOAPFramework::NSEntry;

// Hooks for the irregular parts. Both return 0 on success, -1 to fail the operation.
using OnvifRequestHook = int (*)(CSOAPMessage& request, const Json::Value& req);
using OnvifResponseHook = int (*)(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp);

struct OnvifOperation {
    const char* name;             // ONVIF operation name, e.g. "GetWsdlUrl"
    const char* requestElement;   // e.g. "/tds:GetWsdlUrl"
    const NSEntry* namespaces;
    const OnvifField* requestFields;   // terminated by a row with key == nullptr (or nullptr)
    const OnvifField* responseFields;
    unsigned flags;
    const OnvifTimeouts* timeouts;     // nullptr: the global time-outs
    OnvifRequestHook buildRequest;     // after the fields are written
    OnvifResponseHook readResponse;    // after the fields are read
    // Logged at level 2, in place of "<Name>Response fail", when an answer arrives without
    // the response element; nullptr: the flags decide.
    const char* responseFailText = nullptr;
};

// Runs one operation for the device of `login`. Returns 0 or -1 as every service operation.
int runOperation(const OnvifOperation& op, const COnvifLoginInfo& login, const Json::Value& req,
                 Json::Value& rsp);

// The pieces of the engine, for operations that must drive the exchange themselves.
int writeFields(CSOAPMessage& msg, const OnvifField* fields, const Json::Value& req);
// i and j fill the "[%d]" slots of the paths (records inside repeated elements).
void readFields(CSOAPMessage& msg, const OnvifField* fields, Json::Value& rsp, int i = -1, int j = -1);
// "/Envelope/Body/<name>Response" present?
bool hasResponseElement(CSOAPMessage& msg, const char* operationName, bool logFail);

} // namespace Onvif
} // namespace RPC
