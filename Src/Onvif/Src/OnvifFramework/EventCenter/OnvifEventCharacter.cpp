#include "OnvifFramework/EventCenter/OnvifEventCharacter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace RPC {
namespace Onvif {

namespace {

// The order is the priority: a motion topic whose items name a relay is still motion.
const OnvifEventKeywords kKeywords[] = {
    {"VideoMotion", {"motionalarm", "cellmotiondetector/motion"}},
    {"VideoLoss", {"signalloss"}},
    {"VideoBlind", {"tamperdetector", "maskalarm"}},
    {"VideoUnFocus", {"imagetooblurry"}},
    {"VideoAbnormalDetection", {"imagetoobright", "imagetoodark", "imagecolorcast"}},
    {"SceneChange", {"globalscenechange"}},
    {"AlarmLocal", {"digitalinput"}},
    {"AlarmOutput", {"relay"}},
    {"CrossLineDetection", {"crossed"}},
    {"CrossRegionDetection", {"objectsinside"}},
    {"StorageLowSpace", {"disk_full", "memory_capacity"}},
    {"StorageFailure", {"disk_locked", "disk_readonly", "disk_available", "record_track"}},
    {"WanderDetection", {"objectisloitering"}},
    {"LeftDetection", {"objectisunattended", "objectsabandoned"}},
    {"TakenAwayDetection", {"objectsmissing"}},
    {"AudioMutation", {"detectedsound"}},
    {"HeatImagingTemper", {"temperature", "radiometry"}},
    {"FireWarning", {"firealarm", "firepoint"}},
};

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "disk_full" matches a text holding "disk" and "full" anywhere, in any order: devices
// spell the same condition "Disk/Full", "DiskFull" or "full disk".
bool keywordMatches(const std::string& text, const char* keyword)
{
    const std::string word(keyword);
    if (word.find('_') == std::string::npos)
        return text.find(word) != std::string::npos;
    size_t begin = 0;
    while (begin <= word.size()) {
        const size_t end = std::min(word.find('_', begin), word.size());
        const std::string part = word.substr(begin, end - begin);
        if (!part.empty() && text.find(part) == std::string::npos)
            return false;
        begin = end + 1;
    }
    return true;
}

std::string valueText(const Json::Value& value)
{
    char buffer[64];
    if (value.isBool())
        return value.asBool() ? "true" : "false";
    if (value.isInt()) {
        std::snprintf(buffer, sizeof buffer, "%d", value.asInt());
        return buffer;
    }
    if (value.isDouble()) {
        std::snprintf(buffer, sizeof buffer, "%f", value.asDouble());
        return buffer;
    }
    return value.isConvertibleTo(Json::stringValue) && !value.isNull() ? value.asString() : std::string();
}

OnvifItemList itemsOf(const Json::Value& group)
{
    OnvifItemList items;
    const Json::Value& list = group.isObject() ? group["SimpleItem"] : Json::Value::nullSingleton();
    if (!list.isArray())
        return items;
    for (const Json::Value& item : list)
        if (item.isObject())
            items.emplace_back(valueText(item["Name"]), valueText(item["Value"]));
    return items;
}

} // namespace

const OnvifEventKeywords* onvifEventKeywordTable(size_t& rows)
{
    rows = sizeof kKeywords / sizeof kKeywords[0];
    return kKeywords;
}

std::string classifyEventText(const std::string& lowerText)
{
    for (const OnvifEventKeywords& row : kKeywords)
        for (const char* keyword : row.keywords) {
            if (!keyword || !*keyword)
                break;
            if (keywordMatches(lowerText, keyword))
                return row.eventName;
        }
    return std::string();
}

OnvifEventCharacter OnvifEventCharacter::fromNotification(const Json::Value& notification)
{
    OnvifEventCharacter c;
    if (!notification.isObject())
        return c;
    c.m_topic = valueText(notification["Topic"]);
    const Json::Value& message = notification["Message"].isObject() ? notification["Message"]["Message"]
                                                                    : Json::Value::nullSingleton();
    if (!message.isObject())
        return c;
    c.m_propertyOperation = valueText(message["PropertyOperation"]);
    c.m_source = itemsOf(message["Source"]);
    c.m_key = itemsOf(message["Key"]);
    c.m_data = itemsOf(message["Data"]);
    return c;
}

std::string OnvifEventCharacter::joinNames(const OnvifItemList& items)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + items[i].first;
    return out;
}

std::string OnvifEventCharacter::joinValues(const OnvifItemList& items)
{
    std::string out;
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + items[i].second;
    return out;
}

std::string OnvifEventCharacter::valueOf(const OnvifItemList& items, const std::string& name)
{
    for (const auto& item : items)
        if (item.first == name)
            return item.second;
    return std::string();
}

std::string OnvifEventCharacter::classificationText() const
{
    return lowerCase(m_topic + ";" + joinNames(m_source) + ";" + joinNames(m_data) + ";" + joinValues(m_source) + ";" +
                     joinValues(m_data));
}

const std::string& OnvifEventCharacter::classify()
{
    m_eventType = classifyEventText(classificationText());
    return m_eventType;
}

bool OnvifEventCharacter::isActive(bool pushed) const
{
    return !m_data.empty() && isAlarmValueActive(m_data.front().second, pushed);
}

bool isAlarmValueActive(const std::string& value, bool pushed)
{
    const std::string v = lowerCase(value);
    for (const char* word : {"true", "1", "active", "on", "open", "unnormal"})
        if (v == word)
            return true;
    return (pushed && v == "trigger") || v.find("on") != std::string::npos;
}

} // namespace Onvif
} // namespace RPC
