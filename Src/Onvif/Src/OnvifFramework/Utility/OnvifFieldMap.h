#pragma once
// Field lists composed from the descriptions of recurring ONVIF types.
//
// A recurring type is described once with paths relative to its own element and keys
// relative to its own record (OnvifCommonFields.h); COnvifFieldMap binds such descriptions
// under the element and key where an operation meets them ("./Configurations[%d]" ->
// "Configurations"[i], "./Profile/VideoEncoderConfiguration" -> "Profile"."VideoEncoderConfiguration").
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {

class COnvifFieldMap {
public:
    enum Style {
        AS_DECLARED,
        // Records read as devices write them: every number is an integer (the leading
        // number of the text) and every flag is true when its text is "true" in any
        // letter case (FIELD_LOOSE).
        NUMBERS_AS_INT_FLAGS_ANY_CASE,
        // The same for flags and integers, while fractional numbers stay fractional:
        // records whose numbers are coordinates (OSD positions, mask polygons, colours).
        FLAGS_ANY_CASE,
    };

    explicit COnvifFieldMap(Style style = AS_DECLARED);
    COnvifFieldMap(const COnvifFieldMap&) = delete;
    COnvifFieldMap& operator=(const COnvifFieldMap&) = delete;

    // Binds the relative descriptions `parts` under the record key keyBase ("" for the
    // result itself) and the element pathBase ("./Configuration").
    COnvifFieldMap& add(const std::string& keyBase, const std::string& pathBase,
                        std::initializer_list<const OnvifField*> parts);
    // A repeated element read into a JSON array of records described by `parts`.
    COnvifFieldMap& addList(const std::string& key, const std::string& path,
                            std::initializer_list<const OnvifField*> parts);
    // The request side of add(): every element of the relative paths is an ONVIF schema
    // type's child, so each step is written in the schema namespace ("Bounds/@x" under
    // "./trt:Configuration" -> "./trt:Configuration/tt:Bounds/@x").
    COnvifFieldMap& addRequest(const std::string& keyBase, const std::string& pathBase,
                               std::initializer_list<const OnvifField*> parts);

    // Relative descriptions made of others, to nest inside the parts of add(), addList()
    // and addRequest() (and inside each other). They live as long as the map.
    // The parts' keys under keyBase and their paths under pathBase: a sub-record of the type
    // ("Position" read from "PTZPosition").
    const OnvifField* under(const std::string& keyBase, const std::string& pathBase,
                            std::initializer_list<const OnvifField*> parts);
    // One repeated element read into an array of records made of parts (a list inside a
    // listed record: tour spots of each tour).
    const OnvifField* listOf(const std::string& key, const std::string& path,
                             std::initializer_list<const OnvifField*> parts);

    // Terminated by a row with key == nullptr.
    const OnvifField* fields() const { return m_fields.data(); }

private:
    const char* keep(std::string text);
    OnvifField bind(const OnvifField& rel, const std::string& keyBase, const std::string& pathBase);
    const OnvifField* bindChildren(std::initializer_list<const OnvifField*> parts, const std::string& itemPath);
    const OnvifField* keepList(std::vector<OnvifField> fields);

    Style m_style;
    std::deque<std::string> m_strings;                 // stable storage of keys and paths
    std::deque<std::vector<OnvifField>> m_childLists;  // children of record lists
    std::vector<OnvifField> m_fields;
};

// The fields of a map type built once, the first time a row asks; rows point into it for
// as long as the library is loaded.
template <class Map>
const OnvifField* fieldsOf()
{
    static const Map map;
    return map.fields();
}

} // namespace Onvif
} // namespace RPC
