#include "Description/JsonFields.h"

namespace OnvifSim {

const Json::Value* CJsonFields::member(const char* key) const
{
    if (!ok() || !has(key))
        return nullptr;
    return &m_object[key];
}

void CJsonFields::fail(const std::string& key, const std::string& reason)
{
    if (ok())
        m_error = path(key) + ": " + reason;
}

void CJsonFields::string(const char* key, std::string& out)
{
    if (const Json::Value* v = member(key)) {
        if (!v->isString())
            return fail(key, "must be a string");
        out = v->asString();
    }
}

void CJsonFields::boolean(const char* key, bool& out)
{
    if (const Json::Value* v = member(key)) {
        if (!v->isBool())
            return fail(key, "must be true or false");
        out = v->asBool();
    }
}

void CJsonFields::integer(const char* key, long long& out, long long min, long long max)
{
    if (const Json::Value* v = member(key)) {
        if (!v->isInt64())
            return fail(key, "must be an integer");
        long long value = v->asInt64();
        if (value < min || value > max)
            return fail(key, "must be between " + std::to_string(min) + " and " + std::to_string(max));
        out = value;
    }
}

void CJsonFields::integer(const char* key, int& out, int min, int max)
{
    long long value = out;
    integer(key, value, min, max);
    out = static_cast<int>(value);
}

} // namespace OnvifSim
