#pragma once
// The analytics service object of one device ("VideoAnalytics"): the analytics modules and
// rules of a video analytics configuration, notably the cell motion detector (its grid)
// and the tamper detector (its field), which the motion-rule composites edit.
//
// Every command takes "XAddr" and "ConfigurationToken". Rule and module records (requests
// and results alike) are {"Name", "Type", "Parameters": {"SimpleItem": [{"Name", "Value"}],
// "ElementItem": [{"Name", ...}]}}; the element items understood are "Field" (a polygon:
// "PolygonConfiguration"."Polygon"[i] {"x", "y"}), "Layout" ("CellLayout" {"Columns",
// "Rows", "Transformation"}) and "Transform" ("Transformation" {"Translate", "Scale"}).
//
// Names served by execute: "GetRules", "GetSupportedRules", "CreateRules", "ModifyRules",
// "DeleteRules" ("RuleName"[i]), "GetSupportedAnalyticsModules", "GetAnalyticsModules",
// "CreateAnalyticsModules" and "DeleteAnalyticsModules" (registered, send nothing, -1),
// "ModifyAnalyticsModules" (simple items only), "GetServiceCapabilities".
#include "OnvifFramework/Utility/OnvifProtoCore.h"

namespace RPC {
namespace Onvif {

class COnvifVideoAnalytics : public COnvifProtoCore {
public:
    explicit COnvifVideoAnalytics(const COnvifLoginInfo& login) : COnvifProtoCore(login, &operationTable()) {}
    const char* getServiceName() const override { return "VideoAnalytics"; }

    static const COnvifOperationTable& operationTable();
};

} // namespace Onvif
} // namespace RPC
