#pragma once
// Field maps of the ONVIF types that recur across the media operations (profiles,
// encoder and source configurations, option ranges), and the small hooks they need.
//
// A recurring type is described once with paths relative to its own element and keys
// relative to its own record; COnvifFieldMap binds such descriptions under the element
// and key where an operation meets them ("./Configurations[%d]" -> "Configurations"[i],
// "./Profile/VideoEncoderConfiguration" -> "Profile"."VideoEncoderConfiguration").
#include <json/json.h>

#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "OnvifFramework/Utility/OnvifOperation.h"

namespace RPC {
namespace Onvif {

// GetProfiles of both media services: devices with many profiles are slow to build the
// list, so the answer gets far longer than the usual receive time-out.
inline constexpr OnvifTimeouts kGetProfilesTimeouts{2000, 2000, 30000, 34000};

// Longest media URI kept; the rest of a longer one is cut off.
constexpr size_t kMediaUriBufferSize = 256;

class COnvifFieldMap {
public:
    enum Style {
        AS_DECLARED,
        // The full profile record: numbers are integers, and flags are true when the text
        // is "true" in any letter case (read as text, turned into bools by a hook).
        NUMBERS_AS_INT_FLAGS_ANY_CASE,
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

    // Terminated by a row with key == nullptr.
    const OnvifField* fields() const { return m_fields.data(); }
    // Keys of the flags read as text (style NUMBERS_AS_INT_FLAGS_ANY_CASE).
    const std::vector<std::string>& textFlags() const { return m_textFlags; }

private:
    const char* keep(std::string text);
    OnvifField bind(const OnvifField& rel, const std::string& keyBase, const std::string& pathBase, bool inList);
    const OnvifField* bindChildren(std::initializer_list<const OnvifField*> parts, const std::string& itemPath);

    Style m_style;
    std::deque<std::string> m_strings;                 // stable storage of keys and paths
    std::deque<std::vector<OnvifField>> m_childLists;  // children of record lists
    std::vector<OnvifField> m_fields;
    std::vector<std::string> m_textFlags;
};

namespace MediaFields {

constexpr OnvifField kEnd{nullptr, nullptr, FIELD_TEXT, 0, nullptr, nullptr};

// Relative descriptions (paths from the type's element, keys from its record).
extern const OnvifField kVideoEncoderCore[];      // Media VideoEncoderConfiguration up to the codec groups
extern const OnvifField kMulticastSingle[];       // "Multicast" with one address of each kind
extern const OnvifField kMulticastLists[];        // "Multicast" with the addresses as arrays
extern const OnvifField kSessionTimeout[];
extern const OnvifField kAudioEncoderCore[];      // Name, UseCount, token, Encoding, Bitrate, SampleRate
extern const OnvifField kVideoSourceCfg[];        // with "Bounds" from the attributes
extern const OnvifField kAudioSourceCfg[];
extern const OnvifField kRange[];                 // "Min", "Max" (integers)

// Profile summary of GetProfiles, one record per "./Profiles" element.
extern const OnvifField kMediaProfileSummary[];
extern const OnvifField kMedia2ProfileSummary[];

// The full profile of GetProfile and CreateProfile, under "Profile".
const COnvifFieldMap& fullProfile();
// Response hook of the full profile: turns its flags into bools.
int fullProfileFlags(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp);

// Request hook shared by the Set operations: devices keep the change across reboots.
int forcePersistence(CSOAPMessage& request, const Json::Value& req);

// Reads a URI as the media URI result keeps it ("MediaUri"."Uri", at most 255
// characters). -1 when the answer has no URI.
int readMediaUri(CSOAPMessage& response, const char* path, Json::Value& rsp);

// Dotted-key access to a record ("Multicast.Port"); nullptr when a step is missing or
// not a record.
const Json::Value* findKey(const Json::Value& root, const std::string& dottedKey);
Json::Value* findKey(Json::Value& root, const std::string& dottedKey);
// The text at dottedKey when it is a non-empty string, else the fallback.
std::string textOr(const Json::Value& root, const std::string& dottedKey, const char* fallback);
// Each element of the array at dottedKey inside every record of `records`, from text to
// int; elements that are not numbers are dropped.
void textListToInt(Json::Value& records, const std::string& dottedKey);

} // namespace MediaFields
} // namespace Onvif
} // namespace RPC
