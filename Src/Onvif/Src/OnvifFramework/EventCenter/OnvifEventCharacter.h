#pragma once
// One notification as the event centre reasons about it, and how it becomes a host event.
//
// Devices name the same event in many ways (ONVIF topics, older motion alarms, vendor
// trees, items that say what the topic does not), so classification looks at the topic and
// at the names and values of the Source and Data items together, against an ordered table of
// keywords per host event name. The first row with a matching keyword wins.
#include <json/json.h>

#include <string>
#include <utility>
#include <vector>

namespace RPC {
namespace Onvif {

// The host's event names, in table order.
struct OnvifEventKeywords {
    const char* eventName;
    const char* keywords[10];   // lower case; the first empty one ends the row
};
const OnvifEventKeywords* onvifEventKeywordTable(size_t& rows);

// The host event name of a lower-cased text, or "" when no keyword matches. A keyword
// matches when it occurs in the text; one with "_" when each of its parts does.
std::string classifyEventText(const std::string& lowerText);

using OnvifItemList = std::vector<std::pair<std::string, std::string>>;   // name -> value, in order

class OnvifEventCharacter {
public:
    OnvifEventCharacter() = default;
    // From a notification record ("Topic", "Message"."Message" {"PropertyOperation",
    // "Source"/"Key"/"Data"."SimpleItem"[i] {"Name", "Value"}}). Typed values become text
    // as devices write them: integers "%d", fractions "%f", flags "true"/"false".
    static OnvifEventCharacter fromNotification(const Json::Value& notification);

    // topic;source names;data names;source values;data values, lower-cased.
    std::string classificationText() const;
    // Classifies and remembers the result (eventType()).
    const std::string& classify();

    // What the first Data item says: true for an alarm that is on. Pushed notifications
    // also know "trigger".
    bool isActive(bool pushed) const;

    const std::string& topic() const { return m_topic; }
    const std::string& propertyOperation() const { return m_propertyOperation; }
    const OnvifItemList& source() const { return m_source; }
    const OnvifItemList& key() const { return m_key; }
    const OnvifItemList& data() const { return m_data; }
    const std::string& eventType() const { return m_eventType; }

    // The value of the first item of that name in the group, or "".
    static std::string valueOf(const OnvifItemList& items, const std::string& name);
    // Names or values of a group joined with ",".
    static std::string joinNames(const OnvifItemList& items);
    static std::string joinValues(const OnvifItemList& items);

private:
    std::string m_topic;
    std::string m_propertyOperation;
    OnvifItemList m_source;
    OnvifItemList m_key;
    OnvifItemList m_data;
    std::string m_eventType;
};

// The words a device uses for "on" (the push variant also takes "trigger").
bool isAlarmValueActive(const std::string& value, bool pushed);

} // namespace Onvif
} // namespace RPC
