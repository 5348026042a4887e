#pragma once
// Reading what the event service sends: the topic tree of GetEventProperties, and the
// notification messages of PullMessages and of pushed Notify requests.
//
// Topics are compared without namespace prefixes ("tns1:RuleEngine/CellMotionDetector/Motion"
// and "RuleEngine/CellMotionDetector/Motion" are one topic): the topic set is read from
// element names, where a device may use a default namespace or another prefix than in the
// Topic text of its messages.
#include <json/json.h>

#include <string>

#include "SOAPFramework/SOAPMessage.h"

namespace RPC {
namespace Onvif {

using Zentar::SOAPFramework::CSOAPMessage;

// "tns1:RuleEngine/tnsx:Cell/Motion" -> "RuleEngine/Cell/Motion", surrounding blanks dropped.
std::string topicWithoutPrefixes(const std::string& topic);

// The topic tree below topicSetPath: "TopicSet"[i] = {"Topic", "IsProperty", "Source",
// "Key", "Data"}, each group a list of {"Name", "Type"}, in depth-first order.
Json::Value readTopicSet(CSOAPMessage& msg, const std::string& topicSetPath);

// How the declared type of a simple item carries its value: as text, a flag, an integer,
// a fraction, or not at all (a type the reader does not know).
enum class ItemKind { Text, Flag, Integer, Fraction, Unknown };
ItemKind itemKindOf(const std::string& declaredType);

// One notification message at messagePath (with its own index, "…/NotificationMessage[3]")
// into {"Topic", "Message": {"Message": {"PropertyOperation", "Source", "Key", "Data"}}},
// each group {"SimpleItem": [{"Name", "Value"}]}.
// With a topic set, items get a Value only when the set declares them, typed by their
// declared type; a message of an undeclared topic keeps only its Topic and
// PropertyOperation. Without one (pushed messages), every item keeps its text.
void readNotificationMessage(CSOAPMessage& msg, const std::string& messagePath, const Json::Value* topicSet,
                             Json::Value& out);

} // namespace Onvif
} // namespace RPC
