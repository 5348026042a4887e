#pragma once
// Rule and module records of the analytics service, written into requests and read from
// answers. Both nest deeper than a field list's two index slots (record, element item,
// polygon point), so each record is handled on its own with its index in the paths.
#include <json/json.h>

#include "SOAPFramework/SOAPMessage.h"

namespace RPC {
namespace Onvif {
namespace AnalyticsRecords {

using Zentar::SOAPFramework::CSOAPMessage;

// "Rule"[i] -> ./tan:Rule[i] with its simple items and element items (a tamper rule's
// "Field" polygon with its points).
int writeRules(CSOAPMessage& request, const Json::Value& req);
// "AnalyticsModule"[i] -> ./tan:AnalyticsModule[i] with its simple items; element items
// (the grid layout) are the device's own and are not written.
int writeModules(CSOAPMessage& request, const Json::Value& req);

// ./Rule[i] -> "Rule"[i]; element items only for cell motion and tamper rules.
int readRules(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp);
// ./AnalyticsModule[i] -> "AnalyticsModule"[i]; element items only for cell motion and
// tamper engines.
int readModules(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp);
// ./SupportedAnalyticsModules -> "SupportedAnalyticsModules" with every description.
int readSupportedModules(CSOAPMessage& response, const Json::Value& req, Json::Value& rsp);

} // namespace AnalyticsRecords
} // namespace Onvif
} // namespace RPC
