#include "OnvifProtocolCore/EventHanding/OnvifEventMessages.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

namespace RPC {
namespace Onvif {

namespace {

// The groups of a message description and of a message, in the order both are read.
const char* const kGroups[] = {"Source", "Key", "Data"};

// Deep topic trees are a device's business, but a hostile answer must not recurse without end.
constexpr int kMaxTopicDepth = 16;
// A topic set of a few hundred entries is large; a device that sends more gets them cut.
constexpr Json::ArrayIndex kMaxTopics = 1024;
constexpr int kMaxItems = 64;

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string textAt(CSOAPMessage& msg, const std::string& path, int i = -1, int j = -1)
{
    const char* text = msg.getAsCString(path.c_str(), i, j);
    return text ? text : "";
}

// The item descriptions of one group, in the plural form most devices use and, when that
// yields nothing, the single-item form some use.
Json::Value readItemDescriptions(CSOAPMessage& msg, const std::string& description, const char* group)
{
    Json::Value items(Json::arrayValue);
    const std::string base = description + "/" + group;
    const int count = std::min(msg.getArraySize((base + "/SimpleItemDescription").c_str()), kMaxItems);
    for (int k = 0; k < count; ++k) {
        Json::Value item(Json::objectValue);
        item["Name"] = textAt(msg, base + "/SimpleItemDescription[%d]/@Name", k);
        item["Type"] = textAt(msg, base + "/SimpleItemDescription[%d]/@Type", k);
        items.append(item);
    }
    if (items.empty() && msg.getArraySize((base + "/SimpleItem").c_str()) > 0) {
        Json::Value item(Json::objectValue);
        item["Name"] = textAt(msg, base + "/SimpleItem/@Name");
        item["Type"] = textAt(msg, base + "/SimpleItem/@Type");
        items.append(item);
    }
    return items;
}

void walkTopics(CSOAPMessage& msg, const std::string& path, const std::string& topic, int depth, Json::Value& out)
{
    if (depth > kMaxTopicDepth)
        return;
    std::map<std::string, int> seen;   // siblings of one local name in different namespaces
    for (int index = 0; out.size() < kMaxTopics; ++index) {
        const char* child = msg.getChildName(path.c_str(), index);
        if (!child)
            break;
        const std::string name = child;
        if (name == "MessageDescription")
            continue;
        const std::string childPath = path + "/" + name + "[" + std::to_string(seen[name]++) + "]";
        const std::string childTopic = topic.empty() ? name : topic + "/" + name;
        const std::string description = childPath + "/MessageDescription";
        if (msg.getArraySize(description.c_str()) > 0) {
            Json::Value entry(Json::objectValue);
            entry["Topic"] = childTopic;
            entry["IsProperty"] = textAt(msg, description + "/@IsProperty");
            for (const char* group : kGroups)
                entry[group] = readItemDescriptions(msg, description, group);
            out.append(entry);
        }
        walkTopics(msg, childPath, childTopic, depth + 1, out);
    }
}

const Json::Value* findTopic(const Json::Value& topicSet, const std::string& topic)
{
    const Json::Value& entries = topicSet["TopicSet"];
    if (!entries.isArray())
        return nullptr;
    for (const Json::Value& entry : entries)
        if (entry.isObject() && entry["Topic"].isString() && entry["Topic"].asString() == topic)
            return &entry;
    return nullptr;
}

// The declared type of an item of one group, or null when the entry does not declare it.
const Json::Value* declaredType(const Json::Value& entry, const char* group, const std::string& name)
{
    const Json::Value& items = entry[group];
    if (!items.isArray())
        return nullptr;
    for (const Json::Value& item : items)
        if (item.isObject() && item["Name"].isString() && item["Name"].asString() == name)
            return &item["Type"];
    return nullptr;
}

bool typedValue(const std::string& text, ItemKind kind, Json::Value& value)
{
    switch (kind) {
    case ItemKind::Text:
        value = text;
        return true;
    case ItemKind::Flag:
        value = lowerCase(text) == "true" || text == "1";
        return true;
    case ItemKind::Integer:
        value = static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
        return true;
    case ItemKind::Fraction:
        value = std::strtod(text.c_str(), nullptr);
        return true;
    case ItemKind::Unknown:
        break;
    }
    return false;
}

} // namespace

std::string topicWithoutPrefixes(const std::string& topic)
{
    std::string out;
    size_t begin = 0;
    while (begin <= topic.size()) {
        size_t end = topic.find('/', begin);
        if (end == std::string::npos)
            end = topic.size();
        std::string step = topic.substr(begin, end - begin);
        const size_t colon = step.find(':');
        if (colon != std::string::npos)
            step.erase(0, colon + 1);
        const size_t first = step.find_first_not_of(" \t\r\n");
        const size_t last = step.find_last_not_of(" \t\r\n");
        step = first == std::string::npos ? std::string() : step.substr(first, last - first + 1);
        if (begin > 0)
            out += "/";
        out += step;
        begin = end + 1;
    }
    return out;
}

Json::Value readTopicSet(CSOAPMessage& msg, const std::string& topicSetPath)
{
    Json::Value topics(Json::arrayValue);
    walkTopics(msg, topicSetPath, "", 0, topics);
    return topics;
}

// The order matters: the schema's integer types without a fixed width ("xs:integer",
// "xs:positiveInteger") arrive as text, only "xs:int" as a number. Devices write the
// type names with any letter case.
ItemKind itemKindOf(const std::string& declaredType)
{
    const std::string type = lowerCase(declaredType);
    for (const char* text : {":referencetoken", ":string", ":qname", ":anytype", ":integer", ":nonnegativeinteger",
                             ":positiveinteger"})
        if (type.find(text) != std::string::npos)
            return ItemKind::Text;
    if (type.find(":boolean") != std::string::npos)
        return ItemKind::Flag;
    if (type.find(":int") != std::string::npos)
        return ItemKind::Integer;
    if (type.find(":float") != std::string::npos)
        return ItemKind::Fraction;
    return ItemKind::Unknown;
}

void readNotificationMessage(CSOAPMessage& msg, const std::string& messagePath, const Json::Value* topicSet,
                             Json::Value& out)
{
    out = Json::Value(Json::objectValue);
    const std::string topic = textAt(msg, messagePath + "/Topic");
    out["Topic"] = topic;
    const std::string message = messagePath + "/Message/Message";
    const std::string operation = textAt(msg, message + "/@PropertyOperation");
    if (!operation.empty())
        out["Message"]["Message"]["PropertyOperation"] = operation;

    const Json::Value* entry = topicSet ? findTopic(*topicSet, topicWithoutPrefixes(topic)) : nullptr;
    if (topicSet && !entry)
        return;
    for (const char* group : kGroups) {
        const std::string items = message + "/" + group + "/SimpleItem";
        const int count = std::min(msg.getArraySize(items.c_str()), kMaxItems);
        if (count <= 0)
            continue;
        Json::Value list(Json::arrayValue);
        for (int k = 0; k < count; ++k) {
            Json::Value item(Json::objectValue);
            const std::string name = textAt(msg, items + "[%d]/@Name", k);
            const std::string text = textAt(msg, items + "[%d]/@Value", k);
            item["Name"] = name;
            Json::Value value;
            if (!entry) {
                item["Value"] = text;
            } else if (const Json::Value* type = declaredType(*entry, group, name)) {
                if (type->isString() && typedValue(text, itemKindOf(type->asString()), value))
                    item["Value"] = value;
            }
            list.append(item);
        }
        out["Message"]["Message"][group]["SimpleItem"] = list;
    }
}

} // namespace Onvif
} // namespace RPC
