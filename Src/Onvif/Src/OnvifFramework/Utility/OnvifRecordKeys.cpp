#include "OnvifFramework/Utility/OnvifRecordKeys.h"

#include <cstdlib>
#include <cstring>

namespace RPC {
namespace Onvif {

const Json::Value* findKey(const Json::Value& root, const char* dottedKey)
{
    const Json::Value* node = &root;
    const char* begin = dottedKey ? dottedKey : "";
    for (;;) {
        if (!node->isObject())
            return nullptr;
        const char* dot = std::strchr(begin, '.');
        const char* end = dot ? dot : begin + std::strlen(begin);
        node = node->find(begin, end);
        if (!node || !dot)
            return node;
        begin = dot + 1;
    }
}

Json::Value* findKey(Json::Value& root, const char* dottedKey)
{
    return const_cast<Json::Value*>(findKey(static_cast<const Json::Value&>(root), dottedKey));
}

Json::Value& makeKey(Json::Value& root, const char* dottedKey)
{
    Json::Value* node = &root;
    const char* begin = dottedKey ? dottedKey : "";
    for (;;) {
        if (!node->isNull() && !node->isObject())
            *node = Json::Value(Json::objectValue);   // operator[] would throw on anything else
        const char* dot = std::strchr(begin, '.');
        if (!dot)
            return (*node)[begin];
        node = &(*node)[std::string(begin, dot)];
        begin = dot + 1;
    }
}

std::string textOr(const Json::Value& root, const char* dottedKey, const char* fallback)
{
    const Json::Value* v = findKey(root, dottedKey);
    return v && v->isString() && !v->asString().empty() ? v->asString() : fallback;
}

void textListToInt(Json::Value& records, const char* dottedKey)
{
    if (!records.isArray())
        return;
    for (Json::ArrayIndex i = 0; i < records.size(); ++i) {
        Json::Value* list = findKey(records[i], dottedKey);
        if (!list || !list->isArray())
            continue;
        Json::Value numbers(Json::arrayValue);
        for (const Json::Value& item : *list) {
            char* end = nullptr;
            const char* text = item.isString() ? item.asCString() : "";
            const long value = std::strtol(text, &end, 10);
            if (end != text && *end == '\0')
                numbers.append(static_cast<Json::Int>(value));
        }
        *list = numbers;
    }
}

} // namespace Onvif
} // namespace RPC
