#pragma once
// Dotted keys into JSON records ("Multicast.Address.Type"): how the operation rows name a
// value inside nested result and request records.
#include <json/json.h>

#include <string>

namespace RPC {
namespace Onvif {

// The value at dottedKey; nullptr when a step is missing or is not a record.
const Json::Value* findKey(const Json::Value& root, const char* dottedKey);
Json::Value* findKey(Json::Value& root, const char* dottedKey);
inline const Json::Value* findKey(const Json::Value& root, const std::string& dottedKey)
{
    return findKey(root, dottedKey.c_str());
}
inline Json::Value* findKey(Json::Value& root, const std::string& dottedKey)
{
    return findKey(root, dottedKey.c_str());
}

// The value at dottedKey, created (with the records on the way) when missing. A step that
// holds something other than a record is replaced by one.
Json::Value& makeKey(Json::Value& root, const char* dottedKey);

// The text at dottedKey when it is a non-empty string, else the fallback.
std::string textOr(const Json::Value& root, const char* dottedKey, const char* fallback);

// Each element of the array at dottedKey inside every record of `records`, from text to
// int; elements that are not numbers are dropped.
void textListToInt(Json::Value& records, const char* dottedKey);

} // namespace Onvif
} // namespace RPC
