#pragma once
// Request elements that repeat: lists of texts and arrays of request records
// ("./tds:NTPManual[%d]/tt:IPv4Address[%d]"), which the engine's flat field list cannot
// write. Operation hooks call these.
//
// Both skip what is empty instead of sending an empty element, and write each item at the
// next free position: the message can only append one element past the last, so a record
// with nothing to send must not take an index.
#include <json/json.h>

#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {

// The array of texts at `key` of `record`, each at (record, k) when `record` >= 0 or at k
// otherwise. Returns the number written, or -1 when the value is not an array of texts or
// the message refuses an element.
int writeTextList(CSOAPMessage& msg, const Json::Value& record, const char* key, const char* path, int recordIndex);

// The array of records at `arrayKey` of req. `fields` describe one record with keys
// relative to it: scalars (text, int, bool, real) with one "[%d]" for the record, text
// lists with a second "[%d]" for the item. 0, or -1 (logged) for a value of the wrong
// kind or a refused element.
int writeRecordList(CSOAPMessage& msg, const Json::Value& req, const char* arrayKey, const OnvifField* fields);

} // namespace Onvif
} // namespace RPC
