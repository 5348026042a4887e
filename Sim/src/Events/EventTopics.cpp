#include "Events/EventTopics.h"

#include "Common/TimeUtil.h"
#include "Description/Namespaces.h"

#include <algorithm>
#include <map>

namespace OnvifSim {
namespace {

const CItemDescription kVideoSourceConfig{"VideoSourceConfigurationToken", Ns::Schema, "ReferenceToken"};
const CItemDescription kAnalyticsConfig{"VideoAnalyticsConfigurationToken", Ns::Schema, "ReferenceToken"};
const CItemDescription kRule{"Rule", EventNs::Xs, "string"};
const CItemDescription kVideoSource{"Source", Ns::Schema, "ReferenceToken"};

std::vector<std::string> splitPath(const std::string& path)
{
    std::vector<std::string> steps;
    size_t begin = 0;
    while (begin <= path.size()) {
        const size_t end = std::min(path.find('/', begin), path.size());
        steps.push_back(path.substr(begin, end - begin));
        begin = end + 1;
    }
    return steps;
}

void writeItemDescriptions(CXmlNode parent, const char* group, const std::vector<CItemDescription>& items)
{
    if (items.empty())
        return;
    CXmlNode node = parent.sub(group);
    for (const CItemDescription& item : items)
        node.sub("SimpleItemDescription").attr("Name", item.name).qnameAttr("Type", item.typeNs, item.typeLocal);
}

void writeItems(CXmlNode parent, const char* group, const CItemValues& items)
{
    if (items.empty())
        return;
    CXmlNode node = parent.sub(group);
    for (const auto& item : items)
        node.sub("SimpleItem").attr("Name", item.first).attr("Value", item.second);
}

} // namespace

const std::vector<CEventKind>& EventKinds()
{
    static const std::vector<CEventKind> kinds = {
        {"motion", EventNs::Topics, "RuleEngine/CellMotionDetector/Motion", true,
         {kVideoSourceConfig, kAnalyticsConfig, kRule}, {{"IsMotion", EventNs::Xs, "boolean"}}},
        {"motionAlarm", EventNs::Topics, "VideoSource/MotionAlarm", true, {kVideoSource},
         {{"State", EventNs::Xs, "boolean"}}},
        {"tamper", EventNs::Topics, "RuleEngine/TamperDetector/Tamper", true,
         {kVideoSourceConfig, kAnalyticsConfig, kRule}, {{"IsTamper", EventNs::Xs, "boolean"}}},
        {"videoLoss", EventNs::Topics, "VideoSource/SignalLoss", true, {kVideoSource},
         {{"State", EventNs::Xs, "boolean"}}},
        {"digitalInput", EventNs::Topics, "Device/Trigger/DigitalInput", true,
         {{"InputToken", Ns::Schema, "ReferenceToken"}}, {{"LogicalState", EventNs::Xs, "boolean"}}},
        {"fire", EventNs::Vendor, "SimVision/Thermal/FireAlarm", true,
         {{"VideoSourceToken", Ns::Schema, "ReferenceToken"}}, {{"State", EventNs::Xs, "boolean"}}},
        // A pulse nobody's keyword table knows: clients must cope with topics they cannot use.
        {"heartbeat", EventNs::Vendor, "SimVision/Heartbeat", false, {}, {{"Count", EventNs::Xs, "int"}}},
    };
    return kinds;
}

const CEventKind* FindEventKind(const std::string& kind)
{
    for (const CEventKind& k : EventKinds())
        if (kind == k.kind)
            return &k;
    return nullptr;
}

void WriteTopicSet(CXmlNode parent)
{
    CXmlNode set = parent.add(EventNs::Wstop, "TopicSet");
    // Topics sharing their first steps share those elements, as in a real tree.
    std::map<std::string, CXmlNode> written;
    for (const CEventKind& kind : EventKinds()) {
        CXmlNode node = set;
        std::string path = kind.rootNs;
        for (const std::string& step : splitPath(kind.path)) {
            path += "/" + step;
            auto it = written.find(path);
            if (it == written.end())
                it = written.emplace(path, node.add(kind.rootNs, step)).first;
            node = it->second;
        }
        node.attr(EventNs::Wstop, "topic", "true");
        CXmlNode description = node.add(Ns::Schema, "MessageDescription");
        description.attr("IsProperty", kind.property ? "true" : "false");
        writeItemDescriptions(description, "Source", kind.source);
        writeItemDescriptions(description, "Data", kind.data);
    }
}

void WriteNotificationMessage(CXmlNode parent, const CEventMessage& message, const std::string& subscription)
{
    CXmlNode node = parent.add(Ns::Wsnt, "NotificationMessage");
    if (!subscription.empty())
        node.sub("SubscriptionReference").add(Ns::Wsa, "Address", subscription);
    node.sub("Topic").attr("Dialect", EventNs::ConcreteSet).qnameText(message.kind->rootNs, message.kind->path);
    CXmlNode body = node.sub("Message").add(Ns::Schema, "Message");
    body.attr("UtcTime", FormatXsDateTime(message.utc));
    if (!message.operation.empty())
        body.attr("PropertyOperation", message.operation);
    writeItems(body, "Source", message.source);
    writeItems(body, "Data", message.data);
}

} // namespace OnvifSim
