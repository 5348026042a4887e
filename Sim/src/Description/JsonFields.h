#pragma once
// Typed reads of JSON members that stop at the first wrong type with a message naming
// the member, so description errors read "camera.json: users[1].level: ...".
#include <json/value.h>

#include <string>

namespace OnvifSim {

class CJsonFields {
public:
    CJsonFields(const Json::Value& object, std::string where, std::string& error)
        : m_object(object), m_where(std::move(where)), m_error(error) {}

    bool ok() const { return m_error.empty(); }
    bool has(const char* key) const { return m_object.isObject() && m_object.isMember(key); }
    std::string path(const std::string& key) const { return m_where.empty() ? key : m_where + "." + key; }

    void string(const char* key, std::string& out);
    void boolean(const char* key, bool& out);
    void integer(const char* key, long long& out, long long min, long long max);
    void integer(const char* key, int& out, int min, int max);
    // A string that must be one of the names in choices (values of the same index).
    template <class T, size_t N>
    void choice(const char* key, T& out, const char* const (&names)[N], const T (&values)[N]);

    void fail(const std::string& key, const std::string& reason);

private:
    const Json::Value* member(const char* key) const;

    const Json::Value& m_object;
    std::string m_where;
    std::string& m_error;
};

template <class T, size_t N>
void CJsonFields::choice(const char* key, T& out, const char* const (&names)[N], const T (&values)[N])
{
    std::string text;
    if (!has(key))
        return;
    string(key, text);
    if (!ok())
        return;
    for (size_t i = 0; i < N; ++i)
        if (text == names[i]) {
            out = values[i];
            return;
        }
    std::string allowed;
    for (size_t i = 0; i < N; ++i)
        allowed += (i ? ", " : "") + std::string(names[i]);
    fail(key, "\"" + text + "\" is not one of " + allowed);
}

} // namespace OnvifSim
