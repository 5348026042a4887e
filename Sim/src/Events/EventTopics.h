#pragma once
// The events the simulated device knows: their topics (the ONVIF ones and a vendor's), the
// items each message carries, and how topics and messages are written.
#include "Soap/XmlAnswer.h"

#include <string>
#include <utility>
#include <vector>

namespace OnvifSim {

namespace EventNs {
constexpr const char* Topics = "http://www.onvif.org/ver10/topics";
constexpr const char* Wstop = "http://docs.oasis-open.org/wsn/t-1";
constexpr const char* Xs = "http://www.w3.org/2001/XMLSchema";
// A camera maker's own topic tree, beside the ONVIF one.
constexpr const char* Vendor = "urn:onvif-sim:events";
constexpr const char* ConcreteSet = "http://www.onvif.org/ver10/tev/topicExpression/ConcreteSet";
} // namespace EventNs

struct CItemDescription {
    const char* name;
    const char* typeNs;
    const char* typeLocal;
};

struct CEventKind {
    const char* kind;        // the name descriptions and the control API use
    const char* rootNs;      // namespace of the topic's first step
    const char* path;        // "RuleEngine/CellMotionDetector/Motion"
    bool property;           // a state (Initialized/Changed/Deleted) rather than a pulse
    std::vector<CItemDescription> source;
    std::vector<CItemDescription> data;
};

const std::vector<CEventKind>& EventKinds();
const CEventKind* FindEventKind(const std::string& kind);

using CItemValues = std::vector<std::pair<std::string, std::string>>;

struct CEventMessage {
    const CEventKind* kind = nullptr;
    std::string operation;    // "Initialized", "Changed", "Deleted"; "" for a pulse
    long long utc = 0;        // device clock
    CItemValues source;
    CItemValues data;
};

// wstop:TopicSet with every kind, the topic tree merged by path.
void WriteTopicSet(CXmlNode parent);
// One wsnt:NotificationMessage under parent.
void WriteNotificationMessage(CXmlNode parent, const CEventMessage& message, const std::string& subscription);

} // namespace OnvifSim
