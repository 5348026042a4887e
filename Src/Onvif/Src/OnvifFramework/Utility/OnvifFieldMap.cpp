#include "OnvifFramework/Utility/OnvifFieldMap.h"

namespace RPC {
namespace Onvif {

namespace {

// "Multicast/Address/@x" -> "tt:Multicast/tt:Address/@x". Steps already qualified,
// attributes and parent steps stay as written.
std::string inSchemaNamespace(const std::string& relative)
{
    std::string out;
    size_t begin = 0;
    while (begin <= relative.size()) {
        size_t slash = relative.find('/', begin);
        const size_t length = slash == std::string::npos ? std::string::npos : slash - begin;
        const std::string step = relative.substr(begin, length);
        if (!out.empty())
            out += '/';
        const bool plainElement = !step.empty() && step[0] != '@' && step[0] != '.' && step.find(':') == std::string::npos;
        out += plainElement ? "tt:" + step : step;
        if (slash == std::string::npos)
            break;
        begin = slash + 1;
    }
    return out;
}

} // namespace

COnvifFieldMap::COnvifFieldMap(Style style) : m_style(style)
{
    m_fields.push_back(OnvifField{});
}

const char* COnvifFieldMap::keep(std::string text)
{
    m_strings.push_back(std::move(text));
    return m_strings.back().c_str();
}

OnvifField COnvifFieldMap::bind(const OnvifField& rel, const std::string& keyBase, const std::string& pathBase)
{
    const std::string key = keyBase.empty() ? rel.key : keyBase + "." + rel.key;
    const std::string path = pathBase.empty() ? rel.path : pathBase + "/" + rel.path;
    OnvifField bound = rel;
    bound.key = keep(key);
    bound.path = keep(path);
    if (rel.type == FIELD_RECORD_LIST)
        bound.children = bindChildren({rel.children}, path + "[%d]");
    if (m_style == NUMBERS_AS_INT_FLAGS_ANY_CASE && bound.type == FIELD_DOUBLE)
        bound.type = FIELD_INT;
    if (m_style != AS_DECLARED && (bound.type == FIELD_INT || bound.type == FIELD_BOOL))
        bound.flags |= FIELD_LOOSE;
    return bound;
}

const OnvifField* COnvifFieldMap::keepList(std::vector<OnvifField> fields)
{
    fields.push_back(OnvifField{});
    m_childLists.push_back(std::move(fields));
    return m_childLists.back().data();
}

const OnvifField* COnvifFieldMap::bindChildren(std::initializer_list<const OnvifField*> parts,
                                               const std::string& itemPath)
{
    std::vector<OnvifField> children;
    for (const OnvifField* part : parts)
        for (const OnvifField* f = part; f && f->key; ++f)
            children.push_back(bind(*f, "", itemPath));
    return keepList(std::move(children));
}

// Only key and path move: the children of a list stay relative to its items, and the
// styles apply when the result is finally bound.
const OnvifField* COnvifFieldMap::under(const std::string& keyBase, const std::string& pathBase,
                                        std::initializer_list<const OnvifField*> parts)
{
    std::vector<OnvifField> rebased;
    for (const OnvifField* part : parts) {
        for (const OnvifField* f = part; f && f->key; ++f) {
            OnvifField moved = *f;
            moved.key = keep(keyBase + "." + f->key);
            moved.path = keep(pathBase + "/" + f->path);
            rebased.push_back(moved);
        }
    }
    return keepList(std::move(rebased));
}

const OnvifField* COnvifFieldMap::listOf(const std::string& key, const std::string& path,
                                         std::initializer_list<const OnvifField*> parts)
{
    std::vector<OnvifField> children;
    for (const OnvifField* part : parts)
        for (const OnvifField* f = part; f && f->key; ++f)
            children.push_back(*f);
    return keepList({recordListField(keep(key), keep(path), keepList(std::move(children)))});
}

COnvifFieldMap& COnvifFieldMap::add(const std::string& keyBase, const std::string& pathBase,
                                    std::initializer_list<const OnvifField*> parts)
{
    m_fields.pop_back();
    for (const OnvifField* part : parts)
        for (const OnvifField* f = part; f && f->key; ++f)
            m_fields.push_back(bind(*f, keyBase, pathBase));
    m_fields.push_back(OnvifField{});
    return *this;
}

COnvifFieldMap& COnvifFieldMap::addList(const std::string& key, const std::string& path,
                                        std::initializer_list<const OnvifField*> parts)
{
    m_fields.pop_back();
    m_fields.push_back(recordListField(keep(key), keep(path), bindChildren(parts, path + "[%d]")));
    m_fields.push_back(OnvifField{});
    return *this;
}

COnvifFieldMap& COnvifFieldMap::addRequest(const std::string& keyBase, const std::string& pathBase,
                                           std::initializer_list<const OnvifField*> parts)
{
    m_fields.pop_back();
    for (const OnvifField* part : parts) {
        for (const OnvifField* f = part; f && f->key; ++f) {
            OnvifField qualified = *f;
            const std::string path = inSchemaNamespace(f->path);
            qualified.path = path.c_str();
            m_fields.push_back(bind(qualified, keyBase, pathBase));
        }
    }
    m_fields.push_back(OnvifField{});
    return *this;
}

} // namespace Onvif
} // namespace RPC
