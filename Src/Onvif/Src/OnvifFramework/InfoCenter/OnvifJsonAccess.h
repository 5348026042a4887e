#pragma once
// Type-checked reads of records that come from outside (host, device, other layers):
// jsoncpp throws on asInt() of a string or operator[] on an array, and nothing may throw
// across the library boundary.
#include <json/json.h>

#include <string>

namespace RPC {
namespace Onvif {

// The text of v[name] when v is an object and the member is a string; "" otherwise.
inline std::string memberText(const Json::Value& v, const char* name)
{
    if (!v.isObject())
        return std::string();
    const Json::Value& m = v[name];
    return m.isString() ? m.asString() : std::string();
}

// The text of v[outer][inner] under the same rules.
inline std::string memberText(const Json::Value& v, const char* outer, const char* inner)
{
    return v.isObject() ? memberText(v[outer], inner) : std::string();
}

// v[name] as an int when it is an integer in range; false otherwise (absent included).
inline bool memberInt(const Json::Value& v, const char* name, int& out)
{
    if (!v.isObject() || !v[name].isInt())
        return false;
    out = v[name].asInt();
    return true;
}

} // namespace Onvif
} // namespace RPC
